// estimate: the strength of one password, as the record editor shows it.
#include "base/cp1251.h"
#include "cli/commands.h"
#include "health/strength.h"

#include <cmath>
#include <ostream>

namespace vantrel::cli {

int EstimateCommand(const CommandContext& context) {
    // In 1251 first: a record cannot hold a password with other characters.
    const SecretString password = context.ReadPassword(false);
    if (password.value().empty()) {
        context.out << "Пароль не задан\n";
        return kExitNo;
    }
    const SecretString utf8(Cp1251ToUtf8(password.value()));
    const Strength strength = EstimateStrength(utf8.value());
    context.out << StrengthVerdict(strength.level) << ", "
                << static_cast<long long>(std::floor(strength.bits)) << " бит\n";
    return strength.level < StrengthLevel::Medium ? kExitNo : kExitSuccess;
}

} // namespace vantrel::cli
