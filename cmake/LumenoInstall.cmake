# cmake --install: the client, its crash reporter, the skin, the desktop entry, the program icon
# at every size and the manual page, in the XDG layout under the prefix (LumenoInstallDirs); the
# local service, the tools, tests and benchmarks stay in the build tree. CPack makes the Debian
# package from the same rules (scripts/package).
if(NOT TARGET lumeno OR NOT TARGET lumeno_skin)
    return()
endif()

set(LUMENO_DESKTOP_DIR ${CMAKE_SOURCE_DIR}/app/desktop)
set(LUMENO_MAINTAINER "Lumeno developers <packages@lumeno.example>"
    CACHE STRING "maintainer named by the Debian package")
string(REGEX MATCH "<([^>]+)>" LUMENO_MAINTAINER_EMAIL "${LUMENO_MAINTAINER}")
set(LUMENO_MAINTAINER_EMAIL "${CMAKE_MATCH_1}")

install(TARGETS lumeno RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(TARGETS lumeno-crash-reporter RUNTIME DESTINATION ${LUMENO_INSTALL_HELPER_DIR})
install(DIRECTORY ${LUMENO_SKIN_DIR}/ DESTINATION ${LUMENO_INSTALL_SKIN_DIR})
install(FILES ${LUMENO_DESKTOP_DIR}/lumeno.desktop
    DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)

# The icon theme's sizes from the skin's renders of the program icon: each size at 1x and, in
# the theme's "@2" folders, at 2x; 512 is the 2x render of 256. The scalable icon is the skin's
# drawing itself.
set(icons ${CMAKE_INSTALL_DATADIR}/icons/hicolor)
foreach(size 16 24 32 48 64 128 256)
    install(FILES ${LUMENO_SKIN_DIR}/icon/lumeno-${size}.png
        DESTINATION ${icons}/${size}x${size}/apps RENAME lumeno.png)
    install(FILES ${LUMENO_SKIN_DIR}/icon/lumeno-${size}@2x.png
        DESTINATION ${icons}/${size}x${size}@2/apps RENAME lumeno.png)
endforeach()
install(FILES ${LUMENO_SKIN_DIR}/icon/lumeno-256@2x.png
    DESTINATION ${icons}/512x512/apps RENAME lumeno.png)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${LUMENO_SKIN_ART_DIR}/lumeno_icon.svg)
file(READ ${LUMENO_SKIN_ART_DIR}/lumeno_icon.svg drawing)
string(REPLACE "{{size}}" "64" drawing "${drawing}")
file(GENERATE OUTPUT ${CMAKE_BINARY_DIR}/install/lumeno.svg CONTENT "${drawing}")
install(FILES ${CMAKE_BINARY_DIR}/install/lumeno.svg DESTINATION ${icons}/scalable/apps)

# The manual page and the package's documents, compressed as Debian wants them.
configure_file(${LUMENO_DESKTOP_DIR}/lumeno.1 ${CMAKE_BINARY_DIR}/install/lumeno.1 @ONLY)
configure_file(${LUMENO_DESKTOP_DIR}/changelog ${CMAKE_BINARY_DIR}/install/changelog @ONLY)
find_program(GZIP gzip REQUIRED)
add_custom_command(
    OUTPUT ${CMAKE_BINARY_DIR}/install/lumeno.1.gz ${CMAKE_BINARY_DIR}/install/changelog.gz
    COMMAND ${GZIP} -9nf -k lumeno.1 changelog
    DEPENDS ${CMAKE_BINARY_DIR}/install/lumeno.1 ${CMAKE_BINARY_DIR}/install/changelog
    WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/install
    COMMENT "Compressing the manual page and the changelog")
add_custom_target(lumeno_install_files ALL
    DEPENDS ${CMAKE_BINARY_DIR}/install/lumeno.1.gz ${CMAKE_BINARY_DIR}/install/changelog.gz)
install(FILES ${CMAKE_BINARY_DIR}/install/lumeno.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${CMAKE_BINARY_DIR}/install/changelog.gz ${LUMENO_DESKTOP_DIR}/copyright
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/lumeno)
install(FILES ${LUMENO_DESKTOP_DIR}/lintian-overrides
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides RENAME lumeno)

# The Debian package.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME lumeno)
set(CPACK_PACKAGE_VENDOR "Lumeno")
set(CPACK_PACKAGE_CONTACT "${LUMENO_MAINTAINER}")
set(CPACK_PACKAGE_VERSION "${PROJECT_VERSION}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "desktop client of the Lumeno professional network")
set(CPACK_PACKAGE_DESCRIPTION
    "Lumeno shows the conversations and contacts of a Lumeno account: one-to-one\n\
and group messages with pictures, emoticons, business cards and voice clips,\n\
profiles, friends, group chats and pending items. New messages arrive at once\n\
over a push connection and are counted on the icon in the notification area.")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
# The programs keep their symbol tables: the crash reporter names a report's functions from them.
set(CPACK_STRIP_FILES OFF)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "https://lumeno.example")
# The packages of the libraries the programs link come from dpkg-shlibdeps; the web engine's own
# dependencies bring its helper process, and Qt's bring the X11 platform plugin and the sound back
# ends. The Chinese fonts and the certificate store are recommended.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-noto-cjk, ca-certificates")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
