#include "ui/widgets/DesktopLinks.h"

#include "base/AppInfo.h"

#include <QProcess>
#include <QUrl>

namespace larkspire {

void OpenWithShell(const QString& text)
{
    // The desktop decides what opens the text; like the shell's own verb, its outcome is not examined.
    QProcess::startDetached(QStringLiteral("xdg-open"), {text});
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
