#pragma once

#include "base/error.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The downloadable list of breached passwords "ordered by hash": one line
// "SHA1HEX:COUNT" per password (40 upper-case hex digits, the times it was
// seen), sorted by the hash, lines ending in LF or CR LF. The whole list is
// tens of gigabytes: it is mapped into memory and each password is looked up
// by a binary search over its bytes, so a lookup reads a few pages, never the
// whole file.
namespace vantrel {

class BreachListError : public Error {
public:
    enum class Problem {
        CannotOpen, // with the system's reason
        Empty,
        Malformed, // a line that is not "SHA1HEX:COUNT"
        Unsorted,  // a line out of the hash order
    };
    BreachListError(Problem problem, const std::filesystem::path& path, std::uint64_t offset,
                    const std::string& reason = {});

    Problem problem() const { return problem_; }
    // Where the line met begins in the file (Malformed, Unsorted).
    std::uint64_t offset() const { return offset_; }
    // The problem for the program's windows, in Russian (what() is English).
    const std::string& russianText() const { return russian_; }

private:
    Problem problem_;
    std::uint64_t offset_;
    std::string russian_;
};

// The hash a list holds for a password: SHA-1 of its UTF-8 form (the form
// such lists are made from), as 40 upper-case hex digits. `password1251` is
// the record's password (1251 bytes).
std::string BreachHashOfPassword(std::string_view password1251);

class BreachList {
public:
    // Maps the file. Throws BreachListError (CannotOpen, Empty).
    explicit BreachList(const std::filesystem::path& path);
    ~BreachList();
    BreachList(const BreachList&) = delete;
    BreachList& operator=(const BreachList&) = delete;

    // The times the password was seen; 0 when the list does not hold it.
    // Throws BreachListError (Malformed, Unsorted) for a line the search
    // meets that is not "SHA1HEX:COUNT", or that stands out of order with the
    // lines met before it: never a wrong answer from a damaged list.
    std::uint64_t timesSeen(std::string_view password1251) const;
    // The same for a hash given as 40 upper-case hex digits.
    std::uint64_t timesSeenHash(std::string_view sha1Hex) const;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
    const char* bytes_ = nullptr;
    std::size_t size_ = 0;
};

// The search of BreachList::timesSeenHash over the bytes of a list held in
// memory; `path` names the list in errors.
std::uint64_t SearchBreachText(std::string_view text, std::string_view sha1Hex,
                               const std::filesystem::path& path);

// The list the program's password report checks: BreachListFile in
// [VTRSettings] of the settings file, a 1251 path; none when the key is
// missing or empty.
std::optional<std::filesystem::path>
BreachListFileSetting(const std::filesystem::path& settingsPath);
// Stores the list's path (empty: no list) under BreachListFile; the settings
// file is left alone when the value is already there. Throws vantrel::Error
// with a Russian text for a path that Windows-1251 cannot hold, and "Unable to
// write to %s" when the file cannot be written.
void SaveBreachListFileSetting(const std::filesystem::path& list,
                               const std::filesystem::path& settingsPath);

} // namespace vantrel
