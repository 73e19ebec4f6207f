#pragma once

#include <atomic>
#include <functional>
#include <memory>
#include <utility>

#include "run/RowChecker.h"
#include "run/RunPace.h"
#include "run/RunWindow.h"

namespace larkspire {

// What one run shares with its tasks and its ticker; lives until the run and the last of them have let go.
struct RunContext {
    RunContext(std::shared_ptr<RunWindow> window, RowChecker checker, RunPace pace = {})
        : window(std::move(window)), checker(std::move(checker)), pace(pace)
    {}

    // Hands step to the GUI thread and waits. Returns false once the window is gone, and remembers that,
    // so the run stops touching it.
    bool HandOver(const std::function<void()>& step)
    {
        if (window->HandOver(step)) return true;
        windowGone = true;
        return false;
    }

    // Queues step for the GUI thread without waiting. Returns false once the window is gone, and remembers that.
    bool Post(std::function<void()> step)
    {
        if (window->Post(std::move(step))) return true;
        windowGone = true;
        return false;
    }

    const std::shared_ptr<RunWindow> window;
    const RowChecker checker;
    const RunPace pace;
    std::atomic<bool> windowGone{false};
};

}  // namespace larkspire
