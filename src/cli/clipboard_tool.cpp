#include "cli/clipboard_tool.h"

#include "base/error.h"
#include "base/secret.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace vantrel::cli {

namespace {

bool OnPath(const std::string& program) {
    const char* path = std::getenv("PATH");
    std::string_view folders = path != nullptr ? path : "";
    while (!folders.empty()) {
        const std::size_t end = folders.find(':');
        const std::string_view folder = folders.substr(0, end);
        const std::string candidate = (folder.empty() ? "." : std::string(folder)) + "/" + program;
        if (::access(candidate.c_str(), X_OK) == 0) {
            return true;
        }
        folders.remove_prefix(end == std::string_view::npos ? folders.size() : end + 1);
    }
    return false;
}

// SIGPIPE ignored while it lives: a program that ends before reading all its
// input gives EPIPE, not the end of this one.
class NoBrokenPipeSignal {
public:
    NoBrokenPipeSignal() : previous_(std::signal(SIGPIPE, SIG_IGN)) {}
    ~NoBrokenPipeSignal() { std::signal(SIGPIPE, previous_); }
    NoBrokenPipeSignal(const NoBrokenPipeSignal&) = delete;
    NoBrokenPipeSignal& operator=(const NoBrokenPipeSignal&) = delete;

private:
    void (*previous_)(int);
};

// Both ends of a pipe, closed when it goes away.
struct Pipe {
    int ends[2] = {-1, -1};
    Pipe() {
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            throw Error("Cannot create a pipe");
        }
    }
    ~Pipe() {
        closeEnd(0);
        closeEnd(1);
    }
    Pipe(const Pipe&) = delete;
    Pipe& operator=(const Pipe&) = delete;
    void closeEnd(int end) {
        if (ends[end] >= 0) {
            ::close(ends[end]);
            ends[end] = -1;
        }
    }
};

// Runs `argv` with `input` on its standard input; its standard output goes to
// `output` when given, else to /dev/null, and its standard error to /dev/null
// (a program that stays to serve the clipboard must not hold our outputs).
// Returns whether it took the whole input and ended with exit code 0.
bool RunTool(const ClipboardTool& tool, const std::vector<std::string>& argv,
             std::string_view input, std::string* output) {
    const NoBrokenPipeSignal noSignal;
    Pipe in;
    Pipe out;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in.ends[0], STDIN_FILENO);
    if (output != nullptr) {
        posix_spawn_file_actions_adddup2(&actions, out.ends[1], STDOUT_FILENO);
    } else {
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    }
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigemptyset(&none);
    sigset_t defaults;
    sigemptyset(&defaults);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP, SIGPIPE}) {
        sigaddset(&defaults, signal);
    }
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &defaults);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF |
                                              POSIX_SPAWN_SETPGROUP);

    std::vector<char*> words;
    for (const std::string& word : argv) {
        words.push_back(const_cast<char*>(word.c_str()));
    }
    words.push_back(nullptr);
    pid_t child = 0;
    const int started =
        posix_spawnp(&child, words[0], &actions, &attributes, words.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (started != 0) {
        throw Error("Cannot start " + tool.name);
    }
    in.closeEnd(0);
    out.closeEnd(1);

    bool written = true;
    while (!input.empty()) {
        const ssize_t put = ::write(in.ends[1], input.data(), input.size());
        if (put < 0 && errno == EINTR) {
            continue;
        }
        if (put <= 0) {
            written = false;
            break;
        }
        input.remove_prefix(static_cast<std::size_t>(put));
    }
    in.closeEnd(1);
    if (output != nullptr) {
        char buffer[4096];
        for (;;) {
            const ssize_t got = ::read(out.ends[0], buffer, sizeof buffer);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                break;
            }
            output->append(buffer, static_cast<std::size_t>(got));
        }
        WipeBytes(buffer, sizeof buffer);
    }
    int status = 0;
    while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    return written && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

void Require(bool succeeded, const ClipboardTool& tool) {
    if (!succeeded) {
        throw Error(tool.name + " failed: the clipboard could not be reached");
    }
}

} // namespace

std::optional<ClipboardTool> FindClipboardTool() {
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    if (wayland != nullptr && *wayland != '\0' && OnPath("wl-copy") && OnPath("wl-paste")) {
        return ClipboardTool{
            "wl-copy", {"wl-copy"}, {"wl-paste", "--no-newline"}, {"wl-copy", "--clear"}};
    }
    if (OnPath("xclip")) {
        return ClipboardTool{"xclip",
                             {"xclip", "-selection", "clipboard", "-in"},
                             {"xclip", "-selection", "clipboard", "-out"},
                             {"xclip", "-selection", "clipboard", "-in"}};
    }
    if (OnPath("xsel")) {
        return ClipboardTool{"xsel",
                             {"xsel", "--clipboard", "--input"},
                             {"xsel", "--clipboard", "--output"},
                             {"xsel", "--clipboard", "--clear"}};
    }
    return std::nullopt;
}

void CopyToClipboard(const ClipboardTool& tool, std::string_view text) {
    Require(RunTool(tool, tool.copy, text, nullptr), tool);
}

SecretString ReadClipboard(const ClipboardTool& tool) {
    SecretString text;
    text.value().reserve(4096);
    // An empty clipboard is a failure to some of them (wl-paste, xclip).
    if (!RunTool(tool, tool.paste, {}, &text.value())) {
        WipeString(text.value());
    }
    return text;
}

void ClearClipboard(const ClipboardTool& tool) {
    Require(RunTool(tool, tool.clear, {}, nullptr), tool);
}

} // namespace vantrel::cli
