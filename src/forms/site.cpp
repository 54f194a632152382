#include "forms/site.h"

#include "base/error.h"
#include "product_config.h"

#include <QDesktopServices>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <utility>

namespace vantrel {

namespace {

AddressOpener& opener() {
    static AddressOpener current = [](const QUrl& url) { return QDesktopServices::openUrl(url); };
    return current;
}

} // namespace

std::string MailtoAddress(const std::string& displayName, const std::string& address) {
    return "mailto:\"" + displayName + "\" <" + address + ">?subject=VTR";
}

void OpenAddress(const QString& address) {
    // Tolerant parsing percent-encodes the blanks, quotes and angle brackets.
    const QUrl url(address, QUrl::TolerantMode);
    if (opener()(url)) {
        return;
    }
    if (url.scheme() == QLatin1String("mailto")) {
        throw Error("Не удалось написать письмо: не найдена почтовая программа");
    }
    throw Error("Не удалось открыть адрес " + url.toDisplayString().toStdString() +
                ": не найден браузер");
}

void OpenSiteAddress() {
    OpenAddress(QString::fromUtf8(product::kSiteUrl));
}

void OpenMailAddress() {
    OpenAddress(QString::fromStdString(MailtoAddress(product::kMailName, product::kMailAddress)));
}

AddressOpener SetAddressOpener(AddressOpener replacement) {
    return std::exchange(opener(), std::move(replacement));
}

void CenterOnScreen(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr) {
        return;
    }
    QRect frame = window->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window->move(frame.topLeft());
}

} // namespace vantrel
