// SPDX-License-Identifier: ISC
// The arguments that the page's form gives the program, as the command line
// would give them: typed paths mean what they mean there, and the names of
// picked, dropped and foldered files are files wherever they stand.  It
// knows the program's rule that a report takes the first 41 files.
import { encodeName } from './codepage.js';

const MAX_FILES = 41;

// Returns the name of a file from the file system as an argument that the
// program takes for a file wherever it stands: a name that the command line
// would read as the help, the count or the option gets ./ before it, which
// changes neither its base name nor its cost.
function asFile(name) {
  return /^[?+]/u.test(name) || name === '-base' ? `./${name}` : name;
}

// Returns the count argument that the text of More files gives, with the
// message of why it gives none for what is not a whole number from 0; bad
// is true when the browser could not read a number.
function countFrom(text, bad) {
  if (!bad && /^\d*$/u.test(text)) {
    return { count: text === '' ? [] : [`+${text}`], why: '' };
  }
  return { count: [], why: 'extra.why' };
}

// Returns how many of args the program takes as files: not the help's,
// the option's or the count's.
function filesAmong(args) {
  if (args[0]?.startsWith('?')) return 0;
  const first = args.length > 1 && args[0] === '-base' ? 2 : 0;
  const last = args.at(-1)?.startsWith('+') ? 1 : 0;
  return Math.max(args.length - first - last, 0);
}

// Returns the names in lists of picked, foldered and dropped files, each as
// a file, up to the first 41, and how many more there are.
function namesFrom(lists) {
  const names = [];
  for (const list of lists) {
    // Picked files are File objects, dropped ones their names.
    for (let i = 0; i < list.length && names.length < MAX_FILES; i++) {
      names.push(asFile(list[i].name ?? list[i]));
    }
  }
  return { names, unpassed: lists.reduce((n, list) => n + list.length, 0) - names.length };
}

// Makes a typed lone -base a file named -base when the page adds anything
// after it, which must not become a list, as a lone -base is on the command
// line; returns the notes that the page gives on it, none or one.
function loneBase(typed, picked, adding) {
  if (picked !== undefined || typed.length !== 1 || typed[0] !== '-base') return [];
  if (adding) typed[0] = './-base';
  return [['note.lonebase']];
}

// Returns the arguments that a form gives, in the program's order, the
// notes that the page gives on them, each a message and its values, and
// the message of why More files counts none, or '': from its typed paths,
// the name of the base list picked or undefined, its lists of files, the
// text of More files, with whether the browser could read it as a number,
// and the system that names are counted in.  Typed lines mean what they
// mean on the command line, but a picked, dropped or foldered file is a
// file wherever it stands; past the first 41 files no picked name can
// count, so none is passed, and a note says how many files were given.
export function formArgs({ paths, picked, lists, extra, badExtra, system }) {
  const typed = paths.split('\n').filter((line) => line !== '');
  const { names, unpassed } = namesFrom(lists);
  const { count, why } = countFrom(extra.trim(), badExtra);
  const notes = loneBase(typed, picked, names.length + count.length > 0);
  const args = [...(picked !== undefined ? ['-base', asFile(picked)] : []), ...typed,
    ...names, ...count];
  // Windows shows the help for a '?' typed, never for the '?' that a code
  // page spells for a character it lacks; the program here sees bytes.
  if (args[0] && !args[0].startsWith('?') && encodeName(system, args[0])[0] === 0x3f) {
    args[0] = `./${args[0]}`;
  }
  // Behind the help, nothing counts; otherwise every name not passed would
  // have been a file.
  const files = filesAmong(args);
  const given = files > 0 ? files + unpassed : 0;
  if (given > MAX_FILES) {
    notes.push(['note.many', { count: given, most: MAX_FILES }]);
  }
  return { args, notes, why };
}
