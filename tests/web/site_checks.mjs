// The checks of the whole site: offline (in a browser whose language is
// French) and installable, and Lighthouse.
import { keys } from './lib/input.mjs';
import { serve } from './lib/serve.mjs';
import { expectPage } from './lib/texts.mjs';
import { caption, Failure, FIRST_CAPTION, waitCaption, waitStatus } from './lib/wait.mjs';

// In a browser whose language is French. After one visit to index.html,
// which it shows in French, with the host stopped and the HTTP cache
// cleared, the service worker serves the three pages, and each program
// runs: its caption, set by its first frame, shows. wavestring_paced.html
// has a link's set-up and lang=en, which the page takes over the browser's
// French; wavestring.html is French, and says k with a decimal comma.
// Then, in Chromium, the site installable (expectInstallable).
async function checkOffline({ context, engine, site, browser, origin: online }) {
  const { server, origin } = await serve(site);
  const visit = await context.newPage();
  await visit.goto(`${origin}/index.html`);
  await expectPage(visit, 'fr', 'index.html, the browser in French', { chosen: false });
  await visit.evaluate(() => navigator.serviceWorker.ready.then((registration) => new Promise((resolve) => {
    const worker = registration.active;
    if (worker.state === 'activated')
      resolve();
    worker.addEventListener('statechange', () => worker.state === 'activated' && resolve());
  })));
  await new Promise((resolve) => { server.on('exit', resolve); server.kill(); });
  if (await fetch(origin).then(() => true, () => false))
    throw new Failure('the host still answers once stopped');
  // Elsewhere than in Chromium, that the service worker controls the page
  // stands for its having served it: it serves every file it has.
  if (engine.has.includes('cdp'))
    await (await visit.createCDPSession()).send('Network.clearBrowserCache');
  const fromServiceWorker = async (response) => (engine.has.includes('cdp') ? response.fromServiceWorker()
    : visit.evaluate(() => navigator.serviceWorker.controller !== null));
  for (const [file, shown, language] of [['index.html'], ['wavestring_paced.html?k=0.5&t=7&lang=en', caption('0.500000', 7), 'en'],
    ['wavestring.html', FIRST_CAPTION, 'fr']]) {
    const response = await visit.goto(`${origin}/${file}`);
    if (!response.ok() || !await fromServiceWorker(response))
      throw new Failure(`${file} offline: status ${response.status()}, from the service worker: ${await fromServiceWorker(response)}`);
    if (shown) {
      await waitCaption(visit, shown); // the script and the .wasm have run
      await expectPage(visit, language, `${file} offline, the browser in French`, { chosen: language === 'en' });
    }
  }
  await keys(visit, 'ArrowLeft');
  await waitStatus(visit, 'k = 0,89.', 'k = 0,89. with the decimal comma');
  await waitCaption(visit, caption('0.890000', 1)); // the caption keeps its point
  if (engine.has.includes('cdp'))
    await expectInstallable(browser, online);
}

// Chromium would install the site from any of its pages, in either
// language (in a window that is not incognito, as the checks' own contexts
// are). The maskable icon keeps its picture in the circle of 40 % of its
// size round its centre, which every mask leaves whole: all of it that is
// not black.
async function expectInstallable(browser, origin) {
  const page = await browser.newPage();
  const session = await page.createCDPSession();
  for (const file of ['index.html', 'wavestring.html?lang=en', 'wavestring_paced.html']) {
    await page.goto(`${origin}/${file}`);
    const { installabilityErrors } = await session.send('Page.getInstallabilityErrors');
    if (installabilityErrors.length > 0)
      throw new Failure(`${file} is not installable: ${JSON.stringify(installabilityErrors)}`);
  }
  const farthest = await page.evaluate(async () => {
    const image = new Image();
    const { icons } = await (await fetch('manifest.webmanifest')).json();
    image.src = icons.find((icon) => icon.purpose === 'maskable').src;
    await image.decode();
    const context = new OffscreenCanvas(512, 512).getContext('2d');
    context.drawImage(image, 0, 0);
    const data = context.getImageData(0, 0, 512, 512).data;
    let farthest = 0;
    for (let i = 0; i < data.length; i += 4) {
      if (data[i] + data[i + 1] + data[i + 2] > 0 || data[i + 3] < 255) {
        const x = (i / 4) % 512 + 0.5, y = Math.floor(i / 4 / 512) + 0.5;
        farthest = Math.max(farthest, Math.hypot(x - 256, y - 256));
      }
    }
    return farthest;
  });
  await page.close();
  if (farthest > 0.4 * 512)
    throw new Failure(`the maskable icon draws ${farthest.toFixed(1)} px from its centre, out of the safe zone (204.8 px)`);
}

// Lighthouse, on a phone, as it audits a site served as a static host
// serves it: accessibility, best practices and SEO at 100, and the audit of
// cache lifetimes passed, on index.html (in French too, for its links'
// words), a program's page and the example page of embedding. (The other
// pages are the same page in another language, or with other texts, or
// embedded, which axe checks.) The performance score depends on the
// machine's load: only reported, and only measured (which takes most of
// Lighthouse's time: the quiet it waits for after the load, and the page's
// screenshot) when WAVESTRING_MEASURE is 1, as make bench sets it.
async function checkLighthouse({ browser, origin }) {
  const { default: lighthouse } = await import('lighthouse');
  const port = new URL(browser.wsEndpoint()).port;
  const performance = process.env.WAVESTRING_MEASURE === '1';
  const quick = { pauseAfterFcpMs: 0, pauseAfterLoadMs: 0, networkQuietThresholdMs: 0, cpuQuietThresholdMs: 0,
    disableFullPageScreenshot: true };
  for (const file of ['index.html', 'wavestring.html', 'embedding.html', 'index.html?lang=fr']) {
    const { lhr } = await lighthouse(`${origin}/${file}`, { port, output: 'json', logLevel: 'error',
      onlyCategories: [...(performance ? ['performance'] : []), 'accessibility', 'best-practices', 'seo'],
      onlyAudits: ['uses-long-cache-ttl'], ...(performance ? {} : quick) });
    const score = (category) => Math.round(lhr.categories[category].score * 100);
    const metric = (id) => lhr.audits[id].displayValue;
    console.log(`${file}: accessibility ${score('accessibility')}, best practices ${score('best-practices')}, `
      + `SEO ${score('seo')}; cache-lifetime audit: score ${lhr.audits['uses-long-cache-ttl'].score}, `
      + `${lhr.audits['uses-long-cache-ttl'].displayValue}`);
    if (performance)
      console.log(`${file}: performance ${score('performance')}; FCP ${metric('first-contentful-paint')}, `
        + `LCP ${metric('largest-contentful-paint')}, TBT ${metric('total-blocking-time')}, `
        + `CLS ${metric('cumulative-layout-shift')}, Speed Index ${metric('speed-index')}; `
        + `${lhr.audits['total-byte-weight'].numericValue} bytes transferred`);
    for (const category of ['accessibility', 'best-practices', 'seo']) {
      if (score(category) < 100) {
        const failing = lhr.categories[category].auditRefs.filter((ref) => ref.weight > 0 && lhr.audits[ref.id].score < 1)
          .map((ref) => `${ref.id}: ${lhr.audits[ref.id].title}`);
        throw new Failure(`${file}: ${category} ${score(category)}: ${failing.join('; ')}`);
      }
    }
    // Every file but the HTML is named after its content and kept for a year.
    const cacheLifetime = lhr.audits['uses-long-cache-ttl'];
    if (cacheLifetime.score !== null && cacheLifetime.score < 1)
      throw new Failure(`${file}: ${cacheLifetime.title}: ${cacheLifetime.displayValue}`);
  }
}

export default [
  { name: 'offline', cases: [{ browser: { lang: 'fr' } }], run: checkOffline },
  { name: 'lighthouse', needs: ['cdp'], run: checkLighthouse },
];
