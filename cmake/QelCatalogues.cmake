# Compiles the message catalogues po/<domain>.<lang>.po into
# build/i18n/<locale>/LC_MESSAGES/<domain>.mo, the layout that QEL_I18N_DIR
# points to and that every payload carries below qelinst/i18n.
# msgfmt --check fails the build on any error, format strings included.

find_program(QEL_MSGFMT msgfmt REQUIRED)

# "zop" is the demo product's own domain: its scripts and daemon.
set(QEL_TEXT_DOMAINS installer lyninfo qelpal qelaux tclap zop)
# <language of the .po file>:<locale directory>
set(QEL_CATALOGUE_LOCALES de:de_DE)
set(QEL_I18N_DIR ${CMAKE_BINARY_DIR}/i18n)

set(QEL_CATALOGUES)
foreach(entry IN LISTS QEL_CATALOGUE_LOCALES)
    string(REPLACE ":" ";" entry ${entry})
    list(GET entry 0 lang)
    list(GET entry 1 locale)
    set(dir ${QEL_I18N_DIR}/${locale}/LC_MESSAGES)
    foreach(domain IN LISTS QEL_TEXT_DOMAINS)
        set(po ${CMAKE_SOURCE_DIR}/po/${domain}.${lang}.po)
        set(mo ${dir}/${domain}.mo)
        add_custom_command(OUTPUT ${mo}
            COMMAND ${CMAKE_COMMAND} -E make_directory ${dir}
            COMMAND ${QEL_MSGFMT} --check --output-file=${mo} ${po}
            DEPENDS ${po}
            COMMENT "Compiling catalogue ${domain}.${lang}.po"
            VERBATIM)
        list(APPEND QEL_CATALOGUES ${mo})
    endforeach()
endforeach()
add_custom_target(qel_catalogues ALL DEPENDS ${QEL_CATALOGUES})
