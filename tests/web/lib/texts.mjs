// The pages' texts in each language: the tables (web/lang/LANG.json), which
// the build put in the pages, and what a page shows, read in the page and
// held against its language's table.
import { readdirSync, readFileSync } from 'node:fs';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { Failure } from './wait.mjs';

const tablesDir = fileURLToPath(new URL('../../../web/lang/', import.meta.url));
export const tables = Object.fromEntries(readdirSync(tablesDir).filter((file) => file.endsWith('.json'))
  .map((file) => [file.slice(0, -5), JSON.parse(readFileSync(join(tablesDir, file), 'utf8'))]));
export const plain = (html) => html.replace(/<[^>]*>/g, '');

// What a page shows, read in the page: its language, the links to the
// other languages, each text that names its key and what it shows, the
// texts that name no key (outside an element marked translate="no"), every
// text a reader gets (the visible ones, the accessible names, the tooltips
// and frames' titles, the title and the description), the address, and the
// site's links and frames.
const readTexts = () => {
  const keyed = [];
  for (const element of document.querySelectorAll('[data-text]'))
    keyed.push([element.dataset.text, element.textContent, element.dataset.values ?? '{}']);
  for (const [key, attribute] of [['label', 'aria-label'], ['alt', 'alt'], ['content', 'content'], ['title', 'title']])
    for (const element of document.querySelectorAll(`[data-${key}]`))
      keyed.push([element.dataset[key], element.getAttribute(attribute), '{}']);
  const loose = [];
  const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
  for (let node = walker.nextNode(); node; node = walker.nextNode())
    if (node.textContent.trim() && !node.parentElement.closest('[data-text], [translate="no"], script, noscript, [data-languages]'))
      loose.push(node.textContent.trim());
  const names = [...document.querySelectorAll('[aria-label], [alt], [title]')]
    .flatMap((element) => ['aria-label', 'alt', 'title'].map((name) => element.getAttribute(name) ?? ''));
  return {
    language: document.documentElement.lang, keyed, loose, address: location.href,
    switches: [...document.querySelectorAll('[data-languages] a')].map((link) => [link.textContent, link.lang, link.href]),
    read: [document.body.innerText, document.title, document.querySelector('meta[name="description"]')?.content ?? '', ...names].join('\n'),
    links: [...document.querySelectorAll('a[href]:not([data-languages] a), iframe[src]')].map((link) => link.href ?? link.src)
      .filter((href) => new URL(href).origin === location.origin),
    manifest: document.querySelector('link[rel="manifest"]')?.getAttribute('href') ?? null,
  };
};

// The faults of a page shown in language: its lang, its switch, a text that
// is not its table's, any text from no table, English left in another
// language, links and frames that lose the language (chosen by the link or
// the user; not when it is the browser's), the manifest of another language.
function pageFaults(shown, language, { chosen = true } = {}) {
  const faults = [];
  const table = tables[language];
  if (shown.language !== language)
    faults.push(`<html lang="${shown.language}">`);
  const others = Object.keys(tables).filter((other) => other !== language);
  const switches = shown.switches.map(([name, lang]) => `${name} (${lang})`).join();
  if (switches !== others.map((other) => `${tables[other]['language.name']} (${other})`).join())
    faults.push(`the switch shows ${switches}`);
  for (const [key, text, values] of shown.keyed) {
    const wanted = plain(table[key] ?? '');
    if (values === '{}' && text !== wanted)
      faults.push(`${key} shows "${text}", not "${wanted}"`);
  }
  for (const text of shown.loose)
    faults.push(`a text from no table: "${text}"`);
  if (language !== 'en') // (the switch to English says "English")
    for (const [key, english] of Object.entries(tables.en).filter(([key]) => key !== 'language.name'))
      for (const part of plain(english).split(/\{\w+\}/).map((part) => part.trim()))
        if (part.length >= 4 && !plain(table[key] ?? '').includes(part) && shown.read.includes(part))
          faults.push(`English left: "${part}" (${key})`);
  const wantedLinks = chosen ? language : null;
  for (const address of [shown.address, ...shown.links])
    if (new URL(address).searchParams.get('lang') !== wantedLinks)
      faults.push(`${address} does not keep the language`);
  if (shown.manifest !== null && shown.manifest !== (language === 'en' ? 'manifest.webmanifest' : `manifest.${language}.webmanifest`))
    faults.push(`the manifest ${shown.manifest}`);
  return faults;
}

// The page shows language, and only its table's texts.
export async function expectPage(page, language, what, options) {
  const faults = pageFaults(await page.evaluate(readTexts), language, options);
  if (faults.length > 0)
    throw new Failure(`${what} in ${language}:\n  ${faults.join('\n  ')}`);
}
