// The page around the game: it starts the program, fits the window to the
// screen (scaled down where the screen is too small, by whole multiples
// where the player asks), passes the game's keys on and keeps the bar beside
// the window: export and import of the table, the size, the notices.

const TASKBAR = 30;  // CSS pixels
const ACCELERATORS = { F1: 768, F3: 512, F4: 256, F5: 513 };
const ALT_X = 258;
let compiled = null;
let sizeChoice = "auto";

// ---- scale -----------------------------------------------------------------------------------

let layout = { k: 1, device: 1 };

function deskScale() {
  return layout.k;
}

function deviceScale() {
  return layout.device;
}

// k: CSS pixels per client pixel. Device pixels per client pixel are kept
// whole where that costs little of the size, so the sprites stay crisp.
function computeLayout() {
  const vw = window.innerWidth, vh = Math.max(1, window.innerHeight - TASKBAR);
  const dpr = window.devicePixelRatio || 1;
  const fit = Math.min(vw / 620, vh / 420);
  let k;
  if (fit < 1) {
    k = fit;
    const whole = Math.floor(k * dpr);
    if (whole >= 1 && whole / dpr >= 0.8 * k) k = whole / dpr;
  } else {
    const asked = sizeChoice === "auto" ? 1 : Number(sizeChoice);
    k = Math.max(1, Math.min(asked, Math.floor(fit)));
  }
  layout = { k, device: k * dpr };
  screenSize.width = Math.floor(vw / k);
  screenSize.height = Math.floor(vh / k);
  const d = desk();
  d.style.transform = k === 1 ? "" : `scale(${k})`;
  d.style.width = `${screenSize.width}px`;
  d.style.height = `${screenSize.height}px`;
  for (const option of document.querySelectorAll("#size option")) {
    const n = Number(option.value);
    option.disabled = option.value !== "auto" && (fit < n);
  }
}

function relayout() {
  computeLayout();
  rescaleSurfaces();
  followDesk();
}

function watchScreen() {
  window.addEventListener("resize", relayout);
  let media = null;
  const watchRatio = () => {
    if (media) media.removeEventListener("change", watchRatio);
    media = window.matchMedia(`(resolution: ${window.devicePixelRatio}dppx)`);
    media.addEventListener("change", watchRatio);
    relayout();
  };
  watchRatio();
  document.addEventListener("visibilitychange", () => {
    // A hidden tab counts as minimised; back in view the window is painted anew.
    if (!document.hidden && mainWindow) invalidate(mainWindow, true);
  });
}

// ---- keys ------------------------------------------------------------------------------------

function gameCommand(event) {
  if (event.ctrlKey || event.metaKey) return null;
  if (!event.altKey && !event.shiftKey && ACCELERATORS[event.key]) return ACCELERATORS[event.key];
  // A character entry: Alt with a lower-case x, not with X.
  if (event.altKey && event.key === "x") return ALT_X;
  return null;
}

// The keys of keyboard play, as their virtual-key codes: the main window's own.
const BOARD_KEYS = { ArrowLeft: 0x25, ArrowUp: 0x26, ArrowRight: 0x27, ArrowDown: 0x28, " ": 0x20, Enter: 0x0d };

function boardKeyTarget(target) {
  if (!program || program.ended || !mainWindow || windowDisabled(mainWindow)) return false;
  if (!(target === document.body || target === mainWindow.el || mainWindow.el.contains(target))) return false;
  return !(target.closest && target.closest(".menu-title.open, .window.tool"));
}

function watchKeys() {
  document.addEventListener("keydown", (event) => {
    if (program && !program.ended && (desk().contains(event.target) || event.target === document.body) && menuKey(event)) {
      event.preventDefault();
      return;
    }
    const key = BOARD_KEYS[event.key];
    if (key && !event.altKey && !event.ctrlKey && !event.metaKey && boardKeyTarget(event.target)) {
      event.preventDefault();  // no scrolling, no click on a focused button
      sendLater(mainWindow, WM_KEYDOWN, key, 0, "input");
      return;
    }
    const command = gameCommand(event);
    if (command === null || !program || program.ended || !mainWindow) return;
    const target = event.target;
    if (!(target === document.body || desk().contains(target))) return;
    event.preventDefault();
    // A modal window runs its own loop, which translates no keys; the
    // statistics window's keys are its own.
    if (windowDisabled(mainWindow)) return;
    const stats = target.closest && target.closest(".window.tool");
    if (stats) return;
    sendLater(mainWindow, WM_COMMAND, command | (1 << 16), 0, "input");
  });
}

// ---- the bar beside the window -----------------------------------------------------------

function showNotice(text) {
  const list = document.getElementById("notices");
  const item = element("div", "notice", list);
  element("span", "notice-text", item).textContent = text;
  const close = element("button", "notice-close", item);
  close.textContent = "\u00d7";
  close.title = "Dismiss";
  close.addEventListener("click", () => item.remove());
}

function taskButton(on) {
  const b = document.getElementById("restore");
  b.hidden = !on;
}

function setUpBar() {
  document.getElementById("export").addEventListener("click", exportTable);
  const picker = document.getElementById("import-file");
  document.getElementById("import").addEventListener("click", () => picker.click());
  picker.addEventListener("change", () => {
    const file = picker.files && picker.files[0];
    picker.value = "";
    if (file) importTable(file);
  });
  document.getElementById("restore").addEventListener("click", restoreMain);
  const size = document.getElementById("size");
  try {
    sizeChoice = (store() && store().getItem(STORE_PREFIX + "size")) || "auto";
  } catch (error) {
    sizeChoice = "auto";
  }
  size.value = sizeChoice;
  size.addEventListener("change", () => {
    sizeChoice = size.value;
    try {
      if (store()) store().setItem(STORE_PREFIX + "size", sizeChoice);
    } catch (error) {
      // The choice lasts for this visit only.
    }
    relayout();
  });
  document.getElementById("again").addEventListener("click", restartProgram);
}

function showEnded() {
  document.getElementById("ended").hidden = false;
}

async function restartProgram() {
  if (program && !program.ended) {
    // Dropped without its end: what it had to keep is kept already.
    program.ended = true;
    stopTimers();
    closeAllWindows();
  }
  document.getElementById("ended").hidden = true;
  notices.clear();
  await takeUpStoredFiles();
  startProgram(compiled);
}

// ---- the icon --------------------------------------------------------------------------------

let icon = null;

// Icon 3000's 32 x 32 picture: its colours where the AND mask is clear, the
// caption's colour elsewhere.
function iconBitmap() {
  if (icon) return icon;
  const file = base64Bytes(RESOURCES.icon);
  const v = new DataView(file.buffer);
  const offset = v.getUint32(18, true);
  const header = offset, width = v.getInt32(header + 4, true), height = v.getInt32(header + 8, true) / 2;
  const bits = v.getUint16(header + 14, true);
  const colours = 1 << bits, palette = header + v.getUint32(header, true);
  const xorStride = (((width * bits) + 31) >> 5) << 2, andStride = ((width + 31) >> 5) << 2;
  const xor = palette + 4 * colours, and = xor + xorStride * height;
  const rgba = new Uint8ClampedArray(width * height * 4);
  for (let row = 0; row < height; ++row) {
    const y = height - 1 - row;
    for (let col = 0; col < width; ++col) {
      const bit = col * bits;
      const index = (file[xor + y * xorStride + (bit >> 3)] >> (8 - bits - (bit & 7))) & (colours - 1);
      const transparent = (file[and + y * andStride + (col >> 3)] >> (7 - (col & 7))) & 1;
      const o = (row * width + col) * 4, q = palette + 4 * index;
      rgba[o] = file[q + 2];
      rgba[o + 1] = file[q + 1];
      rgba[o + 2] = file[q];
      rgba[o + 3] = transparent ? 0 : 255;
    }
  }
  icon = makeBitmap(width, height, rgba);
  return icon;
}

// ---- start ---------------------------------------------------------------------------------

async function startPage() {
  installStockObjects();
  setUpBar();
  watchKeys();
  watchOtherTabs();
  document.addEventListener("pointerdown", (event) => {
    if (!event.target.closest(".menubar")) closeMenus();
  });
  // A long press on a touch screen would open the browser's menu over the game.
  document.addEventListener("contextmenu", (event) => {
    if (desk().contains(event.target) || document.getElementById("bar").contains(event.target)) event.preventDefault();
  });
  computeLayout();
  watchScreen();
  await loadFace();
  compiled = await compileProgram();
  await takeUpStoredFiles();
  startProgram(compiled);
}

// What the page shows of itself to whoever looks in (the developer's console, the tests).
window.vexalPage = {
  facts: programFacts,
  screen: screenSize,
  layout: () => layout,
  calls: () => (program ? program.suspended.map((c) => ({ entry: c.entry, sp: c.sp, base: c.base, wait: c.wait.kind })) : []),
  memory: () => (program ? program.exports.memory : null),
};

startPage().catch((error) => {
  console.error(error);
  showNotice(`Vexal could not start in this browser: ${error && error.message ? error.message : error}`);
});
