// SPDX-License-Identifier: ISC
// Makes the one-file page: node build.mjs PROGRAM.wasm VERSION OUT.html
// ICON.svg.  The script, its WASI shim, the program and the page's words in
// every language are bundled into one module and set inline in the page
// with the style and the icon, so that the page needs nothing else and
// works opened straight from disk.  A language whose words are not
// English's, message for message, fails the build.
import { readFile, writeFile } from 'node:fs/promises';
import { resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { build } from 'esbuild';
import { readMessages } from './messages.mjs';

const [wasm, version, out, icon] = process.argv.slice(2).map(
  (arg, i) => (i === 1 ? arg : resolve(arg)));
const here = (name) => fileURLToPath(new URL(name, import.meta.url));

const options = { bundle: true, minify: true, write: false, target: 'es2022',
  legalComments: 'none', charset: 'utf8' };
// The worker that runs the program is bundled on its own, and the page
// starts it from that text.
const worker = await build({ ...options, entryPoints: [here('worker.js')],
  format: 'iife' });
const messages = await readMessages(here('messages'));
// Resolves the page's imports of the program, to the .wasm that was built
// and tested, of the worker, to its bundle, and of its words, to every
// language's, checked.
const imports = {
  name: 'imports',
  setup(b) {
    b.onResolve({ filter: /^roomtally\.wasm$/ }, () => ({ path: wasm }));
    b.onResolve({ filter: /^worker\.js$/ }, () => ({ path: 'worker', namespace: 'worker' }));
    b.onLoad({ filter: /.*/, namespace: 'worker' },
      () => ({ contents: worker.outputFiles[0].text, loader: 'text' }));
    b.onResolve({ filter: /^messages$/ }, () => ({ path: 'messages', namespace: 'messages' }));
    b.onLoad({ filter: /.*/, namespace: 'messages' },
      () => ({ contents: JSON.stringify(messages), loader: 'json' }));
  },
};
const bundle = await build({
  ...options,
  entryPoints: [here('page.js')],
  format: 'esm',
  loader: { '.wasm': 'binary' },
  define: { ROOMTALLY_VERSION: JSON.stringify(version) },
  plugins: [imports],
});
const script = bundle.outputFiles[0].text.replaceAll('</script', '<\\/script');
const style = await readFile(here('style.css'), 'utf8');
const tabicon = `data:image/svg+xml;base64,${(await readFile(icon)).toString('base64')}`;
const page = (await readFile(here('index.html'), 'utf8'))
  .replace('<link rel="stylesheet" href="style.css">', () => `<style>\n${style}</style>`)
  .replace('<link rel="icon" href="roomtally.svg">', () => `<link rel="icon" href="${tabicon}">`)
  .replace('<script type="module" src="page.js"></script>',
    () => `<script type="module">${script}</script>`);
await writeFile(out, page);
