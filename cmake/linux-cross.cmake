# SPDX-License-Identifier: ISC
# Cross-builds the Linux program with Debian's cross compiler for the
# triple that the including toolchain file sets, and runs it under the
# matching user-mode emulator.  A static program needs no system root; a
# dynamic one, the Debian package's, finds its C library in the cross
# compiler's.  The including file also gives the processor's Debian name.
set(CMAKE_SYSTEM_NAME Linux)

set(CMAKE_C_COMPILER ${triple}-gcc)
set(CMAKE_CXX_COMPILER ${triple}-g++)

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(QEMU_PROGRAM qemu-${qemu}-static REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_PROGRAM} -L /usr/${triple})
