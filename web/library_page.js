// Two listeners of Emscripten's SDL 1.2 (its src/library_sdl.js) that the
// pages do without, taken out of its own functions' source when the library
// is loaded (--js-library files come after Emscripten's own, and a function
// defined again here replaces its), so that the rest stays Emscripten's:
// - SDL_Init listens to the window's 'unload' only to send SDL_QUIT as the
//   page goes away, when the program has nothing left to do. No setting
//   turns it off. An unload listener is deprecated, and it keeps the page
//   out of the browser's back/forward cache.
// - SDL_SetVideoMode listens on the canvas to the touches and the wheel as
//   well as the mouse, with listeners that are not passive, and cancels the
//   wheel's scrolling. page.js turns a finger into the mouse itself, and the
//   program has no use for the wheel, which then scrolls the page.
// The build fails if Emscripten's source no longer reads as expected.
function withoutListeners(name, text, replacement) {
  const source = LibraryManager.library[name].toString();
  if (!source.includes(text))
    throw new Error(`library_page.js: ${name} no longer has ${text}`);
  return eval('(' + source.replace(text, replacement) + ')');
}

mergeInto(LibraryManager.library, {
  SDL_Init: withoutListeners('SDL_Init', 'window.addEventListener("unload", SDL.receiveEvent);', ''),
  SDL_SetVideoMode: withoutListeners('SDL_SetVideoMode',
    "['touchstart', 'touchend', 'touchmove', 'mousedown', 'mouseup', 'mousemove', 'DOMMouseScroll', 'mousewheel', 'wheel', 'mouseout']",
    "['mousedown', 'mouseup', 'mousemove', 'mouseout']"),
});
