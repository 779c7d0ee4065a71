# SPDX-License-Identifier: ISC
# Cross-builds the Linux program for 64-bit RISC-V and runs it under qemu.
set(CMAKE_SYSTEM_PROCESSOR riscv64)
set(triple riscv64-linux-gnu)
set(qemu riscv64)
set(ROOMTALLY_DEB_ARCH riscv64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
