#include "forms/screen_lock_signals.h"

#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>

#include <unistd.h>

namespace vantrel {

namespace {

constexpr const char* kScreenSaverInterfaces[] = {
    "org.freedesktop.ScreenSaver",
    "org.gnome.ScreenSaver",
    "org.xfce.ScreenSaver",
};
const QString kLogin1Service = QStringLiteral("org.freedesktop.login1");
const QString kLogin1Path = QStringLiteral("/org/freedesktop/login1");
const QString kLogin1Manager = QStringLiteral("org.freedesktop.login1.Manager");
const QString kLogin1Session = QStringLiteral("org.freedesktop.login1.Session");

} // namespace

ScreenLockSignals::ScreenLockSignals(QDBusConnection sessionBus, QDBusConnection systemBus,
                                     QObject* parent)
    : QObject(parent), sessionBus_(std::move(sessionBus)), systemBus_(std::move(systemBus)) {
    if (sessionBus_.isConnected()) {
        // Any sender and any path: screen savers differ in both.
        for (const char* interface : kScreenSaverInterfaces) {
            sessionBus_.connect(QString(), QString(), QString::fromLatin1(interface),
                                QStringLiteral("ActiveChanged"), this, SLOT(onActiveChanged(bool)));
        }
    }
    if (systemBus_.isConnected()) {
        systemBus_.connect(kLogin1Service, kLogin1Path, kLogin1Manager,
                           QStringLiteral("PrepareForSleep"), this, SLOT(onPrepareForSleep(bool)));
        findLoginSession();
    }
}

void ScreenLockSignals::askForSession(const QString& method, const QVariant& argument,
                                      const std::function<void()>& otherwise) {
    QDBusMessage call =
        QDBusMessage::createMethodCall(kLogin1Service, kLogin1Path, kLogin1Manager, method);
    call << argument;
    auto* watcher = new QDBusPendingCallWatcher(systemBus_.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this, otherwise](QDBusPendingCallWatcher* finished) {
                finished->deleteLater();
                const QDBusPendingReply<QDBusObjectPath> reply = *finished;
                if (!reply.isError()) {
                    listenToSession(reply.value().path());
                } else if (otherwise) {
                    otherwise();
                }
            });
}

void ScreenLockSignals::findLoginSession() {
    askForSession(QStringLiteral("GetSessionByPID"), static_cast<uint>(getpid()), [this] {
        // A program started outside any login session (a terminal
        // multiplexer, a systemd user unit) still knows its session from the
        // environment.
        const QString id = qEnvironmentVariable("XDG_SESSION_ID");
        if (!id.isEmpty()) {
            askForSession(QStringLiteral("GetSession"), id, {});
        }
    });
}

void ScreenLockSignals::listenToSession(const QString& path) {
    sessionPath_ = path;
    systemBus_.connect(kLogin1Service, path, kLogin1Session, QStringLiteral("Lock"), this,
                       SLOT(onSessionLock()));
    emit loginSessionFound(path);
}

void ScreenLockSignals::onActiveChanged(bool active) {
    if (active) {
        request();
    }
}

void ScreenLockSignals::onPrepareForSleep(bool start) {
    if (start) {
        request();
    }
}

void ScreenLockSignals::onSessionLock() {
    request();
}

void ScreenLockSignals::request() {
    if (enabled_) {
        emit lockRequested();
    }
}

} // namespace vantrel
