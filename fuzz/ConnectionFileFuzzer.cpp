// Any company code and server address: the connection file is either refused with a message, or
// written as exactly one file directly inside the desktop folder, holding exactly 50 lines.
#include <cstdlib>

#include "common/Fakes.h"
#include "common/WorkstationFakes.h"
#include "core/CloudSetupError.h"
#include "fuzz/FuzzInputs.h"
#include "platform/posix/IconvCodePage.h"
#include "profiles/CloudSetupRDPWriter.h"

using namespace zelv;

namespace {

void Check(bool ACondition)
{
    if (!ACondition)
        std::abort();
}

struct TWriter : TRDPWriter {
    using TRDPWriter::BuildRDPLines;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize)
{
    const auto [CodePage, Code, Address] = fuzz::DecodeConnection(AData, ASize);

    static test::TFakeLocale Locale;
    static test::TFakeWorkstation Workstation;
    static posix::TIconvCodePage Ansi1252(1252), AnsiUtf8(65001);
    test::TFakeFileWriter Files;
    platform::TPlatformScope Scope;
    Scope->Locale = &Locale;
    Scope->Workstation = &Workstation;
    Scope->CodePage = CodePage == 65001 ? &AnsiUtf8 : &Ansi1252;
    Scope->FileWriter = &Files;

    Check(TWriter::BuildRDPLines(Code, Address).size() == 50);

    const UString Desktop = u"C:\\Users\\u1\\Desktop";
    try {
        const UString Path = TRDPWriter::WriteRDPFile(Desktop, Code, Address);
        Check(Files.Files.size() == 1 && Files.Files.begin()->first == Path);
        // The file's name stays inside the desktop folder: nothing after the folder separates
        // another folder or names a stream.
        Check(Path.rfind(Desktop + u"\\", 0) == 0);
        const UString Name = Path.substr(Desktop.size() + 1);
        Check(Name.find_first_of(u"\\/:") == UString::npos);
        const std::string& Bytes = Files.Files.begin()->second;
        size_t LineEnds = 0;
        const bool Utf16 = Bytes.size() >= 2 && Bytes[0] == '\xFF' && Bytes[1] == '\xFE';
        for (size_t I = Utf16 ? 2 : 0; I + (Utf16 ? 3 : 1) < Bytes.size(); I += Utf16 ? 2 : 1) {
            if (Utf16 ? (Bytes[I] == '\r' && Bytes[I + 1] == 0 && Bytes[I + 2] == '\n' && Bytes[I + 3] == 0)
                      : (Bytes[I] == '\r' && Bytes[I + 1] == '\n'))
                ++LineEnds;
        }
        Check(LineEnds == 50);
    } catch (const ECloudSetupError& E) {
        Check(!E.Message().empty());
        Check(Files.Files.empty());
    }
    Check(Files.OpenFiles == 0);
    return 0;
}
