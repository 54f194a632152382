#pragma once

#include <string>

namespace vantrel {

// Long work the user waits for (opening or saving a large file) reports here:
// the Qt windows show a progress dialog that keeps the program repainting,
// tests record the calls. Calls come in the order begin, advance..., end; end
// comes however the work ends.
class Progress {
public:
    virtual ~Progress() = default;

    // The work begins; `text` (UTF-8) says what is done to which file.
    virtual void begin(const std::string& text) = 0;
    // How far it has come, in thousandths (0 ... 1000, never going back).
    virtual void advance(int permille) = 0;
    virtual void end() = 0;
};

} // namespace vantrel
