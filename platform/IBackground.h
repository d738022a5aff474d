#pragma once

#include <functional>
#include <memory>

namespace zelv::platform {

// Runs one background task on the system's shared worker pool. The caller keeps no reference to
// the task and never waits for it. The task must catch its own failures; anything that still
// escapes is stopped at the pool's boundary.
class IWorkerPool {
public:
    virtual ~IWorkerPool() = default;
    virtual void Start(std::function<void()> AWork) = 0;
};

// The blocking hand-over from a worker to the GUI thread: Run returns once the GUI thread has run
// the step. After Close (on the GUI thread, when the window goes), steps are dropped unrun, so a
// late worker never touches a destroyed window.
class IGuiHandOver {
public:
    virtual ~IGuiHandOver() = default;
    virtual void Run(const std::function<void()>& AStep) = 0;
    virtual void Close() = 0;
};

// Makes the hand-over of the calling (GUI) thread.
class IGuiThread {
public:
    virtual ~IGuiThread() = default;
    virtual std::shared_ptr<IGuiHandOver> CreateHandOver() = 0;
};

}  // namespace zelv::platform
