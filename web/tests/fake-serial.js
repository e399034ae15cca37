// Put into the page before its own scripts: navigator.serial offering the given simulated
// devices, each a port with the Web Serial interface whose streams are real, transferable
// ReadableStream/WritableStream objects carried over the test server's WebSocket bridge.
// setup: { granted: [{link, info}], offered: [{link, info}] }.
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
    constructor(serial, { link, info }) {
      super();
      this.link = link;
      this.info = info;
      this.readable = null;
      this.writable = null;
      this.options = null;
      this.signals = [];
      this.socket = null;
      const watch = new WebSocket(socketUrl("watch", link));
      let seen = null;
      watch.onmessage = (event) => {
        if (event.data === "present" && seen === "absent") serial.dispatchEvent(new PortEvent("connect", this));
        seen = event.data;
      };
      this.gone = () => serial.dispatchEvent(new PortEvent("disconnect", this));
    }

    getInfo() {
      return this.info;
    }

    async open(options) {
      if (this.socket) throw new DOMException("The port is already open.", "InvalidStateError");
      const socket = new WebSocket(socketUrl("bridge", this.link));
      socket.binaryType = "arraybuffer";
      await new Promise((resolve) => (socket.onopen = resolve));
      socket.send("open");
      const answer = await new Promise((resolve) => (socket.onmessage = (event) => resolve(event.data)));
      if (answer !== "ready") {
        socket.close();
        throw new DOMException("Failed to open serial port.", "NetworkError");
      }
      this.socket = socket;
      this.options = options;
      this.readable = new ReadableStream({
        start: (controller) => {
          socket.onmessage = (event) => {
            if (typeof event.data !== "string") return controller.enqueue(new Uint8Array(event.data));
            if (event.data === "gone") {
              controller.error(new DOMException("The device has been lost.", "NetworkError"));
              this.readable = null;
              this.gone();
            }
          };
        },
      });
      this.writable = new WritableStream({ write: (chunk) => socket.send(chunk) });
    }

    async setSignals(signals) {
      this.signals.push(signals);
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
      return [...this.granted];
    }
    async requestPort(options) {
      this.filtersAsked.push(options);
      const port = this.offered.shift();
      if (!port) throw new DOMException("No port selected by the user.", "NotFoundError");
      this.granted.push(port);
      return port;
    }
  }

  Object.defineProperty(navigator, "serial", { value: new FakeSerial(), configurable: true });
}
