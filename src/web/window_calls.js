// The window calls the program imports, as Win32 has them, over the page's
// windows, dialogs and message boxes.

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
        if (typeof key !== "string") continue;
        e.classList.toggle("default", key === `button:${wParam}`);
        markDefault(e, key === `button:${wParam}`);
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
    else speakAs(e, value).textContent = value;
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
