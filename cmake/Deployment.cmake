# Deployment constants. The defaults describe the stand-in world of the tests and the demo; a
# production build passes the real values as cache values (-D...).
set(ZELV_CLOUD_DOMAIN "zelvcloud.invalid" CACHE STRING "Lower-case DNS domain of the service's own servers (direct connections)")
set(ZELV_DEFAULT_GATEWAY_HOST "gateway.zelvcloud.invalid" CACHE STRING "RD Gateway for most companies")
set(ZELV_ALTERNATE_GATEWAY_HOST "gateway2.zelvcloud.invalid" CACHE STRING "RD Gateway for HQV, VOD and DEZ")
set(ZELV_INHOUSE_SERVER_HOST "zelvhq01" CACHE STRING "Single-label host name of the in-house company's server")
set(ZELV_SIGNIN_PORT "47443" CACHE STRING "Port of the stand-in sign-in service on localhost (tests and demo)")
# Build folders configured before the default became empty hold the stand-in's URL itself, written
# there as the default (help text below); it becomes the default again. A URL given on the command
# line carries CMake's own help text instead and stays.
get_property(_zelv_service_help CACHE ZELV_SERVICE_BASE_URL PROPERTY HELPSTRING)
if(_zelv_service_help STREQUAL "Sign-in service base URL: https, path /cloudsetup, no trailing slash"
   AND ZELV_SERVICE_BASE_URL MATCHES "^https://localhost:[0-9]+/cloudsetup$")
    unset(ZELV_SERVICE_BASE_URL CACHE)
endif()
set(ZELV_SERVICE_BASE_URL "" CACHE STRING
    "Sign-in service base URL: https, path /cloudsetup, no trailing slash; empty: the stand-in, https://localhost:<ZELV_SIGNIN_PORT>/cloudsetup")
# Only the default follows ZELV_SIGNIN_PORT, which cmake/free-ports may change on any configure; a
# URL someone gives is compiled in exactly as given. The default lives in a plain variable of the
# same name, which hides the empty cache value from everything below.
if(ZELV_SERVICE_BASE_URL STREQUAL "")
    set(ZELV_SERVICE_BASE_URL "https://localhost:${ZELV_SIGNIN_PORT}/cloudsetup")
endif()

string(TOLOWER "${ZELV_CLOUD_DOMAIN}" _zelv_domain_lower)
if(NOT ZELV_CLOUD_DOMAIN STREQUAL _zelv_domain_lower OR ZELV_CLOUD_DOMAIN STREQUAL "")
    message(FATAL_ERROR "ZELV_CLOUD_DOMAIN must be a non-empty lower-case domain name")
endif()
# The in-house company relies on the gateway form: its server must be a single label outside the
# service's domain.
if(ZELV_INHOUSE_SERVER_HOST STREQUAL "")
    message(FATAL_ERROR "ZELV_INHOUSE_SERVER_HOST must not be empty")
endif()
if(ZELV_INHOUSE_SERVER_HOST MATCHES "\\.")
    message(FATAL_ERROR "ZELV_INHOUSE_SERVER_HOST must be a single-label host name (no dots)")
endif()
string(TOLOWER "${ZELV_INHOUSE_SERVER_HOST}" _zelv_inhouse_lower)
string(FIND "${_zelv_inhouse_lower}" "${ZELV_CLOUD_DOMAIN}" _zelv_pos)
if(NOT _zelv_pos EQUAL -1)
    message(FATAL_ERROR "ZELV_INHOUSE_SERVER_HOST must not contain ZELV_CLOUD_DOMAIN")
endif()
if(NOT ZELV_SERVICE_BASE_URL MATCHES "^https://[^/]+/cloudsetup$")
    message(FATAL_ERROR "ZELV_SERVICE_BASE_URL must be https://HOST[:PORT]/cloudsetup")
endif()
if(NOT ZELV_SIGNIN_PORT MATCHES "^[0-9]+$")
    message(FATAL_ERROR "ZELV_SIGNIN_PORT must be a port number")
endif()
foreach(_zelv_value ZELV_CLOUD_DOMAIN ZELV_DEFAULT_GATEWAY_HOST ZELV_ALTERNATE_GATEWAY_HOST ZELV_INHOUSE_SERVER_HOST ZELV_SERVICE_BASE_URL)
    if("${${_zelv_value}}" MATCHES "[\"\\\\]")
        message(FATAL_ERROR "${_zelv_value} must not contain quotes or backslashes")
    endif()
endforeach()

configure_file(${CMAKE_SOURCE_DIR}/service/CloudSetupConst.h.in ${CMAKE_BINARY_DIR}/generated/service/CloudSetupConst.h @ONLY)
include(cmake/Addin.cmake)
