// SPDX-License-Identifier: ISC
// Hands the picked base list to the worker that runs the program: the file
// itself, where workers can read it, or else its bytes.  WebKit's workers
// read no blob that the page hands them, so there the page reads the list,
// once while the same file stays picked, and lets it go when it does not.

let held = { file: null, bytes: null };

// Tells whether a worker started from url can read a blob.
export function workersReadBlobs(url) {
  return new Promise((done) => {
    const probe = new Worker(url);
    probe.onmessage = ({ data }) => {
      probe.terminate();
      done(data);
    };
    probe.onerror = () => done(false);
    probe.postMessage({ probe: new Blob(['x']) });
  });
}

// Returns the bytes of a file, or null when the browser will not hand them
// all over: WebKit gives no bytes of a file of gigabytes, without a word.
async function readBytes(file) {
  try {
    const bytes = new Uint8Array(await file.arrayBuffer());
    return bytes.length === file.size ? bytes : null;
  } catch {
    return null;
  }
}

// Returns the base list for the worker, or null for none: its name with
// the picked file, or with the bytes that the page read.  Without either,
// every read of the program fails.
export async function baseList(file, workersRead) {
  if (!file || workersRead) held = { file: null, bytes: null };
  if (!file) return null;
  if (workersRead) return { name: file.name, blob: file };
  if (held.file !== file) held = { file, bytes: readBytes(file) };
  const bytes = await held.bytes;
  return bytes ? { name: file.name, bytes } : { name: file.name };
}
