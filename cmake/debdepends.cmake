# SPDX-License-Identifier: ISC
# Sets the Debian package's Depends, when CPack runs, to what dpkg-shlibdeps
# finds that ROOMTALLY_PROGRAM needs.  A cross build names the processor,
# ROOMTALLY_DEB_ARCH, and the cross C library's folder, ROOMTALLY_LIBDIR,
# whose packages name the processor, as libc6:armhf or
# libgcc-s1-armhf-cross: the package's own Depends names Debian's own
# libc6 and libgcc-s1.
if(NOT CPACK_GENERATOR STREQUAL "DEB")
  return()
endif()
# dpkg-shlibdeps is run beside a debian/control, as in a source package,
# on the program where the package's own tree would hold it.  Any warning
# it gives stops the package.
get_filename_component(dir ${ROOMTALLY_PROGRAM} DIRECTORY)
file(WRITE ${dir}/shlibs/debian/control
  "Source: roomtally\n\nPackage: roomtally\nArchitecture: any\n")
set(program debian/roomtally/usr/bin/roomtally)
file(MAKE_DIRECTORY ${dir}/shlibs/debian/roomtally/DEBIAN
  ${dir}/shlibs/debian/roomtally/usr/bin)
file(COPY_FILE ${ROOMTALLY_PROGRAM} ${dir}/shlibs/${program})
set(command dpkg-shlibdeps -O -e${program})
if(ROOMTALLY_DEB_ARCH)
  set(command ${CMAKE_COMMAND} -E env DEB_HOST_ARCH=${ROOMTALLY_DEB_ARCH}
    ${command} -l${ROOMTALLY_LIBDIR})
endif()
execute_process(COMMAND ${command} WORKING_DIRECTORY ${dir}/shlibs
  OUTPUT_VARIABLE depends ERROR_VARIABLE warnings COMMAND_ERROR_IS_FATAL ANY)
if(warnings)
  message(FATAL_ERROR "dpkg-shlibdeps warns:\n${warnings}")
endif()
string(REGEX REPLACE "^shlibs:Depends=" "" depends "${depends}")
string(REGEX REPLACE ":[a-z0-9]+( |,|$)" "\\1" depends "${depends}")
string(REPLACE "-${ROOMTALLY_DEB_ARCH}-cross" "" depends "${depends}")
string(STRIP "${depends}" CPACK_DEBIAN_PACKAGE_DEPENDS)
