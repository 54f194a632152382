#include "forms/file_watch.h"

#include <QFileInfo>

namespace vantrel {

namespace {
// Long enough for a sync tool to finish the rename it began.
constexpr int kSettleMilliseconds = 250;
} // namespace

FileWatch::FileWatch(QObject* parent) : QObject(parent) {
    settle_.setSingleShot(true);
    settle_.setInterval(kSettleMilliseconds);
    connect(&settle_, &QTimer::timeout, this, &FileWatch::changed);
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, &FileWatch::noticed);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, &FileWatch::noticed);
}

void FileWatch::watch(const std::filesystem::path& file) {
    const QString wanted = QString::fromStdString(file.string());
    if (wanted != file_) {
        if (!watcher_.files().isEmpty()) {
            watcher_.removePaths(watcher_.files());
        }
        if (!watcher_.directories().isEmpty()) {
            watcher_.removePaths(watcher_.directories());
        }
        file_ = wanted;
    }
    if (file_.isEmpty()) {
        return;
    }
    const QFileInfo info(file_);
    if (!watcher_.directories().contains(info.absolutePath())) {
        watcher_.addPath(info.absolutePath());
    }
    // A file renamed over the old one is a new file: watched again.
    if (info.exists()) {
        watcher_.removePath(file_);
        watcher_.addPath(file_);
    }
}

void FileWatch::noticed() {
    watch(file_.toStdString());
    settle_.start();
}

} // namespace vantrel
