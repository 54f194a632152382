#include "base/process_hardening.h"

#include <malloc.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace vantrel {

void HardenProcess() {
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
}

namespace {

// The byte freed memory is filled with.
constexpr int kFreedMemoryByte = 0xA5;
constexpr const char* kTunables = "glibc.malloc.perturb=165:glibc.malloc.tcache_count=0";
// Set for the restarted process, so that it never starts itself again (glibc
// drops GLIBC_TUNABLES in some cases); it holds GLIBC_TUNABLES as it was.
constexpr const char* kRestartedMark = "VANTREL_FREED_MEMORY_WIPED";

// GLIBC_TUNABLES as it was before the restart (empty: not set).
void restoreTunables(const std::string& before) {
    if (before.empty()) {
        unsetenv("GLIBC_TUNABLES");
    } else {
        setenv("GLIBC_TUNABLES", before.c_str(), 1);
    }
}

} // namespace

void WipeFreedMemory(char** argv) {
    mallopt(M_PERTURB, kFreedMemoryByte);
    if (const char* mark = std::getenv(kRestartedMark)) {
        // Restarted: glibc has read its settings. The programs started from
        // here (the browser) get the environment as it was.
        const std::string before = mark;
        restoreTunables(before);
        unsetenv(kRestartedMark);
        return;
    }
    const char* current = std::getenv("GLIBC_TUNABLES");
    const std::string tunables = current != nullptr ? current : "";
    if (tunables.find(kTunables) != std::string::npos) {
        return;
    }
    const std::string wanted = tunables.empty() ? kTunables : tunables + ":" + kTunables;
    setenv(kRestartedMark, tunables.c_str(), 1);
    setenv("GLIBC_TUNABLES", wanted.c_str(), 1);
    execv("/proc/self/exe", argv);
    // Not restarted: the program runs on with what mallopt could switch on.
    restoreTunables(tunables);
    unsetenv(kRestartedMark);
}

} // namespace vantrel
