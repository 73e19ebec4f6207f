#pragma once

#include <QWidget>

class QLabel;
class QProgressBar;

namespace larkspire {

class StatusTally;

// The status bar's lasting part: a bar of the checks finished out of the table's rows, and how many rows
// ended in each outcome. It shows what it was last given, also after the run.
class RunSummaryView final : public QWidget {
    Q_OBJECT

public:
    explicit RunSummaryView(QWidget* parent = nullptr);

    void Show(const StatusTally& tally);

private:
    QProgressBar* progress_;
    QLabel* counts_;
};

}  // namespace larkspire
