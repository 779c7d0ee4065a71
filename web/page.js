// SPDX-License-Identifier: ISC
// Runs roomtally, built for WebAssembly, on what the form says, at every
// change: the typed paths, the names of the picked, dropped and foldered
// files, the base list and the count of more files become its arguments,
// and its standard output and standard error are shown as it wrote them,
// with a picture of the budget drawn from its report.  Names go to it in
// the bytes of the system that they are counted as, and what it writes is
// read back from them.  The program runs in a worker, and a change stops a
// run still going: what is shown is always the latest input's.  The page's
// own words are in the user's language, and what the program wrote is
// marked as the English that it is.
import program from 'roomtally.wasm';
import workerSource from 'worker.js';
import { formArgs } from './arguments.js';
import { baseList, workersReadBlobs } from './baselist.js';
import { showBudget } from './budget.js';
import { commandFor, decoderOf, keepSystem, runIn, startingSystem, SYSTEMS }
  from './codepage.js';
import { takeDrops } from './drop.js';
import { say, sayIn, startLanguages } from './words.js';

const [form, paths, picker, folder, base, extra, extraNote, countas, language] = ['form',
  'paths', 'files', 'folder', 'base', 'extra', 'extra-note', 'countas', 'language']
  .map((id) => document.getElementById(id));
// The parts of the output, each by the id of its element.
const output = Object.fromEntries(Object.entries({ section: 'output', command: 'command',
  commandHeading: 'command-heading', report: 'report', errors: 'errors', note: 'note',
  bar: 'bar', segment: 'segment' }).map(([part, id]) => [part, document.getElementById(id)]));
// Each drop's names, in the order of the drops, filled in as its walk
// ends; Clear aborts every walk still going, which then adds nothing.
let drops = [];
let dropping = new AbortController();
let worker = null;
let latest = 0;
let working = 0;

// Returns the arguments that the form gives, and what the page says of them.
function argsFromForm() {
  return formArgs({ paths: paths.value, picked: base.files[0]?.name,
    lists: [picker.files, folder.files, ...drops], extra: extra.value,
    badExtra: extra.validity.badInput, system: countas.value });
}

// Sets the text of element, marked as English when it is the program's,
// or else as the page's, in the page's language.
function write(element, text, programs) {
  if (programs) element.lang = 'en';
  else element.removeAttribute('lang');
  element.textContent = text;
}

// Shows what a run wrote, for the arguments it was given in the system
// chosen and the notes: the bytes that the program wrote, read in that
// system, then what the page adds, and the command line of that system.
function show(args, notes, { system, stdout, stderr, more = '' }) {
  const decoder = decoderOf(system);
  const command = commandFor(system, args);
  const programs = document.createElement('span');
  clearTimeout(working);
  output.section.classList.remove('stale');
  output.section.removeAttribute('aria-busy');
  sayIn(output.commandHeading, [command.heading]);
  write(output.command, command.unsafe === undefined ? command.line
    : say('command.unsafe', { name: JSON.stringify(command.unsafe) }),
  command.unsafe === undefined);
  sayIn(output.note, ...notes);
  write(output.report, decoder.decode(stdout), true);
  write(programs, decoder.decode(stderr), true);
  output.errors.replaceChildren(...programs.textContent ? [programs] : [], more);
  showBudget(stdout, decoder, output.bar, output.segment);
}

// Shows that the page itself failed, the message what and the error, in
// place of any earlier report, and ends any run still going, whose report
// would take its place.
function fail(what, error) {
  latest++;
  if (worker) worker.terminate();
  worker = null;
  const none = new Uint8Array(0);
  show([], [], { system: countas.value || 'utf-8', stdout: none, stderr: none,
    more: `${say('fail', { what: say(what), why: error?.message ?? error })}\n` });
  output.command.textContent = '';
}

// Runs the program on the form's arguments in a worker of its own, after
// stopping any run that an earlier change started.
async function update(module, workerUrl, workersRead) {
  const ticket = ++latest;
  const { args, notes, why } = argsFromForm();
  const picked = base.files[0];
  const system = countas.value;
  const none = new Uint8Array(0);
  sayIn(extraNote, ...why ? [[why]] : []);
  if (why) extra.setAttribute('aria-invalid', 'true');
  else extra.removeAttribute('aria-invalid');
  // The last report stands dimmed while a run is short; a longer one, such
  // as a huge base list's, replaces it, so that nothing shown is stale.
  clearTimeout(working);
  output.section.classList.add('stale');
  output.section.setAttribute('aria-busy', 'true');
  working = setTimeout(() => {
    show(args, notes, { system, stdout: none, stderr: none });
    write(output.report, picked ? say('reading', { name: picked.name }) : say('working'));
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
    const stopped = data.stopped === null ? '' : `${say('stopped', { why: data.stopped })}\n`;
    const unread = data.unread ? `${say('unread', { name: list.name })}\n` : '';
    show(args, notes, { system, stdout: data.stdout, stderr: data.stderr,
      more: stopped + unread });
  };
  worker.onerror = (event) => {
    event.preventDefault();
    if (ticket === latest) fail('fail.run', event.message || say('fail.stopped'));
  };
  worker.postMessage({ module, ...runIn(system, args, list) });
}

// Fills the choice of what names are counted as, and keeps what is chosen:
// the option chosen is the default, to which Clear sets the form back.
function startChoice() {
  const start = startingSystem();
  const windows = document.createElement('optgroup');
  windows.label = 'Windows';
  for (const value of SYSTEMS) {
    const option = new Option('', value, value === start, value === start);
    option.dataset.message = `system.${value}`;
    (value === 'utf-8' ? countas : windows).append(option);
  }
  countas.append(windows);
  countas.addEventListener('change', () => {
    for (const option of countas.options) option.defaultSelected = option.selected;
    keepSystem(countas.value);
  });
}

// Compiles the program and starts the form, which runs it again when the
// language changes; says why if it cannot.
async function start() {
  let rerun = () => {};
  startChoice();
  startLanguages(language, { version: ROOMTALLY_VERSION }, () => rerun());
  const module = await WebAssembly.compile(program);
  const workerUrl = URL.createObjectURL(
    new Blob([workerSource], { type: 'text/javascript' }));
  const workersRead = await workersReadBlobs(workerUrl);
  const run = () => update(module, workerUrl, workersRead)
    .catch((e) => fail('fail.page', e));
  rerun = run;
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
      if (!signal.aborted) fail('fail.drop', e);
    });
  }, () => dropping.signal);
  run();
}

start().catch((e) => fail('fail.start', e));
