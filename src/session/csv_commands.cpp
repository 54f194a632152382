#include "session/csv_commands.h"

#include "base/error.h"
#include "formats/csv_records.h"
#include "session/expiry.h"
#include "session/file_commands.h"

namespace vantrel {

namespace {

// The records of an import, wiped unless handed over.
struct ImportedRecords {
    CsvImport import;
    ~ImportedRecords() {
        for (Record& record : import.records) {
            WipeRecord(record);
        }
    }
};

} // namespace

std::optional<CsvImportResult> ImportCsvIntoList(Session& session, Prompts& prompts) {
    const std::optional<std::filesystem::path> file = prompts.openCsvFileName();
    if (!file) {
        return std::nullopt;
    }
    SecretString text(ReadCsvFile(*file));
    CsvImportOptions options{.replaceUnstorable = false, .currentYear = LocalYear()};
    ImportedRecords imported{ImportCsvRecords(text.value(), session.records(), options)};
    if (!imported.import.unstorable.empty()) {
        const std::string question =
            formatMessage(kCsvUnstorableQuestion, UnstorableFieldsText(imported.import.unstorable));
        if (prompts.confirm(question, Prompts::Buttons::YesNo) != Prompts::Answer::Yes) {
            return std::nullopt;
        }
        options.replaceUnstorable = true;
        imported.import = ImportCsvRecords(text.value(), session.records(), options);
    }
    CsvImportResult result;
    result.added = imported.import.records.size();
    result.first = session.addAll(std::move(imported.import.records));
    imported.import.records.clear();
    std::string note = kCsvAddedNote + std::to_string(result.added);
    if (!imported.import.unstorable.empty()) {
        note += std::string("\r\r") + kCsvReplacedNote +
                UnstorableFieldsText(imported.import.unstorable);
    }
    prompts.inform(note);
    return result;
}

std::optional<std::filesystem::path> ExportListAsCsv(const Session& session, Prompts& prompts) {
    std::filesystem::path suggested = session.currentFile();
    if (!suggested.empty()) {
        suggested.replace_extension(".csv");
    }
    std::optional<Prompts::CsvExportChoice> choice =
        prompts.saveCsvFileName(suggested, CsvLayout::Vantrel);
    while (choice && SomethingIsAt(choice->file) && !ReplacingAgreed(prompts, choice->file)) {
        choice = prompts.saveCsvFileName(choice->file, choice->layout);
    }
    if (!choice) {
        return std::nullopt;
    }
    WriteCsvFile(choice->file, session.records(), choice->layout, LocalYear());
    return choice->file;
}

} // namespace vantrel
