#include "session/expiry.h"

#include "formats/record_rules.h"
#include "session/date_text.h"

#include <ctime>

namespace vantrel {

using std::chrono::days;
using std::chrono::sys_days;
using std::chrono::year_month_day;

Expiry RecordExpiry(const Record& record, year_month_day today) {
    // A missing field reads as empty text, which holds no date.
    return EndDateExpiry(RecordFieldText(record, kFieldEndDate), today);
}

Expiry EndDateExpiry(std::string_view endDate, year_month_day today) {
    Expiry expiry;
    expiry.endDate = ReadDateText(endDate, static_cast<int>(today.year()));
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

int LocalYear() {
    return static_cast<int>(LocalToday().year());
}

year_month_day LocalToday() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return year_month_day{std::chrono::year(local.tm_year + 1900),
                          std::chrono::month(static_cast<unsigned>(local.tm_mon + 1)),
                          std::chrono::day(static_cast<unsigned>(local.tm_mday))};
}

ExpiryCount CountExpiry(const RecordList& records, std::chrono::year_month_day today) {
    ExpiryCount count;
    for (const Record& record : records) {
        switch (RecordExpiry(record, today).state) {
        case ExpiryState::Expiring:
            ++count.expiring;
            break;
        case ExpiryState::Expired:
            ++count.expired;
            break;
        case ExpiryState::None:
            break;
        }
    }
    return count;
}

} // namespace vantrel
