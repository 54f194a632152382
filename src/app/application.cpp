#include "app/application.h"

#include <exception>

namespace vantrel {

VantrelApplication::VantrelApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // Only the name: a display name would be appended to every window caption.
    setApplicationName(QString::fromUtf8(kProgramTitle));
}

bool VantrelApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        prompts_.showError(error.what());
    } catch (...) {
        prompts_.showError("Unknown error");
    }
    return false;
}

} // namespace vantrel
