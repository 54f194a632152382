#include "session/expiry.h"

#include "session/date_text.h"

#include <ctime>

namespace vantrel {

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::year_month_day;

Expiry RecordExpiry(const Record& record, year_month_day today) {
    Expiry expiry;
    if (record.fields.size() <= static_cast<std::size_t>(kFieldEndDate)) {
        return expiry;
    }
    expiry.endDate = ReadDateText(record.fields[kFieldEndDate], static_cast<int>(today.year()));
    if (!expiry.endDate) {
        return expiry;
    }
    const sys_days end{*expiry.endDate};
    const sys_days now{today};
    if (end < now) {
        expiry.state = ExpiryState::Expired;
    } else if (end <= now + days(kExpiryWarningDays)) {
        expiry.state = ExpiryState::Expiring;
    }
    return expiry;
}

year_month_day LocalToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return year_month_day{std::chrono::year(local.tm_year + 1900),
                          std::chrono::month(static_cast<unsigned>(local.tm_mon + 1)),
                          std::chrono::day(static_cast<unsigned>(local.tm_mday))};
}

} // namespace vantrel
