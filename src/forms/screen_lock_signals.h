#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QVariant>

#include <functional>

namespace vantrel {

// Listens on D-Bus for what should lock the program: a screen saver that
// becomes active (org.freedesktop.ScreenSaver, org.gnome.ScreenSaver and
// org.xfce.ScreenSaver ActiveChanged(true) on the session bus), and on the
// system bus logind's PrepareForSleep(true) and the Lock signal of this
// program's login session (found with GetSessionByPID, else by
// XDG_SESSION_ID). A bus or service that is not there is no error: that
// signal simply never comes.
class ScreenLockSignals : public QObject {
    Q_OBJECT
public:
    ScreenLockSignals(QDBusConnection sessionBus, QDBusConnection systemBus,
                      QObject* parent = nullptr);

    // Off: the signals are heard but lead to nothing.
    void setEnabled(bool enabled) { enabled_ = enabled; }
    bool enabled() const { return enabled_; }
    // The object path of this program's login session once found; empty until
    // then (or when there is none).
    QString loginSessionPath() const { return sessionPath_; }

signals:
    void lockRequested();
    // The login session was found (for the tests).
    void loginSessionFound(const QString& path);

private slots:
    void onActiveChanged(bool active);
    void onPrepareForSleep(bool start);
    void onSessionLock();

private:
    void findLoginSession();
    // Asks login1's manager for a session object with `method`; listens to
    // it when there is one, else runs `otherwise` (when set).
    void askForSession(const QString& method, const QVariant& argument,
                       const std::function<void()>& otherwise);
    void listenToSession(const QString& path);
    void request();

    QDBusConnection sessionBus_;
    QDBusConnection systemBus_;
    QString sessionPath_;
    bool enabled_ = true;
};

} // namespace vantrel
