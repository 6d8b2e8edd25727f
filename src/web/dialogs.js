// Dialogs built from the resource script's templates: their controls and
// keys, and a modal window's hold on its owner.

const IDOK = 1, IDCANCEL = 2;

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
  mirrorCanvasText(w, canvas);
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
    speakAs(e, c.text);
    if ((c.style & 0xf) === BS_DEFPUSHBUTTON) {
      w.defId = c.id;
      markDefault(e, true);
    }
    e.addEventListener("click", () => {
      if (!windowDisabled(w)) sendLater(w, WM_COMMAND, c.id, 0);
    });
  } else if (kind === "EDIT") {
    e = element("input", "edit", w.clientEl);
    e.type = "text";
    // Named by the text before it, as Windows names a field for a screen reader.
    if (w.lastStatic) e.setAttribute("aria-labelledby", w.lastStatic.id);
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
    speakAs(e, c.text);
    w.statics = (w.statics || 0) + 1;
    e.id = `window-${w.hwnd}-static-${w.statics}`;
    w.lastStatic = e;
  }
  if (kind === "BUTTON" && (c.style & 0xf) === STYLE_GROUP && c.text) speakAs(e, c.text);
  e.style.left = px(c.x, units.x, 4);
  e.style.top = px(c.y, units.y, 8);
  e.style.width = px(c.width, units.x, 4);
  e.style.height = px(c.height, units.y, 8);
  e.dataset.id = String(c.id);
  e.dataset.class = kind;
  if (c.id !== 65535) w.controls.set(c.id, e);
  if (kind === "BUTTON" && (c.style & 0xf) !== STYLE_GROUP) w.controls.set(`button:${c.id}`, e);
}

// The default button is the one Enter presses: aria-keyshortcuts says so.
function markDefault(button, on) {
  if (on) button.setAttribute("aria-keyshortcuts", "Enter");
  else button.removeAttribute("aria-keyshortcuts");
}

// The text a dialog draws on its canvas (the high-score table, the
// statistics), kept as the canvas's fallback content, which only assistive
// technology sees: a table of the lines drawn, named by the caption. A line
// is the texts drawn at one height, left, centred and right; a repaint
// replaces the text drawn in the same place.
function mirrorCanvasText(w, canvas) {
  const lines = new Map();
  let table = null, shown = "", queued = false;
  const update = () => {
    queued = false;
    const rows = [...lines.entries()].sort((a, b) => a[0] - b[0]).map(([, places]) =>
      ["left", "centre", "right"].flatMap((place) => {
        const text = (places.get(place) || "").trim();
        // The table's lines read "3. name": the rank and the name are cells of their own.
        const ranked = place === "left" && /^(\d+)\. (.*)$/.exec(text);
        return ranked ? [ranked[1], ranked[2]] : text ? [text] : [];
      })).filter((cells) => cells.length);
    const key = JSON.stringify(rows);
    if (key === shown) return;
    shown = key;
    if (!table) {
      table = element("table", null, canvas);
      table.setAttribute("aria-labelledby", `window-${w.hwnd}-title`);
    }
    table.replaceChildren(...rows.map((cells, i) => {
      const tr = document.createElement("tr");
      // The statistics' rows are headed by pictures: the empty cell, then each colour's ball.
      if (w.kind === "tool" && i < COLOUR_NAMES.length) {
        const head = element("th", null, tr);
        head.scope = "row";
        head.lang = "en";
        head.textContent = i === 0 ? "Empty cells" : `${COLOUR_NAMES[i][0].toUpperCase()}${COLOUR_NAMES[i].slice(1)} balls`;
      }
      for (const text of cells) speakAs(element("td", null, tr), text).textContent = text;
      return tr;
    }));
  };
  w.surface.onText = (text, rect, format) => {
    const place = format & DT_RIGHT ? "right" : format & DT_CENTER ? "centre" : "left";
    if (!lines.has(rect.top)) lines.set(rect.top, new Map());
    lines.get(rect.top).set(place, text);
    if (!queued) {
      queued = true;
      queueMicrotask(update);
    }
  };
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
