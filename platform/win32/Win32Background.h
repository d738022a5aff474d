#pragma once

#include "platform/IBackground.h"

namespace zelv::win32 {

class TWin32WorkerPool : public platform::IWorkerPool {
public:
    void Start(std::function<void()> AWork) override;
};

class TWin32GuiThread : public platform::IGuiThread {
public:
    std::shared_ptr<platform::IGuiHandOver> CreateHandOver() override;
};

}  // namespace zelv::win32
