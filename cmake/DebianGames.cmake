# Run by CPack on its staged files before it builds the Debian package: Debian keeps the programs
# of games in /usr/games. The data stays in /usr/share/krellix, which is ../share/krellix from
# there as from /usr/bin, so the program finds it unchanged.
if(NOT CPACK_GENERATOR STREQUAL "DEB" OR IS_ABSOLUTE "${CPACK_KRELLIX_BINDIR}")
  return()
endif()
set(usr "${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
file(MAKE_DIRECTORY "${usr}/games")
file(RENAME "${usr}/${CPACK_KRELLIX_BINDIR}/krellix" "${usr}/games/krellix")
file(GLOB left "${usr}/${CPACK_KRELLIX_BINDIR}/*")
if(NOT left)
  file(REMOVE_RECURSE "${usr}/${CPACK_KRELLIX_BINDIR}")
endif()
