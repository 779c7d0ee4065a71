// SPDX-License-Identifier: ISC
// Checks under Wine that the Command Prompt line that the page shows for a
// Windows code page gives the page's report: typed at cmd's prompt, which
// reads it as cmd /c does, with a BASELISTFILE of cmd's own, each line must
// give what the program prints when it is handed the same arguments
// directly.  Wine's cmd takes one line from a pipe, so each runs alone.
//   node cmdline.mjs WINE ROOMTALLY.EXE
// WINEPREFIX names the prefix; Wine's cmd expands %USERNAME%.
import { spawnSync } from 'node:child_process';
import { copyFileSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { commandFor } from '../../web/codepage.js';

const [wine, program] = process.argv.slice(2);
const work = mkdtempSync(join(tmpdir(), 'roomtally-cmd-'));
copyFileSync(program, join(work, 'roomtally.exe'));
writeFileSync(join(work, 'exported.txt'), 'exported name that must not count\r\n');
writeFileSync(join(work, 'my list 100%.txt'), 'one.dat\r\ntwo (2).dat\r\n');

// Each row is the arguments that the page passes; the line must give them.
const rows = [
  ['a&b.txt', '100%.txt', '%USERNAME%.txt'],
  ['a b (1).txt', 'x^y.txt', 'semi;colon,eq=.txt', 'wow!.txt', '50%%off.txt', '+2'],
  ['C:\\some dir\\', 'C:\\docs\\', '<in>|out.txt', '%', '%PATH'],
  ['-base', 'my list 100%.txt', 'x.bin'],
];

// Runs a command in Wine in the work directory, with BASELISTFILE set to
// list or unset; returns its standard output.
function run(args, input, list) {
  const env = { ...process.env, BASELISTFILE: list };
  if (list === undefined) delete env.BASELISTFILE;
  const done = spawnSync(wine, args, { cwd: work, input, encoding: 'latin1', env });
  if (done.error) throw done.error;
  return done.stdout;
}

let failed = 0;
for (const args of rows) {
  const { line } = commandFor('1252', args);
  rmSync(join(work, 'out'), { force: true });
  run(['cmd', '/q'], `${line} >out\r\n`, 'exported.txt');
  const got = readFileSync(join(work, 'out'), 'latin1').replaceAll('\r\n', '\n');
  const want = run(['roomtally.exe', ...args]).replaceAll('\r\n', '\n');
  const fault = got !== want || want === '';
  if (fault) failed++;
  console.log(`${fault ? 'FAIL' : 'ok  '} ${line}`);
  if (fault) console.log(`  expected:\n${want}  cmd gave:\n${got}`);
}
rmSync(work, { recursive: true, force: true });
console.log(`${rows.length - failed} passed, ${failed} failed`);
process.exitCode = failed > 0 ? 1 : 0;
