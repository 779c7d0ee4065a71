// SPDX-License-Identifier: ISC
// Drives the one-file page in headless Chromium, opened from disk, and
// checks that it shows, byte for byte, what the program prints on the
// command line for the same arguments: typed paths, picked files, a base
// list, +N, the help text, nothing to calculate and a non-ASCII name.  It
// fails if the page asks for anything beyond itself, and saves a screenshot
// of the worked example.
//   node browser.mjs PAGE.html PROGRAM.wasm NODE_MODULES SCREENSHOT.png
// The reference is the program named by ROOMTALLY_REFERENCE (a native
// build), or else the same .wasm under node's WASI.
import { execFileSync } from 'node:child_process';
import { mkdtempSync, openSync, readFileSync, rmSync, writeFileSync }
  from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { pathToFileURL } from 'node:url';
import { WASI } from 'node:wasi';

const [page, wasm, modules, screenshot] =
  process.argv.slice(2).map((arg) => resolve(arg));
const { chromium } = createRequire(resolve(modules, 'x.js'))('playwright-core');
const wasmModule = await WebAssembly.compile(readFileSync(wasm));
const work = mkdtempSync(join(tmpdir(), 'roomtally-page-'));

// Runs the reference program on args in a directory that holds list.
async function reference(args, list) {
  if (list) writeFileSync(join(work, list.name), list.bytes);
  const reference = process.env.ROOMTALLY_REFERENCE;
  const out = join(work, 'out');
  const err = join(work, 'err');
  if (reference) {
    execFileSync('bash', ['-c', 'exec -a roomtally "$0" "$@" >out 2>err',
      reference, ...args], { cwd: work, env: { PATH: process.env.PATH } });
  } else {
    const stdout = openSync(out, 'w');
    const stderr = openSync(err, 'w');
    const wasi = new WASI({ version: 'preview1', args: ['roomtally', ...args],
      env: {}, preopens: { '/': work }, returnOnExit: true, stdout, stderr });
    wasi.start(await WebAssembly.instantiate(wasmModule,
      { wasi_snapshot_preview1: wasi.wasiImport }));
  }
  if (list) rmSync(join(work, list.name));
  return { stdout: readFileSync(out, 'utf8'), stderr: readFileSync(err, 'utf8') };
}

const readme = `888 . 27 bytes . . . . . . x.bin
860 . 28 bytes . . . . .  ab.dat
823 . 37 bytes . longer_name.bin

This leaves you with 823 bytes.

If you want to add 2 more files, the files'
names should sum to less than 779 characters.
`;
const base = { name: 'base.txt', bytes: Buffer.from('one.dat\n\nbase/two.dat\n') };
// Each step sets the form, then gives the arguments the form stands for.
const steps = [
  ['nothing to calculate', async () => [], null],
  ['the README example, typed', async (p) => {
    await p.fill('#paths', 'maps/ab.dat\nx.bin\nlonger_name.bin');
    await p.fill('#extra', '2');
    return ['maps/ab.dat', 'x.bin', 'longer_name.bin', '+2'];
  }, null],
  ['picked files after the typed paths', async (p) => {
    await p.setInputFiles('#files', [
      { name: 'a1.bin', mimeType: 'application/octet-stream', buffer: Buffer.from('x') },
      { name: 'second file.dat', mimeType: 'text/plain', buffer: Buffer.from('') }]);
    return ['maps/ab.dat', 'x.bin', 'longer_name.bin', 'a1.bin',
      'second file.dat', '+2'];
  }, null],
  ['a base list', async (p) => {
    await p.setInputFiles('#base', { name: base.name, mimeType: 'text/plain',
      buffer: base.bytes });
    return ['-base', 'base.txt', 'maps/ab.dat', 'x.bin', 'longer_name.bin',
      'a1.bin', 'second file.dat', '+2'];
  }, base],
  ['the help text', async (p) => {
    await p.click('#clear');
    await p.fill('#paths', '?');
    return ['?'];
  }, null],
  ['a non-ASCII name and one more file', async (p) => {
    const long = `${'é'.repeat(40)}.txt`;
    await p.fill('#paths', `dossier/été.txt\nC:\\naïve\\€.dat\n${long}`);
    await p.fill('#extra', '1');
    return ['dossier/été.txt', 'C:\\naïve\\€.dat', long, '+1'];
  }, null],
];

const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update',
    '--disable-sync'],
});
let failed = 0;
try {
  const p = await browser.newPage({ viewport: { width: 900, height: 900 } });
  const strays = [];
  p.on('request', (r) => {
    if (r.url() !== pathToFileURL(page).href) strays.push(r.url());
  });
  p.on('pageerror', (e) => strays.push(`a script error: ${e.message}`));
  await p.goto(pathToFileURL(page).href);
  for (const [name, set, list] of steps) {
    const want = await reference(await set(p), list);
    if (name.startsWith('the README') && want.stdout !== readme) {
      console.log(`FAIL ${name}: the reference is not the README's report`);
      failed++;
    }
    try {
      await p.waitForFunction(([out, err]) =>
        document.getElementById('report').textContent === out &&
        document.getElementById('errors').textContent === err,
      [want.stdout, want.stderr], { timeout: 5000 });
      console.log(`ok   ${name}`);
    } catch {
      failed++;
      console.log(`FAIL ${name}\n  expected ${JSON.stringify(want)}\n  shown ` +
        JSON.stringify(await p.evaluate(() => ({
          stdout: document.getElementById('report').textContent,
          stderr: document.getElementById('errors').textContent }))));
    }
    if (name.startsWith('the README')) await p.screenshot({ path: screenshot, fullPage: true });
  }
  if (strays.length > 0) {
    failed++;
    console.log(`FAIL the page went beyond itself: ${strays.join(', ')}`);
  }
} finally {
  await browser.close();
  rmSync(work, { recursive: true, force: true });
}
console.log(`${steps.length + 1 - failed} passed, ${failed} failed`);
process.exitCode = failed > 0 ? 1 : 0;
