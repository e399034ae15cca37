// Production station: every granted port, and every port plugged in while the station runs,
// gets the bitrate and identifier confirmed at the start, which the core then reads back and
// compares. Each port runs in its own worker, side by side. Each row says which port (its place
// and USB vendor:product: the browser tells identical adapters apart by nothing else), the
// operator's label for the device, the values written and read back, the outcome, the time and
// the page's release.
import { showMessage } from "./message-box.js";
import { PortSession } from "./port-session.js";
import { exportText, keepRow, keptRows, saveRow, setStationName, stationName } from "./station-record.js";

const kStationColumns = ["port", "usb", "label", "written", "readBack", "result", "time"];
// Each CSV column and the row's key it shows.
const kCsvColumns = [["port", "port"], ["usb_vendor_product", "usb"], ["label", "label"],
  ["bitrate_written", "bitrateWritten"], ["identifier_written", "identifierWritten"], ["bitrate_read", "bitrateRead"],
  ["identifier_read", "identifierRead"], ["result", "result"], ["time", "time"], ["page_release", "pageRelease"]];

const $ = (id) => document.getElementById(id);
const bitrateName = (code) => (code === undefined ? "" : $("bitrate").options[code].text);
const hex = (value) => (value === undefined ? "" : value.toString(16).toUpperCase());

// A device's row in the table, which the downloads then hold too.
function showRow(record) {
  const row = document.createElement("tr");
  const shown = { ...record, written: `${record.bitrateWritten} 0x${record.identifierWritten}`,
    readBack: record.bitrateRead ? `${record.bitrateRead} 0x${record.identifierRead}` : "" };
  for (const key of kStationColumns) {
    const cell = document.createElement("td");
    cell.textContent = shown[key];
    if (key === "result" && record.result !== "verified") cell.className = "failed";
    row.append(cell);
  }
  $("station-table").tBodies[0].append(row);
  $("station-csv").disabled = false;
  $("station-json").disabled = false;
}

// The label typed or scanned for the next device goes to the next device whose configuration
// starts (ports started together take it in their order).
function takeLabel() {
  const label = $("station-label").value.trim();
  $("station-label").value = "";
  return label;
}

// Writes the plan to one port's device and reads it back in a worker of its own; returns the
// device's row.
async function configurePort(port, { bitrate, identifier }, deviceLabel, app, page) {
  const ports = await navigator.serial.getPorts();
  const label = page.portLabel(port, ports.indexOf(port));
  const info = port.getInfo();
  const session = new PortSession(port, page.appendTrace);
  const started = new Date();
  let result = await session.open(label);
  if (result.ok) result = await session.saveVerified(bitrate, identifier);
  await session.dispose();
  const failure = [result.message, result.reason].filter(Boolean).join(": ") || result.status;
  const usb = info.usbVendorId === undefined ? "" : `${page.hex4(info.usbVendorId)}:${page.hex4(info.usbProductId)}`;
  const saved = app.core.ccall("quintrel_message_text", "string", ["number"], [1]);
  keepRow(saveRow({ usb, portLabel: label, label: deviceLabel, started, bitrate: bitrateName(bitrate),
    identifier, result, failure, saved }));
  $("station-export").disabled = false;
  return {
    port: `port ${ports.indexOf(port) + 1}`,
    usb,
    label: deviceLabel,
    bitrateWritten: bitrateName(bitrate),
    identifierWritten: identifier,
    bitrateRead: bitrateName(result.bitrate),
    identifierRead: hex(result.identifier),
    result: result.ok ? "verified" : `failed: ${failure}`,
    time: new Date().toISOString(),
    pageRelease: app.release,
  };
}

// Shows the values the station will write and asks once; refuses values no device should get.
async function confirmPlan(app) {
  const bitrate = $("bitrate").selectedIndex;
  const identifier = app.field.digits();
  if (bitrate <= 0 || identifier === "") {
    await showMessage("error", "Choose the bitrate to write (not CAN Invalid) and type the identifier, " +
      "then start the station again.", "error");
    return null;
  }
  const question = `Write bitrate ${bitrateName(bitrate)} and identifier 0x${identifier} to every ` +
    "device plugged in, then read them back?";
  return (await showMessage("warning", question, "Start station", "", true)) === "ok" ? { bitrate, identifier } : null;
}

function download(name, type, text) {
  const link = document.createElement("a");
  link.href = URL.createObjectURL(new Blob([text], { type }));
  link.download = name;
  link.click();
  setTimeout(() => URL.revokeObjectURL(link.href), 1000);
}

function csvField(text) {
  return /[",\n]/.test(text) ? `"${text.replace(/"/g, '""')}"` : text;
}

// The download buttons give the rows so far, as CSV and as JSON.
function offerDownloads(rows) {
  $("station-csv").addEventListener("click", () => {
    const lines = [kCsvColumns.map(([name]) => name).join(",")]
      .concat(rows.map((r) => kCsvColumns.map(([, key]) => csvField(r[key])).join(",")));
    download("quintrel-station.csv", "text/csv", lines.join("\n") + "\n");
  });
  $("station-json").addEventListener("click", () => {
    download("quintrel-station.json", "application/json", JSON.stringify(rows, null, 2) + "\n");
  });
  // Every save this browser kept, also those of earlier visits, for a line's record.
  $("station-export").disabled = keptRows().length === 0;
  $("station-export").addEventListener("click", () => {
    download("quintrel-record.json", "application/json", exportText(keptRows()));
  });
  $("station-name").value = stationName() === "browser" ? "" : stationName();
  $("station-name").addEventListener("change", () => setStationName($("station-name").value));
}

// app: the page's state (its field, open session, release); page: how the page names a port and
// shows frames ({ portLabel, hex4, appendTrace }), which it owns, and idle(), called when the
// station has stopped and written its last device. Returns { plugged(port) } for the page's one
// connect listener and busy(): the station runs or still writes a device.
export function startStation(app, page) {
  const rows = [];
  const busyPorts = new Set();
  let plan = null; // { bitrate, identifier } while the station runs

  const busy = () => plan !== null || busyPorts.size > 0;
  const settled = () => {
    if (!busy()) page.idle();
  };

  async function configure(port) {
    if (!plan || busyPorts.has(port) || (app.session && app.session.port === port)) return;
    busyPorts.add(port);
    const record = await configurePort(port, plan, takeLabel(), app, page);
    busyPorts.delete(port);
    rows.push(record);
    showRow(record);
    settled();
  }

  $("station-start").addEventListener("click", async () => {
    plan = await confirmPlan(app);
    if (!plan) return;
    $("station-start").disabled = true;
    $("station-stop").disabled = false;
    await Promise.all((await navigator.serial.getPorts()).map(configure));
  });
  $("station-stop").addEventListener("click", () => {
    plan = null;
    $("station-start").disabled = false;
    $("station-stop").disabled = true;
    settled();
  });
  offerDownloads(rows);
  return { plugged: configure, busy };
}
