#pragma once

#include "session/clipboard_settings.h"

#include <QClipboard>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <functional>

namespace vantrel {

// Puts the secrets the program copies (passwords, names, resources) on the
// clipboard, and the primary selection where the platform has one, marked
// for clipboard managers to keep out of their history; takes them off again
// after the delay and when the program ends (with a delay of 0, never). It only
// takes off what it put there: text copied elsewhere meanwhile stays, and ends
// the count.
class ClipboardGuard : public QObject {
    Q_OBJECT
public:
    // The format clipboard managers look for, and its value.
    static constexpr const char* kHintFormat = "x-kde-passwordManagerHint";
    static constexpr const char* kHintValue = "secret";

    // The one guard of the application, created on first use.
    static ClipboardGuard& instance();

    // Where the delay comes from, for as long as `owner` exists; without one
    // it is kDefaultClipboardSeconds.
    void setDelaySource(QObject* owner, std::function<ClipboardDelay()> source);

    // Copies the text; a new copy restarts the count. An empty text is not
    // copied.
    void copy(const QString& text);
    // Takes our text off the clipboard now, if it is still there.
    void clear();
    // Seconds until the clipboard is cleared; 0 when nothing is pending.
    int secondsLeft() const { return secondsLeft_; }

signals:
    // The count changed (0: nothing pending any more).
    void countdown(int secondsLeft);
    // The delay setting could not be used (the text says why).
    void problem(const QString& text);

private:
    explicit ClipboardGuard(QObject* parent);
    bool holdsOurs(QClipboard::Mode mode) const;
    void tick();
    // Ends the count once our text is neither on the clipboard nor in the
    // selection.
    void clipboardChanged();

    QString copied_;
    int secondsLeft_ = 0;
    bool copying_ = false; // while copy() puts our own text there
    QTimer ticker_;
    QPointer<QObject> delayOwner_;
    std::function<ClipboardDelay()> delaySource_;
};

} // namespace vantrel
