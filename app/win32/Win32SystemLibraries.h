#pragma once

#include <windows.h>

#include <thread>

// Where the program's libraries come from.
//
// For a library that is not one of Windows' known system libraries (KnownDLLs), Windows looks in
// the program's own folder first, and the program is started from a Downloads folder, where
// anything may lie beside it under a system library's name. So:
// - the exe imports only known system libraries (cmake/check-imports holds the list);
// - every other system library is bound on first use (zelv_delay_load) and loaded here by its
//   full path in the system directory. So is comctl32, although its manifest takes it from the
//   system's side-by-side store: a static import runs its start-up before the program's first
//   instruction, and that start-up loads the theme library by bare name;
// - the process starts in ZelvProcessStart, which confines every later load by bare name, the
//   ones inside Windows' own libraries included, to the system directory before anything else of
//   the program runs (the C runtime, static initialisers, the first window).
extern "C" int ZelvProcessStart();

namespace zelv::win32 {

// Confines the search of every later load by bare name to the system directory: no program
// folder, no current directory, no PATH.
void ConfineLibrarySearch() noexcept;

// Loads a library of the system directory by its full path there; its own imports are taken
// from the system directory too. nullptr when the system has no such library.
HMODULE LoadSystemLibrary(const wchar_t* AName) noexcept;

// Maps the system libraries bound on first use (the HTTP client, hashing, the shell) on a thread
// of its own once the window is up, so the sign-in and the setup run don't wait for them. Waits
// for that thread when destroyed.
class TLibraryPreload {
public:
    TLibraryPreload() = default;
    ~TLibraryPreload();
    TLibraryPreload(const TLibraryPreload&) = delete;
    TLibraryPreload& operator=(const TLibraryPreload&) = delete;

    // Starts the thread; later calls do nothing.
    void Start();

private:
    std::thread FThread;
};

}  // namespace zelv::win32
