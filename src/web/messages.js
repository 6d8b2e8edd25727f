// Messages for the windows: sent later through the page's queue, or at once
// inside the call that causes them; and the paints and timer ticks the queue
// takes when no other message waits.

const WM_CREATE = 0x1, WM_DESTROY = 0x2, WM_SIZE = 0x5, WM_PAINT = 0xf, WM_CLOSE = 0x10;
const WM_GETMINMAXINFO = 0x24, WM_INITDIALOG = 0x110, WM_COMMAND = 0x111, WM_TIMER = 0x113;
const WM_KEYDOWN = 0x100, WM_LBUTTONDOWN = 0x201, WM_LBUTTONUP = 0x202, DM_SETDEFID = 0x401;

// A message for a window, handled when the loop takes it.
function sendLater(w, message, wParam, lParam, kind = "dialog") {
  post(w, kind, () => deliver(w, message, wParam, lParam));
}

function deliver(w, message, wParam, lParam) {
  if (!windows.has(w.hwnd)) return undefined;
  if (w.kind === "main") {
    noteCause(message, wParam);
    return callProgram("VexalMessage", w.hwnd, message, wParam, lParam);
  }
  if (w.proc) return callProgram("VexalDialogMessage", w.proc, w.hwnd, message, wParam, lParam);
  return undefined;
}

// A message handled at once, inside the call that causes it (it must not pause).
function sendNow(w, message, wParam, lParam) {
  const e = program.exports;
  if (w.kind === "main") return e.VexalMessage(w.hwnd, message, wParam, lParam);
  return e.VexalDialogMessage(w.proc, w.hwnd, message, wParam, lParam);
}

function invalidate(w, erase) {
  if (!w) return;
  w.dirty = true;
  w.erase = w.erase || !!erase;
  schedulePump();
}

function paintOrTimerMessage() {
  for (const w of windows.values()) {
    if (!w.dirty || !w.shown || !w.surface) continue;
    w.dirty = false;
    return () => {
      if (!windows.has(w.hwnd)) return;
      if (w.erase) {
        const s = w.surface;
        s.ctx.fillStyle = w.kind === "main" ? "#000" : css(sysColour(15));
        s.ctx.fillRect(0, 0, s.canvas.width, s.canvas.height);
        w.erase = false;
      }
      w.paintedOnce = true;
      deliver(w, WM_PAINT, 0, 0);
    };
  }
  for (const t of timers.values()) {
    if (!t.pending) continue;
    t.pending = false;
    return () => deliver(t.window, WM_TIMER, t.id, 0);
  }
  return null;
}
