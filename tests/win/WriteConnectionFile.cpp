// Writes one connection file through the real file writer and stops at a point of the writing
// until the test ends it, as a crash, a shutdown or the task manager would:
//   zelv_write_connection_file <desktop> <code> <address> write|flush <stopped event>
// "write": halfway through the text; "flush": with the whole text flushed, before it is put in
// place. The event is set once the program stands at that point.
#include <windows.h>

#include <string>

#include "core/CloudSetupError.h"
#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32FileWriter.h"
#include "platform/win32/Win32Platform.h"
#include "profiles/CloudSetupRDPWriter.h"
#include "win/ConnectionFileSupport.h"

namespace {

using namespace zelv;

[[noreturn]] void StopHere(const std::wstring& AEvent)
{
    win32::UniqueHandleObj Stopped(OpenEventW(EVENT_MODIFY_STATE, FALSE, AEvent.c_str()));
    SetEvent(Stopped.Get());
    while (true)
        Sleep(INFINITE);
}

class TStoppingFile : public platform::IWrittenFile {
public:
    TStoppingFile(std::unique_ptr<platform::IWrittenFile> AInner, std::wstring AStopAt, std::wstring AEvent)
        : FInner(std::move(AInner)), FStopAt(std::move(AStopAt)), FEvent(std::move(AEvent))
    {
    }
    bool Write(std::string_view ABytes, platform::TSystemError& AError) override
    {
        if (FStopAt != L"write")
            return FInner->Write(ABytes, AError);
        if (!FInner->Write(ABytes.substr(0, ABytes.size() / 2), AError))
            return false;
        StopHere(FEvent);
    }
    bool Flush(platform::TSystemError& AError) override
    {
        if (!FInner->Flush(AError))
            return false;
        if (FStopAt == L"flush")
            StopHere(FEvent);
        return true;
    }
    bool PutInPlace(UStringView ATarget, platform::TSystemError& AError) override
    {
        return FInner->PutInPlace(ATarget, AError);
    }

private:
    std::unique_ptr<platform::IWrittenFile> FInner;
    std::wstring FStopAt;
    std::wstring FEvent;
};

class TStoppingWriter : public platform::IFileWriter {
public:
    TStoppingWriter(std::wstring AStopAt, std::wstring AEvent) : FStopAt(std::move(AStopAt)), FEvent(std::move(AEvent)) {}
    std::unique_ptr<platform::IWrittenFile> CreateExclusive(UStringView APath, platform::TSystemError& AError) override
    {
        std::unique_ptr<platform::IWrittenFile> File = FReal.CreateExclusive(APath, AError);
        if (!File)
            return nullptr;
        return std::make_unique<TStoppingFile>(std::move(File), FStopAt, FEvent);
    }
    UString FullPath(UStringView APath) override { return FReal.FullPath(APath); }

private:
    win32::TWin32FileWriter FReal;
    std::wstring FStopAt;
    std::wstring FEvent;
};

UString Arg(const wchar_t* AText) { return UString(reinterpret_cast<const char16_t*>(AText)); }

}  // namespace

int wmain(int argc, wchar_t** argv)
{
    if (argc != 6)
        return 2;
    win32::InstallWin32Platform();
    TStoppingWriter Writer(argv[4], argv[5]);
    test::TFixtureScreen Screen;
    platform::TPlatformScope Scope;
    Scope->FileWriter = &Writer;
    try {
        TRDPWriter::WriteRDPFile(Arg(argv[1]), Arg(argv[2]), Arg(argv[3]));
    } catch (const ECloudSetupError&) {
        return 3;
    }
    // It was meant to stop before the end.
    return 4;
}
