// SPDX-License-Identifier: ISC
// Runs the program once, away from the page, so that the page answers input
// while a long base list is read: given { module, args, env, list }, the
// arguments as bytes, it posts back { stdout, stderr, stopped }, the bytes
// that the program wrote and, if it stopped, the browser's words for why,
// or else null.  The base list is a name with a picked file's blob, read
// as the program asks for it in large pieces so that memory stays flat
// whatever its size; or with its bytes, for a browser whose workers cannot
// read a blob; or with neither, for a file the browser could not read; its
// name is what the program's opening path reads as.  A piece that cannot
// be read fails the program's read, which the program then reports as any
// failed read, and the answer says so with unread.  Given { probe }, a
// blob, it tells whether a worker can read it.
import { ConsoleStdout, File, OpenFile, PreopenDirectory, WASI, wasi }
  from '@bjorn3/browser_wasi_shim';
import { passBytes } from './wasiargs.js';

const PIECE = 16 * 1024 * 1024;

// A picked file as the program sees it: its bytes stay in the browser's
// file until a read asks for them, or are all held already.  Without
// either, every read fails.
class BlobFile extends File {
  constructor(blob, bytes) {
    super([], { readonly: true });
    this.blob = blob;
    this.bytes = bytes;
  }

  get size() {
    return BigInt(this.bytes?.length ?? this.blob?.size ?? 0);
  }

  path_open(oflags, rights) {
    if ((rights & BigInt(wasi.RIGHTS_FD_WRITE)) !== 0n) {
      return { ret: wasi.ERRNO_PERM, fd_obj: null };
    }
    return { ret: wasi.ERRNO_SUCCESS, fd_obj: new BlobReader(this) };
  }
}

// An open BlobFile: serves each read from the piece of the file that holds
// it, reading the next piece when a read reaches past the one held.
class BlobReader extends OpenFile {
  constructor(file) {
    super(file);
    this.piece = file.bytes ?? new Uint8Array(0);
    this.start = 0;
  }

  fd_read(size) {
    const { blob, bytes } = this.file;
    if (!blob && !bytes) return this.failed();
    const at = Number(this.file_pos);
    if (at < this.start || at >= this.start + this.piece.length) {
      if (bytes || at >= blob.size) return { ret: wasi.ERRNO_SUCCESS, data: new Uint8Array(0) };
      try {
        this.piece = new Uint8Array(new FileReaderSync().readAsArrayBuffer(
          blob.slice(at, at + PIECE)));
      } catch {
        this.piece = new Uint8Array(0);
      }
      this.start = at;
      // A piece short of what the file holds would end the list early.
      if (this.piece.length < Math.min(PIECE, blob.size - at)) return this.failed();
    }
    const from = at - this.start;
    const data = this.piece.subarray(from, from + size);
    this.file_pos += BigInt(data.length);
    return { ret: wasi.ERRNO_SUCCESS, data };
  }

  // Fails a read, and marks the file as one the browser could not read.
  failed() {
    this.file.unread = true;
    return { ret: wasi.ERRNO_IO, data: new Uint8Array(0) };
  }
}

// Returns the bytes written, in order, as one array.
function joined(chunks) {
  const bytes = new Uint8Array(chunks.reduce((n, c) => n + c.length, 0));
  let at = 0;
  for (const c of chunks) {
    bytes.set(c, at);
    at += c.length;
  }
  return bytes;
}

self.onmessage = async ({ data: { module, args, env, list, probe } }) => {
  if (probe) {
    try {
      self.postMessage(new FileReaderSync().readAsArrayBuffer(probe).byteLength > 0);
    } catch {
      self.postMessage(false);
    }
    return;
  }
  const out = [];
  const err = [];
  const files = list ? [[list.name, new BlobFile(list.blob, list.bytes)]] : [];
  const fds = [new OpenFile(new File([])),
    new ConsoleStdout((b) => out.push(b.slice())),
    new ConsoleStdout((b) => err.push(b.slice())), new PreopenDirectory('/', files)];
  // Unless told otherwise, the shim writes debugging lines to the console.
  const program = new WASI(['roomtally'], env, fds, { debug: false });
  passBytes(program.wasiImport, [new TextEncoder().encode('roomtally'), ...args],
    () => program.inst.exports.memory);
  let stopped = null;
  try {
    program.start(await WebAssembly.instantiate(module,
      { wasi_snapshot_preview1: program.wasiImport }));
  } catch (e) {
    stopped = String(e.message);
  }
  self.postMessage({ stdout: joined(out), stderr: joined(err), stopped,
    unread: files[0]?.[1].unread === true });
};
