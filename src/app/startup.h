#pragma once

#include <optional>
#include <string>

// Checks and settings made before the application object exists.
namespace vantrel {

// The one line for stderr when no graphical display can be reached (neither
// DISPLAY nor WAYLAND_DISPLAY is set and no Qt platform is chosen); nullopt
// when the program can start.
std::optional<std::string> MissingDisplayMessage();

} // namespace vantrel
