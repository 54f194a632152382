#include "cli_test_support.h"

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace vantrel::test {

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::vector<char*> Argv(std::vector<std::string>& words) {
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    return argv;
}

int Wait(pid_t child, bool kill) {
    if (kill) {
        ::kill(child, SIGKILL);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Moves bytes between the parent's ends of the pipes until both outputs end.
// Returns false on timeout.
bool Pump(int inFd, std::string_view input, int outFd, std::string& out, int errFd,
          std::string& err, Clock::time_point deadline) {
    std::size_t written = 0;
    if (input.empty()) {
        close(inFd);
        inFd = -1;
    }
    while (outFd >= 0 || errFd >= 0) {
        pollfd fds[3] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}, {inFd, POLLOUT, 0}};
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            return false;
        }
        if (poll(fds, 3, static_cast<int>(left.count())) < 0 && errno != EINTR) {
            return false;
        }
        char buffer[65536];
        for (int i = 0; i < 2; ++i) {
            int& fd = i == 0 ? outFd : errFd;
            std::string& text = i == 0 ? out : err;
            if (fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP | POLLERR)) != 0) {
                const ssize_t got = read(fd, buffer, sizeof buffer);
                if (got > 0) {
                    text.append(buffer, static_cast<std::size_t>(got));
                } else if (got == 0 || errno != EINTR) {
                    close(fd);
                    fd = -1;
                }
            }
        }
        if (inFd >= 0 && (fds[2].revents & (POLLOUT | POLLERR | POLLHUP)) != 0) {
            const ssize_t put = write(inFd, input.data() + written, input.size() - written);
            if (put > 0) {
                written += static_cast<std::size_t>(put);
            }
            if (put < 0 || written == input.size()) {
                close(inFd);
                inFd = -1;
            }
        }
    }
    if (inFd >= 0) {
        close(inFd);
    }
    return true;
}

} // namespace

int LockWaiters(const fs::path& path) {
    struct stat info {};
    if (stat(path.c_str(), &info) != 0) {
        return 0;
    }
    std::ifstream locks("/proc/locks");
    const std::string inode = ":" + std::to_string(info.st_ino) + " ";
    int waiters = 0;
    for (std::string line; std::getline(locks, line);) {
        if (line.find("-> FLOCK") != std::string::npos && line.find(inode) != std::string::npos) {
            ++waiters;
        }
    }
    return waiters;
}

RunResult RunProgram(const std::vector<std::string>& args, const std::string& input,
                     std::chrono::seconds timeout) {
    std::vector<std::string> words{VANTREL_CLI_PROGRAM};
    words.insert(words.end(), args.begin(), args.end());
    int in[2], out[2], err[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe failed";
        return {};
    }
    std::signal(SIGPIPE, SIG_IGN);
    const pid_t child = fork();
    if (child == 0) {
        setsid(); // no controlling terminal: /dev/tty cannot be opened
        dup2(in[0], 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        auto argv = Argv(words);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    RunResult result;
    const bool done =
        Pump(in[1], input, out[0], result.out, err[0], result.err, Clock::now() + timeout);
    result.exitCode = Wait(child, !done);
    if (!done) {
        ADD_FAILURE() << "vantrel-cli did not finish in time";
        result.exitCode = -1;
    }
    return result;
}

RunResult RunOnTerminal(const std::vector<std::string>& args,
                        const std::vector<std::string>& prompts,
                        const std::vector<std::string>& typed, std::string& terminalOut,
                        const std::function<void(pid_t)>& atPrompt) {
    std::vector<std::string> words{VANTREL_CLI_PROGRAM};
    words.insert(words.end(), args.begin(), args.end());
    int master = -1, slave = -1;
    int out[2], err[2];
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0 || pipe2(out, O_CLOEXEC) != 0 ||
        pipe2(err, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "openpty/pipe failed";
        return {};
    }
    const pid_t child = fork();
    if (child == 0) {
        setsid();
        ioctl(slave, TIOCSCTTY, 0); // the terminal the program opens as /dev/tty
        const int devNull = open("/dev/null", O_RDONLY);
        dup2(devNull, 0);
        dup2(out[1], 1);
        dup2(err[1], 2);
        close(master);
        // The slave stays open (inherited) so the master never sees a hang-up
        // before the program opens /dev/tty.
        auto argv = Argv(words);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(slave);
    close(out[1]);
    close(err[1]);

    const auto deadline = Clock::now() + std::chrono::seconds(30);
    bool ok = true;
    std::size_t seen = 0;
    for (std::size_t i = 0; i < prompts.size() && ok; ++i) {
        // Wait for the prompt, then type the line.
        while (terminalOut.find(prompts[i], seen) == std::string::npos) {
            pollfd fd{master, POLLIN, 0};
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            char buffer[4096];
            ssize_t got = -1;
            if (left.count() > 0 && poll(&fd, 1, static_cast<int>(left.count())) > 0) {
                got = read(master, buffer, sizeof buffer);
            }
            if (got <= 0) {
                ok = false;
                break;
            }
            terminalOut.append(buffer, static_cast<std::size_t>(got));
        }
        seen = terminalOut.find(prompts[i], seen) + prompts[i].size();
        if (ok && atPrompt) {
            atPrompt(child);
        }
        std::string line = i < typed.size() ? typed[i] : "";
        if (!line.ends_with('\x04')) { // Ctrl+D is sent without Enter
            line += '\n';
        }
        ok = ok && write(master, line.data(), line.size()) == static_cast<ssize_t>(line.size());
    }
    RunResult result;
    int noInput[2];
    if (pipe2(noInput, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe failed";
    }
    close(noInput[0]);
    ok = ok && Pump(noInput[1], "", out[0], result.out, err[0], result.err, deadline);
    // What the terminal showed after the last prompt.
    for (;;) {
        pollfd fd{master, POLLIN, 0};
        char buffer[4096];
        if (poll(&fd, 1, 0) <= 0) {
            break;
        }
        const ssize_t got = read(master, buffer, sizeof buffer);
        if (got <= 0) {
            break;
        }
        terminalOut.append(buffer, static_cast<std::size_t>(got));
    }
    close(master);
    result.exitCode = Wait(child, !ok);
    if (!ok) {
        ADD_FAILURE() << "terminal session failed; the terminal showed: " << terminalOut
                      << "; stderr: " << result.err;
        result.exitCode = -1;
    }
    return result;
}

} // namespace vantrel::test
