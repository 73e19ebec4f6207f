#pragma once

#include <QString>

class QWidget;

namespace larkspire {

class AppInfo;

// Hands `text` to the desktop's default handler (xdg-open found on PATH): a web address, a mailto link
// or anything else, unchanged and as one argument, through no shell. Does not wait for the handler and
// shows nothing; false when it cannot be started.
bool OpenWithShell(const QString& text);

// OpenWithShell for one of the program's own links; when no handler can be started, a message names the
// address so that the user can open it by hand.
void OpenLink(QWidget* parent, const QString& address);

// The message OpenLink shows.
QString LinkNotOpenedMessage(const QString& address);

// Whether `text` is an http or https address with a host: the only row texts handed to the browser, so
// that a row can never start anything else ("--help", "file:///etc/passwd", an empty row).
bool IsWebAddress(const QString& text);

// The message shown in place of opening a row that is not a web address.
QString NotAWebAddressMessage(const QString& text);

// The program's page of the online manual.
QString OnlineManualAddress();

// "mailto:" + SUPPORTMAIL + "?subject=" + SOFTWARENAME + " support request", the subject as it is.
QString SupportLink(const AppInfo& info);

}  // namespace larkspire
