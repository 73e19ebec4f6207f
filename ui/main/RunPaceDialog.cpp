#include "ui/main/RunPaceDialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QSpinBox>
#include <QVBoxLayout>

namespace larkspire {
namespace {

const QString NoLimitText = QStringLiteral("No limit");

QSpinBox* MakeBox(QWidget* parent, const char* name, int most, const QString& zeroText = QString())
{
    auto* box = new QSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(0, most);
    box->setSpecialValueText(zeroText);
    return box;
}

}  // namespace

RunPaceDialog::RunPaceDialog(QWidget* parent)
    : QDialog(parent),
      retriesWhenAskedBox(MakeBox(this, "retriesWhenAskedBox", kMostRetriesWhenAsked)),
      retriesOfFailuresBox(MakeBox(this, "retriesOfFailuresBox", kMostRetriesOfFailures)),
      checksPerHostBox(MakeBox(this, "checksPerHostBox", kMostChecksPerHost, NoLimitText)),
      requestsPerSecondBox(MakeBox(this, "requestsPerSecondBox", kMostRequestsPerSecond, NoLimitText)),
      buttons(new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this))
{
    setObjectName(QStringLiteral("runPaceDialog"));
    setWindowTitle(QStringLiteral("Settings"));
    setModal(true);
    buttons->setObjectName(QStringLiteral("runPaceButtons"));

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Retries on 429/503"), retriesWhenAskedBox);
    form->addRow(QStringLiteral("Retry failures"), retriesOfFailuresBox);
    form->addRow(QStringLiteral("At most K checks at a time per host"), checksPerHostBox);
    form->addRow(QStringLiteral("At most R requests per second per host"), requestsPerSecondBox);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    SetPace(RunPace{});
}

void RunPaceDialog::SetPace(const RunPace& pace)
{
    retriesWhenAskedBox->setValue(pace.retriesWhenAsked);
    retriesOfFailuresBox->setValue(pace.retriesOfFailures);
    checksPerHostBox->setValue(pace.checksPerHost);
    requestsPerSecondBox->setValue(pace.requestsPerSecond);
}

RunPace RunPaceDialog::Pace() const
{
    return RunPace{.retriesWhenAsked = retriesWhenAskedBox->value(),
                   .retriesOfFailures = retriesOfFailuresBox->value(),
                   .checksPerHost = checksPerHostBox->value(),
                   .requestsPerSecond = requestsPerSecondBox->value()};
}

}  // namespace larkspire
