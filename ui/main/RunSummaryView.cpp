#include "ui/main/RunSummaryView.h"

#include "ui/main/StatusTally.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>

#include <algorithm>

namespace larkspire {
namespace {

QString CountsText(const StatusTally& tally)
{
    return QStringLiteral("Completed %1 \u00b7 Error %2 \u00b7 Timeout %3 \u00b7 Aborted %4 \u00b7 Not checked %5")
        .arg(tally.Count(StatusKind::Completed))
        .arg(tally.Count(StatusKind::Error))
        .arg(tally.Count(StatusKind::Timeout))
        .arg(tally.Count(StatusKind::Aborted))
        .arg(tally.Rows() - tally.Finished());
}

}  // namespace

RunSummaryView::RunSummaryView(QWidget* parent)
    : QWidget(parent), progress_(new QProgressBar(this)), counts_(new QLabel(this))
{
    setObjectName(QStringLiteral("runSummaryView"));
    progress_->setObjectName(QStringLiteral("runProgressBar"));
    progress_->setTextVisible(true);
    progress_->setFixedWidth(160);
    counts_->setObjectName(QStringLiteral("runCountsLabel"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(counts_);
    layout->addWidget(progress_);
    Show(StatusTally());
}

void RunSummaryView::Show(const StatusTally& tally)
{
    // A bar of no rows would show Qt's busy animation; it shows an empty bar instead.
    progress_->setRange(0, std::max(tally.Rows(), 1));
    progress_->setValue(tally.Finished());
    progress_->setFormat(QStringLiteral("%1 / %2").arg(tally.Finished()).arg(tally.Rows()));
    counts_->setText(CountsText(tally));
}

}  // namespace larkspire
