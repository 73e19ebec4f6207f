#include "ui/widgets/DesktopLinks.h"

#include "base/AppInfo.h"

#include <QProcess>

namespace larkspire {

void OpenWithShell(const QString& text)
{
    // The desktop decides what opens the text; like the shell's own verb, its outcome is not examined.
    QProcess::startDetached(QStringLiteral("xdg-open"), {text});
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
