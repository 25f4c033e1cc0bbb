# Test helpers shared by the libraries and the end-to-end tests.

# pytest and pexpect come from Debian's packages, which serve /usr/bin/python3.
find_program(QEL_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT QEL_PYTHON)
    find_program(QEL_PYTHON NAMES python3 REQUIRED)
endif()
execute_process(COMMAND ${QEL_PYTHON} -c "import pytest, pexpect"
    RESULT_VARIABLE qel_python_ok OUTPUT_QUIET ERROR_QUIET)
if(NOT qel_python_ok EQUAL 0)
    message(FATAL_ERROR "${QEL_PYTHON} lacks pytest or pexpect: run scripts/setup.sh")
endif()

set(QEL_SANDBOX_RUN ${CMAKE_SOURCE_DIR}/testsupport/sandbox-run)

# qel_add_sandbox_test(NAME <name> COMMAND <command> [<arg>...]): a ctest test
# whose command runs as root in a private mount namespace (testsupport/
# sandbox-run), where it may change /etc, /tmp, /opt and /var/backups.
# Without root it is reported as skipped.
function(qel_add_sandbox_test)
    cmake_parse_arguments(ARG "" "NAME" "COMMAND" ${ARGN})
    add_test(NAME ${ARG_NAME} COMMAND ${QEL_SANDBOX_RUN} ${ARG_COMMAND})
    set_tests_properties(${ARG_NAME} PROPERTIES SKIP_RETURN_CODE 77)
endfunction()

# qel_add_pytest(NAME <name> DIR <directory> [TIMEOUT <seconds>]): runs pytest
# over a directory as one ctest test. pytest exits non-zero when it collects
# no test, so an empty run fails.
function(qel_add_pytest)
    cmake_parse_arguments(ARG "" "NAME;DIR;TIMEOUT" "" ${ARGN})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 1500)
    endif()
    add_test(NAME ${ARG_NAME}
        COMMAND ${QEL_PYTHON} -m pytest -p no:cacheprovider -ra
            --basetemp=${CMAKE_BINARY_DIR}/pytest-${ARG_NAME} ${ARG_DIR}
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
    set_tests_properties(${ARG_NAME} PROPERTIES
        TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "QEL_BUILD_DIR=${CMAKE_BINARY_DIR};PYTHONDONTWRITEBYTECODE=1")
endfunction()
