// The main window: its creation and first showing, and its sizing by the
// frame's edges, maximise, minimise and restore, and the desk's size.

function startMainWindow(hwnd) {
  const w = windowOf(hwnd);
  // As CreateWindowEx: the game is dealt while the window is still hidden.
  post(w, "internal", () => deliver(w, WM_CREATE, 0, 0));
  post(w, "internal", () => sendSize(w));
  post(w, "internal", () => {
    w.shown = true;
    w.el.style.visibility = "visible";
    raise(w);
    w.el.focus({ preventScroll: true });
    invalidate(w, true);
  });
}

function sendSize(w) {
  const c = clientBox(w);
  const size = w.minimised ? 0 : ((c.width & 0xffff) | ((c.height & 0xffff) << 16));
  deliver(w, WM_SIZE, w.minimised ? 1 : 0, size);
}

function createMainWindow(titleAddress, x, y, width, height) {
  const title = decodeGbk(memory().cString(titleAddress));
  const w = makeFrame("main", title, "VexalWindow");
  mainWindow = w;
  w.el.setAttribute("role", "group");
  w.el.setAttribute("aria-labelledby", `window-${w.hwnd}-title`);
  w.menu = buildMenuBar(w);
  const canvas = element("canvas", "client", w.el);
  w.clientEl = canvas;
  makeSurface(w, canvas);
  buildBoardGrid(w);
  placeWindow(w, x, y, width, height);
  w.restore = { x, y, width, height };
  attachPointer(w);
  attachSizing(w);
  return w.hwnd;
}

function minTrackSize(w) {
  const scratch = program.exports.VexalScratch();
  const m = memory();
  for (let i = 0; i < 40; i += 4) m.setI32(scratch + i, 0);
  sendNow(w, WM_GETMINMAXINFO, 0, scratch);
  return { width: m.i32(scratch + 24), height: m.i32(scratch + 28) };
}

// The sizing edges: the frame's border, as WM_GETMINMAXINFO allows.
function attachSizing(w) {
  for (const side of ["n", "s", "e", "w", "ne", "nw", "se", "sw"]) {
    const handle = element("div", `sizer sizer-${side}`, w.el);
    handle.addEventListener("pointerdown", (event) => {
      if (event.button !== 0 || w.maximised || !canSize(w)) return;
      event.preventDefault();
      event.stopPropagation();
      const min = minTrackSize(w);
      const k = deskScale();
      const start = { x: event.clientX, y: event.clientY, left: w.x, top: w.y, width: w.width, height: w.height };
      const move = (e) => {
        const dx = Math.round((e.clientX - start.x) / k), dy = Math.round((e.clientY - start.y) / k);
        let { left, top, width, height } = start;
        if (side.includes("e")) width = Math.max(min.width, start.width + dx);
        if (side.includes("s")) height = Math.max(min.height, start.height + dy);
        if (side.includes("w")) {
          width = Math.max(min.width, start.width - dx);
          left = start.left + start.width - width;
        }
        if (side.includes("n")) {
          height = Math.max(min.height, start.height - dy);
          top = start.top + start.height - height;
        }
        resizeMain(left, top, width, height);
      };
      const up = () => {
        window.removeEventListener("pointermove", move);
        window.removeEventListener("pointerup", up);
      };
      window.addEventListener("pointermove", move);
      window.addEventListener("pointerup", up);
    });
  }
}

// On Windows a window is sized through its own messages: not while the game
// pauses, not while a modal window disables it.
function canSize(w) {
  return program && !program.ended && !program.running && program.suspended.length === 0 && !windowDisabled(w);
}

function resizeMain(x, y, width, height) {
  const w = mainWindow;
  if (w.width === width && w.height === height) {
    placeWindow(w, x, y, width, height);
    return;
  }
  placeWindow(w, x, y, width, height);
  post(w, "internal", () => sendSize(w));
  invalidate(w, true);
}

function toggleMaximise() {
  const w = mainWindow;
  if (!w || !canSize(w)) return;
  if (w.maximised) {
    w.maximised = false;
    w.el.classList.remove("maximised");
    const r = w.restore;
    resizeMain(r.x, r.y, r.width, r.height);
  } else {
    w.restore = { x: w.x, y: w.y, width: w.width, height: w.height };
    w.maximised = true;
    w.el.classList.add("maximised");
    const min = minTrackSize(w);
    resizeMain(0, 0, Math.max(min.width, screenSize.width), Math.max(min.height, screenSize.height));
  }
}

function minimiseMain() {
  const w = mainWindow;
  if (!w || !canSize(w) || w.minimised) return;
  w.minimised = true;
  w.el.style.visibility = "hidden";
  taskButton(true);
  post(w, "internal", () => sendSize(w));
}

function restoreMain() {
  const w = mainWindow;
  if (!w || !w.minimised) return;
  w.minimised = false;
  w.el.style.visibility = "visible";
  taskButton(false);
  raise(w);
  w.el.focus({ preventScroll: true });
  post(w, "internal", () => sendSize(w));
  invalidate(w, true);
}

// The window follows the desk when the page's size changes: maximised it
// fills it, otherwise it stays centred as long as it has not been moved.
function followDesk() {
  const w = mainWindow;
  if (!w || w.minimised) return;
  if (w.maximised && canSize(w)) {
    resizeMain(0, 0, Math.max(w.width, screenSize.width), Math.max(w.height, screenSize.height));
  } else if (!w.maximised) {
    placeWindow(w, Math.trunc((screenSize.width - w.width) / 2), Math.trunc((screenSize.height - w.height) / 2), w.width, w.height);
  }
  for (const other of windows.values()) {
    if (other.kind === "dialog" || other.kind === "box") {
      placeWindow(other, Math.trunc((screenSize.width - other.width) / 2), Math.trunc((screenSize.height - other.height) / 2), other.width, other.height);
    }
  }
}
