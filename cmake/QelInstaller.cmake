# The packaging step: a product tree becomes the contained archive of an
# installer executable.

find_program(QEL_TAR tar REQUIRED)
# pigz packs in parallel; its output is a gzip stream of its own, the same
# bytes at every thread count, but not those of gzip: the archive's digest
# depends on which of the two the build found.
find_program(QEL_GZIP NAMES pigz gzip REQUIRED)
execute_process(COMMAND ${QEL_TAR} --version OUTPUT_VARIABLE qel_tar_version)
if(NOT qel_tar_version MATCHES "GNU tar")
    message(FATAL_ERROR "${QEL_TAR} is not GNU tar; the archive needs its --sort and --owner")
endif()

# The largest contained archive, compressed, that the packaging step accepts.
# For the 32-bit product 1 GiB: it keeps every offset of the 32-bit ELF file
# and every size in the tools that handle it (the linker, objcopy attaching a
# configuration later, libelf) far below 2^31; larger archives were never
# tried on the target. A 64-bit host build takes up to 2^31 - 1 bytes, enough
# for the benchmark's largest size.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(QEL_ARCHIVE_LIMIT 1073741824)
else()
    set(QEL_ARCHIVE_LIMIT 2147483647)
endif()

# Every member of an archive carries this time stamp (the product's release),
# so that two builds of the same sources give the same bytes.
set(QEL_ARCHIVE_MTIME "2025-01-01 00:00:00 UTC" CACHE STRING
    "Modification time of every member of the contained archive")

# qel_link_like_installer(<target>): only the C library stays dynamic, since
# its NSS serves the user and group look-ups; the C++ runtime is linked in.
# Programs shipped in a payload run on machines without our -dev packages.
function(qel_link_like_installer target)
    target_link_options(${target} PRIVATE -static-libstdc++ -static-libgcc)
endfunction()

# qel_add_payload(<name> TREE <dir> [NO_CATALOGUES] [PRODUCT <code>]
#                 [PROGRAMS <target> <path in tree> ...])
#
# Stages the entries of TREE (normally the one directory "qelinst") into the
# build directory, adds the compiled catalogues below qelinst/i18n (unless
# NO_CATALOGUES) and the given built programs at their paths, packs the result
# reproducibly with GNU tar and gzip and records its SHA-256 digest. Makes the
# object library <name>, which defines the symbols of payload/ContainedData.h;
# PRODUCT is the code name of the product it installs (default zop).
# Sets <name>_ARCHIVE in the caller's scope to the path of the archive.
function(qel_add_payload name)
    cmake_parse_arguments(ARG "NO_CATALOGUES" "TREE;PRODUCT" "PROGRAMS" ${ARGN})
    if(NOT ARG_PRODUCT)
        set(ARG_PRODUCT zop)
    endif()
    get_filename_component(tree ${ARG_TREE} ABSOLUTE)
    if(NOT IS_DIRECTORY ${tree})
        message(FATAL_ERROR "qel_add_payload(${name}): no product tree ${tree}")
    endif()
    set(work ${CMAKE_CURRENT_BINARY_DIR}/${name}.payload)
    set(archive ${work}/archive.tar.gz)
    set(asm ${work}/ContainedData.S)
    set(facts ${work}/ContainedData.cpp)
    set(config ${work}/pack.cmake)

    file(GLOB_RECURSE tree_files CONFIGURE_DEPENDS LIST_DIRECTORIES false ${tree}/*)
    set(catalogues)
    set(deps ${tree_files})
    if(NOT ARG_NO_CATALOGUES)
        set(catalogues ${QEL_CATALOGUES})
        list(APPEND deps ${QEL_CATALOGUES})
    endif()

    list(LENGTH ARG_PROGRAMS count)
    math(EXPR odd "${count} % 2")
    if(odd)
        message(FATAL_ERROR "qel_add_payload(${name}): PROGRAMS takes pairs of target and path")
    endif()
    set(programs)
    set(targets)
    while(ARG_PROGRAMS)
        list(POP_FRONT ARG_PROGRAMS target path)
        list(APPEND programs "$<TARGET_FILE:${target}>" ${path})
        list(APPEND targets ${target})
    endwhile()

    file(GENERATE OUTPUT ${config} CONTENT
"set(TREE [[${tree}]])
set(WORK [[${work}]])
set(ARCHIVE [[${archive}]])
set(ASM [[${asm}]])
set(FACTS [[${facts}]])
set(CATALOGUES [[${catalogues}]])
set(PROGRAMS [[${programs}]])
set(TAR [[${QEL_TAR}]])
set(GZIP [[${QEL_GZIP}]])
set(LIMIT [[${QEL_ARCHIVE_LIMIT}]])
set(STRIP [[${CMAKE_STRIP}]])
set(MTIME [[${QEL_ARCHIVE_MTIME}]])
set(PRODUCT [[${ARG_PRODUCT}]])
")
    add_custom_command(OUTPUT ${archive} ${asm} ${facts}
        COMMAND ${CMAKE_COMMAND} -DCONFIG=${config} -P ${QEL_PACK_SCRIPT}
        DEPENDS ${deps} ${targets} ${config} ${QEL_PACK_SCRIPT}
        COMMENT "Packing the contained archive of ${name}"
        VERBATIM)
    add_custom_target(${name}_archive DEPENDS ${archive} ${asm} ${facts})
    if(NOT ARG_NO_CATALOGUES)
        add_dependencies(${name}_archive qel_catalogues)
    endif()

    add_library(${name} OBJECT ${asm} ${facts})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/lyninst/src)
    set_source_files_properties(${asm} PROPERTIES GENERATED TRUE OBJECT_DEPENDS ${archive})
    set_source_files_properties(${facts} PROPERTIES GENERATED TRUE)
    add_dependencies(${name} ${name}_archive)
    set(${name}_ARCHIVE ${archive} PARENT_SCOPE)
endfunction()

# qel_add_installer(NAME <exe> TREE <dir> [OUTPUT_DIR <dir>] [NO_CATALOGUES]
#                   [PRODUCT <code>] [PROGRAMS <target> <path in tree> ...])
#
# An installer executable (lyninst/src/main.cpp and the lyninst library) whose
# contained archive is the product tree TREE, packed by qel_add_payload.
function(qel_add_installer)
    cmake_parse_arguments(ARG "NO_CATALOGUES" "NAME;TREE;OUTPUT_DIR;PRODUCT" "PROGRAMS" ${ARGN})
    set(payload_args TREE ${ARG_TREE} PRODUCT ${ARG_PRODUCT} PROGRAMS ${ARG_PROGRAMS})
    if(ARG_NO_CATALOGUES)
        list(APPEND payload_args NO_CATALOGUES)
    endif()
    qel_add_payload(${ARG_NAME}_payload ${payload_args})

    add_executable(${ARG_NAME} ${QEL_INSTALLER_MAIN})
    target_link_libraries(${ARG_NAME} PRIVATE ${ARG_NAME}_payload lyninst)
    qel_link_like_installer(${ARG_NAME})
    # The archive's path, for tools that compare the installer with work done
    # directly on the same bytes (the benchmark).
    set_target_properties(${ARG_NAME} PROPERTIES QEL_ARCHIVE ${${ARG_NAME}_payload_ARCHIVE})
    if(ARG_OUTPUT_DIR)
        set_target_properties(${ARG_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${ARG_OUTPUT_DIR})
    endif()
    qel_strip_beside(${ARG_NAME})
endfunction()

# qel_strip_beside(<target>): the executable is shipped stripped; its debug
# information stays beside it in <file>.debug, which a debugger finds through
# the debug link.
function(qel_strip_beside target)
    set(exe $<TARGET_FILE:${target}>)
    add_custom_command(TARGET ${target} POST_BUILD
        COMMAND ${CMAKE_OBJCOPY} --only-keep-debug ${exe} ${exe}.debug
        COMMAND ${CMAKE_OBJCOPY} --strip-all --add-gnu-debuglink=${exe}.debug ${exe}
        VERBATIM)
endfunction()

set(QEL_PACK_SCRIPT ${CMAKE_CURRENT_LIST_DIR}/QelPack.cmake)
set(QEL_INSTALLER_MAIN ${CMAKE_SOURCE_DIR}/lyninst/src/main.cpp)
