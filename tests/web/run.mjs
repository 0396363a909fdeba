// The browser checks: the web pages in Debian's Chromium, Firefox and
// WebKitGTK, driven as a user drives them and read back as a user sees
// them. Each check is declared once, in the file of its subject
// (page_checks.mjs, link_checks.mjs, language_checks.mjs, site_checks.mjs,
// update_checks.mjs), with the cases it runs and what it needs; this runner
// opens each case's page in a browser context of its own (a first visit), in
// a browser that speaks English unless the case says otherwise, and passes
// the check what it needs.
//
// usage: node run.mjs --list        each engine and check, and why an engine skips one
//        node run.mjs [--engine=chromium|firefox|webkit] SITE_DIR CHECK
// Exit status: 0 passed, 1 failed, 2 bad usage, 77 skipped (the reason printed).
import chromium from './lib/chromium.mjs';
import firefox from './lib/firefox.mjs';
import { secondBuild } from './lib/second_build.mjs';
import { serve } from './lib/serve.mjs';
import { scale } from './lib/wait.mjs';
import webkit from './lib/webkit.mjs';
import languageChecks from './language_checks.mjs';
import linkChecks from './link_checks.mjs';
import pageChecks from './page_checks.mjs';
import siteChecks from './site_checks.mjs';
import updateChecks from './update_checks.mjs';

const engines = [chromium, firefox, webkit];
const checks = [...pageChecks, ...linkChecks, ...languageChecks, ...siteChecks, ...updateChecks];
// What a check may need of an engine; the runner itself gives 'second build'.
const abilities = { cdp: 'the DevTools protocol (CDP)', touch: 'touch input', interception: 'request interception',
  phone: "a phone's emulation (a mobile viewport, a coarse pointer)", 'device scale': 'a device scale set at launch' };
const DEFAULT_VIEWPORT = { width: 1400, height: 1100, hasTouch: true }; // the canvas at twice its size

function skipReason(check, engine) {
  if (check.engines && !check.engines.includes(engine.name))
    return `run ${check.why}`;
  const lacking = (check.needs ?? []).filter((need) => need in abilities && !engine.has.includes(need));
  return lacking.length > 0 ? `${engine.name} lacks ${lacking.map((need) => abilities[need]).join(', ')}` : null;
}

const args = process.argv.slice(2);
if (args[0] === '--list') {
  for (const engine of engines)
    for (const check of checks) {
      const reason = skipReason(check, engine);
      console.log(`${engine.name} ${check.name}${reason ? ` skipped: ${reason.replaceAll(';', ',')}` : ''}`); // ; parts CMake's lists
    }
  process.exit(0);
}
const engineName = (args.find((argument) => argument.startsWith('--engine=')) ?? '--engine=chromium').slice(9);
const [site, checkName] = args.filter((argument) => !argument.startsWith('--engine='));
const engine = engines.find((engine) => engine.name === engineName);
const check = checks.find((check) => check.name === checkName);
if (!engine || !check || !site) {
  console.log(`usage: node run.mjs [--engine=chromium|firefox|webkit] SITE_DIR ${checks.map((check) => check.name).join('|')}`);
  process.exit(2);
}
const reason = skipReason(check, engine);
if (reason) {
  console.log(`skipped ${check.name} in ${engine.name}: ${reason}`);
  process.exit(77);
}

// A page at path in a new context, as a first visit. The site must work
// offline: a request to another host fails, and is noted in
// page.foreignRequest (data: URLs are the checks' own screenshots).
async function open(browser, origin, path, { viewport = DEFAULT_VIEWPORT, wasm, context } = {}) {
  const page = await (context ?? await browser.createBrowserContext()).newPage();
  page.setDefaultTimeout(30000 * scale);
  if (typeof viewport === 'function')
    viewport = viewport(engine);
  if (viewport)
    await page.setViewport(viewport);
  page.on('pageerror', (error) => console.log(`page error: ${error.message}`));
  if (engine.has.includes('interception')) {
    await page.setRequestInterception(true);
    page.on('request', (request) => {
      const foreign = !request.url().startsWith(origin) && !request.url().startsWith('data:');
      if (foreign)
        page.foreignRequest = request.url();
      const isWasm = request.url().endsWith('.wasm');
      if (foreign || (isWasm && wasm === 'abort'))
        request.abort();
      else if (isWasm && wasm === 404)
        request.respond({ status: 404, body: 'not found' });
      else
        request.continue();
    });
  }
  await page.goto(`${origin}/${path}`);
  return page;
}

const { origin } = await serve(site);
const otherSite = check.needs?.includes('second build') ? secondBuild(site) : undefined;
const browsers = new Map(); // one per set of launch options
let failed = false;
// A case may name the engines it runs in (the others skip it).
for (const options of (check.cases ?? [{}]).filter((options) => !options.engines || options.engines.includes(engine.name))) {
  const { program, query = '' } = options, launch = { lang: 'en', ...options.browser };
  const path = program ? `${program}.html${query}` : options.path && `${options.path}${query}`;
  const label = [path, options.what, options.wasm && `.wasm ${options.wasm}`, launch.args?.join(' '), options.browser?.lang]
    .filter(Boolean).join(', ');
  const started = Date.now();
  const key = JSON.stringify(launch);
  let context;
  try {
    if (!browsers.has(key))
      browsers.set(key, await engine.launch(launch));
    const browser = browsers.get(key);
    context = await browser.createBrowserContext();
    const page = path && await open(browser, origin, path, { ...options, context });
    await check.run({ page, context, browser, engine, site, origin, otherSite, program, paced: program === 'wavestring_paced',
      options, open: (path, more) => open(browser, origin, path, more) });
    if (page?.foreignRequest)
      throw new Error(`the page asked another host for ${page.foreignRequest}`);
    console.log(`ok ${check.name}${label ? ` (${label})` : ''} in ${((Date.now() - started) / 1000).toFixed(1)} s`);
  } catch (error) {
    failed = true;
    console.log(`FAIL ${check.name}${label ? ` (${label})` : ''}: ${error.message}`);
  }
  await context?.close();
}
for (const browser of browsers.values())
  await browser.close();
process.exit(failed ? 1 : 0);
