// One serial port as the page drives it: the port object the browser granted, the worker that
// opens the same port and runs the core for it, and the operations in the order they were asked
// for. serial-channel.js says how the worker finds the port.
import { portIdentity } from "./serial-channel.js";

// How long closing waits for the worker: a running operation ends within its 1000 ms reply stage.
const kCloseWaitMs = 3000;

export class PortSession {
  // onTrace receives the frame lines of each operation.
  constructor(port, onTrace) {
    this.port = port;
    this.onTrace = onTrace || (() => {});
    this.worker = new Worker("core-worker.js", { type: "module" });
    this.worker.onmessage = (event) => this.fromWorker(event.data);
    this.worker.onerror = (event) => this.failAll(event.message || "the worker script did not load");
    this.worker.onmessageerror = () => this.failAll("an answer could not be read");
    this.results = new Map();
    this.nextId = 1;
    this.queue = Promise.resolve();
  }

  fromWorker(message) {
    if (message.trace) this.onTrace(message.trace);
    const resolve = this.results.get(message.id);
    this.results.delete(message.id);
    if (resolve) resolve(message.result);
  }

  // The worker failed outside an operation: every waiting call ends with the failure, so the page
  // is never left busy.
  failAll(text) {
    const result = { ok: false, status: "worker-failed", title: "error",
      message: `The port's worker failed: ${text}`, reason: "press COM CLOSE, then COM OPEN to start again" };
    for (const resolve of this.results.values()) resolve(result);
    this.results.clear();
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

  // A port no longer granted is refused by the worker as missing.
  open(name) {
    return this.run("open", portIdentity(this.port).then((identity) => [name, identity], () => [name, null]));
  }
  read() {
    return this.run("read");
  }
  save(bitrateIndex, identifier) {
    return this.run("save", [bitrateIndex, identifier]);
  }
  // Saves, reads back and compares (the station's whole job on one device).
  saveVerified(bitrateIndex, identifier) {
    return this.run("saveVerified", [bitrateIndex, identifier]);
  }
  buzzerOff() {
    return this.run("buzzerOff");
  }

  // The core forgets the device, and the worker closes the port.
  close() {
    return this.run("close");
  }

  // The worker goes also when its close does not answer in time.
  async dispose() {
    await Promise.race([this.close(), new Promise((resolve) => setTimeout(resolve, kCloseWaitMs))]);
    this.worker.terminate();
    this.failAll("the port was closed");
  }
}
