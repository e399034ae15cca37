// One serial port as the page drives it: the port object (Web Serial, or the tests' stand-in),
// the worker that runs the core for it, and the operations in the order they were asked for.
"use strict";

// 38400 bit/s, 8 data bits, no parity, one stop bit, no flow control.
const kLineOptions = { baudRate: 38400, dataBits: 8, stopBits: 1, parity: "none", flowControl: "none" };

function isLinux() {
  const platform = (navigator.userAgentData && navigator.userAgentData.platform) || navigator.platform || "";
  return /linux/i.test(platform) && !/android/i.test(navigator.userAgent);
}

// What the core's open reports for a refused Web Serial open: 1 missing, 2 busy, 3 other.
function openRefusal(error) {
  const name = (error && error.name) || "";
  if (name === "NotFoundError") return { code: 1, reason: "the port is no longer there: plug the adapter in again" };
  if (name === "InvalidStateError") return { code: 2, reason: "the port is already open in this page or another tab" };
  if ((name === "NetworkError" || name === "SecurityError") && isLinux()) {
    return {
      code: 3,
      reason:
        "the port is held by another program, or you may not use it: add yourself to the dialout group " +
        "(sudo usermod -aG dialout $USER), then log out and in again",
    };
  }
  if (name === "NetworkError") return { code: 2, reason: "another program holds the port" };
  return { code: 3, reason: (error && error.message) || "" };
}

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
    this.opened = false;
  }

  async fromWorker(message) {
    if (message.kind === "result") {
      if (message.trace) this.onTrace(message.trace);
      const resolve = this.results.get(message.id);
      this.results.delete(message.id);
      resolve(message.result);
      return;
    }
    const answer = await this.answer(message.request);
    const transfer = answer.readable ? [answer.readable, answer.writable] : [];
    this.worker.postMessage({ kind: "answer", id: message.id, answer }, transfer);
  }

  async answer(request) {
    if (request.type === "open") {
      try {
        await this.port.open(kLineOptions);
      } catch (error) {
        return openRefusal(error);
      }
      this.opened = true;
      return { code: 0, readable: this.port.readable, writable: this.port.writable };
    }
    try {
      await this.port.setSignals({ [request.signal]: true });
      return { code: 0 };
    } catch (error) {
      return { code: 1 };
    }
  }

  // Runs op in the worker after every operation asked for before it.
  run(op, args) {
    const result = this.queue.then(
      () =>
        new Promise((resolve) => {
          const id = this.nextId++;
          this.results.set(id, resolve);
          this.worker.postMessage({ kind: "op", id, op, args });
        })
    );
    this.queue = result.catch(() => {});
    return result;
  }

  open(name) {
    return this.run("open", [name]);
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

  // The core forgets the device and lets go of the streams; then the port itself closes.
  async close() {
    const result = await this.run("close");
    if (this.opened) {
      this.opened = false;
      await this.port.close().catch(() => {});
    }
    return result;
  }

  async dispose() {
    await this.close();
    this.worker.terminate();
  }
}
