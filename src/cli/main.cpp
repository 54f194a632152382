#include "base/process_hardening.h"
#include "cli/commands.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    vantrel::HardenProcess();
    // Standard input carries at most the --password-stdin line: unbuffered, it
    // leaves no copy of the password in a stdio buffer that nothing wipes.
    std::setvbuf(stdin, nullptr, _IONBF, 0);
    const std::vector<std::string> words(argv + (argc > 0 ? 1 : 0), argv + argc);
    const int code = vantrel::cli::RunCli(words, std::cin, std::cout, std::cerr);
    std::cout.flush();
    if (!std::cout) {
        std::cerr << "vantrel-cli: cannot write to standard output\n";
        return vantrel::cli::kExitFailure;
    }
    return code;
}
