#pragma once

#include "session/date_calendar.h"

#include <QDialog>
#include <QWidget>

#include <chrono>

class QLabel;
class QToolButton;
class QPushButton;

namespace vantrel {

class DateEdit;

// The month grid of the calendar dialog: weekday names in row 0, the days of
// the current date's month below, Monday first. Sunday texts are red except in
// the selected cell; empty cells cannot be selected.
class CalendarGrid : public QWidget {
    Q_OBJECT

public:
    explicit CalendarGrid(QWidget* parent = nullptr);

    void setDate(std::chrono::year_month_day date);
    std::chrono::year_month_day date() const { return date_; }

    // The cell at a point of the widget, and the rectangle of a cell.
    CalendarCell cellAt(QPoint point) const;
    QRect cellRect(CalendarCell cell) const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

signals:
    void dayClicked(std::chrono::year_month_day date);
    void dayDoubleClicked(std::chrono::year_month_day date);
    void stepRequested(vantrel::CalendarStep step);

protected:
    bool event(QEvent* event) override; // Tab and Shift+Tab step months here
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    std::chrono::year_month_day date_;
};

// The calendar dialog "Выбор даты": four repeating arrow buttons around the
// month title, the month grid, and "OK" / "Cancel". It starts at the date
// given; date() is the current date when it was accepted.
class CalendarDialog : public QDialog {
    Q_OBJECT

public:
    explicit CalendarDialog(std::chrono::year_month_day date, QWidget* parent = nullptr);

    std::chrono::year_month_day date() const;
    // Applies one step of the behaviour table (today = the clock's date).
    void step(CalendarStep what);
    // Places the dialog at a field (global coordinates) on a screen, also once
    // its window frame is known.
    void placeAt(const QRect& field, const QRect& screen);

protected:
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setDate(std::chrono::year_month_day date);
    QToolButton* arrowButton(const char* name, const QString& tip, int standardIcon,
                             CalendarStep what);

    CalendarGrid* grid_;
    QLabel* title_;
    QRect field_;
    QRect screen_;
};

// "MMMM, YYYY" with the platform's stand-alone month name, first letter upper case.
QString calendarTitle(std::chrono::year_month month);

// The calendar's top-left corner for a field (global coordinates) on a screen:
// just below the field with the right edges lined up; the left edges lined up
// when the left edge would leave the screen; just above the field when the
// dialog would reach below the screen, unless it would then reach above it.
QPoint calendarPosition(const QRect& field, const QSize& dialog, const QRect& screen);

std::chrono::year_month_day toCalendarDate(const QDate& date);

// Picking a date for a field: the calendar opens at the field's date (today
// when its text gives none), placed at the field; an accepted date is written
// into the field, then the field gets the focus. Returns whether a date was
// accepted.
bool pickDate(DateEdit& field);

} // namespace vantrel
