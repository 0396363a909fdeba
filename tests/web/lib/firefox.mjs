// Debian's Firefox ESR, headless, driven by puppeteer-core over WebDriver
// BiDi. Its automation moves the pointer and a finger by whole CSS pixels
// only, and it has no phone's emulation (no coarse pointer).
import puppeteer from 'puppeteer-core';

export default {
  name: 'firefox',
  has: ['touch', 'interception'],
  wholeCssPointer: true,
  launch: ({ lang } = {}) => puppeteer.launch({
    browser: 'firefox', executablePath: '/usr/bin/firefox-esr', protocol: 'webDriverBiDi',
    headless: true, defaultViewport: null,
    extraPrefsFirefox: lang ? { 'intl.accept_languages': lang, 'intl.locale.requested': lang } : {},
  }),
};
