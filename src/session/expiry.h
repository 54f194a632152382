#pragma once

#include "formats/record.h"

#include <chrono>
#include <optional>
#include <string_view>

// Whether a record's account has expired, judged by its end date ("Окончание
// действия") as the date field reads it, against a given day.
namespace vantrel {

// How many days ahead an end date counts as coming soon.
inline constexpr int kExpiryWarningDays = 14;

enum class ExpiryState {
    None,     // no readable end date, or it is more than kExpiryWarningDays away
    Expiring, // ends today or within the next kExpiryWarningDays days
    Expired,  // ended before today
};

struct Expiry {
    ExpiryState state = ExpiryState::None;
    // The end date, whenever the field holds a readable one.
    std::optional<std::chrono::year_month_day> endDate;
};

// The record's expiry on `today`. An empty, incomplete or impossible end date
// ("  .  .  ", "99.99.99") never counts; two-digit years are read in the date
// field's hundred-year window around today's year.
Expiry RecordExpiry(const Record& record, std::chrono::year_month_day today);
// The same for the text of an end date field.
Expiry EndDateExpiry(std::string_view endDate, std::chrono::year_month_day today);

// How many records of the list end soon and how many have ended on `today`.
struct ExpiryCount {
    int expiring = 0;
    int expired = 0;
};
ExpiryCount CountExpiry(const RecordList& records, std::chrono::year_month_day today);

// Today's date in the local time zone: what the user's calendar shows.
std::chrono::year_month_day LocalToday();
// Its year: what two-digit years of imported dates are read around.
int LocalYear();

} // namespace vantrel
