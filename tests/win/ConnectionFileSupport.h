#pragma once

#include <windows.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "common/WorkstationFakes.h"
#include "core/CloudSetupText.h"
#include "platform/Platform.h"

namespace zelv::test {

namespace fs = std::filesystem;

inline fs::path PathOf(const UString& AText) { return fs::path(std::wstring(AText.begin(), AText.end())); }
inline UString TextOf(const fs::path& APath)
{
    std::wstring Wide = APath.wstring();
    return UString(Wide.begin(), Wide.end());
}

inline std::string ReadBytes(const fs::path& APath)
{
    std::ifstream In(APath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const fs::path& APath, const std::string& ABytes)
{
    std::ofstream Out(APath, std::ios::binary | std::ios::trunc);
    Out << ABytes;
}

// A fresh folder under the temporary folder, removed with everything in it when the test ends.
class TTempFolder {
public:
    TTempFolder()
    {
        static int GCount = 0;
        FPath = fs::temp_directory_path() /
                ("zelv-connfiles-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++GCount));
        fs::remove_all(FPath);
        fs::create_directories(FPath);
    }
    ~TTempFolder()
    {
        std::error_code Ignored;
        fs::remove_all(FPath, Ignored);
    }
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    const fs::path& Path() const { return FPath; }
    UString Text() const { return TextOf(FPath); }

private:
    fs::path FPath;
};

// The real platform, but the screen of the fixtures (a 1920 x 1040 work area, unscaled) in place
// of the bench's display.
class TFixtureScreen {
public:
    TFixtureScreen() { FScope->Workstation = &FWorkstation; }

private:
    TFakeWorkstation FWorkstation;
    platform::TPlatformScope FScope;
};

}  // namespace zelv::test
