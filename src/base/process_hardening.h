#pragma once

// Start-up hardening shared by the program and the command-line tool.
namespace vantrel {

// Keeps passwords out of core dumps and away from other processes of the same
// user: the process becomes non-dumpable (no ptrace attach, no reading of its
// memory through /proc) and both core limits are set to 0, so that a core file
// cannot be switched back on from outside.
void HardenProcess();

} // namespace vantrel
