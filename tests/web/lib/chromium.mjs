// Debian's Chromium, headless, driven by puppeteer-core. It runs every
// check: it alone has the DevTools protocol (CDP), a phone's emulation
// and device scales set at launch.
import puppeteer from 'puppeteer-core';
import { chromiumArgs } from './serve.mjs';

export default {
  name: 'chromium',
  has: ['cdp', 'touch', 'phone', 'interception', 'device scale'],
  // args: more of Chromium's flags; lang: the browser's language (fr, en ...).
  launch: ({ args = [], lang } = {}) => puppeteer.launch({
    executablePath: '/usr/bin/chromium', headless: true, defaultViewport: null,
    args: [...chromiumArgs, ...args, ...(lang ? [`--lang=${lang}`, `--accept-lang=${lang}`] : [])],
    env: lang ? { ...process.env, LANGUAGE: lang } : process.env,
  }),
};
