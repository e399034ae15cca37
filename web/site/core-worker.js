// One port's worker: the core (quintrel-core.wasm) runs here, where its 10 ms pauses and 2 ms
// reads keep their length even while the tab is hidden. The page sends one operation at a time;
// the core refuses a second one while the first still waits.
"use strict";

importScripts("serial-channel.js", "quintrel-core.js");

let nextRequest = 1;
let running = false;
const pending = new Map();

function askPage(request) {
  const id = nextRequest++;
  return new Promise((resolve) => {
    pending.set(id, resolve);
    postMessage({ kind: "request", id, request });
  });
}

globalThis.quintrelSerial = new SerialChannel(askPage);

const ready = QuintrelCore();

const operations = {
  open: (core, args) => core.ccall("quintrel_open", "string", ["string"], args, { async: true }),
  read: (core) => core.ccall("quintrel_read", "string", [], [], { async: true }),
  save: (core, args) =>
    core.ccall("quintrel_save", "string", ["number", "string"], args, { async: true }),
  buzzerOff: (core) => core.ccall("quintrel_buzzer_off", "string", [], [], { async: true }),
  close: async (core) => {
    const answer = core.ccall("quintrel_close", "string", [], []);
    await globalThis.quintrelSerial.release();
    return answer;
  },
};

onmessage = async (event) => {
  const message = event.data;
  if (message.kind === "answer") {
    const resolve = pending.get(message.id);
    pending.delete(message.id);
    resolve(message.answer);
    return;
  }
  if (running) {
    // A module holds one suspended call only: a second one would corrupt the first.
    postMessage({ kind: "result", id: message.id, result: { ok: false, status: "busy" }, trace: "" });
    return;
  }
  running = true;
  const core = await ready;
  const result = JSON.parse(await operations[message.op](core, message.args || []));
  running = false;
  const trace = core.ccall("quintrel_take_trace", "string", [], []);
  postMessage({ kind: "result", id: message.id, result, trace });
};
