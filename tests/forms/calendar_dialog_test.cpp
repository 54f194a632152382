#include "forms/calendar_dialog.h"

#include "forms/date_edit.h"
#include "session/date_text.h"
#include "support/qt_test_support.h"
#include "support/scripted_prompts.h"

#include <QDate>
#include <QKeyEvent>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>

namespace vantrel {
namespace {

using namespace std::chrono;
using test::ScriptedPrompts;

year_month_day today() {
    return toCalendarDate(QDate::currentDate());
}

class CalendarDialogTest : public ::testing::Test {
protected:
    void open(year_month_day date) {
        dialog_ = std::make_unique<CalendarDialog>(date);
        dialog_->show();
        grid_ = dialog_->findChild<CalendarGrid*>();
        ASSERT_NE(grid_, nullptr);
    }
    void key(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::keyClick(grid_, key, modifiers);
    }
    QString title() const { return dialog_->findChild<QLabel*>(QStringLiteral("lbTitle"))->text(); }
    QPoint centreOf(year_month_day date) const {
        return grid_->cellRect(CellOfDate(date)).center();
    }

    std::unique_ptr<CalendarDialog> dialog_;
    CalendarGrid* grid_ = nullptr;
};

TEST(CalendarTitle, FullMonthNameCommaAndFourDigitYear) {
    EXPECT_EQ(calendarTitle(year(2026) / 12),
              QLocale().standaloneMonthName(12) + QStringLiteral(", 2026"));
    EXPECT_EQ(calendarTitle(year(987) / 1),
              QLocale().standaloneMonthName(1) + QStringLiteral(", 0987"));
}

TEST(CalendarPlacement, BelowTheFieldWithTheRightEdgesLinedUp) {
    const QRect screen(0, 0, 1000, 800);
    const QSize dialog(222, 154);
    const QRect field(400, 300, 120, 20); // right edge at x = 519
    EXPECT_EQ(calendarPosition(field, dialog, screen), QPoint(520 - 222, 320));
}

TEST(CalendarPlacement, ScreenEdgesMoveTheDialog) {
    const QRect screen(0, 0, 1000, 800);
    const QSize dialog(222, 154);
    // Too far left: the left edges line up instead.
    EXPECT_EQ(calendarPosition(QRect(10, 300, 120, 20), dialog, screen), QPoint(10, 320));
    // Too low: just above the field.
    EXPECT_EQ(calendarPosition(QRect(400, 700, 120, 20), dialog, screen), QPoint(298, 546));
    // Exactly reaching the bottom still fits below.
    EXPECT_EQ(calendarPosition(QRect(400, 626, 120, 20), dialog, screen), QPoint(298, 646));
    // Too low and too high at once: it stays below.
    EXPECT_EQ(calendarPosition(QRect(400, 100, 120, 20), dialog, QRect(0, 0, 1000, 200)),
              QPoint(298, 120));
    // A screen that does not start at the origin.
    EXPECT_EQ(calendarPosition(QRect(1010, 300, 120, 20), dialog, QRect(1000, 0, 800, 600)),
              QPoint(1010, 320));
}

TEST_F(CalendarDialogTest, WindowAsDrawn) {
    open(year(2026) / 12 / 7);
    EXPECT_EQ(dialog_->windowTitle(), QStringLiteral("Выбор даты"));
    EXPECT_TRUE(dialog_->windowFlags().testFlag(Qt::Tool));
    EXPECT_FALSE(dialog_->windowFlags().testFlag(Qt::WindowCloseButtonHint));
    const std::pair<const char*, const char*> arrows[] = {
        {"btPrevYear", "Предыдущий год"},
        {"btPrevMonth", "Предыдущий месяц"},
        {"btNextMonth", "Следующий месяц"},
        {"btNextYear", "Следующий год"},
    };
    for (const auto& [name, tip] : arrows) {
        auto* button = dialog_->findChild<QToolButton*>(QString::fromLatin1(name));
        ASSERT_NE(button, nullptr) << name;
        EXPECT_EQ(button->toolTip(), QString::fromUtf8(tip));
        EXPECT_TRUE(button->autoRepeat());
        EXPECT_FALSE(button->icon().isNull());
    }
    auto* label = dialog_->findChild<QLabel*>(QStringLiteral("lbTitle"));
    EXPECT_TRUE(label->font().bold());
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QColor(Qt::blue));
    EXPECT_EQ(title(), calendarTitle(year(2026) / 12));
    EXPECT_EQ(dialog_->findChild<QPushButton*>(QStringLiteral("btOk"))->text(),
              QStringLiteral("OK"));
    EXPECT_EQ(dialog_->findChild<QPushButton*>(QStringLiteral("btCancel"))->text(),
              QStringLiteral("Cancel"));
    EXPECT_GE(dialog_->width(), 222);
    EXPECT_GE(dialog_->height(), 154);
    test::SaveSnapshot(*dialog_, QStringLiteral("calendar_dialog"));
}

TEST_F(CalendarDialogTest, NamesComeFromTheUsersLanguage) {
    const QLocale saved;
    const QLocale russian(QLocale::Russian, QLocale::Russia);
    QLocale::setDefault(russian);
    open(year(2026) / 12 / 7);
    const QString december = russian.standaloneMonthName(12);
    EXPECT_EQ(title(), december.left(1).toUpper() + december.mid(1) + QStringLiteral(", 2026"));
    EXPECT_TRUE(title().startsWith(QStringLiteral("Дек"))) << title().toStdString();
    test::SaveSnapshot(*dialog_, QStringLiteral("calendar_dialog_ru"));
    QLocale::setDefault(saved);
}

TEST_F(CalendarDialogTest, MonthAndYearStepsAtMonthEnds) {
    open(year(2026) / 1 / 31);
    key(Qt::Key_PageDown);
    EXPECT_EQ(dialog_->date(), year(2026) / 2 / 28);
    EXPECT_EQ(title(), calendarTitle(year(2026) / 2));
    key(Qt::Key_PageUp);
    EXPECT_EQ(dialog_->date(), year(2026) / 1 / 28);
    key(Qt::Key_Tab);
    key(Qt::Key_Tab);
    EXPECT_EQ(dialog_->date(), year(2026) / 3 / 28);
    key(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(dialog_->date(), year(2026) / 2 / 28);
    EXPECT_EQ(dialog_->focusWidget(), grid_) << "Tab stays in the grid";

    open(year(2024) / 2 / 29);
    key(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(dialog_->date(), year(2025) / 2 / 28);
    key(Qt::Key_PageUp, Qt::ControlModifier);
    EXPECT_EQ(dialog_->date(), year(2024) / 2 / 28);

    open(year(2024) / 1 / 31);
    QTest::mouseClick(dialog_->findChild<QToolButton*>(QStringLiteral("btNextMonth")),
                      Qt::LeftButton);
    EXPECT_EQ(dialog_->date(), year(2024) / 2 / 29);
    QTest::mouseClick(dialog_->findChild<QToolButton*>(QStringLiteral("btNextYear")),
                      Qt::LeftButton);
    EXPECT_EQ(dialog_->date(), year(2025) / 2 / 28);
    QTest::mouseClick(dialog_->findChild<QToolButton*>(QStringLiteral("btPrevYear")),
                      Qt::LeftButton);
    QTest::mouseClick(dialog_->findChild<QToolButton*>(QStringLiteral("btPrevMonth")),
                      Qt::LeftButton);
    EXPECT_EQ(dialog_->date(), year(2024) / 1 / 28);
}

TEST_F(CalendarDialogTest, DayKeysCrossIntoTheNeighbouringMonth) {
    open(year(2026) / 12 / 31);
    key(Qt::Key_Right);
    EXPECT_EQ(dialog_->date(), year(2027) / 1 / 1);
    EXPECT_EQ(title(), calendarTitle(year(2027) / 1));
    key(Qt::Key_Minus, Qt::KeypadModifier);
    EXPECT_EQ(dialog_->date(), year(2026) / 12 / 31);
    key(Qt::Key_Plus, Qt::KeypadModifier);
    key(Qt::Key_Left);
    EXPECT_EQ(dialog_->date(), year(2026) / 12 / 31);
    // The main keyboard's minus is no step.
    key(Qt::Key_Minus);
    EXPECT_EQ(dialog_->date(), year(2026) / 12 / 31);
    key(Qt::Key_Up);
    EXPECT_EQ(dialog_->date(), year(2026) / 12 / 24);
    key(Qt::Key_Down);
    key(Qt::Key_Down); // below the last week: an empty cell
    EXPECT_EQ(dialog_->date(), year(2026) / 12 / 31);
}

TEST_F(CalendarDialogTest, TodayByKeyAndByDoubleClickOnTheTitle) {
    open(year(1970) / 6 / 15);
    key(Qt::Key_T);
    EXPECT_EQ(dialog_->date(), today());
    open(year(1970) / 6 / 15);
    key(Qt::Key_T, Qt::ShiftModifier);
    EXPECT_EQ(dialog_->date(), today());
    // The same key under the Russian layout gives "е" ("Т" is another key).
    const auto russianKey = [&](int key, Qt::KeyboardModifiers modifiers, const QString& text) {
        open(year(1970) / 6 / 15);
        QKeyEvent press(QEvent::KeyPress, key, modifiers, text);
        QApplication::sendEvent(grid_, &press);
        return dialog_->date();
    };
    EXPECT_EQ(russianKey(0x0415, Qt::NoModifier, QStringLiteral("е")), today());
    EXPECT_EQ(russianKey(0x0415, Qt::ShiftModifier, QStringLiteral("Е")), today());
    EXPECT_EQ(russianKey(0x0422, Qt::NoModifier, QStringLiteral("т")), year(1970) / 6 / 15);
    open(year(1970) / 6 / 15);
    QTest::mouseDClick(dialog_->findChild<QLabel*>(QStringLiteral("lbTitle")), Qt::LeftButton);
    EXPECT_EQ(dialog_->date(), today());
}

TEST_F(CalendarDialogTest, ClicksSelectDaysButNotEmptyCells) {
    open(year(2026) / 12 / 7); // 1 December 2026 is a Tuesday
    QTest::mouseClick(grid_, Qt::LeftButton, {}, centreOf(year(2026) / 12 / 24));
    EXPECT_EQ(dialog_->date(), year(2026) / 12 / 24);
    // The Monday cell before day 1 and the weekday row.
    QTest::mouseClick(grid_, Qt::LeftButton, {}, grid_->cellRect({1, 0}).center());
    QTest::mouseClick(grid_, Qt::LeftButton, {}, grid_->cellRect({0, 3}).center());
    EXPECT_EQ(dialog_->date(), year(2026) / 12 / 24);
    EXPECT_TRUE(dialog_->isVisible());
    QTest::mouseDClick(grid_, Qt::LeftButton, {}, centreOf(year(2026) / 12 / 3));
    EXPECT_EQ(dialog_->date(), year(2026) / 12 / 3);
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    EXPECT_FALSE(dialog_->isVisible());
}

TEST_F(CalendarDialogTest, EnterAcceptsAndEscCancels) {
    open(year(2026) / 12 / 7);
    key(Qt::Key_Return);
    EXPECT_EQ(dialog_->result(), QDialog::Accepted);
    open(year(2026) / 12 / 7);
    key(Qt::Key_Escape);
    EXPECT_EQ(dialog_->result(), QDialog::Rejected);
    EXPECT_FALSE(dialog_->isVisible());
}

// Opens the calendar from a field; `answer` runs inside the dialog's loop.
class PickDateTest : public ::testing::Test {
protected:
    void SetUp() override {
        field_ = std::make_unique<DateEdit>(prompts_);
        field_->show();
    }
    bool pick(const std::function<void(CalendarDialog&)>& answer) {
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dialog = qobject_cast<CalendarDialog*>(QApplication::activeModalWidget());
            if (dialog == nullptr) {
                ADD_FAILURE() << "no calendar dialog";
                return;
            }
            seen = true;
            answer(*dialog);
        });
        const bool accepted = pickDate(*field_);
        EXPECT_TRUE(seen);
        return accepted;
    }

    ScriptedPrompts prompts_;
    std::unique_ptr<DateEdit> field_;
};

TEST_F(PickDateTest, OpensAtTheFieldsDateAndWritesTheAcceptedOne) {
    field_->setDateText("7.12.26");
    year_month_day opened;
    EXPECT_TRUE(pick([&](CalendarDialog& dialog) {
        opened = dialog.date();
        dialog.accept();
    }));
    EXPECT_EQ(opened, year(2026) / 12 / 7);
    EXPECT_EQ(field_->dateText(), "07.12.26");

    field_->setDateText("15.06.70");
    EXPECT_TRUE(pick([&](CalendarDialog& dialog) {
        opened = dialog.date();
        dialog.step(CalendarStep::NextDay);
        dialog.accept();
    }));
    EXPECT_EQ(opened, ReadDateText("15.06.70", static_cast<int>(today().year())));
    EXPECT_EQ(field_->dateText(), "16.06.70");
    EXPECT_TRUE(prompts_.log.empty());
}

TEST_F(PickDateTest, NoDateOpensAtTodayAndCancelKeepsTheField) {
    for (const char* text : {"31.02.26", "  .  .  ", "12.  .  "}) {
        field_->setDateText(text);
        year_month_day opened;
        EXPECT_FALSE(pick([&](CalendarDialog& dialog) {
            opened = dialog.date();
            dialog.reject();
        }));
        EXPECT_EQ(opened, today()) << text;
        EXPECT_EQ(field_->dateText(), FitDateText(text));
    }
}

TEST_F(PickDateTest, TheCalendarOpensNextToTheField) {
    field_->move(300, 200);
    QRect shown;
    pick([&](CalendarDialog& dialog) {
        QTest::qWait(20); // the frame is known once the window is shown
        shown = dialog.frameGeometry();
        dialog.reject();
    });
    const QRect fieldRect(field_->mapToGlobal(QPoint(0, 0)), field_->size());
    EXPECT_EQ(shown.right(), fieldRect.right());
    EXPECT_EQ(shown.top(), fieldRect.bottom() + 1);
}

} // namespace
} // namespace vantrel
