#include "forms/date_edit.h"

#include "support/qt_test_support.h"
#include "support/scripted_prompts.h"

#include <QClipboard>
#include <QDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <memory>

namespace vantrel {
namespace {

using test::ScriptedPrompts;

const std::string kInvalidInputError =
    "error: Invalid input value.  Use escape key to abandon changes";

// A window with a date field, a plain edit to move the focus to and a button.
class DateEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_ = std::make_unique<QWidget>();
        auto* layout = new QHBoxLayout(window_.get());
        field_ = new DateEdit(prompts_, window_.get());
        other_ = new QLineEdit(window_.get());
        button_ = new QPushButton(QStringLiteral("Другое"), window_.get());
        layout->addWidget(field_);
        layout->addWidget(other_);
        layout->addWidget(button_);
        window_->show();
        window_->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
        other_->setFocus(Qt::TabFocusReason);
    }

    void focusField() {
        field_->setFocus(Qt::TabFocusReason);
        ASSERT_TRUE(field_->hasFocus());
    }
    void leaveField() {
        other_->setFocus(Qt::TabFocusReason);
        QApplication::processEvents();
    }
    void type(const char* keys, int caret) {
        field_->setCursorPosition(caret);
        QTest::keyClicks(field_, QString::fromLatin1(keys));
    }

    ScriptedPrompts prompts_;
    std::unique_ptr<QWidget> window_;
    DateEdit* field_ = nullptr;
    QLineEdit* other_ = nullptr;
    QPushButton* button_ = nullptr;
};

TEST_F(DateEditTest, TextsAreFittedIntoTheField) {
    EXPECT_EQ(field_->dateText(), "  .  .  ");
    field_->setDateText("7.12.26");
    EXPECT_EQ(field_->dateText(), " 7.12.26");
    field_->setDateText("07.12.2026");
    EXPECT_EQ(field_->dateText(), "07.12.26");
    field_->setDateText(".  .");
    EXPECT_EQ(field_->dateText(), "  .  .  ");
    EXPECT_EQ(field_->text(), QStringLiteral("  .  .  "));
}

TEST_F(DateEditTest, EmptyPlacesShowAsUnderscoresOnlyWhileEditing) {
    field_->setDateText(" 7.12.  ");
    focusField();
    EXPECT_EQ(field_->text(), QStringLiteral("_7.12.__"));
    EXPECT_EQ(field_->dateText(), " 7.12.  ");
    type("26", 6);
    EXPECT_EQ(field_->text(), QStringLiteral("_7.12.26"));
    test::SaveSnapshot(*window_, QStringLiteral("date_field_editing"));
    leaveField();
    EXPECT_EQ(field_->text(), QStringLiteral(" 7.12.26"));
    EXPECT_EQ(field_->dateText(), " 7.12.26");
}

TEST_F(DateEditTest, OnlyDigitsGoIntoThePlaces) {
    focusField();
    type("1a 2-0/7x2.6", 0);
    EXPECT_EQ(field_->dateText(), "12.07.26");
    // Backspace and Delete blank places; the separators stay.
    field_->setCursorPosition(3);
    QTest::keyClick(field_, Qt::Key_Backspace);
    EXPECT_EQ(field_->dateText(), "1 .07.26");
    EXPECT_EQ(field_->cursorPosition(), 1);
    field_->setCursorPosition(2);
    QTest::keyClick(field_, Qt::Key_Delete);
    EXPECT_EQ(field_->dateText(), "1 . 7.26");
    // Keys the line edit would use to change the text change nothing here.
    field_->setCursorPosition(8);
    QTest::keyClick(field_, Qt::Key_Backspace, Qt::ControlModifier);
    QTest::keyClick(field_, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(field_->dateText(), "1 . 7.26");
    // Typing over a selection blanks it first.
    field_->setSelection(0, 5);
    QTest::keyClicks(field_, QStringLiteral("3"));
    EXPECT_EQ(field_->dateText(), "3 .  .26");
}

TEST_F(DateEditTest, PasteTakesDigitsOrAWholeDate) {
    focusField();
    QApplication::clipboard()->setText(QStringLiteral("07.12.2026"));
    QTest::keyClick(field_, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field_->dateText(), "07.12.26");

    QApplication::clipboard()->setText(QStringLiteral("3108"));
    field_->setCursorPosition(0);
    QTest::keyClick(field_, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field_->dateText(), "31.08.26");

    // A clipboard without text leaves the field as it is, selection included.
    QApplication::clipboard()->clear();
    field_->selectAll();
    QTest::keyClick(field_, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(field_->dateText(), "31.08.26");

    // Copy gives the field's text with blanks, not the drawn underscores.
    field_->setDateText(" 1.  .26");
    field_->selectAll();
    QTest::keyClick(field_, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral(" 1.  .26"));
}

TEST_F(DateEditTest, EscRestoresTheTextFromWhenTheFieldGotTheFocus) {
    field_->setDateText("01.02.03");
    focusField();
    type("1", 6);
    type("99", 0);
    EXPECT_EQ(field_->dateText(), "99.02.13");
    QTest::keyClick(field_, Qt::Key_Escape);
    EXPECT_EQ(field_->dateText(), "01.02.03");
    EXPECT_FALSE(field_->changedSinceFocus());
}

TEST_F(DateEditTest, LeavingAChangedFieldWithAnEmptyRequiredPlaceIsRefused) {
    focusField();
    type("12", 0);
    leaveField();
    ASSERT_EQ(prompts_.log, std::vector<std::string>{kInvalidInputError});
    EXPECT_TRUE(field_->hasFocus());
    EXPECT_EQ(field_->cursorPosition(), 4); // the month's required place
    EXPECT_EQ(field_->dateText(), "12.  .  ");

    // Esc brings back the text from before the first focus; now it may be left.
    QTest::keyClick(field_, Qt::Key_Escape);
    EXPECT_EQ(field_->dateText(), "  .  .  ");
    leaveField();
    EXPECT_TRUE(other_->hasFocus());
    EXPECT_EQ(prompts_.log.size(), 1u);
}

// An error box that is a real window: it takes the focus while it is open.
class ModalErrorPrompts : public ScriptedPrompts {
public:
    void showError(const std::string& text) override {
        ScriptedPrompts::showError(text);
        QDialog box;
        QTimer::singleShot(0, &box, &QDialog::accept);
        box.exec();
    }
};

TEST(DateEditPair, TheOtherFieldShowsItsTextAfterTheErrorOfTheFirst) {
    ModalErrorPrompts prompts;
    QWidget window;
    auto* layout = new QHBoxLayout(&window);
    auto* first = new DateEdit(prompts, &window);
    auto* second = new DateEdit(prompts, &window);
    layout->addWidget(first);
    layout->addWidget(second);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    first->setFocus(Qt::TabFocusReason);
    first->setCursorPosition(0);
    QTest::keyClicks(first, QStringLiteral("12"));
    QTest::keyClick(first, Qt::Key_Tab); // the error box opens while Tab moves on
    ASSERT_TRUE(QTest::qWaitFor([&] { return !prompts.log.empty(); }));
    window.activateWindow(); // what the window system does when the box closes
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_TRUE(first->hasFocus());
    EXPECT_EQ(second->text(), QStringLiteral("  .  .  ")) << "not the editing \"__.__.__\"";
    EXPECT_EQ(first->text(), QStringLiteral("12.__.__"));
}

TEST_F(DateEditTest, UnchangedFieldsAndFullPlacesAreNeverTested) {
    // An untouched field, and a partly filled one that was not changed.
    focusField();
    leaveField();
    field_->setDateText("7 .12.26");
    focusField();
    type("7", 0); // the same digit again: the text does not change
    leaveField();
    EXPECT_TRUE(prompts_.log.empty());
    EXPECT_TRUE(other_->hasFocus());

    // Only the places are tested, not the date: 99.99.99 is accepted.
    field_->setDateText("  .  .  ");
    focusField();
    type("999999", 0);
    leaveField();
    EXPECT_TRUE(prompts_.log.empty());
    EXPECT_EQ(field_->dateText(), "99.99.99");
    // Optional first places may stay empty.
    focusField();
    field_->selectAll();
    QTest::keyClick(field_, Qt::Key_Delete);
    type("7", 1);
    type("1", 4);
    type("26", 6);
    leaveField();
    EXPECT_TRUE(prompts_.log.empty());
    EXPECT_EQ(field_->dateText(), " 7. 1.26");
}

TEST_F(DateEditTest, EnterTestsAChangedField) {
    focusField();
    type("1231", 0);
    QTest::keyClick(field_, Qt::Key_Return);
    ASSERT_EQ(prompts_.log, std::vector<std::string>{kInvalidInputError});
    EXPECT_EQ(field_->cursorPosition(), 6);
    type("26", 6);
    QTest::keyClick(field_, Qt::Key_Return);
    EXPECT_EQ(prompts_.log.size(), 1u);
}

TEST_F(DateEditTest, ClickThatTriesToLeaveAnInvalidFieldDoesNotReachItsButton) {
    QSignalSpy clicks(button_, &QPushButton::clicked);
    focusField();
    type("1", 6);
    QTest::mouseClick(button_, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(clicks.count(), 0);
    EXPECT_EQ(prompts_.log, std::vector<std::string>{kInvalidInputError});
    EXPECT_TRUE(field_->hasFocus());
    EXPECT_EQ(field_->cursorPosition(), 1);
    // Once the field is fine the button works again.
    QTest::keyClick(field_, Qt::Key_Escape);
    QTest::mouseClick(button_, Qt::LeftButton);
    EXPECT_EQ(clicks.count(), 1);
}

TEST_F(DateEditTest, ButtonAndAltDownAskForTheCalendar) {
    QSignalSpy requests(field_, &DateEdit::buttonClicked);
    focusField();
    QTest::keyClick(field_, Qt::Key_Down, Qt::AltModifier);
    EXPECT_EQ(requests.count(), 1);
    auto* button = field_->findChild<QToolButton*>();
    ASSERT_NE(button, nullptr);
    EXPECT_FALSE(button->icon().isNull());
    EXPECT_TRUE(button->toolTip().isEmpty());
    button->click();
    EXPECT_EQ(requests.count(), 2);
}

} // namespace
} // namespace vantrel
