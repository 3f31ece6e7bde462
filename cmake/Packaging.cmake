# SPDX-License-Identifier: GPL-3.0-or-later
# Everything the Debian package carries besides the programs: copyright and changelog,
# manual pages, shell completion, AppStream metadata, and the CPack settings.
# Included from the top-level CMakeLists.txt once the programs are defined.

set(TAGMERE_MAINTAINER "Tagmere maintainers <maintainers@tagmere.io>")
set(pkg_src ${PROJECT_SOURCE_DIR}/packaging)
set(pkg_gen ${CMAKE_BINARY_DIR}/packaging)
set(pkg_docdir ${CMAKE_INSTALL_DATADIR}/doc/${PROJECT_NAME})
file(MAKE_DIRECTORY ${pkg_gen})
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
    ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${pkg_src}/changelog-convert)

# --- copyright, in the machine-readable format, with the notice taken from LICENSE ---
file(READ ${PROJECT_SOURCE_DIR}/LICENSE licence_text)
if(NOT licence_text MATCHES "^[ \t]*GNU GENERAL PUBLIC LICENSE[ \t\r\n]+Version 3,")
    message(FATAL_ERROR "LICENSE is not the GNU GPL version 3: update cmake/Packaging.cmake and packaging/copyright.in")
endif()
string(FIND "${licence_text}" "This program is free software" notice_start)
string(SUBSTRING "${licence_text}" ${notice_start} -1 licence_text)
string(FIND "${licence_text}" "licenses/>." notice_end)
if(notice_start LESS 0 OR notice_end LESS 0)
    message(FATAL_ERROR "LICENSE lacks the notice of how to apply its terms")
endif()
math(EXPR notice_end "${notice_end} + 11")
string(SUBSTRING "${licence_text}" 0 ${notice_end} notice)
# One space before each line, " ." for a blank one.
string(REGEX REPLACE "\n[ \t]*\n" "\n.\n" notice "${notice}")
string(REGEX REPLACE "\n[ \t]*" "\n " notice "${notice}")
set(TAGMERE_LICENSE_NOTICE " ${notice}")
# "either version 3 of the License, or (at your option) any later version"
set(TAGMERE_LICENSE_NAME GPL-3+)
configure_file(${pkg_src}/copyright.in ${pkg_gen}/copyright @ONLY)

# --- changelog.gz and the AppStream release list, both from CHANGELOG.md ---
execute_process(
    COMMAND ${pkg_src}/changelog-convert debian ${PROJECT_SOURCE_DIR}/CHANGELOG.md ${PROJECT_NAME} ${TAGMERE_MAINTAINER}
    OUTPUT_FILE ${pkg_gen}/changelog RESULT_VARIABLE rc)
if(rc)
    message(FATAL_ERROR "CHANGELOG.md could not be turned into the package changelog")
endif()
# -n: no name or time stamp inside, so the package is the same from one build to the next.
execute_process(COMMAND gzip -9nc INPUT_FILE ${pkg_gen}/changelog OUTPUT_FILE ${pkg_gen}/changelog.gz
    RESULT_VARIABLE rc)
if(rc)
    message(FATAL_ERROR "gzip failed on ${pkg_gen}/changelog")
endif()
execute_process(COMMAND ${pkg_src}/changelog-convert appstream ${PROJECT_SOURCE_DIR}/CHANGELOG.md
    OUTPUT_VARIABLE TAGMERE_RELEASES OUTPUT_STRIP_TRAILING_WHITESPACE RESULT_VARIABLE rc)
if(rc)
    message(FATAL_ERROR "CHANGELOG.md could not be turned into the AppStream release list")
endif()
configure_file(${pkg_src}/io.tagmere.Tagmere.metainfo.xml.in ${pkg_gen}/io.tagmere.Tagmere.metainfo.xml @ONLY)
# The newest release date dates the manual pages, so they are the same in every build.
execute_process(COMMAND ${pkg_src}/changelog-convert date ${PROJECT_SOURCE_DIR}/CHANGELOG.md
    OUTPUT_VARIABLE release_date OUTPUT_STRIP_TRAILING_WHITESPACE)
execute_process(COMMAND date -u -d "${release_date}" +%s OUTPUT_VARIABLE release_epoch OUTPUT_STRIP_TRAILING_WHITESPACE)

install(FILES ${pkg_gen}/copyright ${pkg_gen}/changelog.gz DESTINATION ${pkg_docdir})
if(TAGMERE_BUILD_GUI)
    install(FILES ${pkg_gen}/io.tagmere.Tagmere.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()

# --- shell completion for tagmere-cli ---
install(FILES ${pkg_src}/completion/tagmere-cli.bash
    DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME tagmere-cli)
install(FILES ${pkg_src}/completion/_tagmere-cli DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions)

# --- manual pages, made by help2man from the built programs' --help ---
# Sanitizer and fuzz builds are never shipped, and their programs may report leaks on exit.
find_program(HELP2MAN help2man)
set(TAGMERE_MANPAGES OFF)
if(TAGMERE_SANITIZE OR TAGMERE_FUZZ)
    # nothing to ship
elseif(NOT HELP2MAN)
    message(STATUS "help2man not found: the manual pages are left out (scripts/install-deps installs it)")
else()
    set(TAGMERE_MANPAGES ON)
    set(help2man ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${release_epoch} LC_ALL=C.UTF-8 ${HELP2MAN} --no-info)
    add_custom_command(OUTPUT ${pkg_gen}/tagmere-cli.1 ${pkg_gen}/tagmere-cli.1.gz
        COMMAND ${pkg_src}/cli-manpage-include $<TARGET_FILE:tagmere-cli> > ${pkg_gen}/tagmere-cli.h2m
        COMMAND ${help2man} "--name=edit the keyword lines of IES photometric files in bulk"
            --include=${pkg_gen}/tagmere-cli.h2m --output=${pkg_gen}/tagmere-cli.1 $<TARGET_FILE:tagmere-cli>
        COMMAND gzip -9nc ${pkg_gen}/tagmere-cli.1 > ${pkg_gen}/tagmere-cli.1.gz
        DEPENDS tagmere-cli ${pkg_src}/cli-manpage-include
        COMMENT "Manual page tagmere-cli(1)" VERBATIM)
    set(manpages ${pkg_gen}/tagmere-cli.1.gz)
    if(TAGMERE_BUILD_GUI)
        add_custom_command(OUTPUT ${pkg_gen}/tagmere.1 ${pkg_gen}/tagmere.1.gz
            COMMAND ${help2man} "--name=edit the keyword lines of IES photometric files in bulk, in a window"
                --include=${pkg_src}/tagmere.h2m "--version-string=tagmere ${PROJECT_VERSION}"
                --output=${pkg_gen}/tagmere.1 $<TARGET_FILE:tagmere>
            COMMAND gzip -9nc ${pkg_gen}/tagmere.1 > ${pkg_gen}/tagmere.1.gz
            DEPENDS tagmere ${pkg_src}/tagmere.h2m
            COMMENT "Manual page tagmere(1)" VERBATIM)
        list(APPEND manpages ${pkg_gen}/tagmere.1.gz)
    endif()
    add_custom_target(manpages ALL DEPENDS ${manpages})
    install(FILES ${manpages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# --- the Debian package ---
set(CPACK_PACKAGE_NAME ${PROJECT_NAME})
set(CPACK_PACKAGE_VENDOR "Tagmere developers")
set(CPACK_PACKAGE_CONTACT "${TAGMERE_MAINTAINER}")
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${TAGMERE_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "bulk editor for the keyword lines of IES photometric files")
set(CPACK_PACKAGE_DESCRIPTION [=[
Tagmere edits, in bulk, the keyword lines in the header of IES LM-63
photometric files (*.ies), the files in which luminaire makers publish how
their fittings spread light. A lighting engineer who keeps a library of such
files can give them all the same manufacturer, lamp source type, S/P ratio,
colour rendering index, colour temperature or any other keyword line, or
remove a keyword, without opening the files one by one.

The window program finds every photometric file below a folder, marks those
whose header has errors, reads a file's keywords back into the selection and
shows a diff of what a run would change before anything is written. Keyword
lists of one's own can be saved and loaded. The command-line tool tagmere-cli
does the same edits and header checks from scripts.

Every file is replaced safely (a temporary file renamed over it), so an
interrupted run leaves each file either as it was or fully edited.]=])
set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
# Shipped programs are stripped and the debug information is left out: the build folder
# keeps the unstripped programs. (CPack's own -dbgsym .ddeb of CMake 3.25 lists build paths
# in its md5sums, which lintian rejects.)
set(CPACK_STRIP_FILES ON)
include(CPack)

# strip keeps the compiler's .comment section, which a shipped program has no use for.
if(CMAKE_OBJCOPY AND NOT WIN32)
    set(programs tagmere-cli)
    if(TAGMERE_BUILD_GUI)
        list(APPEND programs tagmere)
    endif()
    foreach(program IN LISTS programs)
        install(CODE "
            if(CMAKE_INSTALL_DO_STRIP)
                execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:${program}>\"
                    COMMAND_ERROR_IS_FATAL ANY)
            endif()")
    endforeach()
endif()
