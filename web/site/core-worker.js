// One port's worker: the core (quintrel-core.wasm) runs here and opens the port itself, so its
// 10 ms pauses and 2 ms reads keep their length even while the tab is hidden or its thread is
// busy. The page sends one operation at a time; a second one while the first still waits is
// refused. Every operation answers, also when it failed.
import QuintrelCore from "./quintrel-core.js";
import { SerialChannel, failureText } from "./serial-channel.js";

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
  saveVerified: (core, args) =>
    core.ccall("quintrel_save_verified", "string", ["number", "string"], args, { async: true }),
  buzzerOff: (core) => core.ccall("quintrel_buzzer_off", "string", [], [], { async: true }),
};

// The answer to an operation that threw: the page shows it, and COM CLOSE then COM OPEN start a
// fresh worker.
function failure(error) {
  return {
    ok: false,
    status: "worker-failed",
    title: "error",
    message: `The port's worker failed: ${failureText(error)}`,
    reason: "press COM CLOSE, then COM OPEN to start again",
  };
}

// Closing also while a call runs (the page's queue lets none run, a stuck one included): the core
// forgets the device when it is idle, and the port lets go of its streams in any case.
async function close(core, idle) {
  if (idle) core.ccall("quintrel_close", "string", [], []);
  await globalThis.quintrelSerial.close();
  return { ok: true, status: "ok" };
}

async function run(message, idle) {
  const core = await ready;
  if (message.op === "close") return close(core, idle);
  return JSON.parse(await operations[message.op](core, message.args || []));
}

onmessage = async (event) => {
  const message = event.data;
  if (running && message.op !== "close") {
    // A module holds one suspended call only: a second one would corrupt the first.
    postMessage({ id: message.id, result: { ok: false, status: "busy" }, trace: "" });
    return;
  }
  const owns = !running;
  running = true;
  let result;
  try {
    result = await run(message, owns);
  } catch (error) {
    result = failure(error);
  } finally {
    if (owns) running = false;
  }
  const core = await ready.catch(() => null);
  const trace = core ? core.ccall("quintrel_take_trace", "string", [], []) : "";
  postMessage({ id: message.id, result, trace });
};
