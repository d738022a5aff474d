# zelv_delay_load(TARGET LIB...): the system libraries LIB... are bound when the program first calls
# into them instead of at start. Every DLL the loader maps and initialises before the program's
# first instruction delays its window, and the HTTP client, hashing, the shell and COM are needed
# only after the window is up. For each library a delay-load import library is made from the
# toolchain's own (same exports) and put on the target's search path first, so the targets that
# link "winhttp", "ole32"... keep doing so unchanged. All of them are part of every Windows.
function(zelv_delay_load TARGET)
    set(_dir ${CMAKE_BINARY_DIR}/delayload)
    file(MAKE_DIRECTORY ${_dir})
    foreach(_lib IN LISTS ARGN)
        set(_import ${CMAKE_FIND_ROOT_PATH}/lib/lib${_lib}.a)
        set(_delayed ${_dir}/lib${_lib}.a)
        if(NOT EXISTS ${_delayed} OR ${_import} IS_NEWER_THAN ${_delayed})
            execute_process(COMMAND ${ZELV_MINGW_PREFIX}-nm -g --defined-only ${_import}
                OUTPUT_VARIABLE _symbols RESULT_VARIABLE _rc)
            if(NOT _rc EQUAL 0)
                message(FATAL_ERROR "Cannot read the import library ${_import}")
            endif()
            string(REGEX MATCHALL "[0-9a-f]+ T [A-Za-z0-9_@?$]+" _functions "${_symbols}")
            list(TRANSFORM _functions REPLACE "^[0-9a-f]+ T " "")
            list(REMOVE_DUPLICATES _functions)
            list(JOIN _functions "\n" _exports)
            file(WRITE ${_dir}/${_lib}.def "LIBRARY ${_lib}.dll\nEXPORTS\n${_exports}\n")
            execute_process(COMMAND ${ZELV_MINGW_PREFIX}-dlltool -d ${_dir}/${_lib}.def -D ${_lib}.dll -y ${_delayed}
                RESULT_VARIABLE _rc ERROR_VARIABLE _err)
            if(NOT _rc EQUAL 0)
                message(FATAL_ERROR "Cannot make the delay-load library of ${_lib}: ${_err}")
            endif()
        endif()
        set_property(TARGET ${TARGET} APPEND PROPERTY LINK_DEPENDS ${_delayed})
    endforeach()
    # Named relative to the build folder, where Ninja runs the link: the linker orders the import
    # tables' pieces by the path of the library they come from, so an absolute path would put
    # these before or after the toolchain's /usr/... libraries depending on where the build folder
    # lies, and the exe would differ from one folder to the next.
    file(RELATIVE_PATH _relative ${CMAKE_BINARY_DIR} ${_dir})
    target_link_options(${TARGET} BEFORE PRIVATE -L${_relative})
endfunction()
