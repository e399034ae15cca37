// The station's record: each save the page makes, kept in the browser (localStorage) as quintrel-cli
// keeps a save in a line's record, so that `quintrel-cli record --import FILE` can take the file
// that "Export record" downloads ({"format":"quintrel-record","version":1,"rows":[...]}).
const kStorageKey = "quintrel-record";
const kStationKey = "quintrel-station-name";
export const kExportFormat = "quintrel-record";
export const kExportVersion = 1;

// quintrel-cli's exit statuses for a port's outcome: the record says the same in either place.
const kExitCannotOpen = 3;
const kExitVerifyFailed = 4;
const kOpenFailures = new Set(["cannot-open", "cannot-get-settings", "cannot-set-settings"]);

function exitCode(result) {
  if (result.ok) return 0;
  if (result.status === "verify-failed") return kExitVerifyFailed;
  return kOpenFailures.has(result.status) ? kExitCannotOpen : 1;
}

// The rows kept so far; an unreadable store (storage turned off, a damaged entry) holds none.
export function keptRows() {
  try {
    const rows = JSON.parse(localStorage.getItem(kStorageKey) ?? "[]");
    return Array.isArray(rows) ? rows : [];
  } catch {
    return [];
  }
}

// Keeps one row; returns false when the browser refuses (storage full or turned off).
export function keepRow(row) {
  try {
    localStorage.setItem(kStorageKey, JSON.stringify([...keptRows(), row]));
    return true;
  } catch {
    return false;
  }
}

export function stationName() {
  try {
    return localStorage.getItem(kStationKey) || "browser";
  } catch {
    return "browser";
  }
}

export function setStationName(name) {
  try {
    if (name.trim()) localStorage.setItem(kStationKey, name.trim());
    else localStorage.removeItem(kStationKey);
  } catch {
    // Storage turned off: the name holds for this page only.
  }
}

// A save as the record keeps it. usb: "vendor:product" of the Web Serial port ("" when the
// browser does not tell); started: the save's start (a Date); bitrate, identifier: the texts
// written; result: the core's answer to saveVerified (or the open's failure); saved: the core's
// message for a save that succeeded.
export function saveRow({ usb, portLabel, label, started, bitrate, identifier, result, failure, saved }) {
  const verified = result.ok || result.status === "verify-failed";
  // A port that could not be opened got nothing; otherwise the values were (perhaps) sent.
  const sent = !kOpenFailures.has(result.status);
  const shownIdentifier = identifier === "" ? "" : parseInt(identifier, 16).toString(16).toUpperCase();
  return {
    time: started.toISOString(),
    station: stationName(),
    operator: "",
    port: usb || portLabel,
    by_id: "",
    usb_id: usb,
    usb_serial: "",
    label,
    bitrate_before: "",
    identifier_before: "",
    bitrate_written: sent ? bitrate : "",
    identifier_written: sent ? shownIdentifier : "",
    identifier_source: "given",
    verify: verified ? (result.ok ? "ok" : "mismatch") : "",
    ok: Boolean(result.ok),
    message: result.ok ? saved : failure,
    exit_code: exitCode(result),
    duration_ms: Math.max(0, Date.now() - started.getTime()),
  };
}

export function exportText(rows) {
  return JSON.stringify({ format: kExportFormat, version: kExportVersion, rows }, null, 1) + "\n";
}
