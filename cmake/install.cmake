# Install rules, man pages and the Debian package.

# The man pages are written by hand in man/ (man(7) macros), the Japanese ones in man/ja/.
# The build puts the version in, sets their Japanese text for groff before 1.23 (break
# points between the characters, no space where two lines meet) and ships them as Debian
# wants them: gzip -9n, no name or time stamp in the header. A program that is not built
# gets no page.
find_program(GZIP gzip REQUIRED)
find_program(PERL perl REQUIRED)
set(PLATECAM_MAN_PAGES)
set(PLATECAM_MAN_PAGES_JA)
foreach(program platecam platecam-batch)
  if(NOT TARGET ${program})
    continue()
  endif()
  foreach(language en ja)
    if(language STREQUAL "en")
      set(folder "")
      set(pages PLATECAM_MAN_PAGES)
      set(setting "")
    else()
      set(folder "${language}/")
      set(pages PLATECAM_MAN_PAGES_JA)
      set(setting --join)
    endif()
    set(source ${PROJECT_SOURCE_DIR}/man/${folder}${program}.1)
    if(NOT EXISTS ${source})
      continue()
    endif()
    set(page ${PROJECT_BINARY_DIR}/man/${folder}${program}.1)
    configure_file(${source} ${page}.in @ONLY)
    add_custom_command(
      OUTPUT ${page} ${page}.gz
      COMMAND ${PERL} -CSD ${PROJECT_SOURCE_DIR}/man/ja-line-breaks.pl ${setting} < ${page}.in > ${page}
      COMMAND ${GZIP} -9nkf ${page}
      DEPENDS ${page}.in ${PROJECT_SOURCE_DIR}/man/ja-line-breaks.pl
      COMMENT "man page ${folder}${program}.1"
      VERBATIM)
    list(APPEND ${pages} ${page}.gz)
  endforeach()
endforeach()
add_custom_target(man_pages ALL DEPENDS ${PLATECAM_MAN_PAGES} ${PLATECAM_MAN_PAGES_JA})
install(FILES ${PLATECAM_MAN_PAGES} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${PLATECAM_MAN_PAGES_JA} DESTINATION ${CMAKE_INSTALL_MANDIR}/ja/man1)

# The example designs the man pages use: the start-up design as a design file and as a
# design document, and a document for each follower kind and family of laws.
file(GLOB PLATECAM_EXAMPLES CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/examples/*.dat
     ${PROJECT_SOURCE_DIR}/examples/*.toml)
install(FILES ${PLATECAM_EXAMPLES} DESTINATION ${CMAKE_INSTALL_DATADIR}/platecam/examples)
# The build tree keeps them where the installed programs find them (bin/../share), so that
# the engineering window's New offers them there too.
file(COPY ${PLATECAM_EXAMPLES} DESTINATION ${PROJECT_BINARY_DIR}/${CMAKE_INSTALL_DATADIR}/platecam/examples)

# The Debian changelog, compressed as the man pages are; its first entry names the
# version project() sets (scripts/check_package.sh compares them).
set(changelog ${PROJECT_BINARY_DIR}/packaging/changelog)
add_custom_command(
  OUTPUT ${changelog}.gz
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
  COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/changelog ${changelog}
  COMMAND ${GZIP} -9nf ${changelog}
  DEPENDS ${PROJECT_SOURCE_DIR}/packaging/changelog
  COMMENT "compressed changelog"
  VERBATIM)
add_custom_target(platecam_changelog ALL DEPENDS ${changelog}.gz)

install(TARGETS platecam-batch RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET platecam)
  install(TARGETS platecam RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES data/platecam.desktop data/platecam-engineering.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  install(FILES data/platecam.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
  install(FILES data/platecam.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
endif()
# The licence is in copyright, in the machine-readable form Debian reads.
install(FILES README.md packaging/copyright ${changelog}.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})

# cpack -G DEB: dependencies from dpkg-shlibdeps (run by packaging/deb_prebuild.cmake,
# which also strips as dh_strip does), plus the Japanese font the window asks for. The
# menu and icon caches are refreshed by the file triggers that desktop-file-utils and
# hicolor-icon-theme install for these folders. The address is the project's own domain,
# the one the AppStream id org.platecam.Platecam names.
set(CPACK_PACKAGE_NAME platecam)
set(CPACK_PACKAGE_VENDOR "the platecam authors")
set(CPACK_PACKAGE_CONTACT "the platecam authors <authors@platecam.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "plate cam design, checks, drawings and machining")
set(CPACK_PACKAGE_DESCRIPTION
    "platecam designs plate (disc) cams for in-line and offset roller, flat-faced\n"
    "and swinging-arm followers, from a motion table with a law per segment\n"
    "(cycloid, modified trapezoid and sine, harmonic, polynomials, constant\n"
    "velocity). It checks pressure angle, undercut, curvature, loads at speed,\n"
    "contact stress and the follower's vibration, sizes the base circle, and\n"
    "writes a design report, a workshop drawing as arcs within a stated\n"
    "tolerance, the milling tool's path, G-code and a grinder's table.\n"
    "Two windows (the classic one in Japanese, an engineering one in Japanese or\n"
    "English) and the command-line tool platecam-batch share one engine.")
string(REPLACE ";" "" CPACK_PACKAGE_DESCRIPTION "${CPACK_PACKAGE_DESCRIPTION}")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# OFF: CPack's own dpkg-shlibdeps run would add ldconfig calls for the private module.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS OFF)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-ipafont-gothic")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-translations-l10n")
set(CPACK_STRIP_FILES ON)
set(CPACK_PLATECAM_STRIP ${CMAKE_STRIP})
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/packaging/deb_prebuild.cmake)
include(CPack)
