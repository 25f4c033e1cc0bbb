# qel_add_library(NAME DIR [DEPS ...]): a static library from every source
# below DIR/src, its public headers in DIR/include, and a GoogleTest program
# from DIR/tests registered with ctest.
function(qel_add_library name)
    cmake_parse_arguments(ARG "" "" "DEPS;TEST_DEPS" ${ARGN})
    file(GLOB_RECURSE sources CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/src/*.cpp)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${CMAKE_CURRENT_SOURCE_DIR}/include
        PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/src)
    target_link_libraries(${name} PUBLIC ${ARG_DEPS} Threads::Threads)

    file(GLOB_RECURSE tests CONFIGURE_DEPENDS
        ${CMAKE_CURRENT_SOURCE_DIR}/tests/*.cpp)
    if(tests)
        add_executable(${name}_tests ${tests})
        target_include_directories(${name}_tests PRIVATE
            ${CMAKE_CURRENT_SOURCE_DIR}/src ${CMAKE_SOURCE_DIR}/testsupport)
        target_link_libraries(${name}_tests PRIVATE ${name} ${ARG_TEST_DEPS}
            GTest::gtest GTest::gtest_main)
        add_test(NAME ${name}_tests COMMAND ${name}_tests)
        qel_guard_host(${name}_tests)
    endif()
endfunction()

find_package(Threads REQUIRED)
