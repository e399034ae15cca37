// The worker's side of one serial port, which the core's imports call (web/core/
// web_serial_device.cpp): the page opens the port and hands its streams over, the bytes are read
// here into a queue, and the core takes them one at a time.
"use strict";

class SerialChannel {
  constructor(askPage) {
    this.askPage = askPage; // (request) => Promise of the page's answer
    this.bytes = [];
    this.head = 0;
    this.wake = null;
    this.reader = null;
    this.writer = null;
    this.reason = "";
  }

  // 0 opened; 1 missing, 2 busy, 3 anything else (the reason says what).
  async open() {
    const answer = await this.askPage({ type: "open" });
    if (answer.code !== 0) {
      this.reason = answer.reason || "";
      return answer.code;
    }
    this.purge();
    this.reader = answer.readable.getReader();
    this.writer = answer.writable.getWriter();
    this.pump(this.reader);
    return 0;
  }

  openReason() {
    return this.reason;
  }

  async pump(reader) {
    try {
      for (;;) {
        const { value, done } = await reader.read();
        if (done) break;
        for (const byte of value) this.bytes.push(byte);
        this.notify();
      }
    } catch (error) {
      // The port went away (unplugged) or was closed: reads find no byte from now on.
    }
    if (this.reader === reader) this.reader = null;
    this.notify();
  }

  notify() {
    if (this.wake) {
      const wake = this.wake;
      this.wake = null;
      wake();
    }
  }

  takeByte() {
    if (this.head >= this.bytes.length) return -1;
    const byte = this.bytes[this.head++];
    if (this.head === this.bytes.length) this.purge();
    return byte;
  }

  // Resolves when a byte arrives or after ms, whichever is first.
  waitByte(ms) {
    if (this.head < this.bytes.length) return Promise.resolve();
    return new Promise((resolve) => {
      const timer = setTimeout(() => {
        this.wake = null;
        resolve();
      }, ms);
      this.wake = () => {
        clearTimeout(timer);
        resolve();
      };
    });
  }

  purge() {
    this.bytes = [];
    this.head = 0;
  }

  // The number of bytes written, or -1 when the port refused them.
  async write(bytes) {
    if (!this.writer) return -1;
    try {
      await this.writer.write(bytes);
      return bytes.length;
    } catch (error) {
      return -1;
    }
  }

  async raise(signal) {
    const answer = await this.askPage({ type: "signal", signal });
    return answer.code;
  }

  // Lets go of the streams, so the page can close the port.
  async release() {
    const reader = this.reader;
    const writer = this.writer;
    this.reader = null;
    this.writer = null;
    if (reader) await reader.cancel().catch(() => {});
    if (writer) await writer.abort().catch(() => {});
    this.purge();
  }
}
