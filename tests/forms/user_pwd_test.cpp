#include "forms/user_pwd.h"

#include "base/cp1251.h"
#include "formats/settings_file.h"
#include "support/qt_test_support.h"
#include "support/scripted_prompts.h"
#include "support/temp_folder.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QStatusTipEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace vantrel {
namespace {

using Answer = Prompts::Answer;

// The login dialog over a session whose program directory is a temporary
// folder, with a scripted user and a counted program end.
class LoginDialog : public ::testing::Test {
protected:
    LoginDialog() {
        session.setProgramDirectory(dir.path() / "");
        dialog.setProgramDirectorySource([this] { return dir.path() / ""; });
        dialog.setProgramEnder([this] { ++programEnds; });
        dialog.show();
    }

    template <typename T> T* child(const char* name) {
        auto* found = dialog.findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(found, nullptr) << name;
        return found;
    }
    void type(const QString& name, const QString& password) {
        child<QLineEdit>("cbUserName")->setText(name);
        child<QLineEdit>("edPwd")->setText(password);
    }
    void click(const char* button) {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    std::filesystem::path settings() const { return SettingsFilePath(dir.path() / ""); }

    test::TempFolder dir;
    Session session;
    test::ScriptedPrompts prompts;
    FileCommands files{session, prompts};
    TfmUserPwd dialog{session, files, prompts};
    int programEnds = 0;
};

std::string inform(const char* text) {
    return std::string("inform: ") + text;
}

TEST_F(LoginDialog, ControlsTextsHintsAndTabOrder) {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("VTR"));
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMinimizeButtonHint);
    EXPECT_FALSE(dialog.windowFlags() & Qt::WindowMaximizeButtonHint);
    EXPECT_EQ(child<QLabel>("lbName")->text(), QStringLiteral("Имя:"));
    EXPECT_EQ(child<QLabel>("lbPwd")->text(), QStringLiteral("Пароль:"));
    EXPECT_EQ(child<QLabel>("lbName")->buddy(), child<QLineEdit>("cbUserName"));
    EXPECT_EQ(child<QLineEdit>("edPwd")->echoMode(), QLineEdit::Password);
    EXPECT_FALSE(child<QCheckBox>("cbShowPwd")->isChecked());

    const std::vector<std::tuple<const char*, QString, QString>> controls = {
        {"cbUserName", QString(), QStringLiteral("Введите имя пользователя")},
        {"edPwd", QString(), QStringLiteral("Введите пароль пользователя")},
        {"cbShowPwd", QStringLiteral("&Показать пароль"),
         QStringLiteral("Не скрывать пароль за звездочками")},
        {"btEnter", QStringLiteral("&Вход"), QStringLiteral("Войти в систему")},
        {"btNewUser", QStringLiteral("Новый пользователь"),
         QStringLiteral("Создать нового пользователя")},
        {"btExit", QStringLiteral("В&ыход"), QStringLiteral("Выйти из программы")},
        {"btAbout", QStringLiteral("&О Программе"), QStringLiteral("О программе")},
    };
    for (const auto& [name, text, hint] : controls) {
        QWidget* widget = child<QWidget>(name);
        EXPECT_EQ(widget->toolTip(), hint) << name;
        EXPECT_EQ(widget->statusTip(), hint) << name;
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) {
            EXPECT_EQ(button->text(), text) << name;
        }
    }
    for (const char* name : {"btEnter", "btNewUser", "btExit", "btAbout"}) {
        EXPECT_EQ(child<QPushButton>(name)->focusPolicy(), Qt::NoFocus) << name;
        EXPECT_TRUE(child<QPushButton>(name)->isFlat()) << name;
        EXPECT_FALSE(child<QPushButton>(name)->isDefault()) << name;
    }
    // Tab visits the three fields in order; the buttons take no focus.
    std::vector<QString> tabOrder;
    QWidget* widget = child<QLineEdit>("cbUserName");
    do {
        if (widget->focusPolicy() & Qt::TabFocus) {
            tabOrder.push_back(widget->objectName());
        }
        widget = widget->nextInFocusChain();
    } while (widget != child<QLineEdit>("cbUserName"));
    EXPECT_EQ(tabOrder, (std::vector<QString>{QStringLiteral("cbUserName"), QStringLiteral("edPwd"),
                                              QStringLiteral("cbShowPwd")}));
    // Shown, the dialog has the focus in the name field.
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    EXPECT_EQ(QApplication::focusWidget(), child<QLineEdit>("cbUserName"));
    test::SaveSnapshot(dialog, QStringLiteral("login_dialog"));
}

TEST_F(LoginDialog, StatusBarShowsTheHintOfTheControlUnderThePointer) {
    QStatusTipEvent tip(child<QLineEdit>("edPwd")->statusTip());
    QApplication::sendEvent(child<QLineEdit>("edPwd"), &tip);
    EXPECT_EQ(child<QStatusBar>("StatusBar1")->currentMessage(),
              QStringLiteral("Введите пароль пользователя"));
}

TEST_F(LoginDialog, ShowPasswordSwitchesTheEchoMode) {
    child<QCheckBox>("cbShowPwd")->click();
    EXPECT_EQ(child<QLineEdit>("edPwd")->echoMode(), QLineEdit::Normal);
    child<QCheckBox>("cbShowPwd")->click();
    EXPECT_EQ(child<QLineEdit>("edPwd")->echoMode(), QLineEdit::Password);
}

TEST_F(LoginDialog, EnterActsOnlyInThePasswordField) {
    type(QStringLiteral("bob"), QStringLiteral("pw"));
    QTest::keyClick(child<QLineEdit>("cbUserName"), Qt::Key_Return);
    EXPECT_TRUE(prompts.log.empty());
    prompts.answers = {Answer::Cancel};
    QTest::keyClick(child<QLineEdit>("edPwd"), Qt::Key_Return);
    EXPECT_EQ(prompts.log, (std::vector<std::string>{inform(kMismatchMessage),
                                                     std::string("ask: ") + kCreateUserQuestion}));
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(LoginDialog, CreateThenLogInHidesTheDialogAndKeepsTheName) {
    type(QStringLiteral("Иван"), QStringLiteral("тайна"));
    prompts.answers = {Answer::Ok};
    prompts.passwords = {Utf8ToCp1251("тайна")};
    click("btNewUser");
    EXPECT_TRUE(session.loggedIn());
    EXPECT_TRUE(dialog.isHidden());
    EXPECT_EQ(session.userName(), Utf8ToCp1251("Иван"));
    EXPECT_EQ(session.cipher().Password(), Utf8ToCp1251("тайна"));
    EXPECT_EQ(child<QLineEdit>("cbUserName")->text(), QStringLiteral("Иван"));

    // A later run logs in with the name in capitals.
    Session next;
    next.setProgramDirectory(dir.path() / "");
    test::ScriptedPrompts nextPrompts;
    FileCommands nextFiles(next, nextPrompts);
    TfmUserPwd again(next, nextFiles, nextPrompts);
    again.setProgramDirectorySource([this] { return dir.path() / ""; });
    again.show();
    again.findChild<QLineEdit*>(QStringLiteral("cbUserName"))->setText(QStringLiteral("ИВАН"));
    again.findChild<QLineEdit*>(QStringLiteral("edPwd"))->setText(QStringLiteral("тайна"));
    QTest::mouseClick(again.findChild<QPushButton*>(QStringLiteral("btEnter")), Qt::LeftButton);
    EXPECT_TRUE(next.loggedIn());
    EXPECT_TRUE(again.isHidden());
    EXPECT_EQ(nextPrompts.log, (std::vector<std::string>{inform(kLastFileNotFoundMessage)}));
}

TEST_F(LoginDialog, ThirteenCharacterPasswordGoesToTheErrorBoxAndTheDialogStays) {
    type(QStringLiteral("bob"), QStringLiteral("1234567890123"));
    click("btEnter");
    EXPECT_EQ(prompts.log, (std::vector<std::string>{"error: TCryptLib.Password is too long"}));
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(session.loggedIn());
}

TEST_F(LoginDialog, UnwritableSettingsFileIsReportedAndNobodyLogsIn) {
    test::WriteBytes(dir / "plain", "x");
    const std::filesystem::path blocked = dir.path() / "plain" / "sub" / "";
    dialog.setProgramDirectorySource([blocked] { return blocked; });
    type(QStringLiteral("bob"), QStringLiteral("pw"));
    prompts.answers = {Answer::Ok};
    prompts.passwords = {"pw"};
    click("btEnter");
    ASSERT_EQ(prompts.log.size(), 4u);
    EXPECT_EQ(prompts.log[3], "error: Unable to write to " + SettingsFilePath(blocked).string());
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_FALSE(session.loggedIn());
}

TEST_F(LoginDialog, CharactersOutside1251AreRefusedAndNothingIsWritten) {
    type(QStringLiteral("bob\u6F22"), QStringLiteral("pw"));
    click("btNewUser");
    EXPECT_EQ(prompts.log, (std::vector<std::string>{
                               "inform: Имя пользователя содержит символ «\u6F22», которого нет в "
                               "кодировке Windows-1251.\rТакое имя нельзя сохранить."}));
    prompts.log.clear();
    type(QStringLiteral("bob"), QStringLiteral("p\U0001F600"));
    click("btEnter");
    EXPECT_EQ(prompts.log, (std::vector<std::string>{inform(kPasswordNot1251Message)}));
    EXPECT_FALSE(std::filesystem::exists(settings()));
    EXPECT_FALSE(session.loggedIn());
    EXPECT_TRUE(dialog.isVisible());
}

TEST_F(LoginDialog, CloseBoxAndExitEndTheProgramAskingAndSavingNothing) {
    dialog.close();
    EXPECT_EQ(programEnds, 1);
    EXPECT_TRUE(TfmUserPwd::programEndRequested());
    dialog.show();
    click("btExit");
    EXPECT_EQ(programEnds, 2);
    EXPECT_TRUE(prompts.log.empty());
    EXPECT_FALSE(std::filesystem::exists(settings()));
}

} // namespace
} // namespace vantrel
