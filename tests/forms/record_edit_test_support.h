#pragma once

// Shared pieces of the record editor's GUI tests: the offscreen application,
// a scripted Prompts and the snapshot folder.

#include "storage/file_commands_support.h"

#include <QApplication>
#include <QDir>
#include <QWidget>
#include <gtest/gtest.h>

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

// Answers questions from a script and logs everything it was asked.
using ScriptedPrompts = mwtest::ScriptedPrompts;

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
