#pragma once

#include <stdexcept>
#include <string>
#include <system_error>

namespace vantrel {

// The one exception type of the program. Its text is UTF-8 and is shown to the
// user as it stands by the generic error box ("Cannot open file %s", ...).
class Error : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// A file that cannot be read or written: the text as the program shows it, and
// the reason the system gave (the command-line tool adds it to the text).
class FileError : public Error {
public:
    FileError(const std::string& text, std::error_code reason) : Error(text), reason_(reason) {}
    const std::error_code& reason() const { return reason_; }

private:
    std::error_code reason_;
};

// Replaces the first "%s" of a fixed message text by an argument.
inline std::string formatMessage(const std::string& pattern, const std::string& argument) {
    std::string text = pattern;
    if (auto at = text.find("%s"); at != std::string::npos) {
        text.replace(at, 2, argument);
    }
    return text;
}

} // namespace vantrel
