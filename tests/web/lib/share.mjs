// A set-up carried by a link: the link Share makes, opened again, and the
// string a link carries (string_link.h), sound or damaged.
import { deflateRawSync, inflateRawSync } from 'node:zlib';
import { picture, REST, waitPicture } from './picture.mjs';
import { Failure, FIRST_CAPTION, waitCaption, waitFor, waitPaused } from './wait.mjs';

export const base64url = (bytes) => Buffer.from(bytes).toString('base64url');

// Bytes of a shared string: a spike of 50 px at column 320, at a step of one
// pixel, predicted by the line through the two points before (50, then
// 0 - 2 x 50, then 0 - (-50), zigzagged); format 1 is the only one there is.
export function spikeBytes(format = 1) {
  const pos = [...new Array(320).fill(0), 0x64, 0xc7, 0x01, 0x64, ...new Array(317).fill(0)];
  return Uint8Array.from([format, 0, 2, ...pos, ...new Array(640).fill(0)]);
}
export const SPIKE = base64url(deflateRawSync(spikeBytes()));

// The link Share makes, from the text field it fills.
export async function shareLink(page) {
  await page.$eval('#share-link', (field) => { field.value = ''; });
  await page.click('#share');
  const url = await waitFor(() => page.$eval('#share-link', (field) => field.value), (value) => value !== '', 'the link Share makes');
  // Return would press Share again; the text field may have scrolled the page.
  await page.evaluate(() => { document.activeElement.blur(); window.scrollTo(0, 0); });
  return url;
}

// Share's link, at most 2,000 characters and starting with start, opened in
// a fresh page (open: the runner's, with the page's viewport): the same
// canvas pixel for pixel as the page's, the same caption, paused.
export async function expectSharedExactly(page, { open, origin, viewport }, start, what) {
  const url = await shareLink(page);
  const shown = await picture(page), shownCaption = await page.title();
  const string = new URL(url).searchParams.get('s');
  const [, shift, order] = string ? inflateRawSync(Buffer.from(string, 'base64url')) : [];
  console.log(`${what}: a link of ${url.length} characters${string ? `, a step of 1/${2 ** shift} px, prediction of order ${order}` : ''}`);
  if (url.length > 2000 || !url.startsWith(start))
    throw new Failure(`${what}: the link is ${url.length} characters long: ${url.slice(0, 120)}…`);
  const opened = await open(url.slice(origin.length + 1), { viewport });
  await waitCaption(opened, shownCaption);
  await waitPicture(opened, shown, `${what}: the shared picture in a fresh page`);
  await waitPaused(opened, true, `${what}: the shared page`);
  await opened.browserContext().close();
}

export const BAD_STRING = 's: the string in this link is damaged or too long, so the string starts at rest.';

// A link whose string is damaged: the page notes it, starts the string at
// rest, and runs.
export async function expectDamagedString(page, url, what) {
  await page.goto(url);
  await waitCaption(page, FIRST_CAPTION);
  const shown = await waitFor(() => page.$$eval('#note-items li', (items) => items.map((item) => item.textContent)),
    (items) => items.length > 0, `a string ${what}: the note`);
  if (shown.join() !== BAD_STRING)
    throw new Failure(`a string ${what}: the note reads ${JSON.stringify(shown)}`);
  await waitPicture(page, REST, `a string ${what}: the string at rest`);
  await expectRunning(page, `a string ${what}`);
}

// The page runs: frames go on being run.
export async function expectRunning(page, what) {
  const framesRun = () => page.evaluate(() => Module._wavestringFramesRun());
  const before = await framesRun();
  await waitFor(framesRun, (frames) => frames > before + 1, `${what}: frames running`);
}
