// What a program's page does around the simulation: the caption, the
// canvas's scale, the keys, touch, and what the page says when the run ends
// or cannot start.
'use strict';

const canvas = document.getElementById('canvas');
const statusLine = document.getElementById('status');
const again = document.getElementById('again');

function pageFailed(message) {
  statusLine.textContent = message + ' Reload the page to try again.';
}

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
    if (programKeyCodes.has(event.keyCode) && (type === 'keyup' || !withModifier) && !activates && sdlKeyHandlers[type])
      sdlKeyHandlers[type](event);
  });
}
// Keys released in another window send no key-up here. SDL releases on blur
// only the keys whose presses it has taken from its queue already: these
// releases queue behind any press still waiting.
window.addEventListener('blur', () => {
  for (const keyCode of programKeyCodes)
    sdlKeyHandlers.keyup?.({ type: 'keyup', keyCode, preventDefault: () => {} });
}, { passive: true });

// Why, in the browser's console; the page says it plainly.
function wasmFailed(why) {
  console.error(why);
  pageFailed(typeof WebAssembly === 'undefined'
    ? 'The simulation cannot run here: this browser has no WebAssembly.'
    : 'The simulation could not start: its WebAssembly failed to load or start.');
}

var Module = {
  canvas: canvas,
  // The program only writes the screen's pixels: locking it need not copy
  // the canvas back.
  screenIsReadOnly: true,
  keyboardListeningElement: { addEventListener: (type, handler) => { sdlKeyHandlers[type] = handler; } },
  onRuntimeInitialized: () => {
    Module.started = true;
    statusLine.textContent = '';
  },
  onAbort: wasmFailed,
  wavestringFailed: (reason) => pageFailed('The simulation could not start: ' + reason + '.'),
  wavestringEnded: () => {
    statusLine.textContent = 'The run has ended (Escape).';
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

// The caption SDL sets as the document's title, shown on the page as well.
new MutationObserver(() => { document.getElementById('caption').textContent = document.title; })
  .observe(document.querySelector('title'), { childList: true });

canvas.addEventListener('contextmenu', (event) => event.preventDefault());

// The canvas grows by whole device pixels per pixel, as far as the window
// leaves room below the caption.
function fitCanvas() {
  const ratio = window.devicePixelRatio || 1;
  const top = canvas.getBoundingClientRect().top + window.scrollY;
  const room = Math.min((document.documentElement.clientWidth - 32) / 640,
                        (window.innerHeight - top - 8) / 480);
  const devicePixels = Math.max(1, Math.floor(room * ratio));
  document.documentElement.style.setProperty('--scale', devicePixels / ratio);
}
window.addEventListener('resize', fitCanvas, { passive: true });
fitCanvas();

// One finger acts as the left button: it moves the cursor to where it
// touches, presses, drags and releases. The position is kept inside the
// canvas, as SDL keeps the desktop's cursor inside the window. Other fingers
// are ignored; SDL's own touch handling never sees the touches.
let finger = null;
function mouseFromTouch(type, touch) {
  const box = canvas.getBoundingClientRect();
  const inside = (value, low, size) => Math.min(Math.max(value, low), low + size - 0.5);
  canvas.dispatchEvent(new MouseEvent(type, {
    clientX: inside(touch.clientX, box.left, box.width),
    clientY: inside(touch.clientY, box.top, box.height),
    button: 0,
    view: window, // for pageX and pageY, which count the page's scrolling
  }));
}
function onTouch(event) {
  if (event.target !== canvas)
    return;
  event.preventDefault();
  event.stopPropagation();
  for (const touch of event.changedTouches) {
    if (event.type === 'touchstart' && finger === null) {
      finger = touch.identifier;
      mouseFromTouch('mousemove', touch);
      mouseFromTouch('mousedown', touch);
    } else if (touch.identifier === finger) {
      if (event.type === 'touchmove') {
        mouseFromTouch('mousemove', touch);
      } else if (event.type !== 'touchstart') {
        mouseFromTouch('mouseup', touch);
        finger = null;
      }
    }
  }
}
for (const type of ['touchstart', 'touchmove', 'touchend', 'touchcancel'])
  window.addEventListener(type, onTouch, { capture: true, passive: false });
