// For a player who cannot see the canvas: the board as an ARIA grid whose
// cells say what they hold, the keyboard focus on the keys' cursor, and a
// polite live region that says what happens on the board. Its words are
// English, like the page's own controls. It reads the game between calls,
// when no animation is under way, and compares with what it read before.

const COLOUR_NAMES = ["empty", "green", "red", "blue", "yellow", "cyan", "magenta", "brown"];
const NEWS_KEPT = 40;
const CMD_NEW_GAME = 256;

// Word positions of VexalView's record (main_web.cpp).
const VIEW = {
  selected: 81, selectedColumn: 82, selectedRow: 83, cursorShown: 84, cursorColumn: 85, cursorRow: 86,
  pressColumn: 87, pressRow: 88, score: 89, best: 90, recordPassed: 91, showNext: 92, next: 93,
  moving: 96, targetColumn: 97, targetRow: 98, originX: 99, originY: 100, removed: 101,
  holderName: 109, playerName: 110,
};

const access = { grid: null, cells: [], news: null, last: null, cause: null, beeps: 0 };

function cellAt(column, row) {
  return column >= 0 && column < 9 && row >= 0 && row < 9 ? row * 9 + column : -1;
}

function where(index) {
  return `row ${Math.trunc(index / 9) + 1}, column ${(index % 9) + 1}`;
}

function readView() {
  const m = memory(), a = program.exports.VexalView();
  const word = (i) => m.i32(a + 4 * i);
  const text = (i) => {
    const at = word(i) >>> 0, bytes = m.bytes().subarray(at, at + 16), end = bytes.indexOf(0);
    return decodeGbk(bytes.slice(0, end < 0 ? 16 : end));
  };
  const board = [];
  for (let i = 0; i < 81; ++i) board.push(word(i));
  return {
    board,
    selected: word(VIEW.selected) === 1 ? cellAt(word(VIEW.selectedColumn), word(VIEW.selectedRow)) : -1,
    cursor: word(VIEW.cursorShown) ? cellAt(word(VIEW.cursorColumn), word(VIEW.cursorRow)) : -1,
    press: cellAt(word(VIEW.pressColumn), word(VIEW.pressRow)),
    score: word(VIEW.score), best: word(VIEW.best), recordPassed: word(VIEW.recordPassed) === 1,
    showNext: word(VIEW.showNext) !== 0, next: [0, 1, 2].map((i) => word(VIEW.next + i)),
    target: cellAt(word(VIEW.targetColumn), word(VIEW.targetRow)),
    origin: { x: word(VIEW.originX), y: word(VIEW.originY) },
    removed: [0, 1, 2, 3, 4, 5, 6, 7].map((i) => word(VIEW.removed + i) >>> 0),
    holder: text(VIEW.holderName), player: text(VIEW.playerName),
  };
}

function cellName(view, index) {
  const colour = view.board[index];
  if (!colour) return `${where(index)}: empty`;
  return `${where(index)}: ${COLOUR_NAMES[colour]} ball${index === view.selected ? ", selected" : ""}`;
}

// ---- the grid --------------------------------------------------------------------------------

function buildBoardGrid(w) {
  // It lies over the drawn board, for a screen reader's touch exploration and
  // its focus ring, but takes no pointer: the canvas below takes the clicks.
  const grid = element("div", "board-grid", w.el);
  grid.setAttribute("role", "grid");
  grid.setAttribute("aria-label", "Board, 9 by 9");
  grid.setAttribute("lang", "en");
  grid.style.cssText = "position:absolute;width:324px;height:324px;pointer-events:none;z-index:1";
  access.cells = [];
  for (let r = 0; r < 9; ++r) {
    const row = element("div", null, grid);
    row.setAttribute("role", "row");
    row.style.cssText = `position:absolute;left:0;top:${36 * r}px;width:324px;height:36px`;
    for (let c = 0; c < 9; ++c) {
      const cell = element("div", "board-cell", row);
      cell.setAttribute("role", "gridcell");
      cell.tabIndex = -1;
      cell.style.cssText = `position:absolute;left:${36 * c}px;top:0;width:36px;height:36px;outline:none`;
      // A screen reader's "activate" is a click on the cell.
      cell.addEventListener("click", () => clickBoardCell(w, c, r));
      access.cells.push(cell);
    }
  }
  access.grid = grid;
  access.last = null;
  access.cause = null;
  if (access.news) return;  // a program started again keeps what was said
  const news = element("div", "board-news", document.body);
  news.setAttribute("role", "log");
  news.setAttribute("aria-live", "polite");
  news.setAttribute("aria-label", "What happens on the board");
  news.setAttribute("lang", "en");
  news.style.cssText = "position:absolute;width:1px;height:1px;overflow:hidden;clip-path:inset(50%);white-space:nowrap";
  access.news = news;
}

function clickBoardCell(w, column, row) {
  if (!access.last || windowDisabled(w)) return;
  const x = access.last.origin.x + 2 + 36 * column + 18, y = access.last.origin.y + 2 + 36 * row + 18;
  const point = (x & 0xffff) | ((y & 0xffff) << 16);
  sendLater(w, WM_LBUTTONDOWN, 1, point, "input");
  sendLater(w, WM_LBUTTONUP, 0, point, "input");
}

function placeGrid(view) {
  const c = clientBox(mainWindow);
  access.grid.style.left = `${c.x + view.origin.x + 2}px`;
  access.grid.style.top = `${c.y + view.origin.y + 2}px`;
}

function updateGrid(view, before) {
  for (let i = 0; i < 81; ++i) {
    const name = cellName(view, i);
    if (access.cells[i].getAttribute("aria-label") !== name) access.cells[i].setAttribute("aria-label", name);
  }
  // One cell is in the Tab order: the cursor's, else where the cursor would first show.
  const home = view.cursor >= 0 ? view.cursor : view.selected >= 0 ? view.selected : cellAt(4, 4);
  access.cells.forEach((cell, i) => {
    if (cell.tabIndex !== (i === home ? 0 : -1)) cell.tabIndex = i === home ? 0 : -1;
  });
  if (view.cursor >= 0 && (!before || before.cursor !== view.cursor)) {
    const active = document.activeElement;
    if (active === mainWindow.el || active === document.body || access.grid.contains(active)) {
      access.cells[view.cursor].focus({ preventScroll: true });
    }
  }
}

// ---- what happened -------------------------------------------------------------------------

// The message that set the board going: a click, a key, a command or the window's creation.
function noteCause(message, wParam) {
  if (message === WM_CREATE || message === WM_LBUTTONUP || message === WM_KEYDOWN ||
      (message === WM_COMMAND && (wParam & 0xffff) === CMD_NEW_GAME)) {
    access.cause = { message, at: access.last };
  }
}

function ballsCount(view) {
  return view.board.filter((c) => c !== 0).length;
}

function ballList(view, cells) {
  return cells.map((i) => `${COLOUR_NAMES[view.board[i]]} at ${where(i)}`).join("; ");
}

function dealNews(view) {
  const balls = view.board.map((c, i) => i).filter((i) => view.board[i] !== 0);
  return `New game. Record ${view.best} by ${view.holder}. Balls: ${ballList(view, balls)}.`;
}

function nextNews(view) {
  return `Next: ${view.next.map((c) => COLOUR_NAMES[c]).join(", ")}.`;
}

// What a sighted player saw between the view before and the view now.
function boardNews(before, now, beeped) {
  const said = [];
  const boardChanged = now.board.some((c, i) => c !== before.board[i]);
  const cause = access.cause ? access.cause.message : 0;
  const moved = before.selected >= 0 && now.selected < 0 && boardChanged && now.target >= 0 &&
      (cause === WM_LBUTTONUP || cause === WM_KEYDOWN);
  if (beeped && before.selected >= 0 && !boardChanged && (cause === WM_LBUTTONUP || cause === WM_KEYDOWN)) {
    const target = cause === WM_KEYDOWN ? before.cursor : now.press;
    said.push(`No route from ${where(before.selected)}${target >= 0 ? ` to ${where(target)}` : ""}.`);
  }
  if (moved) {
    const colour = before.board[before.selected];
    said.push(`${COLOUR_NAMES[colour]} ball moved from ${where(before.selected)} to ${where(now.target)}.`);
    const gone = now.removed.map((n, c) => [n - before.removed[c], c]).filter(([n]) => n > 0);
    const points = now.score - before.score;
    if (gone.length) {
      const what = gone.map(([n, c]) => `${n} ${COLOUR_NAMES[c]} ball${n === 1 ? "" : "s"}`).join(" and ");
      said.push(points > 0 ? `${what} removed: ${points} points. Score ${now.score}.` : `${what} removed by the new balls, no points.`);
    }
    if (points <= 0) {
      const added = now.board.map((c, i) => i).filter((i) => now.board[i] !== 0 && i !== now.target &&
          (before.board[i] === 0 || i === before.selected));
      if (added.length) said.push(`New balls: ${ballList(now, added)}.`);
      // With the board full the preview is not drawn again: the game is over.
      if (ballsCount(now) === 81) said.push("Game over!");
      else if (now.showNext) said.push(nextNews(now));
    }
    if (!before.recordPassed && now.recordPassed) said.push(`${now.player} takes the crown from ${now.holder}.`);
  } else if (boardChanged) {
    said.push(dealNews(now));
    if (now.showNext) said.push(nextNews(now));
  } else {
    if (now.selected >= 0 && now.selected !== before.selected) {
      said.push(`${COLOUR_NAMES[now.board[now.selected]]} ball at ${where(now.selected)} selected.`);
    }
    if (now.showNext !== before.showNext) said.push(now.showNext ? nextNews(now) : "Next colours hidden.");
  }
  return said;
}

function announce(text) {
  const line = element("p", null, access.news);
  line.textContent = text;
  // How many lines were said in all, for whoever reads the region from outside.
  access.news.dataset.said = String(Number(access.news.dataset.said || 0) + 1);
  while (access.news.childElementCount > NEWS_KEPT) access.news.firstElementChild.remove();
}

// Between the program's calls, with no animation under way: the grid and the news follow
// the game.
function accessRest() {
  if (!access.grid || !program || program.ended || !mainWindow) return;
  const now = readView(), before = access.last;
  const beeped = programFacts.beeps !== access.beeps;
  access.beeps = programFacts.beeps;
  // Most rests come between two timer ticks, with nothing changed.
  now.key = JSON.stringify([now.board, now.selected, now.cursor, now.score, now.best, now.recordPassed,
    now.showNext, now.next, now.origin, now.removed, now.target]);
  if (before && !beeped && before.key === now.key) return;
  placeGrid(now);
  updateGrid(now, before);
  const said = before ? boardNews(before, now, beeped) : [dealNews(now)].concat(now.showNext ? [nextNews(now)] : []);
  for (const text of said) announce(text[0].toUpperCase() + text.slice(1));
  access.last = now;
}
