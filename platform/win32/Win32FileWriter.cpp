#include "platform/win32/Win32FileWriter.h"

#include <algorithm>

#include "platform/win32/UniqueHandle.h"
#include "platform/win32/Win32Text.h"

namespace zelv::win32 {

namespace {

platform::TSystemError LastError()
{
    DWORD Code = GetLastError();
    return platform::TSystemError{Code, SystemErrorText(Code)};
}

class TWin32WrittenFile : public platform::IWrittenFile {
public:
    explicit TWin32WrittenFile(UniqueFile AFile) : FFile(std::move(AFile)) {}

    bool Write(std::string_view ABytes, platform::TSystemError& AError) override
    {
        while (!ABytes.empty()) {
            DWORD Chunk = static_cast<DWORD>(std::min<size_t>(ABytes.size(), 1u << 30));
            DWORD Written = 0;
            if (!WriteFile(FFile.Get(), ABytes.data(), Chunk, &Written, nullptr)) {
                AError = LastError();
                return false;
            }
            if (Written == 0) {
                // The system took nothing and named no reason.
                AError = platform::TSystemError{};
                return false;
            }
            ABytes.remove_prefix(Written);
        }
        return true;
    }

private:
    UniqueFile FFile;
};

}  // namespace

std::unique_ptr<platform::IWrittenFile> TWin32FileWriter::CreateExclusive(UStringView APath,
                                                                          platform::TSystemError& AError)
{
    UString Path(APath);
    // Share mode 0: no other program can open the file while it is written, so none reads a
    // half-written file.
    UniqueFile File(CreateFileW(W(Path), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!File) {
        AError = LastError();
        return nullptr;
    }
    return std::make_unique<TWin32WrittenFile>(std::move(File));
}

UString TWin32FileWriter::FullPath(UStringView APath)
{
    UString Path(APath);
    std::wstring Buffer(MAX_PATH, L'\0');
    while (true) {
        DWORD Length = GetFullPathNameW(W(Path), static_cast<DWORD>(Buffer.size()), Buffer.data(), nullptr);
        if (Length == 0)
            return Path;
        if (Length < Buffer.size()) {
            Buffer.resize(Length);
            return U(Buffer);
        }
        Buffer.assign(Length, L'\0');
    }
}

}  // namespace zelv::win32
