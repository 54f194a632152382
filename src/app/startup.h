#pragma once

#include <optional>
#include <string>

// Checks and settings made before the application object exists.
namespace vantrel {

// Keeps passwords out of core dumps and away from debuggers of other users:
// the process becomes non-dumpable and writes no core file.
void HardenProcess();

// The one line for stderr when no graphical display can be reached (neither
// DISPLAY nor WAYLAND_DISPLAY is set and no Qt platform is chosen); nullopt
// when the program can start.
std::optional<std::string> MissingDisplayMessage();

} // namespace vantrel
