// What the pages change in Emscripten's SDL 1.2 (its src/library_sdl.js):
// --js-library files come after Emscripten's own, and a function defined
// again here replaces its. SDL_UpdateRects (below) presents only what
// changed. And two listeners that the pages do without are taken out of its
// own functions' source when the library is loaded, so that the rest stays
// Emscripten's:
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

// Emscripten's SDL copies the whole screen to the canvas when the screen is
// unlocked, fixing each pixel's alpha on the way, and its SDL_UpdateRects
// does nothing. This SDL_UpdateRects presents the rectangles it is given,
// and only those: each is copied from the screen's pixels into the canvas's
// image that SDL keeps, then the rectangle around them all is put on the
// canvas as the image's dirty rectangle, in one call (each call costs a
// flush of the canvas; the image holds what the canvas shows between the
// rectangles). The screen's pixels are in the image's byte order (R, G, B,
// A), and SDL_MapRGB gives every colour the program draws an alpha of 255,
// so they are copied as they are.
function presentRects(surf, numrects, rects) {
  var surfData = SDL.surfaces[surf];
  if (!surfData.image)
    surfData.image = surfData.ctx.createImageData(surfData.width, surfData.height);
  var image = new Uint32Array(surfData.image.data.buffer);
  var pixels = surfData.buffer >> 2, width = surfData.width;
  var left = Infinity, top = Infinity, right = -Infinity, bottom = -Infinity;
  for (var i = 0; i < numrects; ++i) {
    var rect = SDL.loadRect(rects + i * {{{ C_STRUCTS.SDL_Rect.__size__ }}});
    for (var y = rect.y; y < rect.y + rect.h; ++y)
      for (var at = y * width + rect.x, end = at + rect.w; at < end; ++at)
        image[at] = HEAPU32[pixels + at];
    left = Math.min(left, rect.x);
    top = Math.min(top, rect.y);
    right = Math.max(right, rect.x + rect.w);
    bottom = Math.max(bottom, rect.y + rect.h);
  }
  if (numrects > 0)
    surfData.ctx.putImageData(surfData.image, 0, 0, left, top, right - left, bottom - top);
}

mergeInto(LibraryManager.library, {
  SDL_UpdateRects: presentRects,
  SDL_Init: withoutListeners('SDL_Init', 'window.addEventListener("unload", SDL.receiveEvent);', ''),
  SDL_SetVideoMode: withoutListeners('SDL_SetVideoMode',
    "['touchstart', 'touchend', 'touchmove', 'mousedown', 'mouseup', 'mousemove', 'DOMMouseScroll', 'mousewheel', 'wheel', 'mouseout']",
    "['mousedown', 'mouseup', 'mousemove', 'mouseout']"),
});
