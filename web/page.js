// What a program's page does around the simulation: the caption, the
// canvas's scale, the keys, the pointer and fingers, the controls, and what
// the page says when the run ends or cannot start. Its texts are the keys of
// the page's tables (lang.js: text, showText).
'use strict';

const canvas = document.getElementById('canvas');
const statusLine = document.getElementById('status');
const again = document.getElementById('again');
const pauseButton = document.getElementById('pause');
// SDL's key repeat, which the program also sets on the desktop: the program
// tells its own when it starts.
let keyRepeat = { delay: 500, interval: 30 };

// The page without its style sheet is not the page: it says so, and the
// program, finding the HTML's Module rather than this one, does not start.
// (pageFailed is the HTML's.) A style sheet that failed to load is left
// empty, or has no sheet at all.
if (!document.querySelector('link[rel="stylesheet"]').sheet?.cssRules.length)
  pageFailed('failed.file', { file: 'style.css' });
if (pageFailure !== null)
  throw new Error(text(pageFailure.key, pageFailure.values));

// The program's keys reach SDL from anywhere on the page; every other key,
// any key with Ctrl, Alt or Meta, and Return and Space on a link or a button
// are left to the browser (reload, find, zoom, Tab, "Start again" ...). SDL
// cancels the default of the keys it gets, so the arrow keys and Space do
// not scroll the page.
const programKeyCodes = new Set([13, 27, 32, 37, 38, 39, 40]);
const sdlKeyHandlers = {};
for (const type of ['keydown', 'keyup']) {
  document.addEventListener(type, (event) => {
    const withModifier = event.ctrlKey || event.altKey || event.metaKey;
    const activates = (event.keyCode === 13 || event.keyCode === 32) && event.target.closest?.('a, button');
    if (programKeyCodes.has(event.keyCode) && (type === 'keyup' || !withModifier) && !activates)
      forwardKey(event);
  });
}
// A key for the program, from the keyboard or a control.
function forwardKey(event) {
  if (!sdlKeyHandlers[event.type])
    return;
  if (event.type === 'keydown' && event.keyCode === 32 && !event.repeat)
    announce('status.cleared');
  sdlKeyHandlers[event.type](event);
}
function sendKey(type, keyCode, repeat = false) {
  forwardKey({ type, keyCode, repeat, preventDefault: () => {} });
}
// Keys released in another window send no key-up here. SDL releases on blur
// only the keys whose presses it has taken from its queue already: these
// releases queue behind any press still waiting.
window.addEventListener('blur', () => {
  releaseControl();
  for (const keyCode of programKeyCodes)
    sendKey('keyup', keyCode);
}, { passive: true });

// Why, in the browser's console; the page says it plainly.
function wasmFailed(why) {
  console.error(why);
  pageFailed(typeof WebAssembly === 'undefined' ? 'failed.no_wasm' : 'failed.wasm');
}

var Module = {
  canvas: canvas,
  // The program only writes the screen's pixels: locking it need not copy
  // the canvas back.
  screenIsReadOnly: true,
  keyboardListeningElement: { addEventListener: (type, handler) => { sdlKeyHandlers[type] = handler; } },
  onRuntimeInitialized: () => {
    Module.started = true;
    showText(statusLine, null);
  },
  wavestringStarted: (delay, interval) => { keyRepeat = { delay, interval }; },
  wavestringRunning: (running) => {
    pauseButton.setAttribute('aria-pressed', String(!running));
    announce(running ? 'status.running' : 'status.paused');
  },
  onAbort: wasmFailed,
  wavestringFailed: (reason) => pageFailed('failed.reason', { reason }),
  wavestringEnded: () => {
    ended = true;
    clearTimeout(announceTimer);
    showText(statusLine, 'status.ended');
    again.hidden = false;
    again.focus();
  },
};
again.addEventListener('click', () => location.reload(), { passive: true });
// Emscripten reports a failed download of the .wasm as an unhandled promise
// rejection, not through onAbort.
window.addEventListener('unhandledrejection', (event) => {
  if (!Module.started)
    wasmFailed(event.reason);
}, { passive: true });

// What a key or a control changed is said in the status line, a polite
// live region, for screen readers too: at most once a second, the latest
// news winning, so that a held key does not flood it. The news is the key of
// its text, and the values of the text's {names}.
let lastAnnounced = -Infinity, announcement = null, announceTimer = null, ended = false;
function announce(key, values) {
  if (ended)
    return;
  announcement = { key, values };
  announceTimer ??= setTimeout(() => {
    showText(statusLine, announcement.key, announcement.values);
    announceTimer = null;
    lastAnnounced = performance.now();
  }, Math.max(0, lastAnnounced + 1000 - performance.now()));
}

// The caption SDL sets as the document's title, shown on the page as well;
// a new k or t is announced.
let shownParameters = null;
new MutationObserver(() => {
  document.getElementById('caption').textContent = document.title;
  const parameters = /k=([\d.]+) et t=(\d+)/.exec(document.title);
  if (parameters === null)
    return;
  const [k, t] = [Number(parameters[1]).toFixed(2), parameters[2]];
  if (shownParameters !== null && k !== shownParameters.k)
    announce('status.k', { k: { number: Number(k), digits: 2 } });
  else if (shownParameters !== null && t !== shownParameters.t)
    announce('status.t', { t });
  shownParameters = { k, t };
}).observe(document.querySelector('title'), { childList: true });


// The canvas's size: as large as the window leaves room for, beside the
// controls or above them, whichever gives more. Whole device pixels per
// pixel wherever that loses at most a tenth of the room, and always on a
// desktop; otherwise, on a phone or a tablet, a multiple of 1/5 of a device
// pixel per pixel (a width of 128n device pixels), at least one: no column
// or row is ever dropped, and no device pixel has its centre on the border
// of two pixels, where a browser may draw either.
//
// The canvas is put on whole device pixels, and on whole CSS pixels where
// there is a whole number of device pixels per CSS pixel: a browser may
// round the canvas's place to either before it draws it, and the pointer
// must find the pixel it draws (pixelUnder).
const PANEL_WIDTH = 17 * 16, GAP = 16;
const stage = document.getElementById('stage');
function fitCanvas() {
  const ratio = window.devicePixelRatio || 1;
  stage.style.padding = '0';
  const margin = parseFloat(getComputedStyle(document.body).marginLeft);
  const width = document.documentElement.clientWidth - 2 * margin;
  const height = window.innerHeight - (stage.getBoundingClientRect().top + window.scrollY) - 8;
  const fit = (roomWidth) => Math.min(roomWidth / 640, height / 480);
  const below = fit(width), beside = fit(width - PANEL_WIDTH - GAP);
  const room = (beside >= 0.9 * below ? beside : below) * ratio; // in device pixels per pixel
  const whole = Math.floor(room);
  const coarse = window.matchMedia('(pointer: coarse)').matches;
  const devicePixels = whole >= 1 && (!coarse || whole >= 0.9 * room) ? whole : Math.max(1, Math.floor(room * 5) / 5);
  const cssWidth = Math.round(640 * devicePixels) / ratio;
  document.documentElement.style.setProperty('--canvas-width', `${cssWidth}px`);
  document.documentElement.style.setProperty('--canvas-height', `${cssWidth * 3 / 4}px`);
  const unit = Number.isInteger(ratio) ? 1 : 1 / ratio; // a whole CSS pixel, or a device pixel where that is finer
  const box = canvas.getBoundingClientRect();
  const offset = (start) => Math.ceil(start / unit - 1e-6) * unit - start;
  stage.style.padding = `${offset(box.top + window.scrollY)}px 0 0 ${offset(box.left + window.scrollX)}px`;
}
window.addEventListener('resize', fitCanvas, { passive: true });
// What is above the canvas can change the room and the canvas's offset.
new ResizeObserver(fitCanvas).observe(document.querySelector('header'));
fitCanvas();

// The pixel of the string that the browser draws under a point of the page.
// It draws the canvas from the device pixel nearest its box's corner (the
// box is on a whole one, but for a fractional scroll), and each device pixel
// shows the pixel under its centre. Mouse events carry whole CSS pixels
// only; pointer events carry the device pixel, which a pointer is always on
// (its position is a whole number of device pixels, give or take float
// rounding).
function pixelUnder(clientX, clientY) {
  const ratio = window.devicePixelRatio || 1;
  const box = canvas.getBoundingClientRect();
  const axis = (client, start, size, count) => {
    const first = Math.round(start * ratio), length = Math.round(size * ratio);
    const device = Math.floor(client * ratio + 1e-3);
    const pixel = Math.floor((device + 0.5 - first) * count / length);
    return Math.min(Math.max(pixel, 0), count - 1);
  };
  return { x: axis(clientX, box.left, box.width, canvas.width), y: axis(clientY, box.top, box.height, canvas.height) };
}

// SDL maps a mouse event's page position onto the canvas by its box,
// without rounding the box to device pixels, and truncates: an event at the
// centre of a pixel reaches it whatever the box's offset and scale. A
// MouseEvent holds whole CSS pixels only, so the position is given as the
// event's own pageX and pageY, which is all SDL reads of it.
function sendMouse(type, pixel, button = 0) {
  const box = canvas.getBoundingClientRect();
  const event = new MouseEvent(type, { button });
  Object.defineProperties(event, {
    pageX: { value: window.scrollX + box.left + (pixel.x + 0.5) * box.width / canvas.width },
    pageY: { value: window.scrollY + box.top + (pixel.y + 0.5) * box.height / canvas.height },
  });
  canvas.dispatchEvent(event);
}

// The browser's own mouse events never reach SDL (nor do touches, which it
// does not listen to here): the pointer's events stand for them, placed on
// the pixel under the pointer. SDL would also end a drag when the pointer
// leaves the canvas; the page keeps the pointer captured instead, its
// position kept inside the canvas, as SDL keeps the desktop's cursor inside
// the window.
for (const type of ['mousedown', 'mouseup', 'mousemove', 'mouseout'])
  window.addEventListener(type, (event) => {
    if (event.isTrusted && event.target === canvas) {
      event.stopImmediatePropagation();
      if (type === 'mousedown')
        event.preventDefault(); // no selecting, dragging or pasting from the canvas
    }
  }, { capture: true });

// What the primary button and a finger do: the left button (Pluck), the
// right one (Kick) or the middle one (Anchor); the other mouse buttons keep
// their own. DOM buttons: 0 left, 1 middle, 2 right.
let toolButton = 0;
const heldButtons = new Map(); // pointer -> the DOM button it holds down
let finger = null; // the one touch or pen that edits; others are ignored
const sdlButton = (button) => (button === 0 ? toolButton : button);

canvas.addEventListener('pointerdown', (event) => {
  if (event.button > 2 || (event.pointerType !== 'mouse' && finger !== null))
    return;
  if (event.pointerType !== 'mouse')
    finger = event.pointerId;
  canvas.setPointerCapture(event.pointerId);
  const pixel = pixelUnder(event.clientX, event.clientY);
  sendMouse('mousemove', pixel);
  const button = sdlButton(event.button);
  heldButtons.set(`${event.pointerId}/${event.button}`, button);
  sendMouse('mousedown', pixel, button);
}, { passive: true });
canvas.addEventListener('pointermove', (event) => {
  if (event.pointerType !== 'mouse' && event.pointerId !== finger)
    return;
  const pixel = pixelUnder(event.clientX, event.clientY);
  sendMouse('mousemove', pixel);
  // A mouse button pressed or released while another is held.
  if (event.pointerType === 'mouse' && event.button >= 0 && event.button <= 2) {
    const bit = [1, 4, 2][event.button];
    releaseOrPress(event, pixel, (event.buttons & bit) !== 0);
  }
}, { passive: true });
function releaseOrPress(event, pixel, down) {
  const key = `${event.pointerId}/${event.button}`;
  if (down) {
    heldButtons.set(key, sdlButton(event.button));
    sendMouse('mousedown', pixel, heldButtons.get(key));
  } else if (heldButtons.has(key)) {
    sendMouse('mouseup', pixel, heldButtons.get(key));
    heldButtons.delete(key);
  }
}
for (const type of ['pointerup', 'pointercancel'])
  canvas.addEventListener(type, (event) => {
    if (event.pointerType !== 'mouse' && event.pointerId !== finger)
      return;
    const pixel = pixelUnder(event.clientX, event.clientY);
    sendMouse('mousemove', pixel);
    for (const key of [...heldButtons.keys()].filter((key) => key.startsWith(`${event.pointerId}/`)))
      releaseOrPress({ pointerId: event.pointerId, button: Number(key.split('/')[1]) }, pixel, false);
    if (event.pointerId === finger)
      finger = null;
  }, { passive: true });

// The controls send the program's own keys. Held by a pointer, an arrow
// control repeats as a held key does, with SDL's delay and interval. Return
// or Space on a focused control is a click, which presses its key once.
let heldControl = null;
function releaseControl() {
  if (heldControl === null)
    return;
  clearTimeout(heldControl.timer);
  sendKey('keyup', heldControl.keyCode);
  heldControl = null;
}
for (const control of document.querySelectorAll('[data-key]')) {
  const keyCode = Number(control.dataset.key);
  control.addEventListener('pointerdown', (event) => {
    if (event.button !== 0 || heldControl !== null)
      return;
    control.setPointerCapture(event.pointerId);
    sendKey('keydown', keyCode);
    heldControl = { keyCode, pointerId: event.pointerId, timer: null };
    if ('held' in control.dataset) {
      const repeat = () => {
        sendKey('keydown', keyCode, true);
        heldControl.timer = setTimeout(repeat, keyRepeat.interval);
      };
      heldControl.timer = setTimeout(repeat, keyRepeat.delay);
    }
  }, { passive: true });
  for (const type of ['pointerup', 'pointercancel', 'lostpointercapture'])
    control.addEventListener(type, (event) => {
      if (heldControl?.pointerId === event.pointerId)
        releaseControl();
    }, { passive: true });
  control.addEventListener('click', (event) => {
    if (event.detail === 0) { // from the keyboard, not a pointer
      sendKey('keydown', keyCode);
      sendKey('keyup', keyCode);
    }
  }, { passive: true });
  // A held Return clicks again on every repeat: only the arrows act on a
  // repeat, as their keys do.
  if (!('held' in control.dataset))
    control.addEventListener('keydown', (event) => {
      if (event.repeat && event.key === 'Enter')
        event.preventDefault();
    });
}
for (const control of document.querySelectorAll('[data-button]'))
  control.addEventListener('click', () => {
    toolButton = Number(control.dataset.button);
    for (const other of document.querySelectorAll('[data-button]'))
      other.setAttribute('aria-pressed', String(other === control));
  }, { passive: true });
// A long press on a control opens no menu.
document.addEventListener('contextmenu', (event) => {
  if (event.target.closest?.('canvas, .controls'))
    event.preventDefault();
});
