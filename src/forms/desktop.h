#pragma once

#include <QIcon>

class QCoreApplication;
class QFileDialog;

// What ties the program to the desktop: its icon, and Qt's own texts (context
// menus, file and printer dialogs) in Russian like the rest of the program.
namespace vantrel {

// The program's icon (the same drawing as the installed scalable icon),
// rendered sharply at the usual window and menu sizes.
QIcon ProgramIcon();

// Makes Russian the default locale of every QLocale(): month and day names,
// numbers and dates read as the rest of the interface, whatever the user's
// locale is.
void UseRussianLocale();

// Installs Qt's own Russian translation into the application. Returns false,
// leaving Qt's English texts, when the translation files are not installed.
bool LoadQtTranslation(QCoreApplication& application);

// Has a file dialog show its sizes and dates by the default locale (Qt takes
// them from the system's locale otherwise). Only Qt's own dialog shows them
// through its model; a desktop's native dialog follows the desktop.
void ShowFileDetailsByDefaultLocale(QFileDialog& dialog);

} // namespace vantrel
