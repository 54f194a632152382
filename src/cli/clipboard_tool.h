#pragma once

#include "base/secret.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The desktop's clipboard through its command-line programs: wl-copy and
// wl-paste on Wayland, xclip or xsel on X11. Texts go through pipes, never
// through the command line, so that no process list shows them.
namespace vantrel::cli {

struct ClipboardTool {
    std::string name;               // for messages
    std::vector<std::string> copy;  // puts its standard input on the clipboard
    std::vector<std::string> paste; // writes the clipboard's text to its standard output
    std::vector<std::string> clear; // empties the clipboard (standard input empty)
};

// wl-copy when WAYLAND_DISPLAY is set and wl-copy and wl-paste are on PATH,
// else xclip, else xsel; std::nullopt when none is there.
std::optional<ClipboardTool> FindClipboardTool();

// The message for a desktop without any of them.
inline constexpr std::string_view kNoClipboardTool =
    "No clipboard program found: install wl-clipboard (Wayland), xclip or xsel (X11)";

// Copy and clear throw vantrel::Error naming the program when it cannot be
// started or fails; a read that fails gives the empty text (an empty clipboard
// is a failure to wl-paste and xclip). The copying program keeps running to serve the clipboard; it
// gets a process group of its own, so that Ctrl+C in the terminal does not end it.
void CopyToClipboard(const ClipboardTool& tool, std::string_view text);
SecretString ReadClipboard(const ClipboardTool& tool);
void ClearClipboard(const ClipboardTool& tool);

} // namespace vantrel::cli
