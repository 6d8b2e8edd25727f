"""The high-score table in the page's storage: an entry is stored as soon as
it is made, byte for byte as the game's own saving writes it (the same rules
run natively in vexal-sim, from the same board and move); a reload keeps it;
tables the page cannot read are never written over; blocked and full storage
are said once and lose nothing; the table goes out to and comes in from a
file; tabs one after the other keep every entry, however late each hears
of the others' saves."""

import json
import os
import re
import subprocess
import tempfile
import time
import unittest

import browser
import harness
import player_bot
import test_dialogs
from board_reader import distances
from game_case import NAME_DIALOG, TABLE_DIALOG, TITLE, Game, read_table, table_bytes
from page_case import PageCase, engines
from page_session import PAGE_READY

ENGINES = ("chromium", "firefox", "webkit")


def record(name, tail, score):
    raw = name.encode("ascii")
    field = (raw + b"\0" + tail)[:13].ljust(13, b"\0")
    return bytes([len(raw)]) + field + score.to_bytes(2, "little")


DEFAULT_TABLE_BYTES = table_bytes([("Handicap", 100)] + [("- Empty -", 0)] * 9)

# A table whose name fields hold bytes after their NULs, which the game's saving copies as they are.
MESSY = b"".join([record("Alpha", b"zzzzzzz", 300), record("Beta", b"qqqq", 200)]
                 + [record("- Empty -", b"x", 0) for _ in range(8)])

# What another tab's save tells this one, kept back from the page until RELEASE_NEWS, which
# answers how many were held and whether the program was in a pause as they arrived. Run before
# the page's own scripts, its listener on each channel is the first to hear.
HOLD_NEWS = """(() => { window.heldNews = []; const Channel = window.BroadcastChannel;
  window.BroadcastChannel = class extends Channel { constructor(name) { super(name);
    this.addEventListener("message", (e) => { if (!window.heldNews || !e.isTrusted) return;
      e.stopImmediatePropagation(); heldNews.push([this, e.data]); }); } }; })()"""
RELEASE_NEWS = """(() => { const held = heldNews; window.heldNews = null;
  for (const [channel, data] of held) channel.dispatchEvent(new MessageEvent("message", { data }));
  return [held.length, vexalPage.calls().some((c) => c.wait === "pause")]; })()"""

# Holds the entry's transaction open once the table is written into it, with one read after
# another, so that it never commits while the tab lives; says so on the console.
STALL_ENTRY = """(() => { const put = IDBObjectStore.prototype.put;
  IDBObjectStore.prototype.put = function (...args) { const r = put.apply(this, args);
    const again = () => { this.get("vexalrec.res").onsuccess = again; }; again();
    console.log("entry written, not committed"); return r; }; })()"""


def entered(table, name, score):
    """table ([(name, score)]) with the entry made by the game's rules: below every score not under it."""
    rank = next((i for i, (_, s) in enumerate(table) if s < score), len(table))
    return (table[:rank] + [(name, score)] + table[rank:])[:10]


class PageStorageTest(PageCase):

    assert_default_rows = test_dialogs.DialogsTest.assert_default_rows

    def scored_game(self, label, files=None, **options):
        """A game played until its first line; returns (game, board before the line, the move)."""
        game = self.start_game(label, files, **options)
        return (game, *self.score(game))

    def score(self, game):
        """Plays game until its first line; returns (board before the line, the move)."""
        seen = {}

        def line_move(source, target):
            _, seen["board"] = game.stable_board("before-line")
            seen["move"] = (source, target)
            game.move(source, target, settle=1.5)

        self.play_until_scored(game, line_move=line_move)
        self.assertIn("move", seen, "the score came from a line the bot planned")
        return seen["board"], seen["move"]

    def enter(self, game, name, end_game=None):
        """Ends the game (by F4, or by end_game(game)) and enters its score as name; returns the rows."""
        if end_game:
            end_game(game)
        else:
            game.point_at_panel()
            self.session.key("F4", pause=0.8)
        self.session.wait_for_window(NAME_DIALOG, timeout=20)
        self.type_name(name)
        self.session.key("Return", pause=0.8)
        self.session.wait_for_window(TABLE_DIALOG)
        rows = self.table_rows("table")
        self.session.key("Return", pause=0.5)
        self.assertTrue(self.session.wait_gone(TABLE_DIALOG))
        return rows

    def sim_table(self, files, board, move, name):
        """What the game's own rules save after the same line on the same board and the same entry."""
        folder = tempfile.mkdtemp(dir=self.session.games_root)
        for file, data in files.items():
            with open(os.path.join(folder, file), "wb") as f:
                f.write(data)
        lines = [f"set {c} {r} {board[r][c]}" for r in range(9) for c in range(9)]
        (sc, sr), (tc, tr) = move
        lines += [f"click {sc} {sr}", f"click {tc} {tr}", f"name {name}", "seed 1", "newgame"]
        out = subprocess.run([harness.env_path("VEXAL_SIM")], input="\n".join(lines) + "\n", cwd=folder,
                             capture_output=True, text=True, timeout=60)
        self.assertEqual(out.returncode, 0, out.stderr)
        with open(os.path.join(folder, "vexalrec.res"), "rb") as f:
            return f.read()

    # ---- tests -----------------------------------------------------------------------------------

    def test_an_entry_is_stored_at_once_as_the_game_writes_it_and_a_reload_keeps_it(self):
        game, board, move = self.scored_game("entry", {"vexalrec.res": MESSY})
        rows = self.enter(game, "Ada")
        stored = self.session.storage()
        self.assertEqual(set(stored), {"vexalrec.res"})
        self.assertEqual(stored["vexalrec.res"], self.sim_table({"vexalrec.res": MESSY}, board, move, "Ada"),
                         "the bytes the game's own saving writes, before the page ends")
        self.assertIn("Ada", [n for n, _ in read_table(stored["vexalrec.res"])])

        self.session.page.reload()
        self.session.wait_for_window("Vexal5.2")
        self.assertEqual(self.session.storage(), stored, "a reload keeps the table")
        self.open_table(game)
        again = self.table_rows("table-after-reload")
        self.assertEqual([l.data for l, _ in again], [l.data for l, _ in rows], "and shows it as before")
        self.session.key("Return", pause=0.5)

    @engines("chromium", why="how far a short table is read is the program's own, the same in every engine")
    def test_a_short_table_is_read_as_far_as_it_goes_and_said_once(self):
        short = table_bytes([("Alpha", 900), ("Beta", 800)] + [("- Empty -", 0)] * 8)[:40]
        game = self.start_game("short", {"vexalrec.res": short})
        self.open_table(game)
        rows = self.table_rows("short-table")
        self.session.key("Return", pause=0.5)
        self.open_table(game)
        self.session.key("Return", pause=0.5)
        notices = self.session.notices()
        self.assertEqual(len(notices), 1, notices)
        self.assertIn("40 bytes", notices[0])
        self.assertGreater(rows[0][0].count(lambda r, g, b: r + g + b < 200), 10, "Alpha's row is shown")
        self.assertEqual(self.quit_game(game), 0)
        self.assertEqual(self.session.storage(), {"vexalrec.res": short}, "nothing written without an entry")

    def test_a_table_it_cannot_read_is_said_once_and_never_written_over(self):
        unreadable = "not a table \u2603"
        game, _, _ = self.scored_game("unreadable", raw={"vexalrec.res": unreadable})
        self.enter(game, "Ada")
        self.assertEqual(self.quit_game(game), 0)
        notices = self.session.notices()
        self.assertEqual(len(notices), 1, notices)
        self.assertIn("not a high-score table", notices[0])
        self.assertEqual(self.session.storage(raw=True), {"vexalrec.res": unreadable},
                         "the stored value is as it was, and no other table made beside it")

    def test_blocked_storage_plays_with_the_defaults_and_says_so(self):
        for how in ("blocked", "refused"):
            with self.subTest(how):
                self.blocked_storage(how)

    def blocked_storage(self, how):
        game = self.start_game(how, storage=how)
        image, board = game.stable_board("blocked")
        self.assertEqual(len(player_bot.balls(board)), 5, "the game plays")
        self.open_table(game)
        self.assert_default_rows(self.table_rows("blocked-table"))
        self.session.key("Return", pause=0.5)
        notices = self.session.notices()
        self.assertEqual(len(notices), 1, notices)
        self.assertIn("storage is blocked", notices[0])
        self.assertEqual(self.quit_game(game), 0)

    def test_full_storage_keeps_the_table_it_had_and_says_so(self):
        start = table_bytes([("Alpha", 5)] + [("- Empty -", 0)] * 9)[:40]
        game, _, _ = self.scored_game("full", {"vexalrec.res": start}, storage="full")
        self.enter(game, "Ada")
        notices = self.session.notices()
        self.assertTrue(any("storage for this page is full" in n for n in notices), notices)
        self.assertTrue(game.alive(), "the game plays on")
        self.assertEqual(self.session.storage().get("vexalrec.res"), start, "the stored table is as it was")

    @engines("chromium", "firefox", why="WebKit's driver neither saves a download nor sees the page's confirm()")
    def test_the_table_goes_out_to_a_file_and_comes_back_from_one(self):
        start = table_bytes([("Alpha", 900), ("Beta", 800)] + [("- Empty -", 0)] * 8)
        game = self.start_game("export", {"vexalrec.res": start})
        downloads = tempfile.mkdtemp(dir=self.session.games_root)
        downloads = self.session.page.allow_downloads(downloads)
        self.session.page.evaluate("document.getElementById('export').click()")
        self.assertEqual(self.session.page.downloaded(downloads, "vexalrec.res"), start,
                         "the exported file holds the stored bytes")

        bad = os.path.join(downloads, "short.res")
        with open(bad, "wb") as f:
            f.write(start[:100])
        self.session.page.set_file_input("#import-file", bad)
        time.sleep(0.5)
        self.assertTrue(any("was not imported" in n and "100 bytes" in n for n in self.session.notices()),
                        self.session.notices())
        self.assertEqual(self.session.storage(), {"vexalrec.res": start}, "a bad file changes nothing")

        windows_made = table_bytes([("Windows", 4321)] + [("- Empty -", 0)] * 9)
        good = os.path.join(downloads, "from-windows.res")
        with open(good, "wb") as f:
            f.write(windows_made)
        self.session.page.set_file_input("#import-file", good)
        self.session.page.wait_for("[...document.querySelectorAll('#notices > *')].some((e) => "
                                   "e.textContent.includes('is the high-score table now'))"
                                   " && !!document.querySelector('#desk .window.main')")
        self.assertEqual(len(self.session.page.dialogs), 1, "the player was asked first")
        self.assertEqual(self.session.storage(), {"vexalrec.res": windows_made}, "the table is the file's")
        self.session.wait_for_window("Vexal5.2")
        game.locate()
        image, _ = game.stable_board("imported")
        self.session.page.reload()
        self.session.wait_for_window("Vexal5.2")
        game.locate()
        image, _ = game.stable_board("imported-again")
        self.assertEqual(self.digits.read(game.best_box(image)), 4321, "the imported record is the one to beat")

    # ---- several tabs ---------------------------------------------------------------------------

    plan = None

    def line_plan(self):
        """(ticks, moves): a tick count whose deal the bot brings to a line in a few moves, found
        once per module with the game's own rules in vexal-sim."""
        if PageStorageTest.plan is None:
            found = player_bot.plan_first_line(harness.env_path("VEXAL_SIM"), range(1000, 1040))
            self.assertIsNotNone(found, "a deal that comes to a line within ten moves")
            PageStorageTest.plan = found
        return PageStorageTest.plan

    def observer(self, label):
        """The session's tab, with the page and an empty table: it reads the stored table."""
        ticks, _ = self.line_plan()
        folder = self.session.new_game_folder(f"{self._testMethodName}-{label}")
        process = self.session.launch(self.exe, folder, ticks=ticks)
        game = Game(self.session, self.pictures, folder, process)
        self.games.append(game)
        self.session.wait_for_window(TITLE, timeout=30)
        game.locate()
        game.stable_board(label)
        return game

    def tabs(self, count, **options):
        ticks, _ = self.line_plan()
        pages = []
        self.addCleanup(self.close_tabs, pages)
        for _ in range(count):
            pages.append(self.session.open_tab(ticks, **options))
        return pages

    def close_tabs(self, pages):
        for page in pages:
            try:
                page.close()
            except Exception:
                pass  # closed by the test, or with the browser
        if self.session.page:
            self.session.page.bring_to_front()

    def to_name_dialogs(self, pages, origin, reload=True):
        """Deals every tab's game afresh (the planned deal), plays the planned moves in all at once
        and ends each game by F4: each then has its score's name dialog open."""
        _, moves = self.line_plan()
        for page in pages:
            if reload:
                page.navigate(self.session.url)
                page.wait_for(PAGE_READY, timeout=20)
            self.session.play_moves(page, moves, origin)
        for page in pages:
            page.wait_for("window.vexalPlayed === true", timeout=60, interval=0.1)
            self.session.command_key(page, "F4")
        for number, page in enumerate(pages, 1):
            try:
                page.wait_for(self.session.window_open(NAME_DIALOG), timeout=20, interval=0.1)
            except browser.BrowserError:
                self.fail(f"tab {number} of {len(pages)} shows no name dialog: {self.tab_state(page)}")

    TAB_STATE_JS = """JSON.stringify({ windows: [...document.querySelectorAll('#desk > .window')].map((w) => w.dataset.title),
      calls: vexalPage.calls(), played: window.vexalPlayed, facts: vexalPage.facts })"""

    def tab_state(self, page):
        """What a tab shows of itself, for a failure's message; its picture goes to the artifacts."""
        page.bring_to_front()
        path = os.path.join(self.session.artifacts, f"tab-{self._testMethodName}-{int(time.time())}.png")
        with open(path, "wb") as f:
            f.write(page.screenshot_png())
        return f"{page.evaluate(self.TAB_STATE_JS)}; console {page.console[-20:]}; picture {path}"

    def enter_at(self, pages, names, times):
        """Presses OK in each tab's name dialog at its time (ms since the epoch) with its name;
        returns when every tab shows its table, with the times the presses were made."""
        for page, name, at in zip(pages, names, times):
            self.session.press_ok_at(page, NAME_DIALOG, at, name)
        for page in pages:
            page.wait_for(self.session.window_open(TABLE_DIALOG), timeout=20, interval=0.05)
        pressed = [page.evaluate("window.vexalPressed") for page in pages]
        for page in pages:
            self.session.press_ok_at(page, TABLE_DIALOG, 0)
        return pressed

    def stored_names(self):
        return [n for n, _ in read_table(self.session.storage()["vexalrec.res"])]

    def test_tabs_entering_at_once_or_apart_keep_every_entry(self):
        # Three tabs, each with its name dialog open, press OK within a few milliseconds of each
        # other; then 300 ms apart. Each round starts from an empty table.
        observer = self.observer("observer")
        origin = self.origin_of(observer)
        pages = self.tabs(3)
        spreads = []
        for number, apart in [(n, 0) for n in range(10)] + [(n, 300) for n in range(10, 13)]:
            with self.subTest(round=number, apart=apart):
                self.session.seed({})
                self.to_name_dialogs(pages, origin)
                names = [f"R{number}T{i}" for i in range(3)]
                at = int(time.time() * 1000) + 400
                pressed = self.enter_at(pages, names, [at + i * apart for i in range(3)])
                spreads.append((apart, max(pressed) - min(pressed)))
                stored = self.stored_names()
                for name in names:
                    self.assertIn(name, stored, f"every entry kept: {stored}")
                self.assertEqual(stored.count("Handicap"), 1, stored)
        print(f"\nOK pressed in three tabs, spread in ms (aimed apart, seen): {spreads}", flush=True)
        at_once = [seen for apart, seen in spreads if apart == 0]
        self.assertLess(sorted(at_once)[len(at_once) // 2], 30, "the presses at once came within a few ms")

        # The tab that entered nothing shows the table as stored: as it does after a reload.
        self.session.page.bring_to_front()
        self.open_table(observer)
        rows = self.table_rows("observer-table")
        self.session.key("Return", pause=0.5)
        self.session.page.reload()
        self.session.wait_for_window(TITLE)
        self.open_table(observer)
        again = self.table_rows("observer-table-after-reload")
        self.session.key("Return", pause=0.5)
        self.assertEqual([l.data for l, _ in rows], [l.data for l, _ in again], "the other tabs' entries are shown")

    @engines("chromium", "firefox", why="WebKit carries no BroadcastChannel message between pages opened from "
             "files, so there is no news to hold back: a tab reads the store as it comes into view, as the "
             "at-once test's observer shows")
    def test_tabs_one_after_the_other_keep_every_entry_however_late_they_hear_of_each_other(self):
        # Four tabs score; tabs 1 to 3 open their name dialogs at once, before any entry, and
        # enter one after the other. Tab 2 hears of the others' saves as the browser tells it;
        # tab 3 never does; tab 4 hears of them only in the turn before its entry, behind the
        # key that ends its game.
        first = self.observer("tab-1")
        origin = self.origin_of(first)
        front = self.session.page
        pages = [front, *self.tabs(1), *self.tabs(2, before=HOLD_NEWS)]
        self.to_name_dialogs(pages[:1], origin, reload=False)
        self.to_name_dialogs(pages[1:3], origin)
        last = pages[3]
        self.replay_to_line(last, origin)
        entered = []
        for number, (page, name) in enumerate(zip(pages[:3], ["Ada", "Bob", "Cy"]), 1):
            self.enter_at([page], [name], [0])
            entered.append(name)
            stored = self.stored_names()
            for earlier in entered:
                self.assertIn(earlier, stored, f"tab {number}'s save keeps {earlier}'s entry")
        try:
            # Only the tab in front draws and answers for screenshots.
            self.session.page = last
            last.bring_to_front()
            game = Game(self.session, self.pictures, first.folder, None)
            game.locate()
            self.end_behind_news(game)
            self.session.wait_for_window(NAME_DIALOG)
            self.enter_at([last], ["Dee"], [0])
        finally:
            self.session.page = front
            front.bring_to_front()
        stored = self.stored_names()
        for name in entered + ["Dee"]:
            self.assertIn(name, stored, f"tab 4's save keeps {name}'s entry")

    def replay_to_line(self, page, origin):
        """Deals the tab's game afresh by a reload and plays it to its line."""
        _, moves = self.line_plan()
        page.navigate(self.session.url)
        page.wait_for(PAGE_READY, timeout=20)
        self.session.play_moves(page, moves, origin)
        page.wait_for("window.vexalPlayed === true", timeout=60, interval=0.1)

    def end_behind_news(self, game):
        """Ends the game by F4 pressed during a move's turn, then lets the tab hear of the other tabs'
        saves while that turn still pauses: the key is first in the queue, the news behind it."""
        _, board = game.stable_board("before-last-move")
        # The longest travel that makes no line: the turn pauses longest.
        _, source, target = max((steps, s, t) for s in player_bot.balls(board)
                                for t, steps in distances(board, s).items() if not player_bot.completes_line(board, s, t))
        game.click_cell(*source)
        game.click_cell(*target, pause=0)
        page = self.session.page
        page.wait_for("vexalPage.calls().some((c) => c.wait === 'pause')", timeout=5, interval=0.01)
        self.session.key("F4", pause=0)
        held, paused = page.evaluate(RELEASE_NEWS)
        self.assertGreater(held, 0, "the other tabs' saves were held back from this tab")
        self.assertTrue(paused, "the news came while the turn paused, after the key")

    @engines("chromium", why="only DevTools kills a tab's renderer")
    def test_a_tab_closed_or_killed_in_the_middle_of_its_entry_leaves_the_table_whole(self):
        # The tab goes while its entry's transaction is open, the table written into it (its
        # thread kept busy there), or the moment OK is pressed; the stored table is the one
        # before the entry or the one after it, never anything else.
        origin = self.origin_of(self.observer("observer"))
        start = table_bytes([("Alpha", 900)] + [("- Empty -", 0)] * 9)
        outcomes = []
        for how, stall in (("closed", True), ("killed", True), ("closed", False), ("killed", False)):
            with self.subTest(how=how, stall=stall):
                self.session.seed({"vexalrec.res": start})
                page = self.session.open_tab(self.line_plan()[0])
                if stall:
                    page.add_init_script(STALL_ENTRY)
                self.to_name_dialogs([page], origin)
                page.console.clear()
                self.session.press_ok_at(page, NAME_DIALOG, 0, "Gone")
                if stall:
                    deadline = time.time() + 10
                    while not any("entry written" in text for _, text in page.console) and time.time() < deadline:
                        time.sleep(0.01)
                    self.assertTrue(any("entry written" in text for _, text in page.console), page.console)
                if how == "closed":
                    page.close()
                else:
                    try:
                        page.crash()
                    except browser.BrowserError:
                        pass  # the tab's end is the answer
                    page.close()
                time.sleep(0.5)
                stored = self.session.storage()["vexalrec.res"]
                table = read_table(stored)
                kept = any(n == "Gone" for n, _ in table)
                outcomes.append((how, stall, kept))
                self.assertEqual(len(stored), 160)
                if stall or not kept:
                    self.assertEqual(stored, start, "the table as it was before the entry")
                else:
                    score = next(s for n, s in table if n == "Gone")
                    self.assertEqual(table, entered(read_table(start), "Gone", score), "the table after the entry")
        print(f"\ntabs gone in their entries (how, held in the transaction, entry kept): {outcomes}", flush=True)

    def test_a_table_the_earlier_release_kept_is_taken_over_once(self):
        # The earlier release kept its files in localStorage: they are taken over byte for byte,
        # and left there; a table changed there later is not taken over again.
        game = self.start_game("earlier", {"vexalrec.res": MESSY, "lines.res": DEFAULT_TABLE_BYTES}, storage="earlier")
        self.assertEqual(self.session.storage(), {"vexalrec.res": MESSY, "lines.res": DEFAULT_TABLE_BYTES})
        self.open_table(game)
        rows = self.table_rows("taken-over")
        self.session.key("Return", pause=0.5)
        self.assertGreater(rows[0][0].count(lambda r, g, b: r + g + b < 200), 10, "Alpha's row is shown")
        page = self.session.page
        self.assertEqual(page.evaluate("localStorage.getItem('vexal/vexalrec.res')"), MESSY.decode("latin-1"),
                         "the earlier release's copy stays where it was")
        other = table_bytes([("Later", 5)] + [("- Empty -", 0)] * 9)
        page.evaluate(f"localStorage.setItem('vexal/vexalrec.res', {json.dumps(other.decode('latin-1'))})")
        page.reload()
        self.session.wait_for_window(TITLE)
        self.assertEqual(self.session.storage()["vexalrec.res"], MESSY, "taken over once")

        # A text the earlier release could not read comes over as it is, and is not written over.
        with self.subTest("unreadable"):
            unreadable = "not a table \u2603"
            game, _, _ = self.scored_game("earlier-unreadable", storage="earlier", raw={"vexalrec.res": unreadable})
            self.enter(game, "Ada")
            self.assertEqual(self.session.storage(raw=True), {"vexalrec.res": unreadable})

    @engines("chromium", why="the private localStorage it guards against is a fault of Chromium's")
    def test_every_launch_leaves_the_tab_sharing_its_storage_with_the_others(self):
        # Seeding the storage from a script run before the page's own gave a new tab, about one
        # launch in eight, a localStorage of its own in Chromium (and every later page of its
        # renderer too): nothing it wrote reached any other tab, and nothing they wrote reached
        # it. The session prepares the storage from a blank page of the same origin instead.
        self.line_plan()
        other = self.tabs(1)[0]
        folder = self.session.new_game_folder(f"{self._testMethodName}")
        front = self.session.page
        try:
            for n in range(16):
                with self.subTest(launch=n):
                    self.session.page = self.session.browser.page()
                    self.session.injected = None  # scripts are the tab's own
                    self.addCleanup(self.session.page.close)
                    self.session.launch(self.exe, folder, storage="earlier" if n % 2 else "files")
                    self.session.page.evaluate(f"localStorage.setItem('vexal/from-session', '{n}')")
                    other.wait_for(f"localStorage.getItem('vexal/from-session') === '{n}'", timeout=5)
                    other.evaluate(f"localStorage.setItem('vexal/from-other', '{n}')")
                    self.session.page.wait_for(f"localStorage.getItem('vexal/from-other') === '{n}'", timeout=5)
        finally:
            self.session.page = front
            front.bring_to_front()

    def test_the_planned_deal_holds_however_slow_the_browser_clock(self):
        # The tabs tests play a planned deal: the session's clock must give the page's own
        # GetTickCount exactly the planned tick count, however late its second read comes. A
        # tab once read 48 ms late and was dealt another game, which made no line.
        with open(os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "src", "web",
                               "time.js")) as f:
            tick_count = re.search(r"GetTickCount: (\(\) => [^\n]*),\n", f.read()).group(1)
        page = self.session.browser.page()
        self.addCleanup(page.close)
        for stall in (0, 60):
            with self.subTest(stall_ms=stall):
                first, later, now = page.evaluate(f"""(() => {{ const real = Performance.prototype.now;
                  Performance.prototype.now = function () {{ const t = real.call(this);
                    while (real.call(this) - t < {stall}); return real.call(this); }};
                  try {{ {self.session.clock_script(1031)} const tick = {tick_count};
                    return [tick(), tick(), Date.now() >>> 0]; }}
                  finally {{ Performance.prototype.now = real; }} }})()""")
                self.assertEqual(first, 1031, "the first read is the planned tick count")
                # timeOrigin + now() and Date.now() round apart: the tick count runs up to 2 ms either
                # side of Date.now() (Firefox -2 to 1, Chromium -1 to 1, WebKit -1 to 0 in 200,000 reads).
                apart = (now - later) % 2 ** 32
                self.assertLess(min(apart, 2 ** 32 - apart), 10_000, "later reads are the browser's clock")

    @staticmethod
    def origin_of(game):
        """The board's top left corner in the main window's client area."""
        return (game.origin[0] - game.client[0], game.origin[1] - game.client[1])


if __name__ == "__main__":
    unittest.main()
