#include "forms/clipboard_guard.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMimeData>

#include <algorithm>

namespace vantrel {

namespace {

QMimeData* secretData(const QString& text) {
    auto* data = new QMimeData;
    data->setText(text);
    data->setData(QString::fromLatin1(ClipboardGuard::kHintFormat),
                  QByteArray(ClipboardGuard::kHintValue));
    return data;
}

// The clipboard, and the primary selection where there is one.
QList<QClipboard::Mode> modes() {
    QList<QClipboard::Mode> result{QClipboard::Clipboard};
    if (QGuiApplication::clipboard()->supportsSelection()) {
        result.append(QClipboard::Selection);
    }
    return result;
}

} // namespace

ClipboardGuard& ClipboardGuard::instance() {
    static QPointer<ClipboardGuard> guard;
    if (guard.isNull()) {
        guard = new ClipboardGuard(QCoreApplication::instance());
    }
    return *guard;
}

ClipboardGuard::ClipboardGuard(QObject* parent) : QObject(parent) {
    ticker_.setInterval(1000);
    connect(&ticker_, &QTimer::timeout, this, &ClipboardGuard::tick);
    connect(QGuiApplication::clipboard(), &QClipboard::changed, this,
            &ClipboardGuard::clipboardChanged);
    // The clipboard is gone before the application's children are deleted. A
    // window that outlives the application (a static one) finds none.
    if (const QCoreApplication* application = QCoreApplication::instance()) {
        connect(application, &QCoreApplication::aboutToQuit, this, &ClipboardGuard::clear);
    }
}

void ClipboardGuard::setDelaySource(QObject* owner, std::function<ClipboardDelay()> source) {
    delayOwner_ = owner;
    delaySource_ = std::move(source);
}

void ClipboardGuard::copy(const QString& text) {
    if (text.isEmpty()) {
        return;
    }
    ClipboardDelay delay;
    if (!delayOwner_.isNull() && delaySource_) {
        delay = delaySource_();
    }
    copying_ = true;
    for (const QClipboard::Mode mode : modes()) {
        QGuiApplication::clipboard()->setMimeData(secretData(text), mode);
    }
    copying_ = false;
    // With no delay the text is the user's to keep, on exit too.
    copied_ = delay.seconds > 0 ? text : QString();
    if (!delay.problem.empty()) {
        emit problem(QString::fromStdString(delay.problem));
    }
    secondsLeft_ = delay.seconds;
    if (secondsLeft_ > 0) {
        ticker_.start();
    } else {
        ticker_.stop();
    }
    emit countdown(secondsLeft_);
}

bool ClipboardGuard::holdsOurs(QClipboard::Mode mode) const {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(mode);
    return data != nullptr && data->hasFormat(QString::fromLatin1(kHintFormat)) &&
           data->text() == copied_;
}

void ClipboardGuard::clear() {
    ticker_.stop();
    if (!copied_.isEmpty()) {
        for (const QClipboard::Mode mode : modes()) {
            if (holdsOurs(mode)) {
                QGuiApplication::clipboard()->clear(mode);
            }
        }
        copied_.clear();
    }
    if (secondsLeft_ != 0) {
        secondsLeft_ = 0;
        emit countdown(0);
    }
}

void ClipboardGuard::tick() {
    // The last second runs out in clear(), which tells the count is over.
    if (secondsLeft_ <= 1) {
        clear();
        return;
    }
    emit countdown(--secondsLeft_);
}

void ClipboardGuard::clipboardChanged() {
    if (copying_ || secondsLeft_ == 0) {
        return;
    }
    const QList<QClipboard::Mode> all = modes();
    if (std::none_of(all.begin(), all.end(),
                     [this](QClipboard::Mode mode) { return holdsOurs(mode); })) {
        // The user copied something else: nothing of ours is left to take
        // off, and theirs stays.
        clear();
    }
}

} // namespace vantrel
