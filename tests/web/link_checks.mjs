// The checks of a set-up carried by a link: its parameters and the note for
// what could not be used, index.html's ready-made experiments, Share's
// link and the strings a link may carry, and the pages embedded in another.
import { deflateRawSync } from 'node:zlib';
import { expectEveryDevicePixelMapped, expectPressesLand, keys, LEFT, pointAt, RIGHT } from './lib/input.mjs';
import { CENTRE_ROW, ofString, picture, pluckedAt, REST, restRows, stringRows, waitPicture, WIDTH } from './lib/picture.mjs';
import { base64url, expectDamagedString, expectRunning, expectSharedExactly, shareLink, SPIKE,
  spikeBytes } from './lib/share.mjs';
import { caption, Failure, FIRST_CAPTION, waitCaption, waitFor, waitPaused } from './lib/wait.mjs';

const NOTE_TITLE = "Some of this link's settings could not be used as given:";
const noteHidden = (page) => page.$eval('#note', (note) => note.hidden);

// The note lists exactly these items, the accessibility tree reads each of
// them, and the status line announces them.
async function expectNote(page, items, what) {
  const shown = await waitFor(() => page.$$eval('#note-items li', (list) => list.map((item) => item.textContent)),
    (list) => list.length >= items.length, `${what}: the note`);
  if (shown.join('\n') !== items.join('\n') || await noteHidden(page))
    throw new Failure(`${what}: the note reads\n  ${shown.join('\n  ')}\nexpected\n  ${items.join('\n  ')}`);
  const names = [];
  const walk = (node) => { names.push(node.name ?? ''); node.children?.forEach(walk); };
  walk(await page.accessibility.snapshot({ root: await page.$('#note'), interestingOnly: false }));
  const unread = [NOTE_TITLE, ...items].filter((text) => !names.some((name) => name.includes(text)));
  if (unread.length > 0)
    throw new Failure(`${what}: the accessibility tree does not read ${JSON.stringify(unread)}`);
  await waitFor(() => page.$eval('#status', (status) => status.textContent),
    (text) => text === `${NOTE_TITLE} ${items.join(' ')}`, `${what}: the note announced`);
}

// A standing wave between the arch's ends, anchored: while it runs, every
// picture is the arch at some height (within a row), the rest of the loop
// and the anchors stay on the centre row, and the arch swings to the other
// side of it.
async function expectStandingWave(page, arch) {
  const [from, to, height] = arch.split(',').map(Number);
  const middle = (from + to) / 2;
  const shape = (x) => Math.sin(Math.PI * (x - from) / (to - from));
  const keepsShape = (dots) => {
    const rows = stringRows(dots);
    const amplitude = rows[middle] - CENTRE_ROW;
    const wrong = rows.map((row, x) => [x, row, x >= from && x <= to ? CENTRE_ROW + amplitude * shape(x) : CENTRE_ROW])
      .filter(([, row, expected]) => row === null || Math.abs(row - expected) > 1.001);
    if (wrong.length > 0 || dots[`${from},${CENTRE_ROW}`] !== 'green' || dots[`${to},${CENTRE_ROW}`] !== 'green')
      throw new Failure(`the standing wave lost its shape or its nodes, at an amplitude of ${amplitude}: `
        + wrong.slice(0, 4).map(([x, row, expected]) => `column ${x} on row ${row}, not ${expected.toFixed(1)}`).join('; '));
    return amplitude;
  };
  await waitPicture(page, (dots) => keepsShape(dots) === height, 'the arch, paused');
  await page.click('#pause');
  await waitPicture(page, (dots) => keepsShape(dots) >= -0.8 * height, 'the arch swung to the other side', 30);
  await waitPicture(page, (dots) => keepsShape(dots) <= 0.8 * height, 'the arch swung back', 30);
}

// index.html's experiments, links in range: each opens its set-up (the
// caption, the anchors in green on the centre row, running or paused) with
// no note; the standing wave by its picture. Then each parameter of a link
// out of range on both programs' pages, and malformed, and an unknown name,
// and a link too long: held to its bound, or ignored, each one listed in
// the note; the page runs all the same, and the note goes when dismissed. Then Share
// (expectShare). (The set-up is read by the program, the same WebAssembly
// in every engine: once, in Chromium.)
async function checkLink(run) {
  const { page, origin } = run;
  const links = await page.$$eval('#experiments a', (anchors) => anchors.map((anchor) => anchor.href));
  if (links.length < 6)
    throw new Failure(`index.html links ${links.length} experiments`);
  for (const url of links) {
    const query = new URL(url).searchParams;
    await page.goto(url);
    await waitCaption(page, caption(Number(query.get('k')).toFixed(6), query.get('t')));
    const anchors = (query.get('anchors') ?? '').split(',').filter(Boolean);
    await waitPicture(page, (dots) => anchors.every((x) => dots[`${x},${CENTRE_ROW}`] === 'green')
      && Object.values(dots).filter((colour) => colour === 'green').length === anchors.length, `${url}: its anchors`);
    await waitPaused(page, query.get('paused') === '1', url);
    if (!await noteHidden(page))
      throw new Failure(`${url} shows a note`);
    if (query.has('arch'))
      await expectStandingWave(page, query.get('arch'));
  }

  for (const program of ['wavestring', 'wavestring_paced']) {
    const paced = program === 'wavestring_paced';
    const open = (query) => page.goto(`${origin}/${program}.html?${query}`);
    await open('k=5&t=5000&anchors=-3,700');
    await waitCaption(page, caption('1.000000', 1000));
    await expectNote(page, ['k: 5 is out of range, so 1 is used.', 't: 5000 is out of range, so 1000 is used.',
      ...(paced ? ['anchors: wavestring_paced has no anchors, so they are ignored.']
        : ['anchors: -3 is out of range, so 0 is used.', 'anchors: 700 is out of range, so 639 is used.'])], `${program}: out of range`);
    await waitPicture(page, ofString(restRows(), { anchors: paced ? [] : [0, 639] }), `${program}: anchors held to the first and last columns`);
    await expectRunning(page, `${program}: out of range`);
  }
  await page.goto(`${origin}/wavestring.html?embed=2&k=abc&t=1.5&paused=maybe&hump=1,2&speed=3`);
  await waitCaption(page, FIRST_CAPTION);
  await expectNote(page, ['embed: “2” is neither 0 nor 1, so it is ignored.', 'k: “abc” is not a number, so it is ignored.',
    't: 1.5 is not a whole number, so it is ignored.', 'paused: “maybe” is neither 0 nor 1, so it is ignored.',
    'hump: “1,2” is not three whole numbers separated by commas, so it is ignored.',
    'speed: this page has no such setting, so it is ignored.'], 'malformed');
  await expectRunning(page, 'malformed');
  // A link longer than any set-up: a value longer than any setting's, and
  // eight parameters past the 32 the page reads, said once.
  await page.goto(`${origin}/wavestring.html?anchors=${'1,'.repeat(2100)}&k=0.5&${'x=1&'.repeat(38)}`);
  await waitCaption(page, caption('0.500000', 1));
  await expectNote(page, ['This link has 8 more settings than the 32 a page reads, so they are ignored.',
    "anchors: its value is 4200 characters long, longer than any setting's, so it is ignored.",
    ...Array(30).fill('x: this page has no such setting, so it is ignored.')], 'too long');
  await page.click('#note-close');
  await waitFor(() => noteHidden(page), Boolean, 'the note dismissed');
  await expectShare(run);
}

// Share, in Chromium (a round trip runs in every engine, in the page
// check): a string at rest gives a short link; a string from a link, sound
// bytes worked out by hand, is drawn as they say; at k = 0.9 + 3 x 0.01, a
// little above 0.93, Share's link keeps k exactly and shows the same in a
// fresh page; so does the worst a hand makes, undamped at t = 1: the string
// scribbled over with the left button and then kicked with the right one
// while it runs, until it is far out of the window, in at most 2,000
// characters. A string that the page's script or the program refuses
// (altered, too long, not base64url) gives the note and a string at rest.
async function expectShare({ page, origin, open }) {
  const base = `${origin}/wavestring.html`;
  await page.goto(base);
  await waitCaption(page, FIRST_CAPTION);
  const atRest = await shareLink(page);
  if (atRest !== `${base}?k=0.9&t=1`)
    throw new Failure(`a string at rest shared as ${atRest}`);
  await page.goto(`${base}?paused=1&s=${SPIKE}`);
  await waitCaption(page, FIRST_CAPTION);
  await waitPicture(page, pluckedAt(320, 290), 'the string of a sound link');
  await keys(page, 'ArrowRight', 3);
  await waitCaption(page, caption('0.930000', 1));
  await expectSharedExactly(page, { open, origin }, `${base}?k=${0.9 + 0.01 + 0.01 + 0.01}&t=1&paused=1&s=`, 'k = 0.9 + 3 x 0.01');

  await keys(page, 'ArrowRight', 7);
  await waitCaption(page, caption('1.000000', 1));
  await keys(page, 'Enter'); // run
  await waitPaused(page, false, 'before the scribble');
  for (const button of [LEFT, RIGHT]) {
    const start = await pointAt(page, 0, 240);
    await page.mouse.move(start.x, start.y);
    await page.mouse.down({ button });
    for (let n = 0; n < 120; ++n) {
      const point = await pointAt(page, (n * 37) % WIDTH, Math.round(240 + 230 * Math.sin(n * 0.7)));
      await page.mouse.move(point.x, point.y);
    }
    await page.mouse.up({ button });
  }
  await keys(page, 'Enter');
  await waitPaused(page, true, 'after the scribble');
  await expectSharedExactly(page, { open, origin }, `${base}?k=1&t=1&paused=1&s=`, 'a string scribbled over and kicked, undamped');

  for (const [what, string] of [['altered', base64url(deflateRawSync(spikeBytes(2)))], ['20,000 characters long', 'A'.repeat(20000)],
    ['not base64url', '!!%20']])
    await expectDamagedString(page, `${base}?s=${string}`, what);
}

// Any site may frame the pages. The example page frames each program with
// embed=1, at 480 x 360 and 320 x 240 CSS px and at one and two device
// pixels per CSS pixel: only the canvas, its caption and its controls, all
// inside the frame; keys reach a program only while its frame has the
// focus, and the page around it scrolls by its keys and by the wheel over
// the frame; full screen, entered and left, keeps the run (these three in
// the larger frame); a press lands on the pixel drawn under it, and every
// device pixel of the canvas shows the pixel a press there edits.
async function checkEmbed({ page, engine, origin }) {
  // The site lets any other site frame its pages.
  const framing = (await fetch(`${origin}/wavestring.html?embed=1`)).headers.get('content-security-policy');
  if (framing !== 'frame-ancestors *')
    throw new Failure(`the page is served with Content-Security-Policy: ${framing}`);
  // A frame that does not allow full screen has no Full screen control.
  await page.evaluate(() => document.body.append(Object.assign(document.createElement('iframe'),
    { id: 'no-full-screen', title: 'no full screen', allow: "fullscreen 'none'", src: 'wavestring.html?embed=1' })));
  const bare = await (await page.$('#no-full-screen')).contentFrame();
  await waitFor(() => bare.title(), (title) => title.startsWith('Vibrelle : '), 'a frame that does not allow full screen');
  if (!await bare.$eval('#full-screen', (button) => button.hidden))
    throw new Failure('a frame that does not allow full screen shows Full screen');

  // wavestring's frame as the page has it; then, in Chromium, the smaller
  // frame, wavestring_paced's (0.4 CSS pixel per pixel), and at two device
  // pixels per CSS pixel wavestring in a frame as small (0.8 device pixel
  // per pixel), for their layout and pointer.
  for (const [deviceScaleFactor, id, width, height] of [[1, 'wavestring-frame', 480, 360],
    ...(engine.has.includes('device scale') ? [[1, 'wavestring_paced-frame', 320, 240], [2, 'wavestring-frame', 320, 240]] : [])]) {
    const what = `${id} at ${width} x ${height}, ${deviceScaleFactor} device px per CSS px`;
    if (id === 'wavestring-frame') {
      await page.setViewport({ width: 900, height: 700, deviceScaleFactor });
      await page.goto(`${origin}/embedding.html`);
    }
    await page.$eval(`#${id}`, (frame, width, height) => { frame.width = width; frame.height = height; }, width, height);
    const frame = await (await page.$(`#${id}`)).contentFrame();
    await waitFor(() => frame.title(), (title) => title.startsWith('Vibrelle : '), `${what}: the caption`);
    await checkEmbedded(page, engine, frame, id, what, width === 480);
  }
}

// One frame of the example page; with keys, also the keys, the wheel and
// full screen.
async function checkEmbedded(page, engine, frame, id, what, withKeys) {
  await page.$eval(`#${id}`, (element) => element.scrollIntoView({ block: 'center' }));
  // Once the frame has taken its new size.
  const layout = await waitFor(() => frame.evaluate(() => {
    // What shows beside the canvas, its caption, the status line and the
    // controls (and what holds them).
    const shown = '#stage, #caption, #status, #controls';
    const visible = [...document.querySelectorAll('body *')].filter((element) => element.getClientRects().length > 0
      && getComputedStyle(element).visibility !== 'hidden' && !element.closest(shown) && !element.querySelector(shown))
      .map((element) => element.id || element.tagName.toLowerCase());
    const outside = [...document.querySelectorAll('#canvas, #caption, .controls button, #full-page')]
      .filter((element) => !element.hidden && getComputedStyle(element).display !== 'none')
      .map((element) => [element.id || element.textContent.trim(), element.getBoundingClientRect()])
      .filter(([, box]) => box.left < 0 || box.top < 0 || box.right > innerWidth || box.bottom > innerHeight)
      .map(([name]) => name);
    return { visible, outside, scrolls: document.documentElement.scrollHeight > innerHeight || document.documentElement.scrollWidth > innerWidth,
      canvas: document.getElementById('canvas').getBoundingClientRect().toJSON() };
  }), (layout) => layout.outside.length === 0, `${what}: everything inside the frame`);
  if (layout.visible.length > 0 || layout.outside.length > 0 || layout.scrolls)
    throw new Failure(`${what}: shows ${layout.visible.join(', ') || 'nothing else'}; outside the frame: ${layout.outside.join(', ') || 'nothing'};`
      + ` scrolls: ${layout.scrolls}`);
  console.log(`${what}: the canvas ${layout.canvas.width} x ${layout.canvas.height} CSS px at ${layout.canvas.x}, ${layout.canvas.y}`);
  // Full page: the same set-up, not embedded.
  const [framed, full] = await frame.evaluate(() => [location.search, document.getElementById('full-page').search]);
  const expected = new URLSearchParams(framed);
  expected.delete('embed');
  if (full !== `?${expected}`)
    throw new Failure(`${what}: Full page opens ${full}, for a frame of ${framed}`);

  // A click in the frame gives it the keys; clicked again, as a user would,
  // if the page around was still scrolling (Space scrolls it smoothly).
  const focusFrame = () => waitFor(async () => {
    await page.$eval(`#${id}`, (element) => element.scrollIntoView({ block: 'center' }));
    await frame.click('#caption');
    return frame.evaluate(() => document.hasFocus());
  }, Boolean, `${what}: the frame focused by a click`);
  if (withKeys)
    await checkEmbeddedKeys(page, frame, id, what, focusFrame);
  await focusFrame();
  await keys(page, 'Enter');
  await waitPaused(frame, true, what);
  await checkEmbeddedPointer(page, engine, frame, id, what);
}

// Keys: the page's while it has the focus, the frame's once clicked; the
// wheel over the frame scrolls the page; full screen and back keeps the run.
async function checkEmbeddedKeys(page, frame, id, what, focusFrame) {
  const frameCaption = await frame.title();
  await page.evaluate(() => window.scrollTo(0, 0));
  await page.click('h1');
  await keys(page, ' ');
  await keys(page, 'ArrowUp');
  await waitFor(() => page.evaluate(() => window.scrollY), (y) => y > 0, `${what}: Space scrolling the page`);
  if (await frame.title() !== frameCaption)
    throw new Failure(`${what}: a key reached the frame without the focus`);
  await focusFrame();
  const [k, t] = /k=(\S+) et t=(\d+)/.exec(frameCaption).slice(1);
  await keys(page, 'ArrowUp');
  await waitCaption(frame, caption(k, Number(t) + 1));
  // The wheel over the frame scrolls the page, which has room to scroll one way or the other.
  const box = await page.$eval(`#${id}`, (element) => element.getBoundingClientRect().toJSON());
  const [before, down] = await page.evaluate(() => [scrollY, document.documentElement.scrollHeight - innerHeight - scrollY > 60]);
  await page.mouse.move(box.x + box.width / 2, box.y + box.height / 2);
  // The wheel turned until the page moves, as a hand goes on turning it.
  await waitFor(async () => { await page.mouse.wheel({ deltaY: down ? 20 : -20 }); return page.evaluate(() => window.scrollY); },
    (y) => (down ? y > before : y < before), `${what}: the wheel over the frame scrolling the page`);

  // Full screen and back, paused: the same picture and caption.
  await focusFrame();
  await keys(page, 'Enter');
  await waitPaused(frame, true, what);
  const still = await picture(frame), stillCaption = await frame.title();
  for (const [entering, state] of [[true, 'in full screen'], [false, 'back from full screen']]) {
    await frame.click('#full-screen');
    await waitFor(() => frame.evaluate(() => document.fullscreenElement !== null), (full) => full === entering, `${what}: ${state}`);
    await waitPicture(frame, still, `${what}: the picture ${state}`);
    if (await frame.title() !== stillCaption)
      throw new Failure(`${what}: the caption ${state} is ${await frame.title()}`);
  }
  await focusFrame(); // the focus is on Full screen, which Return would press
  await keys(page, 'Enter');
  await waitPaused(frame, false, `${what}: running again`);
}

// Paused: a press on a whole device pixel edits the pixel drawn there, and
// every device pixel of the canvas shows the pixel a press there edits.
async function checkEmbeddedPointer(page, engine, frame, id, what) {
  await keys(page, ' ');
  await waitPicture(frame, REST, `${what}: cleared`);
  // The frame may lie at a fraction of a device pixel: the browser draws
  // it from the nearest whole one, and a pointer finds it from the next.
  const { origin, first, ratio } = await page.$eval(`#${id}`, (element) => {
    const box = element.getBoundingClientRect(), ratio = devicePixelRatio;
    const at = [(box.left + element.clientLeft) * ratio, (box.top + element.clientTop) * ratio];
    return { ratio, origin: { x: Math.round(at[0]), y: Math.round(at[1]) }, first: { x: Math.ceil(at[0]), y: Math.ceil(at[1]) } };
  });
  const canvas = await frame.$eval('canvas', (element) => {
    const box = element.getBoundingClientRect();
    return [box.left, box.top, box.width, box.height].map((value) => Math.round(value * devicePixelRatio));
  });
  const [left, top, width, height] = [origin.x + canvas[0], origin.y + canvas[1], canvas[2], canvas[3]];
  // (On whole CSS pixels where the engine's pointer moves by those only.)
  const step = engine.wholeCssPointer ? ratio : 1, on = (device) => Math.ceil(device / step) * step;
  const inside = { x: on(left + width * 0.3), y: on(top + height * 0.6) };
  await expectPressesLand(page, ratio, [{ x: on(Math.max(left, first.x)), y: on(Math.max(top, first.y)) },
    { x: on(left + width - step), y: on(top + height - step) }, inside, { x: inside.x + step, y: inside.y }], what,
  { frame, where: ` (the frame at ${JSON.stringify(origin)}, the canvas at ${canvas.join(' ')})` });
  await expectEveryDevicePixelMapped(page, what, frame, origin);
}

export default [
  {
    name: 'link', cases: [{ path: 'index.html' }], run: checkLink, engines: ['chromium'],
    why: "once, in Chromium: the program reads the set-up and the string, the same WebAssembly in every engine, the note's accessibility tree is read through CDP, and the page check shares a string in each",
  },
  {
    name: 'embed', cases: [{ path: 'embedding.html' }], run: checkEmbed, engines: ['chromium', 'firefox'],
    why: "in Chromium and Firefox: WebKitGTK's driver, as used here, reaches no frame",
  },
];
