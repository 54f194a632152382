// list, show, export and import: the record file commands.
#include "base/cp1251.h"
#include "base/error.h"
#include "cipher/crypt_lib.h"
#include "cli/cli_files.h"
#include "cli/commands.h"
#include "cli/terminal_text.h"
#include "formats/record_file.h"
#include "formats/record_rules.h"

#include <optional>
#include <ostream>

namespace vantrel::cli {

namespace {

namespace fs = std::filesystem;

// Column captions of the six fields, in field order.
constexpr const char* kFieldCaptions[kFieldCount] = {"Name",  "Password", "Resource",
                                                     "Start", "End",      "Note"};

// The record file's text (decrypted unless `plain`). list and show walk it
// record by record instead of building the whole list, which would take
// several times the memory of the file.
SecretString LoadText(const CommandContext& context, const fs::path& file, bool plain) {
    RequireReadable(file); // before the password is asked for
    if (plain) {
        return SecretString(ReadRecordText(file, nullptr));
    }
    TCryptLib cipher;
    ConfigureCipher(cipher, context.ReadPassword(false).value());
    return SecretString(ReadRecordText(file, &cipher));
}

std::string FieldText(const RecordView& record, std::size_t field) {
    return field < record.fields.size() ? TerminalText(record.fields[field]) : std::string();
}

} // namespace

RecordList LoadRecords(const CommandContext& context, const fs::path& file, bool plain) {
    return ParseRecordText(LoadText(context, file, plain).value());
}

int ListCommand(const CommandContext& context) {
    const fs::path file = context.args.operands[0];
    const bool showPasswords = context.args.Flag("show-passwords");
    const SecretString text = LoadText(context, file, context.args.Flag("plain"));

    std::vector<std::string> header{"No."};
    for (std::size_t field = 0; field < kFieldCount; ++field) {
        if (field != kFieldPassword || showPasswords) {
            header.push_back(kFieldCaptions[field]);
        }
    }
    const auto rowOf = [showPasswords](const RecordView& record) {
        std::vector<std::string> row{TerminalText(record.number)};
        for (std::size_t field = 0; field < kFieldCount; ++field) {
            if (field != kFieldPassword || showPasswords) {
                row.push_back(FieldText(record, field));
            }
        }
        return row;
    };
    // Two walks over the text: the column widths first, then the lines.
    TableLayout layout;
    layout.Measure(header);
    ForEachRecordInText(text.value(),
                        [&](const RecordView& record) { layout.Measure(rowOf(record)); });
    context.out << layout.FormatRow(header);
    ForEachRecordInText(text.value(), [&](const RecordView& record) {
        context.out << layout.FormatRow(rowOf(record));
    });
    return kExitSuccess;
}

int ShowCommand(const CommandContext& context) {
    const fs::path file = context.args.operands[0];
    const std::string& wanted = context.args.operands[1];
    const SecretString text = LoadText(context, file, context.args.Flag("plain"));

    std::optional<std::string> number1251;
    try {
        number1251 = Utf8ToCp1251(wanted);
    } catch (const Error&) {
        // No record number in the file can hold such a character.
    }
    bool found = false;
    ForEachRecordInText(text.value(), [&](const RecordView& record) {
        if (record.number != number1251) {
            return;
        }
        std::vector<std::vector<std::string>> rows{{"No.:", TerminalText(record.number)}};
        const std::size_t shown = std::max<std::size_t>(record.fields.size(), kFieldCount);
        for (std::size_t field = 0; field < shown; ++field) {
            std::string caption =
                field < kFieldCount ? kFieldCaptions[field] : "Field " + std::to_string(field + 1);
            rows.push_back({caption + ":", FieldText(record, field)});
        }
        context.out << (found ? "\n" : "") << FormatTable(rows);
        found = true;
    });
    if (!found) {
        throw Error("No record numbered '" + EscapeControls(wanted) + "' in " + file.string());
    }
    return kExitSuccess;
}

// export and import write the text as a save of its records would, without
// building the record list (several times the memory of the text).
int ExportCommand(const CommandContext& context) {
    const fs::path file = context.args.operands[0];
    const fs::path output = OutputPath(context.args);
    RequireNewOutput(output, context.args.Flag("force"));
    const SecretString text = LoadText(context, file, false);
    SaveRecordText(NormalizeRecordText(text.value()), output, nullptr);
    return kExitSuccess;
}

int ImportCommand(const CommandContext& context) {
    const fs::path input = context.args.operands[0];
    const fs::path output = OutputPath(context.args);
    RequireNewOutput(output, context.args.Flag("force"));
    std::string normal = NormalizeRecordText(LoadText(context, input, true).value());
    TCryptLib cipher;
    ConfigureCipher(cipher, context.ReadPassword(true).value());
    SaveRecordText(std::move(normal), output, &cipher);
    return kExitSuccess;
}

} // namespace vantrel::cli
