#include "run/RowTask.h"

#include "base/AsciiText.h"
#include "base/PingStatus.h"

#include <string>
#include <utility>

namespace larkspire {

namespace {

// Trivially destructible, so exiting while tasks run destroys nothing they use.
std::atomic<std::size_t> rowTasksAlive{0};

// The state of one row's check; no two rows share any of it.
class RowTask {
public:
    RowTask(std::shared_ptr<RunContext> context, int row) : context_(std::move(context)), row_(row) { ++rowTasksAlive; }
    ~RowTask() { --rowTasksAlive; }
    RowTask(const RowTask&) = delete;
    RowTask& operator=(const RowTask&) = delete;

    void Run() {
        RunWindow& window = *context_->window;
        if (window.AbortFlag() || context_->windowGone) return;
        if (!context_->HandOver([&] { ShowStarted(window); })) return;
        // Whatever the checker holds (the programs hand in the URL checker) lives only for this call.
        const CheckOutcome outcome = context_->checker(url_, window.TimeoutSeconds(), window.AbortFlag());
        context_->HandOver([&] { window.SetRowStatus(row_, outcome.status, outcome.reason); });
    }

private:
    // Keeps the row being started ten rows below the top of the view.
    void ShowStarted(RunWindow& window) {
        if (row_ >= 10) window.MakeTopRow(row_ - 10);
        window.SetRowStatus(row_, std::u16string(StatusPinging), {});
        url_ = window.RowUrl(row_);
        window.SetProcessedText(DecimalText(row_ + 1));
    }

    const std::shared_ptr<RunContext> context_;
    std::u16string url_;
    const int row_;
};

}  // namespace

Task MakeRowTask(std::shared_ptr<RunContext> context, int row) {
    auto task = std::make_shared<RowTask>(std::move(context), row);
    return [task] { task->Run(); };
}

std::size_t RowTasksAlive() {
    return rowTasksAlive;
}

}  // namespace larkspire
