// Time for the program: its pause, its clock and its windows' timers.

const timers = new Map();  // "hwnd:id" -> {window, id, interval, pending}

function stopTimers() {
  for (const t of timers.values()) clearInterval(t.interval);
  timers.clear();
}

const timeImports = {
  WebPause: (milliseconds) => {
    if (rewinding()) {
      finishRewind();
      return;
    }
    const call = suspendRunning({ kind: "pause" });
    setTimeout(() => wake(call, 0), milliseconds);
  },
  GetTickCount: () => Math.floor(performance.timeOrigin + performance.now()) >>> 0,
  SetTimer: (hwnd, id, milliseconds) => {
    const w = windowOf(hwnd);
    if (!w) return 0;
    const key = `${hwnd}:${id}`;
    if (timers.has(key)) clearInterval(timers.get(key).interval);
    const t = { window: w, id, pending: false, interval: 0 };
    t.interval = setInterval(() => {
      t.pending = true;
      schedulePump();
    }, Math.max(10, milliseconds));
    timers.set(key, t);
    return id;
  },
  KillTimer: (hwnd, id) => {
    const key = `${hwnd}:${id}`;
    const t = timers.get(key);
    if (!t) return 0;
    clearInterval(t.interval);
    timers.delete(key);
    return 1;
  },
};
