// navigator.serial offering simulated devices, put into the page before its own scripts and into
// each worker the page starts (the page's Worker is wrapped so the worker script runs after this
// one), so the page lists the ports and its workers open them, as with real Web Serial. An open
// port's bytes go between the worker and the test server's WebSocket bridge, never through the
// page. setup: { granted: [device], offered: [device], rejectGetPorts? }, device: { link, info,
// refuse? } where refuse names the DOMException its open throws; rejectGetPorts: how many of the
// workers started next find getPorts() rejecting. getPorts() lists the ports whose device is
// present, as Chromium's does.
function installFakeSerial(setup) {
  class PortEvent extends Event {
    constructor(type, port) {
      super(type);
      this.port = port;
    }
    get target() {
      return this.port;
    }
  }

  const socketUrl = (kind, link) => `ws://${location.host}/${kind}?link=${encodeURIComponent(link)}`;

  class FakeSerialPort extends EventTarget {
    constructor(serial, device) {
      super();
      this.device = device;
      this.readable = null;
      this.writable = null;
      this.socket = null;
      const watch = new WebSocket(socketUrl("watch", device.link));
      let seen = null;
      // A refusing port stands for one that is there but will not open.
      this.present = () => Boolean(device.refuse) || seen !== "absent";
      watch.onmessage = (event) => {
        const before = seen;
        seen = event.data;
        if (seen === "present" && before === "absent") serial.dispatchEvent(new PortEvent("connect", this));
        if (seen === "absent" && before === "present") serial.dispatchEvent(new PortEvent("disconnect", this));
      };
    }

    getInfo() {
      return this.device.info;
    }

    async open(options) {
      if (this.device.refuse) throw new DOMException("Failed to open serial port.", this.device.refuse);
      if (this.socket) throw new DOMException("The port is already open.", "InvalidStateError");
      const socket = new WebSocket(socketUrl("bridge", this.device.link));
      socket.binaryType = "arraybuffer";
      await new Promise((resolve) => (socket.onopen = resolve));
      socket.send(`open ${globalThis.window ? "page" : "worker"} ${JSON.stringify(options)}`);
      const answer = await new Promise((resolve) => (socket.onmessage = (event) => resolve(event.data)));
      if (answer !== "ready") {
        socket.close();
        throw new DOMException("Failed to open serial port.", "NetworkError");
      }
      this.socket = socket;
      this.readable = this.openReadable(socket);
      // Each write is stamped here, where the core hands it to the port: what the bridge and
      // the pty add after this point is the test's transit, which a real port does not have.
      this.writable = new WritableStream({
        write: (chunk) => {
          socket.send(`wrote-at ${performance.now()}`);
          socket.send(chunk);
        },
      });
    }

    // "gone" ends the port's reading for good; "error NAME" (a line error) ends this readable
    // only, and the port offers a new one, as Web Serial does.
    openReadable(socket) {
      return new ReadableStream({
        start: (controller) => {
          socket.onmessage = (event) => {
            if (typeof event.data !== "string") return controller.enqueue(new Uint8Array(event.data));
            const [word, name] = event.data.split(" ");
            if (word === "gone") {
              this.readable = null;
              controller.error(new DOMException("The device has been lost.", "NetworkError"));
            } else if (word === "error") {
              this.readable = this.openReadable(socket);
              controller.error(new DOMException("A line error.", name));
            }
          };
        },
      });
    }

    async setSignals(signals) {
      this.socket.send(`signals ${JSON.stringify(signals)}`);
    }

    async close() {
      if (!this.socket) throw new DOMException("The port is already closed.", "InvalidStateError");
      this.socket.send("close");
      this.socket.close();
      this.socket = null;
      this.readable = null;
      this.writable = null;
    }
  }

  class FakeSerial extends EventTarget {
    constructor() {
      super();
      this.granted = setup.granted.map((device) => new FakeSerialPort(this, device));
      this.offered = setup.offered.map((device) => new FakeSerialPort(this, device));
      this.filtersAsked = [];
    }
    async getPorts() {
      if (setup.getPortsRejects) throw new DOMException("The browser's serial service went away.", "NotReadableError");
      return this.granted.filter((port) => port.present());
    }
    async requestPort(options) {
      this.filtersAsked.push(options);
      const port = this.offered.shift();
      if (!port) throw new DOMException("No port selected by the user.", "NotFoundError");
      this.granted.push(port);
      return port;
    }
  }

  const serial = new FakeSerial();
  Object.defineProperty(navigator, "serial", { value: serial, configurable: true });
  if (globalThis.window) {
    // A worker sees the ports granted when it starts, as a real worker's getPorts() does.
    const PageWorker = Worker;
    globalThis.Worker = class extends PageWorker {
      constructor(script, options) {
        const rejectGetPorts = setup.rejectGetPorts > 0;
        if (rejectGetPorts) setup.rejectGetPorts--;
        const granted = JSON.stringify({ granted: serial.granted.map((port) => port.device), offered: [], getPortsRejects: rejectGetPorts });
        const type = (options && options.type) || "classic";
        super(`/fake-serial-worker.js?script=${encodeURIComponent(script)}&type=${type}&setup=${encodeURIComponent(granted)}`, options);
      }
    };
  }
}
