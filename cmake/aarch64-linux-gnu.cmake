# SPDX-License-Identifier: ISC
# Cross-builds the Linux program for arm64 (aarch64) and runs it under qemu.
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(triple aarch64-linux-gnu)
set(qemu aarch64)
set(ROOMTALLY_DEB_ARCH arm64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
