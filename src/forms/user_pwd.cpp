#include "forms/user_pwd.h"

#include "base/error.h"
#include "formats/program_folders.h"
#include "forms/about.h"
#include "forms/login_panel.h"
#include "forms/qt_text.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFrame>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>

namespace vantrel {

namespace {

constexpr int kClientWidth = 201;
constexpr int kFieldWidth = 137;

// The first character of the text that 1251 cannot hold.
QString firstUnstorableCharacter(const QString& text) {
    for (const char32_t code : text.toUcs4()) {
        const QString character = QString::fromUcs4(&code, 1);
        try {
            toCp1251(character);
        } catch (const Error&) {
            return character;
        }
    }
    return {};
}

void setHint(QWidget* widget, const QString& hint) {
    widget->setToolTip(hint);
    widget->setStatusTip(hint);
}

} // namespace

TfmUserPwd::TfmUserPwd(Session& session, FileCommands& files, Prompts& prompts, QWidget* parent)
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint),
      prompts_(prompts), login_(session, files, prompts) {
    setObjectName(QStringLiteral("fmUserPwd"));
    setWindowTitle(QStringLiteral("VTR"));
    login_.programDirectory = [] { return SettingsFolderForThisRun(); };
    endProgram_ = [] { QCoreApplication::exit(0); };

    auto* panel = new QFrame(this);
    panel->setObjectName(QStringLiteral("Panel1"));
    panel->setFrameStyle(QFrame::Panel | QFrame::Raised);
    panel->setLineWidth(1);

    auto* lbName = new QLabel(QStringLiteral("Имя:"), panel);
    lbName->setObjectName(QStringLiteral("lbName"));
    cbUserName_ = new QLineEdit(panel);
    cbUserName_->setObjectName(QStringLiteral("cbUserName"));
    setHint(cbUserName_, QStringLiteral("Введите имя пользователя"));
    lbName->setBuddy(cbUserName_);

    auto* lbPwd = new QLabel(QStringLiteral("Пароль:"), panel);
    lbPwd->setObjectName(QStringLiteral("lbPwd"));
    edPwd_ = PanelPasswordField(panel, QStringLiteral("Введите пароль пользователя"));
    lbPwd->setBuddy(edPwd_);

    cbShowPwd_ = new QCheckBox(QStringLiteral("&Показать пароль"), panel);
    cbShowPwd_->setObjectName(QStringLiteral("cbShowPwd"));
    setHint(cbShowPwd_, QStringLiteral("Не скрывать пароль за звездочками"));

    auto* btEnter =
        PanelButton(panel, "btEnter", QStringLiteral("&Вход"), QStringLiteral("Войти в систему"));
    auto* btNewUser = PanelButton(panel, "btNewUser", QStringLiteral("Новый пользователь"),
                                  QStringLiteral("Создать нового пользователя"));
    auto* btExit = PanelButton(panel, "btExit", QStringLiteral("В&ыход"),
                               QStringLiteral("Выйти из программы"));
    auto* btAbout = PanelButton(panel, "btAbout", QStringLiteral("&О Программе"),
                                QStringLiteral("О программе"));

    auto* grid = new QGridLayout(panel);
    grid->setContentsMargins(8, 7, 8, 8);
    grid->setHorizontalSpacing(0);
    grid->setVerticalSpacing(3);
    grid->addWidget(lbName, 0, 0);
    grid->addWidget(cbUserName_, 0, 1, 1, 2);
    grid->addWidget(lbPwd, 1, 0);
    grid->addWidget(edPwd_, 1, 1, 1, 2);
    grid->addWidget(cbShowPwd_, 2, 1, 1, 2);
    grid->addWidget(btEnter, 3, 0, 1, 2);
    grid->addWidget(btNewUser, 3, 2);
    grid->addWidget(btExit, 4, 0, 1, 2);
    grid->addWidget(btAbout, 4, 2);
    grid->setColumnMinimumWidth(0, 48);
    grid->setColumnMinimumWidth(2, kFieldWidth - 25);
    grid->setVerticalSpacing(2);

    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName(QStringLiteral("StatusBar1"));
    statusBar_->setSizeGripEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(panel);
    layout->addWidget(statusBar_);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    setMinimumWidth(kClientWidth);

    setTabOrder(cbUserName_, edPwd_);
    setTabOrder(edPwd_, cbShowPwd_);
    // Enter logs in from the password field only.
    connect(edPwd_, &QLineEdit::returnPressed, this, &TfmUserPwd::btEnterClick);
    connect(cbShowPwd_, &QCheckBox::toggled, this, &TfmUserPwd::cbShowPwdClick);
    connect(btEnter, &QPushButton::clicked, this, &TfmUserPwd::btEnterClick);
    connect(btNewUser, &QPushButton::clicked, this, &TfmUserPwd::btNewUserClick);
    connect(btExit, &QPushButton::clicked, this, &TfmUserPwd::btExitClick);
    connect(btAbout, &QPushButton::clicked, this, &TfmUserPwd::btAboutClick);
}

void TfmUserPwd::setProgramDirectorySource(std::function<std::filesystem::path()> source) {
    login_.programDirectory = std::move(source);
}

std::optional<std::pair<std::string, std::string>> TfmUserPwd::typedFields() {
    std::pair<std::string, std::string> fields;
    try {
        fields.first = toCp1251(cbUserName_->text());
    } catch (const Error&) {
        prompts_.inform(QString::fromUtf8(kNameNot1251Message)
                            .arg(firstUnstorableCharacter(cbUserName_->text()))
                            .toStdString());
        return std::nullopt;
    }
    try {
        fields.second = toCp1251(edPwd_->text());
    } catch (const Error&) {
        prompts_.inform(kPasswordNot1251Message);
        return std::nullopt;
    }
    return fields;
}

void TfmUserPwd::btEnterClick() {
    const auto fields = typedFields();
    if (!fields) {
        return;
    }
    RunCommand(prompts_, [&] {
        if (login_.Enter(fields->first, fields->second)) {
            forgetPassword();
            hide();
            emit loggedIn();
        }
    });
}

void TfmUserPwd::btNewUserClick() {
    const auto fields = typedFields();
    if (!fields) {
        return;
    }
    RunCommand(prompts_, [&] {
        if (login_.CreateUser(fields->first, fields->second)) {
            forgetPassword();
            hide();
            emit loggedIn();
        }
    });
}

void TfmUserPwd::forgetPassword() {
    // setText, unlike clear(), also drops the undo history of the typing.
    edPwd_->setText(QString());
}

void TfmUserPwd::btExitClick() {
    endProgram();
}

void TfmUserPwd::btAboutClick() {
    TfmAbout about(this);
    about.exec();
}

void TfmUserPwd::cbShowPwdClick() {
    edPwd_->setEchoMode(cbShowPwd_->isChecked() ? QLineEdit::Normal : QLineEdit::Password);
}

void TfmUserPwd::endProgram() {
    endRequested_ = true;
    endProgram_();
}

bool TfmUserPwd::event(QEvent* event) {
    return ShowStatusTip(event, statusBar_) || QWidget::event(event);
}

void TfmUserPwd::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    CenterOnFirstShow(this, placed_);
    cbUserName_->setFocus(Qt::ActiveWindowFocusReason);
}

void TfmUserPwd::closeEvent(QCloseEvent* event) {
    event->accept();
    endProgram();
}

} // namespace vantrel
