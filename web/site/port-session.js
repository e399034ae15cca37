// One serial port as the page drives it: the port object the browser granted, the worker that
// opens the same port and runs the core for it, and the operations in the order they were asked
// for. serial-channel.js (loaded before this) says how the worker finds the port.
"use strict";

class PortSession {
  // onTrace receives the frame lines of each operation.
  constructor(port, onTrace) {
    this.port = port;
    this.onTrace = onTrace || (() => {});
    this.worker = new Worker("core-worker.js");
    this.worker.onmessage = (event) => this.fromWorker(event.data);
    this.results = new Map();
    this.nextId = 1;
    this.queue = Promise.resolve();
  }

  fromWorker(message) {
    if (message.trace) this.onTrace(message.trace);
    const resolve = this.results.get(message.id);
    this.results.delete(message.id);
    resolve(message.result);
  }

  // Runs op in the worker after every operation asked for before it; args may be a promise.
  run(op, args) {
    const result = this.queue.then(async () => {
      const values = await args;
      return new Promise((resolve) => {
        const id = this.nextId++;
        this.results.set(id, resolve);
        this.worker.postMessage({ id, op, args: values });
      });
    });
    this.queue = result.catch(() => {});
    return result;
  }

  open(name) {
    return this.run("open", portIdentity(this.port).then((identity) => [name, identity]));
  }
  read() {
    return this.run("read");
  }
  save(bitrateIndex, identifier) {
    return this.run("save", [bitrateIndex, identifier]);
  }
  buzzerOff() {
    return this.run("buzzerOff");
  }

  // The core forgets the device, and the worker closes the port.
  close() {
    return this.run("close");
  }

  async dispose() {
    await this.close();
    this.worker.terminate();
  }
}
