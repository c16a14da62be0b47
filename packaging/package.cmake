# What the Debian package holds besides the programs, the desktop entry, the icon and the script
# model (installed by their own folders), and the CPack settings that build it. Run by
# scripts/package.sh; `cmake --install` installs the same files.

# The AppStream description the desktop's software tools read.
configure_file(${CMAKE_CURRENT_LIST_DIR}/com.velmoraine.Velmoraine.metainfo.xml
               ${CMAKE_BINARY_DIR}/com.velmoraine.Velmoraine.metainfo.xml @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/com.velmoraine.Velmoraine.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The licenses of what the package ships, in the form Debian's tools read: ours (the words of
# the repository's LICENSE), and the fonts' own license file (gui/fonts/LICENSE) as the OFL
# paragraph, each line indented by one blank and an empty line written as " .".
file(READ ${PROJECT_SOURCE_DIR}/gui/fonts/LICENSE font_license)
string(REGEX REPLACE "\n$" "" font_license "${font_license}")
string(REPLACE "\n" "\n " font_license " ${font_license}")
string(REGEX REPLACE "\n \n" "\n .\n" font_license "${font_license}")
string(REGEX REPLACE "\n \n" "\n .\n" font_license "${font_license}")
set(FONT_LICENSE "${font_license}")
configure_file(${CMAKE_CURRENT_LIST_DIR}/copyright.in ${CMAKE_BINARY_DIR}/copyright @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR})
# Debian's tools look for the package's changes in its documentation folder.
file(WRITE ${CMAKE_BINARY_DIR}/changelog
     "velmoraine (${PROJECT_VERSION}) unstable; urgency=medium\n\n"
     "  * Proposals from the page's markup, the Changes view, the Debian package.\n\n"
     " -- The Velmoraine developers <support@velmoraine.com>  Tue, 08 Dec 2026 12:00:00 +0000\n")
add_custom_command(OUTPUT ${CMAKE_BINARY_DIR}/changelog.gz
                   COMMAND gzip -9nkf ${CMAKE_BINARY_DIR}/changelog
                   DEPENDS ${CMAKE_BINARY_DIR}/changelog VERBATIM)
add_custom_target(velmoraine_changelog ALL DEPENDS ${CMAKE_BINARY_DIR}/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# The manual pages, compressed as Debian wants them (gzip -9n: no name, no time, so the bytes
# do not depend on the build). The wizard's is written by hand; velmoraine-cli's is made from
# its --help by help2man, with each command's own --help as the COMMANDS section.
add_custom_command(
  OUTPUT ${CMAKE_BINARY_DIR}/velmoraine.1.gz
  COMMAND sh -c "gzip -9nc '${CMAKE_CURRENT_LIST_DIR}/velmoraine.1' > '${CMAKE_BINARY_DIR}/velmoraine.1.gz'"
  DEPENDS ${CMAKE_CURRENT_LIST_DIR}/velmoraine.1
  VERBATIM)
set(man_pages ${CMAKE_BINARY_DIR}/velmoraine.1.gz)
find_program(VELMORAINE_HELP2MAN help2man)
if(VELMORAINE_HELP2MAN AND TARGET velmoraine-cli)
  set(cli_man ${CMAKE_BINARY_DIR}/velmoraine-cli.1)
  add_custom_command(
    OUTPUT ${cli_man}.gz
    COMMAND sh -c "{ echo '[COMMANDS]'; for c in scan suggest rewrite; do echo \".SS $c\"; echo .nf; \
                   '$<TARGET_FILE:velmoraine-cli>' $c --help | sed 's/\\\\/\\\\e/g'; echo .fi; done; } > '${cli_man}.h2m'"
    COMMAND ${VELMORAINE_HELP2MAN} --no-info --section=1 --version-string=${PROJECT_VERSION}
            --name=scan\ HTML\ forms,\ propose\ validation\ rules\ and\ rewrite\ pages
            --include=${cli_man}.h2m --output=${cli_man} $<TARGET_FILE:velmoraine-cli>
    COMMAND gzip -9nf ${cli_man}
    DEPENDS velmoraine-cli
    VERBATIM)
  list(APPEND man_pages ${cli_man}.gz)
endif()
add_custom_target(velmoraine_man_pages ALL DEPENDS ${man_pages})
install(FILES ${man_pages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME velmoraine)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Velmoraine developers <support@velmoraine.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "wizard that adds validation and form processing to HTML forms")
set(CPACK_PACKAGE_DESCRIPTION "A wizard for web page authors: it lists the fields of a page's form, lets
the author attach a validation rule to each, and writes an updated page whose
form posts to the hosted Velmoraine form-processing service and checks its
fields in the visitor's browser. The command-line tool velmoraine-cli does
the same without a window.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT) # velmoraine_<version>_<arch>.deb
set(CPACK_DEBIAN_PACKAGE_SECTION web)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://www.velmoraine.com)
# The runtime libraries from what the programs link (dpkg-shlibdeps), nothing by hand.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS OFF)
include(CPack)
