#pragma once

#include <QString>
#include <QUrl>

#include <functional>
#include <string>

class QWidget;

// What the help windows ask of the desktop: handing the developer's web site
// and mail address over, which the desktop opens with the user's browser or
// mail program, and placing a window in the middle of its screen.
namespace vantrel {

// The mail link's address: "mailto:" + the display name in double quotes, the
// address in angle brackets, then "?subject=VTR".
std::string MailtoAddress(const std::string& displayName, const std::string& address);

// Opens the developer's web site (SiteEnter), without checking the connection.
void OpenSiteAddress();
// Opens a new mail message to the developer.
void OpenMailAddress();
// Hands any address to the desktop. When no program takes it (no browser or
// mail program is installed), throws vantrel::Error saying so.
void OpenAddress(const QString& address);

// What hands an address over and says whether a program took it;
// QDesktopServices::openUrl unless replaced. Returns the previous one, so a
// test can put it back.
using AddressOpener = std::function<bool(const QUrl&)>;
AddressOpener SetAddressOpener(AddressOpener opener);

// Moves a window (already at its final size) to the middle of the screen it
// is on.
void CenterOnScreen(QWidget* window);

} // namespace vantrel
