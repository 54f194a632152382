#include "app/application.h"

#include "forms/desktop.h"
#include "product_config.h"

#include <exception>

namespace vantrel {

VantrelApplication::VantrelApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // Only the name: a display name would be appended to every window caption.
    setApplicationName(QString::fromUtf8(kProgramTitle));
    // Ties every window to the installed menu entry and gives it the program's icon.
    setDesktopFileName(QString::fromLatin1(product::kApplicationId));
    setWindowIcon(ProgramIcon());
    // The interface is Russian whatever the user's locale: calendar names,
    // Qt's own texts and the file dialogs' details alike.
    UseRussianLocale();
    LoadQtTranslation(*this);
}

bool VantrelApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        prompts_.showError(error.what());
    } catch (...) {
        prompts_.showError("Неизвестная ошибка");
    }
    return false;
}

} // namespace vantrel
