// SPDX-License-Identifier: ISC
// Says the page's own words in the user's language: the first of the
// browser's languages that the page has, English otherwise, or the one
// chosen, which is kept as the code page is.  Each language's messages are
// a file of its own, bundled into the page.  A message may hold
// {placeholders}, whose numbers are written by the language's rules, and
// `code`, the program's syntax, shown as code; one said by its count has
// the language's plural forms.  What the program writes is never here: it
// stays the program's, in English.
import messages from 'messages';
import { stored, windowsCodepage } from './codepage.js';

const STORED = 'roomtally.language';
const LANGUAGES = Object.keys(messages);
let language = 'en';
let plurals = new Intl.PluralRules('en');
let numbers = new Intl.NumberFormat('en');

// Returns the page's language that a language tag asks for, or undefined:
// the one of that tag, or else of its language with its Windows code page,
// so that zh-Hant-HK takes zh-TW and de-AT takes de.
function languageFor(tag) {
  const lower = tag.toLowerCase();
  return LANGUAGES.find((l) => l.toLowerCase() === lower) ?? LANGUAGES.find((l) =>
    l.split('-')[0] === lower.split('-')[0] && windowsCodepage(l) === windowsCodepage(tag));
}

// Returns a message with values in it, as pieces of text, each marked
// when it is code.  Code is set as it stands; a number is written as the
// language writes it, and the count chooses the plural form.
function pieces(id, values) {
  const message = messages[language][id];
  const text = typeof message === 'string' ? message
    : message[plurals.select(values.count)] ?? message.other;
  const value = (name) => (typeof values[name] === 'number'
    ? numbers.format(values[name]) : values[name]);
  return text.split('`').map((piece, i) => ({ code: i % 2 === 1,
    text: i % 2 === 1 ? piece : piece.replace(/\{(\w+)\}/gu, (_, name) => value(name)) }));
}

// Returns a message as text, with values in it.
export function say(id, values = {}) {
  return pieces(id, values).map((piece) => piece.text).join('');
}

// Writes a number as the page's language writes it.
export function number(n) {
  return numbers.format(n);
}

// Shows in element the messages said, each an id and its values, one
// after the other, with code as code.
export function sayIn(element, ...said) {
  element.replaceChildren(...said.flatMap(([id, values = {}], i) => [
    ...(i > 0 ? [' '] : []), ...pieces(id, values).map(({ code, text }) => {
      if (!code) return text;
      const span = document.createElement('code');
      span.textContent = text;
      return span;
    })]));
}

// Sets the page in a language: its lang, and every element that names its
// message, with values.
function useLanguage(tag, values) {
  language = tag;
  plurals = new Intl.PluralRules(tag);
  numbers = new Intl.NumberFormat(tag);
  document.documentElement.lang = tag;
  for (const element of document.querySelectorAll('[data-message]')) {
    sayIn(element, [element.dataset.message, values]);
  }
}

// Fills the choice of language, each named in itself, sets the page in the
// one kept from an earlier visit, or else the browser's, and at a choice
// sets and keeps it and calls changed.
export function startLanguages(choice, values, changed) {
  const kept = stored((storage) => storage.getItem(STORED));
  const start = LANGUAGES.includes(kept) ? kept
    : [...navigator.languages ?? [], navigator.language].map(languageFor)
      .find((l) => l) ?? 'en';
  for (const tag of LANGUAGES) {
    const option = new Option(messages[tag].language, tag, tag === start, tag === start);
    option.lang = tag;
    choice.append(option);
  }
  useLanguage(start, values);
  choice.addEventListener('change', () => {
    useLanguage(choice.value, values);
    stored((storage) => storage.setItem(STORED, choice.value));
    changed();
  });
}
