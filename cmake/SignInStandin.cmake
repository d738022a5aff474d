# The stand-in sign-in service for the tests and the demo: built for the host in both builds, its
# private test certificates, and (Windows build) the ctest fixture "signin" that runs it while the
# Windows tests that need it run.
set(ZELV_SIGNIN_UNTRUSTED_PORT "47444" CACHE STRING
    "Port on localhost where the stand-in answers with a certificate of an untrusted CA (tests)")

set(ZELV_TEST_CERTS ${CMAKE_BINARY_DIR}/testca)
set(_zelv_cert_files test-ca.crt test-localhost.crt test-localhost.key untrusted-localhost.crt untrusted-localhost.key)
list(TRANSFORM _zelv_cert_files PREPEND ${ZELV_TEST_CERTS}/ OUTPUT_VARIABLE ZELV_TEST_CERT_FILES)
add_custom_command(OUTPUT ${ZELV_TEST_CERT_FILES}
    COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/make-test-certs ${ZELV_TEST_CERTS}
    DEPENDS ${CMAKE_SOURCE_DIR}/cmake/make-test-certs
    COMMENT "Making the test CA and the localhost certificates")
add_custom_target(zelv_test_certs ALL DEPENDS ${ZELV_TEST_CERT_FILES})

if(WIN32)
    # The Windows build's compilers can't build a host program: the stand-ins are a project of
    # their own, built with the host's g++.
    include(ExternalProject)
    ExternalProject_Add(zelv_standins
        SOURCE_DIR ${CMAKE_SOURCE_DIR}/standin
        BINARY_DIR ${CMAKE_BINARY_DIR}/standin-host
        CMAKE_ARGS -DCMAKE_BUILD_TYPE=Release -DCMAKE_C_COMPILER=gcc -DCMAKE_CXX_COMPILER=g++
        INSTALL_COMMAND ""
        BUILD_ALWAYS ON
        BUILD_BYPRODUCTS ${CMAKE_BINARY_DIR}/standin-host/signin/zelv_signin_standin)
    set(ZELV_SIGNIN_STANDIN ${CMAKE_BINARY_DIR}/standin-host/signin/zelv_signin_standin)
else()
    add_subdirectory(standin)
    set(ZELV_SIGNIN_STANDIN $<TARGET_FILE:zelv_signin_standin>)
endif()

# The command line that runs the stand-in for the tests (and, printed by hand, for the demo).
set(ZELV_SIGNIN_RUN ${CMAKE_BINARY_DIR}/standin-run)
set(ZELV_SIGNIN_ARGS
    --port ${ZELV_SIGNIN_PORT}
    --cert ${ZELV_TEST_CERTS}/test-localhost.crt --key ${ZELV_TEST_CERTS}/test-localhost.key
    --directory ${CMAKE_SOURCE_DIR}/standin/signin/directory.json
    --outbox ${ZELV_SIGNIN_RUN}/outbox.jsonl
    --untrusted-port ${ZELV_SIGNIN_UNTRUSTED_PORT}
    --untrusted-cert ${ZELV_TEST_CERTS}/untrusted-localhost.crt --untrusted-key ${ZELV_TEST_CERTS}/untrusted-localhost.key)

# The same command for a person: scripts/standin runs it in the foreground for the demo.
string(JOIN " " _zelv_signin_command ${ZELV_SIGNIN_STANDIN} ${ZELV_SIGNIN_ARGS})
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/signin-standin
    CONTENT "#!/bin/bash\nmkdir -p ${ZELV_SIGNIN_RUN}\nexec ${_zelv_signin_command} \"$@\"\n"
    FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(WIN32)
    add_test(NAME standin.signin.start
        COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/standin-signin start ${ZELV_SIGNIN_RUN} ${ZELV_SIGNIN_STANDIN}
                ${ZELV_SIGNIN_ARGS} --ca ${ZELV_TEST_CERTS}/test-ca.crt)
    add_test(NAME standin.signin.stop COMMAND bash ${CMAKE_SOURCE_DIR}/cmake/standin-signin stop ${ZELV_SIGNIN_RUN})
    set_tests_properties(standin.signin.start PROPERTIES FIXTURES_SETUP signin TIMEOUT 60)
    set_tests_properties(standin.signin.stop PROPERTIES FIXTURES_CLEANUP signin TIMEOUT 60)
endif()
