#include "ui/main/RunFollower.h"

#include "ui/main/PingTableModel.h"

#include <QScrollBar>
#include <QSortFilterProxyModel>
#include <QTableView>

namespace larkspire {

RunFollower::RunFollower(QTableView& view, QSortFilterProxyModel& rows) : QObject(&view), view_(view), rows_(rows)
{
    connect(view_.verticalScrollBar(), &QScrollBar::valueChanged, this, &RunFollower::OnScrolled);
}

void RunFollower::Resume()
{
    target_ = -1;
    following_ = true;
}

void RunFollower::Follow(int row)
{
    target_ = row;
    if (!following_ || rows_.sortColumn() >= 0) return;
    const int viewRow = TargetViewRow();
    if (viewRow < 0) return;
    ChangeView([&] { ScrollRowToTop(view_, viewRow); });
}

bool RunFollower::Following() const { return following_; }

void RunFollower::OnScrolled()
{
    if (scrolling_) return;
    const int viewRow = TargetViewRow();
    if (viewRow < 0) return;
    // At the end of the table the run's row cannot come to the top: the bottom is where the run is.
    const QScrollBar& bar = *view_.verticalScrollBar();
    following_ = view_.rowAt(0) >= viewRow || bar.value() == bar.maximum();
}

int RunFollower::TargetViewRow() const
{
    if (target_ < 0 || target_ >= rows_.sourceModel()->rowCount()) return -1;
    return rows_.mapFromSource(rows_.sourceModel()->index(target_, 0)).row();
}

}  // namespace larkspire
