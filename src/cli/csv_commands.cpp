// export --format csv and import-csv: records to and from comma-separated files.
#include "base/error.h"
#include "cli/cli_files.h"
#include "cli/record_change.h"
#include "cli/record_content.h"
#include "cli/terminal_text.h"
#include "formats/csv_records.h"
#include "formats/record_file.h"
#include "session/expiry.h"

#include <ostream>

namespace vantrel::cli {

namespace {

namespace fs = std::filesystem;

CsvLayout layoutOption(const Arguments& args) {
    const std::string name = args.Value("layout").value_or("vantrel");
    const std::optional<CsvLayout> layout = CsvLayoutFromName(name);
    if (!layout || !CanWriteCsvLayout(*layout)) {
        throw UsageError("unknown layout '" + name +
                         "'; one of vantrel, keepassxc, bitwarden, chrome");
    }
    return *layout;
}

// The fields an import found unstorable ("line 5, column "notes"; ...").
std::string unstorableList(const std::vector<CsvUnstorable>& fields) {
    std::string text;
    for (const CsvUnstorable& field : fields) {
        text += (text.empty() ? "" : "; ") + std::string("line ") + std::to_string(field.line) +
                ", column \"" + EscapeControls(field.column) + "\"";
    }
    return text;
}

} // namespace

bool CsvFormatOption(const Arguments& args) {
    const std::string format = args.Value("format").value_or("text");
    if (format != "text" && format != "csv") {
        throw UsageError("unknown format '" + format + "'; text or csv");
    }
    if (format == "text" && args.Value("layout")) {
        throw UsageError("--layout goes with --format csv");
    }
    if (format == "csv") {
        layoutOption(args); // a wrong layout is refused before the password is asked for
    }
    return format == "csv";
}

void WriteContentAsCsv(const Arguments& args, RecordContent& content, const fs::path& output) {
    const CsvLayout layout = layoutOption(args);
    WipedRecords list;
    ReadAllRecords(content, list);
    WriteCsvFile(output, list.records, layout, LocalYear());
}

int ImportCsvCommand(const CommandContext& context) {
    const fs::path output = OutputPath(context.args);
    const std::optional<std::string> into = context.args.Value("into");
    // Writing over the file the records go into is what --into is for.
    RequireNewOutput(output, context.args.Flag("force") || (into && fs::path(*into) == output));
    SecretString text(ReadCsvFile(context.args.operands[0]));

    WipedRecords list;
    // A new file is classic unless --protected; an existing one keeps its form
    // (and a protected one its key).
    RecordContent target;
    target.storedKind =
        context.args.Flag("protected") ? RecordFileKind::Protected : RecordFileKind::Encrypted;
    if (into) {
        target = ReadContent(context, *into, RecordFileKind::Encrypted);
        ReadAllRecords(target, list);
    }
    CsvImportOptions options{.replaceUnstorable = context.args.Flag("replace-unstorable"),
                             .currentYear = LocalYear()};
    CsvImport imported = ImportCsvRecords(text.value(), list.records, options);
    text = SecretString(); // wiped and given back: only the records are needed now
    if (!imported.unstorable.empty() && !options.replaceUnstorable) {
        throw Error("nothing written: characters that a record file cannot hold (outside "
                    "Windows-1251) are in these fields; --replace-unstorable writes \"?\" for "
                    "each: " +
                    unstorableList(imported.unstorable));
    }
    const std::size_t added = imported.records.size();
    MoveRecordsWiping(imported.records, list.records);
    if (!into) {
        ConfigureCipher(target.cipher, context.ReadPassword(true).value());
    }
    const OutputLock lock(output);
    WriteRecordFile(output, target.storedKind, target.cipher, list.records, target.key);
    context.out << "Records added: " << added << "\n";
    if (!imported.unstorable.empty()) {
        context.out << "\"?\" replaced characters in: " << unstorableList(imported.unstorable)
                    << "\n";
    }
    return kExitSuccess;
}

} // namespace vantrel::cli
