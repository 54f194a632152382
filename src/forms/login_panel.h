#pragma once

#include <QString>

class QEvent;
class QLineEdit;
class QPushButton;
class QStatusBar;
class QWidget;

// What the login window and the unlock window share: a raised panel with a
// masked password field and flat buttons, over a status bar that shows the
// hint of the control under the mouse pointer.
namespace vantrel {

// A flat button that never takes the focus; its hint is also its tool tip.
QPushButton* PanelButton(QWidget* parent, const char* name, const QString& text,
                         const QString& hint);

// The password field "edPwd": every hidden character shown as "*", whatever
// the style's own mask; its hint is its tool tip and status tip.
QLineEdit* PanelPasswordField(QWidget* parent, const QString& hint);

// Shows the hint of a status-tip event in `bar`; whether `event` was one.
bool ShowStatusTip(QEvent* event, QStatusBar* bar);

// Centers `window` on the screen the first time it is shown.
void CenterOnFirstShow(QWidget* window, bool& placed);

} // namespace vantrel
