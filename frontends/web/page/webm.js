// A WebM file of the shot: every frame rendered in turn, encoded to VP8 by
// the browser's VideoEncoder with its exact time (frame i at i * den / num
// s, however long it took to render), and put in a Matroska container by
// the few elements a WebM player needs.
function vint(n) {
  // Element sizes: 8-byte form, marker 0x01, for any size.
  const out = new Uint8Array(8);
  out[0] = 0x01;
  let v = BigInt(n);
  for (let i = 7; i >= 1; i--) { out[i] = Number(v & 0xffn); v >>= 8n; }
  return out;
}

function bytesOfId(id) {
  const out = [];
  for (let v = id; v > 0; v = Math.floor(v / 256)) out.unshift(v % 256);
  return new Uint8Array(out);
}

function join(parts) {
  const total = parts.reduce((n, p) => n + p.length, 0);
  const out = new Uint8Array(total);
  let at = 0;
  parts.forEach((p) => { out.set(p, at); at += p.length; });
  return out;
}

function el(id, ...children) {
  const body = join(children);
  return join([bytesOfId(id), vint(body.length), body]);
}

function uint(id, value) {
  const out = [];
  let v = value;
  do { out.unshift(v % 256); v = Math.floor(v / 256); } while (v > 0);
  return el(id, new Uint8Array(out));
}

function float(id, value) {
  const out = new Uint8Array(8);
  new DataView(out.buffer).setFloat64(0, value);
  return el(id, out);
}

function text(id, value) {
  return el(id, new TextEncoder().encode(value));
}

function simpleBlock(chunk, relativeMs) {
  const data = new Uint8Array(chunk.byteLength);
  chunk.copyTo(data);
  const header = new Uint8Array(4);
  header[0] = 0x81;  // track 1
  new DataView(header.buffer).setInt16(1, relativeMs);
  header[3] = chunk.type === 'key' ? 0x80 : 0x00;
  return el(0xa3, header, data);
}

function mux(width, height, chunks, durationMs) {
  const clusters = [];
  let cluster = null;
  chunks.forEach(({ chunk, ms }) => {
    if (!cluster || chunk.type === 'key' || ms - cluster.start > 30000) {
      cluster = { start: ms, blocks: [] };
      clusters.push(cluster);
    }
    cluster.blocks.push(simpleBlock(chunk, ms - cluster.start));
  });
  const header = el(0x1a45dfa3, uint(0x4286, 1), uint(0x42f7, 1), uint(0x42f2, 4), uint(0x42f3, 8),
    text(0x4282, 'webm'), uint(0x4287, 2), uint(0x4285, 2));
  const info = el(0x1549a966, uint(0x2ad7b1, 1000000), text(0x4d80, 'ringstride web'),
    text(0x5741, 'ringstride web'), float(0x4489, durationMs));
  const tracks = el(0x1654ae6b, el(0xae, uint(0xd7, 1), uint(0x73c5, 1), uint(0x83, 1), uint(0x9c, 0),
    text(0x86, 'V_VP8'), el(0xe0, uint(0xb0, width), uint(0xba, height))));
  const body = clusters.map((c) => el(0x1f43b675, uint(0xe7, c.start), ...c.blocks));
  return new Blob([header, el(0x18538067, info, tracks, ...body)], { type: 'video/webm' });
}

// frames: how many; rate {num, den}; renderAt(i) resolves with
// {width, height, pixels (RGBA ArrayBuffer)}; progress(i) after each frame.
export async function encodeWebm(frames, rate, renderAt, progress) {
  if (!('VideoEncoder' in self)) throw new Error('this browser has no VideoEncoder for WebM export');
  const chunks = [];
  let failure = null;
  let encoder = null;
  let size = null;
  const microseconds = (i) => Math.round((i * rate.den * 1e6) / rate.num);
  for (let i = 0; i < frames; i++) {
    const frame = await renderAt(i);
    if (!encoder) {
      size = { width: frame.width, height: frame.height };
      const config = { codec: 'vp8', width: frame.width, height: frame.height, bitrate: 8e6,
        framerate: rate.num / rate.den };
      const support = await VideoEncoder.isConfigSupported(config);
      if (!support.supported) throw new Error(`this browser cannot encode VP8 at ${frame.width} x ${frame.height}`);
      encoder = new VideoEncoder({
        output: (chunk) => chunks.push({ chunk, ms: Math.round(chunk.timestamp / 1000) }),
        error: (e) => { failure = e; },
      });
      encoder.configure(config);
    }
    const video = new VideoFrame(new Uint8Array(frame.pixels), { format: 'RGBA', codedWidth: frame.width,
      codedHeight: frame.height, timestamp: microseconds(i), duration: microseconds(i + 1) - microseconds(i) });
    encoder.encode(video, { keyFrame: i % 60 === 0 });
    video.close();
    if (failure) throw failure;
    progress(i);
  }
  await encoder.flush();
  encoder.close();
  if (failure) throw failure;
  return mux(size.width, size.height, chunks, microseconds(frames) / 1000);
}
