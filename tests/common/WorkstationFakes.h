#pragma once

#include <map>
#include <optional>

#include "platform/Platform.h"

namespace zelv::test {

// A workstation whose answers a test sets; counts the calls so a test can see what was asked.
class TFakeWorkstation : public platform::IWorkstation {
public:
    std::optional<UString> Desktop;
    std::optional<platform::TScreenCaps> Caps = platform::TScreenCaps{1920, 1080, 1080};
    std::optional<platform::TWorkArea> Area = platform::TWorkArea{0, 0, 1920, 1040};
    uint16_t Architecture = 9;
    int WorkAreaCalls = 0;

    std::optional<UString> ShellDesktopFolder() override { return Desktop; }
    std::optional<platform::TScreenCaps> ScreenCaps() override { return Caps; }
    std::optional<platform::TWorkArea> WorkArea() override
    {
        ++WorkAreaCalls;
        return Area;
    }
    uint16_t NativeProcessorArchitecture() override { return Architecture; }
};

class TFakeEnvironment : public platform::IEnvironment {
public:
    std::map<UString, UString> Variables;
    std::optional<UString> Variable(UStringView AName) override
    {
        auto Found = Variables.find(UString(AName));
        if (Found == Variables.end())
            return std::nullopt;
        return Found->second;
    }
};

}  // namespace zelv::test
