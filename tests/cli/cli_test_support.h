#pragma once

#include "support/temp_folder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

// Running the built vantrel-cli from the tests, and a scratch folder per test.
namespace vantrel::test {

struct RunResult {
    int exitCode = -1; // -1: killed or did not exit
    std::string out;
    std::string err;
};

// Runs the program with `args` in a new session without a controlling
// terminal, `input` on its standard input. Gives up (and kills it) after
// `timeout`.
RunResult RunProgram(const std::vector<std::string>& args, const std::string& input = "",
                     std::chrono::seconds timeout = std::chrono::seconds(60));

// Runs the program with a pseudo-terminal as its controlling terminal; each
// time the terminal shows the next of `prompts`, the matching line of
// `typed` is typed (with Enter, unless it ends with Ctrl+D "\x04"). `terminalOut` receives all the
// terminal showed. `atPrompt` (when set) is called with the program's process id while it waits
// at each prompt.
RunResult RunOnTerminal(const std::vector<std::string>& args,
                        const std::vector<std::string>& prompts,
                        const std::vector<std::string>& typed, std::string& terminalOut,
                        const std::function<void(pid_t)>& atPrompt = {});

// How many processes wait for the exclusive lock (flock) on the file at `path`.
int LockWaiters(const std::filesystem::path& path);

// A fresh folder per test.
class CliTest : public ::testing::Test {
protected:
    std::filesystem::path Path(const std::string& name) const { return folder_ / name; }

    TempFolder folder_;
};

} // namespace vantrel::test
