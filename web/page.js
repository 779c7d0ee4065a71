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
const extraNote = document.getElementById('extra-note');
const output = {
  section: document.getElementById('output'),
  command: document.getElementById('command'),
  report: document.getElementById('report'),
  errors: document.getElementById('errors'),
  note: document.getElementById('note'),
  bar: document.getElementById('bar'),
  segment: document.getElementById('segment'),
};
// Each drop's names, in the order of the drops, filled in as its walk
// ends; Clear aborts every walk still going, which then adds nothing.
let drops = [];
let dropping = new AbortController();
let worker = null;
let latest = 0;
let working = 0;

// Quotes an argument for a POSIX shell (bash, dash and zsh alike) when it
// needs it: zsh expands a word that begins with '=', and with
// magic_equal_subst set, the text after any '='.
function quote(arg) {
  return /^[\w@%+:,./-]+$/u.test(arg) ? arg : `'${arg.replaceAll("'", "'\\''")}'`;
}

// Returns the command line that gives the report for args in a POSIX
// shell, whatever BASELISTFILE the shell has: without the option, the
// page reads no list, so the line reads none either.
function commandLine(args) {
  const option = args.length > 1 && args[0] === '-base';
  return [...(option ? [] : ['env', '-u', 'BASELISTFILE']), 'roomtally', ...args]
    .map(quote).join(' ');
}

// Returns the name of a file from the file system as an argument that the
// program takes for a file wherever it stands: a name that the command line
// would read as the help, the count or the option gets ./ before it, which
// changes neither its base name nor its cost.
function asFile(name) {
  return /^[?+]/u.test(name) || name === '-base' ? `./${name}` : name;
}

// Returns the count argument that More files gives, with why it gives none
// for what is not a whole number from 0.
function countFromForm() {
  const text = extra.value.trim();
  if (!extra.validity.badInput && /^\d*$/u.test(text)) {
    return { count: text === '' ? [] : [`+${text}`], why: '' };
  }
  return { count: [], why: 'More files takes a whole number from 0, such as 3.' };
}

// Returns how many of args the program takes as files: not the help's,
// the option's or the count's.
function filesAmong(args) {
  if (args[0]?.startsWith('?')) return 0;
  const first = args.length > 1 && args[0] === '-base' ? 2 : 0;
  const last = args.at(-1)?.startsWith('+') ? 1 : 0;
  return Math.max(args.length - first - last, 0);
}

// Returns the arguments that the form gives, in the program's order, how
// many files were given, and what the page has to say of them.  Typed lines
// mean what they mean on the command line, but a picked, dropped or
// foldered file is a file wherever it stands; past the first 41 files no
// picked name can count, so none is passed.
function argsFromForm() {
  const typed = paths.value.split('\n').filter((line) => line !== '');
  const picked = base.files[0];
  const lists = [picker.files, folder.files, ...drops];
  const names = [];
  for (const list of lists) {
    // Picked files are File objects, dropped ones their names.
    for (let i = 0; i < list.length && names.length < MAX_FILES; i++) {
      names.push(asFile(list[i].name ?? list[i]));
    }
  }
  const unpassed = lists.reduce((n, list) => n + list.length, 0) - names.length;
  const { count, why } = countFromForm();
  const notes = [];
  // A typed -base with no path typed after it names no list; what the page
  // adds after it must not become one, so it is a file named -base, as a
  // lone -base is on the command line.
  if (!picked && typed.length === 1 && typed[0] === '-base') {
    if (names.length + count.length > 0) typed[0] = './-base';
    notes.push('A -base with no path typed after it is a file named -base: ' +
      'to name a base list, type its path on the next line, or pick it ' +
      'under Base list.');
  }
  const args = [...(picked ? ['-base', asFile(picked.name)] : []), ...typed,
    ...names, ...count];
  // Behind the help, nothing counts; otherwise every name not passed would
  // have been a file.
  const files = filesAmong(args);
  const given = files > 0 ? files + unpassed : 0;
  if (given > MAX_FILES) {
    notes.push(`${given} files were given: only the first ${MAX_FILES} ` +
      'count, as on the command line.');
  }
  return { args, note: notes.join(' '), why };
}

// Shows what a run wrote, for the arguments it was given and the note.
function show(args, note, { stdout, stderr }) {
  clearTimeout(working);
  output.section.classList.remove('stale');
  output.section.removeAttribute('aria-busy');
  output.command.textContent = commandLine(args);
  output.note.textContent = note;
  output.report.textContent = stdout;
  output.errors.textContent = stderr;
  showBudget(stdout, output.bar, output.segment);
}

// Shows that the page itself failed, in place of any earlier report, and
// ends any run still going, whose report would take its place.
function fail(what, error) {
  latest++;
  if (worker) worker.terminate();
  worker = null;
  show([], '', { stdout: '', stderr: `${what}: ${error?.message ?? error}\n` });
  output.command.textContent = '';
}

// Runs the program on the form's arguments in a worker of its own, after
// stopping any run that an earlier change started.
async function update(module, workerUrl, workersRead) {
  const ticket = ++latest;
  const { args, note, why } = argsFromForm();
  const picked = base.files[0];
  extraNote.textContent = why;
  if (why) extra.setAttribute('aria-invalid', 'true');
  else extra.removeAttribute('aria-invalid');
  // The last report stands dimmed while a run is short; a longer one, such
  // as a huge base list's, replaces it, so that nothing shown is stale.
  clearTimeout(working);
  output.section.classList.add('stale');
  output.section.setAttribute('aria-busy', 'true');
  working = setTimeout(() => {
    show(args, note, { stdout: '', stderr: '' });
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
    show(args, note, { stdout: data.stdout, stderr: data.stderr + unread });
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
    drops = [];
    dropping.abort();
    dropping = new AbortController();
    setTimeout(run);
  });
  takeDrops((walking) => {
    const names = [];
    const { signal } = dropping;
    drops.push(names);
    walking.then((walked) => {
      if (signal.aborted) return;
      for (const name of walked) names.push(name);
      run();
    }, (e) => {
      if (!signal.aborted) fail('The dropped files could not be read', e);
    });
  }, () => dropping.signal);
  run();
}

document.getElementById('version').textContent = ROOMTALLY_VERSION;
start().catch((e) => fail('The page could not start', e));
