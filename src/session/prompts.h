#pragma once

#include "base/error.h"
#include "base/secret.h"
#include "formats/csv_layouts.h"

#include <exception>
#include <filesystem>
#include <optional>
#include <string>

namespace vantrel {

// Everything that asks the user something goes through this interface: the Qt
// windows implement it with message boxes and file dialogs, tests with a script
// of answers. Texts are UTF-8; "\r" in the program's texts is a line break.
class Prompts {
public:
    enum class Buttons { OkCancel, YesNo, YesNoCancel };
    enum class Answer { Ok, Cancel, Yes, No };
    // The answers about a file that changed on disk while the list has
    // changes of its own.
    enum class DiskChangeAnswer { Reload, SaveCopy, Cancel };

    virtual ~Prompts() = default;

    // Confirmation box: question icon, title "Confirm", the given buttons.
    virtual Answer confirm(const std::string& text, Buttons buttons) = 0;
    // Plain message box: program title, no icon, one OK button.
    virtual void inform(const std::string& text) = 0;
    // Message box with an empty title, no icon, buttons OK and Cancel.
    virtual Answer ask(const std::string& text) = 0;
    // The generic error box: title "Vantrel Lite", stop icon, OK. `text` is the
    // error's own text; the box adds the full stop (see ErrorBoxText).
    virtual void showError(const std::string& text) = 0;
    // The open dialog odMain / the save dialog sdMain; nullopt when cancelled.
    // The save dialog offers `suggested` (its folder and name), or "untitled"
    // when it is empty.
    virtual std::optional<std::filesystem::path> openFileName() = 0;
    virtual std::optional<std::filesystem::path>
    saveFileName(const std::filesystem::path& suggested) = 0;
    // A password asked for once more, to catch a typo: the text above a masked
    // field, OK and Cancel. The typed password as 1251 bytes; nullopt when
    // cancelled.
    virtual std::optional<SecretString> askPassword(const std::string& text) = 0;
    // A question icon, the title "Confirm" and three buttons: reload the file
    // from disk, save the list as a copy beside it, cancel (also Escape).
    virtual DiskChangeAnswer askDiskChange(const std::string& text) = 0;

    // The open dialog of a comma-separated import; nullopt when cancelled.
    virtual std::optional<std::filesystem::path> openCsvFileName() = 0;
    // The save dialog of a comma-separated export, which also offers the
    // layouts that can be written (CanWriteCsvLayout); it offers `suggested`
    // and `layout` first. Nullopt when cancelled.
    struct CsvExportChoice {
        std::filesystem::path file;
        CsvLayout layout = CsvLayout::Vantrel;
    };
    virtual std::optional<CsvExportChoice> saveCsvFileName(const std::filesystem::path& suggested,
                                                           CsvLayout layout) = 0;
};

// The text the generic error box shows: the error's text with a full stop
// added unless its last character has a code of 0x2E or less.
inline std::string ErrorBoxText(const std::string& text) {
    if (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x2E) {
        return text;
    }
    return text + ".";
}

// Runs one user command: an error it does not catch ends the command and is
// shown by the generic error box; the program goes on. Returns whether the
// command completed.
template <typename Command> bool RunCommand(Prompts& prompts, Command&& command) {
    try {
        command();
        return true;
    } catch (const std::exception& error) {
        prompts.showError(error.what());
    }
    return false;
}

} // namespace vantrel
