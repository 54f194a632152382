#pragma once

#include <QIcon>

class QCoreApplication;

// What ties the program to the desktop: its icon, and Qt's own texts (context
// menus, file and printer dialogs) in Russian like the rest of the program.
namespace vantrel {

// The program's icon (the same drawing as the installed scalable icon),
// rendered sharply at the usual window and menu sizes.
QIcon ProgramIcon();

// Installs Qt's own Russian translation into the application. Returns false,
// leaving Qt's English texts, when the translation files are not installed.
bool LoadQtTranslation(QCoreApplication& application);

} // namespace vantrel
