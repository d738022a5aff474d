#pragma once

#include <functional>
#include <map>
#include <set>
#include <tuple>
#include <vector>

#include "core/CloudSetupError.h"
#include "platform/Platform.h"

namespace zelv::test {

// An HTTP layer that answers from a script and records what it was asked.
class TFakeDownloadHttp : public platform::IHttpClient {
public:
    std::vector<platform::THttpRequest> Requests;
    platform::THttpResponse Response{200, {}, {}};
    std::optional<UString> FailWith;  // raise this text instead of answering
    platform::THttpResponse Send(const platform::THttpRequest& ARequest) override
    {
        Requests.push_back(ARequest);
        if (FailWith)
            throw ECloudSetupError(*FailWith);
        return Response;
    }
};

// Files in memory. Failures can be injected per operation; a failed write leaves the part that
// was written behind, as a full disk does.
class TFakeInstallFiles : public platform::IInstallFiles {
public:
    std::set<UString> Directories;
    std::map<UString, std::string> Files;
    std::set<UString> InUse;
    std::optional<UString> FailCreateDirectories;
    std::optional<UString> FailWrite;
    std::optional<UString> FailReplace;
    std::vector<UString> Created;

    bool DirectoryExists(UStringView APath) override { return Directories.count(UString(APath)) != 0; }
    void CreateDirectories(UStringView APath) override
    {
        if (FailCreateDirectories)
            throw ECloudSetupError(*FailCreateDirectories);
        Created.emplace_back(APath);
        Directories.emplace(APath);
    }
    bool FileExists(UStringView APath) override { return Files.count(UString(APath)) != 0; }
    bool CanOpenExclusively(UStringView APath) override { return InUse.count(UString(APath)) == 0; }
    void WriteFlushed(UStringView APath, std::string_view ABytes) override
    {
        if (FailWrite) {
            Files[UString(APath)] = std::string(ABytes.substr(0, ABytes.size() / 2));
            throw ECloudSetupError(*FailWrite);
        }
        Files[UString(APath)] = std::string(ABytes);
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
