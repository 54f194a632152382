#pragma once

#include <QIcon>

// Pictures of the record editor's small buttons and of the date field's
// button: the desktop theme's icon, or the program's own 16 x 16 drawing on a
// machine without a theme.
namespace vantrel {

QIcon copyIcon();
QIcon pasteIcon();
QIcon calendarIcon();

} // namespace vantrel
