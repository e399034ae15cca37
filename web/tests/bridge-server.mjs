// Serves the page's folder on 127.0.0.1 with the page's CSP, and bridges the tests' stand-in
// serial ports to quintrel-sim's ptys over WebSockets on the same origin:
//   /bridge?link=PATH  one open port: "open CONTEXT OPTIONS" (CONTEXT: page or worker) is
//                      answered "ready" once the pty behind PATH is open in raw mode; binary
//                      messages are the line's bytes both ways;
//                      "signals SIGNALS" is recorded, and "wrote-at MS" with the bytes that
//                      follow it; "gone" when the pty hangs up (the device was unplugged).
//                      sendToPorts(PATH, TEXT) sends TEXT to each open port of PATH ("error
//                      NAME": a line error on the port).
//   /watch?link=PATH   "present" / "absent" whenever the pty behind PATH appears or goes.
//   /fake-serial-worker.js?script=NAME&setup=JSON  a worker module that installs fake-serial.js
//                      with setup (itself without script), then runs the page's worker NAME.
// What it does not replace: the browser's own serial stack (chooser, permissions, USB drivers,
// baud rate and signals on a real UART); the line options and setSignals are only recorded.
import fs from "node:fs";
import http from "node:http";
import path from "node:path";
import tty from "node:tty";
import { WebSocketServer } from "ws";

const kTypes = { ".html": "text/html", ".js": "text/javascript", ".css": "text/css", ".wasm": "application/wasm",
  ".svg": "image/svg+xml", ".webmanifest": "application/manifest+json" };
const kCsp = "default-src 'self'; script-src 'self' 'wasm-unsafe-eval'; connect-src 'self'";

function ptyBehind(link) {
  try {
    const target = fs.realpathSync(link);
    return fs.statSync(target).isCharacterDevice() ? target : null;
  } catch {
    return null;
  }
}

async function waitForPty(link, ms) {
  for (let waited = 0; waited < ms; waited += 20) {
    const pty = ptyBehind(link);
    if (pty) return pty;
    await new Promise((resolve) => setTimeout(resolve, 20));
  }
  return null;
}

// What each link's ports were asked for: { openedIn: ["page" or "worker"], options: [...],
// signals: [...], writes: [{at, bytes}] } with at in the writer's milliseconds and bytes in hex.
export const portRequests = new Map();

function requestsOf(link) {
  if (!portRequests.has(link)) portRequests.set(link, { openedIn: [], options: [], signals: [], writes: [] });
  return portRequests.get(link);
}

const openSockets = new Map();
export function sendToPorts(link, text) {
  for (const socket of openSockets.get(link) || []) socket.send(text);
}

function bridgePort(socket, link) {
  (openSockets.get(link) || openSockets.set(link, new Set()).get(link)).add(socket);
  let fd = null;
  let stream = null;
  let wroteAt = null;
  const hangUp = () => {
    if (fd === null) return;
    stream.destroy();
    fd = null;
    if (socket.readyState === socket.OPEN) socket.send("gone");
  };
  socket.on("message", async (data, isBinary) => {
    if (isBinary) {
      if (fd === null) return;
      fs.writeSync(fd, Buffer.from(data));
      requestsOf(link).writes.push({ at: wroteAt, bytes: Buffer.from(data).toString("hex").toUpperCase().match(/../g).join(" ") });
      return;
    }
    const [word, ...rest] = String(data).split(" ");
    if (word === "close") return hangUp();
    if (word === "wrote-at") return (wroteAt = Number(rest[0]));
    if (word === "signals") return requestsOf(link).signals.push(JSON.parse(rest.join(" ")));
    requestsOf(link).openedIn.push(rest[0]);
    requestsOf(link).options.push(JSON.parse(rest.slice(1).join(" ")));
    const pty = await waitForPty(link, 3000);
    if (!pty) return socket.send("missing");
    fd = fs.openSync(pty, fs.constants.O_RDWR | fs.constants.O_NOCTTY);
    stream = new tty.ReadStream(fd);
    stream.setRawMode(true);
    stream.on("data", (bytes) => socket.send(bytes));
    stream.on("error", hangUp);
    stream.on("end", hangUp);
    socket.send("ready");
  });
  socket.on("close", () => {
    openSockets.get(link).delete(socket);
    if (fd !== null) stream.destroy();
    fd = null;
  });
}

// Which pty a link leads to now: a device that comes back makes a new link, even when the
// kernel hands it the same pty number again.
function linkIdentity(link) {
  try {
    return ptyBehind(link) ? `${fs.lstatSync(link).ino}:${fs.realpathSync(link)}` : null;
  } catch {
    return null;
  }
}

function watchLink(socket, link) {
  let seen = linkIdentity(link);
  socket.send(seen ? "present" : "absent");
  const timer = setInterval(() => {
    const now = linkIdentity(link);
    if (now === seen) return;
    if (seen && now) socket.send("absent");
    socket.send(now ? "present" : "absent");
    seen = now;
  }, 50);
  socket.on("close", () => clearInterval(timer));
}

// Static imports, evaluated in order before the worker's first message: the stand-in, then the page's
// worker module (one still evaluating misses messages); a classic worker gets both by importScripts.
function fakeSerialWorker(fakeSerial, query) {
  const install = `${fakeSerial}\ninstallFakeSerial(${query.get("setup")});\n`;
  if (!query.has("script")) return install;
  if (query.get("type") === "classic") return `${install}importScripts(${JSON.stringify(query.get("script"))});\n`;
  const setup = encodeURIComponent(query.get("setup"));
  return `import "/fake-serial-worker.js?setup=${setup}";\nimport ${JSON.stringify(`/${query.get("script")}`)};\n`;
}

export function startServer(root, fakeSerial) {
  const server = http.createServer((request, response) => {
    const url = new URL(request.url, "http://localhost");
    if (url.pathname === "/fake-serial-worker.js") {
      response.writeHead(200, { "Content-Type": "text/javascript", "Content-Security-Policy": kCsp });
      response.end(fakeSerialWorker(fakeSerial, url.searchParams));
      return;
    }
    const file = path.join(root, url.pathname === "/" ? "index.html" : path.normalize(url.pathname));
    if (!file.startsWith(root) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, { "Content-Type": kTypes[path.extname(file)] || "application/octet-stream",
      "Content-Security-Policy": kCsp, "Cache-Control": "no-cache" });
    fs.createReadStream(file).pipe(response);
  });
  const sockets = new WebSocketServer({ server });
  sockets.on("connection", (socket, request) => {
    const url = new URL(request.url, "http://localhost");
    const link = url.searchParams.get("link");
    if (url.pathname === "/bridge") bridgePort(socket, link);
    else if (url.pathname === "/watch") watchLink(socket, link);
    else socket.close();
  });
  return new Promise((resolve) => server.listen(0, "127.0.0.1", () => resolve(server)));
}
