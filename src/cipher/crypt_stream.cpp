// The stream operations of TCryptLib: compression by the LZH codec, then the
// byte cipher over 32768-byte blocks after one InitKey. The container has no
// header: it is exactly as long as the (compressed) data. Both directions run
// in one pass from a source to a sink, so neither the input nor the output is
// ever held whole here.
#include "cipher/crypt_lib.h"

#include "base/error.h"
#include "cipher/lzh_codec.h"

#include <algorithm>
#include <cstring>

namespace vantrel {

namespace {

// Reads a source to its end in full pieces, telling OnProgress how much of the
// input has been read, in thousandths: after every piece read and every block
// ciphered, so that a window showing the progress keeps repainting. 1000 means
// the whole operation is done, not only the reading.
class ProgressSource {
public:
    ProgressSource(const TCryptLib::ByteSource& source, std::uint64_t total,
                   const std::function<void(int)>& report)
        : source_(source), total_(total), report_(report) {}

    // Fills `buffer` with `capacity` bytes unless the source ends first.
    std::size_t fill(std::uint8_t* buffer, std::size_t capacity) {
        std::size_t count = 0;
        while (count < capacity) {
            const std::size_t got = source_(buffer + count, capacity - count);
            if (got == 0) {
                break;
            }
            count += got;
        }
        done_ += count;
        report();
        return count;
    }

    void report() const {
        if (report_) {
            const std::uint64_t read = total_ == 0 ? 0 : std::min(done_, total_) * 1000 / total_;
            report_(static_cast<int>(std::min<std::uint64_t>(read, 999)));
        }
    }

    void finish() const {
        if (report_) {
            report_(1000);
        }
    }

private:
    const TCryptLib::ByteSource& source_;
    std::uint64_t total_;
    const std::function<void(int)>& report_;
    std::uint64_t done_ = 0;
};

// Fills the codec's buffer with up to kCodecPiece bytes.
using CodecInput = std::function<std::size_t(std::uint8_t* buffer)>;
constexpr auto kCodecPiece = static_cast<std::size_t>(kLZHBufferSize);

enum class CodecDirection { Encode, Decode };

// One run of a codec of its own, which gives its memory back however the run
// ends.
void runCodec(CodecDirection direction, const CodecInput& input,
              const TCryptLib::ByteSink& output) {
    LzhCodec codec;
    if (!codec.init()) {
        throw Error("TCryptLib: LZH init error");
    }
    const LzhCodec::Read read = [&input](std::uint8_t* buffer) {
        return static_cast<int>(input(buffer));
    };
    const LzhCodec::Write write = [&output](const std::uint8_t* buffer, int count) {
        output(buffer, static_cast<std::size_t>(count));
    };
    if (direction == CodecDirection::Encode) {
        codec.encode(read, write);
    } else {
        codec.decode(read, write);
    }
}

// The set-up of one stream operation: the key made from the password (its
// key block is not needed), and the work buffer, released however the
// operation ends.
struct StreamKeys {
    explicit StreamKeys(TCryptLib& cipher) : cipher(cipher) {
        cipher.InitKey();
        cipher.ReleaseKeyBlock();
        cipher.AllocateWorkBuffer();
    }
    ~StreamKeys() { cipher.ReleaseWorkBuffer(); }
    StreamKeys(const StreamKeys&) = delete;
    StreamKeys& operator=(const StreamKeys&) = delete;
    std::uint8_t* work() const { return cipher.WorkBuffer(); }
    TCryptLib& cipher;
};

} // namespace

TCryptLib::ByteSource ReadingFrom(std::string_view bytes) {
    return [bytes, at = std::size_t{0}](std::uint8_t* buffer, std::size_t capacity) mutable {
        const std::size_t count = std::min(capacity, bytes.size() - at);
        std::memcpy(buffer, bytes.data() + at, count);
        at += count;
        return count;
    };
}

void TCryptLib::EncryptStreamTo(const ByteSource& source, std::uint64_t inputSize,
                                const ByteSink& sink) {
    const StreamKeys keys(*this);
    std::uint8_t* work = keys.work();
    ProgressSource input(source, inputSize, OnProgress);
    // The cipher sees the compressed bytes in blocks of kBlockSize, however
    // the codec happens to hand them over; only the last block is shorter.
    std::size_t filled = 0;
    const auto encryptBlock = [&] {
        EncryptBuffer(work, filled);
        sink(work, filled);
        filled = 0;
        input.report();
    };
    if (compression_) {
        runCodec(
            CodecDirection::Encode,
            [&input](std::uint8_t* codecBuffer) { return input.fill(codecBuffer, kCodecPiece); },
            [&](const std::uint8_t* bytes, std::size_t count) {
                while (count > 0) {
                    const std::size_t n = std::min(count, kBlockSize - filled);
                    std::memcpy(work + filled, bytes, n);
                    filled += n;
                    bytes += n;
                    count -= n;
                    if (filled == kBlockSize) {
                        encryptBlock();
                    }
                }
            });
    } else {
        while ((filled = input.fill(work, kBlockSize)) == kBlockSize) {
            encryptBlock();
        }
    }
    if (filled > 0) {
        encryptBlock();
    }
    input.finish();
}

void TCryptLib::DecryptStreamTo(const ByteSource& source, std::uint64_t inputSize,
                                const ByteSink& sink) {
    const StreamKeys keys(*this);
    std::uint8_t* work = keys.work();
    ProgressSource input(source, inputSize, OnProgress);
    const auto decryptBlock = [&] {
        const std::size_t count = input.fill(work, kBlockSize);
        DecryptBuffer(count);
        return count;
    };
    if (!compression_) {
        while (const std::size_t count = decryptBlock()) {
            sink(work, count);
        }
        input.finish();
        return;
    }
    // The codec reads larger pieces than a block: it gets the decrypted blocks
    // one after the other, from the work buffer's unread part [at, held).
    std::size_t at = 0;
    std::size_t held = 0;
    runCodec(
        CodecDirection::Decode,
        [&](std::uint8_t* codecBuffer) {
            std::size_t count = 0;
            while (count < kCodecPiece) {
                if (at == held) {
                    at = 0;
                    held = decryptBlock();
                    if (held == 0) {
                        break;
                    }
                }
                const std::size_t n = std::min(held - at, kCodecPiece - count);
                std::memcpy(codecBuffer + count, work + at, n);
                at += n;
                count += n;
            }
            return count;
        },
        sink);
    input.finish();
}

void TCryptLib::EncryptStream(MemoryStream& stream) {
    MemoryStream container;
    EncryptStreamTo(ReadingFrom(stream.bytes()), stream.size(),
                    [&container](const std::uint8_t* bytes, std::size_t count) {
                        container.write(bytes, count);
                    });
    stream.loadFrom(std::move(container));
}

void TCryptLib::DecryptStream(MemoryStream& stream) {
    MemoryStream content;
    DecryptStreamTo(
        ReadingFrom(stream.bytes()), stream.size(),
        [&content](const std::uint8_t* bytes, std::size_t count) { content.write(bytes, count); });
    stream.loadFrom(std::move(content));
}

} // namespace vantrel
