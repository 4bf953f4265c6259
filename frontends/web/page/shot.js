// The shot as the page edits it: per parameter a constant or keys, and the
// mask as one path or keys; written out as the keys file `ringstride
// --keys` takes (and read back from one). Times are seconds; the page puts
// keys on frame times. Values are in the effect's own units, as --param
// takes them: numbers, popup choices as text, checkboxes true/false and
// colours "#RRGGBB".
export const INTERPOLATIONS = ['linear', 'hold', 'ease'];

export function emptyShot() {
  return { params: new Map(), mask: { keyed: false, path: null, keys: [] } };
}

function keyAt(keys, time) {
  return keys.find((k) => k.time === time);
}

function upsert(keys, time, fields) {
  const key = keyAt(keys, time);
  if (key) Object.assign(key, fields);
  else keys.push({ time, interpolation: 'linear', ...fields });
  keys.sort((a, b) => a.time - b.time);
}

// A mask record in the keys file's form and order, tangents zero where
// left out; null stays null.
function pathOf(record) {
  if (!record) return null;
  const n = record.vertices.length;
  const zeros = () => Array.from({ length: n }, () => [0, 0]);
  return {
    vertices: record.vertices,
    in_tangents: record.in_tangents || zeros(),
    out_tangents: record.out_tangents || zeros(),
    closed: Boolean(record.closed),
  };
}

// ---- parameters ---------------------------------------------------------

export function paramKeyed(shot, label) {
  const track = shot.params.get(label);
  return Boolean(track && track.keyed);
}

export function paramKeyAt(shot, label, time) {
  const track = shot.params.get(label);
  return track && track.keyed ? keyAt(track.keys, time) : undefined;
}

// A new value at `time`: a key there when the parameter is keyed, else
// its constant.
export function setParam(shot, label, value, time) {
  const track = shot.params.get(label);
  if (track && track.keyed) upsert(track.keys, time, { value });
  else shot.params.set(label, { keyed: false, value });
}

// Adds a key at `time` holding `value` (what the parameter shows there),
// or removes the key there; the last key removed leaves a constant.
export function toggleParamKey(shot, label, time, value) {
  const track = shot.params.get(label);
  if (!track || !track.keyed) {
    shot.params.set(label, { keyed: true, keys: [{ time, value, interpolation: 'linear' }] });
  } else if (keyAt(track.keys, time)) {
    track.keys = track.keys.filter((k) => k.time !== time);
    if (track.keys.length === 0) shot.params.set(label, { keyed: false, value });
  } else {
    upsert(track.keys, time, { value });
  }
}

export function resetParam(shot, label) {
  shot.params.delete(label);
}

// ---- the mask -------------------------------------------------------------

export function maskKeyAt(shot, time) {
  return shot.mask.keyed ? keyAt(shot.mask.keys, time) : undefined;
}

// The shape at `time` changed (vertices or tangents moved): the key there
// when the mask is keyed, made if need be, else the one path.
export function setMaskShape(shot, path, time) {
  if (shot.mask.keyed) upsert(shot.mask.keys, time, { path: pathOf(path) });
  else shot.mask.path = pathOf(path);
}

// A change of structure (a vertex added or deleted, the path opened or
// closed) made to every key alike, so that neighbours keep agreeing.
export function changeMaskStructure(shot, change) {
  if (shot.mask.keyed) shot.mask.keys.forEach((k) => { k.path = pathOf(change(k.path)); });
  else shot.mask.path = pathOf(change(shot.mask.path));
}

export function toggleMaskKey(shot, time, path) {
  const mask = shot.mask;
  if (!mask.keyed) {
    if (!path) return;
    shot.mask = { keyed: true, path: null, keys: [{ time, path: pathOf(path), interpolation: 'linear' }] };
  } else if (keyAt(mask.keys, time)) {
    mask.keys = mask.keys.filter((k) => k.time !== time);
    if (mask.keys.length === 0) shot.mask = { keyed: false, path: pathOf(path), keys: [] };
  } else {
    upsert(mask.keys, time, { path: pathOf(path) });
  }
}

export function clearMask(shot) {
  shot.mask = { keyed: false, path: null, keys: [] };
}

// ---- keys ----------------------------------------------------------------

export function setInterpolation(shot, label, time, interpolation) {
  const key = label === null ? maskKeyAt(shot, time) : paramKeyAt(shot, label, time);
  if (key) key.interpolation = interpolation;
}

// Every time at which something has a key, in order.
export function keyTimes(shot) {
  const times = new Set();
  shot.params.forEach((t) => { if (t.keyed) t.keys.forEach((k) => times.add(k.time)); });
  shot.mask.keys.forEach((k) => times.add(k.time));
  return [...times].sort((a, b) => a - b);
}

// ---- the keys file --------------------------------------------------------

function keyRecord(k, fields) {
  const out = { time: k.time, ...fields };
  if (k.interpolation !== 'linear') out.interpolation = k.interpolation;
  return out;
}

export function toDocument(shot) {
  const doc = {};
  const params = {};
  shot.params.forEach((track, label) => {
    params[label] = track.keyed ? track.keys.map((k) => keyRecord(k, { value: k.value })) : track.value;
  });
  if (shot.params.size > 0) doc.params = params;
  if (shot.mask.keyed) doc.mask = shot.mask.keys.map((k) => keyRecord(k, k.path));
  else if (shot.mask.path) doc.mask = shot.mask.path;
  return doc;
}

// A keys document the module has already accepted.
export function fromDocument(doc) {
  const shot = emptyShot();
  Object.entries(doc.params || {}).forEach(([label, entry]) => {
    if (Array.isArray(entry)) {
      shot.params.set(label, {
        keyed: true,
        keys: entry.map((k) => ({ time: k.time, value: k.value, interpolation: k.interpolation || 'linear' })),
      });
    } else {
      shot.params.set(label, { keyed: false, value: entry });
    }
  });
  if (Array.isArray(doc.mask)) {
    shot.mask = {
      keyed: true,
      path: null,
      keys: doc.mask.map((k) => ({ time: k.time, path: pathOf(k), interpolation: k.interpolation || 'linear' })),
    };
  } else if (doc.mask) {
    shot.mask = { keyed: false, path: pathOf(doc.mask), keys: [] };
  }
  return shot;
}
