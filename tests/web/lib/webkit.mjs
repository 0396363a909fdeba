// WebKitGTK, the engine of Safari: its WebKitWebDriver starts MiniBrowser on
// a private Xvfb, driven through selenium-webdriver and the adapter below,
// which gives the checks the part of puppeteer's Page they use. Its
// automation has no touch, moves the pointer by whole CSS pixels only,
// loses the release of the right and middle buttons, and cannot intercept
// requests.
import { spawn } from 'node:child_process';
import { existsSync, readdirSync } from 'node:fs';
import { createServer } from 'node:net';
import { fileURLToPath } from 'node:url';
import { Builder, By, Key, Origin } from 'selenium-webdriver';
import { LEFT, MIDDLE, RIGHT } from './input.mjs';
import { Failure, scale, waitFor } from './wait.mjs';

export default {
  name: 'webkit',
  has: [],
  wholeCssPointer: true,
  // The right and middle buttons are the left one with a tool chosen, so
  // the browser is never asked for a context menu.
  rightButtonAsTool: true,
  // lang (fr, or fr-FR) becomes the locale, fr_FR.UTF-8, which must be
  // installed; English is C.UTF-8's.
  launch: async ({ lang } = {}) => {
    const xvfb = await privateDisplay();
    const [language, region = language?.toUpperCase()] = lang?.split('-') ?? [];
    const locale = language === 'en' ? 'C.UTF-8' : `${language}_${region}.UTF-8`;
    const env = { ...process.env, DISPLAY: xvfb.display, ...(lang ? { LC_ALL: locale, LANGUAGE: language } : {}) };
    const contexts = [];
    return {
      createBrowserContext: async () => contexts[contexts.push(new WebKitContext(env)) - 1],
      close: async () => {
        for (const context of contexts)
          await context.close();
        xvfb.stop();
      },
    };
  },
};

// Xvfb from tests/with_xvfb.sh, which keeps it while the shell it runs
// reads its input.
async function privateDisplay() {
  const script = fileURLToPath(new URL('../../with_xvfb.sh', import.meta.url));
  const server = spawn('sh', [script, 'sh', '-c', 'echo "$DISPLAY"; exec cat >/dev/null'], { stdio: ['pipe', 'pipe', 'inherit'] });
  process.on('exit', () => server.kill());
  const display = await new Promise((resolve, reject) => {
    server.stdout.once('data', (data) => resolve(String(data).trim()));
    server.on('exit', () => reject(new Failure('no X server for WebKitGTK')));
  });
  return { display, stop: () => server.stdin.end() };
}

// Each page is a MiniBrowser of its own, started by a WebKitWebDriver of
// its own (a driver has one session at a time). GDK_SCALE, which the driver
// passes on to MiniBrowser, sets the device scale: a page moves to a new
// MiniBrowser to take a viewport of another scale.
for (const signal of ['SIGINT', 'SIGTERM']) // the drivers and browsers stop too
  process.on(signal, () => process.exit(1));
const miniBrowser = () => readdirSync('/usr/lib').flatMap((dir) => ['4.1', '4.0'].map((api) => `/usr/lib/${dir}/webkit2gtk-${api}/MiniBrowser`))
  .find((path) => existsSync(path));
async function startWebKitDriver(env, deviceScale) {
  const port = await new Promise((resolve) => {
    const probe = createServer().listen(0, '127.0.0.1', () => { const { port } = probe.address(); probe.close(() => resolve(port)); });
  });
  const driver = spawn('WebKitWebDriver', [`--port=${port}`], { stdio: 'ignore', env: { ...env, GDK_SCALE: String(deviceScale) } });
  process.on('exit', () => driver.kill());
  const url = `http://127.0.0.1:${port}`;
  await waitFor(() => fetch(`${url}/status`).then((response) => response.ok, () => false), Boolean, 'WebKitWebDriver answering');
  return { url, stop: () => driver.kill() };
}
const webdriverKeys = { Enter: Key.ENTER, Escape: Key.ESCAPE, Tab: Key.TAB, ArrowLeft: Key.ARROW_LEFT, ArrowRight: Key.ARROW_RIGHT,
  ArrowUp: Key.ARROW_UP, ArrowDown: Key.ARROW_DOWN, ' ': ' ' };
const webdriverButtons = { [LEFT]: 0, [MIDDLE]: 1, [RIGHT]: 2 };

class WebKitContext {
  pages = [];
  constructor(env) {
    this.env = env;
  }
  async newPage() {
    const page = new WebKitPage(this);
    await page.open(1);
    this.pages.push(page);
    return page;
  }
  async close() {
    for (const page of this.pages.splice(0))
      await page.quit();
  }
}

class WebKitPage {
  constructor(context) {
    this.context = context;
    const act = (build) => build(this.driver.actions({ async: true })).perform();
    const key = (name) => webdriverKeys[name] ?? name;
    this.keyboard = {
      press: (name) => act((actions) => actions.keyDown(key(name)).keyUp(key(name))),
      down: (name) => act((actions) => actions.keyDown(key(name))),
      up: (name) => act((actions) => actions.keyUp(key(name))),
    };
    // WebKitWebDriver loses the release of the right and middle buttons:
    // they are pressed as the left one with the tool that stands for them
    // (Kick, Anchor) chosen, and Pluck chosen again after. Where there is
    // no such tool (wavestring_paced has no Anchor) the press does nothing.
    let at = { x: 0, y: 0 }, held = null;
    this.mouse = {
      move: (x, y) => { at = { x, y }; return act((actions) => actions.move({ x, y, origin: Origin.VIEWPORT })); },
      down: async ({ button = LEFT } = {}) => {
        held = button === LEFT || await this.$(`[data-button="${webdriverButtons[button]}"]`) ? button : null;
        if (held !== null && held !== LEFT)
          await this.$eval(`[data-button="${webdriverButtons[button]}"]`, (control) => control.click());
        if (held !== null)
          await act((actions) => actions.move({ ...at, origin: Origin.VIEWPORT }).press(0));
      },
      up: async () => {
        if (held !== null)
          await act((actions) => actions.release(0));
        if (held !== null && held !== LEFT)
          await this.$eval('[data-button="0"]', (control) => control.click());
        held = null;
      },
      click: (x, y) => this.mouse.move(x, y).then(() => act((actions) => actions.press(0).release(0))),
    };
  }
  async open(deviceScale) {
    this.deviceScale = deviceScale;
    this.driverProcess = await startWebKitDriver(this.context.env, deviceScale);
    this.driver = await new Builder().usingServer(this.driverProcess.url)
      .withCapabilities({ browserName: 'MiniBrowser', 'webkitgtk:browserOptions': { binary: miniBrowser(), args: ['--automation'] } })
      .build();
    await this.driver.manage().setTimeouts({ script: 60000 * scale });
  }
  async quit() {
    await this.driver.quit();
    this.driverProcess.stop();
  }
  browserContext() { return this.context; }
  setDefaultTimeout() {}
  on() {}
  // Runs fn(...args) in the page and gives what it returns or resolves to.
  async evaluate(fn, ...args) {
    const { value, error } = await this.driver.executeAsyncScript(`const done = arguments[arguments.length - 1];
      Promise.resolve().then(() => (${fn}).apply(null, [...arguments].slice(0, -1)))
        .then((value) => done({ value }), (error) => done({ error: String(error && error.stack || error) }));`, ...args);
    if (error)
      throw new Failure(`in the page: ${error}`);
    return value;
  }
  $eval(selector, fn, ...args) {
    return this.evaluate(`(selector, ...args) => (${fn})(document.querySelector(selector), ...args)`, selector, ...args);
  }
  $(selector) {
    return this.evaluate((selector) => document.querySelector(selector) !== null, selector);
  }
  $$eval(selector, fn, ...args) {
    return this.evaluate(`(selector, ...args) => (${fn})([...document.querySelectorAll(selector)], ...args)`, selector, ...args);
  }
  title() { return this.driver.getTitle(); }
  url() { return this.driver.getCurrentUrl(); }
  focus(selector) { return this.$eval(selector, (element) => element.focus()); }
  click(selector) { return this.driver.findElement(By.css(selector)).click(); }
  // WebDriver says nothing of the response: a page that loads is taken as ok.
  async goto(url) {
    await this.driver.get(url);
    return { ok: () => true, status: () => 'unknown' };
  }
  reload() { return this.driver.navigate().refresh(); }
  screenshot() { return this.driver.takeScreenshot(); }
  // The window sized so that the viewport is width x height, in a session
  // at the device scale asked for, on the same page.
  async setViewport({ width, height, deviceScaleFactor = 1 }) {
    if (deviceScaleFactor !== this.deviceScale) {
      const url = await this.driver.getCurrentUrl();
      await this.quit();
      await this.open(deviceScaleFactor);
      await this.driver.get(url);
    }
    // The window's frame is not known beforehand, and the page learns of a
    // resize a little after it: the window is sized again, once the page
    // has seen the last resize, until the viewport is as asked.
    const browserWindow = this.driver.manage().window();
    let resizedFrom = null;
    await waitFor(async () => {
      const inner = await this.evaluate(() => `${window.innerWidth} x ${window.innerHeight}`);
      if (inner === `${width} x ${height}`)
        return true;
      if (inner !== resizedFrom) {
        const [innerWidth, innerHeight] = inner.split(' x ').map(Number), outer = await browserWindow.getRect();
        await browserWindow.setRect({ width: outer.width + width - innerWidth, height: outer.height + height - innerHeight });
        resizedFrom = inner;
      }
      return false;
    }, Boolean, `a viewport of ${width} x ${height} CSS px`);
  }
}
