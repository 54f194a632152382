#include "health/breach_list.h"

#include "base/cp1251.h"
#include "base/secret.h"
#include "formats/settings_file.h"
#include "formats/settings_names.h"

#include <nettle/sha1.h>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace vantrel {

namespace {

constexpr std::size_t kHashDigits = 40;
// The hash, ":", a count of at most 20 digits and CR LF.
constexpr std::size_t kLongestLine = kHashDigits + 1 + 20 + 2;

std::string RussianText(BreachListError::Problem problem, const std::filesystem::path& path,
                        std::uint64_t offset, const std::string& reason) {
    const std::string file = "«" + path.string() + "»";
    const std::string at = std::to_string(offset);
    switch (problem) {
    case BreachListError::Problem::CannotOpen:
        return "Не удаётся открыть список утечек " + file + (reason.empty() ? "" : ": " + reason);
    case BreachListError::Problem::Empty:
        return "Список утечек " + file + " пуст";
    case BreachListError::Problem::Malformed:
        return "Список утечек " + file + " повреждён: строка с байта " + at +
               " не имеет вида «SHA1:ЧИСЛО»";
    case BreachListError::Problem::Unsorted:
        return "Список утечек " + file + " не упорядочен по хешам (строка с байта " + at + ")";
    }
    return {};
}

std::string EnglishText(BreachListError::Problem problem, const std::filesystem::path& path,
                        std::uint64_t offset, const std::string& reason) {
    const std::string at = std::to_string(offset);
    switch (problem) {
    case BreachListError::Problem::CannotOpen:
        return "Cannot open the breach list " + path.string() +
               (reason.empty() ? "" : ": " + reason);
    case BreachListError::Problem::Empty:
        return "The breach list " + path.string() + " is empty";
    case BreachListError::Problem::Malformed:
        return "The breach list " + path.string() + " is damaged: the line at byte " + at +
               " is not SHA1HEX:COUNT";
    case BreachListError::Problem::Unsorted:
        return "The breach list " + path.string() + " is not sorted by hash (the line at byte " +
               at + ")";
    }
    return {};
}

bool IsUpperHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F');
}

// One line of the list as the search meets it.
struct ListLine {
    std::size_t start = 0;
    std::size_t next = 0; // where the following line starts
    std::string_view hash;
    std::uint64_t count = 0;
};

} // namespace

BreachListError::BreachListError(Problem problem, const std::filesystem::path& path,
                                 std::uint64_t offset, const std::string& reason)
    : Error(EnglishText(problem, path, offset, reason)), problem_(problem), offset_(offset),
      russian_(RussianText(problem, path, offset, reason)) {}

std::string BreachHashOfPassword(std::string_view password1251) {
    const SecretString utf8(Cp1251ToUtf8(password1251));
    sha1_ctx context;
    sha1_init(&context);
    sha1_update(&context, utf8.value().size(),
                reinterpret_cast<const std::uint8_t*>(utf8.value().data()));
    std::uint8_t digest[SHA1_DIGEST_SIZE];
    sha1_digest(&context, SHA1_DIGEST_SIZE, digest);
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string hex;
    for (const std::uint8_t byte : digest) {
        hex += kHex[byte >> 4];
        hex += kHex[byte & 0x0F];
    }
    std::fill(std::begin(digest), std::end(digest), std::uint8_t{0});
    return hex;
}

BreachList::BreachList(const std::filesystem::path& path) : path_(path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat info {};
    std::error_code ec;
    if (fd < 0) {
        ec = {errno, std::generic_category()};
    } else if (::fstat(fd, &info) != 0) {
        ec = {errno, std::generic_category()};
    } else if (!S_ISREG(info.st_mode)) {
        ec = std::make_error_code(S_ISDIR(info.st_mode) ? std::errc::is_a_directory
                                                        : std::errc::invalid_argument);
    }
    if (ec) {
        if (fd >= 0) {
            ::close(fd);
        }
        throw BreachListError(BreachListError::Problem::CannotOpen, path, 0, ec.message());
    }
    size_ = static_cast<std::size_t>(info.st_size);
    if (size_ == 0) {
        ::close(fd);
        throw BreachListError(BreachListError::Problem::Empty, path, 0);
    }
    void* mapped = ::mmap(nullptr, size_, PROT_READ, MAP_SHARED, fd, 0);
    const int mapError = errno;
    ::close(fd); // the mapping stays
    if (mapped == MAP_FAILED) {
        throw BreachListError(BreachListError::Problem::CannotOpen, path, 0,
                              std::generic_category().message(mapError));
    }
    // A binary search jumps: reading ahead would only load pages never used.
    ::madvise(mapped, size_, MADV_RANDOM);
    bytes_ = static_cast<const char*>(mapped);
}

BreachList::~BreachList() {
    if (bytes_ != nullptr) {
        ::munmap(const_cast<char*>(bytes_), size_);
    }
}

std::uint64_t BreachList::timesSeen(std::string_view password1251) const {
    return timesSeenHash(BreachHashOfPassword(password1251));
}

std::uint64_t BreachList::timesSeenHash(std::string_view sha1Hex) const {
    return SearchBreachText(std::string_view(bytes_, size_), sha1Hex, path_);
}

std::uint64_t SearchBreachText(std::string_view text, std::string_view sha1Hex,
                               const std::filesystem::path& path) {
    const std::size_t size = text.size();
    const auto malformed = [&path](std::size_t start) {
        return BreachListError(BreachListError::Problem::Malformed, path, start);
    };
    // The line that holds byte `at`: "SHA1HEX:COUNT", then CR LF, LF or the
    // end of the file.
    const auto lineAt = [&](std::size_t at, std::size_t lowest) {
        ListLine line;
        // Never more than a line's length from `at`: a file without line
        // ends must not be scanned whole.
        const std::size_t from = std::max(lowest, at > kLongestLine ? at - kLongestLine : 0);
        const std::size_t before = text.substr(from, at - from).rfind('\n');
        if (before == std::string_view::npos && from > lowest) {
            throw malformed(from);
        }
        line.start = before == std::string_view::npos ? from : from + before + 1;
        const std::string_view rest = text.substr(line.start, kLongestLine);
        const std::size_t newline = rest.find('\n');
        if (newline == std::string_view::npos && line.start + rest.size() != size) {
            throw malformed(line.start);
        }
        const std::size_t end = line.start + std::min(newline, rest.size());
        line.next = end == size ? end : end + 1;
        std::string_view body = text.substr(line.start, end - line.start);
        if (!body.empty() && body.back() == '\r') {
            body.remove_suffix(1);
        }
        if (body.size() < kHashDigits + 2 || body[kHashDigits] != ':' ||
            !std::all_of(body.begin(), body.begin() + kHashDigits, IsUpperHex)) {
            throw malformed(line.start);
        }
        line.hash = body.substr(0, kHashDigits);
        for (const char digit : body.substr(kHashDigits + 1)) {
            if (digit < '0' || digit > '9' || line.count > (UINT64_MAX - 9) / 10) {
                throw malformed(line.start);
            }
            line.count = line.count * 10 + static_cast<std::uint64_t>(digit - '0');
        }
        return line;
    };

    // [low, high) holds the lines that may still be the one; the lines met
    // below and above it bound the hashes every line in it must lie between.
    std::size_t low = 0;
    std::size_t high = size;
    std::optional<std::string_view> below;
    std::optional<std::string_view> above;
    while (low < high) {
        const ListLine line = lineAt(low + (high - low) / 2, low);
        if ((below && line.hash <= *below) || (above && line.hash >= *above)) {
            throw BreachListError(BreachListError::Problem::Unsorted, path, line.start);
        }
        if (line.hash == sha1Hex) {
            return line.count;
        }
        if (line.hash < sha1Hex) {
            below = line.hash;
            low = line.next;
        } else {
            above = line.hash;
            high = line.start;
        }
    }
    return 0;
}

std::optional<std::filesystem::path>
BreachListFileSetting(const std::filesystem::path& settingsPath) {
    const std::string value = ReadSetting(kProgramSection, kBreachListFileKey, settingsPath);
    if (value == ReadFailureText() || value.empty()) {
        return std::nullopt;
    }
    return std::filesystem::path(Cp1251ToUtf8(value));
}

void SaveBreachListFileSetting(const std::filesystem::path& list,
                               const std::filesystem::path& settingsPath) {
    if (BreachListFileSetting(settingsPath).value_or(std::filesystem::path()) == list) {
        return;
    }
    std::string value;
    try {
        value = Utf8ToCp1251(list.string());
    } catch (const Error&) {
        throw Error("Путь к списку скомпрометированных паролей нельзя сохранить в файле "
                    "настроек: в нём есть знаки вне кодировки Windows-1251");
    }
    WriteSetting(kProgramSection, kBreachListFileKey, value, settingsPath);
}

} // namespace vantrel
