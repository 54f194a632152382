#pragma once

#include "session/session.h"

#include <QIdentityProxyModel>
#include <QTimer>

#include <chrono>
#include <functional>

namespace vantrel {

// Marks the records whose end date has passed (dimmed and struck out) or comes
// within kExpiryWarningDays days (a tinted background), with a tooltip on each
// of their cells; the rule is RecordExpiry. Both marks are drawn from the
// application's palette, so they read in a light and in a dark theme. It checks
// the date every minute, so a list left open over midnight follows the calendar.
class ExpiryMarks : public QIdentityProxyModel {
    Q_OBJECT
public:
    using Clock = std::function<std::chrono::year_month_day()>;

    // `source` is the table model, or proxies over it. `clock` gives today's
    // date (LocalToday in the program).
    ExpiryMarks(const Session& session, QAbstractItemModel* source, Clock clock,
                QObject* parent = nullptr);

    QVariant data(const QModelIndex& index, int role) const override;

    // Takes the date from the clock again; when the day changed, every row's
    // marks are redrawn.
    void checkDate();
    std::chrono::year_month_day today() const { return today_; }

private:
    const Session& session_;
    Clock clock_;
    std::chrono::year_month_day today_;
    QTimer timer_;
};

} // namespace vantrel
