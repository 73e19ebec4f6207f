#include "run/RowTask.h"

#include <optional>
#include <string>
#include <utility>

#include "base/AsciiText.h"
#include "base/PingStatus.h"
#include "run/RetryPolicy.h"

namespace larkspire {

namespace {

// Trivially destructible, so exiting while tasks run destroys nothing they use.
std::atomic<std::size_t> rowTasksAlive{0};

// Shows the row as started and keeps it ten rows below the top of the view.
void ShowStarted(RunWindow& window, int row)
{
    if (row >= 10) window.MakeTopRow(row - 10);
    window.SetRowStatus(row, CheckOutcome{std::u16string(StatusPinging)});
    window.SetProcessedText(DecimalText(row + 1));
}

// The state of one row's checks; no two rows share any of it.
class RowTask : public std::enable_shared_from_this<RowTask> {
public:
    RowTask(std::shared_ptr<RunContext> context, RowScheduler& scheduler, std::uint32_t host, int row,
            std::u16string url)
        : context_(std::move(context)), scheduler_(scheduler), url_(std::move(url)), host_(host), row_(row)
    {
        ++rowTasksAlive;
    }
    ~RowTask() { --rowTasksAlive; }
    RowTask(const RowTask&) = delete;
    RowTask& operator=(const RowTask&) = delete;

    void Run()
    {
        RunWindow* window = context_->window.get();
        const int row = row_;
        if (window->AbortFlag() || context_->windowGone) {
            // A row waiting for its next check keeps what its last check found.
            if (lastOutcome_)
                context_->Post(
                    [window, row, outcome = std::move(*lastOutcome_)] { window->SetRowStatus(row, outcome); });
            return;
        }
        const bool posted = lastOutcome_ ? context_->Post([window, row] {
            window->SetRowStatus(row, CheckOutcome{std::u16string(StatusPinging)});
        })
                                         : context_->Post([window, row] { ShowStarted(*window, row); });
        if (!posted) return;
        // Whatever the checker holds (the programs hand in the URL checker) lives only for this call.
        CheckOutcome outcome = context_->checker(url_, window->TimeoutSeconds(), window->AbortFlag());
        const std::optional<RetryWait> retry =
            window->AbortFlag() ? std::nullopt : NextRetry(outcome, context_->pace, retries_);
        if (!retry) {
            context_->Post([window, row, outcome = std::move(outcome)] { window->SetRowStatus(row, outcome); });
            return;
        }
        lastOutcome_ = std::move(outcome);
        const auto due = scheduler_.Now() + retry->wait;
        context_->Post([window, row, reason = WaitingReason(*retry)] {
            window->SetRowStatus(row, CheckOutcome{std::u16string(StatusPinging), reason});
        });
        scheduler_.Later(
            row_, host_, [self = shared_from_this()] { self->Run(); }, due);
    }

private:
    const std::shared_ptr<RunContext> context_;
    RowScheduler& scheduler_;
    const std::u16string url_;
    const std::uint32_t host_;
    const int row_;
    RetryCount retries_;
    std::optional<CheckOutcome> lastOutcome_;
};

}  // namespace

Task MakeRowTask(std::shared_ptr<RunContext> context, RowScheduler& scheduler, std::uint32_t host, int row,
                 std::u16string url)
{
    auto task = std::make_shared<RowTask>(std::move(context), scheduler, host, row, std::move(url));
    return [task] { task->Run(); };
}

std::size_t RowTasksAlive() { return rowTasksAlive; }

}  // namespace larkspire
