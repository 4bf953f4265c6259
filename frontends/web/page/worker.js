// The render worker: the WebAssembly module (the effect and our host
// library) runs here, so the page stays responsive while a frame renders.
// Messages are {id, call, args}; each answer is {id, result} or
// {id, error}. A rendered frame's pixels come back as a transferred copy.
import createRingstride from './ringstride.js';

const ready = createRingstride();

function text(module, s) {
  const bytes = module.lengthBytesUTF8(s) + 1;
  const ptr = module._malloc(bytes);
  module.stringToUTF8(s, ptr, bytes);
  return ptr;
}

// Calls an exported function with numbers and texts; its JSON answer.
function invoke(module, name, args) {
  const pointers = [];
  const values = args.map((a) => {
    if (typeof a !== 'string') return a;
    const p = text(module, a);
    pointers.push(p);
    return p;
  });
  try {
    return JSON.parse(module.UTF8ToString(module['_' + name](...values)));
  } finally {
    pointers.forEach((p) => module._free(p));
  }
}

const calls = {
  start: (m) => invoke(m, 'rs_start', []),
  checkSize: (m, width, height, name) => invoke(m, 'rs_check_size', [width, height, name]),
  picture(m, width, height, rgba, name) {
    const bytes = new Uint8Array(rgba);
    const ptr = m._malloc(bytes.length);
    if (!ptr) return { error: `${name}: the page has no memory left for a ${width} x ${height} picture` };
    try {
      m.HEAPU8.set(bytes, ptr);
      return invoke(m, 'rs_set_picture', [width, height, ptr, name]);
    } finally {
      m._free(ptr);
    }
  },
  render(m, doc, at, rate) {
    const started = performance.now();
    const answer = invoke(m, 'rs_render', [doc, at, rate]);
    if (answer.error) return answer;
    const size = answer.width * answer.height * 4;
    answer.pixels = m.HEAPU8.slice(answer.pixels, answer.pixels + size).buffer;
    answer.render_ms = performance.now() - started;
    return answer;
  },
  openKeys: (m, keysText, name, rate) => invoke(m, 'rs_open_keys', [keysText, name, rate]),
  frameRate: (m, fps) => invoke(m, 'rs_frame_rate', [fps]),
  pathData: (m, data) => invoke(m, 'rs_path_data', [data]),
  svg: (m, svgText, name, width, height, fit, id) => invoke(m, 'rs_svg', [svgText, name, width, height, fit ? 1 : 0, id]),
};

self.onmessage = async (event) => {
  const { id, call, args } = event.data;
  try {
    const module = await ready;
    const result = calls[call](module, ...args);
    const transfer = result && result.pixels instanceof ArrayBuffer ? [result.pixels] : [];
    self.postMessage({ id, result }, transfer);
  } catch (e) {
    self.postMessage({ id, error: `the module failed: ${e && e.message ? e.message : e}` });
  }
};
