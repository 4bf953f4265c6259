// One control per parameter, made from the effect's own parameter set-up
// (labels, ranges and slider ranges, popup choices, checkbox text,
// colours), each with a key button and the interpolation of its key.
import { INTERPOLATIONS } from './shot.js';

function element(tag, attributes = {}, children = []) {
  const e = document.createElement(tag);
  Object.entries(attributes).forEach(([k, v]) => {
    if (k === 'text') e.textContent = v;
    else e.setAttribute(k, v);
  });
  children.forEach((c) => e.appendChild(c));
  return e;
}

function step(def) {
  return def.precision > 0 ? String(10 ** -def.precision) : '1';
}

// The input(s) of one parameter; `read()` gives its value in the keys
// file's form, `show(v)` shows a value the module evaluated.
function valueControl(def, changed) {
  const id = `param-${def.index}`;
  switch (def.kind) {
    case 'slider':
    case 'fixed':
    case 'float': {
      const unit = def.percent ? '%' : '';
      const range = element('input', { type: 'range', min: def.slider_min, max: def.slider_max, step: step(def),
        'aria-label': `${def.label} slider` });
      const number = element('input', { type: 'number', id, min: def.valid_min, max: def.valid_max, step: 'any',
        title: `${def.allowed}${unit ? ' %' : ''}` });
      range.addEventListener('input', () => { number.value = range.value; changed(Number(range.value)); });
      number.addEventListener('change', () => {
        const v = Number(number.value);
        if (number.value.trim() === '' || !Number.isFinite(v)) return;
        range.value = String(v);
        changed(v);
      });
      return {
        inputs: [range, number, element('span', { class: 'unit', text: unit })],
        read: () => Number(number.value),
        show: (v) => { number.value = String(v); range.value = String(v); },
      };
    }
    case 'popup': {
      const select = element('select', { id }, def.choices.map((c) => element('option', { value: c, text: c })));
      select.addEventListener('change', () => changed(select.value));
      return {
        inputs: [select],
        read: () => select.value,
        show: (v) => { select.value = def.choices[v - 1]; },
      };
    }
    case 'checkbox': {
      const box = element('input', { type: 'checkbox', id });
      box.addEventListener('change', () => changed(box.checked));
      return {
        inputs: [box, element('span', { class: 'unit', text: def.checkbox_text || '' })],
        read: () => box.checked,
        show: (v) => { box.checked = Boolean(v); },
      };
    }
    case 'color': {
      const colour = element('input', { type: 'color', id });
      colour.addEventListener('input', () => changed(colour.value.toUpperCase()));
      return {
        inputs: [colour],
        read: () => colour.value.toUpperCase(),
        show: (v) => { colour.value = v.toLowerCase(); },
      };
    }
    default:
      return null;
  }
}

// Builds the rows into `container`. Callbacks: change(label, value),
// toggleKey(label, value), interpolation(label, how), reset(label).
export function buildControls(container, params, callbacks) {
  const rows = new Map();
  params.forEach((def) => {
    if (def.kind === 'path' || def.kind === 'other') return;
    const control = valueControl(def, (v) => callbacks.change(def.label, v));
    if (!control) return;
    const key = element('button', { class: 'key', title: 'Key at this time', 'aria-pressed': 'false', text: '◆' });
    key.addEventListener('click', () => callbacks.toggleKey(def.label, control.read()));
    const how = element('select', { class: 'interpolation', title: 'Interpolation to the next key', disabled: '' },
      INTERPOLATIONS.map((i) => element('option', { value: i, text: i })));
    how.addEventListener('change', () => callbacks.interpolation(def.label, how.value));
    const reset = element('button', { class: 'reset', title: 'Back to the default (no keys)', text: '↺' });
    reset.addEventListener('click', () => callbacks.reset(def.label));
    const label = element('label', { for: `param-${def.index}`, text: def.label, title: def.description });
    const row = element('div', { class: 'param', 'data-param': def.label },
      [label, element('span', { class: 'inputs' }, control.inputs), key, how, reset]);
    container.appendChild(row);
    rows.set(def.label, { def, control, key, how, row });
  });
  return {
    // Values the module evaluated at the current time; `keys(label)` is
    // {keyed, key} for the parameter at that time.
    show(values, keys) {
      rows.forEach(({ control, key, how, row }, label) => {
        // A control the user is on keeps what they are typing or dragging.
        if (!row.contains(document.activeElement) && label in values) control.show(values[label]);
        const { keyed, key: k } = keys(label);
        row.classList.toggle('keyed', keyed);
        key.setAttribute('aria-pressed', k ? 'true' : 'false');
        how.disabled = !k;
        if (k) how.value = k.interpolation;
      });
    },
  };
}
