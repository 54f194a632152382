#pragma once

#include <QFileSystemWatcher>
#include <QObject>
#include <QString>
#include <QTimer>

#include <filesystem>

namespace vantrel {

// Watches one file and its folder and says when either changed. A sync tool
// replaces a file by renaming a new one over it, which ends the watch of the
// old file: the file is watched again after every event. A burst of events
// (a write in pieces, a rename and its folder) comes out as one `changed`.
class FileWatch : public QObject {
    Q_OBJECT
public:
    explicit FileWatch(QObject* parent = nullptr);

    // Watches `file` from now on (an empty path: nothing).
    void watch(const std::filesystem::path& file);
    const QString& file() const { return file_; }

signals:
    void changed();

private:
    void noticed();

    QFileSystemWatcher watcher_;
    QTimer settle_;
    QString file_;
};

} // namespace vantrel
