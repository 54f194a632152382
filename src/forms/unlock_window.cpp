#include "forms/unlock_window.h"

#include "base/error.h"
#include "base/secret.h"
#include "forms/login_panel.h"
#include "forms/qt_text.h"

#include <QCloseEvent>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

namespace vantrel {

TfmUnlock::TfmUnlock(QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("fmUnlock"));
    setWindowTitle(QStringLiteral("VTR"));

    auto* panel = new QFrame(this);
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);

    auto* lbInfo = new QLabel(QStringLiteral("Программа заблокирована."), panel);
    lbInfo->setObjectName(QStringLiteral("lbLocked"));

    auto* lbName = new QLabel(QStringLiteral("Имя:"), panel);
    edName_ = new QLineEdit(panel);
    edName_->setObjectName(QStringLiteral("edName"));
    edName_->setReadOnly(true);
    edName_->setFocusPolicy(Qt::NoFocus);

    auto* lbPwd = new QLabel(QStringLiteral("Пароль:"), panel);
    lbPwd->setObjectName(QStringLiteral("lbPwd"));
    edPwd_ = PanelPasswordField(panel, QStringLiteral("Введите пароль пользователя"));
    lbPwd->setBuddy(edPwd_);

    auto* btUnlock = PanelButton(panel, "btUnlock", QStringLiteral("&Разблокировать"),
                                 QStringLiteral("Вернуться к списку записей"));
    auto* btExit = PanelButton(panel, "btExit", QStringLiteral("В&ыход"),
                               QStringLiteral("Выйти из программы"));

    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(8, 7, 8, 8);
    grid->setHorizontalSpacing(4);
    grid->setVerticalSpacing(3);
    grid->addWidget(lbInfo, 0, 0, 1, 2);
    grid->addWidget(lbName, 1, 0);
    grid->addWidget(edName_, 1, 1);
    grid->addWidget(lbPwd, 2, 0);
    grid->addWidget(edPwd_, 2, 1);
    grid->addWidget(btUnlock, 3, 0, 1, 2);
    grid->addWidget(btExit, 4, 0, 1, 2);
    grid->setColumnMinimumWidth(1, 137);

    statusBar_ = new QStatusBar(this);
    statusBar_->setSizeGripEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panel);
    layout->addWidget(statusBar_);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(edPwd_, &QLineEdit::returnPressed, this, &TfmUnlock::btUnlockClick);
    connect(btUnlock, &QPushButton::clicked, this, &TfmUnlock::btUnlockClick);
    connect(btExit, &QPushButton::clicked, this, [this] {
        if (onQuit) {
            onQuit();
        }
    });
}

void TfmUnlock::showFor(const std::string& userName) {
    edName_->setText(fromCp1251(userName));
    if (!isVisible()) {
        forgetPassword();
    }
    show();
    raise();
    activateWindow();
}

void TfmUnlock::forgetPassword() {
    // setText, unlike clear(), also drops the undo history of the typing.
    edPwd_->setText(QString());
}

void TfmUnlock::btUnlockClick() {
    SecretString password;
    bool storable = true;
    try {
        password = SecretString(toCp1251(edPwd_->text()));
    } catch (const Error&) {
        storable = false;
    }
    forgetPassword();
    if (storable && onUnlock && onUnlock(password.value())) {
        statusBar_->clearMessage();
        return;
    }
    statusBar_->showMessage(QStringLiteral("Неверный пароль"));
    edPwd_->setFocus(Qt::OtherFocusReason);
}

bool TfmUnlock::event(QEvent* event) {
    return ShowStatusTip(event, statusBar_) || QWidget::event(event);
}

void TfmUnlock::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    CenterOnFirstShow(this, placed_);
    edPwd_->setFocus(Qt::ActiveWindowFocusReason);
}

void TfmUnlock::closeEvent(QCloseEvent* event) {
    // The window stays; the owner decides whether the program ends.
    event->ignore();
    if (onQuit) {
        onQuit();
    }
}

} // namespace vantrel
