// The page in headless Chromium against quintrel-sim: each test gets a fresh browser context,
// simulated devices on ptys and the stand-in ports of fake-serial.js. Usage:
//   node browser-tests.mjs SITE_DIR QUINTREL_SIM SCREENSHOT_DIR
import assert from "node:assert/strict";
import { execFileSync, spawn } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import puppeteer from "puppeteer-core";
import { portRequests, sendToPorts, startServer } from "./bridge-server.mjs";

const [siteDir, simPath, shotDir] = process.argv.slice(2).map((p) => path.resolve(p));
const releaseScript = new URL("../make-release.py", import.meta.url).pathname;
const releaseTemplate = new URL("../sw.js.in", import.meta.url).pathname;
const fakeSerial = fs.readFileSync(new URL("./fake-serial.js", import.meta.url), "utf8");
const work = fs.mkdtempSync(path.join(os.tmpdir(), "quintrel-web-"));
const figures = {};
const sims = [];

function startSim(name, args) {
  const link = path.join(work, name);
  const log = `${link}.log`;
  const sim = spawn(simPath, ["--link", link, "--log", log, "--pace", ...args], { stdio: "ignore" });
  sims.push(sim);
  return { link, log, sim, readLog: () => (fs.existsSync(log) ? fs.readFileSync(log, "utf8") : "") };
}

// The frame log's received pieces: [{at, bytes}].
function logLines(text, kind) {
  return [...text.matchAll(new RegExp(`\\[\\s*([\\d.]+) ms\\] (?:\\S+ )?${kind} ([0-9A-F ]+)`, "g"))]
    .map((m) => ({ at: Number(m[1]), bytes: m[2].trim() }));
}

// The pauses between each frame's three pieces, as the worker handed them to the port: at least
// 10 ms (a worker's clock is coarsened to 0.1 ms). The slack lets a busy machine deschedule the
// worker for a while, yet stays far from the 1000 ms of a throttled timer.
const kPieceGapSlackMs = 100;
function checkPieceGaps(writes) {
  const gaps = writes.map((w, i) => w.at - writes[Math.max(i - 1, 0)].at).filter((_, i) => i % 3 !== 0);
  for (const gap of gaps) assert.ok(gap >= 9.9 && gap < kPieceGapSlackMs, `piece gap ${gap} ms`);
  return gaps.map((g) => g.toFixed(1));
}

const usb = (n) => ({ usbVendorId: 0x0403, usbProductId: 0x6001, serialNumber: `QSIM${String(n).padStart(4, "0")}` });

// setup: the stand-in ports, "no-serial" (a browser without Web Serial) or "as-is" (the
// browser's own: none in an insecure context).
async function openPage(browser, server, setup, url = `http://127.0.0.1:${server.address().port}/`) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  page.on("pageerror", (error) => console.error("page error:", error.message));
  if (setup === "no-serial") {
    await page.evaluateOnNewDocument(() => { delete Navigator.prototype.serial; });
  } else if (setup !== "as-is") {
    await page.evaluateOnNewDocument(`${fakeSerial}\ninstallFakeSerial(${JSON.stringify(setup)});`);
  }
  // The tests' own count of the message windows shown, to tell one from the next.
  await page.evaluateOnNewDocument(() => {
    const showModal = HTMLDialogElement.prototype.showModal;
    HTMLDialogElement.prototype.showModal = function () {
      this.shownCount = (this.shownCount || 0) + 1;
      return showModal.call(this);
    };
  });
  const started = Date.now();
  await page.goto(url);
  await page.waitForSelector("body:not([aria-busy])");
  return { page, context, loadMs: Date.now() - started };
}

const text = (page, selector) => page.$eval(selector, (e) => e.textContent);
const releaseShown = (page) => page.evaluate(() => document.querySelector("#release")?.textContent);
const value = (page, selector) => page.$eval(selector, (e) => e.value);
const bitrate = (page) => page.$eval("#bitrate", (e) => e.selectedOptions[0].text);

// Waits for the message window and answers it; returns its title, text and when it showed.
async function answerMessage(page, key = "Enter") {
  await page.waitForSelector("#message[open]");
  const shown = { title: await text(page, "#message-title"), text: await text(page, "#message-text"),
    detail: await text(page, "#message-detail"), at: Date.now() };
  const shownCount = await page.$eval("#message", (e) => e.shownCount);
  await page.keyboard.press(key);
  await page.waitForFunction((n) => {
    const dialog = document.querySelector("#message");
    return !dialog.open || dialog.shownCount !== n;
  }, {}, shownCount);
  return shown;
}

async function idle(page) {
  await page.waitForSelector("#dialog:not([aria-busy])");
}

async function connect(page) {
  await page.click("#search-again");
  await idle(page);
  const started = Date.now();
  await page.click("#com-open");
  return started;
}

const tests = {
  async "COM OPEN reads the device at once, each piece on its own"(browser, server) {
    const sim = startSim("read", ["--bitrate", "1", "--id", "123"]);
    const { page, context, loadMs } = await openPage(browser, server, { granted: [], offered: [{ link: sim.link, info: usb(1) }] });
    figures.loadToReadyMs = loadMs;
    // The first load also fills the offline cache, on the thread that relays the port's bytes.
    await page.evaluate(() => navigator.serviceWorker.ready);
    const started = await connect(page);
    await idle(page);
    figures.readThroughPageMs = Date.now() - started;
    assert.equal(await bitrate(page), "125kbps");
    assert.equal(await value(page, "#identifier"), "123");
    assert.equal(await page.$eval("#com-open", (e) => e.disabled), true);
    assert.equal(await page.$eval("#com-close", (e) => e.disabled), false);
    const { openedIn, options, signals } = portRequests.get(sim.link);
    assert.deepEqual({ openedIn, options, signals }, {
      openedIn: ["worker"],
      options: [{ baudRate: 38400, dataBits: 8, stopBits: 1, parity: "none", flowControl: "none" }],
      signals: [{ dataTerminalReady: true }, { requestToSend: true }] });
    const log = await text(page, "#frame-log");
    assert.match(log, /-> 02 63 63 65 62 72 03 76\n\s+\d+ ms  <- 02 31 03 32\n/);
    assert.match(log, /-> 02 63 63 69 64 72 03 7C\n\s+\d+ ms  <- 02 31 32 33 03 33\n/);
    const writes = portRequests.get(sim.link).writes;
    assert.deepEqual(writes.map((w) => w.bytes), ["02", "63 63 65 62 72", "03 76", "02", "63 63 69 64 72", "03 7C"]);
    figures.pieceGapsMs = checkPieceGaps(writes);
    // The simulator's own gaps are only figures: on a busy machine the browser's network thread,
    // the bridge and the pty may hand it two pieces in one read.
    const rx = logLines(sim.readLog(), "rx");
    figures.pieceGapsAtSimMs = rx.slice(1).map((r, i) => (r.at - rx[i].at).toFixed(1));
    const tx = logLines(sim.readLog(), "tx");
    figures.readOnLineMs = (tx[1].at - rx[0].at).toFixed(1);
    const mb = (bytes) => (bytes / 2 ** 20).toFixed(1);
    const [worker] = page.workers().filter((w) => w.url().includes("core-worker"));
    figures.memoryMB = {
      pageJsHeap: mb((await page.metrics()).JSHeapUsedSize),
      workerJsHeap: mb((await worker.client.send("Runtime.getHeapUsage")).usedSize),
    };
    await page.screenshot({ path: path.join(shotDir, "web-main-window-after-read.png") });
    await context.close();
  },

  async "Save Settings asks first, Esc sends nothing, OK writes and commits"(browser, server) {
    const sim = startSim("save", []);
    const { page, context } = await openPage(browser, server, { granted: [{ link: sim.link, info: usb(2) }], offered: [] });
    await page.click("#com-open");
    await idle(page);
    const beforeRead = sim.readLog().length;
    const readAt = Date.now();
    await page.click("#reading");
    await idle(page);
    figures.readingOpenPortThroughPageMs = Date.now() - readAt;
    const read = logLines(sim.readLog().slice(beforeRead), "(?:rx|tx)");
    figures.readingOpenPortOnLineMs = (read.at(-1).at - read[0].at).toFixed(1);
    await page.select("#bitrate", "4");
    await page.click("#identifier");
    await page.keyboard.type("2a5");
    assert.equal(await value(page, "#identifier"), "2A5");
    const before = sim.readLog();
    await page.click("#save-settings");
    const question = await answerMessage(page, "Escape");
    assert.deepEqual([question.title, question.text], ["", "Save settings ?"]);
    await idle(page);
    assert.equal(sim.readLog(), before);
    await page.click("#save-settings");
    await page.waitForSelector("#message[open]");
    await page.screenshot({ path: path.join(shotDir, "web-save-question.png") });
    const okAt = Date.now();
    await page.keyboard.press("Enter");
    await page.waitForFunction(() => document.querySelector("#message-text").textContent === "Saved !!!");
    figures.saveThroughPageMs = Date.now() - okAt;
    await answerMessage(page);
    const saved = ["02", "63 63 65 62 20 34", "03 10", "02", "63 63 69 64 20 32 41 35", "03 68", "02", "70 70 77 33 39 31 36", "03 79"];
    assert.deepEqual(portRequests.get(sim.link).writes.slice(-saved.length).map((w) => w.bytes), saved);
    const lines = logLines(sim.readLog().slice(before.length), "(?:rx|tx)");
    figures.saveOnLineMs = (lines.at(-1).at - lines[0].at).toFixed(1);
    await context.close();
  },

  async "in a background tab the pieces stay 10 ms apart and the replies come within their stages"(browser, server) {
    const sim = startSim("hidden", []);
    const { page, context } = await openPage(browser, server, { granted: [{ link: sim.link, info: usb(8) }], offered: [] });
    // A second tab in front hides this one: its own timers now fire at most once a second.
    await (await context.newPage()).bringToFront();
    assert.equal(await page.evaluate(() => document.visibilityState), "hidden");
    // Puppeteer's waits do not return on a hidden page, nor does the save's question close
    // (Chromium holds the dialog's close event): a port session is asked as the buttons ask it.
    const results = await page.evaluate(async () => {
      const { PortSession } = await import("/port-session.js");
      const session = new PortSession((await navigator.serial.getPorts())[0]);
      return [await session.open("hidden"), await session.read(), await session.save(4, "2A5")];
    });
    assert.deepEqual(results.map((r) => r.status), ["ok", "ok", "ok"]);
    const writes = portRequests.get(sim.link).writes;
    assert.equal(writes.length, 15); // two read frames and three save frames
    figures.hiddenPieceGapsMs = checkPieceGaps(writes);
    await context.close();
  },

  async "BUZZ OFF sends bzoff and shows nothing"(browser, server) {
    const sim = startSim("buzz", []);
    const { page, context } = await openPage(browser, server, { granted: [{ link: sim.link, info: usb(3) }], offered: [] });
    await page.click("#com-open");
    await idle(page);
    await page.click("#buzz-off");
    await idle(page);
    assert.equal(await page.$("#message[open]"), null);
    assert.deepEqual(portRequests.get(sim.link).writes.slice(-3).map((w) => w.bytes), ["02", "62 7A 6F 66 66", "03 74"]);
    assert.match(sim.readLog(), /rx (?:02 )?62 7A 6F 66 66(?: 03 74\n|\n.*rx 03 74\n).*tx 02 4F 4B 03 07/);
    await context.close();
  },

  async "a silent device times out after 1000 ms, a wrong check byte says so"(browser, server) {
    const silent = startSim("silent", ["--fault", "no-answer"]);
    const garbled = startSim("garbled", ["--fault", "bad-check"]);
    const { page, context } = await openPage(browser, server, { granted: [{ link: silent.link, info: usb(4) }, { link: garbled.link, info: usb(5) }], offered: [] });
    await page.click("#com-open");
    const timeout = await answerMessage(page);
    assert.deepEqual([timeout.title, timeout.text], ["error", "Response reception timeout"]);
    await idle(page);
    const trace = (await text(page, "#frame-log")).trim().split("\n");
    const sent = Number(trace[0].trim().split(" ")[0]);
    const traceEnd = trace.length;
    // The one reply stage that ran out: from the command's last piece to the message.
    await page.click("#reading");
    await answerMessage(page);
    await idle(page);
    const again = (await text(page, "#frame-log")).trim().split("\n").slice(traceEnd);
    assert.equal(again.length, 1);
    assert.ok(sent >= 0);
    await page.click("#com-close");
    await idle(page);
    await page.select("#port-box", "1");
    await page.click("#com-open");
    const bcc = await answerMessage(page);
    assert.deepEqual([bcc.title, bcc.text], ["error", "Response BCC error"]);
    await context.close();
  },

  async "a reply stage reads for 1000 ms: late-check at 1200 ms times out"(browser, server) {
    const sim = startSim("late", ["--fault", "late-check"]);
    const { page, context } = await openPage(browser, server, { granted: [{ link: sim.link, info: usb(6) }], offered: [] });
    const started = Date.now();
    await page.click("#com-open");
    const shown = await answerMessage(page);
    assert.equal(shown.text, "Response reception timeout");
    const waited = shown.at - started;
    figures.lateCheckMessageAfterMs = waited;
    // Three pieces and one 1000 ms stage; a second stage, or a message before the stage ran
    // out, is a fault. What lies between the click and the message beyond that is the browser's.
    assert.ok(waited >= 1030 && waited < 2000, `message after ${waited} ms`);
    await context.close();
  },

  async "a device unplugged mid-reply says so at once, closes the port and offers to reconnect"(browser, server) {
    const sim = startSim("unplug", ["--fault", "unplug", "--fault-from", "2", "--fault-count", "1"]);
    const { page, context } = await openPage(browser, server, { granted: [{ link: sim.link, info: usb(7) }], offered: [] });
    await page.click("#com-open");
    const shown = await answerMessage(page);
    assert.equal(shown.text, "Communication port went away (adapter unplugged or its other end closed)");
    await page.waitForFunction(() => /unplugged: the port is closed/.test(document.querySelector("#status").textContent));
    assert.equal(await page.$eval("#com-open", (e) => e.disabled), false);
    // The simulator plugs the device in again after a few seconds.
    await page.waitForSelector("#reconnect", { timeout: 10000 });
    await page.click("#reconnect");
    await page.waitForFunction(() => /is open/.test(document.querySelector("#status").textContent));
    await idle(page);
    assert.equal(await value(page, "#identifier"), "7FF");
    await context.close();
  },

  async "of two identical adapters, the one unplugged while closed leaves the box and is never replaced"(browser, server) {
    const [one, two] = ["twin-1", "twin-2"].map((name) => startSim(name, []));
    const info = { usbVendorId: 0x0403, usbProductId: 0x6001 };
    const { page, context } = await openPage(browser, server, { granted: [one, two].map(({ link }) => ({ link, info })), offered: [] });
    await page.select("#port-box", "1");
    two.sim.kill();
    await page.waitForFunction(() => document.querySelector("#port-box").options.length === 1, { timeout: 5000 });
    assert.equal(await page.$eval("#port-box", (e) => e.selectedIndex), -1);
    assert.match(await text(page, "#status"), /pick the port again/);
    // The page's old port 2, asked for after it went: the worker finds no exact match and opens none.
    const stale = await page.evaluate(async () => {
      const { PortSession } = await import("/port-session.js");
      return new PortSession(navigator.serial.granted[1]).open("port 2");
    });
    assert.deepEqual([stale.status, stale.failure], ["cannot-open", "missing"]);
    assert.equal(portRequests.get(one.link), undefined);
    await context.close();
  },

  async "a failing worker ends its call with a message; a line error does not stop reading; close and open again; unplugged, it leaves the box"(browser, server) {
    const sim = startSim("worker", ["--id", "2A5"]);
    const { page, context } = await openPage(browser, server, { granted: [{ link: sim.link, info: usb(9) }], offered: [], rejectGetPorts: 1 });
    await page.click("#com-open");
    const refused = await answerMessage(page);
    assert.equal(refused.text, "Communication port can not be opened");
    assert.match(refused.detail, /serial ports failed \(The browser's serial service went away\.\): press COM OPEN again/);
    assert.equal((await answerMessage(page)).text, "Communication port not open");
    await idle(page);
    await page.click("#com-open");
    await page.waitForFunction(() => /is open/.test(document.querySelector("#status").textContent));
    await idle(page);
    sendToPorts(sim.link, "error FramingError");
    await page.$eval("#identifier", (e) => (e.value = ""));
    await page.click("#reading");
    await idle(page);
    assert.equal(await page.$("#message[open]"), null);
    assert.equal(await value(page, "#identifier"), "2A5");
    await page.click("#com-close");
    await idle(page);
    assert.equal(await text(page, "#status"), "The port is closed.");
    await page.click("#com-open");
    await page.waitForFunction(() => /is open/.test(document.querySelector("#status").textContent));
    await idle(page);
    sim.sim.kill();
    await page.waitForFunction(() => /unplugged: the port is closed/.test(document.querySelector("#status").textContent));
    assert.equal(await page.$eval("#port-box", (e) => e.options.length), 0);
    await context.close();
  },

  async "two builds served one after the other: the new one is offered, taken on Reload once the station stops, never mixed"(browser) {
    const root = path.join(work, "served");
    fs.cpSync(siteDir, root, { recursive: true });
    const own = await startServer(root, fakeSerial);
    const { page, context } = await openPage(browser, own, { granted: [], offered: [] });
    await page.evaluate(() => navigator.serviceWorker.ready);
    await page.reload();
    await page.waitForSelector("body:not([aria-busy]) #app:not([hidden])");
    const first = await releaseShown(page);
    fs.appendFileSync(path.join(root, "app.js"), "\nwindow.secondBuild = true;\n");
    // The release step, as the build that made the folder runs it (a build without one copies sw.js as it was).
    if (fs.existsSync(path.join(siteDir, "version.json"))) execFileSync("python3", [releaseScript, root, releaseTemplate, "2.0"]);
    await page.reload();
    await page.waitForSelector("body:not([aria-busy]) #app:not([hidden])");
    // This load still runs the first build whole; the second one waits to be accepted.
    assert.deepEqual([await releaseShown(page), await page.evaluate(() => window.secondBuild)], [first, undefined]);
    await page.waitForSelector("#update:not([hidden])", { timeout: 5000 });
    // A running station holds the reload back until it is stopped.
    await page.select("#bitrate", "2");
    await page.type("#identifier", "1b");
    await page.$eval("#station", (e) => (e.open = true));
    await page.click("#station-start");
    await answerMessage(page);
    await page.click("#update-reload");
    await page.waitForFunction(() => /stop the production station/.test(document.querySelector("#status").textContent));
    await Promise.all([page.waitForNavigation(), page.click("#station-stop")]);
    await page.waitForSelector("body:not([aria-busy]) #app:not([hidden])");
    assert.equal(await page.evaluate(() => window.secondBuild), true);
    assert.notEqual(await releaseShown(page), first);
    await context.close();
    own.closeAllConnections();
    own.close();
  },

  async "a page opened from a file or over plain http elsewhere says how to serve it"(browser, server) {
    const fromFile = await openPage(browser, server, { granted: [], offered: [] }, `file://${siteDir}/index.html`);
    assert.equal(await fromFile.page.$eval("#from-file", (e) => e.hidden), false);
    assert.match(await text(fromFile.page, "#from-file"), /http:\/\/localhost:8000\/.*https host/s);
    await fromFile.context.close();
    const elsewhere = await openPage(browser, server, "as-is", `http://quintrel.test:${server.address().port}/`);
    assert.equal(await elsewhere.page.$eval("#insecure", (e) => e.hidden), false);
    assert.match(await text(elsewhere.page, "#insecure"), /https.*localhost/s);
    assert.equal(await elsewhere.page.$eval("#no-serial", (e) => e.hidden), true);
    await elsewhere.context.close();
  },

  async "the identifier field keeps the window's rules"(browser, server) {
    const { page, context } = await openPage(browser, server, { granted: [], offered: [] });
    const field = "#identifier";
    await page.click(field);
    await page.keyboard.type("gx- ");
    assert.equal(await value(page, field), "0");
    await page.keyboard.type("a");
    assert.equal(await value(page, field), "A");
    await page.keyboard.press("Backspace");
    await page.keyboard.type("800");
    assert.equal(await value(page, field), "80");
    await page.keyboard.press("Backspace");
    await page.keyboard.press("Backspace");
    assert.equal(await value(page, field), "0");
    await page.keyboard.type("7ff1");
    assert.equal(await value(page, field), "7FF");
    const paste = (text) => page.$eval(field, (e, t) => {
      const data = new DataTransfer();
      data.setData("text/plain", t);
      e.dispatchEvent(new ClipboardEvent("paste", { clipboardData: data, bubbles: true, cancelable: true }));
    }, text);
    await paste("12G");
    assert.equal(await value(page, field), "7FF");
    await paste(" 0x2a5 ");
    assert.equal(await value(page, field), "2A5");
    await page.keyboard.down("Control");
    await page.keyboard.press("z");
    await page.keyboard.up("Control");
    assert.match(await value(page, field), /^[0-7]?[0-9A-F]{0,2}$/);
    await page.keyboard.press("Home");
    await page.keyboard.press("Delete");
    assert.equal(await page.$eval(field, (e) => e.selectionEnd), (await value(page, field)).length);
    await page.click("#reading");
    const closed = await answerMessage(page);
    assert.deepEqual([closed.title, closed.text], ["error", "Communication port not open"]);
    await context.close();
  },

  async "COM OPEN without a port says it cannot open, then that the port is not open"(browser, server) {
    const { page, context } = await openPage(browser, server, { granted: [], offered: [] });
    await page.click("#com-open");
    const first = await answerMessage(page);
    const second = await answerMessage(page);
    assert.deepEqual([first.title, first.text], ["", "Communication port can not be opened"]);
    assert.deepEqual([second.title, second.text], ["error", "Communication port not open"]);
    await context.close();
  },

  async "an open Linux refuses (NetworkError, SecurityError) says to join the dialout group"(browser, server) {
    const refusing = ["NetworkError", "SecurityError"].map((refuse, n) => ({ link: path.join(work, "refused"), info: usb(20 + n), refuse }));
    const { page, context } = await openPage(browser, server, { granted: refusing, offered: [] });
    for (const index of ["0", "1"]) {
      await page.select("#port-box", index);
      await page.click("#com-open");
      const refused = await answerMessage(page);
      assert.equal(refused.text, "Communication port can not be opened");
      assert.match(refused.detail, /add yourself to the dialout group \(sudo usermod -aG dialout \$USER\)/);
      assert.equal((await answerMessage(page)).text, "Communication port not open");
      await idle(page);
    }
    await context.close();
  },

  async "once loaded, the page opens with its server gone"(browser) {
    const own = await startServer(siteDir, fakeSerial);
    const { page, context } = await openPage(browser, own, { granted: [], offered: [] });
    await page.evaluate(() => navigator.serviceWorker.ready);
    own.closeAllConnections();
    await new Promise((resolve) => own.close(resolve));
    await page.reload();
    await page.waitForSelector("body:not([aria-busy]) #app:not([hidden])", { timeout: 5000 });
    await page.click("#reading");
    assert.equal((await answerMessage(page)).text, "Communication port not open");
    await context.close();
  },

  async "the keyboard reaches every control, Enter and Space press, each control is named"(browser, server) {
    const { page, context } = await openPage(browser, server, { granted: [], offered: [] });
    const count = await page.$$eval("button, select, input, summary, [tabindex]", (all) => all
      .filter((e) => !e.disabled && e.checkVisibility())
      .map((e, i) => (e.dataset.control = String(i))).length);
    const reached = [];
    for (let i = 0; i < count; i++) {
      await page.keyboard.press("Tab");
      reached.push(await page.evaluate(() => document.activeElement.dataset.control));
    }
    assert.deepEqual(reached, [...Array(count).keys()].map(String));
    for (let i = 0; i < count; i++) {
      const node = await page.accessibility.snapshot({ root: await page.$(`[data-control="${i}"]`), interestingOnly: false });
      assert.ok(node.name && node.name.trim(), `control ${i} (${node.role}) has no name for a screen reader`);
    }
    await page.focus("#reading");
    await page.keyboard.press("Space");
    assert.equal((await answerMessage(page)).text, "Communication port not open");
    await idle(page);
    await page.focus("#save-settings");
    await page.keyboard.press("Enter");
    assert.equal((await answerMessage(page, "Escape")).text, "Save settings ?");
    await context.close();
  },

  async "the station refuses CAN Invalid, asks once with its values, records what it wrote and read"(browser, server) {
    const base = path.join(work, "station");
    const sim = spawn(simPath, ["--count", "3", "--link", base, "--fault", "1:no-answer", "--log", `${base}.log`], { stdio: "ignore" });
    sims.push(sim);
    const devices = [1, 2, 3].map((n) => ({ link: `${base}-${n}`, info: usb(10 + n) }));
    const { page, context } = await openPage(browser, server, { granted: devices, offered: [] });
    await page.$eval("#station", (e) => (e.open = true));
    await page.click("#station-start");
    assert.match((await answerMessage(page)).text, /not CAN Invalid/);
    await page.select("#bitrate", "2");
    await page.click("#identifier");
    await page.keyboard.type("1b");
    await page.type("#station-label", "SN-42");
    await page.click("#station-start");
    const question = await answerMessage(page, "Escape");
    assert.match(question.text, /^Write bitrate 250kbps and identifier 0x1B to every device/);
    assert.equal(await page.$eval("#station-start", (e) => e.disabled), false);
    const started = Date.now();
    await page.click("#station-start");
    await answerMessage(page);
    await page.waitForFunction(() => document.querySelectorAll("#station-table tbody tr").length === 3, { timeout: 10000 });
    figures.stationThreeDevicesMs = Date.now() - started;
    const downloads = path.join(work, "downloads");
    const cdp = await page.createCDPSession();
    await cdp.send("Browser.setDownloadBehavior", { behavior: "allow", downloadPath: downloads, browserContextId: context.id });
    await page.click("#station-csv");
    const csv = path.join(downloads, "quintrel-station.csv");
    for (let i = 0; i < 50 && !fs.existsSync(csv); i++) await new Promise((r) => setTimeout(r, 100));
    const [header, ...rows] = fs.readFileSync(csv, "utf8").trim().split("\n");
    assert.equal(header, "port,usb_vendor_product,label,bitrate_written,identifier_written,bitrate_read,identifier_read,result,time,page_release");
    const byPort = Object.fromEntries(rows.map((row) => [row.split(",")[0], row.split(",").slice(1)]));
    // The label goes to port 1, whose configuration starts first, though it finishes last.
    assert.equal(rows.filter((row) => row.includes(",SN-42,")).length, 1);
    assert.equal(byPort["port 1"][1], "SN-42");
    for (const port of ["port 2", "port 3"]) {
      assert.deepEqual(byPort[port].slice(0, 7).filter((_, i) => i !== 1), ["0403:6001", "250kbps", "1B", "250kbps", "1B", "verified"]);
    }
    assert.deepEqual(byPort["port 1"].slice(4, 7), ["", "", "failed: Response reception timeout"]);
    for (const row of Object.values(byPort)) assert.equal(`Release ${row.at(-1)}`, await text(page, "#release"));
    // The record export: every save kept in the page, in the file quintrel-cli record --import takes.
    await page.click("#station-export");
    const exported = path.join(downloads, "quintrel-record.json");
    for (let i = 0; i < 50 && !fs.existsSync(exported); i++) await new Promise((r) => setTimeout(r, 100));
    const record = JSON.parse(fs.readFileSync(exported, "utf8"));
    assert.deepEqual([record.format, record.version, record.rows.length], ["quintrel-record", 1, 3]);
    const fields = ["time", "station", "operator", "port", "by_id", "usb_id", "usb_serial", "label", "bitrate_before",
      "identifier_before", "bitrate_written", "identifier_written", "identifier_source", "verify", "ok", "message",
      "exit_code", "duration_ms"];
    for (const row of record.rows) {
      assert.deepEqual(Object.keys(row), fields);
      assert.match(row.time, /^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z$/);
      assert.deepEqual([row.station, row.operator, row.port, row.usb_id], ["browser", "", "0403:6001", "0403:6001"]);
      assert.deepEqual([row.bitrate_written, row.identifier_written, row.identifier_source], ["250kbps", "1B", "given"]);
    }
    const outcomes = record.rows.map((row) => [row.label, row.ok, row.verify, row.exit_code, row.message]).sort();
    assert.deepEqual(outcomes, [["", true, "ok", 0, "Saved !!!"], ["", true, "ok", 0, "Saved !!!"],
      ["SN-42", false, "", 1, "Response reception timeout"]]);
    await page.screenshot({ path: path.join(shotDir, "web-production-station.png"), fullPage: true });
    await context.close();
  },

  async "a browser without Web Serial gets the page that names the alternatives"(browser, server) {
    const { page, context } = await openPage(browser, server, "no-serial");
    assert.equal(await page.$eval("#app", (e) => e.hidden), true);
    const notice = await text(page, "#no-serial");
    assert.match(notice, /Chromium-based/);
    assert.match(notice, /Quintrel\.exe/);
    assert.match(notice, /quintrel-cli/);
    await context.close();
  },
};

async function main() {
  fs.mkdirSync(shotDir, { recursive: true });
  const server = await startServer(siteDir, fakeSerial);
  const browser = await puppeteer.launch({
    executablePath: "/usr/bin/chromium",
    // A background tab is throttled as in a user's browser, which puppeteer turns off by default.
    ignoreDefaultArgs: ["--disable-background-timer-throttling", "--disable-backgrounding-occluded-windows",
      "--disable-renderer-backgrounding"],
    userDataDir: path.join(work, "profile"),
    // quintrel.test: this machine under a name that is not localhost, an insecure context.
    args: ["--headless", "--no-sandbox", "--host-resolver-rules=MAP quintrel.test 127.0.0.1", "--disable-gpu", "--disable-quic", "--no-first-run",
      "--disable-background-networking", "--disable-component-update", "--disable-sync"],
  });
  let failed = 0;
  const only = process.env.QUINTREL_WEB_TEST;
  for (const [name, test] of Object.entries(tests)) {
    if (only && !name.includes(only)) continue;
    const started = Date.now();
    try {
      await test(browser, server);
      console.log(`ok   ${name} (${Date.now() - started} ms)`);
    } catch (error) {
      failed++;
      console.log(`FAIL ${name}\n${error.stack}`);
    }
  }
  await browser.close();
  server.close();
  for (const sim of sims) sim.kill();
  console.log("figures:", JSON.stringify(figures, null, 1));
  fs.rmSync(work, { recursive: true, force: true });
  process.exit(failed ? 1 : 0);
}

main();
