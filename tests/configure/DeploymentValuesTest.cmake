# A deployment value given on the command line is compiled in exactly as given, whatever the stand-in
# ports do on later configures; the default service URL follows ZELV_SIGNIN_PORT.
#   cmake -DSOURCE_DIR=... -DWORK_DIR=... -DGENERATOR=... -DC_COMPILER=... -DCXX_COMPILER=... -P DeploymentValuesTest.cmake
cmake_minimum_required(VERSION 3.25)

set(_service_header ${WORK_DIR}/generated/service/CloudSetupConst.h)
set(_download_header ${WORK_DIR}/generated/workstation/CloudSetupWinActionsConst.h)

function(configure STEP)
    execute_process(
        COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR} -G ${GENERATOR}
                -DCMAKE_C_COMPILER=${C_COMPILER} -DCMAKE_CXX_COMPILER=${CXX_COMPILER} ${ARGN}
        RESULT_VARIABLE _rc OUTPUT_VARIABLE _out ERROR_VARIABLE _out)
    if(NOT _rc EQUAL 0)
        message(FATAL_ERROR "${STEP}: configure failed:\n${_out}")
    endif()
endfunction()

function(expect STEP SERVICE DOWNLOAD)
    file(READ ${_service_header} _service)
    file(READ ${_download_header} _download)
    string(REGEX MATCH "ServiceBaseUrl\\[\\] = u\"[^\"]*\"" _service "${_service}")
    string(REGEX MATCH "AddinDownloadBase\\[\\] = u\"[^\"]*\"" _download "${_download}")
    if(NOT _service STREQUAL "ServiceBaseUrl[] = u\"${SERVICE}\"")
        message(FATAL_ERROR "${STEP}: expected the service ${SERVICE}, compiled in: ${_service}")
    endif()
    if(NOT _download STREQUAL "AddinDownloadBase[] = u\"${DOWNLOAD}\"")
        message(FATAL_ERROR "${STEP}: expected the download base ${DOWNLOAD}, compiled in: ${_download}")
    endif()
    message(STATUS "${STEP}: ${SERVICE}, ${DOWNLOAD}")
endfunction()

# The cache entry as configures before the empty default wrote it, byte for byte.
function(write_earlier_cache_entry URL)
    file(READ ${WORK_DIR}/CMakeCache.txt _cache)
    string(REGEX REPLACE "(//[^\n]*\n)+ZELV_SERVICE_BASE_URL:[A-Z]*=[^\n]*"
           "//Sign-in service base URL: https, path /cloudsetup, no trailing\n// slash\nZELV_SERVICE_BASE_URL:STRING=${URL}"
           _cache "${_cache}")
    file(WRITE ${WORK_DIR}/CMakeCache.txt "${_cache}")
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})

set(_given https://localhost:47643/cloudsetup)
set(_download http://localhost:47999)
configure("given on the first configure" -DZELV_SIGNIN_PORT=47443
          -DZELV_SERVICE_BASE_URL=${_given} -DZELV_ADDIN_DOWNLOAD_BASE=${_download})
expect("given on the first configure" ${_given} ${_download})

configure("given, then new stand-in ports" -DZELV_SIGNIN_PORT=41002)
expect("given, then new stand-in ports" ${_given} ${_download})

configure("back to the default" -DZELV_SERVICE_BASE_URL=)
expect("back to the default" https://localhost:41002/cloudsetup ${_download})

configure("default, then new stand-in ports" -DZELV_SIGNIN_PORT=41003)
expect("default, then new stand-in ports" https://localhost:41003/cloudsetup ${_download})

write_earlier_cache_entry(https://localhost:41003/cloudsetup)
configure("earlier default, then new stand-in ports" -DZELV_SIGNIN_PORT=41004)
expect("earlier default, then new stand-in ports" https://localhost:41004/cloudsetup ${_download})

write_earlier_cache_entry(https://localhost:41004/cloudsetup)
configure("earlier default, then one given" -DZELV_SIGNIN_PORT=41005 -DZELV_SERVICE_BASE_URL=${_given})
expect("earlier default, then one given" ${_given} ${_download})

file(REMOVE_RECURSE ${WORK_DIR})
