#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "base/CheckOutcome.h"

namespace larkspire {

// What a ping run needs of the window it runs for. The run holds it through a shared pointer until its last
// thread has ended, so an implementation must stay valid after its window has gone: keep the two atomics in the
// implementation, and make Post and HandOver refuse every step from the moment the window goes (HandOverLink
// does). Posted and handed-over steps run on the GUI thread in the one order they were given.
class RunWindow {
public:
    virtual ~RunWindow() = default;

    // Any thread but the GUI thread. Runs step on the GUI thread after every step given before it and waits
    // until it has run; an exception the step throws is rethrown in the caller. Returns false without running
    // step once the window is gone, also for a step already waiting, so the caller is released.
    virtual bool HandOver(const std::function<void()>& step) = 0;
    // Any thread but the GUI thread. Queues step to run on the GUI thread after every step given before it and
    // returns without waiting for it. Returns false, dropping step, once the window is gone.
    virtual bool Post(std::function<void()> step) = 0;

    // Any thread, also after the window has gone: the abort request and the time-out setting in seconds.
    virtual std::atomic<bool>& AbortFlag() = 0;
    virtual std::atomic<int>& TimeoutSeconds() = 0;

    // GUI thread only: the run calls these inside its posted and handed-over steps and nowhere else.
    virtual std::u16string ThreadSettingText() = 0;  // the thread slider's text
    virtual int RowCount() = 0;
    virtual std::u16string RowUrl(int row) = 0;
    // The outcome's parts beside its status explain it to the user; an outcome without them clears those shown
    // before.
    virtual void SetRowStatus(int row, const CheckOutcome& outcome) = 0;
    virtual void ClearStatusColumn() = 0;
    // Makes row (0 or more) the grid's top visible row, keeping its horizontal position.
    virtual void MakeTopRow(int row) = 0;
    virtual void SetProcessedText(const std::u16string& text) = 0;  // the figure beside "Processed"
    virtual void SetElapsedText(const std::u16string& text) = 0;
    // The running state when `running`, the idle state otherwise.
    virtual void SetRunningState(bool running) = 0;
    // The modal information box; returns once the user has dismissed it.
    virtual void ShowMessage(const std::u16string& text) = 0;
};

}  // namespace larkspire
