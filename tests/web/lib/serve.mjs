// What the browser tests and the benchmarks share: the site served as make
// run-web serves it, and Debian's Chromium started as they both start it.
import { spawn } from 'node:child_process';
import { cpSync, mkdtempSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';

// Serves a site as a static host would: compressed, with cache headers, by
// the npm package serve on a free port.
export async function serve(dir) {
  const server = spawn(fileURLToPath(new URL('../node_modules/.bin/serve', import.meta.url)),
    ['--no-clipboard', '--no-request-logging', '-c', fileURLToPath(new URL('../../../web/serve.json', import.meta.url)),
      '-l', 'tcp://127.0.0.1:0', dir],
    { stdio: ['ignore', 'pipe', 'pipe'], env: { ...process.env, NO_UPDATE_CHECK: '1' } });
  const port = await new Promise((resolve, reject) => {
    for (const output of [server.stdout, server.stderr])
      output.on('data', (data) => { const match = /Accepting connections at http:\/\/[\d.]+:(\d+)/.exec(String(data)); if (match) resolve(match[1]); });
    server.on('exit', () => reject(new Error('the web server did not start')));
  });
  process.on('exit', () => server.kill());
  return { server, origin: `http://127.0.0.1:${port}` };
}


// Chromium's flags: without the background networking and component
// updates, it asks no other host for anything; a page in the background
// still gets its animation frames and timers.
export const chromiumArgs = [...(process.getuid() === 0 ? ['--no-sandbox'] : []), '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-renderer-backgrounding',
  '--disable-background-timer-throttling'];

// A copy of a site (or an empty folder) in a temporary folder, served as
// make run-web serves.
export async function servedCopy(site) {
  const dir = mkdtempSync(join(tmpdir(), 'wavestring-host-'));
  if (site)
    cpSync(site, dir, { recursive: true });
  const { server, origin } = await serve(dir);
  return { dir, origin, close: () => { server.kill(); rmSync(dir, { recursive: true }); } };
}
