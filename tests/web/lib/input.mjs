// What a user does: keys pressed anywhere on the page, the mouse and
// fingers on the canvas, at the device pixels a real pointer would be on.
import { differences, HEIGHT, onScreenshot, REST, same, screenColours, waitPicture, WIDTH } from './picture.mjs';
import { Failure, waitCaption, waitFor, waitStatus } from './wait.mjs';

export const LEFT = 'left', MIDDLE = 'middle', RIGHT = 'right';

// Where a real pointer would be to touch the pixel at column x, row y: on
// the whole device pixel nearest the pixel's centre, the browser drawing the
// canvas from the device pixel nearest its box's corner. In CSS pixels.
export async function pointAt(page, x, y) {
  const { box, ratio } = await page.$eval('canvas', (canvas) =>
    ({ box: canvas.getBoundingClientRect().toJSON(), ratio: window.devicePixelRatio }));
  const device = (start, size, pixel, count) =>
    Math.round(start * ratio) + Math.floor((pixel + 0.5) * Math.round(size * ratio) / count);
  return { x: device(box.x, box.width, x, WIDTH) / ratio, y: device(box.y, box.height, y, HEIGHT) / ratio };
}

export async function press(page, button, x, y) {
  const point = await pointAt(page, x, y);
  await page.mouse.move(point.x, point.y);
  await page.mouse.down({ button });
}

export async function keys(page, key, count = 1) {
  for (let i = 0; i < count; ++i)
    await page.keyboard.press(key);
}

// Presses key until the caption reads wanted, then three more times: it
// must stay; then back once, which the caption must show as backCaption.
export async function expectStopsAt(page, key, wanted, back, backCaption) {
  for (let i = 0; i < 1100 && (await page.title()) !== wanted; ++i)
    await keys(page, key);
  await waitCaption(page, wanted);
  await keys(page, key, 3);
  await keys(page, back);
  await waitCaption(page, backCaption);
}

// Fingers on the screen: touch(type, ...points) takes every finger down
// after the event, as CDP's Input.dispatchTouchEvent does, which keeps
// their fractional CSS positions. Elsewhere, puppeteer's touch handles.
export async function fingers(page, engine) {
  if (engine.has.includes('cdp')) {
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

// While paused, a press at each device pixel of the viewport (at ratio
// device pixels per CSS pixel) edits the pixel the screen shows there: the
// canvas of frame (the page's, or that of a frame in it) changes, and the
// screen shows the white dot on that very device pixel; Space then clears
// the string. where: more to say of the place, should it fail.
export async function expectPressesLand(page, ratio, devices, what, { frame = page, where = '' } = {}) {
  for (const device of devices) {
    await page.mouse.move(device.x / ratio, device.y / ratio);
    await page.mouse.down();
    await page.mouse.up();
    const dots = await waitPicture(frame, (dots) => !same(dots, REST), `${what}: a press at device pixel ${device.x},${device.y}`);
    // The screen may show the canvas a refresh or so after it changed
    // (WebKitGTK's screenshots lag under load).
    const [colour] = await waitFor(() => screenColours(page, [device]), ([shown]) => shown === 'white',
      'the white dot on the screen').catch(() => screenColours(page, [device]));
    if (colour !== 'white')
      throw new Failure(`${what}: the screen shows ${colour} at device pixel ${device.x},${device.y} after a press there${where};`
        + ` the canvas:\n${differences(dots, REST)}`);
    await keys(page, ' ');
    await waitPicture(frame, REST, `${what}: the string cleared`);
  }
}

// The run ended, every pixel of the canvas gets a colour of its own; then
// the screen must show, at every device pixel of the canvas, the pixel that
// the page maps a pointer there to. frame: the page, or a frame in it whose
// viewport starts at origin on the screen, in device pixels.
export async function expectEveryDevicePixelMapped(page, what, frame = page, origin = { x: 0, y: 0 }) {
  await keys(page, 'Escape');
  await waitStatus(frame, /ended/, 'the end of the run');
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
  const read = () => onScreenshot(frame, (screen, origin) => {
    const ratio = window.devicePixelRatio, box = document.getElementById('canvas').getBoundingClientRect();
    const [left, top] = [Math.round(box.left * ratio), Math.round(box.top * ratio)];
    const [width, height] = [Math.round(box.width * ratio), Math.round(box.height * ratio)];
    const data = screen.getImageData(origin.x + left, origin.y + top, width, height).data;
    // pixelUnder maps each axis on its own: the column of each device
    // column, the row of each device row.
    const columns = Array.from({ length: width }, (_, dx) => pixelUnder((left + dx) / ratio, top / ratio).x);
    const rows = Array.from({ length: height }, (_, dy) => pixelUnder(left / ratio, (top + dy) / ratio).y);
    const wrong = [];
    for (let dy = 0, i = 0; dy < height; ++dy)
      for (let dx = 0; dx < width; ++dx, i += 4) {
        const shown = { x: data[i] | ((data[i + 2] & 3) << 8), y: data[i + 1] | (((data[i + 2] >> 2) & 1) << 8) };
        const mapped = { x: columns[dx], y: rows[dy] };
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
