#pragma once

#include <windows.h>

#include <string>

#include "core/CloudSetupText.h"

namespace zelv::win32 {

static_assert(sizeof(wchar_t) == sizeof(char16_t), "Windows text is UTF-16");

inline const wchar_t* W(const UString& AText) { return reinterpret_cast<const wchar_t*>(AText.c_str()); }
inline UString U(const wchar_t* AText) { return AText ? UString(reinterpret_cast<const char16_t*>(AText)) : UString(); }
inline UString U(const wchar_t* AText, size_t ALength) { return UString(reinterpret_cast<const char16_t*>(AText), ALength); }
inline UString U(const std::wstring& AText) { return U(AText.data(), AText.size()); }
inline std::wstring ToW(UStringView AText) { return std::wstring(reinterpret_cast<const wchar_t*>(AText.data()), AText.size()); }

// The system's text for an error code (from AModule's message table when given), or empty when
// the system has none.
UString SystemErrorText(DWORD ACode, HMODULE AModule = nullptr);

// A window's text: a control's caption, an edit box's contents.
UString WindowText(HWND AWindow);

}  // namespace zelv::win32
