# SPDX-License-Identifier: ISC
# Cross-builds the Linux program for 32-bit x86 and runs it under qemu.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(triple i686-linux-gnu)
set(qemu i386)
set(ROOMTALLY_DEB_ARCH i386)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
