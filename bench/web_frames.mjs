// How smoothly the pages run on a phone, in headless Chromium: a phone's
// viewport (390 x 844 CSS px, 3 device px each, touch), the CPU slowed down
// as on a cheap phone (CDP's Emulation.setCPUThrottlingRate), the string
// still or a finger dragging over it. Each run waits WARM_UP seconds after
// the page has started, then measures for SECONDS: the program's frames per
// second, the animation frames per second, the 95th percentile of the gaps
// between animation frames (their refresh times, as the browser gives them),
// and the script time per animation frame (CDP's ScriptDuration). Medians of
// RUNS runs, the range after them; the sites given are run in turn, in the
// same runs, so that the load of the machine falls on all of them alike.
//
// usage: node bench/web_frames.mjs NAME=SITE_DIR [NAME=SITE_DIR ...]
// Environment: BENCH_WEB_RUNS (3), BENCH_WEB_SECONDS (10), BENCH_WEB_WARM_UP (3),
// BENCH_WEB_PROGRAMS (wavestring,wavestring_paced), BENCH_WEB_RATES (1,4,6)
import { createRequire } from 'node:module';
import os from 'node:os';

const require = createRequire(new URL('../tests/web/', import.meta.url));
const puppeteer = require('puppeteer-core');
const { chromiumArgs, serve } = await import(new URL('../tests/web/lib/serve.mjs', import.meta.url));

const runs = Number(process.env.BENCH_WEB_RUNS || 3);
const seconds = Number(process.env.BENCH_WEB_SECONDS || 10);
const warmUp = Number(process.env.BENCH_WEB_WARM_UP || 3);
const sites = process.argv.slice(2).map((argument) => argument.split('='));
const PHONE = { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true };
const cases = [];
for (const program of (process.env.BENCH_WEB_PROGRAMS || 'wavestring,wavestring_paced').split(','))
  for (const rate of (process.env.BENCH_WEB_RATES || '1,4,6').split(',').map(Number))
    for (const finger of [false, true])
      cases.push({ program, rate, finger });

const browser = await puppeteer.launch({
  executablePath: '/usr/bin/chromium', headless: true, defaultViewport: null,
  args: chromiumArgs,
});
const origins = new Map();
for (const [name, dir] of sites)
  origins.set(name, (await serve(dir)).origin);

// A finger that moves over the canvas until Date.now() reaches until: one touch move
// per 16 ms, sweeping across the columns and up and down.
async function dragging(session, page, until) {
  const box = await page.$eval('canvas', (canvas) => canvas.getBoundingClientRect().toJSON());
  const at = (step) => ({ x: box.x + box.width * (0.1 + 0.8 * ((step / 120) % 1)), y: box.y + box.height * (0.5 + 0.3 * Math.sin(step / 10)) });
  const touch = (type, point) => session.send('Input.dispatchTouchEvent', { type, touchPoints: point ? [point] : [] });
  let step = 0;
  await touch('touchStart', at(step));
  while (Date.now() < until) {
    await touch('touchMove', at(++step));
    await new Promise((resolve) => setTimeout(resolve, 16));
  }
  await touch('touchEnd');
}

async function measure(origin, { program, rate, finger }) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.setViewport(PHONE);
  const session = await page.createCDPSession();
  await session.send('Emulation.setCPUThrottlingRate', { rate });
  await page.goto(`${origin}/${program}.html`);
  await page.waitForFunction(() => /t=1$/.test(document.title), { timeout: 60000 });
  if (program === 'wavestring_paced') { // to t = 0, no pause
    await page.keyboard.press('ArrowDown');
    await page.waitForFunction(() => /t=0$/.test(document.title), { timeout: 60000 });
  }
  const drag = finger ? dragging(session, page, Date.now() + (warmUp + seconds + 2) * 1000) : null;
  await new Promise((resolve) => setTimeout(resolve, warmUp * 1000));
  const before = await page.metrics();
  const result = await page.evaluate(async (seconds) => {
    const frames0 = Module._wavestringFramesRun(), start = await new Promise(requestAnimationFrame);
    const gaps = [];
    let last = start;
    while (last - start < seconds * 1000) {
      const time = await new Promise(requestAnimationFrame);
      gaps.push(time - last);
      last = time;
    }
    const elapsed = (last - start) / 1000;
    gaps.sort((a, b) => a - b);
    return { steps: (Module._wavestringFramesRun() - frames0) / elapsed, animationFrames: gaps.length / elapsed,
      budget: Module._wavestringWorkBudgetMs?.() ?? null,
      gap95: gaps[Math.ceil(0.95 * gaps.length) - 1], count: gaps.length };
  }, seconds);
  const after = await page.metrics();
  result.scriptMs = (after.ScriptDuration - before.ScriptDuration) * 1000 / result.count;
  await drag;
  await context.close();
  return result;
}

const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const figure = (values, digits) => {
  const text = (value) => value.toLocaleString('en', { maximumFractionDigits: digits, minimumFractionDigits: digits });
  return `${text(median(values))} (${text(Math.min(...values))}–${text(Math.max(...values))})`;
};

console.log(`${runs} runs of ${seconds} s after ${warmUp} s, load average ${os.loadavg().map((v) => v.toFixed(1)).join(' ')}`);
const results = new Map(); // 'site/case' -> [run results]
for (let run = 0; run < runs; ++run)
  for (const test of cases)
    for (const [name] of sites) {
      const key = `${name}/${JSON.stringify(test)}`;
      results.set(key, [...(results.get(key) || []), await measure(origins.get(name), test)]);
    }
console.log(`load average at the end ${os.loadavg().map((v) => v.toFixed(1)).join(' ')}`);
console.log('\n| page | site | CPU | finger | steps/s | animation frames/s | 95th-percentile gap | script per animation frame | work budget at the end |');
console.log('|---|---|---|---|---:|---:|---:|---:|---:|');
for (const test of cases)
  for (const [name] of sites) {
    const all = results.get(`${name}/${JSON.stringify(test)}`);
    const pick = (field) => all.map((result) => result[field]);
    console.log(`| \`${test.program}\`${test.program === 'wavestring_paced' ? ', t = 0' : ''} | ${name} | ${test.rate}× | ${test.finger ? 'dragging' : '–'} `
      + `| ${figure(pick('steps'), 0)} | ${figure(pick('animationFrames'), 1)} | ${figure(pick('gap95'), 1)} ms | ${figure(pick('scriptMs'), 2)} ms `
      + `| ${pick('budget').includes(null) ? '–' : `${figure(pick('budget'), 1)} ms`} |`);
  }
await browser.close();
process.exit(0);
