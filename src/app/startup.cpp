#include "app/startup.h"

#include <cstdlib>

namespace vantrel {

namespace {

bool isSet(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr && *value != '\0';
}

} // namespace

std::optional<std::string> MissingDisplayMessage() {
    if (isSet("DISPLAY") || isSet("WAYLAND_DISPLAY") || isSet("QT_QPA_PLATFORM")) {
        return std::nullopt;
    }
    return "vantrel: no graphical display found (neither DISPLAY nor WAYLAND_DISPLAY is set); "
           "start Vantrel Lite from a desktop session";
}

} // namespace vantrel
