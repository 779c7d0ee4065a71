# SPDX-License-Identifier: ISC
# Cross-builds a static Linux program with Debian's cross compiler for the
# triple that the including toolchain file sets, and runs it under the
# matching user-mode emulator, which needs no system root for a static one.
set(CMAKE_SYSTEM_NAME Linux)

set(CMAKE_C_COMPILER ${triple}-gcc)
set(CMAKE_CXX_COMPILER ${triple}-g++)
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(QEMU_PROGRAM qemu-${qemu}-static REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${QEMU_PROGRAM})
