#include "cli/password_input.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "cli/cli_args.h"
#include "cli/cli_files.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace vantrel::cli {

namespace {

// Room reserved for a typed password, so that its buffer is not reallocated
// (leaving an unwiped copy behind) for any password of a sensible length.
constexpr std::size_t kPasswordReserve = 256;
// The longest first line of standard input taken as a password: an endless
// input without a line end (/dev/zero) must end, and the room for it is
// reserved at once.
constexpr std::size_t kPasswordLineLimit = 4096;

// The terminal whose echo is off, for the signal handler to restore.
volatile sig_atomic_t gTerminal = -1;
termios gSavedSettings{};

extern "C" void RestoreAndReraise(int signal) {
    if (gTerminal >= 0) {
        tcsetattr(gTerminal, TCSAFLUSH, &gSavedSettings);
    }
    std::signal(signal, SIG_DFL);
    std::raise(signal);
}

constexpr int kHandledSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};

// Echo off for its lifetime; restores the terminal and the signal handlers.
class EchoOff {
public:
    explicit EchoOff(int terminal) : terminal_(terminal) {
        if (tcgetattr(terminal, &gSavedSettings) != 0) {
            throw Error("Cannot read the terminal settings");
        }
        for (std::size_t i = 0; i < std::size(kHandledSignals); ++i) {
            previous_[i] = std::signal(kHandledSignals[i], RestoreAndReraise);
        }
        gTerminal = terminal;
        termios quiet = gSavedSettings;
        quiet.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHOE | ECHOK | ECHONL);
        quiet.c_lflag |= ICANON;
        if (tcsetattr(terminal, TCSAFLUSH, &quiet) != 0) {
            Restore();
            throw Error("Cannot switch off the terminal echo");
        }
    }
    ~EchoOff() { Restore(); }
    EchoOff(const EchoOff&) = delete;
    EchoOff& operator=(const EchoOff&) = delete;

private:
    void Restore() {
        if (gTerminal >= 0) {
            tcsetattr(terminal_, TCSAFLUSH, &gSavedSettings);
        }
        gTerminal = -1;
        for (std::size_t i = 0; i < std::size(kHandledSignals); ++i) {
            std::signal(kHandledSignals[i], previous_[i]);
        }
    }

    int terminal_;
    void (*previous_[std::size(kHandledSignals)])(int) = {};
};

void WriteAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = write(fd, text.data(), text.size());
        if (written <= 0) {
            return; // a prompt that cannot be shown does not stop the reading
        }
        text.remove_prefix(static_cast<std::size_t>(written));
    }
}

} // namespace

SecretString ReadPasswordLine(std::istream& in) {
    SecretString secret;
    std::string& line = secret.value();
    line.reserve(kPasswordLineLimit);
    char c = 0;
    bool read = false; // a character or a line end came
    while (in.get(c)) {
        read = true;
        if (c == '\n') {
            break;
        }
        if (line.size() == kPasswordLineLimit) {
            throw Error("The first line of standard input is longer than " +
                        std::to_string(kPasswordLineLimit) + " bytes: no password");
        }
        line += c;
    }
    c = 0;
    if (!read) {
        throw Error("No password on standard input");
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return secret;
}

SecretString ReadPasswordFromTerminal(const std::string& prompt) {
    FileDescriptor terminal(open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (terminal.get() < 0) {
        throw UsageError("no terminal to read the password from; use --password-stdin");
    }
    SecretString secret;
    std::string& line = secret.value();
    line.reserve(kPasswordReserve);
    bool ended = false; // Enter was pressed
    {
        // Echo goes off before the prompt appears: switching it off flushes
        // pending input, which must not swallow what is typed after the prompt.
        EchoOff quiet(terminal.get());
        WriteAll(terminal.get(), prompt);
        char c = 0;
        for (;;) {
            const ssize_t got = read(terminal.get(), &c, 1);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            ended = got == 1 && c == '\n';
            if (got != 1 || ended) {
                break;
            }
            line += c;
        }
        c = 0;
    }
    WriteAll(terminal.get(), "\n"); // the Enter the user typed was not echoed
    if (!ended && line.empty()) {
        // Ctrl+D on an empty line: the user gave up, not an empty password.
        throw Error("No password was typed");
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return secret;
}

std::string AskOnTerminal(const std::string& question) {
    FileDescriptor terminal(open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (terminal.get() < 0) {
        throw UsageError("no terminal to ask on; use --yes");
    }
    WriteAll(terminal.get(), question);
    std::string answer;
    char c = 0;
    for (;;) {
        const ssize_t got = read(terminal.get(), &c, 1);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got != 1) {
            throw Error("No answer was typed");
        }
        if (c == '\n') {
            break;
        }
        answer += c;
    }
    if (!answer.empty() && answer.back() == '\r') {
        answer.pop_back();
    }
    return answer;
}

SecretString PasswordTo1251(const std::string& utf8) {
    try {
        return SecretString(Utf8ToCp1251(utf8));
    } catch (const Error&) {
        // The codec's message quotes the character; a password is not repeated
        // on the screen, not even in part.
        throw Error("The password holds a character that the Windows-1251 code page cannot "
                    "store (or text that is not UTF-8)");
    }
}

} // namespace vantrel::cli
