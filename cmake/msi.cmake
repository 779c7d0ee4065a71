# SPDX-License-Identifier: ISC
# Makes the Windows installer from the files of the Windows package:
#   cmake -DVERSION=1.1.0 -DDATE=2026-12-09 "-DPUBLISHER=NAME" -DFILES=DIR
#     -DOUT=FILE.msi -P cmake/msi.cmake
# DIR holds roomtally.exe, LICENSE.txt, roomtally.txt, CHANGELOG.md and
# roomtally.ico.  wixl builds the package from roomtally.wxs.in; msibuild
# adds what wixl cannot say: the install folder on the user's PATH (the
# Environment table and its two actions), the dialog that ends a
# double-clicked install, and the summary's revision number.  The same
# inputs give the same bytes: the product code follows from the version,
# the upgrade code never changes, the package code follows from the files,
# the files carry the release date, and both tools run with the clock
# stopped at that date.
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
foreach(file roomtally.exe LICENSE.txt roomtally.txt CHANGELOG.md
    roomtally.ico)
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
# A double-clicked install ends by saying what it did and how to go on, in
# a dialog of its own; an install without its interface (/qn), a repair and
# an uninstall say nothing.
file(WRITE ${stage}/TextStyle.idt
  "TextStyle\tFaceName\tSize\tColor\tStyleBits\n"
  "s72\ts32\ti2\tI4\tI2\n"
  "TextStyle\tTextStyle\n"
  "RoomtallyText\tTahoma\t9\t\t\n")
file(WRITE ${stage}/Dialog.idt
  "Dialog\tHCentering\tVCentering\tWidth\tHeight\tAttributes\tTitle\t"
  "Control_First\tControl_Default\tControl_Cancel\n"
  "s72\ti2\ti2\ti2\ti2\tI4\tL128\ts50\tS50\tS50\n"
  "Dialog\tDialog\n"
  "InstalledDialog\t50\t50\t300\t100\t3\t[ProductName] [ProductVersion]\t"
  "Close\tClose\tClose\n")
file(WRITE ${stage}/Control.idt
  "Dialog_\tControl\tType\tX\tY\tWidth\tHeight\tAttributes\tProperty\t"
  "Text\tControl_Next\tHelp\n"
  "s72\ts50\ts20\ti2\ti2\ti2\ti2\tI4\tS72\tL0\tS50\tL50\n"
  "Control\tDialog_\tControl\n"
  "InstalledDialog\tSaid\tText\t15\t12\t270\t54\t3\t\t"
  "roomtally [ProductVersion] is installed. To use it, select files in "
  "Explorer, right-click them and choose Send to > roomtally, or open "
  "roomtally from the Start menu.\tClose\t\n"
  "InstalledDialog\tClose\tPushButton\t232\t74\t56\t17\t3\t\tClose\t"
  "Said\t\n")
file(WRITE ${stage}/ControlEvent.idt
  "Dialog_\tControl_\tEvent\tArgument\tCondition\tOrdering\n"
  "s72\ts50\ts50\ts255\tS255\tI2\n"
  "ControlEvent\tDialog_\tControl_\tEvent\tArgument\tCondition\n"
  "InstalledDialog\tClose\tEndDialog\tReturn\t1\t1\n")
set(idt Environment.idt TextStyle.idt Dialog.idt Control.idt ControlEvent.idt)

# The package code follows from what the package holds, so that two
# different builds of a version are never taken for the same package.
set(content)
foreach(file roomtally.exe LICENSE.txt roomtally.txt CHANGELOG.md
    roomtally.ico roomtally.wxs ${idt})
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
  -i Environment.idt -i TextStyle.idt -i Dialog.idt -i Control.idt
  -i ControlEvent.idt
  -q "INSERT INTO InstallUISequence (Action, Condition, Sequence)
    VALUES ('InstalledDialog', 'NOT Installed', -1)"
  -q "INSERT INTO Property (Property, Value)
    VALUES ('DefaultUIFont', 'RoomtallyText')"
  -q "INSERT INTO InstallExecuteSequence (Action, Sequence)
    VALUES ('RemoveEnvironmentStrings', 3300)"
  -q "INSERT INTO InstallExecuteSequence (Action, Sequence)
    VALUES ('WriteEnvironmentStrings', 5200)"
  -s "roomtally ${VERSION}" "${PUBLISHER}" "x64;1033"
    "{${PACKAGE_CODE}}"
  WORKING_DIRECTORY ${stage} COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE_RECURSE ${stage})
