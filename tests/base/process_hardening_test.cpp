#include "base/process_hardening.h"

#include <gtest/gtest.h>

#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vantrel {
namespace {

// In a child process, so that the test program itself stays dumpable.
TEST(ProcessHardening, NonDumpableAndBothCoreLimitsZero) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        HardenProcess();
        rlimit core{};
        const bool limitsZero =
            ::getrlimit(RLIMIT_CORE, &core) == 0 && core.rlim_cur == 0 && core.rlim_max == 0;
        // With the hard limit at 0 the soft limit cannot be raised again.
        const rlimit raised{RLIM_INFINITY, RLIM_INFINITY};
        const bool staysOff = ::geteuid() == 0 || ::setrlimit(RLIMIT_CORE, &raised) != 0;
        ::_exit(::prctl(PR_GET_DUMPABLE) == 0 ? (limitsZero ? (staysOff ? 0 : 3) : 2) : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "1: dumpable, 2: a core limit is not 0, 3: raised again";
}

} // namespace
} // namespace vantrel
