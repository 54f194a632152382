#pragma once

#include <QIcon>

namespace vantrel {

// The program's pictures: the main window's commands, the record editor's copy
// and paste buttons and the date field's calendar button.
enum class CommandIcon {
    Open,
    Save,
    Print,
    PrinterSetup,
    Exit,
    RecordAdd,
    RecordEdit,
    RecordDelete,
    ShowPasswords,
    Site,
    Licence,
    About,
    History,
    Copy,
    Paste,
    Calendar,
    PasswordReport,
    Protect,
    Settings,
    Lock,
};

// The desktop theme's icon, or, on a machine without a theme,
// the program's own 16 x 16 drawing of it, so every button has a picture.
QIcon commandIcon(CommandIcon kind);

// The program's own drawing alone (16 and 32 pixels), whatever the theme.
QIcon builtInIcon(CommandIcon kind);

} // namespace vantrel
