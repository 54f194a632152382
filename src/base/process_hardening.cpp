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
// drops GLIBC_TUNABLES in some cases).
constexpr const char* kRestartedMark = "VANTREL_FREED_MEMORY_WIPED";

} // namespace

void WipeFreedMemory(char** argv) {
    mallopt(M_PERTURB, kFreedMemoryByte);
    const char* current = std::getenv("GLIBC_TUNABLES");
    const std::string tunables = current != nullptr ? current : "";
    if (tunables.find(kTunables) != std::string::npos) {
        return;
    }
    if (std::getenv(kRestartedMark) != nullptr) {
        return;
    }
    const std::string wanted = tunables.empty() ? kTunables : tunables + ":" + kTunables;
    setenv("GLIBC_TUNABLES", wanted.c_str(), 1);
    setenv(kRestartedMark, "1", 1);
    execv("/proc/self/exe", argv);
    // Not restarted: the program runs on with what mallopt could switch on.
    if (current != nullptr) {
        setenv("GLIBC_TUNABLES", current, 1);
    } else {
        unsetenv("GLIBC_TUNABLES");
    }
}

} // namespace vantrel
