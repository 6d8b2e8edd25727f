// The program in the page: the WebAssembly instance, the calls into it and
// the page's message loop. Every message is one call into the program. A
// call that pauses (an animation frame), waits for the browser's storage, or
// opens a message box or a modal dialog, is suspended by Asyncify and resumed
// when its wait is over, so the game's code keeps its synchronous shape. As
// on Windows: during a pause no message is handled and input waits in the
// queue for the end of the turn (so too while the storage answers);
// while a modal window is open its owner takes no input, but timers, paints
// and the modal window's own messages are handled.
//
// A call made while others are suspended runs on the program's stack below
// theirs: a suspended call's frames stay where they are in linear memory, and
// their bytes are checked when the call resumes.

const UNWINDING = 1, REWINDING = 2;

let program = null;

function memory() {
  const buffer = program.exports.memory.buffer;
  if (!program.view || program.view.buffer !== buffer) {
    const data = new DataView(buffer), bytes = new Uint8Array(buffer);
    program.view = {
      buffer,
      bytes: () => bytes,
      i32: (a) => data.getInt32(a, true),
      u32: (a) => data.getUint32(a, true),
      u16: (a) => data.getUint16(a, true),
      setI32: (a, v) => data.setInt32(a, v, true),
      cString: (a) => {
        let end = a;
        while (bytes[end] !== 0) ++end;
        return bytes.slice(a, end);
      },
    };
  }
  return program.view;
}

// What the page keeps about its program, for the player's and the tests' eyes.
const programFacts = {
  started: 0, firstPaint: 0, stackChecks: 0, stackDamage: 0, beeps: 0, ended: null,
  browserText: 0,  // characters drawn by the browser's text, not from Wine's glyphs
};

// ---- calls into the program -----------------------------------------------------------

function newCall(entry, args) {
  const e = program.exports;
  let slot = program.freeSlots.pop();
  if (slot === undefined) throw new Error("too many calls are suspended at once");
  return { entry, args, slot, base: e.__stack_pointer.value, sp: 0, wait: null, ready: false, value: 0, hash: 0 };
}

function slotAddress(call) {
  return program.exports.VexalAsyncSlot(call.slot);
}

function stackHash(from, to) {
  const bytes = memory().bytes();
  let h = 0x811c9dc5;
  for (let i = from; i < to; ++i) h = Math.imul(h ^ bytes[i], 0x01000193);
  return h >>> 0;
}

function runCall(call, resuming) {
  const e = program.exports;
  if (resuming) {
    // Its frames must be as it left them.
    programFacts.stackChecks += 1;
    if (stackHash(call.sp, call.base) !== call.hash) {
      programFacts.stackDamage += 1;
      console.error(`Vexal: a suspended call's stack frames changed (${call.entry})`);
    }
    e.__stack_pointer.value = call.sp;
    e.asyncify_start_rewind(slotAddress(call));
  }
  program.running = call;
  let result;
  try {
    result = e[call.entry](...call.args);
  } finally {
    program.running = null;
  }
  if (e.asyncify_get_state() === UNWINDING) {
    e.asyncify_stop_unwind();
    call.sp = e.__stack_pointer.value;
    call.hash = stackHash(call.sp, call.base);
    program.suspended.push(call);
    return undefined;
  }
  program.freeSlots.push(call.slot);
  return result;
}

// A call from the page's loop; it may be suspended.
function callProgram(entry, ...args) {
  return runCall(newCall(entry, args), false);
}

// Inside a call, from a suspending import: the call stops here until wake().
function suspendRunning(wait) {
  const call = program.running;
  call.wait = wait;
  call.ready = false;
  const slot = slotAddress(call);
  memory().setI32(slot, slot + 8);
  memory().setI32(slot + 4, slot + program.exports.VexalAsyncSlotBytes());
  program.exports.asyncify_start_unwind(slot);
  return call;
}

function rewinding() {
  return program.exports.asyncify_get_state() === REWINDING;
}

// In a suspending import as the call is resumed: the value its wait ended with.
function finishRewind() {
  program.exports.asyncify_stop_rewind();
  return program.running.value;
}

function wake(call, value) {
  call.ready = true;
  call.value = value | 0;
  schedulePump();
}

// ---- the message loop --------------------------------------------------------------------

const queue = [];  // {window, kind: "input" | "dialog" | "internal" | "idle", run}

function post(window, kind, run) {
  if (!program || program.ended) return;
  queue.push({ window, kind, run });
  schedulePump();
}

let pumpScheduled = false;
function schedulePump() {
  if (pumpScheduled) return;
  pumpScheduled = true;
  queueMicrotask(() => {
    pumpScheduled = false;
    pump();
  });
}

function topCall() {
  return program.suspended[program.suspended.length - 1] || null;
}

function nextMessage() {
  const top = topCall();
  const modal = top !== null;
  for (let i = 0; i < queue.length; ++i) {
    const m = queue[i];
    // Input for a window that a modal window has disabled is lost, as on Windows.
    if (modal && m.kind === "input" && windowDisabled(m.window)) {
      queue.splice(i--, 1);
      continue;
    }
    if (m.kind === "dialog" && windowDisabled(m.window)) continue;
    // Work that must not land inside a suspended call waits until none is.
    if (m.kind === "idle" && modal) continue;
    queue.splice(i, 1);
    return m.run;
  }
  return paintOrTimerMessage();
}

let pumping = false;
function pump() {
  if (!program || pumping || program.running) return;
  pumping = true;
  try {
    for (;;) {
      if (program.ended) break;
      const top = topCall();
      if (top && top.ready) {
        program.suspended.pop();
        runCall(top, true);
        continue;
      }
      // A pause, or the wait for the browser's storage, holds every message back.
      if (top && (top.wait.kind === "pause" || top.wait.kind === "store")) break;
      const run = nextMessage();
      if (!run) break;
      run();
    }
  } finally {
    pumping = false;
  }
  const top = topCall();
  if (!program.ended && !(top && (top.wait.kind === "pause" || top.wait.kind === "store"))) accessRest();
  if (program.quitCode !== null && !program.ended && !program.running && program.suspended.length === 0) endProgram();
}

// ---- starting and ending -------------------------------------------------------------------

async function compileProgram() {
  const bytes = await inflate(base64Bytes(RESOURCES.program));
  return WebAssembly.compile(bytes);
}

async function inflate(bytes) {
  const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream("gzip"));
  return new Uint8Array(await new Response(stream).arrayBuffer());
}

function startProgram(module) {
  const imports = { env: Object.assign({}, gdiImports, windowImports, fileImports, timeImports) };
  const instance = new WebAssembly.Instance(module, imports);
  program = {
    exports: instance.exports, view: null, running: null, suspended: [], freeSlots: [7, 6, 5, 4, 3, 2, 1, 0],
    quitCode: null, ended: false,
  };
  queue.length = 0;
  programFacts.started = performance.now();
  programFacts.firstPaint = 0;
  programFacts.ended = null;
  const main = program.exports.VexalMain();
  startMainWindow(main);
}

function endProgram() {
  program.ended = true;
  programFacts.ended = program.quitCode;
  queue.length = 0;
  stopTimers();
  closeAllWindows();
  showEnded();
}
