// SPDX-License-Identifier: ISC
// Runs a WebAssembly (WASI) program under node, as qemu runs the other
// processors' programs: node tools/wasi-run.mjs PROGRAM.wasm [ARG...].  The
// program gets its arguments, as the bytes that they are, the environment
// and the whole file system, by absolute paths and by paths from the
// working directory (but for those that climb out of it with ..), and
// exits with its own status.
import { openSync, readdirSync, readFileSync } from 'node:fs';
import { readFile } from 'node:fs/promises';
import process from 'node:process';
import { WASI } from 'node:wasi';
import { passBytes } from '../web/wasiargs.js';

const [program, ...args] = process.argv.slice(2);
const wasi = new WASI({
  version: 'preview1',
  args: [program, ...args],
  env: process.env,
  // The C library takes an absolute path from the directory whose name is
  // its longest match, and a relative one from the working directory, which
  // wins over the root when listed after it: so each directory in the root
  // is listed too.
  preopens: { '/': '/', ...Object.fromEntries(readdirSync('/', { withFileTypes: true })
    .filter((entry) => entry.isDirectory()).map(({ name }) => [`/${name}`, `/${name}`])),
  '.': process.cwd() },
  returnOnExit: true,
  // Node makes its own standard streams non-blocking, so a long report
  // into a full pipe would fail with EAGAIN: the program writes through
  // descriptors of its own, which block.
  stdout: openSync('/dev/stdout', 'a'),
  stderr: openSync('/dev/stderr', 'a'),
});
// Node reads its arguments as UTF-8, so a name in a code page's bytes is
// taken from the command line as the system holds it: the last of its
// words are the program and its arguments.
const words = readFileSync('/proc/self/cmdline').toString('latin1').split('\0');
let instance;
passBytes(wasi.wasiImport, words.slice(0, -1).slice(-1 - args.length)
  .map((w) => Buffer.from(w, 'latin1')), () => instance.exports.memory);
const module = await WebAssembly.compile(await readFile(program));
instance = await WebAssembly.instantiate(module, {
  wasi_snapshot_preview1: wasi.wasiImport,
});
process.exitCode = wasi.start(instance);
