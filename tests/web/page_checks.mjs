// The checks of a program's page: each declared once at the end, with the
// pages it runs on and what it needs of the engine; run.mjs opens each
// case's page and passes it in.
import { createRequire } from 'node:module';
import { deflateRawSync } from 'node:zlib';
import { expectEveryDevicePixelMapped, expectPressesLand, expectStopsAt, fingers, keys, LEFT, MIDDLE, pointAt, press,
  RIGHT } from './lib/input.mjs';
import { HEIGHT, ofString, pluckedAt, REST, restRows, same, waitPicture, WIDTH } from './lib/picture.mjs';
import { base64url, expectDamagedString, expectSharedExactly, SPIKE } from './lib/share.mjs';
import { caption, Failure, FIRST_CAPTION, waitCaption, waitFor, waitPaused, waitStatus } from './lib/wait.mjs';

// Frames per second over three seconds by the page's own clock, not
// counting the time the page gave up after a stall (a busy machine may not
// call it for more than 100 ms), and the milliseconds of script (the frames and their
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

// A user's visit, in order: at twice the size, with a touch screen, the
// mouse, a finger and the keys, up to sharing what the page shows; then the
// keyboard alone; then, where the engine has touch, a phone's fingers.
async function checkPage(run) {
  const { page, engine, program, origin } = run;
  await withMouseAndKeys(run);
  await page.goto(`${origin}/${program}.html`);
  await withKeyboardAlone(run);
  if (engine.has.includes('touch')) {
    // Without a phone's coarse pointer, the canvas at one CSS pixel per
    // pixel, which a finger on whole CSS pixels reaches every pixel of.
    await page.setViewport(engine.has.includes('phone') ? PORTRAIT : { width: 1000, height: 1100, hasTouch: true });
    await page.goto(`${origin}/${program}.html`);
    await byTouch(run);
  }
}

// Everything a user does with the mouse, a finger and the keys, up to
// sharing what the page shows.
async function withMouseAndKeys({ page, engine, paced, program, origin, open }) {
  await waitCaption(page, FIRST_CAPTION);
  if ((await page.$eval('#caption', (element) => element.textContent)) !== FIRST_CAPTION)
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
  if (engine.has.includes('touch'))
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
  if (!engine.rightButtonAsTool && await page.evaluate(() => window.menuShown !== false))
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

  // A pluck runs off in waves once resumed: the page runs and presents the
  // frames (how they move is the model's, checked bit for bit by model.web).
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

  // Paused, Share's link opened in a fresh page shows the same waves, the
  // engine's own deflating and inflating between them; and links whose
  // string was cut short, or inflates beyond any string's size, which that
  // inflating meets: the note, and a string at rest.
  await keys(page, 'Enter');
  await waitPaused(page, true, 'the waves paused');
  await expectSharedExactly(page, { open, origin }, `${origin}/${program}.html?k=1&t=1&paused=1&s=`, 'the waves shared');
  if (!paced)
    for (const [what, string] of [['truncated', SPIKE.slice(0, SPIKE.length >> 1)],
      ['inflating to 1 MB', base64url(deflateRawSync(new Uint8Array(1 << 20)))]])
      await expectDamagedString(page, `${origin}/${program}.html?s=${string}`, what);
}

// The pace: 1000 frames a second, or 1000 / t when paced; after a second
// with no animation frames (a hidden tab, a busy page), at most 100 ms of
// frames, one per ms, are caught up. The rate at t = 0, with no pause, is
// only reported, and only measured when WAVESTRING_MEASURE is 1 (make bench).
// Then the bounds of k and t (expectBounds).
async function checkPace({ page, program, paced }) {
  await waitCaption(page, FIRST_CAPTION);
  await expectRate(page, 1000, `${program} at t=1`);
  if (paced) {
    await keys(page, 'ArrowUp', 9);
    await waitCaption(page, caption('0.900000', 10));
    await expectRate(page, 100, `${program} at t=10`);
    await keys(page, 'ArrowDown', 10);
    await waitCaption(page, caption('0.900000', 0));
    if (process.env.WAVESTRING_MEASURE === '1') {
      const { rawRate, note } = await frameRate(page);
      console.log(`${program} at t=0: ${rawRate.toFixed(0)} frames/s (${note}; reported only)`);
    }
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
  await expectBounds(page, paced);
}

// k stops at 0 and 1, t at its lower bound (1, or 0 when paced): the keys
// reach the caption, and the bounds hold, on the web. (That t stops at 1000
// is the model's: the unit tests show it, and held_keys in a window.) Once,
// in Chromium, with the pace: the keys reach the caption in every engine
// (page), and the steps of k are the model's, checked bit for bit by
// model.web.
async function expectBounds(page, paced) {
  const low = paced ? 0 : 1;
  await waitCaption(page, FIRST_CAPTION);
  await expectStopsAt(page, 'ArrowRight', caption('1.000000', 1), 'ArrowLeft', caption('0.990000', 1));
  await expectStopsAt(page, 'ArrowLeft', caption('0.000000', 1), 'ArrowRight', caption('0.010000', 1));
  await expectStopsAt(page, 'ArrowDown', caption('0.010000', low), 'ArrowUp', caption('0.010000', low + 1));
}

// The canvas fills the room it has: whole device pixels per pixel on a
// desktop, any whole number of device pixels in all on a phone, with the
// controls in view beside it when the phone is held sideways.
const PHONE = { deviceScaleFactor: 3, isMobile: true, hasTouch: true };
const PORTRAIT = { width: 390, height: 844, ...PHONE }, LANDSCAPE = { width: 844, height: 390, ...PHONE };
async function expectFit(page) {
  const fits = [[PORTRAIT, 'portrait phone'], [LANDSCAPE, 'landscape phone'],
    [{ width: 1366, height: 768 }, 'desktop 1366 x 768', 1], [{ width: 1920, height: 1080 }, 'desktop 1920 x 1080', 2]];
  for (const [viewport, what, wholeScale] of fits) {
    await page.setViewport(viewport);
    await page.reload();
    await waitCaption(page, FIRST_CAPTION);
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

// Where the engine emulates a phone, the canvas's fit first. Then a mouse
// press edits the pixel that the screen shows under the pointer, on whole
// device pixels: at one device pixel per pixel with the canvas at a
// fractional offset, and at two. While paused, the pressed pixel's dot is
// on that very device pixel. (A fractional number on a phone: pointer_scaled.)
async function checkPointer({ page, engine }) {
  if (engine.has.includes('phone'))
    await expectFit(page);
  await expectPointer(page, engine, [
    [{ width: 1000, height: 700 }, 'scale 1, the header 0.3 px taller and the canvas 0.4 px to the right', true, 1],
    [{ width: 700, height: 620, deviceScaleFactor: 2 }, 'scale 2 at 2 device px per CSS px', false, 2]]);
}

// The same at real device scales, which the browser is started with:
// emulating one draws the page at whole CSS pixels, which no browser does;
// one of them a phone's, at a fractional number of device pixels per pixel.
async function checkPointerAtDeviceScale({ page, engine, options: { touch } }) {
  if (touch) // a phone's coarse pointer, at the browser's own device scale
    await (await page.createCDPSession()).send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 5 });
  await expectPointer(page, engine,
    [[null, `a device scale of ${touch ? '3, a phone held sideways' : '1.5, the header 0.3 px taller'}`, !touch, touch ? 2.2 : 1]]);
}

// At each [viewport (null: the browser's own), what, whether the canvas is
// moved by fractions of a CSS pixel, device pixels per pixel].
async function expectPointer(page, engine, scales) {
  for (const [viewport, what, shift, perPixel] of scales) {
    if (viewport)
      await page.setViewport(viewport);
    await page.reload();
    await waitCaption(page, FIRST_CAPTION);
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
    await expectPressesLand(page, ratio, [{ x: left, y: top }, { x: left + width - step, y: top + height - step }, ...inside], what);
    await expectEveryDevicePixelMapped(page, what);
  }
}

// On a phone, by touch: the controls by a tap, a held t + that repeats and
// speeds up, each tool's dot under the finger, a drag that scrolls nothing,
// and a second finger that is ignored.
async function byTouch({ page, engine, paced }) {
  const touch = await fingers(page, engine);
  const tapAt = async (point) => { await touch('touchStart', point); await touch('touchEnd'); };
  const control = async (name) => {
    const [box, ratio] = await page.evaluate((name) => {
      const button = [...document.querySelectorAll('.controls button')].find((button) => button.textContent.trim().startsWith(name));
      return [button && button.getBoundingClientRect().toJSON(), window.devicePixelRatio];
    }, name);
    if (!box)
      throw new Failure(`no control named ${name}`);
    return { x: Math.round((box.x + box.width / 2) * ratio) / ratio, y: Math.round((box.y + box.height / 2) * ratio) / ratio };
  };
  const tap = async (name) => tapAt(await control(name));
  const pressed = (name) => page.evaluate((name) => [...document.querySelectorAll('.controls button')]
    .find((button) => button.textContent.trim().startsWith(name)).getAttribute('aria-pressed'), name);
  await waitCaption(page, FIRST_CAPTION);

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

// From the keyboard alone: Escape ends the run (no more frames, the page
// says so) and Return on "Start again" starts a new one; Tab reaches every
// control in the order it is read, each with a visible focus; Return on
// Pause pauses, and the live region says so; t + pressed many times is
// announced once, with its last t.
async function withKeyboardAlone({ page }) {
  await waitCaption(page, FIRST_CAPTION);
  await keys(page, 'Escape');
  await waitStatus(page, 'The run has ended (Escape).', 'the message that the run has ended');
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
  await waitCaption(page, FIRST_CAPTION);
  await waitPicture(page, REST, 'the string at rest after starting again');

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
  // Return held on Pause: the repeats do not pause and resume again.
  await page.focus('#pause');
  await page.keyboard.down('Enter');
  for (let repeat = 0; repeat < 3; ++repeat)
    await page.keyboard.down('Enter', { autoRepeat: true });
  await page.keyboard.up('Enter');
  await waitStatus(page, 'Paused.', 'Paused. in the live region');
  await waitCaption(page, caption('0.900000', 1)); // Return on a control is not also a key for the program
  if (await page.$eval('#pause', (button) => button.getAttribute('aria-pressed')) !== 'true')
    throw new Failure('Pause is not shown pressed');
  await page.evaluate(() => { window.news = []; new MutationObserver(() => window.news.push(document.getElementById('status').textContent))
    .observe(document.getElementById('status'), { childList: true, characterData: true, subtree: true }); });
  await keys(page, 'ArrowUp', 5);
  await waitStatus(page, 't = 6.', 't = 6. in the live region');
  const news = await page.evaluate(() => window.news);
  if (news.length > 2)
    throw new Failure(`five presses of t + were announced ${news.length} times: ${news.join(' ')}`);
  // And by the mouse: a click of k − is one press.
  await page.click('[data-key="37"]');
  await waitCaption(page, caption('0.890000', 6));
  await waitStatus(page, 'k = 0.89.', 'k = 0.89. in the live region');
}

// When the .wasm fails to download, or is missing, the page says so.
async function checkLoadFailure({ page }) {
  await waitStatus(page, /WebAssembly failed to load/, 'the message that the WebAssembly failed to load');
}


// No violation of the WCAG 2.2 AA rules of axe-core, while a program runs
// and once Escape has ended it, on a desktop in English (as an English
// browser gets the page, with no lang in the link) with the link Share made;
// wavestring on a phone in French, with a link's note, and embedded, in a
// frame's 480 x 360; index.html on a desktop in English and on a phone in
// French, and embedding.html on a desktop in French. (Each language, and
// each layout, with each state of the page at least once: the languages
// differ in their words only.)
const DESKTOP = { width: 1280, height: 800 }, EMBEDDED = { width: 480, height: 360 };
const axeSource = createRequire(import.meta.url).resolve('axe-core/axe.min.js');

async function expectNoViolations(page, what) {
  await page.addScriptTag({ path: axeSource });
  const violations = await page.evaluate(async () =>
    (await axe.run({ runOnly: { type: 'tag', values: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'wcag22aa'] } }))
      .violations.map((v) => `${v.id} (${v.nodes.map((node) => node.target.join(' ')).join(', ')}): ${v.help}`));
  if (violations.length > 0)
    throw new Failure(`${what}: ${violations.join('; ')}`);
}

async function checkAxe({ page, program, paced }) {
  // The page as opened first, on a desktop, in English.
  const opened = page.url().slice(page.url().lastIndexOf('/') + 1);
  const visits = !program ? [[opened, null], ['index.html?lang=fr', PORTRAIT], ['embedding.html?lang=fr', DESKTOP]]
    : [[opened, null, FIRST_CAPTION], ...(paced ? [] : [[`${program}.html?lang=fr&k=5`, PORTRAIT, caption('1.000000', 1)],
      [`${program}.html?embed=1`, EMBEDDED, FIRST_CAPTION]])];
  for (const [file, viewport, shown] of visits) {
    const what = `${file}${viewport ? ` at ${viewport.width} x ${viewport.height}` : ''}`;
    if (viewport) {
      await page.setViewport(viewport);
      await page.goto(new URL(file, page.url()).href);
    }
    if (!program) {
      await expectNoViolations(page, what);
      continue;
    }
    await waitCaption(page, shown);
    if (!viewport) {
      await page.click('#share');
      await waitFor(() => page.$eval('#shared', (field) => field.hidden), (hidden) => !hidden, 'the link Share made');
    } else if (viewport === PORTRAIT) {
      await waitFor(() => page.$eval('#note', (note) => note.hidden), (hidden) => !hidden, "the link's note");
    }
    await expectNoViolations(page, `${what}, running`);
    if (viewport)
      continue;
    await keys(page, 'Escape');
    await waitFor(() => page.$eval('#again', (again) => again.hidden), (hidden) => !hidden, 'the end of the run');
    await expectNoViolations(page, `${what}, after Escape`);
  }
}

// -- the checks, and the cases each runs ---------------------------------------
// A case opens a program's page, or another page by its path, in a context
// of its own (a first visit); with viewport, browser ({ args, lang }), wasm
// ('abort' fails its download, 404 answers that it is missing), query (the
// page's URL parameters) and engines (the only ones it runs in) as it says.
// needs: what the engine must have.

const BOTH = [{ program: 'wavestring' }, { program: 'wavestring_paced' }];
const MAIN = [{ program: 'wavestring' }];
// Both programs in Chromium, wavestring alone elsewhere: what an engine does
// with the page is the same for both; they differ in the program.
const BOTH_IN_CHROMIUM = [{ program: 'wavestring' }, { program: 'wavestring_paced', engines: ['chromium'] }];

export default [
  { name: 'page', cases: BOTH_IN_CHROMIUM, run: checkPage },
  { name: 'pointer', cases: MAIN, run: checkPointer },
  {
    name: 'pointer_scaled', needs: ['cdp', 'device scale'], run: checkPointerAtDeviceScale, cases: [
      { program: 'wavestring', viewport: null, browser: { args: ['--force-device-scale-factor=1.5', '--window-size=1000,700'] } },
      { program: 'wavestring', viewport: null, touch: true,
        browser: { args: ['--force-device-scale-factor=3', '--window-size=844,477'] } },
    ],
  },
  { name: 'pace', cases: BOTH, needs: ['cdp'], run: checkPace },
  { name: 'axe', cases: [...BOTH, { path: 'index.html' }], needs: ['phone'], run: checkAxe },
  {
    name: 'load_failure', needs: ['interception'], run: checkLoadFailure,
    cases: [{ program: 'wavestring', wasm: 'abort' }, { program: 'wavestring_paced', wasm: 404 }],
  },
];
