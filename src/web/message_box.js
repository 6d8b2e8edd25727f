// Message boxes: a text, its icon and OK, sized to the text and modal over
// their owner.

const MB_ICONHAND = 0x10, MB_ICONQUESTION = 0x20, MB_ICONEXCLAMATION = 0x30, MB_ICONASTERISK = 0x40;

function openBox(ownerHandle, text, caption, type) {
  const owner = windowOf(ownerHandle);
  const w = makeFrame("box", caption, "#32770");
  w.owner = owner;
  const client = element("div", "client box-client", w.el);
  w.clientEl = client;
  const icon = (type & 0xf0) >>> 4;
  const body = element("div", "box-body", client);
  // The icon is a picture of the box's kind; the text says it all.
  if (icon) element("div", `box-icon box-icon-${icon}`, body).setAttribute("aria-hidden", "true");
  const message = element("div", "static box-text", body);
  message.dataset.id = "65535";
  message.dataset.class = "STATIC";
  message.textContent = text;
  message.id = `window-${w.hwnd}-text`;
  speakAs(message, text);
  w.el.setAttribute("aria-describedby", message.id);
  const button = element("button", "push default", client);
  button.textContent = RESOURCES.okText;
  markDefault(button, true);
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
