// The stream operations of TCryptLib: compression by the LZH codec, then the
// byte cipher over 32768-byte blocks after one InitKey. The container has no
// header: it is exactly as long as the (compressed) data.
#include "cipher/crypt_lib.h"

#include "base/error.h"
#include "cipher/lzh.h"

namespace vantrel {

namespace {

// The codec's callbacks are plain functions, so the source and destination of
// the running compression live here, for the length of one operation.
MemoryStream* codecSource = nullptr;
const TCryptLib::ByteSink* codecSink = nullptr;

int readFromSource(std::uint8_t* buffer) {
    return static_cast<int>(codecSource->read(buffer, kLZHBufferSize));
}

void writeToDestination(const std::uint8_t* buffer, int count) {
    (*codecSink)(buffer, static_cast<std::size_t>(count));
}

enum class CodecDirection { Encode, Decode };

// Hands the stream's content in compressed or expanded form to `sink`.
void runCodec(MemoryStream& stream, CodecDirection direction, const TCryptLib::ByteSink& sink) {
    if (!LZHInit()) {
        throw Error("TCryptLib: LZH init error");
    }
    struct Session {
        Session(MemoryStream& source, const TCryptLib::ByteSink& sink) {
            codecSource = &source;
            codecSink = &sink;
        }
        ~Session() {
            LZHDone();
            codecSource = nullptr;
            codecSink = nullptr;
        }
        Session(const Session&) = delete;
        Session& operator=(const Session&) = delete;
    } session(stream, sink);

    stream.setPosition(0);
    if (direction == CodecDirection::Encode) {
        LZHEncode(readFromSource, writeToDestination);
    } else {
        LZHDecode(readFromSource, writeToDestination);
    }
}

// Replaces the stream's content by its compressed or expanded form. The stream
// keeps its content when the codec's memory cannot be had.
void runCodec(MemoryStream& stream, CodecDirection direction) {
    MemoryStream destination;
    runCodec(stream, direction, [&destination](const std::uint8_t* bytes, std::size_t count) {
        destination.write(bytes, count);
    });
    stream.loadFrom(std::move(destination));
}

// Runs `cipher` over the stream in place, block by block: read up to 32768
// bytes, transform them in the work buffer, write them back where they were.
// The last read returns 0 bytes and still makes one (empty) cipher call.
template <typename BlockCipher>
void cipherInPlace(MemoryStream& stream, std::uint8_t* work, BlockCipher&& cipher) {
    stream.setPosition(0);
    for (;;) {
        const std::size_t n = stream.read(work, TCryptLib::kBlockSize);
        cipher(n);
        stream.setPosition(stream.position() - n);
        if (n == 0 || stream.write(work, n) < n) {
            break;
        }
    }
}

} // namespace

void TCryptLib::EncryptStream(MemoryStream& stream) {
    if (compression_) {
        runCodec(stream, CodecDirection::Encode);
    }
    InitKey();
    ReleaseKeyBlock();
    AllocateWorkBuffer();
    std::uint8_t* work = workBuffer_.get();
    cipherInPlace(stream, work, [this, work](std::size_t n) { EncryptBuffer(work, n); });
    ReleaseWorkBuffer();
}

void TCryptLib::DecryptStream(MemoryStream& stream) {
    decryptInPlace(stream);
    if (compression_) {
        runCodec(stream, CodecDirection::Decode);
        stream.setPosition(0);
    }
}

void TCryptLib::DecryptStreamTo(MemoryStream& stream, const ByteSink& sink) {
    decryptInPlace(stream);
    if (compression_) {
        runCodec(stream, CodecDirection::Decode, sink);
    } else {
        sink(reinterpret_cast<const std::uint8_t*>(stream.bytes().data()), stream.size());
    }
}

void TCryptLib::decryptInPlace(MemoryStream& stream) {
    InitKey();
    ReleaseKeyBlock();
    AllocateWorkBuffer();
    cipherInPlace(stream, workBuffer_.get(), [this](std::size_t n) { DecryptBuffer(n); });
    ReleaseWorkBuffer();
    stream.setPosition(0);
}

} // namespace vantrel
