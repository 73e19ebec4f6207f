#include "ui/widgets/DesktopLinks.h"

#include "base/AppInfo.h"
#include "ui/widgets/Dialogs.h"

#include <QProcess>
#include <QUrl>

namespace larkspire {

bool OpenWithShell(const QString& text)
{
    // The desktop decides what opens the text; what the handler then does is not examined.
    return QProcess::startDetached(QStringLiteral("xdg-open"), {text});
}

void OpenLink(QWidget* parent, const QString& address)
{
    if (!OpenWithShell(address)) Dialogs::ShowMessage(parent, LinkNotOpenedMessage(address));
}

QString LinkNotOpenedMessage(const QString& address)
{
    return QStringLiteral("No program could be started to open %1. Please open it by hand.").arg(address);
}

bool IsWebAddress(const QString& text)
{
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme();
    return url.isValid() && (scheme == u"http" || scheme == u"https") && !url.host().isEmpty() &&
           text.startsWith(scheme + QStringLiteral("://"), Qt::CaseInsensitive);
}

QString NotAWebAddressMessage(const QString& text)
{
    return QStringLiteral("\"%1\" is not an http or https address; nothing was opened").arg(text);
}

QString OnlineManualAddress() { return QStringLiteral("http://docs.larkspire.example/index.html?indexer_home.html"); }

QString SupportLink(const AppInfo& info)
{
    return QStringLiteral("mailto:") + QString::fromStdString(info.supportMail) + QStringLiteral("?subject=") +
           QString::fromStdString(info.name) + QStringLiteral(" support request");
}

}  // namespace larkspire
