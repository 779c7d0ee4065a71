// SPDX-License-Identifier: ISC
// Runs roomtally, built for WebAssembly, on what the form says, at every
// change: the typed paths, the picked or dropped files' names, the base list
// and the count of more files become its arguments, and its standard output
// and standard error are shown as it wrote them.
import { ConsoleStdout, File, OpenFile, PreopenDirectory, WASI }
  from '@bjorn3/browser_wasi_shim';
import program from 'roomtally.wasm';

const form = document.getElementById('form');
const paths = document.getElementById('paths');
const picker = document.getElementById('files');
const base = document.getElementById('base');
const extra = document.getElementById('extra');
const command = document.getElementById('command');
const report = document.getElementById('report');
const errors = document.getElementById('errors');
const encoder = new TextEncoder();
const module = await WebAssembly.compile(program);
let dropped = [];

// Returns the bytes written, in order, as one text.
function decode(chunks) {
  const bytes = new Uint8Array(chunks.reduce((n, c) => n + c.length, 0));
  let at = 0;
  for (const c of chunks) {
    bytes.set(c, at);
    at += c.length;
  }
  return new TextDecoder('utf-8').decode(bytes);
}

// Runs the program on args, with list (a name and its bytes) as the only
// file it can open, in the directory it starts in.  Returns what it wrote.
async function run(args, list) {
  const out = [];
  const err = [];
  const files = list ? [[list.name, new File(list.bytes, { readonly: true })]]
    : [];
  const fds = [new OpenFile(new File([])), new ConsoleStdout((b) => out.push(b)),
    new ConsoleStdout((b) => err.push(b)), new PreopenDirectory('/', files)];
  const wasi = new WASI(['roomtally', ...args], [], fds);
  // The shim counts an argument's UTF-16 units; the program needs the
  // length of its UTF-8 bytes, or a name like été.txt overruns its buffer.
  wasi.wasiImport.args_sizes_get = (count, size) => {
    const view = new DataView(wasi.inst.exports.memory.buffer);
    view.setUint32(count, wasi.args.length, true);
    view.setUint32(size, wasi.args.reduce(
      (n, a) => n + encoder.encode(a).length + 1, 0), true);
    return 0;
  };
  const instance = await WebAssembly.instantiate(module,
    { wasi_snapshot_preview1: wasi.wasiImport });
  wasi.start(instance);
  return { stdout: decode(out), stderr: decode(err) };
}

// Quotes an argument for a POSIX shell when it needs it.
function quote(arg) {
  return /^[\w@%+=:,./-]+$/u.test(arg) ? arg : `'${arg.replaceAll("'", "'\\''")}'`;
}

// Returns the arguments that the form gives, in the program's order.
function argumentsfromform() {
  const args = [];
  if (base.files.length > 0) args.push('-base', base.files[0].name);
  args.push(...paths.value.split('\n').filter((line) => line !== ''));
  args.push(...[...picker.files, ...dropped].map((f) => f.name));
  if (extra.value !== '') args.push(`+${extra.value}`);
  return args;
}

let latest = 0;
async function update() {
  const ticket = ++latest;
  const args = argumentsfromform();
  const list = base.files.length > 0 ? { name: base.files[0].name,
    bytes: new Uint8Array(await base.files[0].arrayBuffer()) } : null;
  const result = await run(args, list);
  if (ticket !== latest) return;
  command.textContent = ['roomtally', ...args].map(quote).join(' ');
  report.textContent = result.stdout;
  errors.textContent = result.stderr;
}

form.addEventListener('input', update);
form.addEventListener('reset', () => {
  dropped = [];
  setTimeout(update);
});
document.addEventListener('dragover', (event) => {
  event.preventDefault();
  document.body.classList.add('dragging');
});
document.addEventListener('dragleave', () => {
  document.body.classList.remove('dragging');
});
document.addEventListener('drop', (event) => {
  event.preventDefault();
  document.body.classList.remove('dragging');
  dropped.push(...event.dataTransfer.files);
  update();
});
document.getElementById('version').textContent = ROOMTALLY_VERSION;
update();
