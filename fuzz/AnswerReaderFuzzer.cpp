// Any answer of the sign-in service (status, content type, body): the client returns a result or
// raises its failure; it never crashes, leaks or reports success without the service saying so.
// The answer's text read on its own agrees with a strict parser: the same values where both read
// it, and nothing read that the strict parser refuses, except numbers beyond a double's range.
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <nlohmann/json.hpp>
#include <string>

#include "common/FakeHttp.h"
#include "core/CloudSetupError.h"
#include "fuzz/FuzzInputs.h"
#include "platform/posix/IconvCodePage.h"
#include "service/CloudSetupAPIClient.h"
#include "service/CloudSetupCharset.h"
#include "service/CloudSetupJson.h"

using namespace zelv;

namespace {

bool SameValue(const json::TValue& AOurs, const nlohmann::json& AStrict, platform::ICodePage& ACodePage)
{
    switch (AOurs.Kind) {
    case json::TKind::Null: return AStrict.is_null();
    case json::TKind::Boolean: return AStrict.is_boolean() && AStrict.get<bool>() == AOurs.Boolean;
    case json::TKind::String:
        return AStrict.is_string() && ACodePage.ToUnicode(platform::CodePageUtf8, AStrict.get<std::string>()) == AOurs.Text;
    case json::TKind::Number: {
        if (!AStrict.is_number())
            return false;
        const std::string Text = DebugUtf8(AOurs.Text);
        if (AStrict.is_number_float())
            return std::strtod(Text.c_str(), nullptr) == AStrict.get<double>();
        const std::string Written = AStrict.dump();
        return Text == Written || (Text == "-0" && Written == "0");
    }
    case json::TKind::Array:
        if (!AStrict.is_array() || AStrict.size() != AOurs.Items.size())
            return false;
        for (size_t I = 0; I < AOurs.Items.size(); ++I)
            if (!SameValue(AOurs.Items[I], AStrict[I], ACodePage))
                return false;
        return true;
    case json::TKind::Object: {
        // The strict parser keeps the last of two members of a name; ours keeps every one. So the
        // last of each name is compared, and each name counted once.
        if (!AStrict.is_object())
            return false;
        size_t Names = 0;
        for (auto Member = AOurs.Members.begin(); Member != AOurs.Members.end(); ++Member) {
            const bool Later = std::any_of(Member + 1, AOurs.Members.end(),
                                           [&](const json::TMember& AOther) { return AOther.Name == Member->Name; });
            if (Later)
                continue;
            ++Names;
            const auto Found = AStrict.find(ACodePage.FromUnicode(platform::CodePageUtf8, Member->Name));
            if (Found == AStrict.end() || !SameValue(Member->Value, *Found, ACodePage))
                return false;
        }
        return Names == AStrict.size();
    }
    }
    return false;
}

size_t Depth(const nlohmann::json& AValue)
{
    size_t Deepest = 0;
    if (AValue.is_structured())
        for (const auto& Item : AValue)
            Deepest = std::max(Deepest, Depth(Item));
    return AValue.is_structured() ? Deepest + 1 : 0;
}

void CheckAgainstStrictParser(const std::string& ABody, platform::ICodePage& ACodePage)
{
    const UString Text = ACodePage.ToUnicode(platform::CodePageUtf8, ABody);
    const std::string Utf8 = ACodePage.FromUnicode(platform::CodePageUtf8, Text);
    const std::unique_ptr<json::TValue> Ours = json::Parse(Text);
    nlohmann::json Strict;
    bool StrictRead = false;
    bool Overflow = false;
    try {
        Strict = nlohmann::json::parse(Utf8);
        StrictRead = true;
    } catch (const nlohmann::json::out_of_range&) {
        Overflow = true;
    } catch (const nlohmann::json::exception&) {
    }
    if (Ours && !StrictRead && !Overflow)
        std::abort();  // read what a strict parser refuses
    // The strict parser takes a NUL byte for the end of its input.
    if (!Ours && StrictRead && Utf8.find('\0') == std::string::npos) {
        // Ours is stricter only about white space after a bare value, a byte-order mark and depth.
        const size_t Last = Utf8.find_last_not_of(" \t\r\n");
        const bool BareValueWithSpace = !Strict.is_structured() && Last != std::string::npos && Last + 1 != Utf8.size();
        if (!BareValueWithSpace && Utf8.rfind("\xEF\xBB\xBF", 0) != 0 && Depth(Strict) <= 256)
            std::abort();
    }
    if (Ours && StrictRead && !SameValue(*Ours, Strict, ACodePage))
        std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize)
{
    static posix::TIconvCodePage CodePage;
    const auto [Verify, Status, ContentType, Body] = fuzz::DecodeAnswer(AData, ASize);

    test::TFakeHttp Http;
    platform::TPlatformScope Scope;
    Scope->CodePage = &CodePage;
    Scope->Http = &Http;
    CheckAgainstStrictParser(Body, CodePage);
    Http.Answer(Status, Body, ContentType);
    try {
        TCloudAPIClient Client;
        TAPIResult Result = Verify ? Client.VerifyCode(u"a@b.c", u"123456") : Client.RequestCode(u"a@b.c");
        const std::unique_ptr<json::TValue> Answer = json::Parse(DecodeBody(Body, ContentType));
        if (Result.Success && !(Answer && Answer->Member(u"success")))
            std::abort();  // success must come from the answer
        if (Result.Companies && (!Verify || !Result.Success))
            std::abort();
        if (!Result.Success && Result.Message.empty())
            std::abort();
    } catch (const ECloudSetupError& E) {
        if (E.Message().empty())
            std::abort();
    }
    return 0;
}
