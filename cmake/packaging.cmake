# SPDX-License-Identifier: ISC
# Installs the program with its manual page, and packages it: a .deb on
# Linux, with Debian's changelog made from CHANGELOG.md; and on Windows the
# program with its icon, a zip with it, its licence, a usage page and the
# changelog, and an installer of the same files.
include(GNUInstallDirs)

configure_file(doc/roomtally.1.in roomtally.1 @ONLY)
set(manpage ${PROJECT_BINARY_DIR}/roomtally.1)

# Compresses file into file.gz the way Debian wants: at the best level, and
# without a name or a time stamp, so that every build gives the same bytes.
function(gzip_copy file)
  execute_process(COMMAND gzip -9n INPUT_FILE ${file} OUTPUT_FILE ${file}.gz
    COMMAND_ERROR_IS_FATAL ANY)
endfunction()

# Writes text to file with the CR LF line ends that Windows editors expect.
function(write_crlf file text)
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE ${file} "${text}")
endfunction()

# Makes the Windows icon, out, from the drawing svg: a PNG of each size that
# Windows shows, packed into one .ico, the largest as PNG.  Both tools write
# no time, so the same drawing gives the same bytes.
function(make_icon svg out)
  find_program(RSVG_CONVERT_PROGRAM rsvg-convert REQUIRED)
  find_program(ICOTOOL_PROGRAM icotool REQUIRED)
  set(pngs)
  foreach(size 16 20 24 32 40 48 64 256)
    set(png ${PROJECT_BINARY_DIR}/icon/${size}.png)
    execute_process(COMMAND ${RSVG_CONVERT_PROGRAM} -w ${size} -h ${size}
      -o ${png} ${svg} COMMAND_ERROR_IS_FATAL ANY)
    list(APPEND pngs ${png})
  endforeach()
  list(POP_BACK pngs largest)
  execute_process(COMMAND ${ICOTOOL_PROGRAM} -c -o ${out} ${pngs}
    --raw=${largest} COMMAND_ERROR_IS_FATAL ANY)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${svg})
endfunction()

if(WIN32)
  enable_language(RC)
  file(MAKE_DIRECTORY ${PROJECT_BINARY_DIR}/icon)
  make_icon(${PROJECT_SOURCE_DIR}/doc/roomtally.svg
    ${PROJECT_BINARY_DIR}/roomtally.ico)
  configure_file(src/roomtally.rc.in roomtally.rc @ONLY)
  target_sources(roomtally PRIVATE ${PROJECT_BINARY_DIR}/roomtally.rc)
  set_source_files_properties(${PROJECT_BINARY_DIR}/roomtally.rc PROPERTIES
    OBJECT_DEPENDS ${PROJECT_BINARY_DIR}/roomtally.ico)
  # The usage page is the manual page rendered as plain text.
  find_program(GROFF_PROGRAM groff REQUIRED)
  execute_process(COMMAND ${GROFF_PROGRAM} -man -Tascii -P-cbou -rcR=1
    ${manpage} OUTPUT_VARIABLE usage COMMAND_ERROR_IS_FATAL ANY)
  write_crlf(${PROJECT_BINARY_DIR}/roomtally.txt "${usage}")
  file(READ LICENSE licence)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS LICENSE)
  write_crlf(${PROJECT_BINARY_DIR}/LICENSE.txt "${licence}")
  file(READ CHANGELOG.md changes)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS CHANGELOG.md)
  write_crlf(${PROJECT_BINARY_DIR}/CHANGELOG.md "${changes}")
  install(TARGETS roomtally RUNTIME DESTINATION .)
  install(FILES ${PROJECT_BINARY_DIR}/roomtally.txt
    ${PROJECT_BINARY_DIR}/LICENSE.txt ${PROJECT_BINARY_DIR}/CHANGELOG.md
    DESTINATION .)
  # The installer holds the same files as the zip.  Its tools are
  # needed only by those who make it: without them the program is built and
  # tested all the same, and only packaging stops, saying what is missing.
  set(ROOMTALLY_MSI
    ${PROJECT_BINARY_DIR}/roomtally-${PROJECT_VERSION}-windows-x86_64.msi)
  set(missing)
  foreach(tool wixl msibuild faketime)
    find_program(${tool}_PROGRAM ${tool})
    if(NOT ${tool}_PROGRAM)
      list(APPEND missing ${tool})
    endif()
  endforeach()
  if(missing)
    list(JOIN missing ", " missing)
    set(why "the Windows installer needs ${missing}: \
sudo apt-get install wixl msitools faketime")
    message(STATUS "Not making the installer: ${why}")
    file(WRITE ${PROJECT_BINARY_DIR}/needinstaller.cmake
      "message(FATAL_ERROR \"${why}\")\n")
    set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_BINARY_DIR}/needinstaller.cmake)
    unset(ROOMTALLY_MSI)
  else()
    add_custom_command(OUTPUT ${ROOMTALLY_MSI}
      COMMAND ${CMAKE_COMMAND} -DVERSION=${PROJECT_VERSION}
        -DDATE=${ROOMTALLY_DATE} "-DPUBLISHER=${ROOMTALLY_PUBLISHER}"
        -DFILES=${PROJECT_BINARY_DIR}
        -DOUT=${ROOMTALLY_MSI} -P ${PROJECT_SOURCE_DIR}/cmake/msi.cmake
      DEPENDS roomtally cmake/msi.cmake cmake/roomtally.wxs.in
        ${PROJECT_BINARY_DIR}/roomtally.txt ${PROJECT_BINARY_DIR}/LICENSE.txt
        ${PROJECT_BINARY_DIR}/CHANGELOG.md ${PROJECT_BINARY_DIR}/roomtally.ico
      COMMENT "Making the Windows installer")
    add_custom_target(msi ALL DEPENDS ${ROOMTALLY_MSI})
  endif()
else()
  gzip_copy(${manpage})
  install(TARGETS roomtally RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${manpage}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

# Returns in out the Unix time of the start of the day date (YYYY-MM-DD), in
# UTC: the count of days from the civil date, in the proleptic calendar.
function(date_epoch date out)
  string(REGEX MATCH "^([0-9]+)-0?([0-9]+)-0?([0-9]+)$" ymd "${date}")
  set(y ${CMAKE_MATCH_1})
  set(m ${CMAKE_MATCH_2})
  if(m LESS_EQUAL 2)
    math(EXPR y "${y} - 1")
    math(EXPR m "${m} + 12")
  endif()
  math(EXPR days "365 * ${y} + ${y} / 4 - ${y} / 100 + ${y} / 400 \
    + (153 * (${m} - 3) + 2) / 5 + ${CMAKE_MATCH_3} - 719469")
  math(EXPR seconds "${days} * 86400")
  set(${out} ${seconds} PARENT_SCOPE)
endfunction()

# Packages are dated by the release, not by the build: CPack stamps every
# archive member with SOURCE_DATE_EPOCH, which is the release date unless
# the caller sets it.
date_epoch(${ROOMTALLY_DATE} ROOMTALLY_EPOCH)
set(ROOMTALLY_EPOCH ${ROOMTALLY_EPOCH} CACHE INTERNAL "The release date as Unix time")
file(WRITE ${PROJECT_BINARY_DIR}/CPackProjectConfig.cmake
  "if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})\n"
  "  set(ENV{SOURCE_DATE_EPOCH} ${ROOMTALLY_EPOCH})\n"
  "endif()\n")
# A Debian package depends on what the program needs of the C library, for
# the processor it is built for.
if(NOT WIN32)
  file(APPEND ${PROJECT_BINARY_DIR}/CPackProjectConfig.cmake
    "set(ROOMTALLY_PROGRAM ${PROJECT_BINARY_DIR}/roomtally)\n"
    "set(ROOMTALLY_DEB_ARCH \"${ROOMTALLY_DEB_ARCH}\")\n"
    "set(ROOMTALLY_LIBDIR \"${CMAKE_FIND_ROOT_PATH}/lib\")\n"
    "include(${PROJECT_SOURCE_DIR}/cmake/debdepends.cmake)\n")
endif()
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_BINARY_DIR}/CPackProjectConfig.cmake)

set(CPACK_PACKAGE_NAME roomtally)
set(CPACK_PACKAGE_CONTACT "${ROOMTALLY_PUBLISHER} <${ROOMTALLY_EMAIL}>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "tell how much of a 915-byte name table a set of files takes up")
set(CPACK_PACKAGE_DESCRIPTION [[
roomtally charges every file its base name's length plus 22 bytes against a
fixed budget of 915 bytes, and prints a report: one row per file, cheapest
first, with the bytes left after it, its cost and its name; what is left at
the end; and, on request, how long the names of N more files may be in
total. Names listed in a base list file, one path per line, can be charged
first. Only names are counted: the files themselves are never opened.]])
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
if(ROOMTALLY_DEB_ARCH)
  set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${ROOMTALLY_DEB_ARCH})
endif()
# A Debian program is stripped as it is built (CMakeLists.txt), before its
# suite runs; stripping it again here would ship a program never tested.
set(CPACK_STRIP_FILES OFF)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
if(WIN32)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME windows-x86_64)
else()
  set(CPACK_GENERATOR DEB)
endif()

# Debian wants a machine-readable copyright file and a changelog, compressed
# like the manual page, in the package's documentation directory; the
# changelog says what each version changed, from CHANGELOG.md.
if(ROOMTALLY_DEBIAN)
  include(cmake/debchangelog.cmake)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS CHANGELOG.md)
  debian_changelog(${PROJECT_SOURCE_DIR}/CHANGELOG.md
    ${PROJECT_BINARY_DIR}/changelog roomtally "${CPACK_PACKAGE_CONTACT}")
  gzip_copy(${PROJECT_BINARY_DIR}/changelog)
  configure_file(doc/copyright.in copyright @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/copyright ${PROJECT_BINARY_DIR}/changelog.gz
    DESTINATION ${CMAKE_INSTALL_DOCDIR})
  # The one tag that lintian may find, the help text's own spelling.
  install(FILES doc/lintian-overrides DESTINATION
    ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME roomtally)
endif()
include(CPack)
