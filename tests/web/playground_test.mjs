// The web page in Debian's chromium, driven with real mouse and keyboard
// events: its frames, exported PNG files and keys files held byte for byte
// against `ringstride render`; SVG import; frei0r strings run by the real
// ffmpeg; WebM export read by ffprobe; bad inputs answered with a message.
//
//   node playground_test.mjs PAGE_DIR RINGSTRIDE WORK_DIR [FREI0R_DIR]
//
// One browser for every case. Prints "ok"/"not ok" per case and
// "N passed, N failed"; exits 77 with "skipped: why" where chromium, the
// built page or puppeteer-core is missing.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { decodePng, downloads, firstDifference, launch, requirements, serve } from './harness.mjs';
import { cases } from './playground_cases.mjs';

const [pageDir, ringstride, workDir, frei0rDir] = process.argv.slice(2).map((p) => p && path.resolve(p));
if (!pageDir || !ringstride || !workDir) {
  console.error('usage: playground_test.mjs PAGE_DIR RINGSTRIDE WORK_DIR [FREI0R_DIR]');
  process.exit(2);
}
const puppeteer = await requirements(pageDir);
const source = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');
fs.rmSync(workDir, { recursive: true, force: true });
fs.mkdirSync(workDir, { recursive: true });

const server = await serve(pageDir);
const browser = await launch(puppeteer, path.join(workDir, 'profile'));
let passed = 0, failed = 0;
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 800 });
  const errors = [];
  page.on('pageerror', (e) => errors.push(e.message));
  page.setDefaultTimeout(30000);
  await page.goto(server.url);
  await page.evaluate(() => window.playground.ready);
  const files = await downloads(browser, page, path.join(workDir, 'downloads'));

  const run = (args, options = {}) => execFileSync(args[0], args.slice(1),
    { timeout: 60000, stdio: ['ignore', 'pipe', 'pipe'], ...options }).toString();
  const t = {
    page, source, workDir, files, frei0rDir,
    file: (name) => path.join(workDir, name),
    example: (name) => path.join(source, 'examples', name),
    run,
    ringstride: (...args) => run([ringstride, ...args]),
    decodePng,
    firstDifference,
    // Waits until the page has rendered everything asked of it.
    idle: () => page.evaluate(() => window.playground.idle()),
    // The frame as the module rendered it (the exact bytes, not the canvas).
    pageFrame: async () => {
      const f = await page.evaluate(() => {
        const frame = window.playground.frame();
        const bytes = new Uint8Array(frame.pixels);
        let s = '';
        for (let i = 0; i < bytes.length; i += 0x8000) s += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
        return { width: frame.width, height: frame.height, data: btoa(s) };
      });
      return { width: f.width, height: f.height, rgba: Buffer.from(f.data, 'base64') };
    },
    message: () => page.$eval('#message', (e) => (e.hidden ? '' : e.textContent)),
    shot: () => page.evaluate(() => window.playground.shot()),
    framesShown: () => page.evaluate(() => window.playground.framesShown()),
    // Screen position of a layer pixel position.
    screen: async (x, y) => {
      const box = await page.$eval('#frame', (c) => {
        const r = c.getBoundingClientRect();
        return { left: r.left, top: r.top, scale: r.width / c.width };
      });
      return [box.left + x * box.scale, box.top + y * box.scale];
    },
    // A click once the page has caught up (a key's menu is enabled by the
    // frame that shows the key, say).
    click: async (selector) => {
      await page.evaluate(() => window.playground.idle());
      await page.click(selector);
    },
    // Types into a field as a user does: select what is there, type, Tab.
    type: async (selector, text) => {
      await page.evaluate(() => window.playground.idle());
      await page.click(selector, { clickCount: 3 });
      await page.keyboard.type(text);
      await page.keyboard.press('Tab');
    },
    exportDownload: async (button, name) => {
      files.clear();
      await page.click(button);
      return files.take(name);
    },
    same: (a, b, what) => {
      const d = firstDifference(a, b);
      if (d) throw new Error(`${what}: ${d}`);
    },
    check: (ok, what) => { if (!ok) throw new Error(what); },
  };

  for (const [name, body] of cases) {
    const started = Date.now();
    try {
      await body(t);
      if (errors.length) throw new Error(`the page threw: ${errors.splice(0).join('; ')}`);
      passed += 1;
      console.log(`ok - ${name} (${Date.now() - started} ms)`);
    } catch (e) {
      failed += 1;
      console.log(`not ok - ${name}: ${e.message.split('\n').slice(0, 6).join('\n    ')}`);
      await page.screenshot({ path: path.join(workDir, `failed-${name.replace(/\W+/g, '-')}.png`) });
    }
  }
} finally {
  await browser.close();
  server.close();
}
console.log(`${passed} passed, ${failed} failed`);
process.exit(failed === 0 ? 0 : 1);
