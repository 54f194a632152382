// The stream operations of TCryptLib: compression by the LZH codec, then the
// byte cipher over 32768-byte blocks after one InitKey. The container has no
// header: it is exactly as long as the (compressed) data.
#include "cipher/crypt_lib.h"

#include "base/error.h"
#include "cipher/lzh.h"

#include <algorithm>

namespace vantrel {

namespace {

// One pass over a stream as a span of the whole operation's progress, in
// thousandths: the codec's pass takes most of the time, the cipher's the rest.
constexpr int kCodecEnd = 800;

struct ProgressSpan {
    const std::function<void(int)>& report;
    int from;
    int to;

    void operator()(const MemoryStream& stream) const {
        if (!report) {
            return;
        }
        const std::size_t size = stream.size();
        const std::size_t done = std::min(stream.position(), size);
        const auto share = size == 0 ? 1.0 : static_cast<double>(done) / static_cast<double>(size);
        report(from + static_cast<int>(share * (to - from)));
    }
};

// The codec's callbacks are plain functions, so the source and destination of
// the running compression live here, for the length of one operation.
MemoryStream* codecSource = nullptr;
const TCryptLib::ByteSink* codecSink = nullptr;
const ProgressSpan* codecProgress = nullptr;

int readFromSource(std::uint8_t* buffer) {
    const auto count = static_cast<int>(codecSource->read(buffer, kLZHBufferSize));
    (*codecProgress)(*codecSource);
    return count;
}

void writeToDestination(const std::uint8_t* buffer, int count) {
    (*codecSink)(buffer, static_cast<std::size_t>(count));
}

enum class CodecDirection { Encode, Decode };

// Hands the stream's content in compressed or expanded form to `sink`.
void runCodec(MemoryStream& stream, CodecDirection direction, const ProgressSpan& progress,
              const TCryptLib::ByteSink& sink) {
    if (!LZHInit()) {
        throw Error("TCryptLib: LZH init error");
    }
    struct Session {
        Session(MemoryStream& source, const TCryptLib::ByteSink& sink,
                const ProgressSpan& progress) {
            codecSource = &source;
            codecSink = &sink;
            codecProgress = &progress;
        }
        ~Session() {
            LZHDone();
            codecSource = nullptr;
            codecSink = nullptr;
            codecProgress = nullptr;
        }
        Session(const Session&) = delete;
        Session& operator=(const Session&) = delete;
    } session(stream, sink, progress);

    stream.setPosition(0);
    if (direction == CodecDirection::Encode) {
        LZHEncode(readFromSource, writeToDestination);
    } else {
        LZHDecode(readFromSource, writeToDestination);
    }
}

// Replaces the stream's content by its compressed or expanded form. The stream
// keeps its content when the codec's memory cannot be had.
void runCodec(MemoryStream& stream, CodecDirection direction, const ProgressSpan& progress) {
    MemoryStream destination;
    runCodec(stream, direction, progress,
             [&destination](const std::uint8_t* bytes, std::size_t count) {
                 destination.write(bytes, count);
             });
    stream.loadFrom(std::move(destination));
}

// Runs `cipher` over the stream in place, block by block: read up to 32768
// bytes, transform them in the work buffer, write them back where they were.
// The last read returns 0 bytes and still makes one (empty) cipher call.
template <typename BlockCipher>
void cipherInPlace(MemoryStream& stream, std::uint8_t* work, const ProgressSpan& progress,
                   BlockCipher&& cipher) {
    stream.setPosition(0);
    for (;;) {
        const std::size_t n = stream.read(work, TCryptLib::kBlockSize);
        cipher(n);
        stream.setPosition(stream.position() - n);
        if (n == 0 || stream.write(work, n) < n) {
            break;
        }
        progress(stream);
    }
}

} // namespace

void TCryptLib::EncryptStream(MemoryStream& stream) {
    const int cipherStart = compression_ ? kCodecEnd : 0;
    if (compression_) {
        runCodec(stream, CodecDirection::Encode, {OnProgress, 0, cipherStart});
    }
    InitKey();
    ReleaseKeyBlock();
    AllocateWorkBuffer();
    std::uint8_t* work = workBuffer_.get();
    cipherInPlace(stream, work, {OnProgress, cipherStart, 1000},
                  [this, work](std::size_t n) { EncryptBuffer(work, n); });
    ReleaseWorkBuffer();
}

void TCryptLib::DecryptStream(MemoryStream& stream) {
    const int cipherEnd = decryptInPlace(stream);
    if (compression_) {
        runCodec(stream, CodecDirection::Decode, {OnProgress, cipherEnd, 1000});
        stream.setPosition(0);
    }
}

void TCryptLib::DecryptStreamTo(MemoryStream& stream, const ByteSink& sink) {
    const int cipherEnd = decryptInPlace(stream);
    if (compression_) {
        runCodec(stream, CodecDirection::Decode, {OnProgress, cipherEnd, 1000}, sink);
    } else {
        sink(reinterpret_cast<const std::uint8_t*>(stream.bytes().data()), stream.size());
    }
}

int TCryptLib::decryptInPlace(MemoryStream& stream) {
    InitKey();
    ReleaseKeyBlock();
    AllocateWorkBuffer();
    const int cipherEnd = compression_ ? 1000 - kCodecEnd : 1000;
    cipherInPlace(stream, workBuffer_.get(), {OnProgress, 0, cipherEnd},
                  [this](std::size_t n) { DecryptBuffer(n); });
    ReleaseWorkBuffer();
    stream.setPosition(0);
    return cipherEnd;
}

} // namespace vantrel
