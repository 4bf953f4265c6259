// What the web page's tests and benchmarks share: a static server for the
// built page on the loopback address, Debian's chromium started headless
// through puppeteer-core (or the reason it cannot be), downloads into a
// folder, and PNG files decoded to their exact RGBA bytes.
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';
import zlib from 'node:zlib';

export const CHROMIUM = process.env.RINGSTRIDE_CHROMIUM || '/usr/bin/chromium';

// Exits 77 with "skipped: WHY" (CTest's skip code).
export function skip(why) {
  console.log(`skipped: ${why}`);
  process.exit(77);
}

// puppeteer-core, or a skip when something the test needs is missing.
export async function requirements(pageDir) {
  if (!fs.existsSync(CHROMIUM)) skip(`no chromium at ${CHROMIUM} (apt-get install chromium)`);
  if (!fs.existsSync(path.join(pageDir, 'ringstride.wasm'))) {
    skip(`the web page is not built in ${pageDir} (scripts/web-build.sh; needs emscripten)`);
  }
  try {
    return (await import('puppeteer-core')).default;
  } catch (e) {
    return skip('puppeteer-core is not installed (scripts/setup.sh runs npm ci in tests/web)');
  }
}

const TYPES = { '.html': 'text/html', '.js': 'text/javascript', '.css': 'text/css', '.wasm': 'application/wasm',
  '.png': 'image/png', '.svg': 'image/svg+xml', '.json': 'application/json' };

// Serves `root` on 127.0.0.1 at a free port; {url, close()}.
export async function serve(root) {
  const server = http.createServer((req, res) => {
    const name = decodeURIComponent(new URL(req.url, 'http://localhost').pathname);
    const file = path.join(root, path.normalize(name === '/' ? '/index.html' : name));
    if (!file.startsWith(root)) { res.writeHead(403); res.end(); return; }
    fs.readFile(file, (err, data) => {
      if (err) { res.writeHead(404); res.end(); return; }
      res.writeHead(200, { 'Content-Type': TYPES[path.extname(file)] || 'application/octet-stream' });
      res.end(data);
    });
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  return { url: `http://127.0.0.1:${server.address().port}/`, close: () => server.close() };
}

export async function launch(puppeteer, profileDir) {
  return puppeteer.launch({
    executablePath: CHROMIUM,
    headless: true,
    protocolTimeout: 60000,
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-background-networking',
      '--disable-component-update', '--disable-sync', `--user-data-dir=${profileDir}`],
  });
}

// Downloads of `page` go to `dir`; take(name) waits for a finished one.
export async function downloads(browser, page, dir) {
  fs.mkdirSync(dir, { recursive: true });
  const session = await browser.target().createCDPSession();
  await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: dir });
  return {
    clear() { fs.readdirSync(dir).forEach((f) => fs.rmSync(path.join(dir, f), { force: true })); },
    async take(name, timeoutMs = 30000) {
      const file = path.join(dir, name);
      const until = Date.now() + timeoutMs;
      while (Date.now() < until) {
        if (fs.existsSync(file)) return file;
        await new Promise((r) => setTimeout(r, 50));
      }
      throw new Error(`no download ${name} within ${timeoutMs} ms`);
    },
  };
}

// {width, height, rgba} of an 8-bit RGB or RGBA PNG file (not interlaced).
export function decodePng(file) {
  const bytes = fs.readFileSync(file);
  let at = 8, width = 0, height = 0, type = 0, depth = 0;
  const idat = [];
  while (at < bytes.length) {
    const length = bytes.readUInt32BE(at);
    const kind = bytes.toString('latin1', at + 4, at + 8);
    const data = bytes.subarray(at + 8, at + 8 + length);
    if (kind === 'IHDR') {
      width = data.readUInt32BE(0);
      height = data.readUInt32BE(4);
      depth = data[8];
      type = data[9];
      if (data[12] !== 0) throw new Error(`${file}: interlaced PNG`);
    } else if (kind === 'IDAT') {
      idat.push(data);
    }
    at += 12 + length;
  }
  const channels = { 2: 3, 6: 4 }[type];
  if (depth !== 8 || !channels) throw new Error(`${file}: not an 8-bit RGB or RGBA PNG (depth ${depth}, type ${type})`);
  const raw = zlib.inflateSync(Buffer.concat(idat));
  const stride = width * channels;
  const rows = Buffer.alloc(height * stride);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * (stride + 1)];
    const line = raw.subarray(y * (stride + 1) + 1, (y + 1) * (stride + 1));
    const out = rows.subarray(y * stride, (y + 1) * stride);
    const up = y > 0 ? rows.subarray((y - 1) * stride, y * stride) : Buffer.alloc(stride);
    for (let i = 0; i < stride; i++) {
      const a = i >= channels ? out[i - channels] : 0, b = up[i], c = i >= channels ? up[i - channels] : 0;
      let v = line[i];
      if (filter === 1) v += a;
      else if (filter === 2) v += b;
      else if (filter === 3) v += (a + b) >> 1;
      else if (filter === 4) {
        const p = a + b - c, pa = Math.abs(p - a), pb = Math.abs(p - b), pc = Math.abs(p - c);
        v += pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
      }
      out[i] = v & 0xff;
    }
  }
  if (channels === 4) return { width, height, rgba: rows };
  const rgba = Buffer.alloc(width * height * 4);
  for (let i = 0, j = 0; i < rows.length; i += 3, j += 4) {
    rgba[j] = rows[i]; rgba[j + 1] = rows[i + 1]; rgba[j + 2] = rows[i + 2]; rgba[j + 3] = 255;
  }
  return { width, height, rgba };
}

// Undefined when equal, else where the first difference is.
export function firstDifference(a, b) {
  if (a.width !== b.width || a.height !== b.height) return `size ${a.width}x${a.height} vs ${b.width}x${b.height}`;
  for (let i = 0; i < a.rgba.length; i++) {
    if (a.rgba[i] !== b.rgba[i]) {
      const p = i >> 2;
      return `pixel (${p % a.width}, ${Math.floor(p / a.width)}) channel ${i & 3}: ${a.rgba[i]} vs ${b.rgba[i]}`;
    }
  }
  return undefined;
}
