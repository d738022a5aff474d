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
// was written behind, as a full disk does.
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

    bool DirectoryExists(UStringView APath) override { return Directories.count(UString(APath)) != 0; }
    void CreateDirectories(UStringView APath, const platform::TFolderAccess& AAccess) override
    {
        if (FailCreateDirectories)
            throw ECloudSetupError(*FailCreateDirectories);
        Created.emplace_back(APath);
        Directories.emplace(APath);
        FolderAccess[UString(APath)] = AAccess;
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
    void ReadShared(UStringView APath, const std::function<void(std::string_view)>& APiece) override
    {
        Reads.emplace_back(APath);
        if (Unreadable.count(UString(APath)) || !Files.count(UString(APath)))
            throw ECloudSetupError(u"Cannot read file \"" + UString(APath) + u"\". Access is denied");
        const std::string& Bytes = Files.at(UString(APath));
        for (size_t Offset = 0; Offset < Bytes.size(); Offset += 1000)
            APiece(std::string_view(Bytes).substr(Offset, 1000));
    }
    std::unique_ptr<platform::IInstallFile> Create(UStringView APath) override
    {
        Files[UString(APath)].clear();
        return std::make_unique<TFile>(*this, UString(APath));
    }
    void Replace(UStringView ASource, UStringView ATarget) override
    {
        if (FailReplace)
            throw ECloudSetupError(*FailReplace);
        auto Source = Files.find(UString(ASource));
        if (Source == Files.end())
            throw ECloudSetupError(u"no source");
        Files[UString(ATarget)] = Source->second;
        Files.erase(Source);
    }
    bool Remove(UStringView APath) override { return Files.erase(UString(APath)) != 0; }

private:
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
