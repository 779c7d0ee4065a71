// SPDX-License-Identifier: ISC
// Runs roomtally, built for WebAssembly, on what the form says, at every
// change: the typed paths, the names of the picked, dropped and foldered
// files, the base list and the count of more files become its arguments,
// and its standard output and standard error are shown as it wrote them,
// with a picture of the budget drawn from its report.  The program runs in
// a worker, and a change stops a run still going: what is shown is always
// the latest input's.
import program from 'roomtally.wasm';
import workerSource from 'worker.js';
import { baseList, workersReadBlobs } from './baselist.js';
import { showBudget } from './budget.js';
import { takeDrops } from './drop.js';

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
let dropped = [];
let worker = null;
let latest = 0;
let working = 0;

// Quotes an argument for a POSIX shell when it needs it.
function quote(arg) {
  return /^[\w@%+=:,./-]+$/u.test(arg) ? arg : `'${arg.replaceAll("'", "'\\''")}'`;
}

// Returns the name of a file from the file system as an argument that the
// program takes for a file wherever it stands: a name that the command line
// would read as the help, the count or the option gets ./ before it, which
// changes neither its base name nor its cost.
function asFile(name) {
  return /^[?+]/u.test(name) || name === '-base' ? `./${name}` : name;
}

// Returns the file arguments that the form gives, in the program's order,
// and how many files were given.  Typed lines mean what they mean on the
// command line; past the first 41 files no picked name can count.
function filesFromForm() {
  const typed = paths.value.split('\n').filter((line) => line !== '');
  const lists = [picker.files, folder.files, dropped];
  const given = lists.reduce((n, list) => n + list.length, typed.length);
  const names = [];
  for (const list of lists) {
    // Picked files are File objects, dropped ones their names.
    for (let i = 0; i < list.length && names.length < MAX_FILES; i++) {
      names.push(asFile(list[i].name ?? list[i]));
    }
  }
  return { files: typed.concat(names), given };
}

// Shows what a run wrote, for the arguments it was given.
function show(args, given, { stdout, stderr }) {
  clearTimeout(working);
  output.section.classList.remove('stale');
  output.section.removeAttribute('aria-busy');
  output.command.textContent = ['roomtally', ...args].map(quote).join(' ');
  output.note.textContent = given > MAX_FILES ? `${given} files were given: ` +
    `only the first ${MAX_FILES} count, as on the command line.` : '';
  output.report.textContent = stdout;
  output.errors.textContent = stderr;
  showBudget(stdout, output.bar, output.segment);
}

// Shows that the page itself failed, in place of any earlier report.
function fail(what, error) {
  show([], 0, { stdout: '', stderr: `${what}: ${error?.message ?? error}\n` });
  output.command.textContent = '';
}

// Runs the program on the form's arguments in a worker of its own, after
// stopping any run that an earlier change started.
async function update(module, workerUrl, workersRead) {
  const ticket = ++latest;
  const { files, given } = filesFromForm();
  const picked = base.files[0];
  const args = [...(picked ? ['-base', asFile(picked.name)] : []), ...files,
    ...(extra.value !== '' ? [`+${extra.value}`] : [])];
  // The last report stands dimmed while a run is short; a longer one, such
  // as a huge base list's, replaces it, so that nothing shown is stale.
  clearTimeout(working);
  output.section.classList.add('stale');
  output.section.setAttribute('aria-busy', 'true');
  working = setTimeout(() => {
    show(args, given, { stdout: '', stderr: '' });
    output.report.textContent = picked ? `Reading ${picked.name}…` : 'Working…';
    output.section.setAttribute('aria-busy', 'true');
  }, 300);
  const list = await baseList(picked, workersRead);
  if (ticket !== latest) return;
  if (worker) worker.terminate();
  worker = new Worker(workerUrl);
  worker.onmessage = ({ data }) => {
    if (ticket !== latest) return;
    worker.terminate();
    worker = null;
    const unread = data.unread ? `The browser could not read ${list.name}.\n` : '';
    show(args, given, { stdout: data.stdout, stderr: data.stderr + unread });
  };
  worker.onerror = (event) => {
    event.preventDefault();
    if (ticket === latest) fail('The program could not run', event.message || 'the browser stopped it');
  };
  worker.postMessage({ module, args, list });
}

// Compiles the program and starts the form; says why if it cannot.
async function start() {
  const module = await WebAssembly.compile(program);
  const workerUrl = URL.createObjectURL(
    new Blob([workerSource], { type: 'text/javascript' }));
  const workersRead = await workersReadBlobs(workerUrl);
  const run = () => update(module, workerUrl, workersRead)
    .catch((e) => fail('The page could not run the program', e));
  form.addEventListener('input', run);
  form.addEventListener('reset', () => {
    dropped = [];
    setTimeout(run);
  });
  takeDrops((names) => {
    dropped = dropped.concat(names);
    run();
  }, (e) => fail('The dropped files could not be read', e));
  run();
}

document.getElementById('version').textContent = ROOMTALLY_VERSION;
start().catch((e) => fail('The page could not start', e));
