# Installing the game into the GNU folders (cmake --install) and packaging it as a Debian package
# (cpack -G DEB). The manual page names the installed data folder, so it is filled in when it is
# installed, with the prefix of that install.

set(KRELLIX_APP_ID "org.krellix.krellix" CACHE STRING
    "AppStream id of the game, also the file name of its desktop entry")
set(KRELLIX_HOMEPAGE "https://krellix.org" CACHE STRING
    "The game's web page; the AppStream screenshot is published below it")
set(KRELLIX_MAINTAINER "The Krellix developers <maintainers@krellix.org>" CACHE STRING
    "Maintainer of the Debian package, as 'Name <address>'")

set(packaging "${PROJECT_SOURCE_DIR}/packaging")
set(staged "${CMAKE_BINARY_DIR}/packaging")

install(TARGETS krellix RUNTIME DESTINATION "${CMAKE_INSTALL_BINDIR}")
if(KRELLIX_ASSETS)
  # Only the generated folders: the tables a developer's runs leave in the data folder stay behind.
  install(DIRECTORY "${KRELLIX_DATA_DIR}/images" "${KRELLIX_DATA_DIR}/sounds"
          DESTINATION "${CMAKE_INSTALL_DATADIR}/krellix")
  install(DIRECTORY "${KRELLIX_ICON_DIR}/hicolor" DESTINATION "${CMAKE_INSTALL_DATADIR}/icons")
  # The AppStream screenshot, to be published below KRELLIX_HOMEPAGE; a run ended by --frames
  # saves no tables, so nothing is written into the data folder.
  add_custom_target(screenshot
    COMMAND krellix --headless --data "${KRELLIX_DATA_DIR}" --level 1 --frames 240
            --input "${PROJECT_SOURCE_DIR}/tests/e2e/level1.txt"
            --shot "240:${CMAKE_BINARY_DIR}/krellix-level1.png"
    DEPENDS krellix assets
    COMMENT "Taking the AppStream screenshot ${CMAKE_BINARY_DIR}/krellix-level1.png"
    VERBATIM)
endif()

install(FILES "${packaging}/krellix.desktop" DESTINATION "${CMAKE_INSTALL_DATADIR}/applications"
        RENAME "${KRELLIX_APP_ID}.desktop")
configure_file("${packaging}/krellix.metainfo.xml.in" "${staged}/${KRELLIX_APP_ID}.metainfo.xml" @ONLY)
install(FILES "${staged}/${KRELLIX_APP_ID}.metainfo.xml" DESTINATION "${CMAKE_INSTALL_DATADIR}/metainfo")

# The changelog's newest entry must name the version being packaged.
file(STRINGS "${packaging}/changelog" newest LIMIT_COUNT 1)
if(NOT newest MATCHES "^krellix \\(${PROJECT_VERSION}\\) ")
  message(WARNING "packaging/changelog has no entry for version ${PROJECT_VERSION}: ${newest}")
endif()
configure_file("${packaging}/changelog" "${staged}/changelog" @ONLY)
execute_process(COMMAND gzip -9nf "${staged}/changelog" COMMAND_ERROR_IS_FATAL ANY)
install(FILES "${packaging}/copyright" "${staged}/changelog.gz"
        DESTINATION "${CMAKE_INSTALL_DATAROOTDIR}/doc/krellix")

install(CODE "
  set(KRELLIX_DATA \"${CMAKE_INSTALL_DATADIR}/krellix\")
  if(NOT IS_ABSOLUTE \"\${KRELLIX_DATA}\")
    set(KRELLIX_DATA \"\${CMAKE_INSTALL_PREFIX}/\${KRELLIX_DATA}\")
  endif()
  set(PROJECT_VERSION \"${PROJECT_VERSION}\")
  configure_file(\"${packaging}/krellix.6.in\" \"${staged}/krellix.6\" @ONLY)
  execute_process(COMMAND gzip -9nf \"${staged}/krellix.6\" COMMAND_ERROR_IS_FATAL ANY)
")
install(FILES "${staged}/krellix.6.gz" DESTINATION "${CMAKE_INSTALL_MANDIR}/man6")

set(CPACK_PACKAGE_NAME krellix)
set(CPACK_PACKAGE_VENDOR "The Krellix developers")
set(CPACK_PACKAGE_CONTACT "${KRELLIX_MAINTAINER}")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "brick-breaker arcade game with aliens and a boss")
string(JOIN "\n" CPACK_PACKAGE_DESCRIPTION
    "Steer the paddle, keep the balls in play and clear 33 levels of bricks."
    "Falling capsules lengthen the paddle, arm it with a laser, catch or split"
    "the ball, slow it down, open the exit or give an extra life; aliens drift"
    "down from the top, and a boss waits on the last level. The game keeps a"
    "table of players and the ten best scores.")
set(CPACK_STRIP_FILES ON)
# The install runs with the package's own prefix, so the manual page names /usr/share/krellix.
set(CPACK_SET_DESTDIR ON)
set(CPACK_INSTALL_PREFIX /usr)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_KRELLIX_BINDIR "${CMAKE_INSTALL_BINDIR}")
set(CPACK_PRE_BUILD_SCRIPTS "${PROJECT_SOURCE_DIR}/cmake/DebianGames.cmake")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "${KRELLIX_HOMEPAGE}")
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# SDL opens the GL (window) and EGL (--headless) libraries at run time, so dpkg-shlibdeps cannot
# see them; Mesa's drivers draw where no other driver is installed.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgl1, libegl1")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "libgl1-mesa-dri")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
