// The worker's side of one serial port, which the core's imports call (web/core/
// web_serial_port.cpp). The worker finds the port the page chose among its own granted ports
// and opens it itself, so the line's bytes and the 10 ms pauses between a frame's pieces never
// wait on the page's thread. The bytes read are queued here and the core takes them one at a time.
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

// getInfo() as one comparable text: the same adapter gives the same text in the page and here.
function portKey(info) {
  return JSON.stringify(Object.keys(info).sort().map((key) => [key, info[key]]));
}

// Which of the granted ports the page means: its getInfo(), its place among the ports alike in
// that in getPorts() (whose order the page and its workers share) and how many such ports there
// are. Null when the port is no longer granted (unplugged): no other port stands in for it.
export async function portIdentity(port) {
  const key = portKey(port.getInfo());
  const alike = (await navigator.serial.getPorts()).filter((other) => portKey(other.getInfo()) === key);
  const index = alike.indexOf(port);
  return index < 0 ? null : { key, index, count: alike.length };
}

// The worker's port for an identity, only when the worker sees the same ports alike as the page:
// two identical adapters are told apart by their place alone, so after a change it could be the
// other one.
async function grantedPort(identity) {
  const alike = (await navigator.serial.getPorts()).filter((port) => portKey(port.getInfo()) === identity.key);
  return alike.length === identity.count ? alike[identity.index] : null;
}

// Why the worker's core could not go on, for the message it shows.
export function failureText(error) {
  return (error && (error.message || error.name)) || String(error);
}

export class SerialChannel {
  constructor() {
    this.identity = null;
    this.port = null;
    this.bytes = [];
    this.head = 0;
    this.wake = null;
    this.reader = null;
    this.writer = null;
    this.reason = "";
    this.lost = false;
  }

  // The port the next open opens (from portIdentity on the page).
  choose(identity) {
    this.identity = identity;
  }

  // 0 opened; 1 missing, 2 busy, 3 anything else (the reason says what). Never rejects: the core
  // waits on this promise and a rejection would leave it waiting for good.
  async open() {
    try {
      return await this.openChosen();
    } catch (error) {
      this.reason = `the browser's serial ports failed (${failureText(error)}): press COM OPEN again`;
      return 3;
    }
  }

  async openChosen() {
    const port = this.identity && (await grantedPort(this.identity));
    if (!port) {
      this.reason = "the chosen port is no longer there or the ports changed: pick the port again and press COM OPEN";
      return 1;
    }
    try {
      await port.open(kLineOptions);
    } catch (error) {
      const refusal = openRefusal(error);
      this.reason = refusal.reason;
      return refusal.code;
    }
    this.port = port;
    this.lost = false;
    this.purge();
    this.writer = port.writable.getWriter();
    this.pump(port);
    return 0;
  }

  openReason() {
    return this.reason;
  }

  // Reads until the port closes. A parity, framing or overrun error ends one readable only: the
  // port then offers a new one. A port that offers none (its device went away) is lost, and the
  // core's exchange ends at once instead of waiting out its time-out.
  async pump(port) {
    while (this.port === port && port.readable) {
      const reader = port.readable.getReader();
      this.reader = reader;
      try {
        for (;;) {
          const { value, done } = await reader.read();
          if (done) break;
          for (const byte of value) this.bytes.push(byte);
          this.notify();
        }
      } catch (error) {
        if (error && error.name === "NetworkError") this.lost = true;
      }
      if (this.reader === reader) {
        this.reader = null;
        reader.releaseLock();
      }
      if (this.lost) break;
    }
    if (this.port === port && !port.readable) this.lost = true;
    this.notify();
  }

  gone() {
    return this.lost;
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
      if (error && error.name === "NetworkError") this.lost = true;
      return -1;
    }
  }

  // 0 when the line is raised, 1 when the port refused.
  async raise(signal) {
    if (!this.port) return 1;
    try {
      await this.port.setSignals({ [signal]: true });
      return 0;
    } catch (error) {
      return 1;
    }
  }

  // Lets go of the streams and closes the port; a port whose device went away closes as well.
  async close() {
    const { port, reader, writer } = this;
    this.port = null;
    this.reader = null;
    this.writer = null;
    // Web Serial closes a port only once both its streams are unlocked.
    if (reader) {
      await reader.cancel().catch(() => {});
      reader.releaseLock();
    }
    if (writer) {
      await writer.abort().catch(() => {});
      writer.releaseLock();
    }
    if (port) await port.close().catch(() => {});
    this.purge();
  }
}
