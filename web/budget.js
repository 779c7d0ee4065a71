// SPDX-License-Identifier: ISC
// Draws the budget as one bar, from the program's own report: the base
// list's share, each file's share in the report's order, and what is left,
// or how far past the budget the files go.  Every figure is read from the
// report.  Names may hold any bytes, so rows are read by their sizes, by
// the only two rules of the program's worked out here: a charge is a name's
// bytes plus 22, and a leader fills the gap to the longest name, cut to 915.
// A segment pointed at, or chosen with the arrow keys, is named in words,
// in the page's language.
import { number, say } from './words.js';

const SVG = 'http://www.w3.org/2000/svg';
const AVAILABLE_BYTES = 915;
const FILE_OVERHEAD = 22;
const BASE = /The base files consume (-?\d+) bytes\.\n/y;
const ROW = /(-?\d+) \. +(\d+) bytes \. /y;
const CLOSING = /\nThis leaves you with (-?\d+) bytes\.\n/y;
// One character a byte, so that a match's place is a place in the bytes.
const bytewise = new TextDecoder('windows-1252');

// Returns the leader that stands before a name len bytes long in a report
// whose longest name is longest bytes long.
function leader(longest, len) {
  const gap = longest - len;
  return gap <= 0 ? '' : '. '.repeat(Math.floor(gap / 2)) + (gap % 2 ? ' ' : '');
}

// Reads the rows of a report from at, each by its known size: its charge
// gives its name's length, and longest its leader's.  Returns the files and
// what is left, or null when the rows do not read so, or their longest name
// is not longest.  Names are read from their bytes by decoder.
function readRows(text, bytes, decoder, start, longest) {
  const files = [];
  let most = 0;
  for (let at = start; ;) {
    CLOSING.lastIndex = at;
    const closing = CLOSING.exec(text);
    if (closing) {
      return Math.min(most, AVAILABLE_BYTES) === longest
        ? { files, left: Number(closing[1]) } : null;
    }
    ROW.lastIndex = at;
    const row = ROW.exec(text);
    const len = row ? Number(row[2]) - FILE_OVERHEAD : -1;
    const lead = leader(longest, len);
    const name = ROW.lastIndex + lead.length;
    if (len < 0 || !text.startsWith(lead, ROW.lastIndex) ||
      text[name + len] !== '\n') return null;
    files.push({ name: decoder.decode(bytes.subarray(name, name + len)),
      bytes: Number(row[2]), after: Number(row[1]) });
    most = Math.max(most, len);
    at = name + len + 1;
  }
}

// Returns what the report says of the budget: the base list's share, the
// files' shares in order and what is left; or null for a report that has
// no file in it (the help, nothing to calculate, no file).  A name may hold
// any bytes, line feeds and dotted runs among them, so the rows are read
// by their sizes, for the one longest name that makes them all fit.
function readReport(bytes, decoder) {
  const text = bytewise.decode(bytes);
  BASE.lastIndex = 0;
  const base = BASE.exec(text);
  const start = base ? BASE.lastIndex : 0;
  for (let longest = 0; longest <= AVAILABLE_BYTES; longest++) {
    const read = readRows(text, bytes, decoder, start, longest);
    if (read) {
      return read.files.length === 0 ? null
        : { base: base ? Number(base[1]) : 0, ...read };
    }
  }
  return null;
}

// Makes an SVG element with the attributes given.
function element(name, attributes, text) {
  const e = document.createElementNS(SVG, name);
  for (const [key, value] of Object.entries(attributes)) e.setAttribute(key, value);
  if (text !== undefined) e.textContent = text;
  return e;
}

// Says the figures of the bar in words, for those who cannot see it.
function describe({ base, files, left }, budget) {
  const used = say('bytes', { count: files.reduce((n, f) => n + f.bytes, 0) });
  const shares = base > 0 ? say('bar.base', { base: say('bytes', { count: base }), used })
    : say('bar.files', { used });
  return say(left >= 0 ? 'bar.under' : 'bar.over',
    { shares, count: Math.abs(left), budget });
}

// Returns the bar for a report read by readReport, as an inline SVG whose
// segments (the files' and the base list's) are listed in its segments.
function drawBudget(budget) {
  const used = budget.base + budget.files.reduce((n, f) => n + f.bytes, 0);
  const total = used + budget.left;
  const width = Math.max(total, used);
  const at = (bytes) => `${(100 * bytes / width).toFixed(3)}%`;
  const svg = element('svg', { id: 'budget', role: 'img', width: '100%',
    height: '52', tabindex: '0', 'aria-label': describe(budget, total) });
  const hatch = element('pattern', { id: 'over', width: '6', height: '6',
    patternUnits: 'userSpaceOnUse', patternTransform: 'rotate(45)' });
  hatch.append(element('rect', { width: '3', height: '6', class: 'over' }));
  const defs = element('defs', {});
  defs.append(hatch);
  svg.append(defs, element('rect', { x: '0', y: '2', width: at(Math.max(total, 0)),
    height: '26', class: 'room' }));
  svg.segments = [];
  let x = 0;
  const shares = [{ name: say('bar.baselist'), bytes: budget.base, after: total - budget.base,
    kind: 'base' }, ...budget.files.map((f, i) => ({ ...f, kind: `file${i % 2}` }))];
  for (const share of shares.filter((s) => s.bytes > 0)) {
    const rect = element('rect', { x: at(x), y: '2', width: at(share.bytes),
      height: '26', class: share.kind });
    rect.append(element('title', {}, say('bar.share',
      { name: share.name, bytes: say('bytes', { count: share.bytes }) })));
    svg.append(rect);
    svg.segments.push({ rect, share });
    x += share.bytes;
  }
  // Past the budget the bar is hatched and says by how much, so that colour
  // is not the only sign.
  if (used > total) {
    svg.append(element('rect', { x: at(total), y: '2', width: at(used - total),
      height: '26', fill: 'url(#over)' }));
  }
  const end = used > total ? 'middle' : 'end';
  svg.append(element('line', { x1: at(total), x2: at(total), y1: '0', y2: '32',
    class: 'limit' }), element('text', { x: '0', y: '46' }, used > total
    ? say('bar.past', { count: used - total }) : say('bar.left', { count: budget.left })),
  element('text', { x: at(total), y: '46', 'text-anchor': end }, number(total)));
  return svg;
}

// Shows in bar the budget of a report, its bytes, whose names decoder
// reads, or nothing for a report without a file, and says in words, in
// segment, which segment is pointed at or, with the arrow keys, chosen.
export function showBudget(stdout, decoder, bar, segment) {
  const figures = readReport(stdout, decoder);
  segment.textContent = '';
  if (!figures) {
    bar.replaceChildren();
    return;
  }
  const svg = drawBudget(figures);
  let chosen = -1;
  const choose = (i) => {
    svg.segments.forEach(({ rect }, j) => rect.classList.toggle('chosen', i === j));
    const { share } = svg.segments[i];
    chosen = i;
    segment.textContent = say('bar.segment', { name: share.name,
      bytes: say('bytes', { count: share.bytes }), count: share.after });
  };
  svg.segments.forEach(({ rect }, i) => rect.addEventListener('pointerenter', () => choose(i)));
  svg.addEventListener('focus', () => choose(Math.max(chosen, 0)));
  svg.addEventListener('keydown', (event) => {
    const step = { ArrowRight: 1, ArrowDown: 1, ArrowLeft: -1, ArrowUp: -1 }[event.key];
    if (!step) return;
    event.preventDefault();
    choose((chosen + step + svg.segments.length) % svg.segments.length);
  });
  bar.replaceChildren(svg);
}
