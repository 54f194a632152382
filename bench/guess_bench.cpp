// What one password guess costs an attacker who holds a copy of VTR.ini or
// of a record file, through the program's own checks: the classic check
// string (no key stretching), the protected user's verifier and the key of a
// protected file (Argon2id, 3 passes, 64 MiB). Guesses per second on one core
// are the inverse of the time per iteration.
#include "cipher/crypt_lib.h"
#include "formats/program_cipher.h"
#include "formats/protected_file.h"
#include "session/user_entry.h"

#include <benchmark/benchmark.h>

#include <string>

namespace vantrel::bench {
namespace {

constexpr const char* kPassword = "kf83jd";

// A different wrong guess each time, as an attacker's list would give.
std::string Guess(std::int64_t i) {
    return "g" + std::to_string(i % 1000000);
}

void guessRate(benchmark::State& state) {
    state.counters["guesses_per_s"] =
        benchmark::Counter(static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

// Guesses against a user's settings entry, at their rate.
void guessEntry(benchmark::State& state, const std::string& entry) {
    TCryptLib checker;
    ConfigureProgramCipher(checker, kPassword);
    std::int64_t i = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(UserEntryAccepts(entry, Guess(i++), checker));
    }
    guessRate(state);
}

void BM_GuessClassicCheckString(benchmark::State& state) {
    TCryptLib owner;
    ConfigureProgramCipher(owner, kPassword);
    guessEntry(state, owner.MakePasswordCheck());
}
BENCHMARK(BM_GuessClassicCheckString);

void BM_GuessProtectedVerifier(benchmark::State& state) {
    guessEntry(state, MakeProtectedUserEntry(kPassword));
}
BENCHMARK(BM_GuessProtectedVerifier)->Unit(benchmark::kMillisecond);

// A guess against a protected file is one key derivation (the first chunk's
// authentication after it costs next to nothing).
void BM_GuessProtectedFileKey(benchmark::State& state) {
    const ProtectedParams params = ProtectedKey::Fresh(kPassword).params();
    std::int64_t i = 0;
    for (auto _ : state) {
        ProtectedKey key(Guess(i++), params);
        benchmark::DoNotOptimize(&key);
    }
    guessRate(state);
}
BENCHMARK(BM_GuessProtectedFileKey)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace vantrel::bench
