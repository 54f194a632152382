#include "forms/qt_prompts.h"

#include "base/cp1251.h"
#include "session/file_commands.h"
#include "session/protection_command.h"
#include "support/qt_test_support.h"
#include "support/temp_folder.h"

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QFileDialog>
#include <QKeyEvent>
#include <QLibraryInfo>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <gtest/gtest.h>

#include <functional>

namespace vantrel {
namespace {

using Answer = Prompts::Answer;
using Buttons = Prompts::Buttons;

// What a message box showed.
struct Shown {
    QString title;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
};

// Qt's Russian translation is loaded, as the program loads it at start: the
// boxes must keep their English button texts all the same.
class QtPromptsTest : public ::testing::Test {
protected:
    QtPromptsTest() {
        loaded =
            russian.load(QLocale(QLocale::Russian), QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath));
        QCoreApplication::installTranslator(&russian);
    }
    ~QtPromptsTest() override { QCoreApplication::removeTranslator(&russian); }

    // Runs `show`, records the box it opens and closes it with `key`.
    Shown answerWith(int key, const std::function<void()>& show) {
        Shown shown;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            ASSERT_NE(box, nullptr);
            shown.title = box->windowTitle();
            shown.text = box->text();
            shown.icon = box->icon();
            for (QAbstractButton* button : box->buttons()) {
                shown.buttons << button->text();
            }
            shown.buttons.sort();
            test::SaveSnapshot(*box, QStringLiteral("message_box"));
            QTest::keyClick(box, static_cast<Qt::Key>(key));
        });
        show();
        return shown;
    }

    QTranslator russian;
    bool loaded = false;
    QtPrompts prompts;
};

TEST_F(QtPromptsTest, ConfirmationBoxesUnderTheRussianTranslation) {
    ASSERT_TRUE(loaded) << "qtbase_ru is part of the program's packages";
    ASSERT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "Отмена");
    const struct {
        Buttons buttons;
        QStringList texts;
        Answer enter;
        Answer escape;
    } cases[] = {
        {Buttons::OkCancel, {"Cancel", "OK"}, Answer::Ok, Answer::Cancel},
        {Buttons::YesNo, {"&No", "&Yes"}, Answer::Yes, Answer::No},
        {Buttons::YesNoCancel, {"&No", "&Yes", "Cancel"}, Answer::Yes, Answer::Cancel},
    };
    const std::string question =
        std::string(kDoubtfulFileQuestion[0]) + "/home/user/records.vtr" + kDoubtfulFileQuestion[1];
    for (const auto& c : cases) {
        for (const int key : {Qt::Key_Return, Qt::Key_Escape}) {
            Answer answer = Answer::No;
            const Shown shown =
                answerWith(key, [&] { answer = prompts.confirm(question, c.buttons); });
            EXPECT_EQ(shown.title, "Confirm");
            EXPECT_EQ(shown.text, QString::fromStdString(question).replace('\r', '\n'));
            EXPECT_EQ(shown.icon, QMessageBox::Question);
            EXPECT_EQ(shown.buttons, c.texts);
            EXPECT_EQ(answer, key == Qt::Key_Return ? c.enter : c.escape);
        }
    }
}

TEST_F(QtPromptsTest, ChangeOnDiskQuestionHasThreeRussianAnswersAndCancelsByDefault) {
    using DiskChange = Prompts::DiskChangeAnswer;
    const std::string question =
        std::string(kDiskChangedQuestion[0]) + "/home/user/records.vtr" + kDiskChangedQuestion[1];
    for (const int key : {Qt::Key_Return, Qt::Key_Escape}) {
        DiskChange answer = DiskChange::Reload;
        const Shown shown = answerWith(key, [&] { answer = prompts.askDiskChange(question); });
        EXPECT_EQ(shown.title, "Confirm");
        EXPECT_EQ(shown.icon, QMessageBox::Question);
        EXPECT_EQ(shown.buttons,
                  (QStringList{QString::fromUtf8(kCancelButton), QString::fromUtf8(kReloadButton),
                               QString::fromUtf8(kSaveCopyButton)}));
        EXPECT_EQ(answer, DiskChange::Cancel) << "nothing is lost by a key pressed by habit";
    }
    for (const auto& [button, expected] : {std::pair{"btReload", DiskChange::Reload},
                                           std::pair{"btSaveCopy", DiskChange::SaveCopy}}) {
        QTimer::singleShot(0, [name = button] {
            QApplication::activeModalWidget()
                ->findChild<QAbstractButton*>(QString::fromLatin1(name))
                ->click();
        });
        EXPECT_EQ(prompts.askDiskChange(question), expected);
    }
}

// The longest question of the program: all of it legible in one box.
TEST_F(QtPromptsTest, ProtectionExplanationFitsItsBox) {
    const std::string question = std::string(kProtectExplanation[0]) + "Иван" +
                                 kProtectExplanation[1] + kProtectExplanation[2] +
                                 "/home/user/records.vtr" + kProtectExplanation[3] +
                                 kProtectExplanation[4];
    QTimer::singleShot(0, [] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        const QScreen* screen = box->screen();
        EXPECT_LE(box->height(), screen->availableGeometry().height());
        test::SaveSnapshot(*box, QStringLiteral("protect_question"));
        QTest::keyClick(box, Qt::Key_Escape);
    });
    EXPECT_EQ(prompts.confirm(question, Buttons::OkCancel), Answer::Cancel);
}

TEST_F(QtPromptsTest, PlainQuestionAndErrorBoxes) {
    ASSERT_TRUE(loaded);
    Shown shown = answerWith(Qt::Key_Return, [&] { prompts.inform("Файл сохранен"); });
    EXPECT_EQ(shown.title, "Vantrel Lite");
    EXPECT_EQ(shown.icon, QMessageBox::NoIcon);
    EXPECT_EQ(shown.buttons, QStringList{"OK"});

    for (const int key : {Qt::Key_Return, Qt::Key_Escape}) {
        Answer answer = Answer::No;
        shown = answerWith(key, [&] { answer = prompts.ask("Создать?"); });
        EXPECT_EQ(shown.title, "");
        EXPECT_EQ(shown.icon, QMessageBox::NoIcon);
        EXPECT_EQ(shown.buttons, (QStringList{"Cancel", "OK"}));
        EXPECT_EQ(answer, key == Qt::Key_Return ? Answer::Ok : Answer::Cancel);
    }

    // The generic error box adds a full stop unless the last character has a
    // code of 0x2E or less.
    const struct {
        const char* error;
        const char* shown;
    } errors[] = {
        {"Ошибка", "Ошибка."}, {"Done.", "Done."}, {"(x)", "(x)"}, {"a/", "a/."}, {"", "."},
    };
    for (const auto& e : errors) {
        shown = answerWith(Qt::Key_Escape, [&] { prompts.showError(e.error); });
        EXPECT_EQ(shown.title, "Vantrel Lite");
        EXPECT_EQ(shown.icon, QMessageBox::Critical);
        EXPECT_EQ(shown.buttons, QStringList{"OK"});
        EXPECT_EQ(shown.text, QString::fromUtf8(e.shown));
    }
}

TEST_F(QtPromptsTest, PasswordQuestionRefusesCharactersOutside1251) {
    for (const int key : {Qt::Key_Return, Qt::Key_Escape}) {
        QString typed;
        QLineEdit::EchoMode echo = QLineEdit::Normal;
        QTimer::singleShot(0, [&] {
            QWidget* dialog = QApplication::activeModalWidget();
            ASSERT_NE(dialog, nullptr);
            auto* field = dialog->findChild<QLineEdit*>(QStringLiteral("edRepeatPwd"));
            ASSERT_NE(field, nullptr);
            for (const QChar typed : QStringLiteral("та\u6F22йна")) {
                QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, typed);
                QApplication::sendEvent(field, &press);
            }
            typed = field->text();
            echo = field->echoMode();
            test::SaveSnapshot(*dialog, QStringLiteral("repeat_password"));
            QTest::keyClick(field, static_cast<Qt::Key>(key));
        });
        const std::optional<SecretString> answer = prompts.askPassword("Повторите пароль:");
        EXPECT_EQ(typed, QStringLiteral("тайна"));
        EXPECT_EQ(echo, QLineEdit::Password);
        if (key == Qt::Key_Return) {
            ASSERT_TRUE(answer);
            EXPECT_EQ(answer->value(), Utf8ToCp1251("тайна"));
        } else {
            EXPECT_FALSE(answer);
        }
    }
}

// What a file dialog was opened with.
struct FileDialogSeen {
    QString name;
    QStringList filters;
    QString suffix;
    bool confirmsOverwrite = true;
};
// Has the next file dialog noted into `seen` and ended by its slot `close`.
void closeFileDialog(const char* close, FileDialogSeen& seen) {
    QTimer::singleShot(0, [&seen, close] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        seen = {dialog->objectName(), dialog->nameFilters(), dialog->defaultSuffix(),
                !dialog->testOption(QFileDialog::DontConfirmOverwrite)};
        QMetaObject::invokeMethod(dialog, close);
    });
}

TEST_F(QtPromptsTest, FileDialogs) {
    FileDialogSeen seen;
    closeFileDialog("reject", seen);
    EXPECT_FALSE(prompts.openFileName());
    EXPECT_EQ(seen.name, "odMain");
    EXPECT_EQ(seen.filters,
              (QStringList{"Файлы Vantrel (*.vtr)", "Текстовые файлы (*.txt)", "Все файлы (*)"}));
    EXPECT_EQ(seen.suffix, "vtr");
    // What "Все файлы" lets through, by the pattern it shows: a name without a dot too.
    test::TempFolder dir;
    test::WriteBytes(dir / "records", "no extension");
    test::WriteBytes(dir / "a.vtr", "");
    const QString all = seen.filters.value(2);
    const QString pattern = all.mid(all.indexOf('(') + 1).chopped(1);
    EXPECT_EQ(QDir(QString::fromStdString(dir.path().string()))
                  .entryList({pattern}, QDir::Files, QDir::Name),
              (QStringList{"a.vtr", "records"}));

    closeFileDialog("accept", seen);
    const auto saved = prompts.saveFileName({});
    EXPECT_EQ(seen.name, "sdMain");
    EXPECT_EQ(seen.filters, (QStringList{"Файлы Vantrel (*.vtr)", "текстовые файлы (*.txt)"}));
    EXPECT_EQ(seen.suffix, "vtr");
    EXPECT_FALSE(seen.confirmsOverwrite);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->filename(), "untitled.vtr")
        << "the name \"untitled\" with the default extension";
}

// The save dialog offers the suggested file; the type the user picks decides
// the extension a bare name gets.
TEST_F(QtPromptsTest, SaveDialogOffersTheSuggestionAndTheTypesExtension) {
    test::TempFolder dir;
    QString folder;
    QString offered;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        auto* type = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        ASSERT_TRUE(name != nullptr && type != nullptr);
        folder = dialog->directory().absolutePath();
        offered = name->text();
        test::SaveSnapshot(*dialog, QStringLiteral("save_dialog"));
        type->setFocus();
        QTest::keyClick(type, Qt::Key_Down);
        EXPECT_EQ(type->currentText(), "текстовые файлы (*.txt)");
        name->setText(QStringLiteral("export"));
        QMetaObject::invokeMethod(dialog, "accept");
    });
    const auto chosen = prompts.saveFileName(dir / "records.vtr");
    EXPECT_EQ(folder.toStdString(), dir.path().string());
    EXPECT_EQ(offered, "records.vtr");
    EXPECT_EQ(chosen, dir / "export.txt");
}

} // namespace
} // namespace vantrel
