// SPDX-License-Identifier: ISC
// Makes the one-file page: node build.mjs PROGRAM.wasm VERSION OUT.html.  The
// script, its WASI shim and the program are bundled into one module and set
// inline in the page with the style, so that the page needs nothing else
// and works opened straight from disk.
import { readFile, writeFile } from 'node:fs/promises';
import { resolve } from 'node:path';
import { fileURLToPath } from 'node:url';
import { build } from 'esbuild';

const [wasm, version, out] = process.argv.slice(2).map(
  (arg, i) => (i === 1 ? arg : resolve(arg)));
const here = (name) => fileURLToPath(new URL(name, import.meta.url));

// Resolves the program's import to the .wasm that was built and tested.
const program = {
  name: 'program',
  setup(b) {
    b.onResolve({ filter: /^roomtally\.wasm$/ }, () => ({ path: wasm }));
  },
};
const bundle = await build({
  entryPoints: [here('page.js')],
  bundle: true,
  format: 'esm',
  minify: true,
  write: false,
  target: 'es2022',
  loader: { '.wasm': 'binary' },
  define: { ROOMTALLY_VERSION: JSON.stringify(version) },
  plugins: [program],
  legalComments: 'none',
});
const script = bundle.outputFiles[0].text.replaceAll('</script', '<\\/script');
const style = await readFile(here('style.css'), 'utf8');
const page = (await readFile(here('index.html'), 'utf8'))
  .replace('<link rel="stylesheet" href="style.css">', () => `<style>\n${style}</style>`)
  .replace('<script type="module" src="page.js"></script>',
    () => `<script type="module">${script}</script>`);
await writeFile(out, page);
