// The shot's time: a frame rate kept as an exact fraction (as the command
// line reads it), a length in frames, the current frame with play and
// scrub, and marks where keys are. Frame i is at exactly i * den / num s.
export class Timeline {
  constructor(elements, changed) {
    this.e = elements;  // {play, scrub, label, marks}
    this.changed = changed;
    this.rate = { num: 24, den: 1 };
    this.frames = 72;
    this.frame = 0;
    this.playing = false;
    elements.scrub.addEventListener('input', () => this.go(Number(elements.scrub.value)));
    elements.play.addEventListener('click', () => (this.playing ? this.stop() : this.play()));
  }

  seconds(frame = this.frame) {
    return (frame * this.rate.den) / this.rate.num;
  }

  // The time as the command line's --at takes it, exactly.
  at(frame = this.frame) {
    return `${frame * this.rate.den}/${this.rate.num}`;
  }

  // The rate as --fps takes it, exactly.
  rateText() {
    return `${this.rate.num}/${this.rate.den}`;
  }

  setLength(frames, rate) {
    this.rate = rate;
    this.frames = Math.max(1, frames);
    this.e.scrub.max = String(this.frames - 1);
    this.go(Math.min(this.frame, this.frames - 1));
  }

  go(frame) {
    this.frame = frame;
    this.e.scrub.value = String(frame);
    this.e.label.textContent = `frame ${frame} · ${this.seconds().toFixed(3)} s (--at ${this.at()})`;
    this.changed();
  }

  showKeys(times) {
    const marks = this.e.marks;
    marks.textContent = '';
    const last = Math.max(1, this.frames - 1);
    times.forEach((t) => {
      const m = document.createElement('span');
      m.className = 'mark';
      m.style.left = `${Math.min(100, (100 * t * this.rate.num) / this.rate.den / last)}%`;
      m.title = `key at ${t} s`;
      marks.appendChild(m);
    });
  }

  // Plays in real time, looping; frames that render slower are skipped.
  play() {
    this.playing = true;
    this.e.play.textContent = '❚❚';
    const started = performance.now() - (this.seconds() * 1000);
    const tick = () => {
      if (!this.playing) return;
      const elapsed = (performance.now() - started) / 1000;
      const frame = Math.floor((elapsed * this.rate.num) / this.rate.den) % this.frames;
      if (frame !== this.frame) this.go(frame);
      requestAnimationFrame(tick);
    };
    requestAnimationFrame(tick);
  }

  stop() {
    this.playing = false;
    this.e.play.textContent = '▶';
  }
}
