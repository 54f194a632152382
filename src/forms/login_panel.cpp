#include "forms/login_panel.h"

#include "forms/site.h"

#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>

namespace vantrel {

QPushButton* PanelButton(QWidget* parent, const char* name, const QString& text,
                         const QString& hint) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(name));
    button->setFlat(true);
    button->setAutoDefault(false);
    button->setFocusPolicy(Qt::NoFocus);
    button->setToolTip(hint);
    button->setStatusTip(hint);
    return button;
}

QLineEdit* PanelPasswordField(QWidget* parent, const QString& hint) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QStringLiteral("edPwd"));
    field->setEchoMode(QLineEdit::Password);
    field->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    field->setToolTip(hint);
    field->setStatusTip(hint);
    return field;
}

bool ShowStatusTip(QEvent* event, QStatusBar* bar) {
    if (event->type() != QEvent::StatusTip) {
        return false;
    }
    bar->showMessage(static_cast<QStatusTipEvent*>(event)->tip());
    return true;
}

void CenterOnFirstShow(QWidget* window, bool& placed) {
    if (!placed) {
        placed = true;
        CenterOnScreen(window);
    }
}

} // namespace vantrel
