// list, show, export and import: the record file commands.
#include "base/cp1251.h"
#include "base/error.h"
#include "cipher/crypt_lib.h"
#include "cli/cli_files.h"
#include "cli/record_content.h"
#include "cli/terminal_text.h"
#include "formats/record_file.h"
#include "formats/record_rules.h"
#include "formats/record_stream.h"

#include <optional>
#include <ostream>

namespace vantrel::cli {

namespace {

namespace fs = std::filesystem;

// Column captions of the six fields, in field order.
constexpr const char* kFieldCaptions[kFieldCount] = {"Name",  "Password", "Resource",
                                                     "Start", "End",      "Note"};

std::string FieldText(const RecordView& record, std::size_t field) {
    return field < record.fields.size() ? TerminalText(record.fields[field]) : std::string();
}

} // namespace

RecordFileKind FileKindOption(const Arguments& args) {
    return args.Flag("plain") ? RecordFileKind::PlainText : RecordFileKind::Encrypted;
}

bool KindNeedsPassword(RecordFileKind kind) {
    switch (kind) {
    case RecordFileKind::PlainText:
        return false;
    case RecordFileKind::Encrypted:
    case RecordFileKind::Protected:
        return true;
    }
    return true;
}

RecordContent ReadContent(const CommandContext& context, const fs::path& file,
                          RecordFileKind kind) {
    InputFile input(file); // readable before the password is asked for
    const SecretString password =
        KindNeedsPassword(kind) ? context.ReadPassword(false) : SecretString();
    return ReadKeyedContent(input, file, kind, password, context.args.Flag("force"));
}

RecordContent ReadKeyedContent(InputFile& input, const fs::path& file, RecordFileKind kind,
                               const SecretString& password, bool force) {
    RecordContent content;
    content.bytes = SecretString(input.ReadAll());
    content.kind = RecordFileKindOfContent(content.bytes.value(), kind);
    content.storedKind = content.kind;
    switch (content.kind) {
    case RecordFileKind::PlainText:
        break;
    case RecordFileKind::Encrypted:
        ConfigureCipher(content.cipher, password.value());
        break;
    case RecordFileKind::Protected: {
        // Authenticated whole, and no larger than the file: held as plain
        // text from here on.
        ConfigureCipher(content.cipher, password.value());
        SecretString text =
            ReadProtectedContent(content.bytes.value(), content.cipher.Password(), content.key);
        std::swap(content.bytes, text);
        content.kind = RecordFileKind::PlainText;
        return content;
    }
    }
    // The container carries no check value: another user's password shows
    // only as a text that cannot be a record file.
    if (!force && !ContentCanBeRecordFile(content.bytes.value(), content.kind, content.cipher)) {
        throw Error(file.string() +
                    " does not decrypt into a record file: the password is wrong or the file "
                    "is damaged (--force goes on all the same)");
    }
    return content;
}

std::size_t WriteRecordTable(std::ostream& out, RecordContent& content, bool showPasswords,
                             const std::function<bool(const RecordView&)>& shown) {
    std::vector<std::string> header{"No."};
    for (std::size_t field = 0; field < kFieldCount; ++field) {
        if (field != kFieldPassword || showPasswords) {
            header.push_back(kFieldCaptions[field]);
        }
    }
    const auto rowOf = [showPasswords](const RecordView& record) {
        std::vector<std::string> row; // filled by moves: a cell may be as long as the file
        row.push_back(TerminalText(record.number));
        for (std::size_t field = 0; field < kFieldCount; ++field) {
            if (field != kFieldPassword || showPasswords) {
                row.push_back(FieldText(record, field));
            }
        }
        return row;
    };
    // Two walks over the records: the column widths first, then the lines.
    TableLayout layout;
    layout.Measure(header);
    std::size_t count = 0;
    content.forEachRecord([&](const RecordView& record) {
        if (!shown || shown(record)) {
            layout.Measure(rowOf(record));
            ++count;
        }
    });
    if (count == 0 && shown) {
        return 0;
    }
    layout.WriteRow(out, header);
    content.forEachRecord([&](const RecordView& record) {
        if (!shown || shown(record)) {
            layout.WriteRow(out, rowOf(record));
        }
    });
    return count;
}

int ListCommand(const CommandContext& context) {
    const fs::path file = context.args.operands[0];
    RecordContent content = ReadContent(context, file, FileKindOption(context.args));
    WriteRecordTable(context.out, content, context.args.Flag("show-passwords"), nullptr);
    return kExitSuccess;
}

int ShowCommand(const CommandContext& context) {
    const fs::path file = context.args.operands[0];
    const std::string& wanted = context.args.operands[1];
    RecordContent content = ReadContent(context, file, FileKindOption(context.args));

    std::optional<std::string> number1251;
    try {
        number1251 = Utf8ToCp1251(wanted);
    } catch (const Error&) {
        // No record number in the file can hold such a character.
    }
    bool found = false;
    content.forEachRecord([&](const RecordView& record) {
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

// export and import write the records as a save of them would, without
// building the record list or holding the whole text.
int ExportCommand(const CommandContext& context) {
    const fs::path output = OutputPath(context.args);
    const bool csv = CsvFormatOption(context.args);
    RequireNewOutput(output, context.args.Flag("force"));
    RecordContent content =
        ReadContent(context, context.args.operands[0], RecordFileKind::Encrypted);
    const OutputLock lock(output);
    if (csv) {
        WriteContentAsCsv(context.args, content, output);
    } else {
        WritePlainTextCopy(output, content.bytes.value(), content.kind, content.cipher);
    }
    return kExitSuccess;
}

int ImportCommand(const CommandContext& context) {
    const fs::path output = OutputPath(context.args);
    RequireNewOutput(output, context.args.Flag("force"));
    const RecordContent content =
        ReadContent(context, context.args.operands[0], RecordFileKind::PlainText);
    TCryptLib cipher;
    ConfigureCipher(cipher, context.ReadPassword(true).value());
    const OutputLock lock(output);
    WriteRecordFileFromText(output,
                            context.args.Flag("protected") ? RecordFileKind::Protected
                                                           : RecordFileKind::Encrypted,
                            cipher, content.bytes.value());
    return kExitSuccess;
}

} // namespace vantrel::cli
