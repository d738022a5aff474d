# The exe handed to users: stripped, optionally signed, and checked to import statically only
# Windows' known system libraries and to bind on first use only libraries every Windows 10/11 has.

if(NOT WIN32 OR NOT TARGET ZelvCloudSetup)
    return()
endif()

if(CMAKE_BUILD_TYPE STREQUAL "Release")
    target_link_options(ZelvCloudSetup PRIVATE -s)
endif()
# The link time in the PE header (and the checksum over it) would make every build differ.
target_link_options(ZelvCloudSetup PRIVATE -Wl,--no-insert-timestamp)

add_test(NAME release.imports COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/check-imports $<TARGET_FILE:ZelvCloudSetup>)

if(ZELV_RELEASE)
    # Every value compiled in, as the -D options that give the same exe again (scripts/verify-release).
    file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/deployment.json @ONLY CONTENT [[{
  "ZELV_SERVICE_BASE_URL": "@ZELV_SERVICE_BASE_URL@",
  "ZELV_CLOUD_DOMAIN": "@ZELV_CLOUD_DOMAIN@",
  "ZELV_DEFAULT_GATEWAY_HOST": "@ZELV_DEFAULT_GATEWAY_HOST@",
  "ZELV_ALTERNATE_GATEWAY_HOST": "@ZELV_ALTERNATE_GATEWAY_HOST@",
  "ZELV_INHOUSE_SERVER_HOST": "@ZELV_INHOUSE_SERVER_HOST@",
  "ZELV_ADDIN_DOWNLOAD_BASE": "@ZELV_ADDIN_DOWNLOAD_BASE@",
  "ZELV_ADDIN_SHA256_X64": "@ZELV_ADDIN_EFFECTIVE_SHA256_X64@",
  "ZELV_ADDIN_SHA256_X86": "@ZELV_ADDIN_EFFECTIVE_SHA256_X86@",
  "ZELV_ADDIN_MAX_BYTES": "@ZELV_ADDIN_MAX_BYTES@",
  "ZELV_SIGNIN_PORT": "@ZELV_SIGNIN_PORT@",
  "ZELV_SIGNIN_UNTRUSTED_PORT": "@ZELV_SIGNIN_UNTRUSTED_PORT@"
}
]])
    # The compiler and linker flags the exe is built with. At the first configure CMake takes them
    # from CFLAGS, CXXFLAGS, LDFLAGS and RCFLAGS in the environment, so they are inputs like the
    # deployment values: recorded, and given back as they are by scripts/verify-release, which
    # clears the environment's.
    set(_zelv_flags "{}")
    foreach(_zelv_var CMAKE_C_FLAGS CMAKE_CXX_FLAGS CMAKE_RC_FLAGS CMAKE_EXE_LINKER_FLAGS
            CMAKE_C_FLAGS_RELEASE CMAKE_CXX_FLAGS_RELEASE CMAKE_EXE_LINKER_FLAGS_RELEASE)
        string(REPLACE "\\" "\\\\" _zelv_value "${${_zelv_var}}")
        string(REPLACE "\"" "\\\"" _zelv_value "${_zelv_value}")
        string(JSON _zelv_flags SET "${_zelv_flags}" ${_zelv_var} "\"${_zelv_value}\"")
    endforeach()
    file(WRITE ${CMAKE_BINARY_DIR}/flags.json "${_zelv_flags}\n")
    # The exe rebuilt elsewhere (another folder, time zone, locale, umask, user, job count and
    # compiler flags in the environment) is the same bytes, the release's detached signature
    # attached to it gives the signed exe, and the rebuild writes the same record, bill, provenance
    # and notices.
    add_test(NAME release.reproducible COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/test-reproducible ${CMAKE_BINARY_DIR})
    set_tests_properties(release.reproducible PROPERTIES TIMEOUT 1800)
    # The bill of materials, checked by the CycloneDX project's own validator (scripts/bootstrap
    # installs it into tests/release/node_modules).
    add_test(NAME release.bill COMMAND node ${CMAKE_SOURCE_DIR}/tests/release/check-bill.mjs
        ${CMAKE_BINARY_DIR}/release $<TARGET_FILE:ZelvCloudSetup> ${CMAKE_BINARY_DIR}/app/ZelvCloudSetup.map)
    # The signed release path with a throwaway key, every digest checked against the files; the
    # tampered releases scripts/verify-release must refuse; the documents written again from the
    # exe and its signature, and with a timestamp put back.
    add_test(NAME release.signed-path COMMAND ${CMAKE_SOURCE_DIR}/tests/release/test-signed-path ${CMAKE_BINARY_DIR})
    add_test(NAME release.verify-refuses COMMAND ${CMAKE_SOURCE_DIR}/tests/release/test-verify-refuses ${CMAKE_BINARY_DIR})
    add_test(NAME release.documents-reproducible COMMAND bash ${CMAKE_SOURCE_DIR}/tests/release/test-documents-reproducible ${CMAKE_BINARY_DIR})
    set_tests_properties(release.signed-path release.verify-refuses release.documents-reproducible PROPERTIES TIMEOUT 300)
endif()

add_test(NAME release.signing COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/test-signing
    $<TARGET_FILE:ZelvCloudSetup> ${ZELV_WINE_RUN} ${ZELV_BENCH_DIR})
set_tests_properties(release.signing PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 120)

# The exe is stripped; the link map keeps where each routine landed, for these checks and for the
# release folder's bill of materials (cmake/ReleaseFolder.cmake).
set(ZELV_LINK_MAP ${CMAKE_BINARY_DIR}/app/ZelvCloudSetup.map)
target_link_options(ZelvCloudSetup PRIVATE -Wl,-Map=${ZELV_LINK_MAP})
# The checks of the exe handed to users; a test build keeps its symbols and its test seams.
if(ZELV_RELEASE)
    # ASLR, NX, no writable code, no shared section, stack canaries and checked copies
    # (cmake/Hardening.cmake), read from the stripped exe and its link map.
    add_test(NAME release.hardening COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/check-hardening $<TARGET_FILE:ZelvCloudSetup> ${ZELV_LINK_MAP})
    # The process starts in the routine that confines the library search before anything else runs
    # (app/win32/Win32SystemLibraries.h): a lost --entry would start it in the C runtime instead.
    add_test(NAME release.entry COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/check-entry $<TARGET_FILE:ZelvCloudSetup> ${ZELV_LINK_MAP} ZelvProcessStart)
    # The test seams are compiled into test builds only (ZELV_TEST_SEAMS), the start-up marks into
    # the bench's marked builds only (ZELV_STARTUP_MARKS, bench/StartupMarks.h). grep fails with 2 on
    # a missing map, which must not count as "not found".
    add_test(NAME release.no-test-seams COMMAND bash -c "test -s \"$1\" || { echo \"no link map: $1\"; exit 1; }; ! grep -n -e ReplaceHighContrastQuery -e ZelvStartupMark \"$1\"" check ${ZELV_LINK_MAP})
endif()
