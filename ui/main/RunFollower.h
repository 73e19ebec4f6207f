#pragma once

#include <QObject>

#include <utility>

class QSortFilterProxyModel;
class QTableView;

namespace larkspire {

// Keeps the table's view on the rows a run has under way while the user lets it. Scrolling up, away from them,
// stops the following, so results can be read while the run goes on; scrolling back down to where the run is
// resumes it. The view follows only while it shows the table's own order: sorted, the rows under way are
// scattered over the whole view.
class RunFollower final : public QObject {
    Q_OBJECT

public:
    RunFollower(QTableView& view, QSortFilterProxyModel& rows);

    // A run starts: follow it again wherever the user left the view.
    void Resume();
    // The run would have table row `row` at the top of the view; it is put there while following.
    void Follow(int row);
    bool Following() const;
    // Runs `change`, a change of what the view shows (filter, sort), without taking the scrolling it causes for
    // the user's.
    template <typename Change>
    void ChangeView(Change&& change)
    {
        const bool inside = std::exchange(scrolling_, true);
        change();
        scrolling_ = inside;
    }

private:
    void OnScrolled();
    // The view row of the table row the run wants at the top, or -1 when the view does not show it.
    int TargetViewRow() const;

    QTableView& view_;
    QSortFilterProxyModel& rows_;
    int target_ = -1;
    bool following_ = true;
    bool scrolling_ = false;  // the scroll under way is this object's own
};

}  // namespace larkspire
