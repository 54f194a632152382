#include "session/date_calendar.h"
#include "session/date_text.h"
#include "session/expiry.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>

namespace vantrel {
namespace {

using namespace std::chrono;

constexpr year_month_day kToday{year(2026), month(5), day(14)};

TEST(DateTextFit, PartsFillTheirTwoPlaces) {
    EXPECT_EQ(FitDateText("7.12.26"), " 7.12.26");
    EXPECT_EQ(FitDateText("07.12.2026"), "07.12.26");
    EXPECT_EQ(FitDateText("1.2.3"), " 1. 2. 3");
    EXPECT_EQ(FitDateText("31.12"), "31.12.  ");
    EXPECT_EQ(FitDateText("5."), " 5.  .  ");
    EXPECT_EQ(FitDateText("99.99.99"), "99.99.99");
    // Parts after the third are not part of a date.
    EXPECT_EQ(FitDateText("01.02.03.04"), "01.02.03");
}

TEST(DateTextFit, EmptyFormsShowAsUntouched) {
    EXPECT_EQ(FitDateText("  .  .  "), kUntouchedDateText);
    EXPECT_EQ(FitDateText(".  ."), kUntouchedDateText);
    EXPECT_EQ(FitDateText(""), kUntouchedDateText);
    EXPECT_EQ(FitDateText(".."), kUntouchedDateText);
}

TEST(DateTextFit, TextWithoutSeparatorsFillsThePlacesInOrder) {
    EXPECT_EQ(FitDateText("071226"), "07.12.26");
    EXPECT_EQ(FitDateText("0712"), "07.12.  ");
    EXPECT_EQ(FitDateText("07122026"), "07.12.20");
    EXPECT_EQ(FitDateText(" "), kUntouchedDateText);
}

TEST(DateTextFit, FittedTextAlwaysHasTheFieldForm) {
    for (const char* text : {"", "1", "1.", "123.456.789", "a.b.c", "....", "7.12.26", "x"}) {
        const std::string fitted = FitDateText(text);
        ASSERT_EQ(fitted.size(), kDateTextLength) << text;
        EXPECT_EQ(fitted[2], '.') << text;
        EXPECT_EQ(fitted[5], '.') << text;
        EXPECT_EQ(FitDateText(fitted), fitted) << "fitting is stable for " << text;
    }
}

TEST(DateTextPlaces, RequiredPlacesAreAllButTheFirstOfDayAndMonth) {
    EXPECT_EQ(FirstEmptyRequiredPlace(kUntouchedDateText), 1u);
    EXPECT_EQ(FirstEmptyRequiredPlace(" 7.12.26"), std::nullopt);
    EXPECT_EQ(FirstEmptyRequiredPlace(" 7. 1.26"), std::nullopt);
    EXPECT_EQ(FirstEmptyRequiredPlace("12.  .  "), 4u);
    EXPECT_EQ(FirstEmptyRequiredPlace("12.3 .26"), 4u);
    EXPECT_EQ(FirstEmptyRequiredPlace("12.03. 6"), 6u);
    EXPECT_EQ(FirstEmptyRequiredPlace("12.03.2 "), 7u);
    EXPECT_EQ(FirstEmptyRequiredPlace("99.99.99"), std::nullopt);
}

TEST(DateTextYears, TwoDigitYearsFallIntoTheHundredYearsAroundNow) {
    EXPECT_EQ(ExpandTwoDigitYear(66, 2026), 1966);
    EXPECT_EQ(ExpandTwoDigitYear(99, 2026), 1999);
    EXPECT_EQ(ExpandTwoDigitYear(0, 2026), 2000);
    EXPECT_EQ(ExpandTwoDigitYear(65, 2026), 2065);
    EXPECT_EQ(ExpandTwoDigitYear(70, 2026), 1970);
    EXPECT_EQ(ExpandTwoDigitYear(0, 2060), 2000);
    EXPECT_EQ(ExpandTwoDigitYear(99, 2060), 2099);
    EXPECT_EQ(ExpandTwoDigitYear(0, 2061), 2100);
    EXPECT_EQ(ExpandTwoDigitYear(2026, 2026), 2026);
}

TEST(DateTextRead, ValidTextsGiveTheirDate) {
    EXPECT_EQ(ReadDateText(" 7.12.26", 2026), year(2026) / 12 / 7);
    EXPECT_EQ(ReadDateText("15.06.70", 2026), year(1970) / 6 / 15);
    EXPECT_EQ(ReadDateText("29.02.24", 2026), year(2024) / 2 / 29);
    EXPECT_EQ(ReadDateText(" 1. 1.00", 2026), year(2000) / 1 / 1);
    EXPECT_EQ(ReadDateText("31.12.65", 2026), year(2065) / 12 / 31);
}

TEST(DateTextRead, TextsThatAreNoCalendarDayGiveNoDate) {
    for (const char* text :
         {"  .  .  ", "31.02.26", "31.04.26", "29.02.25", "00.01.26", "01.00.26", "01.13.26",
          "32.01.26", "99.99.99", "12.  .  ", "1a.01.26", "0712", "1.2.3.4", ""}) {
        EXPECT_EQ(ReadDateText(text, 2026), std::nullopt) << text;
    }
}

TEST(DateTextWrite, TwoDigitsEachWithLeadingZeros) {
    EXPECT_EQ(WriteDateText(year(2026) / 12 / 7), "07.12.26");
    EXPECT_EQ(WriteDateText(year(2000) / 1 / 1), "01.01.00");
    EXPECT_EQ(WriteDateText(year(1970) / 6 / 15), "15.06.70");
    EXPECT_EQ(WriteDateText(year(9) / 3 / 4), "04.03.09");
    // A written date reads back as itself within the two-digit window.
    const year_month_day date = year(2065) / 12 / 31;
    EXPECT_EQ(ReadDateText(WriteDateText(date), 2026), date);
}

TEST(DateTextPicking, FieldDateOrToday) {
    EXPECT_EQ(DateForPicking(" 7.12.26", kToday), year(2026) / 12 / 7);
    EXPECT_EQ(DateForPicking(kUntouchedDateText, kToday), kToday);
    EXPECT_EQ(DateForPicking("31.02.26", kToday), kToday);
    EXPECT_EQ(DateForPicking("15.06.70", kToday), year(1970) / 6 / 15);
}

TEST(DateTextEditing, TypingFillsPlacesAndSkipsSeparators) {
    DateEditing editing{std::string(kUntouchedDateText), 0};
    editing = TypeIntoDate(editing, "1");
    EXPECT_EQ(editing, (DateEditing{"1 .  .  ", 1}));
    editing = TypeIntoDate(editing, "2");
    EXPECT_EQ(editing, (DateEditing{"12.  .  ", 3}));
    editing = TypeIntoDate(editing, "0726");
    EXPECT_EQ(editing, (DateEditing{"12.07.26", 8}));
    // Nothing more goes in at the end.
    EXPECT_EQ(TypeIntoDate(editing, "9"), editing);
    // Typing at a separator goes to the next place; other characters are passed over.
    EXPECT_EQ(TypeIntoDate({"12.07.26", 2}, "a-5"), (DateEditing{"12.57.26", 4}));
    EXPECT_EQ(TypeIntoDate({"12.07.26", 5}, "1"), (DateEditing{"12.07.16", 7}));
}

TEST(DateTextEditing, ErasingBlanksPlacesOnly) {
    EXPECT_EQ(EraseDateBackward({"12.07.26", 3}), (DateEditing{"1 .07.26", 1}));
    EXPECT_EQ(EraseDateBackward({"12.07.26", 8}), (DateEditing{"12.07.2 ", 7}));
    EXPECT_EQ(EraseDateBackward({"12.07.26", 0}), (DateEditing{"12.07.26", 0}));
    EXPECT_EQ(EraseDateForward({"12.07.26", 2}), (DateEditing{"12. 7.26", 2}));
    EXPECT_EQ(EraseDateForward({"12.07.26", 8}), (DateEditing{"12.07.26", 8}));
    EXPECT_EQ(BlankDatePlaces({"12.07.26", 7}, 1, 7), (DateEditing{"1 .  . 6", 1}));
    EXPECT_EQ(BlankDatePlaces({"12.07.26", 0}, 0, 100), (DateEditing{"  .  .  ", 0}));
}

// ---- Calendar rules ----

year_month_day step(year_month_day date, CalendarStep what) {
    return StepCalendar(date, what, kToday);
}

TEST(CalendarGrid, DayOneStandsInItsWeekdaysColumn) {
    // 1 December 2026 is a Tuesday, 1 February 2027 a Monday, 1 March 2026 a Sunday.
    EXPECT_EQ(CellOfDate(year(2026) / 12 / 1), (CalendarCell{1, 1}));
    EXPECT_EQ(CellOfDate(year(2026) / 12 / 31), (CalendarCell{5, 3}));
    EXPECT_EQ(CellOfDate(year(2027) / 2 / 1), (CalendarCell{1, 0}));
    EXPECT_EQ(CellOfDate(year(2027) / 2 / 28), (CalendarCell{4, 6}));
    EXPECT_EQ(CellOfDate(year(2026) / 3 / 1), (CalendarCell{1, 6}));
    // A 31-day month starting on a Sunday needs the sixth day row.
    EXPECT_EQ(CellOfDate(year(2026) / 3 / 31), (CalendarCell{6, 1}));
}

TEST(CalendarGrid, EmptyCellsAndTheWeekdayRowHoldNoDate) {
    const year_month december = year(2026) / 12;
    EXPECT_EQ(DateAtCell(december, {1, 0}), std::nullopt);
    EXPECT_EQ(DateAtCell(december, {1, 1}), year(2026) / 12 / 1);
    EXPECT_EQ(DateAtCell(december, {5, 3}), year(2026) / 12 / 31);
    EXPECT_EQ(DateAtCell(december, {5, 4}), std::nullopt);
    EXPECT_EQ(DateAtCell(december, {0, 3}), std::nullopt);
    EXPECT_EQ(DateAtCell(december, {7, 0}), std::nullopt);
    EXPECT_EQ(DateAtCell(december, {2, -1}), std::nullopt);
    EXPECT_EQ(DateAtCell(december, {2, 7}), std::nullopt);
    for (unsigned d = 1; d <= 31; ++d) {
        const year_month_day date = december / day(d);
        EXPECT_EQ(DateAtCell(december, CellOfDate(date)), date);
    }
}

// The month-end cases the dialog's own tests drive by key are not repeated here.
TEST(CalendarSteps, MonthYearAndDayStepsAtTheEnds) {
    EXPECT_EQ(step(year(2026) / 3 / 31, CalendarStep::PreviousMonth), year(2026) / 2 / 28);
    EXPECT_EQ(step(year(2026) / 5 / 31, CalendarStep::NextMonth), year(2026) / 6 / 30);
    EXPECT_EQ(step(year(2026) / 12 / 15, CalendarStep::NextMonth), year(2027) / 1 / 15);
    EXPECT_EQ(step(year(2026) / 1 / 15, CalendarStep::PreviousMonth), year(2025) / 12 / 15);
    EXPECT_EQ(step(year(2024) / 2 / 29, CalendarStep::PreviousYear), year(2023) / 2 / 28);
    EXPECT_EQ(step(year(2023) / 2 / 28, CalendarStep::NextYear), year(2024) / 2 / 28);
    EXPECT_EQ(step(year(2024) / 2 / 28, CalendarStep::NextDay), year(2024) / 2 / 29);
    EXPECT_EQ(step(year(2026) / 3 / 1, CalendarStep::PreviousDay), year(2026) / 2 / 28);
}

TEST(CalendarSteps, CellMovesStayInTheDisplayedMonth) {
    EXPECT_EQ(step(year(2026) / 12 / 15, CalendarStep::CellUp), year(2026) / 12 / 8);
    EXPECT_EQ(step(year(2026) / 12 / 15, CalendarStep::CellDown), year(2026) / 12 / 22);
    // Up from the first week and Down from the last land on empty cells or the
    // weekday row: nothing moves.
    EXPECT_EQ(step(year(2026) / 12 / 3, CalendarStep::CellUp), year(2026) / 12 / 3);
    EXPECT_EQ(step(year(2026) / 12 / 27, CalendarStep::CellDown), year(2026) / 12 / 27);
    // Row start/end: Monday and Sunday of the same week when they are in the month.
    EXPECT_EQ(step(year(2026) / 12 / 16, CalendarStep::RowStart), year(2026) / 12 / 14);
    EXPECT_EQ(step(year(2026) / 12 / 16, CalendarStep::RowEnd), year(2026) / 12 / 20);
    EXPECT_EQ(step(year(2026) / 12 / 2, CalendarStep::RowStart), year(2026) / 12 / 2);
    EXPECT_EQ(step(year(2026) / 12 / 30, CalendarStep::RowEnd), year(2026) / 12 / 30);
}

TEST(CalendarSteps, TodayAndTheEndsOfTheCalendar) {
    EXPECT_EQ(step(year(1970) / 6 / 15, CalendarStep::Today), kToday);
    EXPECT_EQ(step(year(9999) / 12 / 31, CalendarStep::NextDay), year(9999) / 12 / 31);
    EXPECT_EQ(step(year(9999) / 6 / 1, CalendarStep::NextYear), year(9999) / 6 / 1);
    EXPECT_EQ(step(year(9999) / 12 / 1, CalendarStep::NextMonth), year(9999) / 12 / 1);
    EXPECT_EQ(step(year(1) / 1 / 1, CalendarStep::PreviousDay), year(1) / 1 / 1);
    EXPECT_EQ(step(year(1) / 1 / 31, CalendarStep::PreviousMonth), year(1) / 1 / 31);
}

TEST(Expiry, EndDatesAroundTodayAndUnreadableDates) {
    const year_month_day today{year(2026), month(12), day(8)};
    struct Case {
        const char* endDate;
        ExpiryState state;
    };
    const Case cases[] = {
        {"07.12.26", ExpiryState::Expired},
        {"08.12.26", ExpiryState::Expiring},
        {"09.12.26", ExpiryState::Expiring},
        {"22.12.26", ExpiryState::Expiring},
        {"23.12.26", ExpiryState::None},
        {"31.12.66", ExpiryState::Expired},
        {" 1. 1.27", ExpiryState::None},
        {"  .  .  ", ExpiryState::None},
        {"99.99.99", ExpiryState::None},
        {"31.11.26", ExpiryState::None},
        {"", ExpiryState::None},
    };
    for (const Case& c : cases) {
        const Record record{"1", {"n", "p", "r", "01.01.20", c.endDate, " "}};
        EXPECT_EQ(RecordExpiry(record, today).state, c.state) << c.endDate;
    }
    EXPECT_EQ(RecordExpiry(Record{"1", {"n"}}, today).state, ExpiryState::None)
        << "a record without the field";
    // The same record crosses midnight: tomorrow yesterday's end date has passed.
    const Record record{"1", {"n", "p", "r", "", "08.12.26", " "}};
    EXPECT_EQ(RecordExpiry(record, today).state, ExpiryState::Expiring);
    EXPECT_EQ(RecordExpiry(record, year_month_day{year(2026), month(12), day(9)}).state,
              ExpiryState::Expired);
}

} // namespace
} // namespace vantrel
