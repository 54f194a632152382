// search, add, edit and rm: finding and changing the records of a file.
#include "base/cp1251.h"
#include "base/error.h"
#include "cli/cli_files.h"
#include "cli/password_input.h"
#include "cli/record_change.h"
#include "cli/record_content.h"
#include "cli/terminal_text.h"
#include "formats/record_rules.h"
#include "session/expiry.h"
#include "session/record_search.h"

#include <algorithm>
#include <ostream>

namespace vantrel::cli {

namespace {

namespace fs = std::filesystem;

bool HasNumber(const RecordList& records, const std::string& number) {
    return std::any_of(records.begin(), records.end(),
                       [&number](const Record& record) { return record.number == number; });
}

// The file's password, after the file proved readable; none for plain text.
SecretString ReadFilePassword(const CommandContext& context, const fs::path& file,
                              RecordFileKind kind) {
    RequireReadable(file);
    return KindNeedsPassword(kind) ? context.ReadPassword(false) : SecretString();
}

// The records of FILE as they are now, read without the lock (for the question
// of rm, which must not hold the lock while the user thinks).
void ReadRecordsOnce(const fs::path& file, RecordFileKind kind, const SecretString& password,
                     WipedRecords& into) {
    InputFile input(file);
    RecordContent content = ReadKeyedContent(input, file, kind, password, false);
    ReadAllRecords(content, into);
}

bool IsYes(std::string answer) {
    answer.erase(0, answer.find_first_not_of(' '));
    answer.erase(answer.find_last_not_of(' ') + 1);
    for (const char* yes : {"y", "Y", "yes", "Yes", "YES", "д", "Д", "да", "Да", "ДА"}) {
        if (answer == yes) {
            return true;
        }
    }
    return false;
}

} // namespace

int SearchCommand(const CommandContext& context) {
    const std::string& text = context.args.operands[1];
    const RecordSearch search(text);
    RecordContent content =
        ReadContent(context, context.args.operands[0], FileKindOption(context.args));
    const std::size_t found =
        WriteRecordTable(context.out, content, false,
                         [&search](const RecordView& record) { return search.matches(record); });
    if (found == 0) {
        context.out << "No record contains '" << EscapeControls(text) << "'.\n";
        return kExitNo;
    }
    return kExitSuccess;
}

int AddCommand(const CommandContext& context) {
    const fs::path file = context.args.operands[0];
    const RecordFileKind kind = FileKindOption(context.args);
    if (!context.args.Flag("ask-password") && !context.args.Flag("generate")) {
        throw UsageError("add needs --ask-password or --generate for the record's password");
    }
    RecordChanges changes = ReadFieldOptions(context.args, LocalToday());
    const SecretString password = ReadFilePassword(context, file, kind);
    ReadRecordPassword(context, changes);

    std::string number;
    ChangeRecordFile(file, kind, password, [&](RecordList& records) {
        if (changes.number && HasNumber(records, *changes.number)) {
            throw Error("A record numbered '" + TerminalText(*changes.number) + "' is in " +
                        file.string() + " already; nothing was added");
        }
        number = changes.number ? *changes.number : NextRecordNumber(records);
        Record record{number, {}};
        ApplyChanges(record, changes);
        records.push_back(std::move(record));
    });
    context.out << TerminalText(number) << "\n";
    if (changes.generatedPassword && context.args.Flag("show-password")) {
        context.out << TerminalText(*changes.fields[kFieldPassword]) << "\n";
    }
    return kExitSuccess;
}

int EditCommand(const CommandContext& context) {
    const fs::path file = context.args.operands[0];
    const std::string& number = context.args.operands[1];
    const RecordFileKind kind = FileKindOption(context.args);
    RecordChanges changes = ReadFieldOptions(context.args, LocalToday());
    const bool newPassword = context.args.Flag("ask-password") || context.args.Flag("generate");
    if (!newPassword && !changes.number &&
        std::none_of(changes.fields.begin(), changes.fields.end(),
                     [](const auto& field) { return field.has_value(); })) {
        throw UsageError("nothing to change: give the fields to set");
    }
    const SecretString password = ReadFilePassword(context, file, kind);
    ReadRecordPassword(context, changes);

    ChangeRecordFile(file, kind, password, [&](RecordList& records) {
        const std::size_t row = FindOnlyRecord(records, number, file);
        if (changes.number && *changes.number != records[row].number &&
            HasNumber(records, *changes.number)) {
            throw Error("A record numbered '" + TerminalText(*changes.number) + "' is in " +
                        file.string() + " already; nothing was changed");
        }
        ApplyChanges(records[row], changes);
    });
    if (changes.generatedPassword && context.args.Flag("show-password")) {
        context.out << TerminalText(*changes.fields[kFieldPassword]) << "\n";
    }
    return kExitSuccess;
}

int RemoveCommand(const CommandContext& context) {
    const fs::path file = context.args.operands[0];
    const std::string& number = context.args.operands[1];
    const RecordFileKind kind = FileKindOption(context.args);
    const SecretString password = ReadFilePassword(context, file, kind);

    // Asked before the lock is taken; the record deleted must then be the
    // very one the user agreed to.
    WipedRecords agreed; // the record the user agreed to delete
    if (!context.args.Flag("yes")) {
        WipedRecords list;
        ReadRecordsOnce(file, kind, password, list);
        const std::size_t row = FindOnlyRecord(list.records, number, file);
        const Record& record = list.records[row];
        const std::string question = "Delete record " + TerminalText(record.number) + " '" +
                                     TerminalText(RecordFieldText(record, kFieldName)) + "' (" +
                                     TerminalText(RecordFieldText(record, kFieldResource)) +
                                     ")? [y/N] ";
        if (!IsYes(AskOnTerminal(question))) {
            context.out << "Nothing was deleted.\n";
            return kExitNo;
        }
        agreed.records.push_back(record);
    }
    ChangeRecordFile(file, kind, password, [&](RecordList& records) {
        const std::size_t row = FindOnlyRecord(records, number, file);
        if (!agreed.records.empty() && records[row] != agreed.records.front()) {
            throw Error("Record " + EscapeControls(number) + " of " + file.string() +
                        " was changed meanwhile; nothing was deleted");
        }
        WipeRecord(records[row]);
        records.erase(records.begin() + static_cast<std::ptrdiff_t>(row));
    });
    return kExitSuccess;
}

} // namespace vantrel::cli
