// Any UTF-16 text in the request body: the body is JSON that a strict parser accepts, and it
// decodes back to the same text (text with unpaired surrogates, which UTF-8 cannot carry, only has
// to stay valid JSON).
#include <cstdlib>
#include <nlohmann/json.hpp>

#include "fuzz/FuzzInputs.h"
#include "platform/Platform.h"
#include "platform/posix/IconvCodePage.h"
#include "service/CloudSetupJson.h"

using namespace zelv;

namespace {

bool HasUnpairedSurrogate(const UString& AText)
{
    for (size_t I = 0; I < AText.size(); ++I) {
        char16_t C = AText[I];
        if (C >= 0xD800 && C <= 0xDBFF) {
            if (I + 1 >= AText.size() || AText[I + 1] < 0xDC00 || AText[I + 1] > 0xDFFF)
                return true;
            ++I;
        } else if (C >= 0xDC00 && C <= 0xDFFF) {
            return true;
        }
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* AData, size_t ASize)
{
    static posix::TIconvCodePage CodePage;
    platform::Current().CodePage = &CodePage;

    const auto [Email, Code] = fuzz::DecodeRequest(AData, ASize);

    const std::string Body = json::WriteObject({{u"email", Email}, {u"code", Code}});
    nlohmann::json Parsed = nlohmann::json::parse(Body, nullptr, false);
    if (Parsed.is_discarded() || !Parsed.is_object() || Parsed.size() != 2)
        std::abort();
    if (Body.rfind(R"({"email":")", 0) != 0)
        std::abort();  // members in order, compact
    for (const auto& [Name, Text] : {std::pair{"email", &Email}, std::pair{"code", &Code}}) {
        if (!Parsed[Name].is_string())
            std::abort();
        if (!HasUnpairedSurrogate(*Text) &&
            CodePage.ToUnicode(platform::CodePageUtf8, Parsed[Name].get<std::string>()) != *Text)
            std::abort();
    }
    return 0;
}
