// SPDX-License-Identifier: ISC
// Counts names as the user's system counts them.  roomtally on Windows
// charges a name the bytes of the ANSI code page, and elsewhere its UTF-8
// bytes, so the page passes names to the program in the bytes of the system
// chosen, decodes what the program writes from them, and shows the command
// line of that system.  The code pages' tables are the browser's own
// decoders: each encoder is derived from its decoder, never written out.

// The systems that names can be counted as: UTF-8 for every system but
// Windows, or one of Windows' ANSI code pages, each named by the page's
// message system.CODE.
export const SYSTEMS = ['utf-8', '1252', '1250', '1251', '1253', '1254', '1255', '1256',
  '1257', '1258', '874', '932', '936', '949', '950'];
// The browser's names of the code pages that it does not call windows-N.
const LABELS = { 874: 'windows-874', 932: 'shift_jis', 936: 'gbk', 949: 'euc-kr', 950: 'big5' };
// The lead bytes of the double-byte code pages.
const DOUBLE = { 932: [[0x81, 0x9f], [0xe0, 0xfc]], 936: [[0x81, 0xfe]],
  949: [[0x81, 0xfe]], 950: [[0x81, 0xfe]] };
// Where the browser reads a character that the code page does not hold
// there: Big5-HKSCS's in 950, and GB18030's in 936, where Windows keeps
// private use; a character read there is not the code page's.
const FOREIGN = { 936: [[0xa6d9, 0xa6df], [0xa6ec, 0xa6ed], [0xa6f3, 0xa6f3],
  [0xa8bc, 0xa8bc], [0xa8bf, 0xa8bf], [0xa989, 0xa995], [0xfe50, 0xfea0]],
950: [[0x8140, 0xa0fe], [0xa3c0, 0xa3e0], [0xc6a1, 0xc8fe], [0xf9fe, 0xfefe]] };
// The codes that Windows reads as characters that the browser reads
// otherwise, or not at all, most of them private use: each range of codes
// gives in turn the characters from the one given, each code a valid pair
// of a lead byte and a second byte of seconds.  The user-defined
// characters of 949 and 950 are among them.
const WINDOWS_OWN = {
  936: { seconds: [[0x40, 0x7e], [0x80, 0xfe]], codes: [[0xa2e3, 0xa2e3, 0xe76c],
    [0xa3a0, 0xa3a0, 0xe5e5], [0xa6d9, 0xa6df, 0xe78d], [0xa6ec, 0xa6ed, 0xe794],
    [0xa6f3, 0xa6f3, 0xe796], [0xa8bc, 0xa8bc, 0xe7c7], [0xa8bf, 0xa8bf, 0xe7c8],
    [0xa989, 0xa995, 0xe7e7], [0xfe50, 0xfea0, 0xe815]] },
  949: { seconds: [[0xa1, 0xfe]], codes: [[0xc9a1, 0xc9fe, 0xe000], [0xfea1, 0xfefe, 0xe05e]] },
  950: { seconds: [[0x40, 0x7e], [0xa1, 0xfe]], codes: [[0xfa40, 0xfefe, 0xe000],
    [0x8e40, 0xa0fe, 0xe311], [0x8140, 0x8dfe, 0xeeb8], [0xc6a1, 0xc8fe, 0xf6b1],
    [0xf9fe, 0xf9fe, 0x2593]] },
};
// The ANSI code page that Windows gives a language, by its subtag, or by
// the whole tag first where a script or region decides it.  Any other
// language, those that Windows keeps no ANSI code page for among them,
// takes 1252, as Windows then does.
const WINDOWS_LANGUAGES = {
  1250: 'cs hu pl ro hr sk sl sq bs sr sr-latn tk',
  1251: 'ru uk be bg mk kk ky tt mn ba sah tg sr-cyrl uz-cyrl az-cyrl bs-cyrl',
  1253: 'el', 1254: 'tr az uz', 1255: 'he', 1256: 'ar fa ur prs ug ku ckb sd',
  1257: 'lt lv et', 1258: 'vi', 874: 'th', 932: 'ja', 936: 'zh zh-cn zh-sg zh-hans',
  949: 'ko', 950: 'zh-tw zh-hk zh-mo zh-hant',
};
const STORED = 'roomtally.countas';
const decoders = new Map();
const encoders = new Map();

// Returns the ANSI code page that Windows gives a language tag.
export function windowsCodepage(language) {
  const tag = language.toLowerCase().split('-');
  const tries = [tag.slice(0, 3).join('-'), tag.slice(0, 2).join('-'), tag[0]];
  for (const wanted of tries) {
    for (const [page, languages] of Object.entries(WINDOWS_LANGUAGES)) {
      if (languages.split(' ').includes(wanted)) return page;
    }
  }
  return '1252';
}

// Returns the system that a browser with userAgent and language counts as:
// Windows' code page for the language on Windows, and UTF-8 elsewhere.
export function defaultSystem(userAgent, language) {
  return /Windows/u.test(userAgent) ? windowsCodepage(language ?? 'en') : 'utf-8';
}

// Returns what fn does with the browser's storage, or undefined where the
// browser lets a page keep nothing, as it may for a page opened from disk.
export function stored(fn) {
  try {
    return fn(localStorage);
  } catch {
    return undefined;
  }
}

// Returns the system kept from an earlier visit, or the browser's default.
export function startingSystem() {
  const kept = stored((storage) => storage.getItem(STORED));
  return SYSTEMS.includes(kept) ? kept
    : defaultSystem(navigator.userAgent, navigator.language);
}

// Keeps the system chosen for the next visit, where the browser lets it.
export function keepSystem(system) {
  stored((storage) => storage.setItem(STORED, system));
}

// Tells whether code, two bytes, lies in one of ranges.
function within(ranges, code) {
  return (ranges ?? []).some(([from, to]) => code >= from && code <= to);
}

// Returns the codes that Windows reads where the browser does not, each
// with the character that Windows reads.
function windowsOwn(system) {
  const { seconds, codes } = WINDOWS_OWN[system] ?? { codes: [] };
  const own = new Map();
  for (const [from, to, first] of codes) {
    let unit = first;
    for (let code = from; code <= to; code++) {
      if (within(seconds, code & 0xff)) own.set(code, String.fromCharCode(unit++));
    }
  }
  return own;
}

// Returns the decoder for a system's bytes: the browser's, but for the
// codes that Windows reads otherwise, found by walking the bytes as
// Windows does, a lead byte taking the byte after it.
export function decoderOf(system) {
  if (decoders.has(system)) return decoders.get(system);
  const browser = new TextDecoder(system === 'utf-8' ? 'utf-8'
    : LABELS[system] ?? `windows-${system}`);
  const own = windowsOwn(system);
  const leads = DOUBLE[system] ?? [];
  const decode = (bytes) => {
    let text = '';
    let from = 0;
    for (let i = 0; i + 1 < bytes.length; i++) {
      if (!within(leads, bytes[i])) continue;
      const c = own.get((bytes[i] << 8) | bytes[i + 1]);
      if (c !== undefined) {
        text += browser.decode(bytes.subarray(from, i)) + c;
        from = i + 2;
      }
      i++;
    }
    return text + browser.decode(bytes.subarray(from));
  };
  decoders.set(system, own.size === 0 ? browser : { decode });
  return decoders.get(system);
}

// Returns the table of a code page's characters above ASCII to their bytes,
// read off the decoder: every single byte, and every lead byte with every
// second byte, each decoded on a line of its own.
function encoderOf(system) {
  const codes = Array.from({ length: 128 }, (_, i) => [0x80 + i]);
  for (const [from, to] of DOUBLE[system] ?? []) {
    for (let lead = from; lead <= to; lead++) {
      for (let second = 0x40; second <= 0xfe; second++) {
        if (!within(FOREIGN[system], (lead << 8) | second)) codes.push([lead, second]);
      }
    }
  }
  const lines = decoderOf(system).decode(Uint8Array.from(codes.flatMap((c) => [...c, 0x0a])))
    .split('\n');
  const table = new Map();
  codes.forEach((code, i) => {
    const c = lines[i];
    if (c.length === 1 && c !== '\uFFFD' && !table.has(c)) table.set(c, code);
  });
  for (const [code, c] of windowsOwn(system)) table.set(c, [code >> 8, code & 0xff]);
  return table;
}

// Returns a name's bytes in a system: UTF-8, or a code page's bytes as
// Windows gives them without best fit, one '?' for each UTF-16 unit of a
// character that the code page lacks.
export function encodeName(system, name) {
  if (system === 'utf-8') return new TextEncoder().encode(name);
  if (!encoders.has(system)) encoders.set(system, encoderOf(system));
  const table = encoders.get(system);
  const bytes = [];
  for (let i = 0; i < name.length; i++) {
    const unit = name.charCodeAt(i);
    if (unit < 0x80) bytes.push(unit);
    else bytes.push(...table.get(name[i]) ?? [0x3f]);
  }
  return Uint8Array.from(bytes);
}

// Returns what the worker needs to run the program on args and the base
// list in a system: the arguments in its bytes, and the variable that
// names a code page.  The program opens the list by its name's bytes,
// which the worker's files read as UTF-8.
export function runIn(system, args, list) {
  return { args: args.map((a) => encodeName(system, a)),
    env: system === 'utf-8' ? [] : [`ROOMTALLY_CODEPAGE=${system}`],
    list: list && { ...list, name: new TextDecoder().decode(encodeName(system, list.name)) } };
}

// Quotes the piece of a name between two '%' for Command Prompt when it
// holds what cmd or the program's start-up would read: inside quotes cmd
// takes & ^ ( ) < > | as they are, and backslashes before the closing
// quote are doubled, so that the quote closes.
function cmdPiece(piece) {
  if (!/[\s&^(),;=!<>|]/u.test(piece)) return piece;
  return `"${piece.replace(/(\\+)$/u, '$1$1')}"`;
}

// Returns a name as one word of a Command Prompt line that gives it back,
// or null for one that no line gives safely: a quote or a line end, or
// the * and ? that the program's start-up expands, quoted or not.  A '%'
// stands outside quotes with "" after it, which no variable's name holds,
// so that cmd expands none, and the start-up reads "" as nothing.
function cmdWord(name) {
  if (/["*?\r\n]/u.test(name)) return null;
  const pieces = name.split('%').map(cmdPiece);
  return pieces.map((p, i) => (i === pieces.length - 1 ? p
    : `${p}%${pieces[i + 1].startsWith('"') ? '' : '""'}`)).join('');
}

// Returns a word as a POSIX shell (bash, dash and zsh alike) gives it back:
// zsh expands a word that begins with '=', and with magic_equal_subst set,
// the text after any '='.
function posixWord(arg) {
  return /^[\w@%+:,./-]+$/u.test(arg) ? arg : `'${arg.replaceAll("'", "'\\''")}'`;
}

// Returns the command line that gives the report for args in a system, and
// the message of the heading that says where it runs, whatever
// BASELISTFILE the shell or the prompt has: without the option, the page
// reads no list, so the line reads none either.  A name that no Command
// Prompt line gives safely is given as unsafe, in place of a line.
export function commandFor(system, args) {
  const option = args.length > 1 && args[0] === '-base';
  if (system === 'utf-8') {
    return { heading: 'command.posix',
      line: [...(option ? [] : ['env', '-u', 'BASELISTFILE']), 'roomtally', ...args]
        .map(posixWord).join(' ') };
  }
  const words = args.map(cmdWord);
  const unsafe = args.find((_, i) => words[i] === null);
  return { heading: 'command.cmd', unsafe,
    line: [...(option ? [] : ['set "BASELISTFILE=" &']), 'roomtally', ...words].join(' ') };
}
