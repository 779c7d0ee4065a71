# SPDX-License-Identifier: ISC
# Makes the Windows installer from the files of the Windows package:
#   cmake -DVERSION=1.0.0 -DDATE=2026-12-08 -DFILES=DIR -DOUT=FILE.msi
#     -P cmake/msi.cmake
# DIR holds roomtally.exe, LICENSE.txt and roomtally.txt.  wixl builds the
# package from roomtally.wxs.in; msibuild adds what wixl cannot say, the
# install folder on the user's PATH (the Environment table and its two
# actions), and the summary's revision number.  The same inputs give the
# same bytes: the product code follows from the version, the
# upgrade code never changes, the package code follows from the files, the
# files carry the release date, and both tools run with the clock stopped at
# that date.
cmake_minimum_required(VERSION 3.25)

# The one code that every version shares, so that each replaces the last.
set(UPGRADE_CODE 7170F4AF-2C4B-453A-B6FD-009B65F6371F)

# Sets name to a code that follows from text alone.
function(code name text)
  string(UUID uuid NAMESPACE ${UPGRADE_CODE} NAME "${text}" TYPE SHA1 UPPER)
  set(${name} ${uuid} PARENT_SCOPE)
endfunction()

code(PRODUCT_CODE "product ${VERSION}")
foreach(component PROGRAM PROGRAMS SENDTO STARTMENU)
  code(${component}_GUID "component ${component}")
endforeach()

foreach(tool wixl msibuild faketime touch)
  find_program(${tool}_PROGRAM ${tool} REQUIRED)
endforeach()
get_filename_component(OUT ${OUT} ABSOLUTE)
set(stage ${OUT}.stage)
file(REMOVE_RECURSE ${stage})
file(MAKE_DIRECTORY ${stage})
foreach(file roomtally.exe LICENSE.txt roomtally.txt)
  file(COPY_FILE ${FILES}/${file} ${stage}/${file})
  execute_process(COMMAND ${touch_PROGRAM} -d "${DATE} 00:00 UTC"
    ${stage}/${file} COMMAND_ERROR_IS_FATAL ANY)
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/roomtally.wxs.in ${stage}/roomtally.wxs
  @ONLY)
# The install folder is put first on the user's Path, and taken off it again
# when the program is removed: Windows Installer then gives the rest back as
# it was, where an entry put last leaves its separator behind.
file(WRITE ${stage}/Environment.idt
  "Environment\tName\tValue\tComponent_\n"
  "s72\tl255\tL255\ts72\n"
  "Environment\tEnvironment\n"
  "Path\t=-Path\t[InstallFolder];[~]\tProgram\n")
# The package code follows from what the package holds, so that two
# different builds of a version are never taken for the same package.
set(content)
foreach(file roomtally.exe LICENSE.txt roomtally.txt roomtally.wxs
    Environment.idt)
  file(SHA256 ${stage}/${file} hash)
  string(APPEND content " ${hash}")
endforeach()
code(PACKAGE_CODE "package ${VERSION}${content}")

set(stopped ${CMAKE_COMMAND} -E env TZ=UTC
  ${faketime_PROGRAM} -f "${DATE} 00:00:00")
file(REMOVE ${OUT})
execute_process(COMMAND ${stopped} ${wixl_PROGRAM} -a x64 -o ${OUT}
  roomtally.wxs WORKING_DIRECTORY ${stage} COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND ${stopped} ${msibuild_PROGRAM} ${OUT}
  -i Environment.idt
  -q "INSERT INTO InstallExecuteSequence (Action, Sequence)
    VALUES ('RemoveEnvironmentStrings', 3300)"
  -q "INSERT INTO InstallExecuteSequence (Action, Sequence)
    VALUES ('WriteEnvironmentStrings', 5200)"
  -s "roomtally ${VERSION}" "roomtally developers" "x64;1033"
    "{${PACKAGE_CODE}}"
  WORKING_DIRECTORY ${stage} COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE_RECURSE ${stage})
