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
    RowTask(std::shared_ptr<RunContext> context, int m) : context_(std::move(context)), m(m) { ++rowTasksAlive; }
    ~RowTask() { --rowTasksAlive; }
    RowTask(const RowTask&) = delete;
    RowTask& operator=(const RowTask&) = delete;

    void Run() {
        RunWindow& window = *context_->window;
        if (window.AbortFlag() || context_->windowGone) return;
        ReturnedCode = StatusPinging;
        if (!context_->HandOver([&] { ShowStarted(window); })) return;
        // The checker (an UrlChecker by default) lives only for this call, also when it raises.
        ReturnedCode = context_->checker(WebsiteUrl, window.TimeoutSeconds());
        context_->HandOver([&] { window.SetRowStatus(m, ReturnedCode); });
    }

private:
    // Keeps the row being started ten rows below the top of the view.
    void ShowStarted(RunWindow& window) {
        if (m >= 10) window.MakeTopRow(m - 10);
        window.SetRowStatus(m, ReturnedCode);
        WebsiteUrl = window.RowUrl(m);
        window.SetProcessedText(DecimalText(m + 1));
    }

    const std::shared_ptr<RunContext> context_;
    std::u16string WebsiteUrl;
    std::u16string ReturnedCode;
    const int m;
};

}  // namespace

Task MakeRowTask(std::shared_ptr<RunContext> context, int m) {
    auto task = std::make_shared<RowTask>(std::move(context), m);
    return [task] { task->Run(); };
}

std::size_t RowTasksAlive() {
    return rowTasksAlive;
}

}  // namespace larkspire
