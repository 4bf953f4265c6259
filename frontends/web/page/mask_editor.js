// Drawing and editing the mask over the picture, in an SVG overlay whose
// units are layer pixels. Click to add a vertex at the end of an open path,
// press and drag to pull out its tangents; click the first vertex to close
// the path; drag vertices and tangent handles; Delete removes the selected
// vertex. Changes go out as shape(path) (moved points, at the current
// time) or structure(change) (added or removed vertices, opened or closed,
// for every key alike).
const SVG = 'http://www.w3.org/2000/svg';
const DRAG_PIXELS = 3;  // screen pixels a press must move to pull tangents

function svgElement(tag, attributes) {
  const e = document.createElementNS(SVG, tag);
  Object.entries(attributes).forEach(([k, v]) => e.setAttribute(k, v));
  return e;
}

// Quarter pixels: fine enough to draw with, and exact in binary, so that
// a vertex plus its tangent minus the vertex is the tangent again (path
// data exports stay exact).
function round(v) {
  return Math.round(v * 4) / 4;
}

function copy(path) {
  return path && JSON.parse(JSON.stringify(path));
}

export function pathData(path) {
  const v = path.vertices, tin = path.in_tangents, tout = path.out_tangents;
  const n = v.length;
  let d = `M ${v[0][0]} ${v[0][1]}`;
  const segments = path.closed ? n : n - 1;
  for (let i = 0; i < segments; i++) {
    const j = (i + 1) % n;
    d += ` C ${v[i][0] + tout[i][0]} ${v[i][1] + tout[i][1]} ${v[j][0] + tin[j][0]} ${v[j][1] + tin[j][1]} ${v[j][0]} ${v[j][1]}`;
  }
  return path.closed ? `${d} Z` : d;
}

function withVertex(path, x, y) {
  const p = copy(path) || { vertices: [], in_tangents: [], out_tangents: [], closed: false };
  p.vertices.push([x, y]);
  p.in_tangents.push([0, 0]);
  p.out_tangents.push([0, 0]);
  return p;
}

function withoutVertex(path, i) {
  const p = copy(path);
  ['vertices', 'in_tangents', 'out_tangents'].forEach((k) => p[k].splice(i, 1));
  if (p.vertices.length === 0) return null;
  if (p.vertices.length < 2) p.closed = false;
  return p;
}

export class MaskEditor {
  constructor(svg, callbacks) {
    this.svg = svg;
    this.callbacks = callbacks;
    this.path = null;
    this.selected = -1;
    this.drag = null;
    svg.addEventListener('pointerdown', (e) => this.down(e));
    svg.addEventListener('pointermove', (e) => this.move(e));
    svg.addEventListener('pointerup', (e) => this.up(e));
    svg.addEventListener('pointercancel', (e) => this.up(e));
  }

  setSize(width, height) {
    this.svg.setAttribute('viewBox', `0 0 ${width} ${height}`);
    this.width = width;
    this.draw();
  }

  setPath(path) {
    if (this.drag) return;  // the pointer's edit wins until it lets go
    this.path = copy(path);
    if (!this.path || this.selected >= this.path.vertices.length) this.selected = -1;
    this.draw();
  }

  point(event) {
    const p = new DOMPoint(event.clientX, event.clientY).matrixTransform(this.svg.getScreenCTM().inverse());
    return [round(p.x), round(p.y)];
  }

  down(event) {
    if (event.button !== 0) return;
    event.preventDefault();
    this.svg.focus();  // for the Delete key
    this.svg.setPointerCapture(event.pointerId);
    const target = event.target.dataset || {};
    const at = this.point(event);
    const p = this.path;
    if (target.vertex !== undefined) {
      const i = Number(target.vertex);
      if (i === 0 && p && !p.closed && p.vertices.length >= 2 && this.selected === p.vertices.length - 1) {
        this.structure((q) => ({ ...copy(q), closed: true }));
        this.selected = 0;
        this.draw();
        return;
      }
      this.selected = i;
      this.drag = { kind: 'vertex', index: i, from: at, start: copy(p) };
    } else if (target.handle !== undefined) {
      this.drag = { kind: target.handle, index: Number(target.index), from: at, start: copy(p) };
    } else if (!p || !p.closed) {
      this.structure((q) => withVertex(q, at[0], at[1]));
      this.selected = this.path.vertices.length - 1;
      this.drag = { kind: 'pull', index: this.selected, from: at, start: copy(this.path),
        screen: [event.clientX, event.clientY], pulling: false };
    } else {
      this.selected = -1;
    }
    this.draw();
  }

  move(event) {
    const d = this.drag;
    if (!d) return;
    const at = this.point(event);
    const dx = at[0] - d.from[0], dy = at[1] - d.from[1];
    const p = copy(d.start);
    const i = d.index;
    if (d.kind === 'vertex') {
      p.vertices[i] = [round(p.vertices[i][0] + dx), round(p.vertices[i][1] + dy)];
    } else if (d.kind === 'in' || d.kind === 'out') {
      const t = d.kind === 'in' ? p.in_tangents : p.out_tangents;
      t[i] = [round(t[i][0] + dx), round(t[i][1] + dy)];
    } else {
      d.pulling = d.pulling || Math.hypot(event.clientX - d.screen[0], event.clientY - d.screen[1]) >= DRAG_PIXELS;
      if (!d.pulling) return;
      p.out_tangents[i] = [round(dx), round(dy)];
      p.in_tangents[i] = [round(-dx), round(-dy)];
    }
    this.path = p;
    this.draw();
    this.callbacks.shape(copy(p));
  }

  up(event) {
    if (this.svg.hasPointerCapture(event.pointerId)) this.svg.releasePointerCapture(event.pointerId);
    this.drag = null;
  }

  structure(change) {
    this.path = change(this.path);
    this.callbacks.structure(change);
  }

  deleteSelected() {
    if (this.selected < 0 || !this.path) return;
    const i = this.selected;
    this.selected = -1;
    this.structure((q) => withoutVertex(q, i));
    this.draw();
  }

  toggleClosed() {
    if (!this.path || this.path.vertices.length < 1) return;
    const closed = !this.path.closed;
    this.structure((q) => ({ ...copy(q), closed }));
    this.draw();
  }

  draw() {
    const svg = this.svg;
    while (svg.firstChild) svg.removeChild(svg.firstChild);
    const p = this.path;
    if (!p || p.vertices.length === 0) return;
    const box = svg.getBoundingClientRect();
    const unit = box.width > 0 && this.width ? this.width / box.width : 1;
    svg.appendChild(svgElement('path', { d: pathData(p), class: 'mask-curve' }));
    const handles = [];
    p.vertices.forEach((v, i) => {
      if (i !== this.selected && i !== this.selected + 1 && i !== this.selected - 1) return;
      [['in', p.in_tangents[i]], ['out', p.out_tangents[i]]].forEach(([kind, t]) => {
        if (t[0] === 0 && t[1] === 0) return;
        const x = v[0] + t[0], y = v[1] + t[1];
        svg.appendChild(svgElement('line', { x1: v[0], y1: v[1], x2: x, y2: y, class: 'mask-tangent' }));
        handles.push(svgElement('circle', { cx: x, cy: y, r: 4 * unit, class: 'mask-handle',
          'data-handle': kind, 'data-index': i }));
      });
    });
    handles.forEach((h) => svg.appendChild(h));
    p.vertices.forEach((v, i) => {
      const size = 9 * unit;
      svg.appendChild(svgElement('rect', { x: v[0] - size / 2, y: v[1] - size / 2, width: size, height: size,
        class: i === this.selected ? 'mask-vertex selected' : (i === 0 ? 'mask-vertex first' : 'mask-vertex'),
        'data-vertex': i }));
    });
  }
}
