#pragma once

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "core/CloudSetupText.h"

namespace zelv::test {

// The checked-in files under tests/fixtures, read as bytes. The Windows programs reach the
// source tree through Wine's Z: drive.
inline std::string FixturePath(const std::string& AName)
{
#ifdef _WIN32
    return std::string("Z:") + ZELV_FIXTURES_DIR + "/" + AName;
#else
    return std::string(ZELV_FIXTURES_DIR) + "/" + AName;
#endif
}

inline std::string ReadFixture(const std::string& AName)
{
    std::ifstream In(FixturePath(AName), std::ios::binary);
    if (!In)
        throw std::runtime_error("missing fixture " + AName);
    return std::string(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
}

// Bytes as hex pairs, for readable failure output.
inline std::string Hex(const std::string& ABytes)
{
    static constexpr char Digits[] = "0123456789abcdef";
    std::string Result;
    for (unsigned char B : ABytes) {
        if (!Result.empty())
            Result += ' ';
        Result += Digits[B >> 4];
        Result += Digits[B & 0xF];
    }
    return Result;
}

// UTF-16LE bytes (after a byte-order mark) as text.
inline UString FromUtf16LE(const std::string& ABytes)
{
    UString Result;
    for (size_t I = 0; I + 1 < ABytes.size(); I += 2)
        Result += static_cast<char16_t>(static_cast<unsigned char>(ABytes[I]) |
                                        (static_cast<unsigned char>(ABytes[I + 1]) << 8));
    return Result;
}

}  // namespace zelv::test
