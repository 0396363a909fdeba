// A second build of the site (B), for the checks of a new build on the
// host, made in a moment from the first build's files (A) rather than built
// again: web/site.cmake writes them as a site with a mark, a comment, added
// to every script and style sheet, and each program's .wasm gets a custom
// section, which WebAssembly ignores. So B's page.js, style.css and
// programs (.js and .wasm) differ from A's, and with them their hashed
// names, the pages that name them and sw.js.
import { execFileSync } from 'node:child_process';
import { appendFileSync, cpSync, mkdtempSync, readdirSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';

const web = fileURLToPath(new URL('../../../web/', import.meta.url));

// site: A's site folder, beside the site-files folder it was written from.
export function secondBuild(site) {
  const dir = mkdtempSync(join(tmpdir(), 'wavestring-b-'));
  process.on('exit', () => rmSync(dir, { recursive: true, force: true }));
  const files = join(dir, 'files');
  cpSync(join(site, '..', 'site-files'), files, { recursive: true });
  for (const name of readdirSync(files).filter((name) => name.endsWith('.wasm')))
    appendFileSync(join(files, name), customSection('wavestring-build', 'B'));
  execFileSync('cmake', [`-DFILES=${files}`, `-DSITE=${join(dir, 'site')}`, `-DTEMPLATE=${join(web, 'sw.js.in')}`, '-DMARK=b',
    '-P', join(web, 'site.cmake')], { stdio: 'inherit' });
  return join(dir, 'site');
}

// A WebAssembly custom section: id 0, its size, its name's size, its name, its bytes.
function customSection(name, text) {
  const body = Buffer.concat([leb128(name.length), Buffer.from(name), Buffer.from(text)]);
  return Buffer.concat([Buffer.from([0]), leb128(body.length), body]);
}

function leb128(value) {
  const bytes = [];
  do {
    bytes.push((value & 0x7f) | (value >= 0x80 ? 0x80 : 0));
    value >>>= 7;
  } while (value > 0);
  return Buffer.from(bytes);
}
