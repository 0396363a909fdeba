// The checks of the pages' languages: the tables agree, and each page shows
// the language the link, the user's choice or the browser asks for, in its
// table's texts only.
import { keys } from './lib/input.mjs';
import { expectPage, plain, tables } from './lib/texts.mjs';
import { caption, Failure, FIRST_CAPTION, waitCaption, waitFor } from './lib/wait.mjs';

const placeholders = (text) => (text.match(/\{\w+\}/g) ?? []).sort().join();
const tags = (text) => (text.match(/<\/?\w+/g) ?? []).sort().join();
// What French typography wants: a no-break space (or a narrow one) before
// : ; ! ? and », and after «; the typographic apostrophe.
const typography = {
  fr: [[/(^|[^\u00a0\u202f])[:;!?»]/, 'a no-break space before : ; ! ? »'], [/«[^\u00a0\u202f]/, 'a no-break space after «'],
    [/'/, 'the apostrophe ’']],
};

// Every table has English's keys, none empty, each text with the same
// {names} and HTML tags as in English, and in its language's typography.
function expectTables() {
  const faults = [];
  for (const [language, table] of Object.entries(tables)) {
    for (const key of Object.keys(tables.en).filter((key) => !(key in table)))
      faults.push(`${language}.json has no ${key}`);
    for (const [key, value] of Object.entries(table)) {
      const english = tables.en[key];
      if (english === undefined)
        faults.push(`${language}.json has ${key}, which en.json has not`);
      else if (!value)
        faults.push(`${language}.json: ${key} is empty`);
      else if (placeholders(value) !== placeholders(english) || tags(value) !== tags(english))
        faults.push(`${language}.json: ${key} has other {names} or tags than in English`);
      for (const [pattern, rule] of typography[language] ?? [])
        if (pattern.test(plain(value)))
          faults.push(`${language}.json: ${key}: ${rule}: ${value}`);
    }
  }
  if (faults.length > 0)
    throw new Failure(`the tables of web/lang/:\n  ${faults.join('\n  ')}`);
}

// A French text of the tables, with its {names} given.
const french = (key, values = {}) => plain(tables.fr[key]).replace(/\{(\w+)\}/g, (whole, name) => values[name] ?? whole);
const statusText = (page) => page.$eval('#status', (element) => element.textContent);
const waitStatusIn = (page, texts, what) => waitFor(() => statusText(page), (text) => texts.includes(text), what);

// In every engine: the tables agree (expectTables). Each page in each
// language: its lang, its switch, only its table's texts, no English left,
// its links and frames keeping the language. The switch to French on
// index.html, saved and kept from page to page; a program's page in French:
// a link's note, its news with the decimal comma, Share's announcement and
// link, a missing text shown in English, the end of the run; the switch
// back to English, kept too; and a language the pages do not have, said
// plainly. (That a browser in French gets French is
// checked offline.)
async function checkLanguages({ page, origin }) {
  expectTables();
  const visit = async (file, language, what = file) => {
    await page.goto(`${origin}/${file}`);
    if (file.startsWith('wavestring'))
      await waitCaption(page, FIRST_CAPTION);
    await expectPage(page, language, what);
  };
  await expectPage(page, 'en', 'index.html, the browser in English', { chosen: false });
  await page.click('[data-languages] a');
  await expectPage(page, 'fr', 'index.html, after a click on Français');
  for (const file of ['wavestring_paced.html', 'embedding.html', 'no_such_page.html'])
    await visit(file, 'fr', `${file}, after Français on index.html`);

  await page.goto(`${origin}/wavestring.html?lang=fr&k=5&speed=3`);
  await waitCaption(page, caption('1.000000', 1));
  const notes = [french('note.held', { name: 'k', value: '5', used: '1' }), french('note.unknown', { name: 'speed' })];
  const shown = await waitFor(() => page.$$eval('#note-items li', (items) => items.map((item) => item.textContent)),
    (items) => items.length === notes.length, "the link's note in French");
  if (shown.join('\n') !== notes.join('\n'))
    throw new Failure(`the note reads\n  ${shown.join('\n  ')}\nexpected\n  ${notes.join('\n  ')}`);
  await waitStatusIn(page, [french('note.said', { notes: notes.join(' ') })], 'the note announced in French');
  await keys(page, 'Enter');
  await waitStatusIn(page, [french('status.paused')], 'the pause said in French');
  await keys(page, 'ArrowLeft');
  await waitStatusIn(page, ['k = 0,99.'], 'k = 0,99. with the decimal comma');
  await waitCaption(page, caption('0.990000', 1)); // the caption keeps its point
  await page.click('#share');
  await waitStatusIn(page, [french('share.copied'), french('share.select')], "Share's announcement in French");
  const link = new URL(await page.$eval('#share-link', (field) => field.value));
  if (link.searchParams.get('lang') !== 'fr')
    throw new Failure(`Share's link does not keep the language: ${link}`);
  // A text that the French table lacks or leaves empty is shown in English.
  const fallback = await page.evaluate(() => {
    pageTexts.fr['status.paused'] = '';
    delete pageTexts.fr['status.running'];
    return [text('status.paused'), text('status.running')];
  });
  if (fallback.join() !== [tables.en['status.paused'], tables.en['status.running']].join())
    throw new Failure(`texts missing in French show ${fallback.join(', ')}, not in English`);
  await keys(page, 'Escape');
  await waitStatusIn(page, [french('status.ended')], 'the end of the run said in French');
  await expectPage(page, 'fr', 'wavestring.html, the run ended');

  await page.click('[data-languages] a');
  await expectPage(page, 'en', 'wavestring.html, after a click on English');
  for (const file of ['index.html', 'wavestring_paced.html', 'embedding.html', 'no_such_page.html'])
    await visit(file, 'en', `${file}, after English on wavestring.html`);

  // A language the pages do not have: the page says so, in its language.
  await page.goto(`${origin}/index.html?lang=xx`);
  const notice = await page.$eval('.notice', (element) => element.textContent);
  if (notice !== plain(tables.en['language.unknown']).replace('{lang}', 'xx'))
    throw new Failure(`?lang=xx: the page says "${notice}"`);
}

export default [
  { name: 'languages', cases: [{ path: 'index.html' }], run: checkLanguages },
];
