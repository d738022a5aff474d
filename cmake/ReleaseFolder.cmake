# What happens right after the exe is linked: signing, and in the release build the release folder.
# CMake 3.25 lets only the folder that made a target add steps to it, so app/ includes this file.

# Code signing: unsigned executables are what antivirus products and SmartScreen flag first.
# Given a certificate and its key (cache values or the environment), the exe is signed with
# osslsigncode right after linking; a timestamp server is optional.
set(ZELV_SIGN_CERT "$ENV{ZELV_SIGN_CERT}" CACHE FILEPATH "Code-signing certificate (PEM or DER); empty: no signing")
set(ZELV_SIGN_KEY "$ENV{ZELV_SIGN_KEY}" CACHE FILEPATH "Private key of the code-signing certificate")
set(ZELV_SIGN_TIMESTAMP_URL "$ENV{ZELV_SIGN_TIMESTAMP_URL}" CACHE STRING "RFC 3161 timestamp server; empty: no timestamp")
if(ZELV_SIGN_CERT AND NOT ZELV_SIGN_KEY)
    message(FATAL_ERROR "ZELV_SIGN_CERT is set but ZELV_SIGN_KEY is not")
endif()

if(ZELV_RELEASE)
    # The release folder (cmake/release-folder): the exe as built, the exe to hand out and its
    # detached signature, the build record, the bill of materials and the notices. The bill's
    # components come from the link map, so the map is kept.
    set(ZELV_RELEASE_DIR ${CMAKE_BINARY_DIR}/release)
    # The link map is written for every build of the exe (cmake/Release.cmake).
    set(_zelv_map ${CMAKE_CURRENT_BINARY_DIR}/ZelvCloudSetup.map)
    # The build record names the commit: a new commit or checkout links again and writes it anew.
    execute_process(COMMAND git -C ${CMAKE_SOURCE_DIR} rev-parse --path-format=absolute --git-path logs/HEAD
        OUTPUT_VARIABLE _zelv_head_log OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(EXISTS "${_zelv_head_log}")
        set_property(TARGET ZelvCloudSetup APPEND PROPERTY LINK_DEPENDS ${_zelv_head_log})
    endif()
    # The programs that made the exe, for the build record's package versions.
    find_program(ZELV_OSSLSIGNCODE osslsigncode REQUIRED)
    set(_zelv_tools ${CMAKE_C_COMPILER} ${CMAKE_CXX_COMPILER} ${CMAKE_RC_COMPILER} ${RSVG_CONVERT}
        ${IMAGEMAGICK_CONVERT} ${ICOTOOL} ${ZELV_OSSLSIGNCODE} ${CMAKE_COMMAND} ${CMAKE_MAKE_PROGRAM})
    foreach(_zelv_part cc1plus as ld)
        execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-prog-name=${_zelv_part}
            OUTPUT_VARIABLE _zelv_prog OUTPUT_STRIP_TRAILING_WHITESPACE)
        list(APPEND _zelv_tools ${_zelv_prog})
    endforeach()
    set(_zelv_tool_args)
    foreach(_zelv_tool IN LISTS _zelv_tools)
        if(NOT IS_ABSOLUTE "${_zelv_tool}")
            find_program(_zelv_found NAMES ${_zelv_tool} NO_CACHE REQUIRED)
            set(_zelv_tool ${_zelv_found})
            unset(_zelv_found)
        endif()
        list(APPEND _zelv_tool_args --tool=${_zelv_tool})
    endforeach()
    # The fonts the artwork's text is drawn with (resources/CMakeLists.txt).
    get_property(_zelv_fonts GLOBAL PROPERTY ZELV_ART_FONTS)
    set(_zelv_font_args)
    foreach(_zelv_font IN LISTS _zelv_fonts)
        list(APPEND _zelv_font_args --font=${_zelv_font})
    endforeach()
    # How this build fills a release folder, as a command of its own: the build runs it after
    # linking, and the release tests and scripts/verify-release run it again with a key of their own
    # or the release's signature (the head of cmake/release-folder lists the options).
    set(_zelv_record_args --map ${_zelv_map} --build ${CMAKE_BINARY_DIR} --source ${CMAKE_SOURCE_DIR}
        --deployment ${CMAKE_BINARY_DIR}/deployment.json --flags ${CMAKE_BINARY_DIR}/flags.json
        --version ${PROJECT_VERSION} ${_zelv_font_args} ${_zelv_tool_args})
    list(JOIN _zelv_record_args "' '" _zelv_quoted)
    file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/release-folder-cmd @ONLY CONTENT [[#!/bin/bash
# release-folder-cmd RELEASE-FOLDER-OPTIONS...: cmake/release-folder with this build's record arguments.
exec bash '@CMAKE_SOURCE_DIR@/cmake/release-folder' "$@" -- '@_zelv_quoted@'
]])
    add_custom_command(TARGET ZelvCloudSetup POST_BUILD
        COMMAND bash ${CMAKE_BINARY_DIR}/release-folder-cmd --dir ${ZELV_RELEASE_DIR} --exe $<TARGET_FILE:ZelvCloudSetup>
                --cert "${ZELV_SIGN_CERT}" --key "${ZELV_SIGN_KEY}" --timestamp "${ZELV_SIGN_TIMESTAMP_URL}" --sign-linked
        COMMENT "Release folder: ${ZELV_RELEASE_DIR}"
        VERBATIM)
elseif(ZELV_SIGN_CERT)
    add_custom_command(TARGET ZelvCloudSetup POST_BUILD
        COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/sign-exe $<TARGET_FILE:ZelvCloudSetup>
                ${ZELV_SIGN_CERT} ${ZELV_SIGN_KEY} "${ZELV_SIGN_TIMESTAMP_URL}"
        COMMENT "Signing ZelvCloudSetup.exe"
        VERBATIM)
endif()
