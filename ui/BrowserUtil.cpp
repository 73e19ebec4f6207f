#include "ui/BrowserUtil.h"

#include "app/CommonVarsC.h"

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

QString SupportLink(const CommonVars& vars)
{
    return QStringLiteral("mailto:") + vars.SUPPORTMAIL + QStringLiteral("?subject=") + vars.SOFTWARENAME
        + QStringLiteral(" support request");
}

}  // namespace larkspire
