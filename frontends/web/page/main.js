// The playground: a picture, a mask drawn on it, every parameter of the
// effect, keys on a timeline, and the frame rendered by the effect itself
// (compiled to WebAssembly, in a worker). The shot lives as the keys file
// of `ringstride --keys`; every change renders that document, so the page
// shows what the command line renders from its export.
import { Engine } from './engine.js';
import * as shots from './shot.js';
import { buildControls } from './controls.js';
import { MaskEditor } from './mask_editor.js';
import { Timeline } from './timeline.js';
import { decodePicture, isVideo, openVideo } from './picture.js';
import { download, frei0rLines, keysFile, pngOf } from './exports.js';
import { encodeWebm } from './webm.js';

const $ = (id) => document.getElementById(id);
const engine = new Engine(new URL('./worker.js', import.meta.url));
const canvas = $('frame');
const context = canvas.getContext('2d');

// The demo: examples/gradient.png, examples/wave.svg and the values of
// docs/demo.png (README).
const DEMO = { picture: 'examples/gradient.png', mask: 'examples/wave.svg',
  values: { 'Max Radius': 30, 'Min Radius': 30, 'Edge Thickness': 2, 'Edge Brightness': 1.8, Seed: 7,
    'On Original': true } };

const page = {
  params: [],
  shot: shots.emptyShot(),
  good: '{}',           // the last document the module rendered without complaint
  picture: { name: '', width: 0, height: 0 },
  video: null,
  videoFrame: -1,
  frame: null,          // the last frame: {width, height, pixels, values, mask, ...}
  frames: 0,            // frames shown so far
};

// ---- messages ---------------------------------------------------------------

function message(text, warning = false) {
  const box = $('message');
  box.hidden = !text;
  box.textContent = text || '';
  box.classList.toggle('warning', warning);
}

function status(text) {
  $('status').textContent = text;
}

// ---- rendering --------------------------------------------------------------

const documentText = () => JSON.stringify(shots.toDocument(page.shot));

let videoChain = Promise.resolve();
function loadVideoFrame() {
  videoChain = videoChain.then(async () => {
    const frame = timeline.frame;
    if (!page.video || page.videoFrame === frame) return;
    const rgba = await page.video.rgbaAt(timeline.seconds(frame));
    await engine.call('picture', page.video.width, page.video.height, rgba.buffer, page.picture.name);
    page.videoFrame = frame;
  });
  return videoChain;
}

// The frame as large as the stage allows: whole multiples of its size up
// to four times, so that pixels stay square; smaller when it must.
function fitToStage() {
  const stage = $('stage');
  const room = Math.min((stage.clientWidth - 24) / canvas.width, (stage.clientHeight - 24) / canvas.height);
  const scale = room >= 1 ? Math.min(4, Math.floor(room)) : room;
  canvas.style.width = `${Math.max(1, Math.floor(canvas.width * scale))}px`;
  canvas.style.height = `${Math.max(1, Math.floor(canvas.height * scale))}px`;
  editor.draw();
}
window.addEventListener('resize', fitToStage);

// A frame rendered from a shot that has changed since (the worker was busy
// while the user went on editing) still shows its pixels, but the controls
// and the mask editor keep what the user did: a stale frame's values and
// mask would undo it (a vertex just added, its selection, a slider moved).
function show(frame, current) {
  if (!page.frame || canvas.width !== frame.width || canvas.height !== frame.height) {
    canvas.width = frame.width;
    canvas.height = frame.height;
    editor.setSize(frame.width, frame.height);
    fitToStage();
  }
  // The canvas only shows the frame; the exact pixels stay in page.frame.
  context.putImageData(new ImageData(new Uint8ClampedArray(frame.pixels), frame.width, frame.height), 0, 0);
  page.frame = frame;
  page.frames += 1;
  if (current) {
    controls.show(frame.values, (label) => ({ keyed: shots.paramKeyed(page.shot, label),
      key: shots.paramKeyAt(page.shot, label, timeline.seconds()) }));
    editor.setPath(frame.mask);
  }
  const maskKey = shots.maskKeyAt(page.shot, timeline.seconds());
  $('mask-key').setAttribute('aria-pressed', maskKey ? 'true' : 'false');
  $('mask-interpolation').disabled = !maskKey;
  if (maskKey) $('mask-interpolation').value = maskKey.interpolation;
  timeline.showKeys(shots.keyTimes(page.shot));
  status(`${frame.width} x ${frame.height}, rendered in ${frame.render_ms.toFixed(1)} ms`);
  canvas.dispatchEvent(new CustomEvent('frameshown', { detail: page.frames }));
}

// Renders the shot at the current time. A document the module refuses (a
// mask key whose vertex count differs from its neighbours', say) is
// reported and the shot goes back to the last one it took.
async function refresh(reverted = false) {
  if (!page.picture.name) return;
  const doc = documentText();
  try {
    if (page.video) await loadVideoFrame();
    const frame = await engine.render(doc, timeline.at(), timeline.rateText());
    if (!frame) return;
    page.good = doc;
    show(frame, doc === documentText());
    if (frame.note) message(`${page.picture.name}: ${frame.note}`, true);
    else if (!reverted) message('');
  } catch (e) {
    message(e.message);
    if (doc !== page.good) {
      page.shot = shots.fromDocument(JSON.parse(page.good));
      await refresh(true);
    }
  }
}

// Work started by a file or a form, which the page's idle() waits for.
let busy = 0;
function track(work) {
  return async (...args) => {
    busy += 1;
    try {
      await work(...args);
    } finally {
      busy -= 1;
    }
  };
}

// The mask the editor shows follows the shot at once where the shot alone
// says what it is (no keys, or a key at this time); between keys the
// module's interpolation arrives with the frame.
function edit(change) {
  change(page.shot);
  const mask = page.shot.mask;
  const key = shots.maskKeyAt(page.shot, timeline.seconds());
  if (!mask.keyed) editor.setPath(mask.path);
  else if (key) editor.setPath(key.path);
  refresh();
}

// ---- controls, mask and time ---------------------------------------------------

const timeline = new Timeline({ play: $('play'), scrub: $('scrub'), label: $('time-label'), marks: $('marks') },
  () => refresh());

const editor = new MaskEditor($('overlay'), {
  shape: (path) => edit((s) => shots.setMaskShape(s, path, timeline.seconds())),
  structure: (change) => edit((s) => shots.changeMaskStructure(s, change)),
});

let controls = null;

function useMaskPaths(paths, what) {
  const index = Number($('subpath').value) - 1;
  if (!(index >= 0 && index < paths.length)) {
    message(`${what}: no subpath ${index + 1}; it has ${paths.length}`);
    return;
  }
  edit((s) => shots.setMaskShape(s, paths[index], timeline.seconds()));
}

function wire() {
  $('overlay').addEventListener('keydown', (e) => {
    if (e.key === 'Delete' || e.key === 'Backspace') { editor.deleteSelected(); e.preventDefault(); }
  });
  $('mask-delete').addEventListener('click', () => editor.deleteSelected());
  $('mask-close').addEventListener('click', () => editor.toggleClosed());
  $('mask-clear').addEventListener('click', () => edit((s) => shots.clearMask(s)));
  $('mask-key').addEventListener('click', () => edit((s) => shots.toggleMaskKey(s, timeline.seconds(), editor.path)));
  $('mask-interpolation').addEventListener('change', () =>
    edit((s) => shots.setInterpolation(s, null, timeline.seconds(), $('mask-interpolation').value)));
  $('path-form').addEventListener('submit', track(async (e) => {
    e.preventDefault();
    try {
      const answer = await engine.call('pathData', $('path-data').value);
      useMaskPaths(answer.paths, 'path data');
    } catch (err) { message(err.message); }
  }));
  $('import-svg').addEventListener('change', track(async (e) => {
    const file = e.target.files[0];
    e.target.value = '';
    if (file) await importSvg(await file.text(), file.name);
  }));
  $('open-picture').addEventListener('change', track(async (e) => {
    const file = e.target.files[0];
    e.target.value = '';
    if (file) await openPicture(file);
  }));
  $('open-keys').addEventListener('change', track(async (e) => {
    const file = e.target.files[0];
    e.target.value = '';
    if (file) await openKeys(file);
  }));
  const length = async () => {
    try {
      const rate = await engine.call('frameRate', $('fps').value);
      const frames = Math.round(Number($('frames').value));
      if (!(frames >= 1)) throw new Error(`frames: ${$('frames').value} is not a number of frames`);
      timeline.setLength(frames, rate);
    } catch (err) { message(err.message); }
  };
  $('fps').addEventListener('change', length);
  $('frames').addEventListener('change', length);
  $('export-png').addEventListener('click', async () => {
    if (page.frame) download(await pngOf(page.frame), `ringstride-frame-${timeline.frame}.png`);
  });
  $('export-keys').addEventListener('click', () => {
    download(keysFile(page.shot), 'ringstride-keys.json');
    status(`ringstride render ${page.picture.name} out.png --keys ringstride-keys.json --at ${timeline.at()}`);
  });
  $('export-frei0r').addEventListener('click', () => {
    if (!page.frame) return;
    const lines = frei0rLines(page.frame, page.params, page.picture.name);
    ['path', 'values', 'ffmpeg', 'melt'].forEach((k) => { $(`frei0r-${k}`).value = lines[k]; });
    $('frei0r-ffmpeg').dataset.vf = lines.vf;
    $('frei0r-dialog').showModal();
  });
  $('export-webm').addEventListener('click', track(exportWebm));
}

// ---- files ------------------------------------------------------------------

function sizeCheck(name) {
  return async (width, height) => {
    try {
      await engine.call('checkSize', width, height, name);
    } catch (e) {
      e.fromCheck = true;
      throw e;
    }
  };
}

async function openPicture(file) {
  try {
    if (isVideo(file)) {
      const video = await openVideo(file);
      await sizeCheck(file.name)(video.width, video.height);
      if (page.video) page.video.close();
      page.video = video;
      page.videoFrame = -1;
      page.picture = { name: file.name, width: video.width, height: video.height };
      timeline.setLength(Math.max(1, Math.floor((video.duration * timeline.rate.num) / timeline.rate.den)),
        timeline.rate);
      $('frames').value = String(timeline.frames);
      return;
    }
    const picture = await decodePicture(file, sizeCheck(file.name));
    await engine.call('picture', picture.width, picture.height, picture.rgba.buffer, file.name);
    if (page.video) page.video.close();
    page.video = null;
    page.picture = { name: file.name, width: picture.width, height: picture.height };
    message('');
    await refresh();
  } catch (e) {
    message(e.message);  // the picture shown before stays
  }
}

async function importSvg(text, name) {
  try {
    const answer = await engine.call('svg', text, name, page.picture.width, page.picture.height,
      $('svg-fit').checked, '');
    useMaskPaths(answer.paths, name);
  } catch (e) {
    message(e.message);
  }
}

async function openKeys(file) {
  try {
    const { document } = await engine.call('openKeys', await file.text(), file.name, timeline.rateText());
    page.shot = shots.fromDocument(document);
    await refresh();
  } catch (e) {
    message(e.message);
  }
}

async function exportWebm() {
  const button = $('export-webm');
  button.disabled = true;
  const doc = documentText();
  try {
    const blob = await encodeWebm(timeline.frames, timeline.rate, async (i) => {
      if (page.video) {
        const rgba = await page.video.rgbaAt(timeline.seconds(i));
        await engine.call('picture', page.video.width, page.video.height, rgba.buffer, page.picture.name);
        page.videoFrame = -1;
      }
      return engine.call('render', doc, timeline.at(i), timeline.rateText());
    }, (i) => status(`WebM: frame ${i + 1} of ${timeline.frames}`));
    download(blob, 'ringstride-shot.webm');
    status(`WebM: ${timeline.frames} frames, ${(blob.size / 1024).toFixed(0)} KiB`);
  } catch (e) {
    message(`WebM export: ${e.message}`);
  } finally {
    button.disabled = false;
    refresh();
  }
}

// ---- start ------------------------------------------------------------------

async function start() {
  const { params } = await engine.call('start');
  page.params = params;
  controls = buildControls($('params'), params, {
    change: (label, v) => edit((s) => shots.setParam(s, label, v, timeline.seconds())),
    toggleKey: (label, v) => edit((s) => shots.toggleParamKey(s, label, timeline.seconds(), v)),
    interpolation: (label, how) => edit((s) => shots.setInterpolation(s, label, timeline.seconds(), how)),
    reset: (label) => edit((s) => shots.resetParam(s, label)),
  });
  wire();
  Object.entries(DEMO.values).forEach(([label, v]) => shots.setParam(page.shot, label, v, 0));
  timeline.setLength(72, { num: 24, den: 1 });
  const picture = await fetch(DEMO.picture).then((r) => r.blob());
  await openPicture(new File([picture], 'gradient.png', { type: 'image/png' }));
  await importSvg(await fetch(DEMO.mask).then((r) => r.text()), 'wave.svg');
  await engine.idle();
}

// For tests and benchmarks: start-up, the frame's exact pixels, and quiet.
window.playground = {
  ready: start(),
  idle: async () => {
    do {
      await new Promise((resolve) => setTimeout(resolve, 0));
      await videoChain;
      await engine.idle();
    } while (busy > 0);
  },
  frame: () => page.frame,
  shot: () => shots.toDocument(page.shot),
  framesShown: () => page.frames,
};
