// The main window's menu bar, built from the resource script's menu, worked
// by the pointer and by the keyboard; the checks CheckMenuItem sets.

const MF_CHECKED = 8;

function buildMenuBar(w) {
  const bar = element("div", "menubar", w.el);
  bar.setAttribute("role", "menubar");
  // Focused while the keys work the menu, so that a screen reader follows
  // the highlight (aria-activedescendant); the keys stay the page's.
  bar.tabIndex = -1;
  const menu = { bar, items: new Map(), open: null };
  let serial = 0;
  for (const popup of RESOURCES.menu) {
    // The title holds its popup, which is placed from it: the item a screen
    // reader knows is the title's text, which owns the popup, named by its
    // text alone (a name from content would take in the popup's items).
    const title = element("div", `menu-title${popup.help ? " help" : ""}`, bar);
    title.setAttribute("role", "none");
    const name = element("span", null, title);
    name.textContent = popup.text;
    name.id = `menu-${serial++}`;
    name.setAttribute("role", "menuitem");
    name.setAttribute("aria-haspopup", "menu");
    name.setAttribute("aria-expanded", "false");
    name.setAttribute("aria-label", popup.text);
    const list = element("div", "menu-popup", title);
    list.id = `menu-${serial++}`;
    list.setAttribute("role", "menu");
    list.setAttribute("aria-labelledby", name.id);
    name.setAttribute("aria-owns", list.id);
    // The resources do not say which items are toggles: a popup with an item
    // checked from the start is one of settings, each of them on or off.
    const toggles = popup.items.some((item) => item.checked);
    for (const item of popup.items) {
      if (item.separator) {
        element("div", "menu-separator", list).setAttribute("role", "separator");
        continue;
      }
      const row = element("div", "menu-item", list);
      row.id = `menu-${serial++}`;
      row.dataset.command = String(item.id);
      // The check and the key column are pictures of what the role and
      // aria-keyshortcuts say: the name is the item's text.
      element("span", "menu-check", row).setAttribute("aria-hidden", "true");
      element("span", "menu-label", row).textContent = item.text;
      const key = element("span", "menu-key", row);
      key.textContent = item.key || "";
      key.setAttribute("aria-hidden", "true");
      if (item.key) row.setAttribute("aria-keyshortcuts", item.key.replace(/-/g, "+"));
      row.setAttribute("role", toggles ? "menuitemcheckbox" : "menuitem");
      markChecked(row, !!item.checked);
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
      if (!wasOpen) openTitle(menu, title);
    });
    title.addEventListener("pointerenter", () => {
      if (menu.open && menu.open !== title) {
        closeMenus();
        openTitle(menu, title);
      }
    });
  }
  return menu;
}

function openTitle(menu, title) {
  title.classList.add("open");
  title.firstChild.setAttribute("aria-expanded", "true");
  menu.open = title;
}

function markChecked(row, on) {
  row.classList.toggle("checked", on);
  if (row.getAttribute("role") === "menuitemcheckbox") row.setAttribute("aria-checked", String(on));
}

function closeMenus() {
  if (!mainWindow || !mainWindow.menu) return;
  const menu = mainWindow.menu;
  for (const t of menu.bar.children) {
    t.classList.remove("open", "hot");
    t.firstChild.setAttribute("aria-expanded", "false");
  }
  for (const row of menu.items.values()) row.classList.remove("selected");
  menu.open = null;
  menu.keyboard = null;
  menu.bar.removeAttribute("aria-activedescendant");
  // The keys go back where they were, to the board's cell that had them.
  if (document.activeElement === menu.bar) {
    const back = menu.focusBefore && menu.focusBefore.isConnected && mainWindow.el.contains(menu.focusBefore) ? menu.focusBefore : mainWindow.el;
    back.focus({ preventScroll: true });
  }
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
    menu.focusBefore = document.activeElement;
    menu.bar.focus({ preventScroll: true });
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
    t.firstChild.setAttribute("aria-expanded", String(i === k.title && k.item >= 0));
  });
  menu.open = k.item >= 0 ? titles[k.title] : null;
  for (const row of menu.items.values()) row.classList.remove("selected");
  let current = titles[k.title].firstChild;
  if (k.item >= 0) {
    current = titles[k.title].querySelectorAll(".menu-item")[k.item];
    current.classList.add("selected");
  }
  menu.bar.setAttribute("aria-activedescendant", current.id);
}

function checkMenuItem(id, flags) {
  const row = mainWindow && mainWindow.menu.items.get(id);
  if (!row) return -1;
  const before = row.classList.contains("checked") ? MF_CHECKED : 0;
  // An item the program checks is a toggle, whatever its popup.
  row.setAttribute("role", "menuitemcheckbox");
  markChecked(row, (flags & MF_CHECKED) !== 0);
  return before;
}
