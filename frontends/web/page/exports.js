// What the page hands on: the frame as a PNG file, the keys file the
// command line and a farm render the shot from, and the frame as the
// frei0r filter's Path and Values (with ready ffmpeg and melt lines). The
// shot as a WebM video is webm.js's.
import { encodePng } from './png.js';
import { toDocument } from './shot.js';

export function download(blob, name) {
  const a = document.createElement('a');
  a.href = URL.createObjectURL(blob);
  a.download = name;
  document.body.appendChild(a);
  a.click();
  a.remove();
  setTimeout(() => URL.revokeObjectURL(a.href), 60000);
}

export async function pngOf(frame) {
  return encodePng(frame.width, frame.height, new Uint8Array(frame.pixels));
}

export function keysFile(shot) {
  return new Blob([`${JSON.stringify(toDocument(shot), null, 2)}\n`], { type: 'application/json' });
}

function shellQuote(s) {
  return `'${s.replace(/'/g, `'\\''`)}'`;
}

// Path and Values of the frame, and the frei0r filter's lines: ffmpeg
// takes every parameter in order (Values, last, names them all, so the
// numbers before it only hold places), melt takes them by name.
export function frei0rLines(state, params, pictureName) {
  const path = state.path_data;
  const values = state.values_text;
  const places = params.filter((p) => p.kind !== 'path' && p.kind !== 'other').map((p) => {
    if (p.kind === 'checkbox') return 'n';
    if (p.kind === 'color') return '0/0/0';
    return '0';
  });
  const vf = `frei0r=ringstride:'${[path, ...places, values].join('|')}'`;
  const input = pictureName || 'INPUT.png';
  return {
    path,
    values,
    vf,
    ffmpeg: `FREI0R_PATH=build/frei0r-1 ffmpeg -i ${shellQuote(input)} -vf ${shellQuote(vf)} out.png`,
    melt: `FREI0R_PATH=build/frei0r-1 melt -silent ${shellQuote(input)} out=0 -filter frei0r.ringstride ` +
      `${shellQuote(`Path=${path}`)} ${shellQuote(`Values=""${values}""`)} ` +
      '-consumer avformat:out_%d.png vcodec=png pix_fmt=rgba',
  };
}
