// One port's worker: the core (quintrel-core.wasm) runs here and opens the port itself, so its
// 10 ms pauses and 2 ms reads keep their length even while the tab is hidden or its thread is
// busy. The page sends one operation at a time; a second one while the first still waits is
// refused.
"use strict";

importScripts("serial-channel.js", "quintrel-core.js");

let running = false;

globalThis.quintrelSerial = new SerialChannel();

const ready = QuintrelCore();

const operations = {
  open: (core, [name, identity]) => {
    globalThis.quintrelSerial.choose(identity);
    return core.ccall("quintrel_open", "string", ["string"], [name], { async: true });
  },
  read: (core) => core.ccall("quintrel_read", "string", [], [], { async: true }),
  save: (core, args) =>
    core.ccall("quintrel_save", "string", ["number", "string"], args, { async: true }),
  buzzerOff: (core) => core.ccall("quintrel_buzzer_off", "string", [], [], { async: true }),
  close: async (core) => {
    const answer = core.ccall("quintrel_close", "string", [], []);
    await globalThis.quintrelSerial.close();
    return answer;
  },
};

onmessage = async (event) => {
  const message = event.data;
  if (running) {
    // A module holds one suspended call only: a second one would corrupt the first.
    postMessage({ id: message.id, result: { ok: false, status: "busy" }, trace: "" });
    return;
  }
  running = true;
  const core = await ready;
  const result = JSON.parse(await operations[message.op](core, message.args || []));
  running = false;
  const trace = core.ccall("quintrel_take_trace", "string", [], []);
  postMessage({ id: message.id, result, trace });
};
