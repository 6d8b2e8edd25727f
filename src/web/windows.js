// The page's windows: the records of the main window, the dialogs, the
// message boxes and the statistics tool window, the desk they sit on, their
// frames and their geometry, all drawn in the classic look. Their messages
// go to the program through the loop in program.js.

// Frame metrics of the classic scheme, as the Wine prefix has them.
const FRAME = 4, DIALOG_FRAME = 3, CAPTION = 19, SMALL_CAPTION = 17, MENU_BAR = 19;

const screenSize = { width: 1024, height: 768 };  // the desk, in client pixels
const windows = new Map();  // hwnd -> window
let mainWindow = null;
let zOrder = 10;

function desk() {
  return document.getElementById("desk");
}

function element(tag, className, parent) {
  const e = document.createElement(tag);
  if (className) e.className = className;
  if (parent) parent.appendChild(e);
  return e;
}

// The page speaks Chinese (lang="zh-CN"); a text of ASCII letters alone, such
// as the program's English messages and the players' names, is marked
// English so that a screen reader says it in English.
function speakAs(e, text) {
  if (/[A-Za-z]/.test(text) && /^[\x20-\x7e\s]*$/.test(text)) e.lang = "en";
  else e.removeAttribute("lang");
  return e;
}

function windowOf(hwnd) {
  return windows.get(hwnd >>> 0) || null;
}

function windowDisabled(w) {
  return !!w && w.disabled > 0;
}

function disable(w, on) {
  if (!w) return;
  w.disabled += on ? 1 : -1;
  w.el.classList.toggle("disabled", w.disabled > 0);
}

// Brings a window to the front and, unless it is told not to, makes it the
// active one.
function raise(w, activate = true) {
  w.el.style.zIndex = String(++zOrder);
  if (activate) for (const other of windows.values()) other.el.classList.toggle("active", other === w);
}

// ---- geometry ----------------------------------------------------------------------------

function placeWindow(w, x, y, width, height) {
  w.x = x;
  w.y = y;
  w.width = width;
  w.height = height;
  w.el.style.left = `${x}px`;
  w.el.style.top = `${y}px`;
  w.el.style.width = `${width}px`;
  w.el.style.height = `${height}px`;
  const c = clientBox(w);
  w.clientEl.style.left = `${c.x}px`;
  w.clientEl.style.top = `${c.y}px`;
  w.clientEl.style.width = `${c.width}px`;
  w.clientEl.style.height = `${c.height}px`;
  if (w.surface) sizeSurface(w, c.width, c.height);
}

// The client area inside the frame, in window coordinates.
function clientBox(w) {
  const border = w.kind === "main" ? FRAME : DIALOG_FRAME;
  const top = border + (w.kind === "tool" ? SMALL_CAPTION : CAPTION) + (w.menu ? MENU_BAR : 0);
  return {
    x: border, y: top,
    width: Math.max(0, w.width - 2 * border), height: Math.max(0, w.height - top - border),
  };
}

// A canvas client area, its backing store at the page's device scale.
function makeSurface(w, canvas) {
  const surface = { canvas, ctx: null, scale: 1, width: 0, height: 0 };
  surface.onDrawn = () => {
    if (w === mainWindow && !programFacts.firstPaint && w.shown && w.paintedOnce) programFacts.firstPaint = performance.now();
  };
  w.surface = surface;
  return surface;
}

function sizeSurface(w, width, height) {
  const s = w.surface;
  const scale = deviceScale();
  const backingWidth = Math.max(1, Math.round(width * scale)), backingHeight = Math.max(1, Math.round(height * scale));
  s.canvas.style.width = `${width}px`;
  s.canvas.style.height = `${height}px`;
  if (s.width === width && s.height === height && s.scale === scale && s.ctx) return;
  // The old picture, stretched, stands in until the program repaints.
  let old = null;
  if (s.ctx && s.canvas.width > 1) {
    old = document.createElement("canvas");
    old.width = s.canvas.width;
    old.height = s.canvas.height;
    old.getContext("2d").drawImage(s.canvas, 0, 0);
  }
  s.canvas.width = backingWidth;
  s.canvas.height = backingHeight;
  s.ctx = s.canvas.getContext("2d", { willReadFrequently: true });
  s.ctx.imageSmoothingEnabled = false;
  s.ctx.fillStyle = w.kind === "main" ? "#000" : css(sysColour(15));
  s.ctx.fillRect(0, 0, backingWidth, backingHeight);
  if (old) s.ctx.drawImage(old, 0, 0, old.width, old.height, 0, 0, Math.round(s.width * scale), Math.round(s.height * scale));
  s.width = width;
  s.height = height;
  s.scale = scale;
}

function rescaleSurfaces() {
  for (const w of windows.values()) {
    if (!w.surface) continue;
    const c = clientBox(w);
    const before = w.surface.scale;
    sizeSurface(w, c.width, c.height);
    if (w.surface.scale !== before) invalidate(w, true);
  }
}

// ---- frames --------------------------------------------------------------------------------

function makeFrame(kind, title, windowClass) {
  const w = {
    kind, title, windowClass, hwnd: 0, el: null, clientEl: null, surface: null, disabled: 0,
    dirty: false, erase: false, x: 0, y: 0, width: 0, height: 0, menu: null, controls: new Map(),
    defId: 0, owner: null, proc: 0, shown: false,
  };
  w.hwnd = newHandle({ kind: "window", window: w });
  windows.set(w.hwnd, w);
  w.el = element("div", `window ${kind}`, desk());
  w.el.dataset.title = title;
  w.el.dataset.class = windowClass;
  w.el.dataset.hwnd = String(w.hwnd);
  w.el.tabIndex = -1;
  w.el.style.visibility = "hidden";
  const caption = element("div", "caption", w.el);
  if (kind === "main") {
    const icon = element("canvas", "icon", caption);
    drawIcon(icon);
  }
  const titleEl = element("span", "title", caption);
  titleEl.textContent = title;
  titleEl.id = `window-${w.hwnd}-title`;
  speakAs(titleEl, title);
  const buttons = element("div", "caption-buttons", caption);
  if (kind === "main") {
    captionButton(buttons, "minimise", () => minimiseMain());
    captionButton(buttons, "maximise", () => toggleMaximise());
  }
  captionButton(buttons, "close", () => closeBox(w));
  // The main window's role is the board's; the others are dialogs named by
  // their caption, modal but for the statistics window.
  if (kind !== "main") {
    w.el.setAttribute("role", kind === "box" ? "alertdialog" : "dialog");
    w.el.setAttribute("aria-labelledby", titleEl.id);
    if (kind !== "tool") w.el.setAttribute("aria-modal", "true");
  }
  caption.addEventListener("pointerdown", (event) => dragWindow(w, event));
  caption.addEventListener("dblclick", (event) => {
    if (kind === "main" && !event.target.closest(".caption-buttons")) toggleMaximise();
  });
  w.caption = caption;
  w.el.addEventListener("pointerdown", (event) => {
    if (!windowDisabled(w)) raise(w);
    else if (!event.target.closest("canvas.client")) {
      event.preventDefault();
      focusModal();
    }
  }, true);
  w.el.addEventListener("focusin", () => {
    if (!windowDisabled(w) && !w.el.classList.contains("active")) raise(w);
  });
  return w;
}

// The caption buttons' names, as the Chinese Windows says them.
const CAPTION_BUTTON_NAMES = { minimise: "最小化", maximise: "最大化", close: "关闭" };

function captionButton(parent, name, action) {
  const b = element("button", `caption-button ${name}`, parent);
  b.tabIndex = -1;
  b.setAttribute("aria-label", CAPTION_BUTTON_NAMES[name]);
  b.dataset.button = name;
  b.addEventListener("pointerdown", (event) => event.stopPropagation());
  b.addEventListener("click", (event) => {
    event.stopPropagation();
    action();
  });
  return b;
}

function closeBox(w) {
  if (windowDisabled(w)) return;
  if (w.kind === "box") {
    endBox(w);
    return;
  }
  sendLater(w, WM_CLOSE, 0, 0);
}

function dragWindow(w, event) {
  if (event.button !== 0 || event.target.closest(".caption-buttons") || windowDisabled(w) || w.maximised) return;
  event.preventDefault();
  const k = deskScale();
  const start = { x: event.clientX, y: event.clientY, left: w.x, top: w.y };
  const move = (e) => {
    placeWindow(w, start.left + Math.round((e.clientX - start.x) / k), start.top + Math.round((e.clientY - start.y) / k), w.width, w.height);
  };
  const up = () => {
    window.removeEventListener("pointermove", move);
    window.removeEventListener("pointerup", up);
  };
  window.addEventListener("pointermove", move);
  window.addEventListener("pointerup", up);
}

function drawIcon(canvas) {
  const icon = iconBitmap();
  canvas.width = 16;
  canvas.height = 16;
  const ctx = canvas.getContext("2d");
  ctx.drawImage(icon.canvas, 0, 0, icon.width, icon.height, 0, 0, 16, 16);
}

// ---- removing windows ----------------------------------------------------------------------

function removeWindow(w) {
  if (!windows.has(w.hwnd)) return;
  windows.delete(w.hwnd);
  objects.delete(w.hwnd);
  w.el.remove();
  for (const [key, t] of timers) {
    if (t.window === w) {
      clearInterval(t.interval);
      timers.delete(key);
    }
  }
}

function closeAllWindows() {
  for (const w of [...windows.values()]) removeWindow(w);
  mainWindow = null;
}
