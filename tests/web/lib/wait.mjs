// Waiting on a condition with a deadline, never for time to pass: the
// deadlines are stretched by WAVESTRING_TEST_TIMEOUT_SCALE on slow machines.

export const scale = Number(process.env.WAVESTRING_TEST_TIMEOUT_SCALE || 1);

// What the page did differs from what a user should see.
export class Failure extends Error {}

// Polls read() until test(value) holds, for at most seconds.
export async function waitFor(read, test, what, seconds = 10) {
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

export const caption = (k, t) => `Vibrelle : k=${k} et t=${t}`;
export const FIRST_CAPTION = caption('0.900000', 1);

export const waitCaption = (page, wanted, seconds) =>
  waitFor(() => page.title(), (title) => title === wanted, `caption ${wanted}`, seconds);

// The page's status line (a live region) until it matches pattern.
export const waitStatus = (page, pattern, what, seconds) =>
  waitFor(() => page.$eval('#status', (element) => element.textContent),
    (text) => (typeof pattern === 'string' ? text === pattern : pattern.test(text)), what, seconds);

// Pause shown pressed (paused) or not.
export const waitPaused = (page, paused, what) =>
  waitFor(() => page.$eval('#pause', (button) => button.getAttribute('aria-pressed')), (pressed) => pressed === String(paused),
    `${what}: Pause shown ${paused ? 'pressed' : 'released'}`);
