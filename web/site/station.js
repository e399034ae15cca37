// Production station: every granted port, and every port plugged in while the station runs,
// gets the bitrate and identifier of the main window, then is read back and compared. Each port
// runs in its own worker, side by side.
"use strict";

function startStation(app) {
  const $ = (id) => document.getElementById(id);
  const rows = [];
  const busyPorts = new Set();
  let running = false;

  function addRow(record) {
    rows.push(record);
    const row = document.createElement("tr");
    for (const key of ["port", "serialNumber", "result", "time"]) {
      const cell = document.createElement("td");
      cell.textContent = record[key];
      if (key === "result" && record.result !== "verified") cell.className = "failed";
      row.append(cell);
    }
    $("station-table").tBodies[0].append(row);
    $("station-csv").disabled = false;
    $("station-json").disabled = false;
  }

  async function configure(port) {
    if (!running || busyPorts.has(port) || (app.session && app.session.port === port)) return;
    busyPorts.add(port);
    const ports = await navigator.serial.getPorts();
    const info = port.getInfo();
    const label = portLabel(port, ports.indexOf(port));
    const bitrate = $("bitrate").selectedIndex;
    const identifier = app.field.digits();
    const session = new PortSession(port, appendTrace);
    let result = await session.open(label);
    if (result.ok) result = await session.save(bitrate, identifier);
    if (result.ok) {
      result = await session.read();
      if (result.ok && (result.bitrate !== bitrate || result.identifier !== parseInt(identifier, 16))) {
        const shown = result.identifier === undefined ? "" : result.identifier.toString(16).toUpperCase();
        result = { ok: false, message: `read back ${kBitrateNames[result.bitrate]} and ${shown}` };
      }
    }
    await session.dispose();
    busyPorts.delete(port);
    const failure = [result.message, result.reason].filter(Boolean).join(": ") || result.status;
    addRow({
      port: label,
      serialNumber: info.serialNumber || "",
      result: result.ok ? "verified" : `failed: ${failure}`,
      time: new Date().toISOString(),
    });
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

  $("station-start").addEventListener("click", async () => {
    running = true;
    $("station-start").disabled = true;
    $("station-stop").disabled = false;
    await Promise.all((await navigator.serial.getPorts()).map(configure));
  });
  $("station-stop").addEventListener("click", () => {
    running = false;
    $("station-start").disabled = false;
    $("station-stop").disabled = true;
  });
  navigator.serial.addEventListener("connect", (event) => configure(event.target));
  $("station-csv").addEventListener("click", () => {
    const lines = ["port,usb_serial_number,result,time"].concat(
      rows.map((r) => [r.port, r.serialNumber, r.result, r.time].map(csvField).join(",")));
    download("quintrel-station.csv", "text/csv", lines.join("\n") + "\n");
  });
  $("station-json").addEventListener("click", () => {
    download("quintrel-station.json", "application/json", JSON.stringify(rows, null, 2) + "\n");
  });
}
