# Test helpers shared by the libraries and the end-to-end tests.

# pytest and pexpect come from Debian's packages, which serve /usr/bin/python3.
find_program(QEL_PYTHON NAMES python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT QEL_PYTHON)
    find_program(QEL_PYTHON NAMES python3 REQUIRED)
endif()
execute_process(COMMAND ${QEL_PYTHON} -c "import pytest, pexpect, xdist"
    RESULT_VARIABLE qel_python_ok OUTPUT_QUIET ERROR_QUIET)
if(NOT qel_python_ok EQUAL 0)
    message(FATAL_ERROR "${QEL_PYTHON} lacks pytest, pytest-xdist or pexpect: run scripts/setup.sh")
endif()

set(QEL_SANDBOX_RUN ${CMAKE_SOURCE_DIR}/testsupport/sandbox-run)

# qel_guard_host(<test>...): the tests run between the snapshot of the host
# and its check (qel_add_host_check), whatever ctest's order or -j. Every
# test of the tree must be guarded.
function(qel_guard_host)
    foreach(test ${ARGN})
        set_property(TEST ${test} APPEND PROPERTY FIXTURES_REQUIRED qel_host)
    endforeach()
    set_property(GLOBAL APPEND PROPERTY QEL_GUARDED_TESTS ${ARGN})
endfunction()

function(qel_tests_below dir out)
    get_property(tests DIRECTORY ${dir} PROPERTY TESTS)
    get_property(subdirs DIRECTORY ${dir} PROPERTY SUBDIRECTORIES)
    foreach(sub ${subdirs})
        qel_tests_below(${sub} sub_tests)
        list(APPEND tests ${sub_tests})
    endforeach()
    set(${out} ${tests} PARENT_SCOPE)
endfunction()

# qel_add_host_check(): after all tests are added. host_snapshot records the
# host's state before any other test starts, host_check fails after the last
# one when the host changed (testsupport/host-check).
function(qel_add_host_check)
    qel_tests_below(${CMAKE_SOURCE_DIR} all)
    get_property(guarded GLOBAL PROPERTY QEL_GUARDED_TESTS)
    foreach(test ${all})
        if(NOT test IN_LIST guarded)
            message(FATAL_ERROR "Test ${test} may run after the host check: call "
                "qel_guard_host(${test}) where it is added")
        endif()
    endforeach()
    set(check ${CMAKE_SOURCE_DIR}/testsupport/host-check)
    set(state ${CMAKE_BINARY_DIR}/host-state.txt)
    set(own ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR})
    add_test(NAME host_snapshot COMMAND ${check} snapshot ${state} ${own})
    add_test(NAME host_check COMMAND ${check} compare ${state} ${own})
    set_tests_properties(host_snapshot PROPERTIES FIXTURES_SETUP qel_host TIMEOUT 900)
    set_tests_properties(host_check PROPERTIES FIXTURES_CLEANUP qel_host TIMEOUT 900)
endfunction()

# qel_add_sandbox_test(NAME <name> COMMAND <command> [<arg>...]): a ctest test
# whose command runs as root in a private mount namespace (testsupport/
# sandbox-run), where it may change /etc, /tmp, /opt and /var/backups.
# Without root it is reported as skipped.
function(qel_add_sandbox_test)
    cmake_parse_arguments(ARG "" "NAME" "COMMAND" ${ARGN})
    add_test(NAME ${ARG_NAME} COMMAND ${QEL_SANDBOX_RUN} ${ARG_COMMAND})
    set_tests_properties(${ARG_NAME} PROPERTIES SKIP_RETURN_CODE 77)
    qel_guard_host(${ARG_NAME})
endfunction()

# qel_add_pytest(NAME <name> DIR <directory> [TIMEOUT <seconds>] [WORKERS <n>]):
# runs pytest over a directory as one ctest test, with WORKERS processes in
# parallel (pytest-xdist) when given. pytest exits non-zero when it collects
# no test, so an empty run fails.
function(qel_add_pytest)
    cmake_parse_arguments(ARG "" "NAME;DIR;TIMEOUT;WORKERS" "" ${ARGN})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 1500)
    endif()
    set(parallel)
    if(ARG_WORKERS)
        set(parallel -n ${ARG_WORKERS})
    endif()
    add_test(NAME ${ARG_NAME}
        COMMAND ${QEL_PYTHON} -m pytest -p no:cacheprovider -ra ${parallel}
            --basetemp=${CMAKE_BINARY_DIR}/pytest-${ARG_NAME} ${ARG_DIR}
        WORKING_DIRECTORY ${CMAKE_BINARY_DIR})
    set_tests_properties(${ARG_NAME} PROPERTIES
        TIMEOUT ${ARG_TIMEOUT}
        ENVIRONMENT "QEL_BUILD_DIR=${CMAKE_BINARY_DIR};PYTHONDONTWRITEBYTECODE=1")
    qel_guard_host(${ARG_NAME})
endfunction()
