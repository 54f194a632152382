#include "cli/record_change.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "cli/cli_files.h"
#include "cli/generate_options.h"
#include "cli/password_input.h"
#include "cli/record_content.h"
#include "cli/terminal_text.h"
#include "formats/date_forms.h"
#include "formats/record_rules.h"
#include "session/date_text.h"

#include <algorithm>

namespace vantrel::cli {

namespace fs = std::filesystem;

namespace {

// The option of each text field, in field order (the password has none).
struct TextOption {
    const char* name;
    RecordField field;
};
constexpr TextOption kTextOptions[] = {
    {"name", kFieldName}, {"resource", kFieldResource}, {"note", kFieldNote}};
constexpr TextOption kDateOptions[] = {{"start", kFieldStartDate}, {"end", kFieldEndDate}};

bool HasLineBreakingControl(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return (byte < 0x20 && c != '\t') || byte == 0x7F;
    });
}

// A field's text from the command line, as the record file stores it.
std::string StorableText(std::string_view option, const std::string& utf8) {
    std::string text;
    try {
        text = Utf8ToCp1251(utf8);
    } catch (const Error& error) {
        throw Error("--" + std::string(option) + ": " + error.what());
    }
    if (HasLineBreakingControl(text)) {
        throw Error("--" + std::string(option) +
                    " holds a control character (a line break, say); a field is one line");
    }
    return text;
}

std::string StorableDate(std::string_view option, const std::string& text, int currentYear) {
    if (text.find_first_not_of(' ') == std::string::npos) {
        return std::string(kUntouchedDateText); // the editor's empty date field
    }
    // "yyyy-mm-dd" as well as the date field's own day.month.year.
    const bool iso = text.size() >= 10 && text[4] == '-';
    const auto date = iso ? ReadCsvDate(text, currentYear) : ReadDateText(text, currentYear);
    if (!date) {
        throw Error("--" + std::string(option) + " '" + EscapeControls(text) +
                    "' is no date: give dd.mm.yy, dd.mm.yyyy or yyyy-mm-dd of a calendar day");
    }
    return WriteDateText(*date);
}

SecretString ReadRecordPasswordText(const CommandContext& context) {
    if (context.args.Flag("password-stdin")) {
        // The file's password was the first line.
        return PasswordTo1251(ReadPasswordLine(context.in).value());
    }
    SecretString password =
        PasswordTo1251(ReadPasswordFromTerminal("The record's password: ").value());
    if (PasswordTo1251(ReadPasswordFromTerminal("Repeat the record's password: ").value())
            .value() != password.value()) {
        throw Error("The two passwords differ");
    }
    return password;
}

// The record's description in messages: "'name' (resource)".
std::string Described(const Record& record) {
    return "'" + TerminalText(RecordFieldText(record, kFieldName)) + "' (" +
           TerminalText(RecordFieldText(record, kFieldResource)) + ")";
}

} // namespace

std::vector<OptionSpec> RecordFieldOptions() {
    std::vector<OptionSpec> options{
        {"number", "N", "the record's number (add: default one above the highest)"},
        {"name", "TEXT", "the name (login)"},
        {"resource", "TEXT", "the resource (site, program)"},
        {"start", "DATE", "the start date: dd.mm.yy, dd.mm.yyyy or yyyy-mm-dd; \"\" clears it"},
        {"end", "DATE", "the end date, as --start"},
        {"note", "TEXT", "the note"},
        {"ask-password", "",
         "ask for the record's password (with --password-stdin: the second line)"},
        {"generate", "", "generate the record's password with the options below"},
        {"show-password", "", "print a generated password"},
    };
    const auto& generate = GenerateOptionSpecs();
    options.insert(options.end(), generate.begin(), generate.end());
    return options;
}

RecordChanges::~RecordChanges() {
    for (auto& field : fields) {
        if (field) {
            WipeString(*field);
        }
    }
}

RecordChanges ReadFieldOptions(const Arguments& args, std::chrono::year_month_day today) {
    RecordChanges changes;
    if (const auto number = args.Value("number")) {
        std::string stored = StorableText("number", *number);
        if (stored.empty() || !IsStorableRecordNumber(stored)) {
            throw Error("--number '" + EscapeControls(*number) +
                        "' cannot be a record number: it is empty or begins with a TAB");
        }
        changes.number = std::move(stored);
    }
    for (const TextOption& option : kTextOptions) {
        if (const auto text = args.Value(option.name)) {
            changes.fields[option.field] = StorableText(option.name, *text);
        }
    }
    for (const TextOption& option : kDateOptions) {
        if (const auto text = args.Value(option.name)) {
            changes.fields[option.field] =
                StorableDate(option.name, *text, static_cast<int>(today.year()));
        }
    }
    const bool generate = args.Flag("generate");
    if (generate && args.Flag("ask-password")) {
        throw UsageError("--ask-password and --generate exclude each other");
    }
    if (!generate) {
        for (const OptionSpec& option : GenerateOptionSpecs()) {
            if (args.Flag(option.name) || args.Value(option.name)) {
                throw UsageError("--" + std::string(option.name) + " needs --generate");
            }
        }
        if (args.Flag("show-password")) {
            throw UsageError("--show-password needs --generate");
        }
    }
    if (generate) {
        ReadGenerateOptions(args); // the options' mistakes before any password is asked
    }
    return changes;
}

void ReadRecordPassword(const CommandContext& context, RecordChanges& changes) {
    if (context.args.Flag("ask-password")) {
        SecretString password = ReadRecordPasswordText(context);
        if (HasLineBreakingControl(password.value())) {
            throw Error("The record's password holds a control character; a field is one line");
        }
        changes.fields[kFieldPassword] = std::move(password.value());
    } else if (context.args.Flag("generate")) {
        const GenerateRequest request = ReadGenerateOptions(context.args);
        StartGenerator(request);
        changes.fields[kFieldPassword] = std::move(GenerateOne(request).value());
        changes.generatedPassword = true;
    }
}

void ApplyChanges(Record& record, const RecordChanges& changes) {
    if (changes.number) {
        record.number = *changes.number;
    }
    if (record.fields.size() < kFieldCount) {
        record.fields.resize(kFieldCount);
    }
    for (std::size_t field = 0; field < kFieldCount; ++field) {
        if (changes.fields[field]) {
            std::string& stored = record.fields[field];
            WipeString(stored);
            stored = *changes.fields[field];
        }
    }
    if (record.fields[kFieldNote].empty()) {
        record.fields[kFieldNote] = " ";
    }
}

WipedRecords::~WipedRecords() {
    for (Record& record : records) {
        WipeRecord(record);
    }
}

void ReadAllRecords(RecordContent& content, WipedRecords& into) {
    content.forEachRecord(
        [&into](const RecordView& record) { AppendRecord(into.records, record); });
}

std::size_t FindOnlyRecord(const RecordList& records, const std::string& number,
                           const fs::path& file) {
    std::optional<std::string> number1251;
    try {
        number1251 = Utf8ToCp1251(number);
    } catch (const Error&) {
        // No record number in the file can hold such a character.
    }
    std::vector<std::size_t> found;
    for (std::size_t row = 0; row < records.size(); ++row) {
        if (records[row].number == number1251) {
            found.push_back(row);
        }
    }
    if (found.empty()) {
        throw Error("No record numbered '" + EscapeControls(number) + "' in " + file.string());
    }
    if (found.size() > 1) {
        std::string named;
        for (const std::size_t row : found) {
            named += (named.empty() ? "" : ", ") + Described(records[row]);
        }
        throw Error(std::to_string(found.size()) + " records are numbered '" +
                    EscapeControls(number) + "' in " + file.string() + ": " + named +
                    "; give them numbers of their own in the program first");
    }
    return found.front();
}

void ChangeRecordFile(const fs::path& file, RecordFileKind kind, const SecretString& password,
                      const std::function<void(RecordList& records)>& change) {
    // Taken before the read and held until the new file has replaced the old
    // one: another writer waits, then reads what this one wrote.
    const OutputLock lock(file);
    InputFile input(file);
    if (!lock.held()) {
        throw Error("Cannot lock " + file.string() + ": it is no regular file");
    }
    RecordContent content = ReadKeyedContent(input, file, kind, password, true);
    if (!ContentCanBeRecordFile(content.bytes.value(), content.kind, content.cipher)) {
        throw Error(file.string() +
                    " does not decrypt into a record file: the password is wrong or the file "
                    "is damaged; nothing was changed");
    }
    WipedRecords list;
    ReadAllRecords(content, list);
    change(list.records);
    // The form read is the form written.
    WriteRecordFile(file, content.storedKind, content.cipher, list.records, content.key);
}

} // namespace vantrel::cli
