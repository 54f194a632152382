#pragma once

// Helpers of the main window's tests: a Prompts that answers from a script and
// logs what was asked, a temporary folder, and whole-file reads and writes.

#include "storage/prompts.h"

#include <gtest/gtest.h>

#include <deque>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include <stdlib.h>

namespace vantrel::mwtest {

class ScriptedPrompts : public Prompts {
public:
    // Answers of confirm() and ask(), in order.
    std::deque<Answer> answers;
    // Results of the open and save dialogs, in order (nullopt = cancelled).
    std::deque<std::optional<std::filesystem::path>> fileNames;
    // What was asked, in order: "confirm: <text>", "inform: <text>",
    // "ask: <text>", "error: <text>", "open", "save".
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
    std::optional<std::filesystem::path> saveFileName() override { return nextFile("save"); }

    // Whether every scripted answer was used.
    bool exhausted() const { return answers.empty() && fileNames.empty(); }

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

// A fresh folder, removed with its content at the end of the test.
class TempDir {
public:
    TempDir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vantrel-mw-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("mkdtemp failed");
        }
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

inline void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path.string());
    }
}

inline std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path.string());
    }
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

} // namespace vantrel::mwtest
