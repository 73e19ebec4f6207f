#pragma once

#include <QString>

namespace larkspire {

class AppInfo;

// Hands `text` to the desktop's default handler (xdg-open found on PATH): a web address, a mailto link
// or anything else, unchanged and as one argument, through no shell. Does not wait for the handler and
// shows nothing when it cannot be started.
void OpenWithShell(const QString& text);

// The program's page of the online manual.
QString OnlineManualAddress();

// "mailto:" + SUPPORTMAIL + "?subject=" + SOFTWARENAME + " support request", the subject as it is.
QString SupportLink(const AppInfo& info);

}  // namespace larkspire
