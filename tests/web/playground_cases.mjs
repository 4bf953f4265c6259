// The cases of playground_test.mjs, in order: each leaves the page as the
// next expects it. `t` is the test's toolbox (see there).
import fs from 'node:fs';

// The demo's values (README, docs/demo.png) on the command line.
const DEMO_PARAMS = ['--param', 'max-radius=30', '--param', 'min radius=30', '--param', 'edge-thickness=2',
  '--param', 'edge-brightness=1.8', '--param', 'seed=7', '--param', 'on-original=on'];

function pngHeader(width, height) {
  const b = Buffer.alloc(33);
  Buffer.from([137, 80, 78, 71, 13, 10, 26, 10]).copy(b, 0);
  b.writeUInt32BE(13, 8);
  b.write('IHDR', 12, 'latin1');
  b.writeUInt32BE(width, 16);
  b.writeUInt32BE(height, 20);
  b.set([8, 6, 0, 0, 0], 24);
  return b;
}

async function upload(t, selector, name, content) {
  const file = t.file(name);
  fs.writeFileSync(file, content);
  const input = await t.page.$(selector);
  await input.uploadFile(file);
  return file;
}

async function waitForMessage(t) {
  await t.page.waitForFunction(() => !document.getElementById('message').hidden);
  await t.idle();
  return t.message();
}

async function pressTimes(t, selector, key, times) {
  await t.idle();
  await t.page.focus(selector);
  for (let i = 0; i < times; i++) await t.page.keyboard.press(key);
}

// The page's frame, its exported PNG and ringstride render of its
// exported keys file at the page's time: all the same bytes.
async function holdAgainstKeys(t, at, label) {
  await t.idle();
  const keys = await t.exportDownload('#export-keys', 'ringstride-keys.json');
  fs.copyFileSync(keys, t.file(`${label}-keys.json`));
  const frame = await t.pageFrame();
  const frameNumber = Number(at.split('/')[0]) / Number(at.split('/')[1]) * 24;
  const png = t.decodePng(await t.exportDownload('#export-png', `ringstride-frame-${Math.round(frameNumber)}.png`));
  t.same(png, frame, `${label}: exported PNG vs the page's frame`);
  const cli = t.file(`${label}-cli.png`);
  t.ringstride('render', t.example('gradient.png'), cli, '--keys', t.file(`${label}-keys.json`), '--at', at);
  t.same(frame, t.decodePng(cli), `${label}: the page's frame vs ringstride render --keys --at ${at}`);
  return frame;
}

export const cases = [
  ['the demo frame is ringstride render\'s', async (t) => {
    await t.idle();
    const cli = t.file('demo-cli.png');
    t.ringstride('render', t.example('gradient.png'), cli, '--mask', t.example('wave.svg'), ...DEMO_PARAMS);
    const frame = await t.pageFrame();
    t.same(frame, t.decodePng(cli), 'the page\'s frame vs ringstride render');
    const png = t.decodePng(await t.exportDownload('#export-png', 'ringstride-frame-0.png'));
    t.same(png, frame, 'exported PNG vs the page\'s frame');
  }],

  ['a mask drawn with the mouse and values typed render as on the command line', async (t) => {
    const { page } = t;
    await t.click('#mask-clear');
    await t.idle();
    await page.mouse.click(...(await t.screen(40, 40)));
    await page.mouse.move(...(await t.screen(150, 140)));
    await page.mouse.down();
    await page.mouse.move(...(await t.screen(200, 150)), { steps: 5 });
    await page.mouse.up();
    await page.mouse.click(...(await t.screen(290, 50)));
    await page.mouse.click(...(await t.screen(300, 170)));
    await page.keyboard.press('Delete');
    await t.type('[data-param="Max Radius"] input[type=number]', '22');
    await t.type('[data-param="Edge Thickness"] input[type=number]', '3');
    await t.idle();
    await page.focus('[data-param="Mode"] select');
    await page.keyboard.press('ArrowDown');
    await t.click('[data-param="Invert"] input[type=checkbox]');
    await pressTimes(t, '[data-param="Seed"] input[type=range]', 'ArrowRight', 3);
    await t.idle();
    const shot = await t.shot();
    t.check(shot.mask && shot.mask.vertices.length === 3 && !shot.mask.closed, `three vertices drawn: ${JSON.stringify(shot.mask)}`);
    t.check(JSON.stringify(shot.mask.vertices) === '[[40,40],[150,140],[290,50]]', `vertices ${JSON.stringify(shot.mask.vertices)}`);
    t.check(JSON.stringify(shot.mask.out_tangents[1]) === '[50,10]', `pulled tangent ${JSON.stringify(shot.mask.out_tangents[1])}`);
    const p = shot.params;
    t.check(p['Max Radius'] === 22 && p['Edge Thickness'] === 3 && p.Mode === 'Discrete 1' && p.Invert === true &&
      p.Seed === 10, `values ${JSON.stringify(p)}`);
    const frame = await holdAgainstKeys(t, '0/24', 'drawn');

    // The same frame from the frei0r strings, as --mask-d and --param.
    await t.click('#export-frei0r');
    const path = await page.$eval('#frei0r-path', (e) => e.value);
    const values = await page.$eval('#frei0r-values', (e) => e.value);
    await page.keyboard.press('Escape');
    const cli = t.file('frei0r-cli.png');
    t.ringstride('render', t.example('gradient.png'), cli, '--mask-d', path,
      ...values.split('; ').flatMap((v) => ['--param', v]));
    t.same(frame, t.decodePng(cli), 'the page\'s frame vs ringstride render with its Path and Values');
  }],

  ['keys on the timeline render as ringstride render --keys --at', async (t) => {
    const { page } = t;
    await pressTimes(t, '#scrub', 'Home', 1);
    await t.type('[data-param="Time"] input[type=number]', '0');
    await t.click('[data-param="Time"] .key');
    await t.idle();
    await page.focus('[data-param="Time"] .interpolation');
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('ArrowDown');
    await t.click('#mask-key');
    await pressTimes(t, '#scrub', 'End', 1);
    await pressTimes(t, '#scrub', 'ArrowLeft', 23);
    await t.type('[data-param="Time"] input[type=number]', '100');
    await t.idle();
    await page.mouse.move(...(await t.screen(290, 50)));
    await page.mouse.down();
    await page.mouse.move(...(await t.screen(250, 120)), { steps: 4 });
    await page.mouse.up();
    await pressTimes(t, '#scrub', 'ArrowLeft', 18);
    await t.idle();
    const label = await page.$eval('#time-label', (e) => e.textContent);
    t.check(label.includes('--at 30/24'), `time label "${label}"`);
    const shot = await t.shot();
    const time = shot.params.Time;
    t.check(Array.isArray(time) && time.length === 2 && time[0].interpolation === 'ease' && time[1].time === 2 &&
      time[1].value === 100, `Time keys ${JSON.stringify(time)}`);
    t.check(Array.isArray(shot.mask) && shot.mask.length === 2 &&
      JSON.stringify(shot.mask[1].vertices[2]) === '[250,120]', `mask keys ${JSON.stringify(shot.mask)}`);
    await holdAgainstKeys(t, '30/24', 'keyed');
  }],

  ['a mask key whose vertex count differs is refused and nothing changes', async (t) => {
    const before = await t.shot();
    await t.type('#path-data', 'M 10 10 L 100 100 L 200 50 L 300 100');
    await t.page.keyboard.press('Enter');
    const message = await waitForMessage(t);
    t.check(/differ in vertex count \(3 and 4 vertices\)/.test(message), `message "${message}"`);
    t.check(JSON.stringify(await t.shot()) === JSON.stringify(before), 'the shot changed');
  }],

  ['an SVG file imported renders as ringstride render --mask', async (t) => {
    await t.click('#mask-clear');
    const svg = await upload(t, '#import-svg', 'ellipse.svg', '<svg xmlns="http://www.w3.org/2000/svg" width="320" ' +
      'height="180" viewBox="0 0 160 90"><g transform="translate(10 5)"><ellipse cx="70" cy="40" rx="50" ry="30"/>' +
      '</g></svg>');
    await t.idle();
    const shot = await t.shot();
    t.check(shot.mask && !Array.isArray(shot.mask) && shot.mask.closed, `imported ${JSON.stringify(shot.mask)}`);
    const params = t.file('params-only.json');
    fs.writeFileSync(params, JSON.stringify({ params: shot.params }));
    const cli = t.file('svg-cli.png');
    t.ringstride('render', t.example('gradient.png'), cli, '--mask', svg, '--keys', params, '--at', '30/24');
    t.same(await t.pageFrame(), t.decodePng(cli), 'the page\'s frame vs ringstride render --mask');
  }],

  ['a keys file opened renders as ringstride render --keys at every frame asked', async (t) => {
    await (await t.page.$('#open-keys')).uploadFile(t.example('shot-keys.json'));
    await t.idle();
    await pressTimes(t, '#scrub', 'Home', 1);
    let at = 0;
    for (const frame of [20, 44]) {
      await pressTimes(t, '#scrub', 'ArrowRight', frame - at);
      at = frame;
      await t.idle();
      const cli = t.file(`shot-keys-${frame}.png`);
      t.ringstride('render', t.example('gradient.png'), cli, '--keys', t.example('shot-keys.json'), '--at', `${frame}/24`);
      t.same(await t.pageFrame(), t.decodePng(cli), `frame ${frame}: the page's frame vs ringstride render --keys`);
      await holdAgainstKeys(t, `${frame}/24`, `reexported-${frame}`);
    }
    // Keys given by frame, and masks as path data.
    const byFrame = await upload(t, '#open-keys', 'by-frame.json', JSON.stringify({
      params: { Time: [{ frame: 0, value: 0 }, { frame: 48, value: 100, interpolation: 'hold' }], 'Max radius': 20 },
      mask: [{ frame: 0, d: 'M 10 90 C 60 10 160 10 210 90' }, { frame: 48, d: 'M 10 60 C 60 140 160 140 210 60' }],
    }));
    await t.idle();
    const cli = t.file('by-frame.png');
    t.ringstride('render', t.example('gradient.png'), cli, '--keys', byFrame, '--at', '44/24');
    t.same(await t.pageFrame(), t.decodePng(cli), 'keys by frame: the page\'s frame vs ringstride render --keys');
  }],

  ['bad inputs are answered with a message and the page goes on', async (t) => {
    const bad = [
      ['#open-picture', 'notes.txt', 'not a picture', /notes\.txt: not a picture the page can open/],
      ['#open-picture', 'huge.png', pngHeader(70000, 70000),
        /huge\.png: the picture is 70000 x 70000 pixels, more than the effect can address/],
      ['#open-picture', 'big.png', pngHeader(20000, 20000), /big\.png: .*more than the page can hold/],
      ['#open-picture', 'cut.png', Buffer.concat([pngHeader(32, 32), Buffer.from('IDAT')]), /cut\.png: /],
      ['#import-svg', 'empty.svg', '<svg xmlns="http://www.w3.org/2000/svg"><g/></svg>',
        /empty\.svg: the SVG document has no <path> element or basic shape that is drawn/],
      ['#import-svg', 'broken.svg', '<svg><path d="M 0 0 L"/></svg>', /broken\.svg: .*path data/],
      ['#open-keys', 'uneven.json', JSON.stringify({ mask: [{ time: 0, vertices: [[0, 0], [9, 9]] },
        { time: 1, vertices: [[0, 0], [9, 9], [20, 5]] }] }), /uneven\.json: mask: .*differ in vertex count/],
      ['#open-keys', 'broken.json', '{"params": {"Seed": }', /broken\.json: not valid JSON at line 1, column 21/],
    ];
    for (const [selector, name, content, expected] of bad) {
      const before = JSON.stringify(await t.shot());
      await upload(t, selector, name, content);
      const message = await waitForMessage(t);
      t.check(expected.test(message), `${name}: message "${message}"`);
      t.check(JSON.stringify(await t.shot()) === before, `${name}: the shot changed`);
      const shown = await t.framesShown();
      await pressTimes(t, '[data-param="Seed"] input[type=range]', 'ArrowRight', 1);
      await t.idle();
      t.check((await t.framesShown()) > shown, `${name}: no frame rendered after it`);
      t.check((await t.pageFrame()).width === 320, `${name}: the picture changed`);
    }
    // A mask of a single point renders, without circles, and says so.
    await t.click('#mask-clear');
    await t.type('#path-data', 'M 50 50');
    await t.page.keyboard.press('Enter');
    const note = await waitForMessage(t);
    t.check(/single point and no segment/.test(note), `note "${note}"`);
  }],

  ['the frei0r filter in ffmpeg renders the page\'s frame', async (t) => {
    if (!t.frei0rDir) return;
    await t.type('#path-data', 'M 20 160 C 80 20 240 20 300 160');
    await t.page.keyboard.press('Enter');
    await t.idle();
    await t.click('#export-frei0r');
    const vf = await t.page.$eval('#frei0r-ffmpeg', (e) => e.dataset.vf);
    await t.page.keyboard.press('Escape');
    const out = t.file('ffmpeg-frei0r.png');
    t.run(['ffmpeg', '-v', 'error', '-y', '-i', t.example('gradient.png'), '-vf', vf, '-frames:v', '1',
      '-pix_fmt', 'rgba', out], { env: { ...process.env, FREI0R_PATH: t.frei0rDir } });
    t.same(await t.pageFrame(), t.decodePng(out), 'the page\'s frame vs ffmpeg\'s frei0r filter');
  }],

  ['the shot exports as a WebM video', async (t) => {
    await t.type('#frames', '12');
    await t.click('#export-webm');
    const webm = await t.files.take('ringstride-shot.webm', 60000);
    const probe = JSON.parse(t.run(['ffprobe', '-v', 'error', '-count_frames', '-select_streams', 'v:0',
      '-show_entries', 'stream=codec_name,width,height,nb_read_frames', '-of', 'json', webm]));
    const s = probe.streams[0];
    t.check(s.codec_name === 'vp8' && s.width === 320 && s.height === 180 && s.nb_read_frames === '12',
      `ffprobe: ${JSON.stringify(s)}`);
  }],

  ['a video opens for preview, its frames following the timeline', async (t) => {
    const clip = t.file('clip.webm');
    t.run(['ffmpeg', '-v', 'error', '-y', '-f', 'lavfi', '-i', 'testsrc2=size=160x90:rate=24:duration=1',
      '-c:v', 'libvpx-vp9', '-b:v', '1M', clip]);
    await (await t.page.$('#open-picture')).uploadFile(clip);
    await t.idle();
    const first = await t.pageFrame();
    t.check(first.width === 160 && first.height === 90, `frame ${first.width}x${first.height}`);
    t.check((await t.page.$eval('#frames', (e) => e.value)) === '24', 'the clip\'s length in frames');
    await pressTimes(t, '#scrub', 'ArrowRight', 12);
    await t.idle();
    t.check(t.firstDifference(first, await t.pageFrame()) !== undefined, 'frame 12 of the clip shows frame 0');
    t.check(await t.message() === '', `message "${await t.message()}"`);
  }],
];
