// The web pages in Debian's Chromium, Firefox and WebKitGTK, driven as a
// user drives them: keys pressed anywhere on the page, the mouse and a
// finger on the canvas, and what the page shows read back: the caption, the
// canvas's pixels, the page's messages. The scenarios and expected dots are
// the window checks'.
//
// usage: node web_test.mjs [--engine=chromium|firefox|webkit] SITE_DIR wavestring|wavestring_paced|site [CHECK,...]
// A program's checks drive its page; 'site' runs the checks of the whole
// site once: offline, installable, index.html's accessibility, Lighthouse.
// Chromium runs every check; Firefox and WebKitGTK the ones that need no
// Chromium-only feature (see "the browser engines" below). WebKitGTK needs
// an X display (tests/with_xvfb.sh).
// (bench/run runs the pace and Lighthouse checks alone, for their figures)
import { execFile, spawn } from 'node:child_process';
import { createHash } from 'node:crypto';
import { copyFileSync, cpSync, existsSync, mkdtempSync, readdirSync, readFileSync, renameSync, rmSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { createServer } from 'node:net';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { deflateRawSync, inflateRawSync } from 'node:zlib';
import lighthouse from 'lighthouse';
import puppeteer from 'puppeteer-core';
import { Builder, By, Key, Origin } from 'selenium-webdriver';
import { chromiumArgs, serve } from './serve.mjs';

const engineName = (process.argv.find((argument) => argument.startsWith('--engine=')) ?? '--engine=chromium').slice(9);
const [siteDir, program, only] = process.argv.slice(2).filter((argument) => !argument.startsWith('--engine='));
const paced = program === 'wavestring_paced';
const scale = Number(process.env.WAVESTRING_TEST_TIMEOUT_SCALE || 1);
const WIDTH = 640, HEIGHT = 480, CENTRE_ROW = 240;
const LEFT = 'left', MIDDLE = 'middle', RIGHT = 'right';

class Failure extends Error {}

// -- what the canvas shows ---------------------------------------------------

// Every pixel that is not black, as 'x,y' -> colour name.
async function picture(page) {
  return page.evaluate(() => {
    const names = { ffffff: 'white', ff0000: 'red', '00ff00': 'green' };
    const data = document.getElementById('canvas').getContext('2d').getImageData(0, 0, 640, 480).data;
    const dots = {};
    for (let i = 0; i < data.length; i += 4) {
      const rgb = ((data[i] << 16) | (data[i + 1] << 8) | data[i + 2]).toString(16).padStart(6, '0');
      if (rgb !== '000000')
        dots[`${(i / 4) % 640},${Math.floor(i / 4 / 640)}`] = names[rgb] || `#${rgb}`;
    }
    return dots;
  });
}

const restRows = () => new Array(WIDTH).fill(CENTRE_ROW);

// A string drawn on rows[x]: white (green when anchored) over red on velocityRows[x].
function ofString(rows, { anchors = [], velocityRows = restRows() } = {}) {
  const dots = {};
  rows.forEach((row, x) => {
    dots[`${x},${velocityRows[x]}`] = 'red';
    dots[`${x},${row}`] = anchors.includes(x) ? 'green' : 'white';
  });
  return dots;
}
const REST = ofString(restRows());

function pluckedAt(x, row) {
  const rows = restRows();
  rows[x] = row;
  return ofString(rows);
}

function differences(have, want) {
  const keys = [...new Set([...Object.keys(have), ...Object.keys(want)])];
  const lines = keys.filter((key) => have[key] !== want[key])
    .map((key) => `  column,row ${key}: ${have[key] || 'black'}, expected ${want[key] || 'black'}`);
  return lines.slice(0, 8).join('\n') + (lines.length > 8 ? `\n  ... ${lines.length - 8} more` : '');
}
const same = (a, b) => differences(a, b) === '';

// -- waiting and driving -----------------------------------------------------

// Polls until test(value) holds, for at most seconds (stretched on slow machines).
async function waitFor(read, test, what, seconds = 10) {
  const end = Date.now() + seconds * scale * 1000;
  let value;
  do {
    value = await read();
    if (test(value))
      return value;
    await new Promise((resolve) => setTimeout(resolve, 20));
  } while (Date.now() < end);
  throw new Failure(`${what}: not seen in ${seconds * scale} s (last: ${JSON.stringify(value).slice(0, 200)})`);
}

async function waitPicture(page, wanted, what, seconds) {
  try {
    return await waitFor(() => picture(page), (dots) => (typeof wanted === 'function' ? wanted(dots) : same(dots, wanted)),
      what, seconds);
  } catch (failure) {
    if (typeof wanted !== 'function')
      failure.message = `${what}:\n${differences(await picture(page), wanted)}`;
    throw failure;
  }
}

const caption = (k, t) => `Vibrelle : k=${k} et t=${t}`;
const waitCaption = (page, wanted, seconds) =>
  waitFor(() => page.title(), (title) => title === wanted, `caption ${wanted}`, seconds);

// Where a real pointer would be to touch the pixel at column x, row y: on
// the whole device pixel nearest the pixel's centre, the browser drawing the
// canvas from the device pixel nearest its box's corner. In CSS pixels.
async function pointAt(page, x, y) {
  const { box, ratio } = await page.$eval('canvas', (canvas) =>
    ({ box: canvas.getBoundingClientRect().toJSON(), ratio: window.devicePixelRatio }));
  const device = (start, size, pixel, count) =>
    Math.round(start * ratio) + Math.floor((pixel + 0.5) * Math.round(size * ratio) / count);
  return { x: device(box.x, box.width, x, WIDTH) / ratio, y: device(box.y, box.height, y, HEIGHT) / ratio };
}

// A screenshot of the viewport, decoded by the browser: read(context, ...args)
// runs in the page on a 2D context that holds it, in device pixels.
// A frame (embedded) decodes the screenshot of its page.
async function onScreenshot(page, read, ...args) {
  const png = await (page.page?.() ?? page).screenshot({ encoding: 'base64', captureBeyondViewport: false });
  return page.evaluate(async (png, read, ...args) => {
    const image = new Image();
    image.src = `data:image/png;base64,${png}`;
    await image.decode();
    const context = Object.assign(document.createElement('canvas'), { width: image.width, height: image.height })
      .getContext('2d');
    context.drawImage(image, 0, 0);
    return new Function(`return ${read}`)()(context, ...args);
  }, png, read.toString(), ...args);
}

// The colours the screen shows at the given device pixels of the viewport.
const screenColours = (page, devicePoints) => onScreenshot(page, (context, devicePoints) => devicePoints.map(({ x, y }) => {
  const [r, g, b] = context.getImageData(x, y, 1, 1).data;
  return { ffffff: 'white', ff0000: 'red', '00ff00': 'green', '000000': 'black' }[
    ((r << 16) | (g << 8) | b).toString(16).padStart(6, '0')] || `rgb(${r},${g},${b})`;
}), devicePoints);

async function press(page, button, x, y) {
  const point = await pointAt(page, x, y);
  await page.mouse.move(point.x, point.y);
  await page.mouse.down({ button });
}

async function keys(page, key, count = 1) {
  for (let i = 0; i < count; ++i)
    await page.keyboard.press(key);
}

// Presses key until the caption reads wanted, then three more times: it must stay.
async function pressToBound(page, key, wanted, back, backCaption) {
  for (let i = 0; i < 1100 && (await page.title()) !== wanted; ++i)
    await keys(page, key);
  await waitCaption(page, wanted);
  await keys(page, key, 3);
  await keys(page, back);
  await waitCaption(page, backCaption);
}

// Frames per second over three seconds by the page's own clock, not
// counting the time the page gave up after a stall (a busy machine may not call it for
// more than 100 ms), and the milliseconds of script (the frames and their
// present) per animation frame. The clock is read in animation frames, just
// after the program's frames: between two of them, a busy browser may run
// other tasks for a long time with no frame due being run or given up yet.
async function frameRate(page) {
  const before = await page.metrics();
  const { frames, animationFrames, seconds, givenUp } = await page.evaluate(async () => {
    const counts = () => [Module._wavestringFramesRun(), Module._wavestringMsGivenUp(), performance.now()];
    await new Promise(requestAnimationFrame);
    const [n0, g0, t0] = counts();
    let animationFrames = 0, n, g, t;
    do {
      await new Promise(requestAnimationFrame);
      ++animationFrames;
      [n, g, t] = counts();
    } while (t - t0 - (g - g0) < 3000 && t - t0 < 30000); // 3 s not given up
    return { frames: n - n0, animationFrames, seconds: (t - t0) / 1000, givenUp: (g - g0) / 1000 };
  });
  const scriptMs = ((await page.metrics()).ScriptDuration - before.ScriptDuration) * 1000;
  return { rate: frames / (seconds - givenUp), rawRate: frames / seconds, note: `${(animationFrames / seconds).toFixed(0)} animation frames/s, `
    + `${(scriptMs / animationFrames).toFixed(2)} ms of script each, ${(givenUp * 1000).toFixed(0)} ms given up` };
}

async function expectRate(page, wanted, what) {
  const { rate, note } = await frameRate(page);
  console.log(`${what}: ${rate.toFixed(1)} frames/s (${note})`);
  if (Math.abs(rate - wanted) > 0.1 * wanted)
    throw new Failure(`${what}: ${rate.toFixed(1)} frames/s, expected ${wanted} within 10 %`);
}

// -- the checks ----------------------------------------------------------------

// At twice the size, with a touch screen: everything a user does, in order.
async function checkPage(page) {
  const first = caption('0.900000', 1);
  await waitCaption(page, first);
  if ((await page.$eval('#caption', (element) => element.textContent)) !== first)
    throw new Failure('the caption on the page is not the title');
  const look = await page.$eval('canvas', (canvas) =>
    [canvas.getBoundingClientRect().width, canvas.getBoundingClientRect().height, getComputedStyle(canvas).imageRendering]);
  if (look.join() !== '1280,960,pixelated')
    throw new Failure(`the canvas is ${look.join(' ')}, expected 1280 960 pixelated`);
  await waitPicture(page, REST, 'the string at rest');

  // Keys reach the program without a click; a finger acts as the left button.
  await keys(page, 'Enter'); // pause
  const rows = restRows(), velocityRows = restRows();
  rows[100] = 340;
  await page.evaluate(() => window.scrollTo(0, 40)); // the finger must land on the right row all the same
  const touch = await pointAt(page, 100, 340);
  if (engine.touch)
    await page.touchscreen.tap(touch.x, touch.y);
  else
    await page.mouse.click(touch.x, touch.y);
  await waitPicture(page, ofString(rows), 'a tap: white dot under the finger at column 100');
  await page.evaluate(() => window.scrollTo(0, 0));

  await page.evaluate(() => document.addEventListener('contextmenu', (event) => { window.menuShown = !event.defaultPrevented; }));
  velocityRows[200] = 100;
  await press(page, RIGHT, 200, 100);
  await waitPicture(page, ofString(rows, { velocityRows }), 'red dot under the cursor at column 200');
  await page.mouse.up({ button: RIGHT });
  // (WebKitGTK's right button is the left one with Kick chosen: no menu is asked for.)
  if (engine.rightButton !== false && await page.evaluate(() => window.menuShown !== false))
    throw new Failure('the right button opened the context menu, or none was asked for');

  // A middle press, then a key: once the caption shows the key, the frame
  // that took the press has drawn.
  await press(page, MIDDLE, 300, 400);
  await keys(page, 'ArrowRight');
  await waitCaption(page, caption('0.910000', 1));
  let anchors = [];
  if (!paced) {
    rows[300] = 400;
    anchors = [300];
  }
  await waitPicture(page, ofString(rows, { anchors, velocityRows }), "the middle click's result");
  await page.mouse.up({ button: MIDDLE });

  rows[150] = 300;
  await press(page, LEFT, 150, 300);
  await waitPicture(page, ofString(rows, { anchors, velocityRows }), 'white dot under the cursor at column 150');
  await page.mouse.up({ button: LEFT });

  await keys(page, ' ');
  await waitPicture(page, REST, 'the string cleared by Space');
  await keys(page, 'ArrowUp');
  await keys(page, 'ArrowDown');
  await waitCaption(page, caption('0.910000', 1));
  if (await page.evaluate(() => window.scrollY) !== 0)
    throw new Failure('the keys scrolled the page');

  // A pluck runs off in waves once resumed, then settles back to rest. At
  // 1000 frames a second any damping settles it within a second, which a
  // busy machine may take to read the canvas once: the waves run undamped
  // until they have been seen, then k = 0.99 settles them.
  await keys(page, 'ArrowRight', 9);
  await waitCaption(page, caption('1.000000', 1));
  await press(page, LEFT, 320, 340);
  await page.mouse.up({ button: LEFT });
  let seen = await waitPicture(page, pluckedAt(320, 340), 'the pluck, paused');
  await keys(page, 'Enter'); // run
  for (let wave = 0; wave < 4; ++wave) {
    const before = seen;
    seen = await waitPicture(page, (dots) => !same(dots, before), `the picture changing (${wave} changes seen)`);
    if (same(seen, REST))
      throw new Failure('the plucked string was back at rest at once');
  }
  await keys(page, 'ArrowLeft');
  await waitPicture(page, REST, 'the string settled back to rest', 60);
}

// The pace: 1000 frames a second, or 1000 / t when paced; after a second
// with no animation frames (a hidden tab, a busy page), at most 100 ms of
// frames, one per ms, are caught up.
async function checkPace(page) {
  await waitCaption(page, caption('0.900000', 1));
  await expectRate(page, 1000, `${program} at t=1`);
  if (paced) {
    await keys(page, 'ArrowUp', 9);
    await waitCaption(page, caption('0.900000', 10));
    await expectRate(page, 100, `${program} at t=10`);
    await keys(page, 'ArrowDown', 10);
    await waitCaption(page, caption('0.900000', 0));
    const { rawRate, note } = await frameRate(page);
    console.log(`${program} at t=0: ${rawRate.toFixed(0)} frames/s (${note}; reported only)`);
    await keys(page, 'ArrowUp');
    await waitCaption(page, caption('0.900000', 1));
  }
  // After a 1 s stall, over the next 500 ms: at most 101 frames for the
  // 100 ms caught up, then one per ms.
  const { caughtUp, since } = await page.evaluate(async () => {
    const before = Module._wavestringFramesRun();
    let now = performance.now();
    for (const start = now; now - start < 1000; now = performance.now());
    const stallEnd = now;
    // Read in animation frames, after the program's frames in each.
    while (performance.now() - stallEnd < 500)
      await new Promise(requestAnimationFrame);
    return { caughtUp: Module._wavestringFramesRun() - before, since: performance.now() - stallEnd };
  });
  console.log(`frames run in the ${since.toFixed(0)} ms after a 1 s stall: ${caughtUp}`);
  if (caughtUp > 101 + since)
    throw new Failure(`${caughtUp} frames ran in the ${since.toFixed(0)} ms after a 1 s stall: more than the 100 ms caught up and one per ms`);
}

// k stops at 0 and 1, t at its bounds (1, or 0 when paced, and 1000).
async function checkBounds(page) {
  const low = paced ? 0 : 1;
  await waitCaption(page, caption('0.900000', 1));
  await pressToBound(page, 'ArrowRight', caption('1.000000', 1), 'ArrowLeft', caption('0.990000', 1));
  await pressToBound(page, 'ArrowLeft', caption('0.000000', 1), 'ArrowRight', caption('0.010000', 1));
  await pressToBound(page, 'ArrowDown', caption('0.010000', low), 'ArrowUp', caption('0.010000', low + 1));
  await pressToBound(page, 'ArrowUp', caption('0.010000', 1000), 'ArrowDown', caption('0.010000', 999));
}

// Escape ends the run: no more frames, the page says so and starts again
// from the keyboard.
async function checkEscape(page) {
  await waitCaption(page, caption('0.900000', 1));
  await keys(page, 'Escape');
  await waitFor(() => page.$eval('#status', (element) => element.textContent), (text) => text === 'The run has ended (Escape).',
    'the message that the run has ended');
  const framesSince = await page.evaluate(async () => {
    const ended = Module._wavestringFramesRun();
    await new Promise((resolve) => requestAnimationFrame(() => requestAnimationFrame(resolve)));
    return Module._wavestringFramesRun() - ended;
  });
  if (framesSince !== 0)
    throw new Failure(`${framesSince} frames ran after Escape`);
  // Return on the "Start again" button, which has the focus, loads a new
  // document: its clock starts at another time.
  const started = await page.evaluate(() => performance.timeOrigin);
  await page.keyboard.press('Enter');
  await waitFor(() => page.evaluate(() => [performance.timeOrigin, document.activeElement?.id]).catch(() => [started]),
    ([now]) => now !== started, 'a new page after Return on "Start again" (last: the clock\'s start, the focused element)');
  await waitCaption(page, caption('0.900000', 1));
  await waitPicture(page, REST, 'the string at rest after starting again');
}

// The canvas fills the room it has: whole device pixels per pixel on a
// desktop, any whole number of device pixels in all on a phone, with the
// controls in view beside it when the phone is held sideways.
const PHONE = { deviceScaleFactor: 3, isMobile: true, hasTouch: true };
const PORTRAIT = { width: 390, height: 844, ...PHONE }, LANDSCAPE = { width: 844, height: 390, ...PHONE };
async function checkFit(page) {
  const fits = [[PORTRAIT, 'portrait phone'], [LANDSCAPE, 'landscape phone'],
    [{ width: 1366, height: 768 }, 'desktop 1366 x 768', 1], [{ width: 1920, height: 1080 }, 'desktop 1920 x 1080', 2]];
  for (const [viewport, what, wholeScale] of fits) {
    await page.setViewport(viewport);
    await page.reload();
    await waitCaption(page, caption('0.900000', 1));
    const fit = await page.evaluate(() => {
      const box = (element) => element.getBoundingClientRect().toJSON();
      return { canvas: box(document.getElementById('canvas')), controls: [...document.querySelectorAll('.controls button')].map(box),
        pageWidth: document.documentElement.scrollWidth, ratio: window.devicePixelRatio };
    });
    const { canvas, controls, ratio } = fit;
    const perPixel = canvas.width * ratio / WIDTH;
    console.log(`${what}: canvas ${canvas.width.toFixed(2)} x ${canvas.height.toFixed(2)} CSS px at (${canvas.x}, ${canvas.y}),`
      + ` ${perPixel.toFixed(3)} device px per pixel`);
    // Layout rounds sizes to 1/64 CSS px.
    const wholeDevicePixels = (size) => Math.abs(size * ratio - Math.round(size * ratio)) <= ratio / 64;
    const faults = [];
    if (Math.abs(canvas.width * 3 - canvas.height * 4) > 0.1 || perPixel < 1 || !wholeDevicePixels(canvas.width) || !wholeDevicePixels(canvas.height))
      faults.push('the canvas is not 640 x 480 at one device pixel per pixel or more, in whole device pixels');
    if (fit.pageWidth > viewport.width)
      faults.push(`the page is ${fit.pageWidth} px wide`);
    if (viewport === PORTRAIT && canvas.width < 350)
      faults.push('the canvas is less than 350 px wide');
    if (viewport === LANDSCAPE && (canvas.y < 0 || canvas.y + canvas.height > viewport.height || canvas.height < 280
        || controls.some((control) => control.x < canvas.x + canvas.width || control.y + control.height > viewport.height)))
      faults.push('the canvas, at least 280 px tall, and the controls beside it are not all in view');
    if (wholeScale && perPixel !== wholeScale)
      faults.push(`the canvas is not at ${wholeScale} device px per pixel`);
    if (controls.some((control) => control.width < 44 || control.height < 44))
      faults.push('a control is smaller than 44 x 44 px');
    if (faults.length > 0)
      throw new Failure(`${what}: ${faults.join('; ')}`);
  }
}

// A mouse press edits the pixel that the screen shows under the pointer, on
// whole device pixels: at one device pixel per pixel with the canvas at a
// fractional offset, at two, and at a fractional number on a phone. While
// paused, the pressed pixel's dot is on that very device pixel.
async function checkPointer(page, { viewport: given, touch }) {
  if (touch) // a phone's coarse pointer, at the browser's own device scale
    await (await page.createCDPSession()).send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 5 });
  const scales = given === null ? [[null, `a device scale of ${touch ? '3, a phone held sideways' : '1.5, the header 0.3 px taller'}`, !touch, touch ? 2.2 : 1]]
    : [[{ width: 1000, height: 700 }, 'scale 1, the header 0.3 px taller and the canvas 0.4 px to the right', true, 1],
      [{ width: 700, height: 620, deviceScaleFactor: 2 }, 'scale 2 at 2 device px per CSS px', false, 2],
      [PORTRAIT, 'a fractional scale on a phone', false, 1.8]].filter(([viewport]) => engine.phone || viewport !== PORTRAIT);
  for (const [viewport, what, shift, perPixel] of scales) {
    if (viewport)
      await page.setViewport(viewport);
    await page.reload();
    await waitCaption(page, caption('0.900000', 1));
    if (shift)
      await page.evaluate(() => {
        document.querySelector('header').style.paddingTop = '0.3px';
        document.getElementById('stage').style.marginLeft = '0.4px';
        window.dispatchEvent(new Event('resize'));
      });
    await keys(page, 'Enter'); // pause
    const { left, top, width, height, ratio, room } = await page.$eval('canvas', (canvas) => {
      const box = canvas.getBoundingClientRect(), ratio = window.devicePixelRatio;
      return { left: Math.round(box.left * ratio), top: Math.round(box.top * ratio),
        width: Math.round(box.width * ratio), height: Math.round(box.height * ratio), ratio,
        room: `${window.innerWidth} x ${window.innerHeight}` };
    });
    console.log(`${what}: the canvas at ${left},${top}, ${width} x ${height} device px`);
    if (width !== WIDTH * perPixel || height !== HEIGHT * perPixel)
      throw new Failure(`${what}: the canvas is ${width} x ${height} device px, not ${perPixel} per pixel`
        + ` (a viewport of ${room} CSS px at ${ratio} device px each)`);
    // The corners, and three device pixels in a row and a column inside
    // (on whole CSS pixels where the engine's pointer moves by those only).
    const step = engine.wholeCssPointer ? ratio : 1;
    const inside = [0, 1, 2].map((n) => ({ x: left + step * (Math.round(width * 0.3 / step) + n), y: top + step * (Math.round(height * 0.2 / step) + n) }));
    for (const device of [{ x: left, y: top }, { x: left + width - step, y: top + height - step }, ...inside]) {
      await page.mouse.move(device.x / ratio, device.y / ratio);
      await page.mouse.down();
      await page.mouse.up();
      const dots = await waitPicture(page, (dots) => !same(dots, REST), `${what}: a press at device pixel ${device.x},${device.y}`);
      // The screen may show the canvas a refresh or so after it changed
      // (WebKitGTK's screenshots lag under load).
      const [colour] = await waitFor(() => screenColours(page, [device]), ([shown]) => shown === 'white',
        'the white dot on the screen').catch(() => screenColours(page, [device]));
      if (colour !== 'white')
        throw new Failure(`${what}: the screen shows ${colour} at device pixel ${device.x},${device.y} after a press there;`
          + ` the canvas:\n${differences(dots, REST)}`);
      await keys(page, ' ');
      await waitPicture(page, REST, `${what}: the string cleared`);
    }
    await expectEveryDevicePixelMapped(page, what);
  }
}

// The run ended, every pixel of the canvas gets a colour of its own; then
// the screen must show, at every device pixel of the canvas, the pixel that
// the page maps a pointer there to.
async function expectEveryDevicePixelMapped(page, what, frame = page, origin = { x: 0, y: 0 }) {
  await keys(page, 'Escape');
  await waitFor(() => frame.$eval('#status', (element) => element.textContent), (text) => /ended/.test(text), 'the end of the run');
  await frame.evaluate(() => {
    // The focused "Start again" may have scrolled the page, and Firefox
    // scrolls back to it while it keeps the focus; embedded, it lies over
    // the canvas.
    document.activeElement.blur();
    document.getElementById('again').hidden = true;
    window.scrollTo(0, 0);
    const context = document.getElementById('canvas').getContext('2d');
    const image = context.createImageData(640, 480);
    for (let y = 0, i = 0; y < 480; ++y)
      for (let x = 0; x < 640; ++x, i += 4)
        image.data.set([x & 255, y & 255, 0x80 | (x >> 8) | ((y >> 8) << 2), 255], i);
    context.putImageData(image, 0, 0);
  });
  // origin: where the frame's viewport starts on the screen, in device pixels.
  const read = () => onScreenshot(frame, (screen, origin) => {
    const ratio = window.devicePixelRatio, box = document.getElementById('canvas').getBoundingClientRect();
    const [left, top] = [Math.round(box.left * ratio), Math.round(box.top * ratio)];
    const [width, height] = [Math.round(box.width * ratio), Math.round(box.height * ratio)];
    const data = screen.getImageData(origin.x + left, origin.y + top, width, height).data;
    const wrong = [];
    for (let dy = 0, i = 0; dy < height; ++dy)
      for (let dx = 0; dx < width; ++dx, i += 4) {
        const shown = { x: data[i] | ((data[i + 2] & 3) << 8), y: data[i + 1] | (((data[i + 2] >> 2) & 1) << 8) };
        const mapped = pixelUnder((left + dx) / ratio, (top + dy) / ratio);
        if (shown.x !== mapped.x || shown.y !== mapped.y || (data[i + 2] & 0xf8) !== 0x80)
          wrong.push(`device pixel ${left + dx},${top + dy} shows ${shown.x},${shown.y}, a pointer there edits ${mapped.x},${mapped.y}`);
      }
    return { count: wrong.length, first: wrong.slice(0, 4), of: width * height };
  }, origin);
  // The screen may show the canvas a refresh or so after it changed.
  const wrong = await waitFor(read, (wrong) => wrong.count === 0, 'every device pixel mapped').catch(() => read());
  if (wrong.count > 0)
    throw new Failure(`${what}: ${wrong.count} of ${wrong.of} device pixels show another pixel than a pointer there edits:\n  ${wrong.first.join('\n  ')}`);
}

// On a phone, by touch: the controls by a tap, a held t + that repeats and
// speeds up, each tool's dot under the finger, a drag that scrolls nothing,
// and a second finger that is ignored.
async function checkTouch(page) {
  const touch = await fingers(page);
  const tapAt = async (point) => { await touch('touchStart', point); await touch('touchEnd'); };
  const control = async (name) => {
    const box = await page.evaluate((name) => {
      const button = [...document.querySelectorAll('.controls button')].find((button) => button.textContent.trim().startsWith(name));
      return button && button.getBoundingClientRect().toJSON();
    }, name);
    if (!box)
      throw new Failure(`no control named ${name}`);
    const ratio = PORTRAIT.deviceScaleFactor;
    return { x: Math.round((box.x + box.width / 2) * ratio) / ratio, y: Math.round((box.y + box.height / 2) * ratio) / ratio };
  };
  const tap = async (name) => tapAt(await control(name));
  const pressed = (name) => page.evaluate((name) => [...document.querySelectorAll('.controls button')]
    .find((button) => button.textContent.trim().startsWith(name)).getAttribute('aria-pressed'), name);
  await waitCaption(page, caption('0.900000', 1));

  await tap('k −');
  await waitCaption(page, caption('0.890000', 1));
  await tap('t +');
  await waitCaption(page, caption('0.890000', 2));
  await tap('t −');
  await waitCaption(page, caption('0.890000', 1));
  await tap('Pause');
  await waitFor(() => pressed('Pause'), (value) => value === 'true', 'Pause shown pressed');

  // Each tool, while paused: the dot under the finger.
  const rows = restRows(), velocityRows = restRows();
  await tapAt(await pointAt(page, 100, 340));
  rows[100] = 340;
  await waitPicture(page, ofString(rows), 'Pluck: the white dot under the finger');
  await tap('Kick');
  await tapAt(await pointAt(page, 200, 100));
  velocityRows[200] = 100;
  await waitPicture(page, ofString(rows, { velocityRows }), 'Kick: the red dot under the finger');
  const anchors = [];
  if (!paced) {
    await tap('Anchor');
    await tapAt(await pointAt(page, 300, 400));
    rows[300] = 400;
    anchors.push(300);
    await waitPicture(page, ofString(rows, { anchors, velocityRows }), 'Anchor: the green dot under the finger');
  } else if (await page.$('[data-button="1"]')) {
    throw new Failure('wavestring_paced has an Anchor control');
  }
  await tap('Pluck');

  // A drag writes the columns it visits and scrolls nothing; a second
  // finger on the canvas meanwhile edits nothing.
  const start = await pointAt(page, 400, 50), second = await pointAt(page, 500, 60);
  await touch('touchStart', start);
  await touch('touchStart', start, second);
  rows[400] = 50;
  await waitPicture(page, ofString(rows, { anchors, velocityRows }), 'the first finger edits, the second does not');
  for (let x = 401; x <= 404; ++x) {
    await touch('touchMove', await pointAt(page, x, 50 + x - 400), second);
    rows[x] = 50 + x - 400;
    await waitPicture(page, ofString(rows, { anchors, velocityRows }), `the drag at column ${x}`);
  }
  await touch('touchEnd');
  const moved = await page.evaluate(() => [window.scrollX, window.scrollY, String(getSelection())]);
  if (moved.join() !== '0,0,')
    throw new Failure(`the drag scrolled the page or selected text: ${moved.join(' ')}`);

  // Clear, then Pause again to run; a held t + repeats and speeds up.
  await tap('Clear');
  await waitPicture(page, REST, 'the string cleared by Clear');
  await tap('Pause');
  await waitFor(() => pressed('Pause'), (value) => value === 'false', 'Pause shown released');
  const t = await control('t +');
  await touch('touchStart', t);
  await waitFor(() => page.title(), (title) => Number(/t=(\d+)/.exec(title)[1]) >= 60, 't above 60 while t + is held', 20);
  await touch('touchEnd');
  // Released, it stops: the repeats sent before the release are all taken
  // by the time a tap of k + shows, and t stays put for the next one.
  await tap('k +');
  const released = /t=(\d+)/.exec(await waitFor(() => page.title(), (title) => title.includes('k=0.900000'), 'k + after t +'))[1];
  await tap('k +');
  await waitCaption(page, caption('0.910000', released));
}

// From the keyboard alone: Tab reaches every control in the order it is
// read, each with a visible focus; Return on Pause pauses, and the live
// region says so; t + pressed many times is announced once, with its last t.
async function checkKeyboard(page) {
  await waitCaption(page, caption('0.900000', 1));
  const controls = await page.$$eval('.controls button', (buttons) => buttons.map((button) => button.textContent.trim().replace(/\s+/g, ' ')));
  const reached = [];
  // Up to the last control: Tab after it may leave the page (Firefox's goes
  // to its address bar, and the keys with it).
  for (let i = 0; i < 20 && reached.at(-1)?.name !== controls.at(-1); ++i) {
    await page.keyboard.press('Tab');
    const focused = await page.evaluate(() => {
      const element = document.activeElement;
      return element === document.body ? null
        : { name: element.textContent.trim().replace(/\s+/g, ' '), outline: getComputedStyle(element).outlineStyle };
    });
    if (focused === null || reached.some((other) => other.name === focused.name))
      break;
    reached.push(focused);
  }
  const names = reached.map((focused) => focused.name).filter((name) => controls.includes(name));
  if (names.join() !== controls.join() || reached.some((focused) => focused.outline === 'none'))
    throw new Failure(`Tab reached ${JSON.stringify(reached)}, expected every control, each with an outline: ${controls.join(', ')}`);
  const status = () => page.$eval('#status', (element) => element.textContent);
  // Return held on Pause: the repeats do not pause and resume again.
  await page.focus('#pause');
  await page.keyboard.down('Enter');
  for (let repeat = 0; repeat < 3; ++repeat)
    await page.keyboard.down('Enter', { autoRepeat: true });
  await page.keyboard.up('Enter');
  await waitFor(status, (text) => text === 'Paused.', 'Paused. in the live region');
  await waitCaption(page, caption('0.900000', 1)); // Return on a control is not also a key for the program
  if (await page.$eval('#pause', (button) => button.getAttribute('aria-pressed')) !== 'true')
    throw new Failure('Pause is not shown pressed');
  await page.evaluate(() => { window.news = []; new MutationObserver(() => window.news.push(document.getElementById('status').textContent))
    .observe(document.getElementById('status'), { childList: true, characterData: true, subtree: true }); });
  await keys(page, 'ArrowUp', 5);
  await waitFor(status, (text) => text === 't = 6.', 't = 6. in the live region');
  const news = await page.evaluate(() => window.news);
  if (news.length > 2)
    throw new Failure(`five presses of t + were announced ${news.length} times: ${news.join(' ')}`);
  // And by the mouse: a click of k − is one press.
  await page.click('[data-key="37"]');
  await waitCaption(page, caption('0.890000', 6));
  await waitFor(status, (text) => text === 'k = 0.89.', 'k = 0.89. in the live region');
}

// When the .wasm fails to download, or is missing, the page says so.
async function checkLoadFailure(page) {
  await waitFor(() => page.$eval('#status', (element) => element.textContent),
    (text) => /WebAssembly failed to load/.test(text), 'the message that the WebAssembly failed to load');
}

// -- a set-up from a link, and Share ------------------------------------------

const NOTE_TITLE = "Some of this link's settings could not be used as given:";
const BAD_STRING = 's: the string in this link is damaged or too long, so the string starts at rest.';
const pressedPause = (page) => page.$eval('#pause', (button) => button.getAttribute('aria-pressed'));
const framesRun = (page) => page.evaluate(() => Module._wavestringFramesRun());

// The note lists exactly these items, the accessibility tree reads each of
// them (where the engine shows it), and the status line announces them.
async function expectNote(page, items, what) {
  const shown = await waitFor(() => page.$$eval('#note-items li', (list) => list.map((item) => item.textContent)),
    (list) => list.length >= items.length, `${what}: the note`);
  if (shown.join('\n') !== items.join('\n') || await page.$eval('#note', (note) => note.hidden))
    throw new Failure(`${what}: the note reads\n  ${shown.join('\n  ')}\nexpected\n  ${items.join('\n  ')}`);
  if (page.accessibility) {
    const names = [];
    const walk = (node) => { names.push(node.name ?? ''); node.children?.forEach(walk); };
    walk(await page.accessibility.snapshot({ root: await page.$('#note'), interestingOnly: false }));
    const unread = [NOTE_TITLE, ...items].filter((text) => !names.some((name) => name.includes(text)));
    if (unread.length > 0)
      throw new Failure(`${what}: the accessibility tree does not read ${JSON.stringify(unread)}`);
  }
  await waitFor(() => page.$eval('#status', (status) => status.textContent),
    (text) => text === `${NOTE_TITLE} ${items.join(' ')}`, `${what}: the note announced`);
}

// The page runs: frames go on being run.
async function expectRunning(page, what) {
  const before = await framesRun(page);
  await waitFor(() => framesRun(page), (frames) => frames > before + 1, `${what}: frames running`);
}

// Each parameter of a link, in range, out of range and malformed, and an
// unknown name: used, held to its bound, or ignored, each one not used as
// given listed in the note; the page runs all the same, and the note goes
// when dismissed.
async function checkLink(page) {
  const base = (await page.url()).split('?')[0];
  const open = (query) => page.goto(`${base}?${query}`);
  const anchors = paced ? [] : [100, 500];
  await open(`k=1&t=30&paused=1&hump=320,1,-100&lang=fr${paced ? '' : '&anchors=100,500'}`);
  await waitCaption(page, caption('1.000000', 30));
  const rows = restRows();
  rows[320] = 140;
  await waitPicture(page, ofString(rows, { anchors }), 'the set-up of a link in range');
  await waitFor(() => pressedPause(page), (pressed) => pressed === 'true', 'Pause shown pressed');
  if (!await page.$eval('#note', (note) => note.hidden))
    throw new Failure('a link in range shows a note');

  await open('k=5&t=5000&anchors=-3,700');
  await waitCaption(page, caption('1.000000', 1000));
  await expectNote(page, ['k: 5 is out of range, so 1 is used.', 't: 5000 is out of range, so 1000 is used.',
    ...(paced ? ['anchors: wavestring_paced has no anchors, so they are ignored.']
      : ['anchors: -3 is out of range, so 0 is used.', 'anchors: 700 is out of range, so 639 is used.'])], 'out of range');
  await waitPicture(page, ofString(restRows(), { anchors: paced ? [] : [0, 639] }), 'anchors held to the first and last columns');
  await expectRunning(page, 'out of range');

  await open('embed=2&k=abc&t=1.5&paused=maybe&hump=1,2&speed=3');
  await waitCaption(page, caption('0.900000', 1));
  await expectNote(page, ['embed: “2” is neither 0 nor 1, so it is ignored.', 'k: “abc” is not a number, so it is ignored.',
    't: 1.5 is not a whole number, so it is ignored.', 'paused: “maybe” is neither 0 nor 1, so it is ignored.',
    'hump: “1,2” is not three whole numbers separated by commas, so it is ignored.',
    'speed: this page has no such setting, so it is ignored.'], 'malformed');
  await expectRunning(page, 'malformed');
  await page.click('#note-close');
  await waitFor(() => page.$eval('#note', (note) => note.hidden), Boolean, 'the note dismissed');
}

// Bytes of a shared string (string_link.h): a spike of 50 px at column 320,
// at a step of one pixel, predicted by the line through the two points
// before (50, then 0 - 2 x 50, then 0 - (-50), zigzagged).
function spikeBytes(format = 1) {
  const pos = [...new Array(320).fill(0), 0x64, 0xc7, 0x01, 0x64, ...new Array(317).fill(0)];
  return Uint8Array.from([format, 0, 2, ...pos, ...new Array(640).fill(0)]);
}
const base64url = (bytes) => Buffer.from(bytes).toString('base64url');

// A string's part of a link that is truncated, altered, oversized or not
// even base64url gives the note and a string at rest, and the page runs; a
// sound one is drawn as it was shared.
async function checkBadLinks(page) {
  const base = (await page.url()).split('?')[0];
  const good = base64url(deflateRawSync(spikeBytes()));
  await page.goto(`${base}?paused=1&s=${good}`);
  await waitCaption(page, caption('0.900000', 1));
  await waitPicture(page, pluckedAt(320, 290), 'the string of a sound link');
  const bad = [['truncated', good.slice(0, good.length >> 1)], ['altered', base64url(deflateRawSync(spikeBytes(2)))],
    ['inflating to 1 MB', base64url(deflateRawSync(new Uint8Array(1 << 20)))], ['20,000 characters long', 'A'.repeat(20000)],
    ['not base64url', '!!%20']];
  for (const [what, string] of bad) {
    await page.goto(`${base}?s=${string}`);
    await waitCaption(page, caption('0.900000', 1));
    const shown = await waitFor(() => page.$$eval('#note-items li', (list) => list.map((item) => item.textContent)),
      (list) => list.length > 0, `a string ${what}: the note`);
    if (shown.join() !== BAD_STRING)
      throw new Failure(`a string ${what}: the note reads ${JSON.stringify(shown)}`);
    await waitPicture(page, REST, `a string ${what}: the string at rest`);
    await expectRunning(page, `a string ${what}`);
  }
}

// Share, round trip: a hump drawn by dragging, run, paused; Share's link,
// opened in a fresh page, shows the same canvas pixel for pixel, the same
// caption and the same pause state, and is at most 2,000 characters long.
// A string at rest gives a short link.
async function checkShare(page, { browserArgs, viewport }) {
  await waitCaption(page, caption('0.900000', 1));
  const share = async () => {
    await page.$eval('#share-link', (field) => { field.value = ''; });
    await page.click('#share');
    const url = await waitFor(() => page.$eval('#share-link', (field) => field.value), (value) => value !== '', 'the link Share makes');
    // Return would press Share again; the text field may have scrolled the page.
    await page.evaluate(() => { document.activeElement.blur(); window.scrollTo(0, 0); });
    return url;
  };
  const base = (await page.url()).split('?')[0];
  const atRest = await share();
  if (atRest !== `${base}?k=0.9&t=1`)
    throw new Failure(`a string at rest shared as ${atRest}`);

  // k = 0.9 + 3 x 0.01, a little above 0.93: the link keeps it exactly.
  await keys(page, 'ArrowRight', 3);
  await keys(page, 'Enter');
  await waitCaption(page, caption('0.930000', 1));
  await waitFor(() => pressedPause(page), (pressed) => pressed === 'true', 'Pause shown pressed');
  const start = await pointAt(page, 280, 240);
  await page.mouse.move(start.x, start.y);
  await page.mouse.down();
  for (let x = 283; x <= 360; x += 3) {
    const point = await pointAt(page, x, Math.round(240 - 80 * Math.sin(Math.PI * (x - 280) / 80)));
    await page.mouse.move(point.x, point.y);
  }
  await page.mouse.up();
  // (A column the pointer passed between two frames keeps its height.)
  const drawn = await waitPicture(page, (dots) => stringRows(dots).filter((row) => row < 200).length >= 10, 'the hump drawn');
  await keys(page, 'Enter'); // run
  await waitPicture(page, (dots) => !same(dots, drawn), 'the hump running');
  await keys(page, 'Enter');
  await waitFor(() => pressedPause(page), (pressed) => pressed === 'true', 'Pause shown pressed again');
  await expectSharedExactly(page, await share(), `${base}?k=${0.9 + 0.01 + 0.01 + 0.01}&t=1&paused=1&s=`, 'a hump drawn, run and paused',
    { browserArgs, viewport });

  // The worst a hand makes, in Chromium: undamped at t = 1, the string
  // scribbled over with the left button and then kicked with the right
  // one while it runs, until it is far out of the window.
  if (!engine.cdp)
    return;
  await keys(page, 'ArrowRight', 7);
  await waitCaption(page, caption('1.000000', 1));
  await keys(page, 'Enter'); // run
  await waitFor(() => pressedPause(page), (pressed) => pressed === 'false', 'running before the scribble');
  for (const button of [LEFT, RIGHT]) {
    const start = await pointAt(page, 0, 240);
    await page.mouse.move(start.x, start.y); // from where Share was clicked
    await page.mouse.down({ button });
    for (let n = 0; n < 120; ++n) {
      const point = await pointAt(page, (n * 37) % 640, Math.round(240 + 230 * Math.sin(n * 0.7)));
      await page.mouse.move(point.x, point.y);
    }
    await page.mouse.up({ button });
  }
  await keys(page, 'Enter');
  await waitFor(() => pressedPause(page), (pressed) => pressed === 'true', 'paused after the scribble');
  await expectSharedExactly(page, await share(), `${base}?k=1&t=1&paused=1&s=`, 'a string scribbled over and kicked, undamped',
    { browserArgs, viewport });
}

// The link, at most 2,000 characters, opened in a fresh page: the same
// canvas pixel for pixel, the same caption, paused.
async function expectSharedExactly(page, url, start, what, { browserArgs, viewport }) {
  const shown = await picture(page), shownCaption = await page.title();
  const string = new URL(url).searchParams.get('s');
  const [, shift, order] = string ? inflateRawSync(Buffer.from(string, 'base64url')) : [];
  console.log(`${what}: a link of ${url.length} characters${string ? `, a step of 1/${2 ** shift} px, prediction of order ${order}` : ''}`);
  if (url.length > 2000 || !url.startsWith(start))
    throw new Failure(`${what}: the link is ${url.length} characters long: ${url.slice(0, 120)}…`);
  const context = await (await browserWith(browserArgs)).createBrowserContext();
  const opened = await context.newPage();
  if (viewport)
    await opened.setViewport(viewport);
  await opened.goto(url);
  await waitCaption(opened, shownCaption);
  await waitPicture(opened, shown, `${what}: the shared picture in a fresh page`);
  if (await pressedPause(opened) !== 'true')
    throw new Failure(`${what}: the shared page is not paused`);
  await context.close();
}


// No violation of the WCAG 2.2 AA rules of axe-core, on a phone and on a
// desktop, while the program runs and once Escape has ended it.
const DESKTOP = { width: 1280, height: 800 };
const axeSource = createRequire(import.meta.url).resolve('axe-core/axe.min.js');

async function expectNoViolations(page, what) {
  await page.addScriptTag({ path: axeSource });
  const violations = await page.evaluate(async () =>
    (await axe.run({ runOnly: { type: 'tag', values: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'wcag22aa'] } }))
      .violations.map((v) => `${v.id} (${v.nodes.map((node) => node.target.join(' ')).join(', ')}): ${v.help}`));
  if (violations.length > 0)
    throw new Failure(`${what}: ${violations.join('; ')}`);
}

async function checkAxe(page) {
  const url = page.url();
  for (const [name, viewport] of [['phone', PORTRAIT], ['desktop', DESKTOP]]) {
    await page.setViewport(viewport);
    if (program === 'site') {
      for (const file of ['index.html', 'embedding.html']) {
        await page.goto(`${origin}/${file}`);
        await expectNoViolations(page, `${file} on a ${name}`);
      }
      continue;
    }
    // Embedded (in a frame of 480 x 360), and the page itself.
    await page.goto(`${url}?embed=1`);
    await waitCaption(page, caption('0.900000', 1));
    await expectNoViolations(page, `embedded, on a ${name}`);
    await page.goto(url);
    await waitCaption(page, caption('0.900000', 1));
    await expectNoViolations(page, `running, on a ${name}`);
    await keys(page, 'Escape');
    await waitFor(() => page.$eval('#status', (element) => element.textContent), (text) => /ended/.test(text), 'the end of the run');
    await expectNoViolations(page, `after Escape, on a ${name}`);
  }
}

// -- the ready-made experiments, and embedding ---------------------------------

// Each column's displacement row: its white or green dot.
function stringRows(dots) {
  const rows = new Array(WIDTH).fill(null);
  for (const [key, colour] of Object.entries(dots))
    if (colour === 'white' || colour === 'green') {
      const [x, y] = key.split(',').map(Number);
      rows[x] = y;
    }
  return rows;
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

// index.html's experiments: each link opens its set-up (the caption, the
// anchors in green on the centre row, running or paused) with no note; the
// standing wave by its picture.
async function checkExperiments(page) {
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
    const paused = String(query.get('paused') === '1');
    await waitFor(() => pressedPause(page), (pressed) => pressed === paused, `${url}: Pause shown pressed: ${paused}`);
    if (!await page.$eval('#note', (note) => note.hidden))
      throw new Failure(`${url} shows a note`);
    if (query.has('arch'))
      await expectStandingWave(page, query.get('arch'));
  }
}

// Any site may frame the pages. The example page frames each program with
// embed=1, at 480 x 360 and
// 320 x 240 CSS px and at one and two device pixels per CSS pixel: only the
// canvas, its caption and its controls, all inside the frame; keys reach a
// program only while its frame has the focus, and the page around it
// scrolls by its keys and by the wheel over the frame; full screen,
// entered and left, keeps the run; a press lands on the pixel drawn under
// it, and every device pixel of the canvas shows the pixel a press there
// edits.
async function checkEmbed(page) {
  // The site lets any other site frame its pages.
  const framing = (await page.goto(`${origin}/wavestring.html?embed=1`)).headers()['content-security-policy'];
  if (framing !== 'frame-ancestors *')
    throw new Failure(`the page is served with Content-Security-Policy: ${framing}`);
  // A frame that does not allow full screen has no Full screen control.
  await page.goto(`${origin}/embedding.html`);
  await page.evaluate(() => document.body.append(Object.assign(document.createElement('iframe'),
    { id: 'no-full-screen', title: 'no full screen', allow: "fullscreen 'none'", src: 'wavestring.html?embed=1' })));
  const bare = await (await page.$('#no-full-screen')).contentFrame();
  await waitFor(() => bare.title(), (title) => title.startsWith('Vibrelle : '), 'a frame that does not allow full screen');
  if (!await bare.$eval('#full-screen', (button) => button.hidden))
    throw new Failure('a frame that does not allow full screen shows Full screen');

  // Both frames as the page has them; then, at two device pixels per CSS
  // pixel, wavestring in the smaller frame (0.8 device pixel per pixel),
  // for its layout and pointer.
  for (const [deviceScaleFactor, id, width, height] of [[1, 'wavestring-frame', 480, 360],
    [1, 'wavestring_paced-frame', 320, 240], [2, 'wavestring-frame', 320, 240]]) {
    const what = `${id} at ${width} x ${height}, ${deviceScaleFactor} device px per CSS px`;
    if (id === 'wavestring-frame') {
      await page.setViewport({ width: 900, height: 700, deviceScaleFactor });
      await page.goto(`${origin}/embedding.html`);
    }
    await page.$eval(`#${id}`, (frame, width, height) => { frame.width = width; frame.height = height; }, width, height);
    const frame = await (await page.$(`#${id}`)).contentFrame();
    await waitFor(() => frame.title(), (title) => title.startsWith('Vibrelle : '), `${what}: the caption`);
    await checkEmbedded(page, frame, id, what, deviceScaleFactor === 1);
  }
}

// One frame of the example page; with keys, also the keys, the wheel and
// full screen.
async function checkEmbedded(page, frame, id, what, withKeys) {
  await page.$eval(`#${id}`, (element) => element.scrollIntoView({ block: 'center' }));
  // Once the frame has taken its new size.
  const layout = await waitFor(() => frame.evaluate(() => {
    const visible = [...document.querySelectorAll('body *')].filter((element) => element.getClientRects().length > 0
      && getComputedStyle(element).visibility !== 'hidden').map((element) => element.id).filter(Boolean);
    const outside = [...document.querySelectorAll('#canvas, #caption, .controls button, #full-page')]
      .filter((element) => !element.hidden && getComputedStyle(element).display !== 'none')
      .map((element) => [element.id || element.textContent.trim(), element.getBoundingClientRect()])
      .filter(([, box]) => box.left < 0 || box.top < 0 || box.right > innerWidth || box.bottom > innerHeight)
      .map(([name]) => name);
    return { visible, outside, scrolls: document.documentElement.scrollHeight > innerHeight || document.documentElement.scrollWidth > innerWidth,
      canvas: document.getElementById('canvas').getBoundingClientRect().toJSON() };
  }), (layout) => layout.outside.length === 0, `${what}: everything inside the frame`);
  const unexpected = layout.visible.filter((name) => !['stage', 'canvas', 'caption', 'status', 'controls', 'pause', 'share',
    'full-screen', 'full-page'].includes(name));
  if (unexpected.length > 0 || layout.outside.length > 0 || layout.scrolls)
    throw new Failure(`${what}: shows ${unexpected.join(', ') || 'nothing else'}; outside the frame: ${layout.outside.join(', ') || 'nothing'};`
      + ` scrolls: ${layout.scrolls}`);
  console.log(`${what}: the canvas ${layout.canvas.width} x ${layout.canvas.height} CSS px at ${layout.canvas.x}, ${layout.canvas.y}`);
  // Full page: the same set-up, not embedded.
  const [framed, full] = await frame.evaluate(() => [location.search, document.getElementById('full-page').search]);
  const expected = new URLSearchParams(framed);
  expected.delete('embed');
  if (full !== `?${expected}`)
    throw new Failure(`${what}: Full page opens ${full}, for a frame of ${framed}`);

  const focusFrame = async () => {
    await page.$eval(`#${id}`, (element) => element.scrollIntoView({ block: 'center' }));
    await frame.click('#caption');
  };
  if (withKeys)
    await checkEmbeddedKeys(page, frame, id, what, focusFrame);
  await focusFrame();
  await keys(page, 'Enter');
  await waitFor(() => pressedPause(frame), (pressed) => pressed === 'true', `${what}: paused`);
  await checkEmbeddedPointer(page, frame, id, what);
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
  await waitFor(() => pressedPause(frame), (pressed) => pressed === 'true', `${what}: paused`);
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
  await waitFor(() => pressedPause(frame), (pressed) => pressed === 'false', `${what}: running again`);
}

// Paused: a press on a whole device pixel edits the pixel drawn there, and
// every device pixel of the canvas shows the pixel a press there edits.
async function checkEmbeddedPointer(page, frame, id, what) {
  await keys(page, ' ');
  await waitPicture(frame, REST, `${what}: cleared`);
  // The frame may lie at a fraction of a device pixel: the browser draws
  // it from the nearest whole one, and a pointer finds it from the next.
  const { origin, first, canvas, ratio } = await page.$eval(`#${id}`, (element) => {
    const box = element.getBoundingClientRect(), ratio = devicePixelRatio;
    const at = [(box.left + element.clientLeft) * ratio, (box.top + element.clientTop) * ratio];
    return { ratio, origin: { x: Math.round(at[0]), y: Math.round(at[1]) }, first: { x: Math.ceil(at[0]), y: Math.ceil(at[1]) } };
  }).then(async (where) => ({ ...where, canvas: await frame.$eval('canvas', (element) => {
    const box = element.getBoundingClientRect();
    return [box.left, box.top, box.width, box.height].map((value) => Math.round(value * devicePixelRatio));
  }) }));
  const [left, top, width, height] = [origin.x + canvas[0], origin.y + canvas[1], canvas[2], canvas[3]];
  // (On whole CSS pixels where the engine's pointer moves by those only.)
  const step = engine.wholeCssPointer ? ratio : 1, on = (device) => Math.ceil(device / step) * step;
  const inside = { x: on(left + width * 0.3), y: on(top + height * 0.6) };
  for (const device of [{ x: on(Math.max(left, first.x)), y: on(Math.max(top, first.y)) },
    { x: on(left + width - step), y: on(top + height - step) }, inside, { x: inside.x + step, y: inside.y }]) {
    await page.mouse.move(device.x / ratio, device.y / ratio);
    await page.mouse.down();
    await page.mouse.up();
    const dots = await waitPicture(frame, (dots) => !same(dots, REST), `${what}: a press at device pixel ${device.x},${device.y}`);
    const [colour] = await waitFor(() => screenColours(page, [device]), ([shown]) => shown === 'white', 'the white dot on the screen')
      .catch(() => screenColours(page, [device]));
    if (colour !== 'white')
      throw new Failure(`${what}: the screen shows ${colour} at device pixel ${device.x},${device.y} after a press there`
        + ` (the frame at ${JSON.stringify(origin)}, the canvas at ${canvas.join(' ')}):\n${differences(dots, REST)}`);
    await keys(page, ' ');
    await waitPicture(frame, REST, `${what}: the string cleared`);
  }
  await expectEveryDevicePixelMapped(page, what, frame, origin);
}

// After one visit, with the host stopped and the HTTP cache cleared, the
// service worker serves the three pages, one with a link's set-up, and a
// pluck runs.
async function checkOffline(page) {
  const { server, origin } = await serve(siteDir);
  const visit = await page.browserContext().newPage();
  await visit.setViewport({ width: 1400, height: 1100 }); // the canvas at twice its size, as in checkPage
  await visit.goto(`${origin}/index.html`);
  await visit.evaluate(() => navigator.serviceWorker.ready.then((registration) => new Promise((resolve) => {
    const worker = registration.active;
    if (worker.state === 'activated')
      resolve();
    worker.addEventListener('statechange', () => worker.state === 'activated' && resolve());
  })));
  await new Promise((resolve) => { server.on('exit', resolve); server.kill(); });
  if (await fetch(origin).then(() => true, () => false))
    throw new Failure('the host still answers once stopped');
  // Elsewhere than in Chromium, that the service worker controls the page
  // stands for its having served it: it serves every file it has.
  if (engine.cdp)
    await (await visit.createCDPSession()).send('Network.clearBrowserCache');
  const fromServiceWorker = async (response) => (engine.cdp ? response.fromServiceWorker()
    : visit.evaluate(() => navigator.serviceWorker.controller !== null));
  // A link with parameters too, as a page of the site.
  for (const [file, shown] of [['index.html'], ['wavestring_paced.html?k=0.5&t=7', caption('0.500000', 7)],
    ['wavestring.html', caption('0.900000', 1)]]) {
    const response = await visit.goto(`${origin}/${file}`);
    if (!response.ok() || !await fromServiceWorker(response))
      throw new Failure(`${file} offline: status ${response.status()}, from the service worker: ${await fromServiceWorker(response)}`);
    if (shown)
      await waitCaption(visit, shown); // the script and the .wasm have run
  }
  await keys(visit, 'ArrowRight', 10); // undamped, so the waves are seen
  await keys(visit, 'Enter');
  await waitCaption(visit, caption('1.000000', 1));
  await press(visit, LEFT, 320, 340);
  await visit.mouse.up({ button: LEFT });
  const plucked = await waitPicture(visit, pluckedAt(320, 340), 'the pluck offline, paused');
  await keys(visit, 'Enter');
  await waitPicture(visit, (dots) => !same(dots, plucked) && !same(dots, REST), 'the pluck running offline');
}

// Chromium would install the site from any of its pages (in a window that
// is not incognito, as the checks' own contexts are). The maskable icon
// keeps its picture in the circle of 40 % of its size round its centre,
// which every mask leaves whole: all of it that is not black.
async function checkInstallable(incognito) {
  const page = await incognito.browser().newPage();
  const session = await page.createCDPSession();
  for (const file of ['index.html', 'wavestring.html', 'wavestring_paced.html']) {
    await page.goto(`${origin}/${file}`);
    const { installabilityErrors } = await session.send('Page.getInstallabilityErrors');
    if (installabilityErrors.length > 0)
      throw new Failure(`${file} is not installable: ${JSON.stringify(installabilityErrors)}`);
  }
  const farthest = await page.evaluate(async () => {
    const image = new Image();
    const { icons } = await (await fetch('manifest.webmanifest')).json();
    image.src = icons.find((icon) => icon.purpose === 'maskable').src;
    await image.decode();
    const context = new OffscreenCanvas(512, 512).getContext('2d');
    context.drawImage(image, 0, 0);
    const data = context.getImageData(0, 0, 512, 512).data;
    let farthest = 0;
    for (let i = 0; i < data.length; i += 4) {
      if (data[i] + data[i + 1] + data[i + 2] > 0 || data[i + 3] < 255) {
        const x = (i / 4) % 512 + 0.5, y = Math.floor(i / 4 / 512) + 0.5;
        farthest = Math.max(farthest, Math.hypot(x - 256, y - 256));
      }
    }
    return farthest;
  });
  await page.close();
  if (farthest > 0.4 * 512)
    throw new Failure(`the maskable icon draws ${farthest.toFixed(1)} px from its centre, out of the safe zone (204.8 px)`);
}

// Lighthouse, on a phone, as it audits a site served as a static host
// serves it: accessibility, best practices and SEO at 100 on every page,
// and the audit of cache lifetimes passed.
// The performance score depends on the machine's load: only reported.
async function checkLighthouse(page) {
  const port = new URL(page.browser().wsEndpoint()).port;
  for (const file of ['index.html', 'wavestring.html', 'wavestring_paced.html', 'embedding.html', 'wavestring.html?embed=1']) {
    const { lhr } = await lighthouse(`${origin}/${file}`, { port, output: 'json', logLevel: 'error',
      onlyCategories: ['performance', 'accessibility', 'best-practices', 'seo'] });
    const score = (category) => Math.round(lhr.categories[category].score * 100);
    const metric = (id) => lhr.audits[id].displayValue;
    console.log(`${file}: performance ${score('performance')}, accessibility ${score('accessibility')}, `
      + `best practices ${score('best-practices')}, SEO ${score('seo')}; FCP ${metric('first-contentful-paint')}, `
      + `LCP ${metric('largest-contentful-paint')}, TBT ${metric('total-blocking-time')}, `
      + `CLS ${metric('cumulative-layout-shift')}, Speed Index ${metric('speed-index')}; `
      + `${lhr.audits['total-byte-weight'].numericValue} bytes transferred; `
      + `cache-lifetime audit: score ${lhr.audits['uses-long-cache-ttl'].score}, ${lhr.audits['uses-long-cache-ttl'].displayValue}`);
    for (const category of ['accessibility', 'best-practices', 'seo']) {
      if (score(category) < 100) {
        const failing = lhr.categories[category].auditRefs.filter((ref) => ref.weight > 0 && lhr.audits[ref.id].score < 1)
          .map((ref) => `${ref.id}: ${lhr.audits[ref.id].title}`);
        throw new Failure(`${file}: ${category} ${score(category)}: ${failing.join('; ')}`);
      }
    }
    // Every file but the HTML is named after its content and kept for a year.
    const cacheLifetime = lhr.audits['uses-long-cache-ttl'];
    if (cacheLifetime.score !== null && cacheLifetime.score < 1)
      throw new Failure(`${file}: ${cacheLifetime.title}: ${cacheLifetime.displayValue}`);
  }
}

// -- a new build on the host -------------------------------------------------

// The checks of an update need a second build whose page script, style
// sheet and programs differ (built with WAVESTRING_WEB_MARK): its site in
// the folder WAVESTRING_OTHER_SITE. A = SITE_DIR, B = that one.
const otherSite = process.env.WAVESTRING_OTHER_SITE;
const sha256 = (data) => createHash('sha256').update(data).digest('hex');
let buildOfSum;

// Which build a file's content is of: 'A' or 'B', or undefined for a file
// that both builds share or that neither has (the page for a missing file).
function buildOf(body) {
  if (!otherSite)
    throw new Failure('no second build: WAVESTRING_OTHER_SITE names none');
  if (!buildOfSum) {
    buildOfSum = new Map();
    for (const [build, dir] of [['A', siteDir], ['B', otherSite]])
      for (const file of readdirSync(dir)) {
        const sum = sha256(readFileSync(join(dir, file)));
        buildOfSum.set(sum, buildOfSum.has(sum) && buildOfSum.get(sum) !== build ? undefined : build);
      }
  }
  return buildOfSum.get(sha256(body));
}

// A copy of a site in a temporary folder, served as make run-web serves.
async function servedCopy(site) {
  const dir = mkdtempSync(join(tmpdir(), 'wavestring-host-'));
  if (site)
    cpSync(site, dir, { recursive: true });
  const { server, origin } = await serve(dir);
  return { dir, origin, close: () => { server.kill(); rmSync(dir, { recursive: true }); } };
}

// The nth visit to a host in context, of one program's page or the other
// in turn, with or without a service worker. Its outcome: 'A' or 'B' when
// it ran that build whole (the caption shows), 'failed' when it says that
// the simulation could not start, else 'mixed: ...' naming the build of
// each file, or 'stuck: ...'. The page is closed unless keepOpen.
async function visit(context, origin, nth, { worker = false, keepOpen = false } = {}) {
  const page = await context.newPage();
  if (!worker)
    await page.evaluateOnNewDocument(() => { delete Navigator.prototype.serviceWorker; });
  const builds = [];
  // A missing file's page is of neither build (and a 404 that the page
  // stops reading never ends).
  page.on('response', (response) => response.ok() && builds.push(response.buffer().then(
    (body) => [new URL(response.url()).pathname, buildOf(body)], () => [response.url(), 'no body'])));
  await page.goto(`${origin}/${nth % 2 ? 'wavestring_paced' : 'wavestring'}.html`);
  const [title, status] = await waitFor(() => page.evaluate(() => [document.title, document.getElementById('status').textContent]),
    ([title, status]) => title.startsWith('Vibrelle : k=') || status.includes('could not start'), 'the page started or failed', 20)
    .catch((failure) => [null, failure.message]);
  const ran = (await Promise.all(builds)).filter(([, build]) => build);
  const names = [...new Set(ran.map(([, build]) => build))];
  if (!keepOpen)
    await page.close();
  return { page, outcome: names.length > 1 ? `mixed: ${ran.map(([path, build]) => `${path} ${build}`).join(', ')}`
    : title === null ? `stuck: ${status}` : status.includes('could not start') ? 'failed' : names[0] };
}

// Build B's files copied one by one over build A's, in alphabetical order
// and in reverse, with a visit before the first and after each file, in
// one browser context. With A's service worker in charge, the browser
// tries B's on every visit, and installs it only once B's files are all
// there: each visit runs one build whole. With none, each visit runs one
// build whole or says that it could not start (a page of B before its
// files are all there), whatever the HTTP cache holds from the visits
// before. After the upload the visits go on, for at most 30 s, until both
// pages in turn run B.
const checkUpload = (worker) => async (page) => {
  const wrong = [];
  for (const order of ['alphabetical', 'reverse']) {
    const host = await servedCopy(siteDir);
    const context = await page.browser().createBrowserContext();
    const outcomes = [];
    const visitNext = async (after) => {
      const { page: visited, outcome } = await visit(context, host.origin, outcomes.length, { worker, keepOpen: true });
      // A's worker in charge from the next visit on. A browser looks for a
      // new sw.js after a visit once the visits pause a while: at once here.
      if (worker)
        await visited.evaluate(() => navigator.serviceWorker.ready.then((registration) => registration.update()))
          .catch(() => {}); // sw.js missing
      await visited.close();
      outcomes.push(outcome);
      if (!['A', 'B', ...(worker ? [] : ['failed'])].includes(outcome))
        wrong.push(`${order}, ${after}: ${outcome}`);
    };
    await visitNext('before');
    const files = readdirSync(otherSite).sort();
    for (const file of order === 'reverse' ? files.reverse() : files) {
      copyFileSync(join(otherSite, file), join(host.dir, file));
      await visitNext(`after ${file}`);
    }
    const deadline = Date.now() + 30000 * scale;
    do
      await visitNext('after the upload');
    while (outcomes.slice(-2).join() !== 'B,B' && ['A', 'B'].includes(outcomes.at(-1)) && Date.now() < deadline);
    if (outcomes.slice(-2).join() !== 'B,B')
      wrong.push(`${order}, the visits after the upload: ${outcomes.at(-1)} ${outcomes.at(-2)}, not both pages B`);
    await context.close();
    host.close();
  }
  if (wrong.length > 0)
    throw new Failure(`visits during an upload${worker ? ', with a service worker' : ''}:\n  ${wrong.join('\n  ')}`);
};

// A file of a page missing from the host: the page says which and that it
// could not start, and runs no frame.
async function checkMissingFile(page) {
  const host = await servedCopy(siteDir);
  const wrong = [];
  for (const [pattern, message] of [[/^style\..*\.css$/, 'style.css failed'], [/^page\..*\.js$/, 'page.js failed'],
    [/^wavestring\..*\.js$/, 'wavestring.js failed'], [/^wavestring\..*\.wasm$/, 'WebAssembly failed']]) {
    const file = readdirSync(host.dir).find((name) => pattern.test(name));
    renameSync(join(host.dir, file), join(host.dir, `${file}.away`));
    const context = await page.browser().createBrowserContext();
    const { page: visited, outcome } = await visit(context, host.origin, 0, { keepOpen: true });
    const [status, frames] = await visited.evaluate(() => [document.getElementById('status').textContent,
      (() => { try { return Module._wavestringFramesRun(); } catch { return 0; } })()]);
    if (outcome !== 'failed' || !status.includes(message) || !status.includes('Reload') || frames !== 0)
      wrong.push(`without ${file}: ${outcome}, "${status}", ${frames} frames run`);
    await context.close();
    renameSync(join(host.dir, `${file}.away`), join(host.dir, file));
  }
  host.close();
  if (wrong.length > 0)
    throw new Failure(wrong.join('; '));
}

// make publish's script into a folder that is served, publishing B and A
// in turn again and again while eight pages are visited there, with no
// service worker: each visit runs one build whole, and B once B is
// published. B published keeping one build then leaves B's files, the
// record and the folder's own file, and none of A's own.
async function checkPublish(page) {
  const host = await servedCopy();
  writeFileSync(join(host.dir, 'notes.txt'), 'not the site\'s');
  const script = fileURLToPath(new URL('../../scripts/publish', import.meta.url));
  const publish = (site, ...keep) => new Promise((resolve, reject) =>
    execFile(script, [site, host.dir, ...keep], (error) => (error ? reject(error) : resolve())));
  await publish(siteDir);
  const context = await page.browser().createBrowserContext();
  let visits = 0;
  const publishing = (async () => {
    for (let count = 0; visits < 8; ++count)
      await publish(count % 2 ? siteDir : otherSite);
  })();
  const wrong = [];
  for (; visits < 9; ++visits) {
    if (visits === 8)
      await publishing.then(() => publish(otherSite));
    const { outcome } = await visit(context, host.origin, visits);
    if (!['A', 'B'].includes(outcome) || (visits === 8 && outcome !== 'B'))
      wrong.push(`visit ${visits + 1}${visits === 8 ? ', after B was published' : ''}: ${outcome}`);
  }
  await context.close();
  await publish(otherSite, '1');
  const left = readdirSync(host.dir).sort().join(' ');
  const expected = [...readdirSync(otherSite), 'notes.txt', '.wavestring-builds'].sort().join(' ');
  host.close();
  if (left !== expected)
    wrong.push(`B published keeping one build left ${left}, expected ${expected}`);
  if (wrong.length > 0)
    throw new Failure(`visits while publishing:\n  ${wrong.join('\n  ')}`);
}

// -- the browser engines ---------------------------------------------------------
// Chromium and Firefox (Debian's firefox-esr, over WebDriver BiDi) are driven
// by puppeteer-core; WebKitGTK, the engine of Safari, by its WebKitWebDriver,
// which starts MiniBrowser on the X display, through selenium-webdriver and
// the adapter below, which gives the checks the part of puppeteer's Page
// they use. Firefox and WebKitGTK run the checks that need no Chromium-only
// feature (CDP): loading, the keys and the controls, the pointer at scale 1
// and 2, touch in Firefox (WebKitGTK's automation has none), and offline.
// Their automation moves the pointer and a finger by whole CSS pixels only,
// so at scale 2 the pointer check presses the device pixels on those.

const engines = {
  chromium: {
    // More browsers for checks that need a real device scale (emulating one
    // draws the page at whole CSS pixels, which no browser does).
    launch: (args = []) => puppeteer.launch({ executablePath: '/usr/bin/chromium', headless: true, defaultViewport: null,
      args: [...chromiumArgs, ...args] }),
    cdp: true, touch: true, phone: true, interception: true,
  },
  firefox: {
    launch: () => puppeteer.launch({ browser: 'firefox', executablePath: '/usr/bin/firefox-esr', protocol: 'webDriverBiDi',
      headless: true, defaultViewport: null }),
    touch: true, interception: true, wholeCssPointer: true,
    checks: ['page', 'pointer', 'touch', 'keyboard', 'bounds', 'escape', 'load_failure', 'offline', 'share', 'bad_links', 'embed'],
    // It has no phone's coarse pointer: the canvas at one CSS pixel per pixel,
    // which a finger on whole CSS pixels can reach every pixel of.
    options: { touch: { viewport: { width: 1000, height: 1100, hasTouch: true } } },
  },
  webkit: {
    launch: async () => ({ createBrowserContext: async () => new WebKitContext(), close: async () => {} }),
    wholeCssPointer: true, rightButton: false,
    checks: ['page', 'pointer', 'keyboard', 'bounds', 'escape', 'offline', 'share', 'bad_links'],
  },
};
const engine = engines[engineName];
if (!engine) {
  console.log(`web_test.mjs: no engine ${engineName}: chromium, firefox or webkit`);
  process.exit(2);
}
const browsers = new Map();
const browserWith = async (args = []) => browsers.get(args.join()) ?? browsers.set(args.join(), await engine.launch(args)).get(args.join());
async function closeBrowsers() {
  for (const browser of browsers.values())
    await browser.close();
}

// Fingers on the screen: touch(type, ...points) takes every finger down
// after the event, as CDP's Input.dispatchTouchEvent does, which keeps
// their fractional CSS positions. Elsewhere, puppeteer's touch handles.
async function fingers(page) {
  if (engine.cdp) {
    const session = await page.createCDPSession();
    return (type, ...points) => session.send('Input.dispatchTouchEvent',
      { type, touchPoints: points.map((point, id) => ({ x: point.x, y: point.y, id })) });
  }
  const down = [];
  return async (type, ...points) => {
    if (type === 'touchEnd') {
      for (const handle of down.splice(0).reverse())
        await handle.end();
      return;
    }
    for (const [finger, point] of points.entries()) {
      if (finger >= down.length)
        down.push(await page.touchscreen.touchStart(point.x, point.y));
      else if (type === 'touchMove')
        await down[finger].move(point.x, point.y);
    }
  };
}

// WebKitGTK: each page is a MiniBrowser of its own, started by a
// WebKitWebDriver of its own (a driver has one session at a time). GDK_SCALE,
// which the driver passes on to MiniBrowser, sets the device scale: a page
// moves to a new MiniBrowser to take a viewport of another scale.
for (const signal of ['SIGINT', 'SIGTERM']) // the drivers and browsers stop too
  process.on(signal, () => process.exit(1));
const miniBrowser = readdirSync('/usr/lib').flatMap((dir) => ['4.1', '4.0'].map((api) => `/usr/lib/${dir}/webkit2gtk-${api}/MiniBrowser`))
  .find((path) => existsSync(path));
async function startWebKitDriver(deviceScale) {
  const port = await new Promise((resolve) => {
    const probe = createServer().listen(0, '127.0.0.1', () => { const { port } = probe.address(); probe.close(() => resolve(port)); });
  });
  const driver = spawn('WebKitWebDriver', [`--port=${port}`], { stdio: 'ignore', env: { ...process.env, GDK_SCALE: String(deviceScale) } });
  process.on('exit', () => driver.kill());
  const url = `http://127.0.0.1:${port}`;
  await waitFor(() => fetch(`${url}/status`).then((response) => response.ok, () => false), Boolean, 'WebKitWebDriver answering');
  return { url, stop: () => driver.kill() };
}
const webdriverKeys = { Enter: Key.ENTER, Escape: Key.ESCAPE, Tab: Key.TAB, ArrowLeft: Key.ARROW_LEFT, ArrowRight: Key.ARROW_RIGHT,
  ArrowUp: Key.ARROW_UP, ArrowDown: Key.ARROW_DOWN, ' ': ' ' };
const webdriverButtons = { [LEFT]: 0, [MIDDLE]: 1, [RIGHT]: 2 };

class WebKitContext {
  pages = [];
  async newPage() {
    const page = new WebKitPage(this);
    await page.open(1);
    this.pages.push(page);
    return page;
  }
  async close() {
    for (const page of this.pages)
      await page.quit();
  }
}

class WebKitPage {
  constructor(context) {
    this.context = context;
    const act = (build) => build(this.driver.actions({ async: true })).perform();
    const key = (name) => webdriverKeys[name] ?? name;
    this.keyboard = {
      press: (name) => act((actions) => actions.keyDown(key(name)).keyUp(key(name))),
      down: (name) => act((actions) => actions.keyDown(key(name))),
      up: (name) => act((actions) => actions.keyUp(key(name))),
    };
    // WebKitWebDriver loses the release of the right and middle buttons:
    // they are pressed as the left one with the tool that stands for them
    // (Kick, Anchor) chosen, and Pluck chosen again after. Where there is
    // no such tool (wavestring_paced has no Anchor) the press does nothing.
    let at = { x: 0, y: 0 }, held = null;
    this.mouse = {
      move: (x, y) => { at = { x, y }; return act((actions) => actions.move({ x, y, origin: Origin.VIEWPORT })); },
      down: async ({ button = LEFT } = {}) => {
        held = button === LEFT || await this.$(`[data-button="${webdriverButtons[button]}"]`) ? button : null;
        if (held !== null && held !== LEFT)
          await this.$eval(`[data-button="${webdriverButtons[button]}"]`, (control) => control.click());
        if (held !== null)
          await act((actions) => actions.move({ ...at, origin: Origin.VIEWPORT }).press(0));
      },
      up: async () => {
        if (held !== null)
          await act((actions) => actions.release(0));
        if (held !== null && held !== LEFT)
          await this.$eval('[data-button="0"]', (control) => control.click());
        held = null;
      },
      click: (x, y) => this.mouse.move(x, y).then(() => act((actions) => actions.press(0).release(0))),
    };
  }
  async open(deviceScale) {
    this.deviceScale = deviceScale;
    this.driverProcess = await startWebKitDriver(deviceScale);
    this.driver = await new Builder().usingServer(this.driverProcess.url)
      .withCapabilities({ browserName: 'MiniBrowser', 'webkitgtk:browserOptions': { binary: miniBrowser, args: ['--automation'] } })
      .build();
    await this.driver.manage().setTimeouts({ script: 60000 * scale });
  }
  async quit() {
    await this.driver.quit();
    this.driverProcess.stop();
  }
  browserContext() { return this.context; }
  setDefaultTimeout() {}
  // Runs fn(...args) in the page and gives what it returns or resolves to.
  async evaluate(fn, ...args) {
    const { value, error } = await this.driver.executeAsyncScript(`const done = arguments[arguments.length - 1];
      Promise.resolve().then(() => (${fn}).apply(null, [...arguments].slice(0, -1)))
        .then((value) => done({ value }), (error) => done({ error: String(error && error.stack || error) }));`, ...args);
    if (error)
      throw new Failure(`in the page: ${error}`);
    return value;
  }
  $eval(selector, fn, ...args) {
    return this.evaluate(`(selector, ...args) => (${fn})(document.querySelector(selector), ...args)`, selector, ...args);
  }
  $(selector) {
    return this.evaluate((selector) => document.querySelector(selector) !== null, selector);
  }
  $$eval(selector, fn, ...args) {
    return this.evaluate(`(selector, ...args) => (${fn})([...document.querySelectorAll(selector)], ...args)`, selector, ...args);
  }
  title() { return this.driver.getTitle(); }
  url() { return this.driver.getCurrentUrl(); }
  focus(selector) { return this.$eval(selector, (element) => element.focus()); }
  click(selector) { return this.driver.findElement(By.css(selector)).click(); }
  // WebDriver says nothing of the response: a page that loads is taken as ok.
  async goto(url) {
    await this.driver.get(url);
    return { ok: () => true, status: () => 'unknown' };
  }
  reload() { return this.driver.navigate().refresh(); }
  screenshot() { return this.driver.takeScreenshot(); }
  // The window sized so that the viewport is width x height, in a session
  // at the device scale asked for, on the same page.
  async setViewport({ width, height, deviceScaleFactor = 1 }) {
    if (deviceScaleFactor !== this.deviceScale) {
      const url = await this.driver.getCurrentUrl();
      await this.quit();
      await this.open(deviceScaleFactor);
      await this.driver.get(url);
    }
    // The window's frame is not known beforehand, and the page learns of a
    // resize a little after it: the window is sized again, once the page
    // has seen the last resize, until the viewport is as asked.
    const browserWindow = this.driver.manage().window();
    let resizedFrom = null;
    await waitFor(async () => {
      const inner = await this.evaluate(() => `${window.innerWidth} x ${window.innerHeight}`);
      if (inner === `${width} x ${height}`)
        return true;
      if (inner !== resizedFrom) {
        const [innerWidth, innerHeight] = inner.split(' x ').map(Number), outer = await browserWindow.getRect();
        await browserWindow.setRect({ width: outer.width + width - innerWidth, height: outer.height + height - innerHeight });
        resizedFrom = inner;
      }
      return false;
    }, Boolean, `a viewport of ${width} x ${height} CSS px`);
  }
}

// -- running them ----------------------------------------------------------------

// wasm: 'abort' fails its download, 404 answers that it is missing. Each
// page comes in a context of its own: a first visit, with no service worker.
async function openPage(browser, origin, { wasm, viewport = { width: 1400, height: 1100, hasTouch: true } } = {}) {
  const page = await (await browser.createBrowserContext()).newPage();
  page.setDefaultTimeout(30000 * scale);
  if (viewport)
    await page.setViewport(viewport);
  if (!engine.interception) {
    await page.goto(`${origin}/${program === 'site' ? 'index' : program}.html`);
    return page;
  }
  page.on('pageerror', (error) => console.log(`page error: ${error.message}`));
  await page.setRequestInterception(true);
  page.on('request', (request) => {
    // The site must work offline; data: URLs are the checks' own screenshots.
    const foreign = !request.url().startsWith(origin) && !request.url().startsWith('data:');
    if (foreign)
      page.foreignRequest = request.url();
    const isWasm = request.url().endsWith('.wasm');
    if (foreign || (isWasm && wasm === 'abort'))
      request.abort();
    else if (isWasm && wasm === 404)
      request.respond({ status: 404, body: 'not found' });
    else
      request.continue();
  });
  await page.goto(`${origin}/${program === 'site' ? 'index' : program}.html`);
  return page;
}

const { origin } = await serve(siteDir);
let failed = false;
const checks = program === 'site'
  ? [['offline', checkOffline], ['installable', checkInstallable], ['axe', checkAxe], ['lighthouse', checkLighthouse],
    ['experiments', checkExperiments], ['embed', checkEmbed],
    ['missing_file', checkMissingFile], ['upload', checkUpload(false)], ['upload_worker', checkUpload(true)],
    ['publish', checkPublish]]
  : [['page', checkPage], ['fit', checkFit], ['pointer', checkPointer],
    ['pointer_at_1.5', checkPointer, { browserArgs: ['--force-device-scale-factor=1.5', '--window-size=1000,700'], viewport: null }],
    ['pointer_at_3', checkPointer, { browserArgs: ['--force-device-scale-factor=3', '--window-size=844,477'], viewport: null, touch: true }],
    ['touch', checkTouch, { viewport: PORTRAIT }],
    ['keyboard', checkKeyboard], ['pace', checkPace], ['bounds', checkBounds], ['escape', checkEscape], ['axe', checkAxe],
    ['link', checkLink], ['bad_links', checkBadLinks], ['share', checkShare],
    ['load_failure', checkLoadFailure, { wasm: 'abort' }], ['load_failure', checkLoadFailure, { wasm: 404 }]];
const chosen = checks.filter(([name]) => (!only || only.split(',').includes(name)) && (!engine.checks || engine.checks.includes(name)))
  .map(([name, check, options = {}]) => [name, check, { ...options, ...engine.options?.[name] }]);
for (const [name, check, options] of chosen) {
  const { wasm } = options;
  const started = Date.now();
  let page;
  try {
    page = await openPage(await browserWith(options.browserArgs), origin, options);
    await check(page, options);
    if (page.foreignRequest)
      throw new Failure(`the page asked another host for ${page.foreignRequest}`);
    console.log(`ok ${name}${wasm ? ` (${wasm})` : ''} in ${((Date.now() - started) / 1000).toFixed(1)} s`);
  } catch (error) {
    failed = true;
    console.log(`FAIL ${name}${wasm ? ` (${wasm})` : ''}: ${error.message}`);
  }
  await page?.browserContext().close();
}
await closeBrowsers();
process.exit(failed ? 1 : 0);
