# Cross build for 64-bit Windows with mingw-w64. The posix thread-model compilers are needed: the
# win32 model has no std::mutex, and GoogleTest does not build without it.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(ZELV_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${ZELV_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${ZELV_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${ZELV_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${ZELV_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
