// SPDX-License-Identifier: ISC
// Runs a WebAssembly (WASI) program under node, as qemu runs the other
// processors' programs: node tools/wasi-run.mjs PROGRAM.wasm [ARG...].  The
// program gets its arguments, the environment and the whole file system,
// with the working directory as its own, and exits with its own status.
import { openSync } from 'node:fs';
import { readFile } from 'node:fs/promises';
import process from 'node:process';
import { WASI } from 'node:wasi';

const [program, ...args] = process.argv.slice(2);
const wasi = new WASI({
  version: 'preview1',
  args: [program, ...args],
  env: process.env,
  // Listed after the root, the working directory is where the C library
  // looks for relative paths.
  preopens: { '/': '/', '.': process.cwd() },
  returnOnExit: true,
  // Node makes its own standard streams non-blocking, so a long report
  // into a full pipe would fail with EAGAIN: the program writes through
  // descriptors of its own, which block.
  stdout: openSync('/dev/stdout', 'a'),
  stderr: openSync('/dev/stderr', 'a'),
});
const module = await WebAssembly.compile(await readFile(program));
const instance = await WebAssembly.instantiate(module, {
  wasi_snapshot_preview1: wasi.wasiImport,
});
process.exitCode = wasi.start(instance);
