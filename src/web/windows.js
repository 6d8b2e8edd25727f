// The page's window system: the main window with its caption, menu bar and
// client canvas, the dialogs built from the resource script's templates, the
// message boxes and the statistics tool window, all drawn in the classic
// look; their messages go to the program through the loop in program.js.

const WM_CREATE = 0x1, WM_DESTROY = 0x2, WM_SIZE = 0x5, WM_PAINT = 0xf, WM_CLOSE = 0x10;
const WM_GETMINMAXINFO = 0x24, WM_INITDIALOG = 0x110, WM_COMMAND = 0x111, WM_TIMER = 0x113;
const WM_LBUTTONDOWN = 0x201, WM_LBUTTONUP = 0x202, DM_SETDEFID = 0x401;
const IDOK = 1, IDCANCEL = 2, MF_CHECKED = 8;

// Frame metrics of the classic scheme, as the Wine prefix has them.
const FRAME = 4, DIALOG_FRAME = 3, CAPTION = 19, SMALL_CAPTION = 17, MENU_BAR = 19;

const screenSize = { width: 1024, height: 768 };  // the desk, in client pixels
const windows = new Map();  // hwnd -> window
let mainWindow = null;
const timers = new Map();  // "hwnd:id" -> {window, id, interval, pending}
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

function windowOf(hwnd) {
  return windows.get(hwnd >>> 0) || null;
}

function windowDisabled(w) {
  return !!w && w.disabled > 0;
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
  element("span", "title", caption).textContent = title;
  const buttons = element("div", "caption-buttons", caption);
  if (kind === "main") {
    captionButton(buttons, "minimise", () => minimiseMain());
    captionButton(buttons, "maximise", () => toggleMaximise());
  }
  captionButton(buttons, "close", () => closeBox(w));
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

function captionButton(parent, name, action) {
  const b = element("button", `caption-button ${name}`, parent);
  b.tabIndex = -1;
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

// ---- sending messages ------------------------------------------------------------------------

// A message for a window, handled when the loop takes it.
function sendLater(w, message, wParam, lParam, kind = "dialog") {
  post(w, kind, () => deliver(w, message, wParam, lParam));
}

function deliver(w, message, wParam, lParam) {
  if (!windows.has(w.hwnd)) return undefined;
  if (w.kind === "main") return callProgram("VexalMessage", w.hwnd, message, wParam, lParam);
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

function stopTimers() {
  for (const t of timers.values()) clearInterval(t.interval);
  timers.clear();
}

// ---- the main window -----------------------------------------------------------------------

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
  w.menu = buildMenuBar(w);
  const canvas = element("canvas", "client", w.el);
  w.clientEl = canvas;
  makeSurface(w, canvas);
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

// ---- pointer input on the client area -----------------------------------------------------

function clientPoint(w, event) {
  const r = w.clientEl.getBoundingClientRect();
  const k = r.width / clientBox(w).width || 1;
  return { x: Math.floor((event.clientX - r.left) / k), y: Math.floor((event.clientY - r.top) / k) };
}

function attachPointer(w) {
  const canvas = w.clientEl;
  let pressed = null;
  canvas.addEventListener("contextmenu", (event) => event.preventDefault());
  canvas.addEventListener("pointerdown", (event) => {
    if (event.button !== 0) return;
    event.preventDefault();
    closeMenus();
    if (windowDisabled(w)) {
      focusModal();
      return;
    }
    w.el.focus({ preventScroll: true });
    pressed = event.pointerId;
    const p = clientPoint(w, event);
    sendLater(w, WM_LBUTTONDOWN, 1, (p.x & 0xffff) | ((p.y & 0xffff) << 16), "input");
  });
  canvas.addEventListener("pointerup", (event) => {
    if (event.button !== 0 || pressed !== event.pointerId) return;
    pressed = null;
    event.preventDefault();
    if (windowDisabled(w)) return;
    const p = clientPoint(w, event);
    const c = clientBox(w);
    // The window does not capture the mouse: a release outside it is not seen.
    if (p.x < 0 || p.y < 0 || p.x >= c.width || p.y >= c.height) return;
    sendLater(w, WM_LBUTTONUP, 0, (p.x & 0xffff) | ((p.y & 0xffff) << 16), "input");
  });
  canvas.addEventListener("pointercancel", () => {
    pressed = null;
  });
}

// ---- the menu bar --------------------------------------------------------------------------

function buildMenuBar(w) {
  const bar = element("div", "menubar", w.el);
  const menu = { bar, items: new Map(), open: null };
  for (const popup of RESOURCES.menu) {
    const title = element("div", `menu-title${popup.help ? " help" : ""}`, bar);
    title.textContent = popup.text;
    const list = element("div", "menu-popup", title);
    for (const item of popup.items) {
      if (item.separator) {
        element("div", "menu-separator", list);
        continue;
      }
      const row = element("div", "menu-item", list);
      row.dataset.command = String(item.id);
      element("span", "menu-check", row);
      element("span", "menu-label", row).textContent = item.text;
      element("span", "menu-key", row).textContent = item.key || "";
      row.classList.toggle("checked", !!item.checked);
      menu.items.set(item.id, row);
      row.addEventListener("pointerup", (event) => {
        event.stopPropagation();
        closeMenus();
        if (!windowDisabled(w)) sendLater(w, WM_COMMAND, item.id, 0, "input");
      });
    }
    title.addEventListener("pointerdown", (event) => {
      if (event.target.closest(".menu-popup") || windowDisabled(w)) return;
      event.preventDefault();
      event.stopPropagation();
      const wasOpen = menu.open === title;
      closeMenus();
      if (!wasOpen) {
        title.classList.add("open");
        menu.open = title;
      }
    });
    title.addEventListener("pointerenter", () => {
      if (menu.open && menu.open !== title) {
        closeMenus();
        title.classList.add("open");
        menu.open = title;
      }
    });
  }
  return menu;
}

function closeMenus() {
  if (!mainWindow || !mainWindow.menu) return;
  const menu = mainWindow.menu;
  for (const t of menu.bar.children) t.classList.remove("open", "hot");
  for (const row of menu.items.values()) row.classList.remove("selected");
  menu.open = null;
  menu.keyboard = null;
}

// The menu from the keyboard, as Windows has it: F10 takes the bar, the
// arrows walk it and its popups, Enter chooses, Esc steps back.
function menuKey(event) {
  const w = mainWindow;
  if (!w || windowDisabled(w)) return false;
  const menu = w.menu;
  const titles = [...menu.bar.children];
  if (!menu.keyboard) {
    if (event.key !== "F10" || event.altKey || event.ctrlKey || event.shiftKey) return false;
    closeMenus();
    menu.keyboard = { title: 0, item: -1 };
    showKeyboardMenu(menu, titles);
    return true;
  }
  const k = menu.keyboard;
  const rows = () => [...titles[k.title].querySelectorAll(".menu-item")];
  switch (event.key) {
    case "F10":
    case "Alt":
      closeMenus();
      return true;
    case "ArrowRight":
    case "ArrowLeft":
      k.title = (k.title + (event.key === "ArrowRight" ? 1 : titles.length - 1)) % titles.length;
      if (k.item >= 0) k.item = 0;
      break;
    case "ArrowDown":
      k.item = k.item < 0 ? 0 : (k.item + 1) % rows().length;
      break;
    case "ArrowUp":
      k.item = k.item < 0 ? rows().length - 1 : (k.item + rows().length - 1) % rows().length;
      break;
    case "Enter":
      if (k.item < 0) {
        k.item = 0;
        break;
      }
      {
        const command = Number(rows()[k.item].dataset.command);
        closeMenus();
        sendLater(w, WM_COMMAND, command, 0, "input");
      }
      return true;
    case "Escape":
      if (k.item >= 0) k.item = -1;
      else {
        closeMenus();
        return true;
      }
      break;
    default:
      return true;
  }
  showKeyboardMenu(menu, titles);
  return true;
}

function showKeyboardMenu(menu, titles) {
  const k = menu.keyboard;
  titles.forEach((t, i) => {
    t.classList.toggle("hot", i === k.title && k.item < 0);
    t.classList.toggle("open", i === k.title && k.item >= 0);
  });
  menu.open = k.item >= 0 ? titles[k.title] : null;
  for (const row of menu.items.values()) row.classList.remove("selected");
  if (k.item >= 0) titles[k.title].querySelectorAll(".menu-item")[k.item].classList.add("selected");
}

function checkMenuItem(id, flags) {
  const row = mainWindow && mainWindow.menu.items.get(id);
  if (!row) return -1;
  const before = row.classList.contains("checked") ? MF_CHECKED : 0;
  row.classList.toggle("checked", (flags & MF_CHECKED) !== 0);
  return before;
}

// ---- dialogs from the templates --------------------------------------------------------------

// Dialog units to pixels for the templates' font, as Windows converts them:
// a quarter of the average character width, an eighth of the height.
function dialogUnits() {
  const font = makeFont(-RESOURCES.dialogFont.pixels, 400);
  const probe = element("canvas", null, null).getContext("2d");
  const width = measure(probe, font, "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  const averageWidth = Math.trunc((Math.trunc(Math.round(width) / 26) + 1) / 2);
  return { x: averageWidth, y: font.height, font };
}

function mulDiv(a, b, c) {
  return Math.round((a * b) / c);
}

const STYLE_GROUP = 7, BS_DEFPUSHBUTTON = 1, SS_CENTER = 1, SS_NOPREFIX = 0x80;

function buildDialog(templateId, owner, proc, kind) {
  const t = RESOURCES.dialogs[templateId];
  if (!t) return null;
  const w = makeFrame(kind, t.caption, "#32770");
  w.owner = owner;
  w.proc = proc;
  w.templateId = templateId;
  const units = dialogUnits();
  const client = element("div", "client dialog-client", w.el);
  w.clientEl = client;
  client.style.font = `${units.font.em}px ${FACE}`;
  const canvas = element("canvas", "dialog-canvas", client);
  makeSurface(w, canvas);
  for (const c of t.controls) addControl(w, c, units);
  const width = mulDiv(t.width, units.x, 4), height = mulDiv(t.height, units.y, 8);
  const border = DIALOG_FRAME;
  const top = border + (kind === "tool" ? SMALL_CAPTION : CAPTION);
  placeWindow(w, mulDiv(t.x, units.x, 4), mulDiv(t.y, units.y, 8), width + 2 * border, height + top + border);
  w.el.addEventListener("keydown", (event) => dialogKey(w, event));
  return w;
}

function px(value, unit, divisor) {
  return `${mulDiv(value, unit, divisor)}px`;
}

// "&x" underlines x, "&&" is an ampersand, unless the style says no prefix.
function prefixed(parent, text, noPrefix) {
  if (noPrefix || !text.includes("&")) {
    parent.textContent = text;
    return;
  }
  for (let i = 0; i < text.length; ++i) {
    if (text[i] === "&" && i + 1 < text.length) {
      ++i;
      if (text[i] === "&") {
        parent.append("&");
      } else {
        element("u", null, parent).textContent = text[i];
      }
    } else {
      parent.append(text[i]);
    }
  }
}

function addControl(w, c, units) {
  const kind = c.className.toUpperCase();
  let e;
  if (kind === "BUTTON" && (c.style & 0xf) === STYLE_GROUP) {
    e = element("div", "groupbox", w.clientEl);
    if (c.text) prefixed(element("span", "groupbox-text", e), c.text, false);
  } else if (kind === "BUTTON") {
    e = element("button", "push", w.clientEl);
    prefixed(e, c.text, false);
    if ((c.style & 0xf) === BS_DEFPUSHBUTTON) w.defId = c.id;
    e.addEventListener("click", () => {
      if (!windowDisabled(w)) sendLater(w, WM_COMMAND, c.id, 0);
    });
  } else if (kind === "EDIT") {
    e = element("input", "edit", w.clientEl);
    e.type = "text";
    e.spellcheck = false;
    e.autocomplete = "off";
    e.setAttribute("autocapitalize", "off");
    // Without automatic scrolling the field takes no more than it shows.
    let before = "";
    e.addEventListener("beforeinput", () => {
      before = e.value;
    });
    e.addEventListener("input", () => {
      if (e.scrollWidth > e.clientWidth + 1) e.value = before;
    });
  } else {
    e = element("div", "static", w.clientEl);
    if (c.style & SS_CENTER) e.classList.add("centre");
    prefixed(e, c.text, (c.style & SS_NOPREFIX) !== 0);
  }
  e.style.left = px(c.x, units.x, 4);
  e.style.top = px(c.y, units.y, 8);
  e.style.width = px(c.width, units.x, 4);
  e.style.height = px(c.height, units.y, 8);
  e.dataset.id = String(c.id);
  e.dataset.class = kind;
  if (c.id !== 65535) w.controls.set(c.id, e);
  if (kind === "BUTTON" && (c.style & 0xf) !== STYLE_GROUP) w.controls.set(`button:${c.id}`, e);
}

function dialogKey(w, event) {
  if (windowDisabled(w)) return;
  if (event.key === "Enter") {
    event.preventDefault();
    const focused = document.activeElement;
    const id = focused && focused.classList.contains("push") ? Number(focused.dataset.id) : w.defId || IDOK;
    sendLater(w, WM_COMMAND, id, 0);
  } else if (event.key === "Escape") {
    event.preventDefault();
    sendLater(w, WM_COMMAND, IDCANCEL, 0);
  }
}

function disable(w, on) {
  if (!w) return;
  w.disabled += on ? 1 : -1;
  w.el.classList.toggle("disabled", w.disabled > 0);
}

// A click on a window that a modal one disables goes to the modal one, as on Windows.
function focusModal() {
  let top = null;
  for (const w of windows.values()) {
    if ((w.kind === "dialog" || w.kind === "box") && !windowDisabled(w) && (!top || Number(w.el.style.zIndex) > Number(top.el.style.zIndex))) top = w;
  }
  if (!top) return;
  raise(top);
  if (top.kind === "box") top.el.querySelector("button.push").focus({ preventScroll: true });
  else if (!top.el.contains(document.activeElement)) focusFirst(top);
}

function focusFirst(w) {
  const target = w.el.querySelector("input.edit, button.push");
  (target || w.el).focus({ preventScroll: true });
  if (target && target.tagName === "INPUT") target.select();
}

function showDialog(w) {
  w.shown = true;
  w.el.style.visibility = "visible";
  // The statistics window opens without taking the keys from the game.
  raise(w, w.kind !== "tool");
  invalidate(w, true);
}

function openModal(templateId, ownerHandle, proc, param) {
  const owner = windowOf(ownerHandle) || mainWindow;
  const w = buildDialog(templateId, owner, proc, "dialog");
  if (!w) return null;
  disable(owner, true);
  closeMenus();
  sendNow(w, WM_INITDIALOG, 0, param);
  showDialog(w);
  if (!w.el.contains(document.activeElement)) focusFirst(w);
  return w;
}

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

function endModal(w, value) {
  if (!windows.has(w.hwnd)) return;
  removeWindow(w);
  disable(w.owner, false);
  const owner = w.owner;
  if (owner && windows.has(owner.hwnd)) {
    raise(owner);
    const field = owner.kind !== "main" && owner.el.querySelector("input.edit");
    (field || owner.el).focus({ preventScroll: true });
  }
  if (w.call) wake(w.call, value);
}

// ---- message boxes ---------------------------------------------------------------------------

const MB_ICONHAND = 0x10, MB_ICONQUESTION = 0x20, MB_ICONEXCLAMATION = 0x30, MB_ICONASTERISK = 0x40;

function openBox(ownerHandle, text, caption, type) {
  const owner = windowOf(ownerHandle);
  const w = makeFrame("box", caption, "#32770");
  w.owner = owner;
  const client = element("div", "client box-client", w.el);
  w.clientEl = client;
  const icon = (type & 0xf0) >>> 4;
  const body = element("div", "box-body", client);
  if (icon) element("div", `box-icon box-icon-${icon}`, body);
  const message = element("div", "static box-text", body);
  message.dataset.id = "65535";
  message.dataset.class = "STATIC";
  message.textContent = text;
  const button = element("button", "push default", client);
  button.textContent = RESOURCES.okText;
  button.dataset.id = "1";
  button.dataset.class = "BUTTON";
  button.addEventListener("click", () => endBox(w));
  w.el.addEventListener("keydown", (event) => {
    if (event.key === "Enter" || event.key === "Escape" || event.key === " ") {
      event.preventDefault();
      endBox(w);
    }
  });
  // Sized to its text, then centred on the owner's screen as Windows does.
  w.el.style.visibility = "hidden";
  w.el.style.width = "auto";
  w.el.style.height = "auto";
  client.style.position = "static";
  const width = Math.max(client.offsetWidth, 120) + 2 * DIALOG_FRAME;
  const height = client.offsetHeight + CAPTION + 2 * DIALOG_FRAME;
  client.style.position = "";
  placeWindow(w, Math.trunc((screenSize.width - width) / 2), Math.trunc((screenSize.height - height) / 2), width, height);
  disable(owner, true);
  closeMenus();
  w.shown = true;
  w.el.style.visibility = "visible";
  raise(w);
  button.focus({ preventScroll: true });
  return w;
}

function endBox(w) {
  if (windowDisabled(w)) return;
  endModal(w, IDOK);
}

function closeAllWindows() {
  for (const w of [...windows.values()]) removeWindow(w);
  mainWindow = null;
}

// ---- the calls -------------------------------------------------------------------------------

function windowRect(w) {
  return { left: w.x, top: w.y, right: w.x + w.width, bottom: w.y + w.height };
}

const windowImports = {
  WebCreateMainWindow: createMainWindow,
  GetSystemMetrics: (index) => (index === 0 ? screenSize.width : index === 1 ? screenSize.height : 0),
  GetDC: (hwnd) => {
    const w = windowOf(hwnd);
    if (!w || !w.surface) return 0;
    // A class with its own context: one context for the window's life.
    if (!w.privateDC) w.privateDC = newHandle(makeDC(w.surface));
    return w.privateDC;
  },
  BeginPaint: (hwnd, paint) => {
    const w = windowOf(hwnd);
    if (!w || !w.surface) return 0;
    let dc;
    if (w.privateDC) {
      dc = w.privateDC;
    } else {
      // A dialog's context is a fresh one for every paint.
      dc = newHandle(makeDC(w.surface));
      w.paintDC = dc;
    }
    w.dirty = false;
    const m = memory();
    const c = clientBox(w);
    m.setI32(paint, dc);
    m.setI32(paint + 4, 0);
    writeRect(paint + 8, { left: 0, top: 0, right: c.width, bottom: c.height });
    return dc;
  },
  EndPaint: (hwnd) => {
    const w = windowOf(hwnd);
    if (w && w.paintDC) {
      objects.delete(w.paintDC);
      w.paintDC = 0;
    }
    return 1;
  },
  GetClientRect: (hwnd, rect) => {
    const w = windowOf(hwnd);
    if (!w) return 0;
    const c = w.minimised ? { width: 0, height: 0 } : clientBox(w);
    writeRect(rect, { left: 0, top: 0, right: c.width, bottom: c.height });
    return 1;
  },
  GetWindowRect: (hwnd, rect) => {
    const w = windowOf(hwnd);
    if (!w) return 0;
    writeRect(rect, windowRect(w));
    return 1;
  },
  MoveWindow: (hwnd, x, y, width, height, repaint) => {
    const w = windowOf(hwnd);
    if (!w) return 0;
    placeWindow(w, x, y, width, height);
    if (repaint) invalidate(w, true);
    return 1;
  },
  IsIconic: (hwnd) => {
    const w = windowOf(hwnd);
    return w && w.kind === "main" && (w.minimised || document.hidden) ? 1 : 0;
  },
  InvalidateRect: (hwnd, rect, erase) => {
    invalidate(windowOf(hwnd), erase);
    return 1;
  },
  DestroyWindow: (hwnd) => {
    const w = windowOf(hwnd);
    if (!w) return 0;
    if (w.kind === "main") {
      sendNow(w, WM_DESTROY, 0, 0);
      removeWindow(w);
      return 1;
    }
    removeWindow(w);
    if (mainWindow && windows.has(mainWindow.hwnd) && !windowDisabled(mainWindow)) mainWindow.el.focus({ preventScroll: true });
    return 1;
  },
  DefWindowProcA: (hwnd, message) => {
    const w = windowOf(hwnd);
    if (w && message === WM_CLOSE) windowImports.DestroyWindow(hwnd);
    return 0;
  },
  PostQuitMessage: (code) => {
    program.quitCode = code;
    schedulePump();
  },
  SetFocus: (hwnd) => {
    const w = windowOf(hwnd);
    if (w) {
      if (w.kind === "dialog") focusFirst(w);
      else w.el.focus({ preventScroll: true });
    }
    return 0;
  },
  SendMessageA: (hwnd, message, wParam) => {
    const w = windowOf(hwnd);
    if (w && message === DM_SETDEFID) {
      w.defId = wParam;
      for (const [key, e] of w.controls) {
        if (typeof key === "string") e.classList.toggle("default", key === `button:${wParam}`);
      }
    }
    return 0;
  },
  GetMenu: (hwnd) => (windowOf(hwnd) === mainWindow ? 0x3e40 : 0),
  CheckMenuItem: (menu, id, flags) => (menu === 0x3e40 ? checkMenuItem(id, flags) : -1),
  DialogBoxParamA: (instance, name, owner, proc, param) => {
    if (rewinding()) return finishRewind();
    const w = openModal(name, owner, proc, param);
    if (!w) return -1;
    // EndDialog may already have come inside WM_INITDIALOG.
    if (!windows.has(w.hwnd)) return w.result || 0;
    w.call = suspendRunning({ kind: "dialog", window: w });
    return 0;
  },
  EndDialog: (hwnd, result) => {
    const w = windowOf(hwnd);
    if (!w || w.kind !== "dialog") return 0;
    w.result = result;
    endModal(w, result);
    return 1;
  },
  CreateDialogParamA: (instance, name, owner, proc, param) => {
    const w = buildDialog(name, windowOf(owner), proc, "tool");
    if (!w) return 0;
    sendNow(w, WM_INITDIALOG, 0, param);
    showDialog(w);
    return w.hwnd;
  },
  SetDlgItemTextA: (hwnd, id, text) => {
    const w = windowOf(hwnd);
    const e = w && w.controls.get(id);
    if (!e) return 0;
    const value = decodeGbk(memory().cString(text));
    if (e.tagName === "INPUT") e.value = value;
    else e.textContent = value;
    return 1;
  },
  GetDlgItemTextA: (hwnd, id, buffer, size) => {
    const w = windowOf(hwnd);
    const e = w && w.controls.get(id);
    if (size <= 0) return 0;
    const bytes = encodeGbk(e ? (e.tagName === "INPUT" ? e.value : e.textContent) : "");
    const n = Math.min(bytes.length, size - 1);
    const m = memory().bytes();
    m.set(bytes.subarray(0, n), buffer);
    m[buffer + n] = 0;
    return n;
  },
  LoadBitmapA: (instance, name) => {
    const file = RESOURCES.bitmaps[name];
    return file ? newHandle(bitmapFromFile(base64Bytes(file))) : 0;
  },
  MessageBoxA: (owner, text, caption, type) => {
    if (rewinding()) return finishRewind();
    const m = memory();
    const w = openBox(owner, decodeGbk(m.cString(text)), decodeGbk(m.cString(caption)), type >>> 0);
    w.call = suspendRunning({ kind: "box", window: w });
    return 0;
  },
  MessageBeep: () => {
    programFacts.beeps += 1;
    beep();
    return 1;
  },
};

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

let audio = null;
function beep() {
  try {
    audio = audio || new AudioContext();
    const tone = audio.createOscillator(), gain = audio.createGain();
    tone.frequency.value = 880;
    gain.gain.value = 0.08;
    tone.connect(gain).connect(audio.destination);
    tone.start();
    tone.stop(audio.currentTime + 0.12);
  } catch (error) {
    // No sound where the browser has none to give.
  }
}
