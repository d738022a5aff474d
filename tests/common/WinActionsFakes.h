#pragma once

#include <functional>
#include <map>
#include <set>
#include <tuple>
#include <vector>

#include "common/FakeHttp.h"
#include "core/CloudSetupError.h"
#include "platform/Platform.h"

namespace zelv::test {

// An HTTP layer that answers from a script and records what it was asked. The body reaches a
// sink in pieces, as the real layer hands it over.
class TFakeDownloadHttp : public platform::IHttpClient {
public:
    std::vector<platform::THttpRequest> Requests;
    platform::THttpResponse Response{200, {}, {}};
    std::optional<UString> FailWith;      // raise this text instead of answering
    std::optional<UString> FailMidBody;   // raise this text once part of the body has gone to the sink
    platform::THttpResponse Send(const platform::THttpRequest& ARequest, platform::IHttpBodySink* ASink = nullptr) override
    {
        Requests.push_back(ARequest);
        if (FailWith)
            throw ECloudSetupError(*FailWith);
        if (FailMidBody && ASink) {
            if (ASink->Begin(Response)) {
                ASink->Write(std::string_view(Response.Body).substr(0, Response.Body.size() / 2));
                throw ECloudSetupError(*FailMidBody);
            }
            return Response;
        }
        return Deliver(Response, ARequest, ASink);
    }
};

// Files in memory. Failures can be injected per operation; a failed write leaves the part that
// was written behind, as a full disk does. Folders are named with their closing backslash.
class TFakeInstallFiles : public platform::IInstallFiles {
public:
    std::set<UString> Directories;
    std::map<UString, std::string> Files;
    std::set<UString> InUse;         // held by another process: a sharing violation
    std::set<UString> NotWritable;   // this user may not write it: access denied
    std::set<UString> Unreadable;    // cannot be read either
    std::optional<UString> FailCreateDirectories;
    std::optional<UString> FailWrite;
    std::optional<UString> FailReplace;
    std::optional<UString> FailFlush;
    // A disk with room for this many more bytes: a write takes what fits, then raises the system's
    // disk-full text for the file.
    std::optional<size_t> RoomLeft;
    std::vector<UString> Created;
    std::map<UString, platform::TFolderAccess> FolderAccess;  // the access each created folder was given
    std::vector<UString> Reads;

    // Security: the user, and each item's owner and entries. A folder or file without an entry
    // here is the user's, with the program's own access.
    UString User = u"S-1-5-21-1004336348-1177238915-682003330-1001";
    std::map<UString, platform::TFolderSecurity> Security;
    std::map<UString, UString> Owners;             // items another account owns, by path
    std::set<UString> Links;                       // items that are links, by path
    std::set<UString> NotRemovable;                // Remove fails for these
    std::set<UString> NotHoldable;                 // someone else holds these folders open to rename them
    std::set<UString> NotMovable;                  // the system refuses to move these folders
    std::optional<UString> FailReadSecurity;
    std::vector<UString> Removed;
    std::vector<std::string> Calls;                // "remove <path>", "move <path> <path>", in order
    std::function<void()> OnMoved;                 // runs right after a folder was moved aside
    int Held = 0;                                  // folders held open right now

    bool DirectoryExists(UStringView APath) override { return Directories.count(AsFolder(APath)) != 0; }
    void CreateDirectories(UStringView APath, const platform::TFolderAccess& AAccess) override
    {
        if (FailCreateDirectories)
            throw ECloudSetupError(*FailCreateDirectories);
        Created.emplace_back(APath);
        Directories.insert(AsFolder(APath));
        FolderAccess[AsFolder(APath)] = AAccess;
    }
    bool CreateFolder(UStringView APath, const platform::TFolderAccess& AAccess) override
    {
        if (Directories.count(AsFolder(APath)) || Files.count(AsFile(APath)))
            return false;
        Calls.push_back("create " + DebugUtf8(AsFolder(APath)));
        CreateDirectories(APath, AAccess);
        return true;
    }
    std::unique_ptr<platform::IHeldFolder> HoldFolder(UStringView APath) override
    {
        const UString Path = AsFolder(APath);
        if (!Directories.count(Path) || NotHoldable.count(Path))
            return nullptr;
        return std::make_unique<THeld>(*this, Path, false);
    }
    std::unique_ptr<platform::IHeldFolder> HoldFolderToMove(UStringView APath) override
    {
        const UString Path = AsFolder(APath);
        if (!Directories.count(Path) || NotHoldable.count(Path))
            return nullptr;
        return std::make_unique<THeld>(*this, Path, true);
    }
    bool FileExists(UStringView APath) override { return Files.count(UString(APath)) != 0; }
    platform::TExclusiveOpen OpenExclusively(UStringView APath) override
    {
        if (InUse.count(UString(APath)))
            return platform::TExclusiveOpen::SharingViolation;
        if (NotWritable.count(UString(APath)))
            return platform::TExclusiveOpen::AccessDenied;
        return platform::TExclusiveOpen::Opened;
    }
    platform::TFolderSecurity ReadShared(UStringView APath, const std::function<void(std::string_view)>& APiece) override
    {
        Reads.emplace_back(APath);
        if (Unreadable.count(UString(APath)) || !Files.count(UString(APath)))
            throw ECloudSetupError(u"Cannot read file \"" + UString(APath) + u"\". Access is denied");
        const std::string& Bytes = Files.at(UString(APath));
        for (size_t Offset = 0; Offset < Bytes.size(); Offset += 1000)
            APiece(std::string_view(Bytes).substr(Offset, 1000));
        return ReadSecurity(APath);
    }
    std::unique_ptr<platform::IInstallFile> CreateNew(UStringView APath) override
    {
        if (Files.count(UString(APath)))
            throw ECloudSetupError(u"Cannot create file \"" + UString(APath) + u"\". The file exists");
        Files[UString(APath)].clear();
        Owners.erase(UString(APath));
        Security.erase(UString(APath));
        return std::make_unique<TFile>(*this, UString(APath));
    }
    void Replace(UStringView ASource, UStringView ATarget) override
    {
        if (FailReplace)
            throw ECloudSetupError(*FailReplace);
        auto Source = Files.find(UString(ASource));
        if (Source == Files.end())
            throw ECloudSetupError(u"no source");
        // The file keeps its own owner and access as it takes the other's place.
        MoveMeta(UString(ASource), UString(ATarget));
        Files[UString(ATarget)] = Source->second;
        Files.erase(Source);
    }
    bool Remove(UStringView APath) override
    {
        const UString Path = AsFile(APath);
        if (NotRemovable.count(Path) || NotRemovable.count(AsFolder(Path)))
            return false;
        if (Files.erase(Path) == 0) {
            if (!Directories.count(AsFolder(Path)) || !Inside(AsFolder(Path)).empty())
                return false;
            Directories.erase(AsFolder(Path));
        }
        Calls.push_back("remove " + DebugUtf8(Path));
        Removed.push_back(Path);
        Owners.erase(Path);
        Links.erase(Path);
        return true;
    }
    UString UserSid() override { return User; }
    // An item's owner and access, as the system would report them.
    platform::TFolderSecurity ReadSecurity(UStringView APath)
    {
        if (FailReadSecurity)
            throw ECloudSetupError(*FailReadSecurity);
        auto Found = Security.find(UString(APath));
        platform::TFolderSecurity Result = Found != Security.end() ? Found->second : OwnAccess(User);
        if (Owners.count(AsFile(APath)))
            Result.OwnerSid = Owners.at(AsFile(APath));
        Result.IsLink = Result.IsLink || Links.count(AsFile(APath));
        return Result;
    }

    // The program's own access to a folder, as the system reports it.
    platform::TFolderSecurity OwnAccess(const UString& AOwner) const
    {
        using platform::TEntryKind;
        namespace right = platform::fileright;
        return {false, AOwner,
                std::vector<platform::TSecurityEntry>{{TEntryKind::Allow, right::FullControl, u"S-1-5-18", true, true, false},
                                                      {TEntryKind::Allow, right::FullControl, u"S-1-5-32-544", true, true, false},
                                                      {TEntryKind::Allow, right::Modify, User, true, true, false},
                                                      {TEntryKind::Allow, right::ReadAndExecute, u"S-1-5-32-545", true, true, false}}};
    }

    // What lies directly inside the folder.
    std::vector<platform::TFolderItem> Inside(const UString& AFolder) const
    {
        std::vector<platform::TFolderItem> Items;
        auto Add = [&](const UString& APathInside, bool AIsFolder) {
            if (APathInside.rfind(AFolder, 0) != 0)
                return;
            UString Name = APathInside.substr(AFolder.size());
            if (AIsFolder && !Name.empty() && Name.back() == u'\\')
                Name.pop_back();
            if (Name.empty() || Name.find(u'\\') != UString::npos)
                return;
            const UString Path = AFolder + Name;
            auto Owner = Owners.find(Path);
            platform::TFolderItem Item{Name, AIsFolder, Links.count(Path) != 0, Owner == Owners.end() ? User : Owner->second};
            Item.Id = std::hash<std::u16string>()(Path);
            Items.push_back(std::move(Item));
        };
        for (const auto& [Path, Bytes] : Files)
            Add(Path, false);
        for (const UString& Path : Directories)
            Add(Path, true);
        return Items;
    }

    static UString AsFolder(UStringView APath)
    {
        UString Path(APath);
        if (Path.empty() || Path.back() != u'\\')
            Path += u'\\';
        return Path;
    }
    static UString AsFile(UStringView APath)
    {
        UString Path(APath);
        while (!Path.empty() && Path.back() == u'\\')
            Path.pop_back();
        return Path;
    }

private:
    void MoveMeta(const UString& AFrom, const UString& ATo)
    {
        if (auto Owner = Owners.find(AFrom); Owner != Owners.end()) {
            Owners[ATo] = Owner->second;
            Owners.erase(Owner);
        } else {
            Owners.erase(ATo);
        }
        if (auto Found = Security.find(AFrom); Found != Security.end()) {
            Security[ATo] = Found->second;
            Security.erase(Found);
        } else {
            Security.erase(ATo);
        }
    }

    // Renames every path under AFrom (a folder) to lie under ATo.
    void MoveTree(const UString& AFrom, const UString& ATo)
    {
        auto Renamed = [&](const UString& APath) { return ATo + APath.substr(AFrom.size()); };
        auto Under = [&](const UString& APath) { return APath.rfind(AFrom, 0) == 0 || APath == AsFile(AFrom); };
        std::set<UString> NewDirectories;
        for (const UString& Path : Directories)
            NewDirectories.insert(Under(Path) ? Renamed(Path) : Path);
        Directories = NewDirectories;
        std::map<UString, std::string> NewFiles;
        for (auto& [Path, Bytes] : Files)
            NewFiles[Under(Path) ? Renamed(Path) : Path] = Bytes;
        Files = NewFiles;
        auto MoveKeys = [&](auto& AMap) {
            std::remove_reference_t<decltype(AMap)> Moved;
            for (auto& [Path, Value] : AMap) {
                if (Path == AsFile(AFrom))
                    Moved[AsFile(ATo)] = Value;
                else
                    Moved[Under(Path) ? Renamed(Path) : Path] = Value;
            }
            AMap = Moved;
        };
        MoveKeys(Owners);
        MoveKeys(Security);
        std::set<UString> NewLinks;
        for (const UString& Path : Links)
            NewLinks.insert(Under(Path) ? Renamed(Path) : Path);
        Links = NewLinks;
    }

    class THeld : public platform::IHeldFolder {
    public:
        THeld(TFakeInstallFiles& AOwner, UString APath, bool AToMove)
            : FOwner(AOwner), FPath(std::move(APath)), FToMove(AToMove)
        {
            ++FOwner.Held;
        }
        ~THeld() override { --FOwner.Held; }
        const UString& Path() const override { return FPath; }
        platform::TFolderSecurity Security() override { return FOwner.ReadSecurity(FPath); }
        std::vector<platform::TFolderItem> List() override { return FOwner.Inside(FPath); }
        std::unique_ptr<platform::IHeldFolder> HoldItem(const platform::TFolderItem& AItem) override
        {
            if (!AItem.IsFolder || AItem.IsLink)
                return nullptr;
            return FOwner.HoldFolderToMove(FPath + AItem.Name);
        }
        bool RemoveItem(const platform::TFolderItem& AItem) override { return FOwner.Remove(FPath + AItem.Name); }
        bool MoveTo(UStringView APath) override
        {
            const UString Target = AsFolder(APath);
            // A folder held without the right to move it cannot be moved through that hold.
            if (!FToMove || FOwner.NotMovable.count(FPath) || FOwner.Directories.count(Target) || FOwner.Files.count(AsFile(Target)))
                return false;
            FOwner.Calls.push_back("move " + DebugUtf8(FPath) + " " + DebugUtf8(Target));
            FOwner.MoveTree(FPath, Target);
            FPath = Target;
            if (FOwner.OnMoved)
                FOwner.OnMoved();
            return true;
        }
        bool Remove() override { return FToMove && FOwner.Remove(FPath); }

    private:
        TFakeInstallFiles& FOwner;
        UString FPath;
        bool FToMove;
    };

    class TFile : public platform::IInstallFile {
    public:
        TFile(TFakeInstallFiles& AOwner, UString APath) : FOwner(AOwner), FPath(std::move(APath)) {}
        void Write(std::string_view ABytes) override
        {
            std::string& Content = FOwner.Files[FPath];
            if (FOwner.FailWrite) {
                Content.append(ABytes.substr(0, ABytes.size() / 2));
                throw ECloudSetupError(*FOwner.FailWrite);
            }
            if (FOwner.RoomLeft && ABytes.size() > *FOwner.RoomLeft) {
                Content.append(ABytes.substr(0, *FOwner.RoomLeft));
                FOwner.RoomLeft = 0;
                throw ECloudSetupError(u"Cannot write file \"" + FPath + u"\". There is not enough space on the disk");
            }
            if (FOwner.RoomLeft)
                *FOwner.RoomLeft -= ABytes.size();
            Content.append(ABytes);
        }
        void Flush() override
        {
            if (FOwner.FailFlush)
                throw ECloudSetupError(*FOwner.FailFlush);
        }

    private:
        TFakeInstallFiles& FOwner;
        UString FPath;
    };
};

// A registry in memory that answers reads the way the system does: a value larger than the
// buffer reports its type and size and no data.
class TFakeRegistry : public platform::IRegistry {
public:
    struct TValue {
        std::uint32_t Type;
        std::vector<unsigned char> Data;
    };
    using TKeyId = std::pair<platform::TRegistryHive, UString>;
    std::map<TKeyId, std::map<UString, TValue>> Keys;
    std::set<std::uint32_t> DeniedAccess;  // open fails with access denied for these masks
    bool FailCreate = false;
    bool FailSet = false;
    std::vector<std::tuple<platform::TRegistryHive, UString, std::uint32_t>> Opens;
    int Reads = 0;

    static TValue DWord(std::uint32_t AValue)
    {
        return {platform::regtype::DWord,
                {static_cast<unsigned char>(AValue), static_cast<unsigned char>(AValue >> 8),
                 static_cast<unsigned char>(AValue >> 16), static_cast<unsigned char>(AValue >> 24)}};
    }
    static TValue String(UStringView AText)
    {
        TValue Value{platform::regtype::String, {}};
        for (char16_t C : UString(AText) + u'\0') {
            Value.Data.push_back(static_cast<unsigned char>(C));
            Value.Data.push_back(static_cast<unsigned char>(C >> 8));
        }
        return Value;
    }

    std::unique_ptr<platform::IRegistryKey> CreateKey(platform::TRegistryHive AHive, UStringView APath,
                                                      std::uint32_t AAccess) override
    {
        Opens.emplace_back(AHive, UString(APath), AAccess);
        if (FailCreate)
            return nullptr;
        return std::make_unique<TKey>(*this, Keys[{AHive, UString(APath)}]);
    }
    platform::TRegistryOpen OpenKey(platform::TRegistryHive AHive, UStringView APath, std::uint32_t AAccess) override
    {
        Opens.emplace_back(AHive, UString(APath), AAccess);
        platform::TRegistryOpen Result;
        if (DeniedAccess.count(AAccess)) {
            Result.AccessDenied = true;
            return Result;
        }
        auto Found = Keys.find({AHive, UString(APath)});
        if (Found != Keys.end())
            Result.Key = std::make_unique<TKey>(*this, Found->second);
        return Result;
    }

private:
    class TKey : public platform::IRegistryKey {
    public:
        TKey(TFakeRegistry& AOwner, std::map<UString, TValue>& AValues) : FOwner(AOwner), FValues(AValues) {}
        bool SetString(UStringView AName, UStringView AText) override
        {
            if (FOwner.FailSet)
                return false;
            FValues[UString(AName)] = String(AText);
            return true;
        }
        bool ValueExists(UStringView AName) override { return FValues.count(UString(AName)) != 0; }
        platform::TRegistryRead Read(UStringView AName, std::uint32_t AMaxBytes) override
        {
            ++FOwner.Reads;
            platform::TRegistryRead Result;
            auto Found = FValues.find(UString(AName));
            if (Found == FValues.end()) {
                Result.Status = platform::TRegistryRead::TStatus::NotFound;
                return Result;
            }
            Result.Type = Found->second.Type;
            Result.Size = static_cast<std::uint32_t>(Found->second.Data.size());
            if (Result.Size > AMaxBytes) {
                Result.Status = platform::TRegistryRead::TStatus::MoreData;
                return Result;
            }
            Result.Status = platform::TRegistryRead::TStatus::Read;
            Result.Data = Found->second.Data;
            return Result;
        }
        bool DeleteValue(UStringView AName) override { return FValues.erase(UString(AName)) != 0; }

    private:
        TFakeRegistry& FOwner;
        std::map<UString, TValue>& FValues;
    };
};

// The shell's elevated launch: records the request, answers from a script and can run an action
// in place of the started command.
class TFakeLauncher : public platform::IProcessLauncher {
public:
    struct TProcessLog {
        std::vector<unsigned long> Waits;
        int Closed = 0;
    };
    std::vector<platform::TShellExecuteRequest> Requests;
    bool Start = true;
    unsigned long Error = 0;
    bool HandBackProcess = true;
    std::function<void()> Command;
    UString SystemFolder = u"C:\\Windows\\system32";
    TProcessLog Process;

    platform::TShellExecuteResult Execute(const platform::TShellExecuteRequest& ARequest) override
    {
        Requests.push_back(ARequest);
        platform::TShellExecuteResult Result;
        Result.Started = Start;
        Result.Error = Error;
        if (!Start)
            return Result;
        if (Command)
            Command();
        if (HandBackProcess)
            Result.Process = std::make_unique<TProcess>(Process);
        return Result;
    }
    UString SystemDirectory() override { return SystemFolder; }

private:
    class TProcess : public platform::IProcess {
    public:
        explicit TProcess(TProcessLog& ALog) : FLog(ALog) {}
        ~TProcess() override { ++FLog.Closed; }
        void Wait(unsigned long AMilliseconds) override { FLog.Waits.push_back(AMilliseconds); }

    private:
        TProcessLog& FLog;
    };
};

}  // namespace zelv::test
