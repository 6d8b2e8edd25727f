// Pointer input on the main window's client area: the left button's presses
// and releases, as the program's mouse messages.

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
