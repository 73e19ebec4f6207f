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

// The program's page of the online manual.
QString OnlineManualAddress();

// "mailto:" + SUPPORTMAIL + "?subject=" + SOFTWARENAME + " support request", the subject as it is.
QString SupportLink(const AppInfo& info);

}  // namespace larkspire
