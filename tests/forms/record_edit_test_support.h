#pragma once

// Shared pieces of the record editor's GUI tests: the offscreen application,
// a scripted Prompts and the snapshot folder.

#include "storage/prompts.h"

#include <QApplication>
#include <QDir>
#include <QWidget>
#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace vantrel::testing {

class QtEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
            qputenv("QT_QPA_PLATFORM", "offscreen");
        }
        static int argc = 1;
        static char name[] = "vantrel_gui_test";
        static char* argv[] = {name, nullptr};
        app_ = new QApplication(argc, argv);
    }
    void TearDown() override { delete app_; }

private:
    QApplication* app_ = nullptr;
};

inline ::testing::Environment* const kQtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// Answers confirmations from a script and logs everything it was asked.
class ScriptedPrompts : public Prompts {
public:
    std::deque<Answer> answers;
    std::vector<std::string> log; // "inform: ...", "error: ...", ...

    Answer confirm(const std::string& text, Buttons) override {
        log.push_back("confirm: " + text);
        return next(Answer::Cancel);
    }
    void inform(const std::string& text) override { log.push_back("inform: " + text); }
    Answer ask(const std::string& text) override {
        log.push_back("ask: " + text);
        return next(Answer::Cancel);
    }
    void showError(const std::string& text) override { log.push_back("error: " + text); }
    std::optional<std::filesystem::path> openFileName() override {
        log.push_back("open dialog");
        return std::nullopt;
    }
    std::optional<std::filesystem::path> saveFileName() override {
        log.push_back("save dialog");
        return std::nullopt;
    }

private:
    Answer next(Answer fallback) {
        if (answers.empty()) {
            return fallback;
        }
        const Answer answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

// Saves a picture of the widget as <name>.png into $VANTREL_SNAPSHOTS, when set.
inline void saveSnapshot(QWidget& widget, const QString& name) {
    const QString folder = qEnvironmentVariable("VANTREL_SNAPSHOTS");
    if (folder.isEmpty()) {
        return;
    }
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
    EXPECT_TRUE(widget.grab().save(path)) << path.toStdString();
}

} // namespace vantrel::testing
