#pragma once

#include <map>
#include <memory>
#include <string>
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

// Files in memory: what was created, with which bytes, and whether every file was closed again.
// A file that is closed before it was put in place goes, as the system removes it.
class TFakeFileWriter : public platform::IFileWriter {
public:
    std::map<UString, std::string> Files;
    std::optional<platform::TSystemError> CreateFails;
    std::optional<platform::TSystemError> WriteFails;
    // A disk with room for this many more bytes: a write takes what fits and refuses the rest.
    std::optional<size_t> RoomLeft;
    std::optional<platform::TSystemError> FlushFails;
    std::optional<platform::TSystemError> PutInPlaceFails;
    UString CurrentFolder = u"C:\\Users\\user1\\";
    int OpenFiles = 0;
    int Creates = 0;

    static platform::TSystemError DiskFull() { return {112, u"There is not enough space on the disk.\r\n"}; }

    std::unique_ptr<platform::IWrittenFile> CreateExclusive(UStringView APath, platform::TSystemError& AError) override
    {
        ++Creates;
        if (CreateFails) {
            AError = *CreateFails;
            return nullptr;
        }
        Files[UString(APath)].clear();
        return std::make_unique<TFile>(*this, UString(APath));
    }
    UString FullPath(UStringView APath) override
    {
        if (APath.size() >= 2 && APath[1] == u':')
            return UString(APath);
        return CurrentFolder + UString(APath);
    }

private:
    class TFile : public platform::IWrittenFile {
    public:
        TFile(TFakeFileWriter& AOwner, UString APath) : FOwner(AOwner), FPath(std::move(APath)) { ++FOwner.OpenFiles; }
        ~TFile() override
        {
            --FOwner.OpenFiles;
            if (!FPlaced)
                FOwner.Files.erase(FPath);
        }
        bool Write(std::string_view ABytes, platform::TSystemError& AError) override
        {
            if (FOwner.WriteFails) {
                // A full disk takes part of the bytes before it refuses.
                FOwner.Files[FPath].append(ABytes.substr(0, ABytes.size() / 2));
                AError = *FOwner.WriteFails;
                return false;
            }
            if (FOwner.RoomLeft && ABytes.size() > *FOwner.RoomLeft) {
                FOwner.Files[FPath].append(ABytes.substr(0, *FOwner.RoomLeft));
                FOwner.RoomLeft = 0;
                AError = DiskFull();
                return false;
            }
            if (FOwner.RoomLeft)
                *FOwner.RoomLeft -= ABytes.size();
            FOwner.Files[FPath].append(ABytes);
            return true;
        }
        bool Flush(platform::TSystemError& AError) override
        {
            if (!FOwner.FlushFails)
                return true;
            AError = *FOwner.FlushFails;
            return false;
        }
        bool PutInPlace(UStringView ATarget, platform::TSystemError& AError) override
        {
            if (FOwner.PutInPlaceFails) {
                AError = *FOwner.PutInPlaceFails;
                return false;
            }
            auto Node = FOwner.Files.extract(FPath);
            Node.key() = UString(ATarget);
            FOwner.Files.erase(Node.key());
            FOwner.Files.insert(std::move(Node));
            FPlaced = true;
            return true;
        }

    private:
        TFakeFileWriter& FOwner;
        UString FPath;
        bool FPlaced = false;
    };
};

}  // namespace zelv::test
