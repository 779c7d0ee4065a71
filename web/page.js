// SPDX-License-Identifier: ISC
// Runs roomtally, built for WebAssembly, on what the form says, at every
// change: the typed paths, the names of the picked, dropped and foldered
// files, the base list and the count of more files become its arguments,
// and its standard output and standard error are shown as it wrote them,
// with a picture of the budget drawn from its report.  The program runs in
// a worker, and a change stops a run still going: what is shown is always
// the latest input's.
import program from 'roomtally.wasm';
import workersource from 'worker.js';
import { drawbudget, readreport } from './budget.js';

const MAX_FILES = 41;
const form = document.getElementById('form');
const paths = document.getElementById('paths');
const picker = document.getElementById('files');
const folder = document.getElementById('folder');
const base = document.getElementById('base');
const extra = document.getElementById('extra');
const output = {
  section: document.getElementById('output'),
  command: document.getElementById('command'),
  report: document.getElementById('report'),
  errors: document.getElementById('errors'),
  note: document.getElementById('note'),
  bar: document.getElementById('bar'),
  segment: document.getElementById('segment'),
};
const module = await WebAssembly.compile(program);
const workerurl = URL.createObjectURL(
  new Blob([workersource], { type: 'text/javascript' }));
// WebKit's workers read no blob that the page hands them, so there the page
// reads the base list itself and hands over its bytes.
const workersread = await new Promise((done) => {
  const probe = new Worker(workerurl);
  probe.onmessage = ({ data }) => {
    probe.terminate();
    done(data);
  };
  probe.onerror = () => done(false);
  probe.postMessage({ probe: new Blob(['x']) });
});
let dropped = [];
let worker = null;
let latest = 0;
let working = 0;

// Quotes an argument for a POSIX shell when it needs it.
function quote(arg) {
  return /^[\w@%+=:,./-]+$/u.test(arg) ? arg : `'${arg.replaceAll("'", "'\\''")}'`;
}

// Returns the file arguments that the form gives, in the program's order.
function filesfromform() {
  return [...paths.value.split('\n').filter((line) => line !== ''),
    ...[...picker.files, ...folder.files].map((f) => f.name), ...dropped];
}

// Shows the budget bar for a report, and says which segment is pointed at
// or, with the arrow keys, focused.
function showbudget(stdout) {
  const figures = readreport(stdout);
  output.segment.textContent = '';
  if (!figures) {
    output.bar.replaceChildren();
    return;
  }
  const svg = drawbudget(figures);
  let chosen = -1;
  const say = (i) => {
    svg.segments.forEach(({ rect }, j) => rect.classList.toggle('chosen', i === j));
    const { share } = svg.segments[i];
    chosen = i;
    output.segment.textContent = `${share.name}: ${share.bytes} bytes, ` +
      `${share.after} left after it`;
  };
  svg.segments.forEach(({ rect }, i) => rect.addEventListener('pointerenter', () => say(i)));
  svg.addEventListener('focus', () => say(Math.max(chosen, 0)));
  svg.addEventListener('keydown', (event) => {
    const step = { ArrowRight: 1, ArrowDown: 1, ArrowLeft: -1, ArrowUp: -1 }[event.key];
    if (!step) return;
    event.preventDefault();
    say((chosen + step + svg.segments.length) % svg.segments.length);
  });
  output.bar.replaceChildren(svg);
}

// Shows what a run wrote, for the arguments it was given.
function show(args, files, { stdout, stderr }) {
  clearTimeout(working);
  output.section.classList.remove('stale');
  output.section.removeAttribute('aria-busy');
  output.command.textContent = ['roomtally', ...args].map(quote).join(' ');
  output.note.textContent = files > MAX_FILES ? `${files} files were given: ` +
    `only the first ${MAX_FILES} count, as on the command line.` : '';
  output.report.textContent = stdout;
  output.errors.textContent = stderr;
  showbudget(stdout);
}

// Returns the base list for the worker: its name with the picked file, or
// with its bytes where workers cannot read the file, or alone when the
// browser cannot read it.
async function baselist(file) {
  if (workersread) return { name: file.name, blob: file };
  try {
    const bytes = new Uint8Array(await file.arrayBuffer());
    // WebKit gives no bytes of a file of gigabytes, without a word.
    if (bytes.length === file.size) return { name: file.name, bytes };
  } catch {
    // The browser cannot read it: the program's reads will fail.
  }
  return { name: file.name };
}

// Runs the program on the form's arguments in a worker of its own, after
// stopping any run that an earlier change started.
async function update() {
  const ticket = ++latest;
  const files = filesfromform();
  const picked = base.files[0];
  const args = [...(picked ? ['-base', picked.name] : []), ...files,
    ...(extra.value !== '' ? [`+${extra.value}`] : [])];
  // The last report stands dimmed while a run is short; a longer one, such
  // as a huge base list's, replaces it, so that nothing shown is stale.
  clearTimeout(working);
  output.section.classList.add('stale');
  output.section.setAttribute('aria-busy', 'true');
  working = setTimeout(() => {
    show(args, files.length, { stdout: '', stderr: '' });
    output.report.textContent = picked ? `Reading ${picked.name}…` : 'Working…';
    output.section.setAttribute('aria-busy', 'true');
  }, 300);
  const list = picked ? await baselist(picked) : null;
  if (ticket !== latest) return;
  if (worker) worker.terminate();
  worker = new Worker(workerurl);
  worker.onmessage = ({ data }) => {
    if (ticket !== latest) return;
    worker.terminate();
    worker = null;
    show(args, files.length, data);
  };
  worker.onerror = (event) => {
    event.preventDefault();
    if (ticket === latest) show(args, files.length, { stdout: '',
      stderr: `The program could not run: ${event.message || 'the browser stopped it'}\n` });
  };
  worker.postMessage({ module, args, list }, list?.bytes ? [list.bytes.buffer] : []);
}

// Returns the names of the files in a dropped folder and its subfolders.
async function namesinfolder(entry) {
  const reader = entry.createReader();
  const names = [];
  for (;;) {
    const batch = await new Promise((done, fail) => reader.readEntries(done, fail));
    if (batch.length === 0) return names;
    for (const child of batch) {
      names.push(...(child.isDirectory ? await namesinfolder(child) : [child.name]));
    }
  }
}

// Returns the names of the dropped files, and of every file in a dropped
// folder.  The items must be taken while the drop event lasts.
async function namesdropped(transfer) {
  const entries = [...transfer.items].filter((item) => item.kind === 'file')
    .map((item) => [item.webkitGetAsEntry?.(), item.getAsFile()]);
  const names = [];
  for (const [entry, file] of entries) {
    if (entry?.isDirectory) names.push(...await namesinfolder(entry));
    else if (file) names.push(file.name);
  }
  return names;
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
document.addEventListener('dragleave', (event) => {
  if (!event.relatedTarget) document.body.classList.remove('dragging');
});
document.addEventListener('drop', async (event) => {
  event.preventDefault();
  document.body.classList.remove('dragging');
  const names = await namesdropped(event.dataTransfer);
  dropped.push(...names);
  update();
});
document.getElementById('version').textContent = ROOMTALLY_VERSION;
update();
