// The fuzz targets' hand-made seeds: each decodes, through its target's own decoding
// (FuzzInputs.h), to the case its file name says. The same table writes them:
//   fuzz_seeds --write     writes every named seed into fuzz/corpus/<target>/
//   fuzz_seeds             checks the seeds there (part of scripts/fuzz, so of scripts/test)
// Files named by 40 hexadecimal digits are corpus entries that libFuzzer's -merge=1 kept, named by
// the SHA-1 of their bytes; they stand for no case and are not checked here.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <regex>
#include <set>
#include <stdexcept>
#include <string>

#include "fuzz/FuzzInputs.h"

using namespace zelv;
namespace fs = std::filesystem;

namespace {

const fs::path Corpus = ZELV_FUZZ_CORPUS;

// Builds an input the way FuzzedDataProvider takes it apart: choices are written in the order the
// target takes them and end up at the end of the input in reverse; the remaining bytes are the
// front.
class TSeedBytes {
public:
    // A value of ConsumeIntegralInRange<T>(AMin, AMax), or of a pick from an array of AMax + 1
    // with AMin 0; it takes as many bytes as the range needs, at most sizeof(T).
    template <typename T> void Integral(T AValue, T AMin, T AMax)
    {
        const uint64_t Range = static_cast<uint64_t>(AMax) - static_cast<uint64_t>(AMin);
        const uint64_t Offset = static_cast<uint64_t>(AValue) - static_cast<uint64_t>(AMin);
        size_t Bytes = 0;
        while (Bytes < sizeof(T) && (Range >> (8 * Bytes)) > 0)
            ++Bytes;
        for (size_t I = Bytes; I-- > 0;)
            FTaken.push_back(static_cast<char>((Offset >> (8 * I)) & 0xFF));
    }
    void Bool(bool AValue) { Integral<uint8_t>(AValue ? 1 : 0, 0, 255); }
    template <typename T, size_t N> void Pick(const T (&AArray)[N], const T& AValue)
    {
        const auto Found = std::find(std::begin(AArray), std::end(AArray), AValue);
        if (Found == std::end(AArray))
            throw std::invalid_argument("not one of the target's choices");
        Integral<size_t>(static_cast<size_t>(Found - std::begin(AArray)), 0, N - 1);
    }
    void Units(const UString& AText)
    {
        for (char16_t C : AText)
            Integral<uint16_t>(C, 0, 0xFFFF);
    }
    void Rest(std::string ABytes) { FRest = std::move(ABytes); }

    size_t Size() const { return FRest.size() + FTaken.size(); }
    std::string Bytes() const { return FRest + std::string(FTaken.rbegin(), FTaken.rend()); }

private:
    std::string FTaken;
    std::string FRest;
};

std::string Utf16LE(const UString& AText)
{
    std::string Bytes;
    for (char16_t C : AText) {
        Bytes += static_cast<char>(C & 0xFF);
        Bytes += static_cast<char>(C >> 8);
    }
    return Bytes;
}

std::string AnswerSeed(const fuzz::TAnswerInput& AInput)
{
    TSeedBytes Seed;
    Seed.Bool(AInput.Verify);
    Seed.Pick(fuzz::AnswerStatuses, AInput.Status);
    Seed.Pick(fuzz::AnswerContentTypes, AInput.ContentType);
    Seed.Rest(AInput.Body);
    return Seed.Bytes();
}

std::string RequestSeed(const fuzz::TRequestInput& AInput)
{
    // The e-mail's length is a pick from 0 to half the whole input's size, and how many bytes that
    // pick takes depends on the size: grow the guess until it holds.
    for (size_t LengthBytes = 0;; ++LengthBytes) {
        const size_t Size = LengthBytes + 2 * (AInput.Email.size() + AInput.Code.size());
        TSeedBytes Seed;
        Seed.Integral<size_t>(AInput.Email.size(), 0, Size / 2);
        Seed.Units(AInput.Email);
        Seed.Units(AInput.Code);
        if (Seed.Size() == Size)
            return Seed.Bytes();
    }
}

std::string ConnectionSeed(const fuzz::TConnectionInput& AInput)
{
    TSeedBytes Seed;
    Seed.Bool(AInput.CodePage == 65001);
    for (const UString* Text : {&AInput.Code, &AInput.Address}) {
        Seed.Integral<size_t>(Text->size(), 0, fuzz::ConnectionTextMaxUnits);
        Seed.Units(*Text);
    }
    return Seed.Bytes();
}

const std::string BigNumbersBody = R"({"success":true,"companies":[{"companyCode":42.0e400,"serverAddress":"rds"}],"id":)" +
                                   std::string(400, '9') + R"(,"x":-0})";

const std::map<std::string, fuzz::TAnswerInput> AnswerSeeds = {
    {"verify-ok",
     {true, 200, u"application/json",
      R"({"success":true,"companies":[{"companyCode":"ab1","serverAddress":"10.0.0.5"}]})"}},
    {"verify-ok-windows-1252",
     {true, 200, u"application/json; charset=windows-1252",
      "{\"success\":true,\"companies\":[{\"companyCode\":\"Caf\xE9\",\"serverAddress\":\"rds.zelvcloud.invalid\"}]}"}},
    {"verify-ok-utf-16",
     {true, 200, u"application/json; charset=utf-16",
      Utf16LE(u"{\"success\":true,\"companies\":[{\"companyCode\":\"\u00C5S\",\"serverAddress\":\"10.0.0.7\"}]}")}},
    {"verify-wrong-code", {true, 401, u"application/json", R"({"success":false,"error":"INVALID_CODE"})"}},
    {"verify-too-many-attempts", {true, 429, u"application/json", R"({"success":false,"error":"TOO_MANY_ATTEMPTS"})"}},
    {"verify-duplicate-members",
     {true, 200, u"application/json", R"({"success":false,"companies":[],"success":true,"companies":[{"companyCode":"x"}]})"}},
    {"request-ok",
     {false, 200, u"application/json; charset=UTF-8", R"({"success":true,"message":"Code sent","expiresInSeconds":600})"}},
    {"request-unknown-email", {false, 404, u"", R"({"success":false,"error":"EMAIL_NOT_FOUND"})"}},
    {"html", {false, 500, u"text/html; charset=iso-8859-1", "<html><body>Bad gateway</body></html>"}},
    {"big-numbers", {true, 200, u"application/json", BigNumbersBody}},
};

const std::map<std::string, fuzz::TRequestInput> RequestSeeds = {
    // A quote and a backslash to escape, control characters with a short escape and without one,
    // and a character outside the BMP (a surrogate pair), which UTF-8 writes in four bytes.
    {"mixed", {u"a\"b\\c@x.test", u"\u0001\t\n\u001F\u007F\u00E9\U0001F600"}},
    // Unpaired surrogates, which the body must still carry as valid JSON.
    {"lone-surrogate", {u"\xD83D@x.test", u"1\xDE00" u"2"}},
};

const std::map<std::string, fuzz::TConnectionInput> ConnectionSeeds = {
    {"direct-1252", {1252, u"acme", u"rds01.zelvcloud.invalid"}},
    {"gateway-utf-8", {65001, u"M\u00FCller", u"10.0.0.5"}},
    {"in-house", {1252, u" hqv ", u""}},
    {"separator-in-code", {1252, u"..\\desktop.ini:x", u"10.0.0.5"}},
    {"line-break-in-address", {65001, u"acme", u"rds\r\nalternate shell:s:cmd.exe"}},
};

bool IsMergedEntry(const std::string& AName) { return std::regex_match(AName, std::regex("[0-9a-f]{40}")); }

std::string ReadFile(const fs::path& APath)
{
    std::ifstream In(APath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(In), {});
}

// Every named file of the target's folder has a case and every case its file; calls ACheck with
// each case's name and bytes.
template <typename TCases, typename TCheck> void CheckSeeds(const std::string& ATarget, const TCases& ACases, TCheck ACheck)
{
    std::set<std::string> Named;
    for (const fs::directory_entry& Entry : fs::directory_iterator(Corpus / ATarget))
        if (!IsMergedEntry(Entry.path().filename().string()))
            Named.insert(Entry.path().filename().string());
    for (const std::string& Name : Named)
        EXPECT_TRUE(ACases.count(Name)) << ATarget << "/" << Name << " names no case of SeedsTest.cpp";
    for (const auto& [Name, Case] : ACases) {
        SCOPED_TRACE(ATarget + "/" + Name);
        if (!Named.count(Name)) {
            ADD_FAILURE() << "missing; fuzz_seeds --write writes it";
            continue;
        }
        const std::string Bytes = ReadFile(Corpus / ATarget / Name);
        ACheck(Case, reinterpret_cast<const uint8_t*>(Bytes.data()), Bytes.size());
    }
}

template <typename TCases, typename TEncode> void WriteSeeds(const std::string& ATarget, const TCases& ACases, TEncode AEncode)
{
    for (const auto& [Name, Case] : ACases) {
        std::ofstream Out(Corpus / ATarget / Name, std::ios::binary | std::ios::trunc);
        Out << AEncode(Case);
    }
}

TEST(FuzzSeeds, AnswerReaderSeedsDecodeToTheirNamedCases)
{
    CheckSeeds("answer_reader", AnswerSeeds, [](const fuzz::TAnswerInput& ACase, const uint8_t* AData, size_t ASize) {
        const fuzz::TAnswerInput Decoded = fuzz::DecodeAnswer(AData, ASize);
        EXPECT_EQ(Decoded.Verify, ACase.Verify);
        EXPECT_EQ(Decoded.Status, ACase.Status);
        EXPECT_EQ(DebugUtf8(Decoded.ContentType), DebugUtf8(ACase.ContentType));
        EXPECT_EQ(Decoded.Body, ACase.Body);
    });
}

TEST(FuzzSeeds, RequestWriterSeedsDecodeToTheirNamedCases)
{
    CheckSeeds("request_writer", RequestSeeds, [](const fuzz::TRequestInput& ACase, const uint8_t* AData, size_t ASize) {
        const fuzz::TRequestInput Decoded = fuzz::DecodeRequest(AData, ASize);
        EXPECT_TRUE(Decoded.Email == ACase.Email) << DebugUtf8(Decoded.Email);
        EXPECT_TRUE(Decoded.Code == ACase.Code) << DebugUtf8(Decoded.Code);
    });
}

TEST(FuzzSeeds, ConnectionFileSeedsDecodeToTheirNamedCases)
{
    CheckSeeds("connection_file", ConnectionSeeds,
               [](const fuzz::TConnectionInput& ACase, const uint8_t* AData, size_t ASize) {
                   const fuzz::TConnectionInput Decoded = fuzz::DecodeConnection(AData, ASize);
                   EXPECT_EQ(Decoded.CodePage, ACase.CodePage);
                   EXPECT_TRUE(Decoded.Code == ACase.Code) << DebugUtf8(Decoded.Code);
                   EXPECT_TRUE(Decoded.Address == ACase.Address) << DebugUtf8(Decoded.Address);
               });
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && std::string(argv[1]) == "--write") {
        WriteSeeds("answer_reader", AnswerSeeds, AnswerSeed);
        WriteSeeds("request_writer", RequestSeeds, RequestSeed);
        WriteSeeds("connection_file", ConnectionSeeds, ConnectionSeed);
        return 0;
    }
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
