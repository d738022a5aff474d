// What each fuzz target makes of its input bytes. The targets and the test of their seeds
// (SeedsTest.cpp) decode through these same functions, so a seed is checked as its target reads it.
//
// FuzzedDataProvider takes every choice and integer from the END of the input, the last byte
// first: a Boolean is the last byte's lowest bit; a number in a range of up to 256 values (a pick
// from an array of up to 256, a length up to 255) is the next byte from the end, modulo the range's
// size; a 16-bit unit is the next two bytes from the end, the later byte the high one. What is left
// at the front is taken as it stands ("the remaining bytes").
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "core/CloudSetupText.h"

namespace zelv::fuzz {

// An answer of the sign-in service to one of its two requests.
struct TAnswerInput {
    bool Verify = false;  // answers "verify-code"; otherwise "request-code"
    int Status = 0;
    UString ContentType;  // empty: no Content-Type header
    std::string Body;
};

inline constexpr int AnswerStatuses[] = {200, 400, 401, 404, 429, 500, 302};
inline const UString AnswerContentTypes[] = {u"application/json",
                                             u"",
                                             u"application/json; charset=UTF-8",
                                             u"text/html; charset=iso-8859-1",
                                             u"application/json; charset=windows-1252",
                                             u"application/json; charset=utf-16"};

// From the end: the request (a Boolean), the status, the content type; the body is the rest.
inline TAnswerInput DecodeAnswer(const uint8_t* AData, size_t ASize)
{
    FuzzedDataProvider Data(AData, ASize);
    TAnswerInput Input;
    Input.Verify = Data.ConsumeBool();
    Input.Status = Data.PickValueInArray(AnswerStatuses);
    Input.ContentType = Data.PickValueInArray(AnswerContentTypes);
    Input.Body = Data.ConsumeRemainingBytesAsString();
    return Input;
}

// The two texts of a verify-code request body.
struct TRequestInput {
    UString Email;
    UString Code;
};

// From the end: the e-mail's length in units (0 to half the input's size), its units, then the
// code's units up to the last pair of bytes.
inline TRequestInput DecodeRequest(const uint8_t* AData, size_t ASize)
{
    FuzzedDataProvider Data(AData, ASize);
    TRequestInput Input;
    const size_t EmailUnits = Data.ConsumeIntegralInRange<size_t>(0, ASize / 2);
    for (size_t I = 0; I < EmailUnits && Data.remaining_bytes() >= 2; ++I)
        Input.Email += static_cast<char16_t>(Data.ConsumeIntegral<uint16_t>());
    while (Data.remaining_bytes() >= 2)
        Input.Code += static_cast<char16_t>(Data.ConsumeIntegral<uint16_t>());
    return Input;
}

// A company as the connection-file writer gets it, and the ANSI code page of the machine.
struct TConnectionInput {
    unsigned CodePage = 0;  // 65001 or 1252
    UString Code;
    UString Address;
};

inline constexpr size_t ConnectionTextMaxUnits = 64;

// A length in units (0 to 64), then that many units, or as many as the input still holds.
inline UString TakeConnectionText(FuzzedDataProvider& AData)
{
    const size_t Units = AData.ConsumeIntegralInRange<size_t>(0, ConnectionTextMaxUnits);
    UString Text;
    for (size_t I = 0; I < Units && AData.remaining_bytes() >= 2; ++I)
        Text += static_cast<char16_t>(AData.ConsumeIntegral<uint16_t>());
    return Text;
}

// From the end: the code page (a Boolean: UTF-8 or 1252), the company code, the server address.
inline TConnectionInput DecodeConnection(const uint8_t* AData, size_t ASize)
{
    FuzzedDataProvider Data(AData, ASize);
    TConnectionInput Input;
    Input.CodePage = Data.ConsumeBool() ? 65001 : 1252;
    Input.Code = TakeConnectionText(Data);
    Input.Address = TakeConnectionText(Data);
    return Input;
}

}  // namespace zelv::fuzz
