// The main window's menu bar, built from the resource script's menu, worked
// by the pointer and by the keyboard; the checks CheckMenuItem sets.

const MF_CHECKED = 8;

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
