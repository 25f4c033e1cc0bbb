# Third-party libraries. The installer links libconfig++, libelf and zlib
# statically so that it runs on machines without the -dev packages.
find_path(TCLAP_INCLUDE_DIR tclap/CmdLine.h REQUIRED)

function(qel_find_static var name)
    find_library(${var} NAMES lib${name}.a REQUIRED)
    set(${var} ${${var}} PARENT_SCOPE)
endfunction()

qel_find_static(QEL_LIBCONFIGXX config++)
qel_find_static(QEL_LIBELF elf)
qel_find_static(QEL_LIBZ z)
find_library(QEL_LIBZSTD NAMES libzstd.a)

add_library(qel_static_deps INTERFACE)
target_include_directories(qel_static_deps INTERFACE ${TCLAP_INCLUDE_DIR})
target_link_libraries(qel_static_deps INTERFACE ${QEL_LIBCONFIGXX} ${QEL_LIBELF} ${QEL_LIBZ})
if(QEL_LIBZSTD)
    target_link_libraries(qel_static_deps INTERFACE ${QEL_LIBZSTD})
endif()
