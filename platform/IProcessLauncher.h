#pragma once

#include <memory>

#include "core/CloudSetupText.h"

namespace zelv::platform {

// The fields of the system's shell-execute record that the program sets; the owner window and the
// working folder are always none, every other field zero.
struct TShellExecuteRequest {
    unsigned long Mask = 0;
    UString Verb;
    UString File;
    UString Parameters;
    int Show = 0;
};

inline constexpr unsigned long SeeMaskNoCloseProcess = 0x40;
inline constexpr int ShowHide = 0;

// A started process; its handle is closed when the object goes.
class IProcess {
public:
    virtual ~IProcess() = default;
    // Waits for the process to end, at most AMilliseconds.
    virtual void Wait(unsigned long AMilliseconds) = 0;
};

struct TShellExecuteResult {
    bool Started = false;
    unsigned long Error = 0;            // the system's code when not started (1223: the user declined)
    std::unique_ptr<IProcess> Process;  // may be empty even when started
};

class IProcessLauncher {
public:
    virtual ~IProcessLauncher() = default;
    // Blocks while the system's elevation prompt is open.
    virtual TShellExecuteResult Execute(const TShellExecuteRequest& ARequest) = 0;
    // The system folder (System32), without a trailing backslash.
    virtual UString SystemDirectory() = 0;
};

}  // namespace zelv::platform
