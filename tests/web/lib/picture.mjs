// What the canvas shows, as a map from 'column,row' to a colour name for
// every pixel that is not black, and the pictures a string draws.
import { Failure, waitFor } from './wait.mjs';

export const WIDTH = 640, HEIGHT = 480, CENTRE_ROW = 240;

export async function picture(page) {
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

export const restRows = () => new Array(WIDTH).fill(CENTRE_ROW);

// A string drawn on rows[x]: white (green when anchored) over red on velocityRows[x].
export function ofString(rows, { anchors = [], velocityRows = restRows() } = {}) {
  const dots = {};
  rows.forEach((row, x) => {
    dots[`${x},${velocityRows[x]}`] = 'red';
    dots[`${x},${row}`] = anchors.includes(x) ? 'green' : 'white';
  });
  return dots;
}
export const REST = ofString(restRows());

export function pluckedAt(x, row) {
  const rows = restRows();
  rows[x] = row;
  return ofString(rows);
}

// Each column's displacement row (its white or green dot), or null.
export function stringRows(dots) {
  const rows = new Array(WIDTH).fill(null);
  for (const [key, colour] of Object.entries(dots))
    if (colour === 'white' || colour === 'green') {
      const [x, y] = key.split(',').map(Number);
      rows[x] = y;
    }
  return rows;
}

export function differences(have, want) {
  const keys = [...new Set([...Object.keys(have), ...Object.keys(want)])];
  const lines = keys.filter((key) => have[key] !== want[key])
    .map((key) => `  column,row ${key}: ${have[key] || 'black'}, expected ${want[key] || 'black'}`);
  return lines.slice(0, 8).join('\n') + (lines.length > 8 ? `\n  ... ${lines.length - 8} more` : '');
}
export const same = (a, b) => differences(a, b) === '';

// Polls the canvas until it shows wanted (dots, or a function of the dots
// that says whether they are the ones).
export async function waitPicture(page, wanted, what, seconds) {
  try {
    return await waitFor(() => picture(page), (dots) => (typeof wanted === 'function' ? wanted(dots) : same(dots, wanted)),
      what, seconds);
  } catch (failure) {
    if (typeof wanted !== 'function')
      failure.message = `${what}:\n${differences(await picture(page), wanted)}`;
    throw failure;
  }
}

// A screenshot of the viewport, decoded by the browser: read(context, ...args)
// runs in the page on a 2D context that holds it, in device pixels. A frame
// (embedded) decodes the screenshot of its page.
export async function onScreenshot(page, read, ...args) {
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
export const screenColours = (page, devicePoints) => onScreenshot(page, (context, devicePoints) => devicePoints.map(({ x, y }) => {
  const [r, g, b] = context.getImageData(x, y, 1, 1).data;
  return { ffffff: 'white', ff0000: 'red', '00ff00': 'green', '000000': 'black' }[
    ((r << 16) | (g << 8) | b).toString(16).padStart(6, '0')] || `rgb(${r},${g},${b})`;
}), devicePoints);
