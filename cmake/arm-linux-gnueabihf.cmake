# SPDX-License-Identifier: ISC
# Cross-builds the Linux program for 32-bit arm with hardware floating point,
# as Raspberry Pi OS runs it, and runs it under qemu.
set(CMAKE_SYSTEM_PROCESSOR armv7l)
set(triple arm-linux-gnueabihf)
set(qemu arm)
set(ROOMTALLY_DEB_ARCH armhf)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
