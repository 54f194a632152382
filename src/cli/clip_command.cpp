// clip: one field of a record on the clipboard for a while.
#include "base/cp1251.h"
#include "base/error.h"
#include "cli/cli_files.h"
#include "cli/clipboard_tool.h"
#include "cli/record_change.h"
#include "cli/record_content.h"
#include "formats/program_folders.h"
#include "formats/record_rules.h"
#include "formats/settings_file.h"
#include "session/clipboard_settings.h"

#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <iostream>
#include <ostream>
#include <unistd.h>

namespace vantrel::cli {

namespace {

namespace fs = std::filesystem;

RecordField FieldOption(const Arguments& args) {
    const std::string field = args.Value("field").value_or("password");
    if (field == "password") {
        return kFieldPassword;
    }
    if (field == "name") {
        return kFieldName;
    }
    if (field == "resource") {
        return kFieldResource;
    }
    throw UsageError("--field must be password, name or resource");
}

// --seconds, else the program's ClipboardSeconds when the settings file has
// one (never written here), else the default.
int ClipboardSeconds(const Arguments& args, std::ostream& err) {
    if (const auto text = args.Value("seconds")) {
        return static_cast<int>(ParseNumber("seconds", *text, 0, kMaxClipboardSeconds));
    }
    const auto stored = ReadClipboardSeconds(SettingsFilePath(SettingsFolderForThisRun()));
    if (!stored) {
        return kDefaultClipboardSeconds;
    }
    if (!stored->problem.empty()) {
        err << "vantrel-cli: " << stored->problem << "\n";
    }
    return stored->seconds;
}

// SIGINT, SIGTERM and SIGHUP held back while it lives, to be taken with
// sigtimedwait: Ctrl+C then ends the wait instead of the program, and no
// signal handler runs at an unsafe moment.
class HeldSignals {
public:
    HeldSignals() {
        sigemptyset(&set_);
        for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
            sigaddset(&set_, signal);
        }
        pthread_sigmask(SIG_BLOCK, &set_, &previous_);
    }
    ~HeldSignals() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    HeldSignals(const HeldSignals&) = delete;
    HeldSignals& operator=(const HeldSignals&) = delete;

    // Waits up to a second; the signal that came, or 0.
    int waitASecond() const {
        const timespec second{1, 0};
        for (;;) {
            const int signal = sigtimedwait(&set_, nullptr, &second);
            if (signal > 0) {
                return signal;
            }
            if (errno != EINTR) {
                return 0; // EAGAIN: the second passed
            }
        }
    }

private:
    sigset_t set_;
    sigset_t previous_;
};

// The countdown goes to the terminal, when there is one.
class Countdown {
public:
    Countdown() : terminal_(::open("/dev/tty", O_WRONLY | O_NOCTTY | O_CLOEXEC)) {}
    void show(int seconds) const {
        write("\rThe clipboard is cleared in " + std::to_string(seconds) +
              " s; Ctrl+C clears it now. \x1b[K");
    }
    void end() const { write("\r\x1b[K"); }

private:
    void write(const std::string& text) const {
        if (terminal_.get() >= 0) {
            [[maybe_unused]] const ssize_t written =
                ::write(terminal_.get(), text.data(), text.size());
        }
    }
    FileDescriptor terminal_;
};

} // namespace

int ClipCommand(const CommandContext& context) {
    const fs::path file = context.args.operands[0];
    const RecordField field = FieldOption(context.args);
    const int seconds = ClipboardSeconds(context.args, std::cerr);
    const std::optional<ClipboardTool> tool = FindClipboardTool();
    if (!tool) {
        throw Error(std::string(kNoClipboardTool));
    }

    RecordContent content = ReadContent(context, file, FileKindOption(context.args));
    SecretString text;
    {
        WipedRecords list;
        ReadAllRecords(content, list);
        const Record& record =
            list.records[FindOnlyRecord(list.records, context.args.operands[1], file)];
        text = SecretString(Cp1251ToUtf8(RecordFieldText(record, field)));
    }
    if (text.value().empty()) {
        throw Error("The field is empty: nothing was copied");
    }

    const HeldSignals held; // before the copy: Ctrl+C must never leave it behind
    CopyToClipboard(*tool, text.value());
    if (seconds == 0) {
        context.out << "Copied; left on the clipboard (0 seconds: never cleared).\n";
        return kExitSuccess;
    }
    const Countdown countdown;
    for (int left = seconds; left > 0; --left) {
        countdown.show(left);
        if (held.waitASecond() != 0) {
            break;
        }
    }
    countdown.end();
    // Only our text is taken away: something copied meanwhile stays.
    if (ReadClipboard(*tool).value() == text.value()) {
        ClearClipboard(*tool);
        context.out << "The clipboard was cleared.\n";
    } else {
        context.out << "The clipboard holds something else now; it was left as it is.\n";
    }
    return kExitSuccess;
}

} // namespace vantrel::cli
