#include "forms/record_edit.h"

#include "forms/calendar_dialog.h"
#include "forms/clipboard_guard.h"
#include "forms/date_edit.h"
#include "forms/strength_meter.h"
#include "forms/wizard.h"
#include "generator/password_generator.h"
#include "support/qt_test_support.h"
#include "support/scripted_prompts.h"

#include <QAccessible>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStatusBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <algorithm>
#include <memory>

namespace vantrel {
namespace {

using test::ScriptedPrompts;

Record record(std::string number, std::vector<std::string> fields) {
    return Record{std::move(number), std::move(fields)};
}

class RecordEditTest : public ::testing::Test {
protected:
    // Creates the editor as the main window does; show() runs FormShow.
    TfmRecordEdit& open(std::optional<RecordId> edited = std::nullopt) {
        editor_ = std::make_unique<TfmRecordEdit>(session_, prompts_, edited);
        editor_->setWindowTitle(QStringLiteral("Новая запись"));
        editor_->show();
        return *editor_;
    }
    template <typename T> T* child(const char* name) const {
        T* widget = editor_->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    void click(const char* name) {
        QTest::mouseClick(child<QAbstractButton>(name), Qt::LeftButton);
    }
    // A check box reacts to clicks on its box and caption, not on the empty rest.
    void tick(const char* name) {
        auto* box = child<QCheckBox>(name);
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
    }
    QString text(const char* comboName) const { return child<QComboBox>(comboName)->currentText(); }
    void setText(const char* comboName, const QString& value) {
        child<QComboBox>(comboName)->setEditText(value);
    }
    QStringList items(const char* comboName) const {
        QStringList list;
        auto* box = child<QComboBox>(comboName);
        for (int i = 0; i < box->count(); ++i) {
            list << box->itemText(i);
        }
        return list;
    }
    void pressOk() {
        click("btOk");
        EXPECT_EQ(editor_->result(), QDialog::Accepted);
        EXPECT_FALSE(editor_->isVisible());
    }

    Session session_;
    ScriptedPrompts prompts_;
    std::unique_ptr<TfmRecordEdit> editor_;
};

TEST_F(RecordEditTest, NewRecordsTakeTheNextIntegerNumber) {
    struct Case {
        std::vector<std::string> numbers;
        std::string expected;
    };
    const Case cases[] = {{{}, "1"}, {{"1", "2", "7"}, "8"}, {{"a", "3"}, "4"}, {{"a", "b"}, "1"}};
    for (const Case& c : cases) {
        RecordList records;
        for (const std::string& number : c.numbers) {
            records.push_back(record(number, {"n", "p", "r", "  .  .  ", "  .  .  ", " "}));
        }
        session_.replaceAll(std::move(records));
        session_.setModified(false);
        open();
        setText("cbName", QStringLiteral("Новое имя"));
        pressOk();
        ASSERT_EQ(session_.size(), c.numbers.size() + 1);
        EXPECT_EQ(session_.records().back().number, c.expected);
        EXPECT_EQ(session_.records().back().fields,
                  (std::vector<std::string>{"\xcd\xee\xe2\xee\xe5 \xe8\xec\xff", "", "", "  .  .  ",
                                            "  .  .  ", " "}));
        EXPECT_TRUE(session_.modified());
    }
}

TEST_F(RecordEditTest, EditReplacesTheSelectedRecordsSixFields) {
    session_.replaceAll({record("1", {"a", "b", "c", "  .  .  ", "  .  .  ", " "}),
                         record("5", {"old"}), // fewer fields, as a hand-made file may give
                         record("9", {"x"})});
    open(session_.idAt(1));
    EXPECT_EQ(text("cbName"), QStringLiteral("old"));
    EXPECT_EQ(text("cbPwd"), QString());
    EXPECT_EQ(child<DateEdit>("ceStartDate")->dateText(), "  .  .  ");
    EXPECT_EQ(child<QLineEdit>("edNote")->text(), QString());
    setText("cbPwd", QStringLiteral("secret"));
    child<DateEdit>("ceEndDate")->setDateText("7.12.26");
    pressOk();
    EXPECT_EQ(session_.records(),
              (RecordList{record("1", {"a", "b", "c", "  .  .  ", "  .  .  ", " "}),
                          record("5", {"old", "secret", "", "  .  .  ", " 7.12.26", " "}),
                          record("9", {"x"})}));
    EXPECT_TRUE(session_.modified());
}

TEST_F(RecordEditTest, EmptyNoteIsStoredAsABlankAndShownAsOne) {
    open();
    pressOk();
    ASSERT_EQ(session_.size(), 1u);
    EXPECT_EQ(session_.records()[0].fields[kFieldNote], " ");
    open(session_.idAt(0));
    EXPECT_EQ(child<QLineEdit>("edNote")->text(), QStringLiteral(" "));
}

TEST_F(RecordEditTest, CancelAndTheCloseBoxWriteNoRecord) {
    session_.replaceAll({record("1", {"a"})});
    open();
    setText("cbName", QStringLiteral("typed"));
    click("btCancel");
    EXPECT_FALSE(editor_->isVisible());
    EXPECT_EQ(editor_->result(), QDialog::Rejected);
    open();
    setText("cbName", QStringLiteral("typed"));
    editor_->close();
    EXPECT_FALSE(editor_->isVisible());
    EXPECT_EQ(session_.records(), (RecordList{record("1", {"a"})}));
    EXPECT_FALSE(session_.modified());
}

TEST_F(RecordEditTest, ExecReturnsAcceptedAfterOk) {
    TfmRecordEdit editor(session_, prompts_, std::nullopt);
    QTimer::singleShot(0, &editor, [&editor] {
        QTest::mouseClick(editor.findChild<QPushButton*>(QStringLiteral("btOk")), Qt::LeftButton);
    });
    EXPECT_EQ(editor.exec(), QDialog::Accepted);
    EXPECT_EQ(session_.size(), 1u);
}

TEST_F(RecordEditTest, CharacterOutside1251IsRefusedAndNothingIsWritten) {
    open();
    setText("cbPwd", QStringLiteral("pass\U0001F600"));
    click("btOk");
    ASSERT_EQ(prompts_.log.size(), 1u);
    EXPECT_EQ(prompts_.log[0], "error: Пароль: Символ \"\U0001F600\" (U+1F600) в позиции 5 "
                               "нельзя сохранить в кодировке Windows-1251");
    EXPECT_TRUE(editor_->isVisible());
    EXPECT_EQ(session_.size(), 0u);
    EXPECT_FALSE(session_.modified());
}

TEST_F(RecordEditTest, DropDownListsHoldEachTextOnceSorted) {
    session_.replaceAll({
        record("1", {" ", "", " ", "", "", ""}), // a blank name first contributes nothing
        record("2", {"Alice", "p1", "site"}),
        record("3", {"Alice", "", "site"}),
        record("4", {"alice", " ", "other"}),
        record("5", {"", "p0", "mail"}), // an empty name still gives its password and resource
        record("6", {}),
        record("7", {"Zed", "typed"}),
    });
    open(session_.idAt(6));
    const QStringList names = items("cbName");
    EXPECT_EQ(names.size(), 3);
    for (const char* name : {"Alice", "alice", "Zed"}) {
        EXPECT_TRUE(names.contains(QString::fromLatin1(name))) << name;
    }
    EXPECT_EQ(items("cbPwd"), (QStringList{"p0", "p1", "typed"}));
    EXPECT_EQ(items("cbresurs"), (QStringList{"mail", "other", "site"}));
    // Filling the lists leaves the fields' texts alone.
    EXPECT_EQ(text("cbName"), QStringLiteral("Zed"));
    EXPECT_EQ(text("cbPwd"), QStringLiteral("typed"));
    EXPECT_EQ(text("cbresurs"), QString());
    // Nothing typed goes into a list, not even with Enter.
    auto* name = child<QComboBox>("cbName");
    name->setFocus();
    name->lineEdit()->selectAll();
    QTest::keyClicks(name, QStringLiteral("Bob"));
    QTest::keyClick(name, Qt::Key_Return);
    EXPECT_EQ(items("cbName").size(), 3);
    EXPECT_EQ(text("cbName"), QStringLiteral("Bob"));
    EXPECT_TRUE(editor_->isVisible());
}

TEST_F(RecordEditTest, LengthBoxesKeepTheMinimumAtOrBelowTheMaximum) {
    session_.generatorOptions().MinPwd = 6;
    session_.generatorOptions().MaxPwd = 10;
    open();
    auto* minimum = child<QSpinBox>("edMinPwd");
    auto* maximum = child<QSpinBox>("edMaxPwd");
    EXPECT_EQ(minimum->value(), 6);
    EXPECT_EQ(maximum->value(), 10);
    minimum->setFocus();
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(minimum, Qt::Key_Up);
    }
    EXPECT_EQ(minimum->value(), 11);
    EXPECT_EQ(maximum->value(), 11);
    // Back to 6 / 6, then the maximum down to 5 pulls the minimum along.
    minimum->stepBy(-5);
    maximum->stepBy(-5);
    EXPECT_EQ(minimum->value(), 6);
    EXPECT_EQ(maximum->value(), 6);
    maximum->setFocus();
    QTest::keyClick(maximum, Qt::Key_Down);
    EXPECT_EQ(minimum->value(), 5);
    EXPECT_EQ(maximum->value(), 5);
    // Typing does not change a box.
    QTest::keyClicks(maximum, QStringLiteral("9"));
    QTest::keyClick(maximum, Qt::Key_Backspace);
    EXPECT_EQ(maximum->value(), 5);
    click("btCancel");
    EXPECT_EQ(session_.generatorOptions().MinPwd, 5);
    EXPECT_EQ(session_.generatorOptions().MaxPwd, 5);
    // The next editor starts from them.
    open();
    EXPECT_EQ(child<QSpinBox>("edMinPwd")->value(), 5);
    EXPECT_EQ(child<QSpinBox>("edMaxPwd")->value(), 5);
}

TEST_F(RecordEditTest, LengthsOutsideTheBoxesComeToTheNearerBound) {
    const std::pair<std::int32_t, std::int32_t> stored[] = {{250, 250}, {-3, 0}, {0, 250}};
    const std::pair<int, int> shown[] = {{100, 100}, {1, 1}, {1, 100}};
    for (std::size_t i = 0; i < std::size(stored); ++i) {
        session_.generatorOptions().MinPwd = stored[i].first;
        session_.generatorOptions().MaxPwd = stored[i].second;
        open();
        auto* minimum = child<QSpinBox>("edMinPwd");
        auto* maximum = child<QSpinBox>("edMaxPwd");
        EXPECT_EQ(minimum->value(), shown[i].first) << i;
        EXPECT_EQ(maximum->value(), shown[i].second) << i;
        // No wrapping at the ends.
        maximum->stepBy(1000);
        minimum->stepBy(-1000);
        EXPECT_EQ(maximum->value(), 100);
        EXPECT_EQ(minimum->value(), 1);
        editor_->close();
    }
    EXPECT_EQ(session_.generatorOptions().MinPwd, 1);
    EXPECT_EQ(session_.generatorOptions().MaxPwd, 100);
}

TEST_F(RecordEditTest, OptionBoxesWriteTheirFlagsAndSurviveCancel) {
    session_.generatorOptions().Right = true;
    open();
    auto* right = child<QCheckBox>("cbRight");
    EXPECT_TRUE(right->isChecked());
    EXPECT_FALSE(right->isEnabled());
    child<QTabWidget>("pcMain")->setCurrentIndex(1);
    tick("cbDigit");
    EXPECT_TRUE(session_.generatorOptions().Digit) << "stored at once";
    tick("cbDouble");
    click("btCancel");
    EXPECT_TRUE(session_.generatorOptions().Digit);
    EXPECT_TRUE(session_.generatorOptions().Double);
    EXPECT_TRUE(session_.generatorOptions().Right);
    EXPECT_FALSE(session_.generatorOptions().BigChar);
    // The next editor shows them ticked.
    open();
    EXPECT_TRUE(child<QCheckBox>("cbDigit")->isChecked());
    EXPECT_TRUE(child<QCheckBox>("cbDouble")->isChecked());
    EXPECT_FALSE(child<QCheckBox>("cbSign")->isChecked());
}

TEST_F(RecordEditTest, ShowingPutsTheMainTabInFrontAndTheSetsIntoTheCaptions) {
    open();
    EXPECT_EQ(child<QTabWidget>("pcMain")->currentWidget(), child<QWidget>("tsMain"));
    EXPECT_EQ(editor_->focusWidget(), child<QComboBox>("cbName"));
    EXPECT_EQ(child<QCheckBox>("cbBigChar")->text(), QStringLiteral("ABCDEFGHJKLMNPQRSTUVWXYZ"));
    EXPECT_EQ(child<QCheckBox>("cbSmallChar")->text(), QStringLiteral("abcdefghijkmnpqrstuvwxyz"));
    EXPECT_EQ(child<QCheckBox>("cbDigit")->text(), QStringLiteral("23456789"));
    // "&" is doubled so that the caption shows it instead of a mnemonic.
    EXPECT_EQ(child<QCheckBox>("cbSign")->text(), QStringLiteral("#%&&()=@{[]}+#;-~.,"));
    EXPECT_EQ(child<QPushButton>("btOk")->text(), QStringLiteral("&Ok"));
    EXPECT_EQ(child<QPushButton>("btCancel")->text(), QStringLiteral("&Отмена"));
    EXPECT_FALSE(child<QPushButton>("btOk")->autoDefault());
    EXPECT_FALSE(child<QPushButton>("btCancel")->autoDefault());
    EXPECT_EQ(child<DateEdit>("ceStartDate")->dateText(), "  .  .  ");

    // Focus order of the main tab.
    const char* order[] = {"cbName", "cbPwd", "cbresurs", "ceStartDate", "ceEndDate", "edNote"};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i) {
        QWidget* from = child<QWidget>(order[i]);
        QWidget* next = from->nextInFocusChain();
        while (next->focusProxy() != nullptr || next->focusPolicy() == Qt::NoFocus ||
               next->parentWidget() == from) {
            next = next->nextInFocusChain();
        }
        EXPECT_EQ(next, child<QWidget>(order[i + 1])) << order[i];
    }

    test::SaveSnapshot(*editor_, QStringLiteral("record_edit_main"));
    child<QTabWidget>("pcMain")->setCurrentIndex(1);
    test::SaveSnapshot(*editor_, QStringLiteral("record_edit_generator"));
}

TEST_F(RecordEditTest, EnterAndEscCloseNothing) {
    open();
    auto* name = child<QComboBox>("cbName");
    name->setFocus();
    for (Qt::Key key : {Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape}) {
        QTest::keyClick(name, key);
        QTest::keyClick(child<QLineEdit>("edNote"), key);
        QTest::keyClick(editor_.get(), key);
    }
    EXPECT_TRUE(editor_->isVisible());
    EXPECT_EQ(session_.size(), 0u);
}

TEST_F(RecordEditTest, GenerateWithoutAnySetShowsTheMessageAndEmptiesTheField) {
    open();
    setText("cbName", QStringLiteral("old name"));
    click("btName");
    EXPECT_EQ(prompts_.log, std::vector<std::string>{"inform: " + std::string(kEmptyPoolMessage)});
    EXPECT_EQ(child<QTabWidget>("pcMain")->currentWidget(), child<QWidget>("tsGenSettings"));
    EXPECT_EQ(text("cbName"), QString());
    EXPECT_TRUE(editor_->isVisible());
}

TEST_F(RecordEditTest, GenerateUsesTheTickedSetsAndTheShownLengths) {
    session_.generatorOptions().MinPwd = 8;
    session_.generatorOptions().MaxPwd = 8;
    open();
    child<QCheckBox>("cbDigit")->setChecked(true);
    click("btPwd");
    std::string generated = text("cbPwd").toStdString();
    std::sort(generated.begin(), generated.end());
    EXPECT_EQ(generated, "23456789"); // each digit once: repeats are off
    child<QSpinBox>("edMaxPwd")->setValue(12);
    child<QCheckBox>("cbDigit")->setChecked(false);
    child<QCheckBox>("cbBigChar")->setChecked(true);
    click("btName");
    const QString name = text("cbName");
    EXPECT_GE(name.size(), 8);
    EXPECT_LE(name.size(), 12);
    for (QChar c : name) {
        EXPECT_NE(kCapitalLetters.find(static_cast<char>(c.unicode())), std::string_view::npos);
    }
    EXPECT_TRUE(prompts_.log.empty());
}

TEST_F(RecordEditTest, StrengthMeterFollowsTypingGenerateAndPaste) {
    session_.generatorOptions().MinPwd = 12;
    session_.generatorOptions().MaxPwd = 12;
    open();
    auto* meter = child<StrengthMeter>("pnStrength");
    EXPECT_EQ(meter->verdictText(), QStringLiteral("Пароль не задан"));
    QTest::keyClicks(child<QComboBox>("cbPwd")->lineEdit(), QStringLiteral("qwerty"));
    EXPECT_TRUE(meter->verdictText().startsWith(QStringLiteral("Очень слабый, ")))
        << meter->verdictText().toStdString();

    for (const char* set : {"cbBigChar", "cbSmallChar", "cbDigit", "cbSign"}) {
        child<QCheckBox>(set)->setChecked(true);
    }
    click("btPwd");
    EXPECT_TRUE(meter->verdictText().startsWith(QStringLiteral("Хороший, ")) ||
                meter->verdictText().startsWith(QStringLiteral("Отличный, ")))
        << text("cbPwd").toStdString() << ": " << meter->verdictText().toStdString();

    QApplication::clipboard()->setText(QStringLiteral("Brzeszczot1"));
    click("btnPastePwd");
    const int pasted = meter->barValue();
    EXPECT_LT(pasted, 60);
    // The resource is a word the user is likely to reuse: the estimate drops.
    setText("cbresurs", QStringLiteral("brzeszczot.pl"));
    EXPECT_LT(meter->barValue(), pasted - 10);
    test::SaveSnapshot(*editor_, QStringLiteral("record_edit_strength"));
}

TEST_F(RecordEditTest, CopyAndPasteUseTheClipboardText) {
    open();
    QClipboard* clipboard = QApplication::clipboard();
    clipboard->setText(QStringLiteral("before"));
    click("btCopyName"); // empty field
    EXPECT_EQ(clipboard->text(), QStringLiteral("before"));
    setText("cbPwd", QStringLiteral("s3cret"));
    click("btCopyPwd");
    EXPECT_EQ(clipboard->text(), QStringLiteral("s3cret"));
    EXPECT_EQ(clipboard->mimeData()->data(ClipboardGuard::kHintFormat), "secret");
    EXPECT_GT(ClipboardGuard::instance().secondsLeft(), 0) << "the copy will be cleared";
    EXPECT_EQ(editor_->focusWidget(), child<QComboBox>("cbPwd"));

    click("btnPasteResurs");
    EXPECT_EQ(text("cbresurs"), QStringLiteral("s3cret"));
    clipboard->clear();
    click("btnPasteResurs");
    EXPECT_EQ(text("cbresurs"), QStringLiteral("s3cret"));
    // A field is one line of text in the record file: pasted line breaks and
    // other control characters are dropped, TAB stays.
    clipboard->setText(QStringLiteral("site\x1b.ex\tample\r\n"));
    click("btPasteName");
    EXPECT_EQ(text("cbName"), QStringLiteral("site.ex\tample"));
    auto* note = child<QLineEdit>("edNote");
    note->setFocus();
    clipboard->setText(QStringLiteral("one\ntwo"));
    QTest::keyClick(note, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(note->text(), QStringLiteral("onetwo"));
}

TEST_F(RecordEditTest, HintsGoToTheStatusBarAndTooltipsOnlyToTheSmallButtons) {
    open();
    auto* status = child<QStatusBar>("sbMain");
    const auto enter = [&](const char* name) {
        QEvent event(QEvent::Enter);
        QApplication::sendEvent(child<QWidget>(name), &event);
        return status->currentMessage();
    };
    EXPECT_EQ(enter("btCopyName"), QStringLiteral("Копировать имя в буфер"));
    EXPECT_EQ(enter("btPwd"), QStringLiteral("Нажмите для генерации пароля"));
    EXPECT_EQ(enter("cbBigChar"), QStringLiteral("Заглавны латинские"));
    EXPECT_EQ(enter("cbRight"), // disabled, still shown
              QStringLiteral("Свойство работает, но отключено в данной компиляции"));
    EXPECT_EQ(enter("edMinPwd"), // from the enclosing group
              QStringLiteral("Здесь можно выбрать количество символов в генерируемой строке"));
    EXPECT_EQ(enter("cbName"), QString());
    enter("btCopyPwd");
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(child<QWidget>("cbSign"), &leave);
    EXPECT_EQ(status->currentMessage(), QStringLiteral("Здесь можно выбрать набор символов"));

    EXPECT_EQ(child<QWidget>("btName")->toolTip(), QStringLiteral("Нажмите для генерации имени"));
    EXPECT_EQ(child<QWidget>("btnPastePwd")->toolTip(), QStringLiteral("Вставить"));
    for (const char* name : {"cbBigChar", "cbRight", "gbCharset", "cbName", "ceStartDate"}) {
        EXPECT_TRUE(child<QWidget>(name)->toolTip().isEmpty()) << name;
    }
}

// Every field is named by its label for assistive technology; no name anywhere
// in the window reads out what a field holds.
TEST_F(RecordEditTest, FieldsAreNamedByTheirLabelsNeverByTheirContent) {
    open(session_.add(record("1", {"alice", "s3cret", "site.example", "", "", "memo"})));
    const auto name = [](QObject* object) {
        return QAccessible::queryAccessibleInterface(object)->text(QAccessible::Name);
    };
    const std::pair<const char*, const char*> fields[] = {
        {"cbName", "Имя"},
        {"cbPwd", "Пароль"},
        {"cbresurs", "Ресурс"},
        {"ceStartDate", "Начало действия"},
        {"ceEndDate", "Окончание действия"},
        {"edNote", "Примечание"},
        {"cbBigChar", "Заглавные латинские буквы"},
        {"edMinPwd", "Количество символов от"},
        {"edMaxPwd", "Количество символов до"},
    };
    for (const auto& [field, expected] : fields) {
        EXPECT_EQ(name(child<QWidget>(field)), QString::fromUtf8(expected)) << field;
    }
    EXPECT_EQ(name(child<QComboBox>("cbPwd")->lineEdit()), QStringLiteral("Пароль"));
    EXPECT_EQ(
        QAccessible::queryAccessibleInterface(child<QComboBox>("cbPwd"))->text(QAccessible::Value),
        QStringLiteral("s3cret"));

    std::vector<QAccessibleInterface*> pending{
        QAccessible::queryAccessibleInterface(editor_.get())};
    int visited = 0;
    while (!pending.empty()) {
        QAccessibleInterface* node = pending.back();
        pending.pop_back();
        ++visited;
        const QString text = node->text(QAccessible::Name);
        for (const char* content : {"alice", "s3cret", "site.example", "memo"}) {
            EXPECT_FALSE(text.contains(QString::fromLatin1(content))) << content;
        }
        for (int i = 0; i < node->childCount(); ++i) {
            if (QAccessibleInterface* next = node->child(i)) {
                pending.push_back(next);
            }
        }
    }
    EXPECT_GT(visited, 30);
}

TEST_F(RecordEditTest, DateFieldsKeepTheirTextsAsTheyStand) {
    open(session_.add(record("1", {"n", "p", "r", "7.12.26", "12.  .  ", " "})));
    EXPECT_EQ(child<DateEdit>("ceStartDate")->dateText(), " 7.12.26");
    EXPECT_EQ(child<DateEdit>("ceEndDate")->dateText(), "12.  .  ");
    pressOk();
    EXPECT_EQ(session_.records()[0].fields[kFieldStartDate], " 7.12.26");
    EXPECT_EQ(session_.records()[0].fields[kFieldEndDate], "12.  .  ");
}

TEST(WizardTest, WindowAsDrawnAndBothDateButtonsActOnTheEndDate) {
    TfmWizard wizard;
    EXPECT_EQ(wizard.windowTitle(), QStringLiteral("fmWizard"));
    auto* pages = wizard.findChild<QTabWidget*>();
    ASSERT_NE(pages, nullptr);
    ASSERT_EQ(pages->count(), 4);
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(pages->tabText(i), QStringLiteral("TabSheet%1").arg(i + 1));
    }
    EXPECT_EQ(wizard.findChild<QPlainTextEdit*>()->toPlainText(), QStringLiteral("Memo1"));
    for (const char* name : {"btSave", "btPrev", "btNext", "btClose"}) {
        auto* button = wizard.findChild<QPushButton*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->text(), QString::fromLatin1(name));
    }
    auto* start = wizard.findChild<DateEdit*>(QStringLiteral("ceStartDate"));
    auto* end = wizard.findChild<DateEdit*>(QStringLiteral("ceEndDate"));
    ASSERT_NE(start, nullptr);
    ASSERT_NE(end, nullptr);
    EXPECT_EQ(start->dateText(), "  .  .  ");
    wizard.show();
    test::SaveSnapshot(wizard, QStringLiteral("wizard"));

    end->setDateText("31.12.26");
    std::vector<std::chrono::year_month_day> opened;
    for (DateEdit* field : {start, end}) {
        QTimer::singleShot(0, [&opened] {
            auto* dialog = qobject_cast<CalendarDialog*>(QApplication::activeModalWidget());
            ASSERT_NE(dialog, nullptr);
            opened.push_back(dialog->date());
            dialog->step(CalendarStep::NextDay);
            dialog->accept();
        });
        emit field->buttonClicked();
    }
    using namespace std::chrono;
    EXPECT_EQ(opened, (std::vector<year_month_day>{year(2026) / 12 / 31, year(2027) / 1 / 1}));
    EXPECT_EQ(start->dateText(), "  .  .  ");
    EXPECT_EQ(end->dateText(), "02.01.27");
}

} // namespace
} // namespace vantrel
