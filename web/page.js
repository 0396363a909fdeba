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

// The program's keys reach SDL from anywhere on the page (embedded, while
// its frame has the focus); every other key, any key with Ctrl, Alt or
// Meta, and Return and Space on a link or a button are left to the browser
// (reload, find, zoom, Tab, "Start again" ...). SDL
// cancels the default of the keys it gets, so the arrow keys and Space do
// not scroll the page.
const programKeyCodes = new Set([13, 27, 32, 37, 38, 39, 40]);
const sdlKeyHandlers = {};
for (const type of ['keydown', 'keyup']) {
  document.addEventListener(type, (event) => {
    const withModifier = event.ctrlKey || event.altKey || event.metaKey;
    const activates = (event.keyCode === 13 || event.keyCode === 32) && event.target.closest?.('a, button');
    // A text field (the link Share made) keeps its keys; in full screen,
    // Escape is the browser's, which leaves it.
    const own = event.target.closest?.('input') || (event.keyCode === 27 && fullScreenElement());
    if (programKeyCodes.has(event.keyCode) && (type === 'keyup' || !withModifier) && !activates && !own)
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

// -- a set-up from the link ------------------------------------------------
// The link's parameters: the set-up's go to the program as its arguments,
// name=value each, and it reads them as the desktop reads its options; the
// page keeps embed and the string (s), and lang is the page's language.

// What was done with a setting not used as given: the keys of the texts
// that say so, by SetupFix (setup.h), then the page's own.
const FIX_TEXTS = ['note.held', 'note.not_a_number', 'note.not_whole', 'note.not_zero_or_one', 'note.not_three',
  'note.same_columns', 'note.no_anchors', 'note.unknown', 'note.bad_string', 'note.too_long', 'note.too_many'];
const FIX = { NotZeroOrOne: 3, BadString: 8, TooLong: 9, TooMany: 10 };
// A set-up takes a few parameters, the longest all 640 anchors (2,457
// characters): the page reads no more than these of a link, which may be
// any length.
const MAX_PARAMETERS = 32, MAX_PARAMETER_LENGTH = 4096;

// The base64url text of deflated bytes, and back. A string's part of a link
// is untrusted: too long a text, a character outside base64url, bytes that
// do not inflate, or inflate to more than a string ever takes, give null.
const MAX_LINKED_TEXT = 12000;
const MAX_INFLATED = 3 + 2 * 640 * 6; // maxLinkBytes(640), string_link.h
function toBase64url(bytes) {
  return btoa(String.fromCharCode(...bytes)).replace(/\+/g, '-').replace(/\//g, '_').replace(/=+$/, '');
}
async function deflated(bytes) {
  return new Uint8Array(await new Response(new Blob([bytes]).stream().pipeThrough(new CompressionStream('deflate-raw'))).arrayBuffer());
}
async function inflateLinked(text) {
  if (text.length > MAX_LINKED_TEXT || !/^[A-Za-z0-9_-]*$/.test(text) || text.length % 4 === 1)
    return null;
  const packed = Uint8Array.from(atob(text.replace(/-/g, '+').replace(/_/g, '/')), (c) => c.charCodeAt(0));
  const reader = new Blob([packed]).stream().pipeThrough(new DecompressionStream('deflate-raw')).getReader();
  const chunks = [];
  let size = 0;
  for (;;) {
    const { done, value } = await reader.read();
    if (done)
      break;
    size += value.length;
    if (size > MAX_INFLATED) { // read no further
      reader.cancel().catch(() => {});
      return null;
    }
    chunks.push(value);
  }
  const bytes = new Uint8Array(size);
  chunks.reduce((at, chunk) => { bytes.set(chunk, at); return at + chunk.length; }, 0);
  return bytes;
}

const link = { programArguments: [], string: null, inflating: null, inflated: null, notes: [] };
const linkParameters = [...new URLSearchParams(location.search)];
if (linkParameters.length > MAX_PARAMETERS)
  link.notes.push(['', String(linkParameters.length - MAX_PARAMETERS), FIX.TooMany]);
for (const [name, value] of linkParameters.slice(0, MAX_PARAMETERS)) {
  if (name === 'lang')
    continue;
  if (name !== 's' && name.length + value.length > MAX_PARAMETER_LENGTH) {
    link.notes.push([name, String(value.length), FIX.TooLong]);
  } else if (name === 'embed') {
    if (value !== '0' && value !== '1')
      link.notes.push([name, value, FIX.NotZeroOrOne]);
  } else if (name === 's') {
    link.string = value;
  } else {
    link.programArguments.push(`${name}=${value}`);
  }
}
if (link.string !== null)
  link.inflating = (async () => { link.inflated = await inflateLinked(link.string).catch(() => null); })();

// The program's bytes from the link, read into its string before it starts.
function readLinkedString(bytes) {
  const at = bytes && Module._wavestringLinkBuffer(bytes.length);
  if (!at)
    return false;
  Module.HEAPU8.set(bytes, at);
  return Module._wavestringReadLinkedString() === 1;
}

// The note that lists each setting not used as given: shown, announced
// once the program has read them all (announceNote), and dismissed by its
// button. Values are shown as text, cut short.
const note = document.getElementById('note');
function noteLink(name, value, fix, used) {
  const shown = (text) => (text.length > 40 ? `${text.slice(0, 40)}…` : text);
  const item = document.createElement('li');
  showText(item, FIX_TEXTS[fix], { name: shown(name), value: shown(value), used: String(used) });
  document.getElementById('note-items').append(item);
  note.hidden = false;
}
function announceNote() {
  if (!note.hidden)
    announce('note.said', { notes: [...note.querySelectorAll('li')].map((li) => li.textContent).join(' ') });
}
document.getElementById('note-close').addEventListener('click', () => { note.hidden = true; }, { passive: true });

// Why, in the browser's console; the page says it plainly.
function wasmFailed(why) {
  console.error(why);
  pageFailed(typeof WebAssembly === 'undefined' ? 'failed.no_wasm' : 'failed.wasm');
}

var Module = {
  canvas: canvas,
  arguments: link.programArguments,
  // A link's string is inflated before the program starts: it draws it first.
  preRun: [() => {
    if (link.inflating) {
      addRunDependency('link');
      link.inflating.then(() => removeRunDependency('link'));
    }
  }],
  // The program only writes the screen's pixels: locking it need not copy
  // the canvas back.
  screenIsReadOnly: true,
  keyboardListeningElement: { addEventListener: (type, handler) => { sdlKeyHandlers[type] = handler; } },
  onRuntimeInitialized: () => {
    Module.started = true;
    showText(statusLine, null);
    for (const [name, value, fix] of link.notes)
      noteLink(name, value, fix);
    if (link.string !== null && !readLinkedString(link.inflated))
      noteLink('s', link.string, FIX.BadString);
  },
  wavestringNote: (name, value, fix, used) => noteLink(name, value, fix, used),
  wavestringStarted: (delay, interval, running) => {
    keyRepeat = { delay, interval };
    pauseButton.setAttribute('aria-pressed', String(!running));
    announceNote();
  },
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
const embedded = document.documentElement.classList.contains('embed');
// The room for the canvas, in CSS pixels per pixel: beside the controls or
// above them, whichever gives more; embedded, beside them and above the
// caption and the status line.
function canvasRoom() {
  if (embedded) {
    const below = ['caption', 'status'].reduce((sum, id) => sum + document.getElementById(id).getBoundingClientRect().height + 2, 0);
    const width = document.documentElement.clientWidth - document.getElementById('controls').getBoundingClientRect().width - 4;
    return Math.min(width / 640, (window.innerHeight - below) / 480);
  }
  const margin = parseFloat(getComputedStyle(document.body).marginLeft);
  const width = document.documentElement.clientWidth - 2 * margin;
  const height = window.innerHeight - (stage.getBoundingClientRect().top + window.scrollY) - 8;
  const fit = (roomWidth) => Math.min(roomWidth / 640, height / 480);
  const below = fit(width), beside = fit(width - PANEL_WIDTH - GAP);
  return beside >= 0.9 * below ? beside : below;
}
function fitCanvas() {
  const ratio = window.devicePixelRatio || 1;
  stage.style.padding = '0';
  const room = canvasRoom() * ratio; // in device pixels per pixel
  const whole = Math.floor(room);
  const coarse = window.matchMedia('(pointer: coarse)').matches;
  // Embedded in a small frame, a device pixel may have to show one of
  // several pixels: a width of 128n device pixels still puts no device
  // pixel's centre on the border of two pixels.
  const least = embedded ? 0.2 : 1;
  const devicePixels = whole >= 1 && (!coarse || whole >= 0.9 * room) ? whole : Math.max(least, Math.floor(room * 5) / 5);
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
// (its position is a whole number of device pixels on the screen). In a
// frame that the page around puts at a fraction of a pixel, which Chromium
// draws from the nearest whole CSS pixel, the pointer is that fraction off
// a whole device pixel of the frame: at one device pixel per CSS pixel the
// nearest is the one it shows (at more, it may be the next one).
function pixelUnder(clientX, clientY) {
  const ratio = window.devicePixelRatio || 1;
  const box = canvas.getBoundingClientRect();
  const axis = (client, start, size, count) => {
    const first = Math.round(start * ratio), length = Math.round(size * ratio);
    const device = Math.round(client * ratio);
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

// -- Share -----------------------------------------------------------------
// A link to the set-up as it stands: k (the shortest decimal that reads back
// as the same double), t, paused, the anchors, and the string, its values
// quantized so that each keeps its dot's row (string_link.h). The state is
// read at the click, between two animation frames: the one whose picture
// the canvas shows. The finest precision that keeps the link within 2,000
// characters is used: a step of 1/64 pixel, else 1/8, else a whole pixel;
// else the same again with the values beyond the window held to its edge.
// Each with the prediction that deflates shortest.
const SHARE_PRECISIONS = [[6, false], [3, false], [0, false], [6, true], [3, true], [0, true]];
const MAX_LINK = 2000;
const shared = document.getElementById('shared'), shareField = document.getElementById('share-link');
function sharedString(shift, order, held) {
  const at = Module._wavestringShareString(shift, order, held);
  return Module.HEAPU8.slice(at, at + Module._wavestringShareSize());
}
async function shareLink() {
  const anchors = [];
  for (let i = 0; i < 640; ++i)
    if (Module._wavestringAnchored(i))
      anchors.push(i);
  const parameters = [`k=${Module._wavestringK()}`, `t=${Module._wavestringT()}`];
  if (Module._wavestringPaused())
    parameters.push('paused=1');
  if (anchors.length > 0)
    parameters.push(`anchors=${anchors.join(',')}`);
  if (languageChosen) // by the link or the user (lang.js): the link keeps it
    parameters.push(`lang=${pageLanguage}`);
  const strings = Module._wavestringAtRest() ? []
    : SHARE_PRECISIONS.map(([shift, held]) => [0, 1, 2].map((order) => sharedString(shift, order, held)));
  const base = `${location.origin}${location.pathname}?${parameters.join('&')}`;
  let url = base;
  for (const orders of strings) {
    const texts = await Promise.all(orders.map(async (bytes) => toBase64url(await deflated(bytes))));
    url = `${base}&s=${texts.reduce((shortest, text) => (text.length < shortest.length ? text : shortest))}`;
    if (url.length <= MAX_LINK)
      break;
  }
  return url;
}
document.getElementById('share').addEventListener('click', async () => {
  if (!Module.started || ended)
    return;
  const url = await shareLink();
  shareField.value = url;
  shared.hidden = false;
  const long = url.length > MAX_LINK ? '.long' : '';
  // A phone's share sheet, where the browser has one; else the clipboard,
  // else the text field, selected.
  if (navigator.share && window.matchMedia('(pointer: coarse)').matches)
    navigator.share({ url }).catch(() => {});
  try {
    await navigator.clipboard.writeText(url);
    announce(`share.copied${long}`, { length: String(url.length) });
  } catch {
    shareField.focus();
    shareField.select();
    announce(`share.select${long}`, { length: String(url.length) });
  }
}, { passive: true });
document.getElementById('shared-close').addEventListener('click', () => { shared.hidden = true; }, { passive: true });

// -- full screen, the full page, and the frame's focus ----------------------
// Full screen where the browser allows it (an embedding page must allow it
// too); the run goes on as it was. Older Safari names it with a prefix.
const fullScreenButton = document.getElementById('full-screen');
function fullScreenElement() {
  return document.fullscreenElement ?? document.webkitFullscreenElement ?? null;
}
if (document.fullscreenEnabled || document.webkitFullscreenEnabled) {
  fullScreenButton.hidden = false;
  fullScreenButton.addEventListener('click', () => {
    const root = document.documentElement;
    if (fullScreenElement())
      (document.exitFullscreen ?? document.webkitExitFullscreen).call(document);
    else
      (root.requestFullscreen ?? root.webkitRequestFullscreen).call(root);
  }, { passive: true });
  for (const type of ['fullscreenchange', 'webkitfullscreenchange'])
    document.addEventListener(type, () => {
      fullScreenButton.setAttribute('aria-pressed', String(fullScreenElement() !== null));
      fitCanvas();
    }, { passive: true });
}
// The full page opens on the set-up the frame was given.
const fullPage = new URLSearchParams(location.search);
fullPage.delete('embed');
document.getElementById('full-page').search = fullPage.toString();
// Embedded, the frame shows when it has the keys.
for (const type of ['focus', 'blur'])
  window.addEventListener(type, () => document.documentElement.classList.toggle('focused', document.hasFocus()), { passive: true });
// Embedded, the controls show icons: their words stay, for screen readers,
// and as tooltips.
if (embedded)
  for (const label of document.querySelectorAll('.controls .label'))
    label.parentElement.title = label.textContent.replace(/\s+/g, ' ').trim();
