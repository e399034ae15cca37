// The main window of the page: the same controls, order, enabling rules and messages as the
// desktop window, over the ports the browser grants.
import { IdentifierField } from "./identifier-field.js";
import { showMessage, showOutcome } from "./message-box.js";
import { PortSession } from "./port-session.js";
import QuintrelCore from "./quintrel-core.js";
import { startStation } from "./station.js";

const $ = (id) => document.getElementById(id);

const app = {
  core: null, // the page's own core: the identifier field and the texts
  field: null,
  ports: [], // the granted ports, in the port box's order
  session: null, // the open port
  unplugged: null, // the port whose device went away, offered again when it comes back
  closing: false, // the unplugged port is still closing
  back: null, // a port that came back meanwhile
  station: null, // the production station (station.js)
  release: "", // this page's release, from version.json
  updated: false, // another release took over: reload once no port is open and the station is idle
};

function hex4(value) {
  return value === undefined ? "" : value.toString(16).toUpperCase().padStart(4, "0");
}

function portLabel(port, index) {
  const info = port.getInfo();
  if (info.usbVendorId === undefined) return `Serial port ${index + 1}`;
  return `USB ${hex4(info.usbVendorId)}:${hex4(info.usbProductId)} (port ${index + 1})`;
}

function setStatus(text) {
  $("status").textContent = text;
}

function appendTrace(lines) {
  const log = $("frame-log");
  log.textContent += lines;
  log.scrollTop = log.scrollHeight;
}

async function fillPortBox(select) {
  app.ports = await navigator.serial.getPorts();
  const box = $("port-box");
  box.replaceChildren(...app.ports.map((port, index) => new Option(portLabel(port, index), String(index))));
  const chosen = app.ports.indexOf(select);
  box.selectedIndex = chosen >= 0 ? chosen : app.ports.length ? 0 : -1;
}

// The port controls of the open and the closed state; the rest stay enabled.
function showOpenState(open) {
  $("port-box").disabled = open;
  $("com-open").disabled = open;
  $("search-again").disabled = open;
  $("com-close").disabled = !open;
}

// One command at a time, as the desktop window blocks while the device answers.
async function busy(work) {
  const dialog = $("dialog");
  dialog.inert = true;
  dialog.setAttribute("aria-busy", "true");
  try {
    return await work();
  } finally {
    dialog.inert = false;
    dialog.removeAttribute("aria-busy");
  }
}

// An operation on the open port, or on no port at all (the page's core then answers at once that
// the port is not open).
function portOperation(name, args) {
  if (app.session) return app.session[name](...(args || []));
  const closed = { read: "quintrel_read", save: "quintrel_save", buzzerOff: "quintrel_buzzer_off" }[name];
  const types = name === "save" ? ["number", "string"] : [];
  return Promise.resolve(JSON.parse(app.core.ccall(closed, "string", types, args || [])));
}

async function reading() {
  const result = await portOperation("read");
  if (result.bitrate !== undefined) $("bitrate").selectedIndex = result.bitrate;
  if (result.identifier !== undefined) app.field.setValue(result.identifier);
  await showOutcome(result);
  return result;
}

// The chosen port went away before COM OPEN: no other port is opened in its place.
async function chooseAgain() {
  await fillPortBox();
  const outcome = JSON.parse(app.core.ccall("quintrel_open_refused", "string", [], []));
  outcome.reason = "the chosen port is no longer there (unplugged?): pick the port again and press COM OPEN";
  await showOutcome(outcome);
  setStatus("The chosen port is no longer there: pick the port again.");
}

async function comOpen() {
  const port = app.ports[$("port-box").selectedIndex];
  if (port && !(await navigator.serial.getPorts()).includes(port)) {
    await chooseAgain();
  } else if (port) {
    const session = new PortSession(port, appendTrace);
    const result = await session.open($("port-box").selectedOptions[0].text);
    if (result.ok) {
      app.session = session;
      app.unplugged = null;
      showOpenState(true);
      setStatus(`${portLabel(port, app.ports.indexOf(port))} is open.`);
    } else {
      session.dispose();
      await showOutcome(result);
      if (result.failure === "missing") {
        await fillPortBox();
        setStatus("The chosen port is no longer there: pick the port again.");
      }
    }
  } else {
    await showOutcome(JSON.parse(app.core.ccall("quintrel_open_refused", "string", [], [])));
  }
  await reading(); // also after a failed open, which then says the port is not open
}

async function comClose() {
  const session = app.session;
  app.session = null;
  if (session) await session.dispose();
  showOpenState(false);
  setStatus(session ? "The port is closed." : "");
  reloadWhenIdle();
}

async function searchAgain() {
  const filters = [];
  const vendor = parseInt($("usb-vendor").value, 16);
  const product = parseInt($("usb-product").value, 16);
  if (!$("show-all").checked && vendor >= 0 && vendor <= 0xffff) {
    filters.push(product >= 0 && product <= 0xffff ? { usbVendorId: vendor, usbProductId: product } : { usbVendorId: vendor });
  }
  let port = null;
  try {
    port = await navigator.serial.requestPort({ filters });
  } catch (error) {
    // The chooser was closed without a port: the list stays as it was.
  }
  await fillPortBox(port);
}

async function saveSettings() {
  const question = app.core.ccall("quintrel_message_text", "string", ["number"], [0]);
  if ((await showMessage("warning", question, "")) !== "ok") return;
  const result = await portOperation("save", [$("bitrate").selectedIndex, app.field.digits()]);
  if (result.ok) {
    await showMessage("warning", app.core.ccall("quintrel_message_text", "string", ["number"], [1]), "");
  } else {
    await showOutcome(result);
  }
}

async function buzzOff() {
  await showOutcome(await portOperation("buzzerOff"));
}

// A device went away: the port box no longer lists it; an open port closes once the running
// command has ended.
async function unplugged(port) {
  if (!app.session || app.session.port !== port) {
    const chosen = app.ports[$("port-box").selectedIndex];
    await fillPortBox(chosen);
    if (chosen === port) {
      $("port-box").selectedIndex = -1;
      setStatus("The chosen port was unplugged: pick the port again.");
    }
    return;
  }
  const label = $("port-box").selectedOptions[0] ? $("port-box").selectedOptions[0].text : "The port";
  app.unplugged = port;
  app.back = null;
  app.closing = true;
  await fillPortBox();
  $("port-box").selectedIndex = -1;
  await app.session.queue;
  await comClose();
  app.closing = false;
  setStatus(`The device on ${label} was unplugged: the port is closed. Plug it in again to reconnect.`);
  if (app.back) offerReconnect(app.back);
}

// A port came (back): the port box lists it; the device that went away is offered again, once
// its old port is closed.
async function pluggedIn(port) {
  await fillPortBox(app.ports[$("port-box").selectedIndex]);
  app.station.plugged(port);
  if (app.unplugged === null) return;
  if (app.closing) app.back = port;
  else offerReconnect(port);
}

function offerReconnect(port) {
  const status = $("status");
  status.append(" The device is back. ");
  const again = document.createElement("button");
  again.id = "reconnect";
  again.textContent = "Reconnect";
  again.addEventListener("click", () => busy(async () => {
    app.unplugged = null;
    again.remove();
    await fillPortBox(port);
    await comOpen();
  }));
  status.append(again);
}

// Each release's service worker serves that release's files only (sw.js, made by the build). A
// newer release is fetched in the background at each load and waits; the page offers it, and the
// user's Reload lets it take over. Every page of the old release then reloads, once its port is
// closed, so no page runs files of two releases.
function offerUpdates() {
  if (!("serviceWorker" in navigator)) return;
  const offer = (worker) => {
    $("update").hidden = false;
    $("update-reload").onclick = () => worker.postMessage("activate");
  };
  navigator.serviceWorker.register("sw.js", { updateViaCache: "none" }).then((registration) => {
    if (registration.waiting && navigator.serviceWorker.controller) offer(registration.waiting);
    registration.addEventListener("updatefound", () => {
      const worker = registration.installing;
      worker.addEventListener("statechange", () => {
        if (worker.state === "installed" && navigator.serviceWorker.controller) offer(worker);
      });
    });
    return registration.update();
  }).catch((error) => {
    $("offline").hidden = false;
    $("offline").textContent = `This page will not open offline: its service worker failed (${error.message}).`;
  });
  const hadController = Boolean(navigator.serviceWorker.controller);
  navigator.serviceWorker.addEventListener("controllerchange", () => {
    if (!hadController || app.updated) return;
    app.updated = true;
    reloadWhenIdle();
  });
}

// Another release took over: the page reloads once nothing in it writes to a device, neither the
// open port nor the station, and says meanwhile what it waits for.
function reloadWhenIdle() {
  if (!app.updated) return;
  const stationBusy = app.station.busy();
  if (!app.session && !stationBusy) {
    location.reload();
  } else if (!stationBusy) {
    setStatus("A new version took over: close the port to load it.");
  } else {
    setStatus(`A new version took over: ${app.session ? "close the port and " : ""}stop the production ` +
      "station to load it (it loads once the devices being written are done).");
  }
}

// A page that cannot reach ports for a reason the user can mend says what to do.
// (A page opened from a file runs no module: from-file.js says what to do there.)
function unreachable() {
  if (!window.isSecureContext) return "insecure";
  if (!("serial" in navigator)) return "no-serial";
  return "";
}

async function start() {
  const reason = unreachable();
  if (reason) {
    $(reason).hidden = false;
    document.body.removeAttribute("aria-busy");
    return;
  }
  $("app").hidden = false;
  app.core = await QuintrelCore();
  const names = JSON.parse(app.core.ccall("quintrel_bitrate_names", "string", [], []));
  $("bitrate").replaceChildren(...names.map((name, code) => new Option(name, String(code))));
  $("bitrate").selectedIndex = 0;
  app.release = await fetch("version.json").then((answer) => answer.json()).then((v) => v.release, () => "");
  $("release").textContent = app.release && `Release ${app.release}`;
  app.field = new IdentifierField(app.core, $("identifier"));
  await fillPortBox();
  showOpenState(false);
  $("com-open").addEventListener("click", () => busy(comOpen));
  $("com-close").addEventListener("click", () => busy(comClose));
  $("search-again").addEventListener("click", () => busy(searchAgain));
  $("reading").addEventListener("click", () => busy(reading));
  $("save-settings").addEventListener("click", () => busy(saveSettings));
  $("buzz-off").addEventListener("click", () => busy(buzzOff));
  navigator.serial.addEventListener("disconnect", (event) => unplugged(event.target));
  navigator.serial.addEventListener("connect", (event) => pluggedIn(event.target));
  app.station = startStation(app, { portLabel, hex4, appendTrace, idle: reloadWhenIdle });
  offerUpdates();
  performance.mark("quintrel-ready");
  document.body.removeAttribute("aria-busy");
}

start();
