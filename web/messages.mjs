// SPDX-License-Identifier: ISC
// Reads the page's words, one JSON file per language in messages/, named by
// its language tag, and checks each against English's: the same messages,
// each with the same {placeholders} and `code` spans, and a message that
// English says by its count in every plural form that the language has.
// A fault is thrown, so that no page is made with a word missing.
import { readdir, readFile } from 'node:fs/promises';
import { join } from 'node:path';

// What a message marks in its text: a placeholder, or code.
export const MARKS = /\{\w+\}|`[^`]*`/gu;

// Returns the placeholders and code spans of a text, sorted.
function marks(text) {
  return [...text.matchAll(MARKS)].map((m) => m[0]).sort().join(' ');
}

// Returns the forms of a message by plural category: a text alone is its
// one form, other.
function forms(message) {
  return typeof message === 'string' ? { other: message } : message;
}

// Returns what is wrong with a language's message id, given English's, or
// an empty list.
function faults(language, id, message, english) {
  if (message === undefined) return [`${language} lacks ${id}`];
  if (english === undefined) return [`${language} has ${id}, which English lacks`];
  const wanted = typeof english === 'string' ? ['other']
    : new Intl.PluralRules(language).resolvedOptions().pluralCategories;
  const given = forms(message);
  const found = [];
  if (Object.keys(given).sort().join() !== [...wanted].sort().join()) {
    found.push(`${language}'s ${id} has the forms ${Object.keys(given)}, not ${wanted}`);
  }
  const want = marks(forms(english).other);
  for (const [form, text] of Object.entries(given)) {
    const got = typeof text === 'string' ? marks(text) : 'no text';
    if (got !== want) {
      found.push(`${language}'s ${id} (${form}) holds ${got || 'no marks'}, ` +
        `where English's holds ${want || 'none'}`);
    }
  }
  return found;
}

// Returns every language's messages, by tag, English's first; throws when
// any language's differ from English's, or English's forms from its own.
export async function readMessages(dir) {
  const files = (await readdir(dir)).filter((f) => f.endsWith('.json')).sort();
  const all = {};
  for (const file of files) {
    all[file.slice(0, -'.json'.length)] = JSON.parse(await readFile(join(dir, file), 'utf8'));
  }
  const { en } = all;
  if (!en) throw new Error(`${dir} has no en.json`);
  const found = Object.entries(all).flatMap(([language, messages]) =>
    [...new Set([...Object.keys(en), ...Object.keys(messages)])]
      .flatMap((id) => faults(language, id, messages[id], en[id])));
  if (found.length > 0) throw new Error(`the page's words:\n${found.join('\n')}`);
  return { en, ...all };
}
