#pragma once

#include <windows.h>

#include <cstdint>
#include <utility>

namespace zelv::win32 {

// Owns one handle of a kind from the line that creates it: move-only, closed exactly once by its
// kind's closer. EmptyBits is the kind's "no handle" value as an integer (0, or -1 for
// INVALID_HANDLE_VALUE): a pointer constant such as INVALID_HANDLE_VALUE can't be a template argument.
template <class T, auto Closer, std::intptr_t EmptyBits = 0>
class UniqueHandle {
    // A function, not a static member: no order of static initialisation to depend on.
    static T Empty() { return (T)(EmptyBits); }

public:
    UniqueHandle() = default;
    explicit UniqueHandle(T AHandle) : FHandle(AHandle) {}
    ~UniqueHandle() { Reset(); }
    UniqueHandle(UniqueHandle&& AOther) noexcept : FHandle(std::exchange(AOther.FHandle, Empty())) {}
    UniqueHandle& operator=(UniqueHandle&& AOther) noexcept
    {
        if (this != &AOther)
            Reset(std::exchange(AOther.FHandle, Empty()));
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;

    T Get() const { return FHandle; }
    explicit operator bool() const { return FHandle != Empty(); }
    T Release() { return std::exchange(FHandle, Empty()); }
    void Reset(T AHandle = Empty())
    {
        if (FHandle != Empty())
            Closer(FHandle);
        FHandle = AHandle;
    }

private:
    T FHandle = Empty();
};

inline void CloseHandleChecked(HANDLE AHandle) { ::CloseHandle(AHandle); }
inline void CloseKey(HKEY AKey) { ::RegCloseKey(AKey); }

using UniqueHandleObj = UniqueHandle<HANDLE, CloseHandleChecked>;  // events, processes (nullptr empty)
using UniqueFile = UniqueHandle<HANDLE, CloseHandleChecked, -1>;  // INVALID_HANDLE_VALUE empty
using UniqueKey = UniqueHandle<HKEY, CloseKey>;

}  // namespace zelv::win32
