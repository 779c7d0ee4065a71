# SPDX-License-Identifier: ISC
# Builds the program for WebAssembly with Debian's clang, wasi-libc and lld,
# as roomtally.wasm, and runs it under node through the project's own WASI
# launcher, as qemu runs the other processors' builds.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR wasm32)

set(triple wasm32-wasi)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET ${triple})
set(CMAKE_CXX_COMPILER_TARGET ${triple})
set(CMAKE_SYSROOT /usr)
set(CMAKE_CXX_FLAGS_INIT "-fno-exceptions -msimd128")
set(CMAKE_EXE_LINKER_FLAGS_INIT -Wl,--strip-all)

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(NODE_PROGRAM NAMES node nodejs REQUIRED)
# Node's WASI says it is experimental on every start, on standard error.
set(CMAKE_CROSSCOMPILING_EMULATOR ${NODE_PROGRAM} --no-warnings
  ${CMAKE_CURRENT_LIST_DIR}/../tools/wasi-run.mjs)
