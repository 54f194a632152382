#pragma once

// Start-up hardening shared by the program and the command-line tool.
namespace vantrel {

// Keeps passwords out of core dumps and away from other processes of the same
// user: the process becomes non-dumpable (no ptrace attach, no reading of its
// memory through /proc) and both core limits are set to 0, so that a core file
// cannot be switched back on from outside.
void HardenProcess();

} // namespace vantrel

namespace vantrel {

// Makes the allocator overwrite every block it frees, so that freed memory
// keeps no copy of a password or a note: glibc's malloc "perturb" setting with
// its per-thread cache switched off (the cache skips the overwrite). glibc
// reads these settings only when a process starts, so the first call starts
// the program again in place (execv, same process id and arguments) with them
// in GLIBC_TUNABLES; the restarted process puts GLIBC_TUNABLES back as it was
// (for the programs it starts) and returns. When the
// restart is impossible, the overwrite is switched on for what it can still
// reach. Call it first thing in main().
void WipeFreedMemory(char** argv);

} // namespace vantrel
