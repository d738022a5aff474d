# The stand-in download server for the tests and the demo (built with the other stand-ins, see
# cmake/SignInStandin.cmake) and, in the Windows build, the ctest fixture "download-standin" that
# runs it on the port the program's compiled-in download base names.
if(WIN32)
    set(ZELV_DOWNLOAD_STANDIN ${CMAKE_BINARY_DIR}/standin-host/download/zelv_download_standin)
else()
    set(ZELV_DOWNLOAD_STANDIN $<TARGET_FILE:zelv_download_standin>)
endif()

string(REGEX REPLACE "^http://[^:/]+:?" "" ZELV_DOWNLOAD_STANDIN_PORT "${ZELV_ADDIN_DOWNLOAD_BASE}")
if(ZELV_DOWNLOAD_STANDIN_PORT STREQUAL "")
    set(ZELV_DOWNLOAD_STANDIN_PORT 80)
endif()
set(ZELV_DOWNLOAD_ARGS --root ${ZELV_ADDIN_DIR} --port ${ZELV_DOWNLOAD_STANDIN_PORT})

# The same command for a person running the demo, in the foreground.
string(JOIN " " _zelv_download_command ${ZELV_DOWNLOAD_STANDIN} ${ZELV_DOWNLOAD_ARGS})
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/download-standin
    CONTENT "#!/bin/bash\nexec ${_zelv_download_command} \"$@\"\n"
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(WIN32)
    set(_zelv_download_run ${CMAKE_BINARY_DIR}/standin-run)
    add_test(NAME standin.download.start
        COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/standin-download start ${_zelv_download_run} ${ZELV_DOWNLOAD_STANDIN}
                ${ZELV_ADDIN_DIR} ${ZELV_DOWNLOAD_STANDIN_PORT})
    add_test(NAME standin.download.stop COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/standin-download stop ${_zelv_download_run})
    set_tests_properties(standin.download.start PROPERTIES FIXTURES_SETUP download-standin TIMEOUT 30)
    set_tests_properties(standin.download.stop PROPERTIES FIXTURES_CLEANUP download-standin TIMEOUT 30)
endif()
