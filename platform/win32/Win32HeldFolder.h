#pragma once

#include <windows.h>

#include <memory>

#include "platform/IInstallFiles.h"
#include "platform/win32/UniqueHandle.h"

namespace zelv::win32 {

// Opens the item itself, never what a link points to (FILE_FLAG_OPEN_REPARSE_POINT), shared as
// AShare allows. The backup flag is what opens a folder at all, not a privilege asked for.
UniqueFile OpenItself(UStringView APath, DWORD AAccess, DWORD AShare);

// Whether the name shows a link. A handle opened on the link itself says so on Windows; Wine
// opens what a Unix link points to even then, and shows the link only in its folder's listing and
// in the attributes read by name.
bool NameShowsLink(UStringView APath);

// Owner, access list and link attribute, read through the handle.
platform::TFolderSecurity SecurityThrough(HANDLE AItem, UStringView APath);

// Holds the folder (see IInstallFiles::HoldFolder), with the right to move and remove it when
// AToMove; empty when it cannot be held.
std::unique_ptr<platform::IHeldFolder> HoldFolderAt(UStringView APath, bool AToMove);

// Removes the item the handle has open: a file, an empty folder or a link itself.
bool RemoveThrough(HANDLE AItem);

[[noreturn]] void RaiseFileError(const char16_t* AWhat, UStringView APath, DWORD ACode);

}  // namespace zelv::win32
