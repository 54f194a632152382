#pragma once

// What every GUI test program shares: one offscreen Qt application for all of
// its tests and the pictures of windows saved for a look by eye.

#include <QApplication>
#include <QDir>
#include <QString>
#include <QWidget>
#include <gtest/gtest.h>

namespace vantrel::test {

// Creates the application before the first test and deletes it after the last.
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

// Saves a picture of the widget as <name>.png into $VANTREL_SNAPSHOTS, or else
// into the build's snapshots folder when the test program was built with one.
inline void SaveSnapshot(QWidget& widget, const QString& name) {
    QString folder = qEnvironmentVariable("VANTREL_SNAPSHOTS");
#ifdef VANTREL_DEFAULT_SNAPSHOTS
    if (folder.isEmpty()) {
        folder = QString::fromLocal8Bit(VANTREL_DEFAULT_SNAPSHOTS);
    }
#endif
    if (folder.isEmpty()) {
        return;
    }
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(name + QStringLiteral(".png"));
    EXPECT_TRUE(widget.grab().save(path)) << path.toStdString();
}

} // namespace vantrel::test
