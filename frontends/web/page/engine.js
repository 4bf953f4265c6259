// The page's side of the render worker: calls answered by promises, and
// renders coalesced so that a slider dragged faster than frames render
// asks only for the newest state once the current frame is done.
export class Engine {
  constructor(url) {
    this.worker = new Worker(url, { type: 'module' });
    this.next = 1;
    this.waiting = new Map();
    this.worker.onmessage = (event) => {
      const { id, result, error } = event.data;
      const promise = this.waiting.get(id);
      this.waiting.delete(id);
      if (error) promise.reject(new Error(error));
      else if (result && result.error) promise.reject(new Error(result.error));
      else promise.resolve(result);
    };
    this.inFlight = null;   // the render the worker is working on
    this.pending = null;    // the newest render asked for meanwhile
  }

  call(name, ...args) {
    const id = this.next++;
    const transfer = args.filter((a) => a instanceof ArrayBuffer);
    return new Promise((resolve, reject) => {
      this.waiting.set(id, { resolve, reject });
      this.worker.postMessage({ id, call: name, args }, transfer);
    });
  }

  // Renders keys document `doc` at `at` seconds (keys by frame placed at
  // `rate`); resolves with the frame, or with null when a newer render
  // took its place before it started.
  render(doc, at, rate) {
    if (this.pending) this.pending.resolve(null);
    return new Promise((resolve, reject) => {
      this.pending = { doc, at, rate, resolve, reject };
      if (!this.inFlight) this.startNext();
    });
  }

  startNext() {
    const job = this.pending;
    this.pending = null;
    if (!job) return;
    this.inFlight = this.call('render', job.doc, job.at, job.rate).then(job.resolve, job.reject).finally(() => {
      this.inFlight = null;
      this.startNext();
    });
  }

  // Resolves once no render is running or waiting.
  async idle() {
    while (this.inFlight || this.pending) await (this.inFlight || Promise.resolve());
  }
}
