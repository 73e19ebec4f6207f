#include "run/RowTask.h"

#include "base/AsciiText.h"
#include "base/PingStatus.h"

#include <string>
#include <utility>

namespace larkspire {

namespace {

// Trivially destructible, so exiting while tasks run destroys nothing they use.
std::atomic<std::size_t> rowTasksAlive{0};

// Shows the row as started and keeps it ten rows below the top of the view.
void ShowStarted(RunWindow& window, int row) {
    if (row >= 10) window.MakeTopRow(row - 10);
    window.SetRowStatus(row, CheckOutcome{std::u16string(StatusPinging)});
    window.SetProcessedText(DecimalText(row + 1));
}

// The state of one row's check; no two rows share any of it.
class RowTask {
public:
    RowTask(std::shared_ptr<RunContext> context, int row, std::u16string url)
        : context_(std::move(context)), url_(std::move(url)), row_(row) {
        ++rowTasksAlive;
    }
    ~RowTask() { --rowTasksAlive; }
    RowTask(const RowTask&) = delete;
    RowTask& operator=(const RowTask&) = delete;

    void Run() {
        RunWindow* window = context_->window.get();
        if (window->AbortFlag() || context_->windowGone) return;
        const int row = row_;
        if (!context_->Post([window, row] { ShowStarted(*window, row); })) return;
        // Whatever the checker holds (the programs hand in the URL checker) lives only for this call.
        CheckOutcome outcome = context_->checker(url_, window->TimeoutSeconds(), window->AbortFlag());
        context_->Post([window, row, outcome = std::move(outcome)] {
            window->SetRowStatus(row, outcome);
        });
    }

private:
    const std::shared_ptr<RunContext> context_;
    const std::u16string url_;
    const int row_;
};

}  // namespace

Task MakeRowTask(std::shared_ptr<RunContext> context, int row, std::u16string url) {
    auto task = std::make_shared<RowTask>(std::move(context), row, std::move(url));
    return [task] { task->Run(); };
}

std::size_t RowTasksAlive() {
    return rowTasksAlive;
}

}  // namespace larkspire
