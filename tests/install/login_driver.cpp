// A Qt input plugin for the install test: loaded into the real program through
// QT_QPA_GENERIC_PLUGINS="vantrellogindriver:NAME:PASSWORD", it types the name
// and password into the login dialog (the password once more where it is asked
// again), answers every message box with its "yes" (or accepting) button, and
// ends the program once a user is logged in. What it sees goes to stderr; after
// 30 s without a login it exits with 3.
#include <QApplication>
#include <QElapsedTimer>
#include <QGenericPlugin>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <cstdlib>

namespace {

class LoginDriver : public QObject {
public:
    LoginDriver(QString name, QString password)
        : name_(std::move(name)), password_(std::move(password)) {
        clock_.start();
        connect(&timer_, &QTimer::timeout, this, &LoginDriver::step);
        // The plugin is made before the application's event loop is ready for timers.
        QMetaObject::invokeMethod(
            this, [this] { timer_.start(50); }, Qt::QueuedConnection);
    }

private:
    void step() {
        if (clock_.elapsed() > 30000) {
            std::fprintf(stderr, "login driver: no login after 30 s\n");
            std::exit(3);
        }
        for (QWidget* window : QApplication::topLevelWidgets()) {
            if (auto* box = qobject_cast<QMessageBox*>(window);
                box != nullptr && box->isVisible()) {
                answer(*box);
                return;
            }
            if (window->isVisible() && window->objectName() == QLatin1String("fmRepeatPwd")) {
                window->findChild<QLineEdit*>(QStringLiteral("edRepeatPwd"))->setText(password_);
                QMetaObject::invokeMethod(window, "accept", Qt::QueuedConnection);
                return;
            }
        }
        QWidget* login = nullptr;
        for (QWidget* window : QApplication::allWidgets()) {
            if (window->objectName() == QLatin1String("fmUserPwd")) {
                login = window;
            }
        }
        if (login == nullptr || !login->isVisible()) {
            if (entered_) {
                std::fprintf(stderr, "login driver: logged in\n");
                QCoreApplication::quit();
            }
            return;
        }
        if (!entered_) {
            login->findChild<QLineEdit*>(QStringLiteral("cbUserName"))->setText(name_);
            login->findChild<QLineEdit*>(QStringLiteral("edPwd"))->setText(password_);
            entered_ = true;
            clickLater(login->findChild<QPushButton*>(QStringLiteral("btEnter")));
        }
    }

    static void answer(QMessageBox& box) {
        std::fprintf(stderr, "login driver: message \"%s\"\n", qPrintable(box.text()));
        QAbstractButton* chosen = nullptr;
        for (QAbstractButton* button : box.buttons()) {
            const auto role = box.buttonRole(button);
            if (role == QMessageBox::YesRole ||
                (role == QMessageBox::AcceptRole && chosen == nullptr)) {
                chosen = button;
            }
        }
        if (chosen != nullptr) {
            clickLater(chosen);
        }
    }

    // A click opens the next message box and waits in it; made from inside the
    // timer's handler it would keep the timer from firing in that wait.
    static void clickLater(QAbstractButton* button) {
        QMetaObject::invokeMethod(button, &QAbstractButton::click, Qt::QueuedConnection);
    }

    QString name_;
    QString password_;
    bool entered_ = false;
    QTimer timer_;
    QElapsedTimer clock_;
};

class LoginDriverPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "login_driver.json")
public:
    QObject* create(const QString&, const QString& arguments) override {
        // Qt hands the environment's bytes over as Latin-1; they are UTF-8.
        const QStringList parts = QString::fromUtf8(arguments.toLatin1()).split(QLatin1Char(':'));
        return new LoginDriver(parts.value(0), parts.value(1));
    }
};

} // namespace

#include "login_driver.moc"
