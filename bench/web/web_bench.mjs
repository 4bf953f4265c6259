// The web page's figures (nothing passes or fails here):
//  1. the 8-bit benchmark scenes rendered as WebAssembly (in node) against
//     the same code built natively, median ms per frame and the ratio;
//  2. in Debian's chromium, the time from a slider change (a real key
//     press on a slider) to the new frame on screen at 1920x1080.
//
//   node web_bench.mjs NATIVE_SESSION_BENCH WASM_SESSION_BENCH.js PAGE_DIR [--quick]
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

const here = path.dirname(new URL(import.meta.url).pathname);
const { launch, requirements, serve } = await import(path.join(here, '../../tests/web/harness.mjs'));
const [nativeBench, wasmBench, pageDir] = process.argv.slice(2).map((p) => path.resolve(p));
const quick = process.argv.includes('--quick');
const seconds = quick ? '0.3' : '2';

function scenes(command, args) {
  const out = execFileSync(command, args, { timeout: 600000 }).toString();
  return new Map(out.trim().split('\n').map((line) => {
    const [name, ms, runs, min, hash] = line.split(' ');
    return [name, { ms: Number(ms), runs: Number(runs), min: Number(min), hash }];
  }));
}

const native = scenes(nativeBench, [seconds]);
const wasm = scenes(process.execPath, ['--no-experimental-fetch', wasmBench, seconds]);
// Medians, and the fastest runs, which a busy machine disturbs least.
console.log('scene      native ms   wasm ms   wasm/native   fastest: native    wasm   wasm/native   frames');
const f = (v, w) => v.toFixed(2).padStart(w);
native.forEach((n, name) => {
  const w = wasm.get(name);
  console.log(`${name.padEnd(10)} ${f(n.ms, 9)} ${f(w.ms, 9)} ${f(w.ms / n.ms, 12)}x ${f(n.min, 16)} ${f(w.min, 7)} ` +
    `${f(w.min / n.min, 12)}x   ${w.hash === n.hash ? 'same' : 'DIFFERENT'}`);
});

// The page's own PNG encoder. Its folder has no package.json to say that
// png.js is an ES module, so it is imported from its text.
const pngSource = fs.readFileSync(path.join(here, '../../frontends/web/page/png.js')).toString('base64');
const { encodePng } = await import(`data:text/javascript;base64,${pngSource}`);

// A 1920x1080 opaque gradient as a PNG file.
async function gradientPng(file, width, height) {
  const rgba = new Uint8Array(width * height * 4);
  for (let y = 0; y < height; y++) {
    for (let x = 0; x < width; x++) {
      const i = (y * width + x) * 4;
      rgba[i] = (x * 255) / width; rgba[i + 1] = (y * 255) / height; rgba[i + 2] = 128; rgba[i + 3] = 255;
    }
  }
  fs.writeFileSync(file, new Uint8Array(await (await encodePng(width, height, rgba)).arrayBuffer()));
}

const puppeteer = await requirements(pageDir);
const work = fs.mkdtempSync(path.join(os.tmpdir(), 'ringstride-web-bench-'));
const server = await serve(pageDir);
const browser = await launch(puppeteer, path.join(work, 'profile'));
try {
  const page = await browser.newPage();
  await page.setViewport({ width: 1600, height: 1000 });
  await page.goto(server.url);
  await page.evaluate(() => window.playground.ready);
  const picture = path.join(work, 'hd.png');
  await gradientPng(picture, 1920, 1080);
  await (await page.$('#open-picture')).uploadFile(picture);
  await page.evaluate(() => window.playground.idle());
  await page.click('#path-data', { clickCount: 3 });
  await page.keyboard.type('M 40 900 C 500 -200 1400 1300 1880 200');
  await page.keyboard.press('Enter');
  await page.evaluate(() => window.playground.idle());
  await page.evaluate(() => {
    window.latencies = [];
    document.addEventListener('keydown', () => { window.pressed = performance.now(); }, true);
    document.getElementById('frame').addEventListener('frameshown', () => {
      const from = window.pressed;
      window.pressed = undefined;
      if (from !== undefined) requestAnimationFrame(() => window.latencies.push(performance.now() - from));
    });
  });
  const slider = '[data-param="Max Radius"] input[type=range]';
  await page.focus(slider);
  const presses = quick ? 10 : 40;
  for (let i = 1; i <= presses; i++) {
    await page.keyboard.press(i % 2 ? 'ArrowRight' : 'ArrowLeft');
    await page.waitForFunction((n) => window.latencies.length >= n, {}, i);
  }
  const ms = (await page.evaluate(() => window.latencies)).sort((a, b) => a - b);
  const at = (q) => ms[Math.min(ms.length - 1, Math.floor(q * ms.length))];
  console.log(`\nslider change to the frame on screen, 1920x1080 in chromium (${ms.length} changes): ` +
    `median ${at(0.5).toFixed(1)} ms, 90th percentile ${at(0.9).toFixed(1)} ms, fastest ${ms[0].toFixed(1)} ms`);
} finally {
  await browser.close();
  server.close();
  fs.rmSync(work, { recursive: true, force: true });
}
