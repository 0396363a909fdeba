// The check of a new build on the host, a case for each way the host
// changes: a page with a file missing, the files of a second build (B)
// copied one by one over the first's (A), with and without a service
// worker, and make publish's script. The runner
// makes B when a check needs 'second build': its page script, style sheet
// and programs differ from A's (lib/second_build.mjs).
import { execFile } from 'node:child_process';
import { createHash } from 'node:crypto';
import { copyFileSync, existsSync, readdirSync, readFileSync, renameSync, writeFileSync } from 'node:fs';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { servedCopy } from './lib/serve.mjs';
import { Failure, scale, waitFor } from './lib/wait.mjs';

const sha256 = (data) => createHash('sha256').update(data).digest('hex');

// Which build a file's content is of: 'A' or 'B', or undefined for a file
// that both builds share or that neither has (the page for a missing file).
function buildIdentifier(site, otherSite) {
  const buildOfSum = new Map();
  for (const [build, dir] of [['A', site], ['B', otherSite]].filter(([, dir]) => dir))
    for (const file of readdirSync(dir)) {
      const sum = sha256(readFileSync(join(dir, file)));
      buildOfSum.set(sum, buildOfSum.has(sum) && buildOfSum.get(sum) !== build ? undefined : build);
    }
  return (body) => buildOfSum.get(sha256(body));
}

// The nth visit to a host in context, of one program's page or the other
// in turn, with or without a service worker. Its outcome: 'A' or 'B' when
// it ran that build whole (the caption shows), 'failed' when it says that
// the simulation could not start, else 'mixed: ...' naming the build of
// each file, or 'stuck: ...'. The page is closed unless keepOpen.
async function visit(context, origin, nth, buildOf, { worker = false, keepOpen = false } = {}) {
  const page = await context.newPage();
  if (!worker)
    await page.evaluateOnNewDocument(() => { delete Navigator.prototype.serviceWorker; });
  const builds = [];
  // A missing file's page is of neither build (and a 404 that the page
  // stops reading never ends).
  page.on('response', (response) => response.ok() && builds.push(response.buffer().then(
    (body) => [new URL(response.url()).pathname, buildOf(body)], () => [response.url(), 'no body'])));
  await page.goto(`${origin}/${nth % 2 ? 'wavestring_paced' : 'wavestring'}.html`);
  const [title, status] = await waitFor(() => page.evaluate(() => [document.title, document.getElementById('status').textContent]),
    ([title, status]) => title.startsWith('Vibrelle : k=') || status.includes('could not start'), 'the page started or failed', 20)
    .catch((failure) => [null, failure.message]);
  const ran = (await Promise.all(builds)).filter(([, build]) => build);
  const names = [...new Set(ran.map(([, build]) => build))];
  if (!keepOpen)
    await page.close();
  return { page, outcome: names.length > 1 ? `mixed: ${ran.map(([path, build]) => `${path} ${build}`).join(', ')}`
    : title === null ? `stuck: ${status}` : status.includes('could not start') ? 'failed' : names[0] };
}

// Build B's files copied one by one over build A's, in alphabetical order
// and in reverse, with a visit before the first and after each file that
// A has not byte for byte (the others change nothing on the host), in one
// browser context. With A's service worker in charge, the browser
// tries B's on every visit, and installs it only once B's files are all
// there: each visit runs one build whole. With none, each visit runs one
// build whole or says that it could not start (a page of B before its
// files are all there), whatever the HTTP cache holds from the visits
// before. After the upload the visits go on, for at most 30 s, until both
// pages in turn run B.
const checkUpload = (worker) => async ({ browser, site, otherSite }) => {
  const buildOf = buildIdentifier(site, otherSite);
  const wrong = [];
  for (const order of ['alphabetical', 'reverse']) {
    const host = await servedCopy(site);
    const context = await browser.createBrowserContext();
    const outcomes = [];
    const visitNext = async (after) => {
      const { page: visited, outcome } = await visit(context, host.origin, outcomes.length, buildOf, { worker, keepOpen: true });
      // A's worker in charge from the next visit on. A browser looks for a
      // new sw.js after a visit once the visits pause a while: at once here.
      if (worker)
        await visited.evaluate(() => navigator.serviceWorker.ready.then((registration) => registration.update()))
          .catch(() => {}); // sw.js missing
      await visited.close();
      outcomes.push(outcome);
      if (!['A', 'B', ...(worker ? [] : ['failed'])].includes(outcome))
        wrong.push(`${order}, ${after}: ${outcome}`);
    };
    await visitNext('before');
    const files = readdirSync(otherSite).sort();
    for (const file of order === 'reverse' ? files.reverse() : files) {
      copyFileSync(join(otherSite, file), join(host.dir, file));
      if (!existsSync(join(site, file)) || !readFileSync(join(site, file)).equals(readFileSync(join(otherSite, file))))
        await visitNext(`after ${file}`);
    }
    const deadline = Date.now() + 30000 * scale;
    do
      await visitNext('after the upload');
    while (outcomes.slice(-2).join() !== 'B,B' && ['A', 'B'].includes(outcomes.at(-1)) && Date.now() < deadline);
    if (outcomes.slice(-2).join() !== 'B,B')
      wrong.push(`${order}, the visits after the upload: ${outcomes.at(-1)} ${outcomes.at(-2)}, not both pages B`);
    await context.close();
    host.close();
  }
  if (wrong.length > 0)
    throw new Failure(`visits during an upload${worker ? ', with a service worker' : ''}:\n  ${wrong.join('\n  ')}`);
};

// A file of a page missing from the host: the page says which and that it
// could not start, and runs no frame.
async function checkMissingFile({ browser, site }) {
  const buildOf = buildIdentifier(site);
  const host = await servedCopy(site);
  const wrong = [];
  for (const [pattern, message] of [[/^style\..*\.css$/, 'style.css failed'], [/^page\..*\.js$/, 'page.js failed'],
    [/^wavestring\..*\.js$/, 'wavestring.js failed'], [/^wavestring\..*\.wasm$/, 'WebAssembly failed']]) {
    const file = readdirSync(host.dir).find((name) => pattern.test(name));
    renameSync(join(host.dir, file), join(host.dir, `${file}.away`));
    const context = await browser.createBrowserContext();
    const { page: visited, outcome } = await visit(context, host.origin, 0, buildOf, { keepOpen: true });
    const [status, frames] = await visited.evaluate(() => [document.getElementById('status').textContent,
      (() => { try { return Module._wavestringFramesRun(); } catch { return 0; } })()]);
    if (outcome !== 'failed' || !status.includes(message) || !status.includes('Reload') || frames !== 0)
      wrong.push(`without ${file}: ${outcome}, "${status}", ${frames} frames run`);
    await context.close();
    renameSync(join(host.dir, `${file}.away`), join(host.dir, file));
  }
  host.close();
  if (wrong.length > 0)
    throw new Failure(wrong.join('; '));
}

// make publish's script into a folder that is served, publishing B and A
// in turn again and again while eight pages are visited there, with no
// service worker: each visit runs one build whole, and B once B is
// published. B published keeping one build then leaves B's files, the
// record and the folder's own file, and none of A's own.
async function checkPublish({ browser, site, otherSite }) {
  const buildOf = buildIdentifier(site, otherSite);
  const host = await servedCopy();
  writeFileSync(join(host.dir, 'notes.txt'), 'not the site\'s');
  const script = fileURLToPath(new URL('../../scripts/publish', import.meta.url));
  const publish = (site, ...keep) => new Promise((resolve, reject) =>
    execFile(script, [site, host.dir, ...keep], (error) => (error ? reject(error) : resolve())));
  await publish(site);
  const context = await browser.createBrowserContext();
  let visits = 0;
  const publishing = (async () => {
    for (let count = 0; visits < 8; ++count)
      await publish(count % 2 ? site : otherSite);
  })();
  const wrong = [];
  for (; visits < 9; ++visits) {
    if (visits === 8)
      await publishing.then(() => publish(otherSite));
    const { outcome } = await visit(context, host.origin, visits, buildOf);
    if (!['A', 'B'].includes(outcome) || (visits === 8 && outcome !== 'B'))
      wrong.push(`visit ${visits + 1}${visits === 8 ? ', after B was published' : ''}: ${outcome}`);
  }
  await context.close();
  await publish(otherSite, '1');
  const left = readdirSync(host.dir).sort().join(' ');
  const expected = [...readdirSync(otherSite), 'notes.txt', '.wavestring-builds'].sort().join(' ');
  host.close();
  if (left !== expected)
    wrong.push(`B published keeping one build left ${left}, expected ${expected}`);
  if (wrong.length > 0)
    throw new Failure(`visits while publishing:\n  ${wrong.join('\n  ')}`);
}


// One check, a case for each way a host changes under the visits.
const hosts = { 'a file missing': checkMissingFile, 'an upload': checkUpload(false),
  'an upload, with a service worker': checkUpload(true), 'make publish': checkPublish };

export default [
  {
    name: 'update', needs: ['cdp', 'second build'], cases: Object.keys(hosts).map((what) => ({ what })),
    run: (run) => hosts[run.options.what](run),
  },
];
