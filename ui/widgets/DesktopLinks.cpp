#include "ui/widgets/DesktopLinks.h"

#include "base/AppInfo.h"
#include "ui/widgets/Dialogs.h"

#include <QProcess>

namespace larkspire {

bool OpenWithShell(const QString& text)
{
    // The desktop decides what opens the text; what the handler then does is not examined.
    return QProcess::startDetached(QStringLiteral("xdg-open"), {text});
}

void OpenLink(QWidget* parent, const QString& address)
{
    if (!OpenWithShell(address))
        Dialogs::ShowMessage(parent, LinkNotOpenedMessage(address));
}

QString LinkNotOpenedMessage(const QString& address)
{
    return QStringLiteral("No program could be started to open %1. Please open it by hand.").arg(address);
}

QString OnlineManualAddress()
{
    return QStringLiteral("http://docs.larkspire.example/index.html?indexer_home.html");
}

QString SupportLink(const AppInfo& info)
{
    return QStringLiteral("mailto:") + QString::fromStdString(info.supportMail) + QStringLiteral("?subject=")
        + QString::fromStdString(info.name) + QStringLiteral(" support request");
}

}  // namespace larkspire
