#pragma once

#include "run/RunPace.h"

#include <QDialog>

class QDialogButtonBox;
class QSpinBox;

namespace larkspire {

// The Settings dialog: how politely the window's runs treat the services, as larkspire-ping's --retries,
// --retry-failures, --per-host and --rate do. It only shows and edits a pace; the window decides what OK keeps.
class RunPaceDialog final : public QDialog {
    Q_OBJECT

public:
    explicit RunPaceDialog(QWidget* parent);

    void SetPace(const RunPace& pace);
    RunPace Pace() const;

    QSpinBox* retriesWhenAskedBox;
    QSpinBox* retriesOfFailuresBox;
    QSpinBox* checksPerHostBox;      // 0 shows as "No limit"
    QSpinBox* requestsPerSecondBox;  // 0 shows as "No limit"
    QDialogButtonBox* buttons;
};

}  // namespace larkspire
