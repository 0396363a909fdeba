// The checks of the whole site: offline, installable, Lighthouse on its
// three pages.
import { serve } from './lib/serve.mjs';
import { expectPage } from './lib/texts.mjs';
import { caption, Failure, FIRST_CAPTION, waitCaption } from './lib/wait.mjs';

// After one visit, with the host stopped and the HTTP cache cleared, the
// service worker serves the three pages, and each program runs: its
// caption, set by its first frame, shows; one of them with a link's set-up
// and in French, which it shows whole.
async function checkOffline({ context, engine, site }) {
  const { server, origin } = await serve(site);
  const visit = await context.newPage();
  await visit.goto(`${origin}/index.html`);
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
  for (const [file, shown] of [['index.html'], ['wavestring_paced.html?k=0.5&t=7&lang=fr', caption('0.500000', 7)],
    ['wavestring.html', FIRST_CAPTION]]) {
    const response = await visit.goto(`${origin}/${file}`);
    if (!response.ok() || !await fromServiceWorker(response))
      throw new Failure(`${file} offline: status ${response.status()}, from the service worker: ${await fromServiceWorker(response)}`);
    if (shown)
      await waitCaption(visit, shown); // the script and the .wasm have run
    if (file.includes('lang=fr'))
      await expectPage(visit, 'fr', `${file} offline`);
  }
}

// Chromium would install the site from any of its pages (in a window that
// is not incognito, as the checks' own contexts are). The maskable icon
// keeps its picture in the circle of 40 % of its size round its centre,
// which every mask leaves whole: all of it that is not black.
async function checkInstallable({ browser, origin }) {
  const page = await browser.newPage();
  const session = await page.createCDPSession();
  for (const file of ['index.html', 'wavestring.html', 'wavestring_paced.html', 'index.html?lang=fr']) {
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
// serves it: accessibility, best practices and SEO at 100 on every page,
// and the audit of cache lifetimes passed. The performance score depends on
// the machine's load: only reported, and only measured (which takes most of
// Lighthouse's time) when WAVESTRING_MEASURE is 1, as make bench sets it.
async function checkLighthouse({ browser, origin }) {
  const { default: lighthouse } = await import('lighthouse');
  const port = new URL(browser.wsEndpoint()).port;
  const performance = process.env.WAVESTRING_MEASURE === '1';
  for (const file of ['index.html', 'wavestring.html', 'embedding.html', 'index.html?lang=fr']) {
    const { lhr } = await lighthouse(`${origin}/${file}`, { port, output: 'json', logLevel: 'error',
      onlyCategories: [...(performance ? ['performance'] : []), 'accessibility', 'best-practices', 'seo'],
      onlyAudits: ['uses-long-cache-ttl'] });
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
  { name: 'offline', run: checkOffline },
  { name: 'installable', needs: ['cdp'], run: checkInstallable },
  { name: 'lighthouse', needs: ['cdp'], run: checkLighthouse },
];
