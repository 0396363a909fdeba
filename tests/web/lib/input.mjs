// What a user does: keys pressed anywhere on the page, the mouse and
// fingers on the canvas, at the device pixels a real pointer would be on.
import { HEIGHT, WIDTH } from './picture.mjs';
import { waitCaption } from './wait.mjs';

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
