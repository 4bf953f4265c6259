// A screenshot of the web page with its demo (README's docs/playground.png):
//
//   node tests/web/screenshot.mjs PAGE_DIR OUT.png
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { launch, requirements, serve } from './harness.mjs';

const [pageDir, out] = process.argv.slice(2).map((p) => path.resolve(p));
const puppeteer = await requirements(pageDir);
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'ringstride-web-shot-'));
const server = await serve(pageDir);
const browser = await launch(puppeteer, path.join(work, 'profile'));
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 1280, height: 720 });
  await page.goto(server.url);
  await page.evaluate(() => window.playground.ready);
  // The middle vertex selected, to show its tangent handles, and a key on Time.
  const [x, y] = await page.$eval('#frame', (c) => {
    const r = c.getBoundingClientRect();
    return [r.left + 160 * (r.width / c.width), r.top + 90 * (r.height / c.height)];
  });
  await page.mouse.click(x, y);
  await page.click('[data-param="Time"] .key');
  await page.evaluate(() => window.playground.idle());
  await page.screenshot({ path: out });
  console.log(out);
} finally {
  await browser.close();
  server.close();
  fs.rmSync(work, { recursive: true, force: true });
}
