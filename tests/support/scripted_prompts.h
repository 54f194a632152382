#pragma once

// A Prompts for the tests that drive commands: it answers from a script and
// logs what was asked.

#include "session/prompts.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vantrel::test {

class ScriptedPrompts : public Prompts {
public:
    // Answers of confirm() and ask(), in order.
    std::deque<Answer> answers;
    // Results of the open and save dialogs, in order (nullopt = cancelled).
    std::deque<std::optional<std::filesystem::path>> fileNames;
    // Passwords typed into askPassword(), in order (nullopt = cancelled).
    std::deque<std::optional<std::string>> passwords;
    // What was asked, in order: "confirm: <text>", "inform: <text>",
    // "ask: <text>", "error: <text>", "open", "save", "password: <text>",
    // "disk change: <text>", "open csv", "save csv".
    std::vector<std::string> log;

    Answer confirm(const std::string& text, Buttons buttons) override {
        log.push_back("confirm: " + text);
        lastButtons = buttons;
        return nextAnswer(text);
    }
    void inform(const std::string& text) override { log.push_back("inform: " + text); }
    Answer ask(const std::string& text) override {
        log.push_back("ask: " + text);
        return nextAnswer(text);
    }
    void showError(const std::string& text) override { log.push_back("error: " + text); }
    std::optional<std::filesystem::path> openFileName() override { return nextFile("open"); }
    std::optional<std::filesystem::path>
    saveFileName(const std::filesystem::path& suggested) override {
        suggestedNames.push_back(suggested);
        return nextFile("save");
    }

    std::optional<SecretString> askPassword(const std::string& text) override {
        log.push_back("password: " + text);
        if (passwords.empty()) {
            ADD_FAILURE() << "unexpected password question: " << text;
            return std::nullopt;
        }
        std::optional<std::string> typed = passwords.front();
        passwords.pop_front();
        if (!typed) {
            return std::nullopt;
        }
        return SecretString(std::move(*typed));
    }

    // Answers of askDiskChange(), in order.
    std::deque<DiskChangeAnswer> diskChangeAnswers;
    DiskChangeAnswer askDiskChange(const std::string& text) override {
        log.push_back("disk change: " + text);
        if (diskChangeAnswers.empty()) {
            ADD_FAILURE() << "unexpected question about a change on disk: " << text;
            return DiskChangeAnswer::Cancel;
        }
        const DiskChangeAnswer answer = diskChangeAnswers.front();
        diskChangeAnswers.pop_front();
        return answer;
    }

    std::optional<std::filesystem::path> openCsvFileName() override { return nextFile("open csv"); }
    // The layouts chosen in the export's save dialogs, in order (the offered
    // one when the list runs out).
    std::deque<CsvLayout> csvLayouts;
    std::optional<CsvExportChoice> saveCsvFileName(const std::filesystem::path& suggested,
                                                   CsvLayout layout) override {
        suggestedNames.push_back(suggested);
        std::optional<std::filesystem::path> file = nextFile("save csv");
        if (!file) {
            return std::nullopt;
        }
        if (!csvLayouts.empty()) {
            layout = csvLayouts.front();
            csvLayouts.pop_front();
        }
        return CsvExportChoice{*file, layout};
    }

    // What each save dialog offered, in order.
    std::vector<std::filesystem::path> suggestedNames;

    // Whether every scripted answer was used.
    bool exhausted() const {
        return answers.empty() && fileNames.empty() && passwords.empty() &&
               diskChangeAnswers.empty();
    }

    Buttons lastButtons = Buttons::OkCancel;

private:
    Answer nextAnswer(const std::string& text) {
        if (answers.empty()) {
            ADD_FAILURE() << "unexpected question: " << text;
            return Answer::Cancel;
        }
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::optional<std::filesystem::path> nextFile(const std::string& kind) {
        log.push_back(kind);
        if (fileNames.empty()) {
            ADD_FAILURE() << "unexpected " << kind << " dialog";
            return std::nullopt;
        }
        auto name = fileNames.front();
        fileNames.pop_front();
        return name;
    }
};

} // namespace vantrel::test
