# The client add-in: where the program downloads it from and the SHA-256 digests of its two
# builds. The defaults describe the stand-in world of the tests and the demo: the stand-in download
# server on this machine and the stand-in add-in built here. A production build passes the real
# values as cache values (-D...).
set(ZELV_ADDIN_DOWNLOAD_BASE "http://localhost:47480" CACHE STRING "Scheme, host and port the add-in is downloaded from (plain HTTP, no trailing slash)")
set(ZELV_ADDIN_SHA256_X64 "" CACHE STRING "SHA-256 of the 64-bit add-in (64 hex digits); empty: the stand-in add-in built here")
set(ZELV_ADDIN_SHA256_X86 "" CACHE STRING "SHA-256 of the 32-bit add-in (64 hex digits); empty: the stand-in add-in built here")
set(ZELV_ADDIN_MAX_BYTES "67108864" CACHE STRING "Largest add-in download accepted, in bytes; a server that sends more fails the download")

if(NOT ZELV_ADDIN_DOWNLOAD_BASE MATCHES "^http://[A-Za-z0-9.-]+(:[0-9]+)?$")
    message(FATAL_ERROR "ZELV_ADDIN_DOWNLOAD_BASE must be http://host[:port] with nothing after it")
endif()

if(NOT ZELV_ADDIN_MAX_BYTES MATCHES "^[1-9][0-9]*$")
    message(FATAL_ERROR "ZELV_ADDIN_MAX_BYTES must be a positive number of bytes")
endif()

# The stand-in add-in in both flavours, built now so its digests are known to the program. The
# linker's time stamp is left out: the same sources give the same bytes and the same digests.
set(ZELV_ADDIN_DIR ${CMAKE_BINARY_DIR}/standin-addin)
set(_zelv_addin_sources ${CMAKE_SOURCE_DIR}/standin/addin/zelvcloud.c ${CMAKE_SOURCE_DIR}/standin/addin/zelvcloud.def)
set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${_zelv_addin_sources})
file(MAKE_DIRECTORY ${ZELV_ADDIN_DIR})
foreach(_zelv_flavour X64 X86)
    if(_zelv_flavour STREQUAL "X64")
        set(_zelv_cc x86_64-w64-mingw32-gcc-posix)
        set(_zelv_dll ${ZELV_ADDIN_DIR}/zelvcloud64.dll)
    else()
        set(_zelv_cc i686-w64-mingw32-gcc-posix)
        set(_zelv_dll ${ZELV_ADDIN_DIR}/zelvcloud32.dll)
    endif()
    execute_process(
        COMMAND ${_zelv_cc} -O2 -shared -s -static-libgcc -Wl,--no-insert-timestamp -Wl,--kill-at -Wl,--enable-stdcall-fixup
                -o ${_zelv_dll} ${_zelv_addin_sources}
        RESULT_VARIABLE _zelv_rc ERROR_VARIABLE _zelv_err)
    if(NOT _zelv_rc EQUAL 0)
        message(FATAL_ERROR "Building the stand-in add-in ${_zelv_dll} failed: ${_zelv_err}")
    endif()
    file(SHA256 ${_zelv_dll} ZELV_STANDIN_ADDIN_SHA256_${_zelv_flavour})
    if(ZELV_ADDIN_SHA256_${_zelv_flavour} STREQUAL "")
        set(ZELV_ADDIN_EFFECTIVE_SHA256_${_zelv_flavour} ${ZELV_STANDIN_ADDIN_SHA256_${_zelv_flavour}})
    else()
        set(ZELV_ADDIN_EFFECTIVE_SHA256_${_zelv_flavour} ${ZELV_ADDIN_SHA256_${_zelv_flavour}})
    endif()
    if(NOT ZELV_ADDIN_EFFECTIVE_SHA256_${_zelv_flavour} MATCHES "^[0-9A-Fa-f]+$")
        message(FATAL_ERROR "ZELV_ADDIN_SHA256_${_zelv_flavour} must be 64 hexadecimal digits")
    endif()
    string(LENGTH "${ZELV_ADDIN_EFFECTIVE_SHA256_${_zelv_flavour}}" _zelv_len)
    if(NOT _zelv_len EQUAL 64)
        message(FATAL_ERROR "ZELV_ADDIN_SHA256_${_zelv_flavour} must be 64 hexadecimal digits")
    endif()
    string(TOLOWER "${ZELV_ADDIN_EFFECTIVE_SHA256_${_zelv_flavour}}" ZELV_ADDIN_EFFECTIVE_SHA256_${_zelv_flavour})
endforeach()

configure_file(${CMAKE_SOURCE_DIR}/workstation/CloudSetupWinActionsConst.h.in
               ${CMAKE_BINARY_DIR}/generated/workstation/CloudSetupWinActionsConst.h @ONLY)
