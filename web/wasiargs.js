// SPDX-License-Identifier: ISC
// Gives a WASI program its arguments as bytes, as a command line gives them:
// WASI hosts take arguments as text and pass its UTF-8, but a name counted
// in a Windows code page is that code page's bytes, which are not UTF-8.

// Makes the WASI imports wasiImport pass args, each an array of bytes, to
// the program whose memory() is its memory once it is instantiated.
export function passBytes(wasiImport, args, memory) {
  Object.assign(wasiImport, {
    args_sizes_get(count, size) {
      const view = new DataView(memory().buffer);
      view.setUint32(count, args.length, true);
      view.setUint32(size, args.reduce((n, a) => n + a.length + 1, 0), true);
      return 0;
    },
    args_get(argv, buffer) {
      const view = new DataView(memory().buffer);
      const bytes = new Uint8Array(memory().buffer);
      let at = buffer;
      args.forEach((arg, i) => {
        view.setUint32(argv + 4 * i, at, true);
        bytes.set(arg, at);
        bytes[at + arg.length] = 0;
        at += arg.length + 1;
      });
      return 0;
    },
  });
}
