#include "app/application.h"

#include <QLibraryInfo>
#include <QLocale>

#include <exception>

namespace vantrel {

VantrelApplication::VantrelApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // Only the name: a display name would be appended to every window caption.
    setApplicationName(QString::fromUtf8(kProgramTitle));
    // Qt's own texts (file dialogs, context menus of edits) in Russian, like
    // the rest of the interface; without the translation they stay English.
    if (qtTranslation_.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"),
                            QStringLiteral("_"),
                            QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        installTranslator(&qtTranslation_);
    }
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
