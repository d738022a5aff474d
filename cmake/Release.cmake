# The exe handed to users: stripped, optionally signed, and checked to import statically only
# Windows' known system libraries and to bind on first use only libraries every Windows 10/11 has.

if(NOT WIN32 OR NOT TARGET ZelvCloudSetup)
    return()
endif()

if(CMAKE_BUILD_TYPE STREQUAL "Release")
    target_link_options(ZelvCloudSetup PRIVATE -s)
endif()

add_test(NAME release.imports COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/check-imports $<TARGET_FILE:ZelvCloudSetup>)

# Code signing: unsigned executables are what antivirus products and SmartScreen flag first.
# Given a certificate and its key (cache values or the environment), the exe is signed with
# osslsigncode right after linking; a timestamp server is optional.
set(ZELV_SIGN_CERT "$ENV{ZELV_SIGN_CERT}" CACHE FILEPATH "Code-signing certificate (PEM or DER); empty: no signing")
set(ZELV_SIGN_KEY "$ENV{ZELV_SIGN_KEY}" CACHE FILEPATH "Private key of the code-signing certificate")
set(ZELV_SIGN_TIMESTAMP_URL "$ENV{ZELV_SIGN_TIMESTAMP_URL}" CACHE STRING "RFC 3161 timestamp server; empty: no timestamp")
if(ZELV_SIGN_CERT)
    if(NOT ZELV_SIGN_KEY)
        message(FATAL_ERROR "ZELV_SIGN_CERT is set but ZELV_SIGN_KEY is not")
    endif()
    add_custom_command(TARGET ZelvCloudSetup POST_BUILD
        COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/sign-exe $<TARGET_FILE:ZelvCloudSetup>
                ${ZELV_SIGN_CERT} ${ZELV_SIGN_KEY} "${ZELV_SIGN_TIMESTAMP_URL}"
        COMMENT "Signing ZelvCloudSetup.exe"
        VERBATIM)
endif()

add_test(NAME release.signing COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/test-signing
    $<TARGET_FILE:ZelvCloudSetup> ${ZELV_WINE_RUN} ${ZELV_BENCH_DIR})
set_tests_properties(release.signing PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 120)

# The exe is stripped; the link map keeps where each routine landed, for these checks.
set(ZELV_LINK_MAP ${CMAKE_BINARY_DIR}/app/ZelvCloudSetup.map)
target_link_options(ZelvCloudSetup PRIVATE -Wl,-Map=${ZELV_LINK_MAP})
# ASLR, NX, no writable code, no shared section, stack canaries and checked copies
# (cmake/Hardening.cmake), read from the stripped exe and its link map.
add_test(NAME release.hardening COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/check-hardening $<TARGET_FILE:ZelvCloudSetup> ${ZELV_LINK_MAP})
# The process starts in the routine that confines the library search before anything else runs
# (app/win32/Win32SystemLibraries.h): a lost --entry would start it in the C runtime instead.
add_test(NAME release.entry COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/check-entry $<TARGET_FILE:ZelvCloudSetup> ${ZELV_LINK_MAP} ZelvProcessStart)
# The test seams are compiled into test builds only (ZELV_TEST_SEAMS).
add_test(NAME release.no-test-seams COMMAND bash -c "! grep -n ReplaceHighContrastQuery \"$1\"" check ${ZELV_LINK_MAP})
