# The stand-in services (standin/) run on this machine, so the Windows build compiles them with the
# host compiler as a project of their own, and ctest fixtures start and stop them around the tests.
include(ExternalProject)
set(ZELV_STANDIN_DIR ${CMAKE_BINARY_DIR}/standin)
ExternalProject_Add(zelv_standin
    SOURCE_DIR ${CMAKE_SOURCE_DIR}/standin
    BINARY_DIR ${ZELV_STANDIN_DIR}
    CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
    INSTALL_COMMAND ""
    BUILD_ALWAYS ON
    BUILD_BYPRODUCTS ${ZELV_STANDIN_DIR}/download/zelv-download-standin)

# The download server on the port the program's compiled-in download base names.
string(REGEX REPLACE "^http://[^:/]+:?" "" ZELV_DOWNLOAD_STANDIN_PORT "${ZELV_ADDIN_DOWNLOAD_BASE}")
if(ZELV_DOWNLOAD_STANDIN_PORT STREQUAL "")
    set(ZELV_DOWNLOAD_STANDIN_PORT 80)
endif()
set(_zelv_download_ctl ${CMAKE_SOURCE_DIR}/standin/download/standin-download)
add_test(NAME standin.download.start
    COMMAND bash ${_zelv_download_ctl} start ${ZELV_STANDIN_DIR}/run ${ZELV_STANDIN_DIR}/download/zelv-download-standin
            ${ZELV_ADDIN_DIR} ${ZELV_DOWNLOAD_STANDIN_PORT})
add_test(NAME standin.download.stop COMMAND bash ${_zelv_download_ctl} stop ${ZELV_STANDIN_DIR}/run)
set_tests_properties(standin.download.start PROPERTIES FIXTURES_SETUP download-standin TIMEOUT 30)
set_tests_properties(standin.download.stop PROPERTIES FIXTURES_CLEANUP download-standin TIMEOUT 30)
