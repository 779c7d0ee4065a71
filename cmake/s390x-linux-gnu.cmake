# SPDX-License-Identifier: ISC
# Cross-builds the Linux program for s390x, big-endian and runs it under qemu.
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(triple s390x-linux-gnu)
set(qemu s390x)
set(ROOMTALLY_DEB_ARCH s390x)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
