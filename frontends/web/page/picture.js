// Pictures and clips opened in the page. A picture is decoded by the
// browser's ImageDecoder without premultiplication or colour conversion,
// so the module receives the file's own 8-bit samples (the command line
// reads them the same way); a clip's frames come through a video element
// for preview. Sizes are checked before anything large is decoded.
import { pngSize } from './png.js';

function sniff(bytes) {
  const starts = (...b) => b.every((v, i) => bytes[i] === v);
  if (starts(137, 80, 78, 71)) return 'image/png';
  if (starts(0xff, 0xd8, 0xff)) return 'image/jpeg';
  if (starts(0x47, 0x49, 0x46, 0x38)) return 'image/gif';
  if (starts(0x52, 0x49, 0x46, 0x46) && String.fromCharCode(...bytes.subarray(8, 12)) === 'WEBP') return 'image/webp';
  return '';
}

async function frameRgba(frame, name) {
  const width = frame.displayWidth, height = frame.displayHeight;
  const rgba = new Uint8Array(width * height * 4);
  try {
    await frame.copyTo(rgba, { format: 'RGBA' });
  } catch (e) {
    // Where the browser cannot convert while copying, it draws the frame.
    const canvas = new OffscreenCanvas(width, height);
    const context = canvas.getContext('2d', { willReadFrequently: true });
    context.drawImage(frame, 0, 0);
    rgba.set(context.getImageData(0, 0, width, height, { colorSpace: 'srgb' }).data);
  }
  return { width, height, rgba };
}

// {width, height, rgba} of a picture file; `checkSize(width, height)`
// throws when the size is beyond what the effect or the page can take.
export async function decodePicture(file, checkSize) {
  const bytes = new Uint8Array(await file.arrayBuffer());
  const declared = pngSize(bytes);
  if (declared) await checkSize(declared.width, declared.height);
  const type = sniff(bytes) || file.type;
  const supported = type && 'ImageDecoder' in self && (await ImageDecoder.isTypeSupported(type));
  if (!supported) throw new Error(`${file.name}: not a picture the page can open (PNG, JPEG, WebP or GIF) nor a video`);
  let decoder;
  try {
    decoder = new ImageDecoder({ data: bytes, type, premultiplyAlpha: 'none', colorSpaceConversion: 'none' });
    const { image } = await decoder.decode({ frameIndex: 0 });
    try {
      await checkSize(image.displayWidth, image.displayHeight);
      return await frameRgba(image, file.name);
    } finally {
      image.close();
    }
  } catch (e) {
    if (e.fromCheck) throw e;
    throw new Error(`${file.name}: the picture cannot be decoded (${e.message})`);
  } finally {
    if (decoder) decoder.close();
  }
}

export function isVideo(file) {
  return file.type.startsWith('video/') || /\.(mp4|webm|mov|mkv|ogv|m4v)$/i.test(file.name);
}

// A clip for preview: its size and length, and the frame at a time.
export async function openVideo(file) {
  const video = document.createElement('video');
  video.muted = true;
  video.preload = 'auto';
  video.src = URL.createObjectURL(file);
  await new Promise((resolve, reject) => {
    video.onloadeddata = resolve;
    video.onerror = () => reject(new Error(`${file.name}: the browser cannot play this video`));
  });
  const width = video.videoWidth, height = video.videoHeight;
  const canvas = new OffscreenCanvas(width, height);
  const context = canvas.getContext('2d', { willReadFrequently: true });
  return {
    width,
    height,
    duration: video.duration,
    async rgbaAt(seconds) {
      if (Math.abs(video.currentTime - seconds) > 1e-6 || video.readyState < 2) {
        await new Promise((resolve) => {
          video.onseeked = resolve;
          video.currentTime = Math.min(seconds, Math.max(0, video.duration - 1e-3));
        });
      }
      context.drawImage(video, 0, 0);
      return context.getImageData(0, 0, width, height, { colorSpace: 'srgb' }).data;
    },
    close() { URL.revokeObjectURL(video.src); },
  };
}
