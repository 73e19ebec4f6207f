#pragma once

#include <functional>

namespace larkspire {

// One unit of work for a worker. An empty task is the end marker that tells a worker to stop.
using Task = std::function<void()>;

// Where workers take their tasks from.
class TaskSource {
public:
    virtual ~TaskSource() = default;
    // Waits until a task may run and hands it out; an empty task once there is no more work for this worker.
    virtual Task Pop() = 0;
    // Releases every waiting caller at once and makes later ones return at once; tasks still held are never
    // handed out.
    virtual void Shutdown() = 0;
};

}  // namespace larkspire
