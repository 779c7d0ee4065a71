// SPDX-License-Identifier: ISC
// Drives the one-file page, opened from disk, through one table of steps in
// Chromium, Firefox and WebKit, and checks that it shows, byte for byte,
// what the program prints on the command line for the same arguments:
// typed paths, picked and dropped files (named like the command line's
// syntax too), a picked folder, a dropped folder of 200,000 files, a base
// list, read once, and one the browser cannot read, +N, the 41-file note,
// the help text and non-ASCII names, a typed lone -base, what More files
// will not take, names that shells would read and names holding line ends,
// two drops and a pick while a folder is read, a Clear that stops its
// reading, text dragged into Paths, and names and a base list counted in
// Windows code pages, whose choice starts on the user's system (a Windows
// browser in Japanese, where the driver can say so) and is kept, and the
// page in each of its languages, started from the browser's languages or
// chosen, with no English words of its own and the program's report.  With a
// native reference, the UTF-8 command line that the page shows must give
// its report in bash, dash and zsh, each with a BASELISTFILE of its own; a
// missing shell fails, and without one the summary says what did not run.  It
// checks the budget bar's words and segments, and in each language the
// layout at 1280x800 and at 390x844, and WCAG A and AA with axe-core in
// light and dark; it fails on any request beyond the page, any script error
// and anything in the console, and saves screenshots per engine, of the
// German and Japanese pages among them.
//   xvfb-run -a node browser.mjs PAGE.html PROGRAM.wasm NODE_MODULES SHOTS
// SHOTS is a path prefix: SHOTS-ENGINE.png, SHOTS-ENGINE-de.png and
// SHOTS-ENGINE-ja.png, each of these two with a -phone-dark.png too.
// The browsers are CHROMIUM, FIREFOX and WEBKIT_DRIVER (WebKit's
// WebDriver, which starts MINIBROWSER) from the environment; ENGINES may
// name fewer.  The reference is the
// program named by ROOMTALLY_REFERENCE (a native build), or else the same
// .wasm under node's WASI, which is also the reference for names counted in
// a code page: the cases' runner spells them in its bytes.
import { execFileSync, spawn } from 'node:child_process';
import { mkdirSync, mkdtempSync, openSync, readFileSync, rmSync, symlinkSync,
  writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';
import { WASI } from 'node:wasi';
import { decoderOf, defaultSystem, SYSTEMS } from '../../web/codepage.js';
import { MARKS, readMessages } from '../../web/messages.mjs';
import { passBytes } from '../../web/wasiargs.js';

const [page, wasm, modules, shots] = process.argv.slice(2).map((a) => resolve(a));
const require = createRequire(resolve(modules, 'x.js'));
const puppeteer = require('puppeteer-core');
const axe = readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8');
const wasmModule = await WebAssembly.compile(readFileSync(wasm));
const work = mkdtempSync(join(tmpdir(), 'roomtally-page-'));
// The shells whose command line must give the page's report, which find the
// reference program as roomtally; zsh expands after any '=' with
// magic_equal_subst.
const shells = [['bash'], ['dash'], ['zsh', '-o', 'magic_equal_subst']];
if (process.env.ROOMTALLY_REFERENCE) {
  mkdirSync(join(work, 'bin'));
  symlinkSync(process.env.ROOMTALLY_REFERENCE, join(work, 'bin', 'roomtally'));
}
const url = pathToFileURL(page).href;
const words = await readMessages(fileURLToPath(new URL('../../web/messages', import.meta.url)));

// Returns texts in the bytes of a system as the cases' runner spells them,
// with Python's codecs, a '?' for each UTF-16 unit of a character that the
// code page lacks.
function encoded(system, texts) {
  const codec = { 'utf-8': 'utf-8', 936: 'gbk' }[system] ?? `cp${system}`;
  return JSON.parse(execFileSync('python3', ['-c', 'import json, sys; ' +
    'sys.path.insert(0, sys.argv[1]); from run_cases import spelled; print(json.dumps(' +
    '[list(spelled(t.encode(), sys.argv[2])) for t in json.loads(sys.argv[3])]))',
  resolve(new URL('..', import.meta.url).pathname), codec, JSON.stringify(texts)],
  { encoding: 'utf8' })).map((a) => Uint8Array.from(a));
}

// Runs the reference program on args, or on a command line in a shell, in
// a directory that holds list, or a directory of its name when
// list.unreadable; names are counted in system.
async function reference(args, list, command, shell, system = 'utf-8') {
  const listpath = list && join(work, list.name);
  if (list?.unreadable) mkdirSync(listpath);
  else if (list) writeFileSync(listpath, list.bytes);
  const out = join(work, 'out');
  const err = join(work, 'err');
  rmSync(out, { force: true });
  rmSync(err, { force: true });
  // The shell has a BASELISTFILE of its own, which the line must not read;
  // a shell that is missing or fails fails the step.
  if (command !== undefined) {
    execFileSync(shell[0], [...shell.slice(1), '-c', 'eval "$1" >out 2>err',
      shell[0], command], { cwd: work, stdio: 'ignore', env: {
      PATH: `${join(work, 'bin')}:${process.env.PATH}`, BASELISTFILE: 'exported.txt' } });
  } else if (process.env.ROOMTALLY_REFERENCE && system === 'utf-8') {
    execFileSync('bash', ['-c', 'exec -a roomtally "$0" "$@" >out 2>err',
      process.env.ROOMTALLY_REFERENCE, ...args], { cwd: work, stdio: 'ignore',
      env: { PATH: process.env.PATH } });
  } else {
    const wasi = new WASI({ version: 'preview1', args: [],
      env: system === 'utf-8' ? {} : { ROOMTALLY_CODEPAGE: system },
      preopens: { '/': work }, returnOnExit: true,
      stdout: openSync(out, 'w'), stderr: openSync(err, 'w') });
    let instance;
    passBytes(wasi.wasiImport, encoded(system, ['roomtally', ...args]),
      () => instance.exports.memory);
    instance = await WebAssembly.instantiate(wasmModule,
      { wasi_snapshot_preview1: wasi.wasiImport });
    wasi.start(instance);
  }
  if (list) rmSync(listpath, { recursive: true });
  const decoder = decoderOf(system);
  return { stdout: decoder.decode(readFileSync(out)), stderr: decoder.decode(readFileSync(err)) };
}

// Writes a file to pick from disk, and returns its path.  WebKit's workers
// read no file, picked or made in the page, so there the page reads it.
function ondisk(list) {
  mkdirSync(join(work, 'picked'), { recursive: true });
  writeFileSync(join(work, 'picked', list.name), list.bytes);
  return join(work, 'picked', list.name);
}

// What runs in the page: each function is sent as its source text.
const inpage = {
  // Sets a field as typing would.
  type: (selector, value) => {
    const field = document.querySelector(selector);
    field.value = value;
    field.dispatchEvent(new Event('input', { bubbles: true }));
  },
  // Sets the files of a picker as picking them would (a folder's picker
  // gives every file in it), or with no picker drops them on the page.
  pick: (selector, files) => {
    const transfer = new DataTransfer();
    for (const [name, text] of files) transfer.items.add(new File([text], name));
    const event = new Event(selector ? 'input' : 'drop', { bubbles: true });
    Object.defineProperty(event, 'dataTransfer', { value: transfer });
    if (selector) document.querySelector(selector).files = transfer.files;
    (selector ? document.querySelector(selector) : document.body).dispatchEvent(event);
  },
  // Drops a folder as the browser gives it: ten files, then a subfolder of
  // count - 10 files, in batches of 100, each after ms milliseconds, or at
  // once.  window.walked tells when it has all been read, window.asked and
  // window.given how many batches were asked for and given.
  dropfolder: (count, ms) => {
    Object.assign(window, { walked: false, asked: 0, given: 0 });
    const folder = (entries, top) => ({ isDirectory: true, createReader: () => {
      let at = 0;
      return { readEntries: (done) => {
        const batch = entries.slice(at, at += 100);
        window.asked++;
        const give = () => {
          if (top && batch.length === 0) window.walked = true;
          window.given++;
          done(batch);
        };
        if (ms) setTimeout(give, ms);
        else queueMicrotask(give);
      } };
    } });
    const files = (prefix, n) => Array.from({ length: n },
      (_, i) => ({ isDirectory: false, name: `${prefix}${i}.dat` }));
    const top = folder([...files('r', 10), folder(files('s', count - 10))], true);
    const event = new Event('drop', { bubbles: true });
    Object.defineProperty(event, 'dataTransfer', { value: { items: [{ kind: 'file',
      webkitGetAsEntry: () => top, getAsFile: () => null }] } });
    document.body.dispatchEvent(event);
  },
  // Drags text onto a field and drops it there, and tells whether the page
  // left both to the field, as a real drag's text lands in it.
  dragtext: (selector, text) => {
    const transfer = new DataTransfer();
    transfer.setData('text/plain', text);
    return ['dragover', 'drop'].every((kind) => {
      const event = new Event(kind, { bubbles: true, cancelable: true });
      Object.defineProperty(event, 'dataTransfer', { value: transfer });
      document.querySelector(selector).dispatchEvent(event);
      return !event.defaultPrevented;
    });
  },
  // Clears the form while a dropped folder is read, waits until the batch
  // asked for before then is given and a task more has run, in which a
  // walk that goes on asks for the next, and returns how many were asked
  // for after Clear.
  clearwalk: () => new Promise((done) => {
    document.getElementById('clear').click();
    const asked = window.asked;
    const check = () => setTimeout(window.given < asked ? check
      : () => setTimeout(() => done(window.asked - asked)), 20);
    check();
  }),
  // Waits until the last dropped folder has been read to its end, and the
  // page has taken what it read.
  walked: () => new Promise((done) => {
    const check = () => setTimeout(window.walked ? done : check, window.walked ? 0 : 20);
    check();
  }),
  // Chooses an option of a choice, as the user would.
  choose: (selector, value) => {
    const field = document.querySelector(selector);
    field.value = value;
    for (const kind of ['input', 'change']) field.dispatchEvent(new Event(kind, { bubbles: true }));
  },
  // Counts the reads of a file that the page makes itself.
  countreads: () => {
    const read = Blob.prototype.arrayBuffer;
    window.reads = 0;
    Blob.prototype.arrayBuffer = function counted() {
      window.reads++;
      return read.call(this);
    };
  },
  // Returns what the page shows, and whether a run is still going.
  shown: () => {
    const text = (id) => document.getElementById(id).textContent;
    const bar = document.getElementById('budget');
    return { stdout: text('report'), stderr: text('errors'), note: text('note'),
      command: text('command'), countas: document.getElementById('countas').value,
      bar: bar ? bar.getAttribute('aria-label') : null,
      extra: text('extra-note'), segments: Array.from(document
        .querySelectorAll('#budget rect[class^=file] title'), (t) => t.textContent),
      reads: window.reads ?? 0,
      busy: document.getElementById('output').hasAttribute('aria-busy') };
  },
  // Keeps what the page says in the console, its errors and any request.
  listen: () => {
    window.heard = [];
    for (const kind of ['log', 'info', 'warn', 'error', 'debug']) {
      const original = console[kind];
      console[kind] = (...args) => {
        window.heard.push(`console.${kind}: ${args.join(' ')}`);
        original.apply(console, args);
      };
    }
    for (const kind of ['error', 'unhandledrejection', 'securitypolicyviolation']) {
      window.addEventListener(kind, (e) => window.heard.push(
        `${kind}: ${e.message ?? e.reason ?? e.blockedURI}`));
    }
  },
  heard: () => [...window.heard, ...performance.getEntriesByType('resource')
    .map((r) => r.name).filter((name) => !name.startsWith('blob:'))
    .map((name) => `a request for ${name}`)],
  // Returns the page's language, and the text that it writes in it: all but
  // what is marked as in another, such as the program's output.
  own: () => {
    const copy = document.body.cloneNode(true);
    for (const other of copy.querySelectorAll('[lang], script')) other.remove();
    return { lang: document.documentElement.lang, text: copy.textContent +
      (document.getElementById('budget')?.getAttribute('aria-label') ?? '') };
  },
  // Tells whether the report is in view, and whether the page scrolls
  // sideways.
  layout: () => ({ reportinview: document.getElementById('report')
    .getBoundingClientRect().bottom <= window.innerHeight,
  sideways: document.documentElement.scrollWidth > window.innerWidth }),
  // Shows the page as in dark mode, whatever the browser's setting.
  dark: () => {
    for (const sheet of document.styleSheets) {
      for (const rule of sheet.cssRules) {
        if (rule.media?.mediaText.includes('dark')) rule.media.mediaText = 'all';
      }
    }
  },
  // Runs axe-core, set in the page as an inline script, which is all that
  // the page's policy lets in.
  axe: async (source) => {
    if (!window.axe) {
      const script = document.createElement('script');
      script.textContent = source;
      document.head.append(script);
    }
    const found = await window.axe.run(document,
      { runOnly: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa'] });
    return found.violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target).join(', ')}`);
  },
};

const readme = readFileSync(new URL('../readme.txt', import.meta.url), 'utf8');
const base = { name: 'base.txt', bytes: Buffer.from('one.dat\n\nbase/two.dat\n') };
const readmeargs = ['maps/ab.dat', 'x.bin', 'longer_name.bin'];
const many = Array.from({ length: 45 }, (_, i) => `file${i + 1}.dat`);
const long = `${'é'.repeat(40)}.txt`;
const clear = () => document.getElementById('clear').click();
const lonebase = 'A -base with no path typed after it is a file named -base: to ' +
  'name a base list, type its path on the next line, or pick it under Base list.';
const shellnames = ['=notes.txt', 'a==ls', 'a b.txt', "it's.txt", 'wow!.txt',
  '~home.txt', '#tag.txt', 'star*.txt', 'été.txt'];
const lineends = ['a\n500 . 99 bytes . ghost', 'b\u2028c.txt', 'd\re.txt'];
const folderfiles = (n) => [...Array.from({ length: 10 }, (_, i) => `r${i}.dat`),
  ...Array.from({ length: n - 10 }, (_, i) => `s${i}.dat`)];
// Picks files, or drops them with no picker, on a cleared form: their
// names are files wherever they stand.
const pickedalone = (selector, names, args) => async (s) => {
  await s.run(clear);
  await s.run(inpage.pick, selector, names.map((name) => [name, '']));
  return { args };
};
// Types names, and picks a base list, on a cleared form that counts names
// as system does.
const countedas = (system, typed, list) => async (s) => {
  await s.run(clear);
  await s.run(inpage.choose, '#countas', system);
  if (list) await s.upload('#base', ondisk(list));
  await s.run(inpage.type, '#paths', typed.join('\n'));
  return { args: [...(list ? ['-base', list.name] : []), ...typed], list, system };
};
// Picks a file, on a cleared form that counts names as system does, whose
// first character the code page lacks: roomtally.exe takes it for a file,
// though the code page spells it '?'.
const lacking = (system) => async (s) => {
  await s.run(clear);
  await s.run(inpage.choose, '#countas', system);
  await s.run(inpage.pick, '#files', [['🎵 1.txt', '']]);
  return { args: ['./🎵 1.txt'], system };
};
const names = ['été.txt', '日本語.txt', 'Übersicht.pdf'];
// The browser's languages that start the page in each of its languages.
const asking = { de: ['de-AT', 'en'], es: ['es-419'], fr: ['fr-CA'], ko: ['pt-BR', 'ko-KR'],
  'zh-CN': ['zh'], 'zh-TW': ['zh-Hant-HK'] };
// Returns the pieces of English's messages that a language says otherwise,
// those between placeholders and code: its page must not show them.
function english(language) {
  const texts = (message) => (typeof message === 'string' ? [message] : Object.values(message));
  return Object.entries(words.en).flatMap(([id, message]) => texts(message)
    .flatMap((text) => text.split(MARKS)).map((piece) => piece.trim())
    .filter((piece) => piece.length > 3 &&
      !texts(words[language][id]).some((text) => text.includes(piece))));
}
// Returns what is wrong with how the page looks: at 1280x800 the report is
// in view, at 390x844 the page does not scroll sideways, and axe finds no
// WCAG A or AA violation, light or dark.  Saves screenshots of de and ja.
async function looks(s, language) {
  const shot = (how) => ['de', 'ja'].includes(language) &&
    s.shot(`${shots}-${s.engine}-${language}${how}.png`);
  await s.size(1280, 800);
  const faults = (await s.run(inpage.layout)).reportinview ? [] : ['the report is out of view'];
  const found = await s.run(inpage.axe, axe);
  await shot('');
  await s.size(390, 844);
  if ((await s.run(inpage.layout)).sideways) faults.push('it scrolls sideways at 390 wide');
  await s.run(inpage.dark);
  found.push(...await s.run(inpage.axe, axe));
  await shot('-phone-dark');
  await s.size(1280, 800);
  return [...faults, ...found.map((v) => `axe: ${v}`)];
}
// Starts the page in a language, from the browser's languages where the
// driver can say them, then by the choice, reloads it, clears it and shows
// ten files and focuses the bar: the page is in that language, names the
// segment, shows no English words of its own and looks right; the report
// is the program's.
const inlanguage = (language) => async (s) => {
  await s.run(() => localStorage.removeItem('roomtally.language'));
  await s.loadas?.('Mozilla/5.0 (X11; Linux x86_64)', asking[language] ?? [language]);
  const started = (await s.run(inpage.own)).lang;
  await s.run(inpage.choose, '#language', language);
  await s.load();
  await s.run(clear);
  await s.run(inpage.type, '#paths', many.slice(0, 10).join('\n'));
  await s.run(inpage.type, '#extra', '2');
  await s.wait((got) => got.stdout.includes('This leaves'));
  const said = await s.run(() => {
    document.getElementById('budget').focus();
    return document.getElementById('segment').textContent;
  });
  const { lang, text } = await s.run(inpage.own);
  const faults = [...s.loadas && started !== language ? [`it started in ${started}`] : [],
    ...said ? [] : ['the focused bar names no segment'],
    ...lang === language ? [] : [`it is in ${lang} after a reload`],
    ...english(language).filter((p) => text.includes(p)).map((p) => `"${p}" is there`),
    ...await looks(s, language)];
  return { args: [...many.slice(0, 10), '+2'], check: faults.join(', ') };
};
const list932 = { name: 'list932.txt',
  bytes: encoded('932', ['dir\\表.txt\r\nソフト.txt\r\nC:\\予定\\能力.txt\r\n'])[0] };
// Each step sets the form and gives the arguments it stands for, the base
// list and, where the page shows more than the report, what it must say.
// The page's Content-Security-Policy: nothing from anywhere but the page,
// and images only from data: URLs, for its tab icon.
const policy = "default-src 'none'; script-src 'unsafe-inline' " +
  "'wasm-unsafe-eval'; worker-src blob:; style-src 'unsafe-inline'; img-src data:";

const steps = [
  ['nothing to calculate', async () => ({ args: [] })],
  ['the README example, typed', async (s) => {
    await s.run(inpage.type, '#paths', readmeargs.join('\n'));
    await s.run(inpage.type, '#extra', '2');
    return { args: [...readmeargs, '+2'],
      bar: 'Budget: the files take 92 bytes; 823 of 915 bytes are left.' };
  }],
  ['picked files after the typed paths', async (s) => {
    await s.run(inpage.pick, '#files', [['a1.bin', 'x'], ['second file.dat', '']]);
    return { args: [...readmeargs, 'a1.bin', 'second file.dat', '+2'] };
  }],
  ['a picked folder after the picked files', async (s) => {
    await s.run(inpage.pick, '#folder', [['map.dat', ''], ['sub level.txt', '']]);
    return { args: [...readmeargs, 'a1.bin', 'second file.dat', 'map.dat',
      'sub level.txt', '+2'] };
  }],
  ['a dropped file after the rest', async (s) => {
    await s.run(inpage.pick, null, [['dropped.bin', 'y']]);
    return { args: [...readmeargs, 'a1.bin', 'second file.dat', 'map.dat',
      'sub level.txt', 'dropped.bin', '+2'] };
  }],
  ['a base list', async (s) => {
    await s.upload('#base', ondisk(base));
    return { args: ['-base', 'base.txt', ...readmeargs, 'a1.bin', 'second file.dat',
      'map.dat', 'sub level.txt', 'dropped.bin', '+2'], list: base };
  }],
  ['45 files: only the first 41 count, and the note says so', async (s) => {
    await s.run(clear);
    await s.run(inpage.type, '#paths', many.join('\n'));
    return { args: many, bar: 'Budget: the files take 1,303 bytes; that is 388 ' +
      'bytes over the 915.', note: '45 files were given: only the first 41 ' +
      'count, as on the command line.' };
  }],
  ['a picked "+1 draft.txt" last is a file, not the count',
    pickedalone('#files', ['a.bin', '+1 draft.txt'], ['a.bin', './+1 draft.txt'])],
  ['a picked "?notes.txt" first is a file, not the help',
    pickedalone('#files', ['?notes.txt', 'b.bin'], ['./?notes.txt', 'b.bin'])],
  ['a picked "-base" first is a file, not the option',
    pickedalone('#files', ['-base', 'x.bin'], ['./-base', 'x.bin'])],
  ['a dropped "+3" is a file', pickedalone(null, ['+3'], ['./+3'])],
  ['a base list picked as "+3" is a list, not the count', async (s) => {
    await s.run(clear);
    const list = { ...base, name: '+3' };
    await s.upload('#base', ondisk(list));
    return { args: ['-base', './+3'], list };
  }],
  ['a dropped folder of 200,000 files: the first 41 count', async (s) => {
    await s.run(clear);
    await s.run(inpage.dropfolder, 200000);
    return { args: folderfiles(41),
      note: '200,000 files were given: only the first 41 count, as on the command line.' };
  }],
  ['a base list is read at most once, however often the form changes', async (s) => {
    await s.run(clear);
    await s.run(inpage.countreads);
    await s.upload('#base', ondisk(base));
    for (const typed of ['a.bin', 'a.bin\nb.bin', 'a.bin\nb.bin\nc.bin']) {
      await s.run(inpage.type, '#paths', typed);
    }
    return { args: ['-base', 'base.txt', 'a.bin', 'b.bin', 'c.bin'], list: base,
      reads: s.engine === 'webkit' ? 1 : 0 };
  }],
  // WebKit's page keeps the list that it read when it was picked; other
  // engines' workers read it at every run.
  ['a base list that the browser cannot read', async (s) => {
    await s.run(clear);
    const path = ondisk(base);
    await s.upload('#base', path);
    await s.wait((got) => got.stdout.startsWith('The base files consume 58'));
    rmSync(path);
    await s.run(inpage.type, '#paths', 'x.bin');
    return { args: ['-base', 'base.txt', 'x.bin'],
      list: s.engine === 'webkit' ? base : { ...base, unreadable: true } };
  }],
  ['the help text', async (s) => {
    await s.run(clear);
    await s.run(inpage.type, '#paths', '?');
    return { args: ['?'] };
  }],
  ['a typed lone "-base" before picked files: all are files', async (s) => {
    await s.run(clear);
    await s.run(inpage.type, '#paths', '-base');
    await s.run(inpage.pick, '#files', [['report.pdf', ''], ['notes.txt', '']]);
    return { args: ['./-base', 'report.pdf', 'notes.txt'], note: lonebase };
  }],
  ['a typed "-base" and "list.txt" with 40 picked files: 40 files given', async (s) => {
    await s.run(clear);
    await s.run(inpage.type, '#paths', '-base\nlist.txt');
    await s.run(inpage.pick, '#files', many.slice(0, 40).map((name) => [name, '']));
    return { args: ['-base', 'list.txt', ...many.slice(0, 40)] };
  }],
  ...['1e3', '-3', '1.5'].map((count) => [`"${count}" in More files: a word, no count`,
    async (s) => {
      await s.run(clear);
      await s.run(inpage.type, '#paths', 'x.bin');
      await s.run(inpage.type, '#extra', count);
      return { args: ['x.bin'], extra: 'More files takes a whole number from 0, such as 3.' };
    }]),
  ['picked names that shells would read are quoted for bash, dash and zsh',
    pickedalone('#files', shellnames, shellnames)],
  ['names holding a line feed, U+2028 or a carriage return: a segment each', async (s) => {
    await (pickedalone('#files', lineends))(s);
    return { args: lineends, segments: lineends };
  }],
  ['two drops keep their order, and a pick while one is read keeps it', async (s) => {
    await s.run(clear);
    await s.run(inpage.dropfolder, 20, 20);
    await s.run(inpage.pick, null, [['late.bin', '']]);
    await s.run(inpage.pick, '#files', [['picked.bin', '']]);
    await s.run(inpage.walked);
    return { args: ['picked.bin', ...folderfiles(20), 'late.bin'] };
  }],
  // The folder takes minutes to read, so Clear always comes while it is read.
  ['Clear while a dropped folder is read stops the reading and clears', async (s) => {
    await s.run(inpage.dropfolder, 200000, 20);
    const after = await s.run(inpage.clearwalk);
    return { args: [], check: after ? `${after} batches were read after Clear` : '' };
  }],
  ['text dragged into Paths lands there, not as a drop of files', async (s) => {
    await s.run(clear);
    const left = await s.run(inpage.dragtext, '#paths', 'x.bin');
    return { args: [], check: left ? '' : 'the page took the text as files' };
  }],
  ['Linux is counted as UTF-8: été.txt 31, 日本語.txt 35 and Übersicht.pdf 36', async (s) => {
    await s.run(clear);
    await s.run(inpage.type, '#paths', names.join('\n'));
    return { args: names, countas: 'utf-8',
      bar: 'Budget: the files take 102 bytes; 813 of 915 bytes are left.' };
  }],
  ...SYSTEMS.slice(1).map((system) => [`${words.en[`system.${system}`]}: a first picked ` +
    'file whose first character it lacks is a file', lacking(system)]),
  ['Western European (1252): été.txt 29, 日本語.txt 29 and Übersicht.pdf 35', async (s) => ({
    ...await countedas('1252', names)(s),
    bar: 'Budget: the files take 93 bytes; 822 of 915 bytes are left.' })],
  ['Central European (1250): Übersicht.pdf and Łódź.txt',
    countedas('1250', ['Übersicht.pdf', 'Łódź.txt'])],
  ['Japanese (932): 表.txt 28, 日本語.txt and a base list in 932 bytes', async (s) => ({
    ...await countedas('932', ['表.txt', '日本語.txt', '予定\\能力.txt'], list932)(s),
    bar: 'Budget: the base list takes 90 bytes and the files 90 bytes; 735 of 915 bytes are ' +
      'left.' })],
  ['Traditional Chinese (950): 許可.txt, 餐廳/菜單.doc and ▓.txt, which the browser reads otherwise',
    countedas('950', ['許可.txt', '餐廳/菜單.doc', '▓.txt'])],
  ['Cyrillic (1251): Привет.txt, and an emoji it lacks as two ?',
    countedas('1251', ['Привет.txt', '📄.txt'])],
  ['the Command Prompt line quotes a&b.txt, 100%.txt and %USERNAME%.txt', async (s) => ({
    ...await countedas('1252', ['a&b.txt', '100%.txt', '%USERNAME%.txt'])(s),
    command: 'set "BASELISTFILE=" & roomtally "a&b.txt" 100%"".txt %""USERNAME%"".txt' })],
  ['no Command Prompt line gives star*.txt, and the page says so', async (s) => ({
    ...await countedas('1252', ['star*.txt'])(s),
    command: 'No Command Prompt line gives "star*.txt" safely: a name with a quote, ' +
      'a line end, * or ? cannot be typed there.' })],
  ['Clear keeps the choice', async (s) => {
    await s.run(clear);
    return { args: [], system: '1252', countas: '1252' };
  }],
  ['the choice is kept for the next visit', async (s) => {
    await s.load();
    return { args: [], system: '1252', countas: '1252' };
  }],
  ['non-ASCII names and one more file', async (s) => {
    await s.run(inpage.choose, '#countas', 'utf-8');
    await s.run(inpage.type, '#paths', `dossier/été.txt\nC:\\naïve\\€.dat\n${long}`);
    await s.run(inpage.type, '#extra', '1');
    return { args: ['dossier/été.txt', 'C:\\naïve\\€.dat', long, '+1'] };
  }],
  ...Object.keys(words).map((language) => [`in ${words[language].language}, ten files ` +
    'and +2: the page\'s words are that language\'s, the report the program\'s',
  inlanguage(language)]),
];

// Tells how what the page shows differs from what is wanted, or '' when
// it does not.  A list the browser cannot read fails with the browser's
// own words, which no program on disk gives, and the page says why.
function differs(got, want) {
  const faults = [];
  const stderr = want.unreadable ? got.stderr.startsWith('base.txt: ') &&
    got.stderr.endsWith('\nFailed to read base file list.\n' +
      'The browser could not read base.txt.\n') : got.stderr === want.stderr;
  if (got.stdout !== want.stdout || !stderr) faults.push('the report or the errors');
  if (got.note !== (want.note ?? '')) faults.push('the note');
  if (want.reads !== undefined && got.reads !== want.reads) faults.push('the reads');
  if (want.countas !== undefined && got.countas !== want.countas) faults.push('the choice');
  if (want.command !== undefined && got.command !== want.command) faults.push('the command line');
  if (want.bar !== undefined && got.bar !== want.bar) faults.push('the bar');
  if (got.extra !== (want.extra ?? '')) faults.push('the word beside More files');
  // Each name given has a segment of its own.
  const named = got.segments.map((t) => t.slice(0, t.lastIndexOf(': '))).sort();
  if (want.segments && named.join('\0') !== [...want.segments].sort().join('\0')) {
    faults.push('the bar\'s segments');
  }
  if (want.check) faults.push(want.check);
  if (want.bar === undefined && /^(roomtally|There's)/.test(want.stdout) && got.bar) {
    faults.push('a bar where there is no file');
  }
  return faults.join(', ');
}

// Opens the page in an engine that puppeteer drives: Chromium over the
// DevTools protocol, Firefox over WebDriver BiDi.
async function puppeteersession(browser, executablePath) {
  const instance = await puppeteer.launch({ browser, executablePath, headless: true,
    args: browser === 'chrome' ? ['--no-sandbox', '--disable-gpu', '--disable-quic',
      '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync'] : [] });
  const p = await instance.newPage();
  const heard = [];
  p.on('console', (m) => heard.push(`console.${m.type()}: ${m.text()}`));
  p.on('pageerror', (e) => heard.push(`a script error: ${e.message}`));
  return {
    heard,
    size: (width, height) => p.setViewport({ width, height }),
    load: async () => { await p.goto(url); },
    // Loads the page as a browser with another user agent and languages.
    loadas: async (agent, languages) => {
      const { identifier } = await p.evaluateOnNewDocument((a, l) => {
        Object.defineProperty(Navigator.prototype, 'userAgent', { get: () => a });
        Object.defineProperty(Navigator.prototype, 'language', { get: () => l[0] });
        Object.defineProperty(Navigator.prototype, 'languages', { get: () => l });
      }, agent, languages);
      await p.goto(url);
      await p.removeScriptToEvaluateOnNewDocument(identifier);
    },
    run: (fn, ...args) => p.evaluate(fn, ...args),
    upload: async (selector, path) => (await p.$(selector)).uploadFile(path),
    shot: (path) => p.screenshot({ path }),
    close: () => instance.close(),
  };
}

// Opens the page in WebKit, through WebKitWebDriver and its MiniBrowser.
async function webkitsession() {
  const port = 4400 + Math.floor(Math.random() * 500);
  const driver = spawn(process.env.WEBKIT_DRIVER || 'WebKitWebDriver', [`--port=${port}`],
    { stdio: 'ignore' });
  const at = `http://127.0.0.1:${port}`;
  const call = async (method, path, body) => {
    const answer = await (await fetch(`${at}${path}`, { method,
      body: body && JSON.stringify(body) })).json();
    if (answer.value?.error) throw new Error(`${path}: ${answer.value.message}`);
    return answer.value;
  };
  for (let i = 0; ; i++) {
    try { await call('GET', '/status'); break; } catch (e) {
      if (i > 100) throw e;
      await new Promise((done) => setTimeout(done, 100));
    }
  }
  const { sessionId } = await call('POST', '/session', { capabilities: { alwaysMatch: {
    'webkitgtk:browserOptions': { binary: process.env.MINIBROWSER ||
      '/usr/lib/x86_64-linux-gnu/webkit2gtk-4.1/MiniBrowser', args: ['--automation'] } } } });
  const s = `/session/${sessionId}`;
  const run = (fn, ...args) => call('POST', `${s}/execute/async`, {
    script: `const done = arguments[arguments.length - 1];
      Promise.resolve((${fn}).apply(null, [].slice.call(arguments, 0, -1))).then(done);`,
    args });
  return {
    heard: [],
    size: async (width, height) => {
      const rect = await call('POST', `${s}/window/rect`, { width, height });
      const inner = await run(() => [window.innerWidth, window.innerHeight]);
      await call('POST', `${s}/window/rect`, { width: 2 * width - inner[0],
        height: rect.height + height - inner[1] });
    },
    load: () => call('POST', `${s}/url`, { url }),
    run,
    upload: async (selector, path) => {
      const found = await call('POST', `${s}/element`, { using: 'css selector', value: selector });
      await call('POST', `${s}/element/${Object.values(found)[0]}/value`, { text: path });
    },
    shot: async (path) => writeFileSync(path,
      Buffer.from(await call('GET', `${s}/screenshot`), 'base64')),
    close: async () => {
      await call('DELETE', s).catch(() => {});
      driver.kill();
    },
  };
}

const engines = {
  chromium: () => puppeteersession('chrome', process.env.CHROMIUM || '/usr/bin/chromium'),
  firefox: () => puppeteersession('firefox', process.env.FIREFOX || '/usr/bin/firefox-esr'),
  webkit: webkitsession,
};
let passed = 0;
let failed = 0;
let unshelled = 0;
// Records a check's verdict.
function verdict(engine, name, fault) {
  if (fault) failed++;
  else passed++;
  console.log(`${fault ? 'FAIL' : 'ok  '} ${engine}: ${name}${fault ? `: ${fault}` : ''}`);
}

// The choice starts on Windows' code page for the browser's language, and
// on UTF-8 elsewhere.
for (const [agent, language, system] of [['Windows NT 10.0; Win64; x64', 'ja', '932'],
  ['Windows NT 10.0', 'de-DE', '1252'], ['Windows NT 10.0', 'pl', '1250'],
  ['Windows NT 10.0', 'ru-RU', '1251'], ['Windows NT 10.0', 'zh-CN', '936'],
  ['Windows NT 10.0', 'zh-TW', '950'], ['Windows NT 10.0', 'zh-Hant-HK', '950'],
  ['Windows NT 10.0', 'ko-KR', '949'], ['Windows NT 10.0', 'sr-Cyrl-RS', '1251'],
  ['Windows NT 10.0', 'hi-IN', '1252'], ['X11; Linux x86_64', 'ja', 'utf-8'],
  ['Macintosh; Intel Mac OS X 14_0', 'ja-JP', 'utf-8']]) {
  const got = defaultSystem(agent, language);
  verdict('node', `${agent} in ${language} starts on ${system}`, got !== system && got);
}

for (const engine of (process.env.ENGINES || 'chromium firefox webkit').split(' ')) {
  const s = await engines[engine]();
  s.engine = engine;
  // Waits until the page has shown the latest run and what it shows passes
  // a test, and returns it; the limit is only for a page that never gets
  // there.
  s.wait = async (test, ms = 60000) => {
    const until = Date.now() + ms;
    for (;;) {
      const got = await s.run(inpage.shown);
      if ((!got.busy && test(got)) || Date.now() > until) return got;
      await new Promise((done) => setTimeout(done, 50));
    }
  };
  try {
    // What the page heard is kept over each load, which listens again.
    for (const how of ['load', 'loadas'].filter((h) => s[h])) {
      const go = s[how];
      s[how] = async (...args) => {
        s.heard.push(...await s.run(inpage.heard).catch(() => []));
        await go(...args);
        await s.run(inpage.listen);
      };
    }
    await s.size(1280, 800);
    await s.load();
    for (const [name, set] of steps) {
      const { args, list, system, ...more } = await set(s);
      const want = { ...await reference(args, list, undefined, undefined, system), ...more,
        unreadable: list?.unreadable };
      if (name.startsWith('the README') && want.stdout !== readme) {
        verdict(engine, name, 'the reference is not the README\'s report');
      }
      const got = await s.wait((shown) => !differs(shown, want));
      let fault = differs(got, want);
      if (!process.env.ROOMTALLY_REFERENCE && !system) unshelled++;
      for (const shell of process.env.ROOMTALLY_REFERENCE && !system ? shells : []) {
        if ((await reference(null, list, got.command, shell)).stdout !== got.stdout) {
          fault = `${fault ? `${fault}, ` : ''}the command line's report in ${shell[0]}`;
        }
      }
      verdict(engine, name, fault && `${fault} differ\n  expected ` +
        `${JSON.stringify(want)}\n  shown ${JSON.stringify(got)}`);
      if (name.startsWith('the README')) {
        // WebKit may take its picture of a frame not yet painted.
        await s.run(() => new Promise((done) => requestAnimationFrame(() => setTimeout(done, 200))));
        await s.shot(`${shots}-${engine}.png`);
      }
    }
    // Where the driver can say so before the page runs, a Windows browser
    // in Japanese, with nothing kept, starts on 932.
    if (s.loadas) {
      await s.run(() => localStorage.clear());
      await s.loadas('Mozilla/5.0 (Windows NT 10.0; Win64; x64)', ['ja']);
      const start = await s.run(() => document.getElementById('countas').value);
      verdict(engine, 'a Windows browser in Japanese starts on 932', start !== '932' && start);
    }
    const head = await s.run(() => ({
      icon: document.querySelector('link[rel=icon]')?.href.slice(0, 26),
      csp: document.querySelector('meta[http-equiv=Content-Security-Policy]')?.content }));
    verdict(engine, 'the tab icon is inline, and the policy allows that alone more',
      (head.icon !== 'data:image/svg+xml;base64,' || head.csp !== policy) &&
      JSON.stringify(head));
    const heard = [...s.heard, ...await s.run(inpage.heard)];
    verdict(engine, 'no request beyond the page, no error, nothing in the console',
      heard.join('; '));
  } catch (e) {
    verdict(engine, 'the steps ran', e.stack);
  } finally {
    await s.close();
  }
}
rmSync(work, { recursive: true, force: true });
if (unshelled > 0) {
  console.log(`not run: the command line in bash, dash and zsh, for ${unshelled} ` +
    'steps across the engines, since ROOMTALLY_REFERENCE names no native program');
}
console.log(`${passed} passed, ${failed} failed`);
process.exitCode = failed > 0 ? 1 : 0;
