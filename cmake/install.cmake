# Install rules, man pages and the Debian package.

find_program(HELP2MAN help2man)
set(PLATECAM_MAN_PAGES)
if(HELP2MAN)
  # Generated from each program's own --help and --version, so they never drift.
  foreach(program platecam platecam-batch)
    if(NOT TARGET ${program})
      continue()
    endif()
    if(program STREQUAL "platecam")
      set(name "design plate cams for translating roller followers")
    else()
      set(name "export and check platecam designs from the command line")
    endif()
    add_custom_command(
      OUTPUT ${PROJECT_BINARY_DIR}/man/${program}.1
      COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/man
      COMMAND ${HELP2MAN} --no-info --section=1 --name=${name}
              --output=${PROJECT_BINARY_DIR}/man/${program}.1 $<TARGET_FILE:${program}>
      DEPENDS ${program}
      COMMENT "man page of ${program}"
      VERBATIM)
    list(APPEND PLATECAM_MAN_PAGES ${PROJECT_BINARY_DIR}/man/${program}.1)
  endforeach()
  add_custom_target(man_pages ALL DEPENDS ${PLATECAM_MAN_PAGES})
  install(FILES ${PLATECAM_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

install(TARGETS platecam-batch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET platecam)
  install(TARGETS platecam RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES data/platecam.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES data/platecam.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES data/platecam.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()
install(FILES README.md LICENSE DESTINATION ${CMAKE_INSTALL_DOCDIR})

# cpack -G DEB: dependencies from dpkg-shlibdeps, plus the Japanese font the window
# asks for. The menu and icon caches are refreshed by the file triggers that
# desktop-file-utils and hicolor-icon-theme install for these folders.
set(CPACK_PACKAGE_NAME platecam)
set(CPACK_PACKAGE_VENDOR "the platecam authors")
set(CPACK_PACKAGE_CONTACT "the platecam authors <platecam@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "plate cam design for translating roller followers")
set(CPACK_PACKAGE_DESCRIPTION
    "platecam designs a plate (disc) cam that drives an in-line translating roller\n"
    "follower: from the base-circle radius, the roller radius and a motion table it\n"
    "computes the displacement, the pitch curve, the cam contour and the pressure angle,\n"
    "draws them, animates the cam and exports the contour as a DXF drawing. The window\n"
    "speaks Japanese. platecam-batch exports and checks designs from scripts.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
include(CPack)
