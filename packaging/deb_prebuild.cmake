# Run by `cpack -G DEB` on the staged tree just before the package is made; does what
# debhelper does for a Debian build:
# - removes the .comment and .note sections a plain strip leaves (as dh_strip does);
# - computes Depends with dpkg-shlibdeps. CPack's own run of it would also add postinst
#   and postrm scripts calling ldconfig, because the report module lies under /usr/lib;
#   but that module is private, opened by path with dlopen, never looked up by the
#   dynamic linker, so the package needs no maintainer scripts at all.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()

find_program(PLATECAM_SHLIBDEPS dpkg-shlibdeps REQUIRED)
set(staged "${CPACK_TEMPORARY_DIRECTORY}")
file(GLOB_RECURSE files LIST_DIRECTORIES false "${staged}/*")
set(elf_files)
foreach(file IN LISTS files)
  if(NOT IS_SYMLINK "${file}")
    file(READ "${file}" magic LIMIT 4 HEX)
    if(magic STREQUAL "7f454c46")
      list(APPEND elf_files "${file}")
    endif()
  endif()
endforeach()
if(NOT elf_files)
  message(FATAL_ERROR "no program in ${staged}: nothing to package")
endif()

foreach(file IN LISTS elf_files)
  execute_process(COMMAND "${CPACK_PLATECAM_STRIP}" --remove-section=.comment
                          --remove-section=.note "${file}"
                  COMMAND_ERROR_IS_FATAL ANY)
endforeach()

# dpkg-shlibdeps reads debian/control in its working folder (an empty one is enough) and
# expects the files under a folder holding DEBIAN, as in a package being built.
set(scratch "${CPACK_TOPLEVEL_DIRECTORY}/shlibdeps")
file(REMOVE_RECURSE "${scratch}")
file(WRITE "${scratch}/debian/control" "")
file(MAKE_DIRECTORY "${staged}/DEBIAN")
execute_process(COMMAND "${PLATECAM_SHLIBDEPS}" -O ${elf_files}
                WORKING_DIRECTORY "${scratch}"
                OUTPUT_VARIABLE shlibdeps
                OUTPUT_STRIP_TRAILING_WHITESPACE
                COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE_RECURSE "${scratch}" "${staged}/DEBIAN")
if(NOT shlibdeps MATCHES "^shlibs:Depends=(.+)$")
  message(FATAL_ERROR "dpkg-shlibdeps printed no dependencies: ${shlibdeps}")
endif()
string(JOIN ", " CPACK_DEBIAN_PACKAGE_DEPENDS ${CPACK_DEBIAN_PACKAGE_DEPENDS} "${CMAKE_MATCH_1}")
