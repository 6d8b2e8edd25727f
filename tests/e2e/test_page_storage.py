"""The high-score table in the page's storage: an entry is stored as soon as
it is made, byte for byte as the game's own saving writes it (the same rules
run natively in vexal-sim, from the same board and move); a reload keeps it;
tables the page cannot read are never written over; blocked and full storage
are said once and lose nothing; the table goes out to and comes in from a
file; tabs one after the other keep every entry, however late each hears
of the others' saves."""

import os
import subprocess
import tempfile
import time
import unittest

import harness
import player_bot
import test_dialogs
from board_reader import distances
from game_case import NAME_DIALOG, TABLE_DIALOG, read_table, table_bytes
from page_case import PageCase

def record(name, tail, score):
    raw = name.encode("ascii")
    field = (raw + b"\0" + tail)[:13].ljust(13, b"\0")
    return bytes([len(raw)]) + field + score.to_bytes(2, "little")


# A table whose name fields hold bytes after their NULs, which the game's saving copies as they are.
MESSY = b"".join([record("Alpha", b"zzzzzzz", 300), record("Beta", b"qqqq", 200)]
                 + [record("- Empty -", b"x", 0) for _ in range(8)])

# What another tab's save tells this one, kept back from the page until RELEASE_NEWS, which
# answers how many were held and whether the program was in a pause as they arrived.
HOLD_NEWS = """(() => { window.heldNews = [];
  addEventListener("storage", (e) => { if (!window.heldNews || !e.isTrusted) return; e.stopImmediatePropagation();
    heldNews.push({ key: e.key, oldValue: e.oldValue, newValue: e.newValue, url: e.url }); }, true); })()"""
RELEASE_NEWS = """(() => { const held = heldNews; window.heldNews = null;
  for (const e of held) dispatchEvent(new StorageEvent("storage", Object.assign({ storageArea: localStorage }, e)));
  return [held.length, vexalPage.calls().some((c) => c.wait === "pause")]; })()"""


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
        stored = self.session.page.evaluate("Object.keys(localStorage).filter((k) => k.startsWith('vexal/'))")
        self.assertEqual(stored, ["vexal/vexalrec.res"], "no other table made beside it")
        self.assertEqual(self.session.page.evaluate("localStorage.getItem('vexal/vexalrec.res')"), unreadable,
                         "the stored value is as it was")

    def test_blocked_storage_plays_with_the_defaults_and_says_so(self):
        game = self.start_game("blocked", storage="blocked")
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
        # A short table: a whole one written in its place needs room that full storage does not have.
        start = table_bytes([("Alpha", 5)] + [("- Empty -", 0)] * 9)[:40]
        game, _, _ = self.scored_game("full", {"vexalrec.res": start}, storage="full")
        self.enter(game, "Ada")
        notices = self.session.notices()
        self.assertTrue(any("storage for this page is full" in n for n in notices), notices)
        self.assertTrue(game.alive(), "the game plays on")
        self.assertEqual(self.session.storage().get("vexalrec.res"), start, "the stored table is as it was")

    def test_the_table_goes_out_to_a_file_and_comes_back_from_one(self):
        start = table_bytes([("Alpha", 900), ("Beta", 800)] + [("- Empty -", 0)] * 8)
        game = self.start_game("export", {"vexalrec.res": start})
        downloads = tempfile.mkdtemp(dir=self.session.games_root)
        self.session.page.send("Browser.setDownloadBehavior", {"behavior": "allow", "downloadPath": downloads})
        self.session.page.evaluate("document.getElementById('export').click()")
        path = os.path.join(downloads, "vexalrec.res")
        deadline = time.time() + 10
        while not os.path.exists(path) and time.time() < deadline:
            time.sleep(0.1)
        with open(path, "rb") as f:
            self.assertEqual(f.read(), start, "the exported file holds the stored bytes")

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

    def test_tabs_one_after_the_other_keep_every_entry_however_late_they_hear_of_each_other(self):
        # Tab 2 hears of the others' saves as the browser tells it; tab 3 never does; tab 4 hears
        # of them only in the turn before its entry, behind the key that ends its game.
        first, _, _ = self.scored_game("tab-1")
        front = self.session.page
        pages = [front]
        try:
            for number in (2, 3, 4):
                page = self.session.browser.page()
                if number > 2:
                    # Before the page's own scripts: its listener is then the second to hear.
                    page.send("Page.addScriptToEvaluateOnNewDocument", {"source": HOLD_NEWS})
                page.navigate(self.session.url)
                page.wait_for("vexalPage.facts.firstPaint > 0")
                pages.append(page)
            entered = []
            for number, (page, name) in enumerate(zip(pages, ["Ada", "Bob", "Cy", "Dee"]), 1):
                # Only the tab in front draws and answers for screenshots.
                self.session.page = page
                page.send("Page.bringToFront")
                game = first if number == 1 else self.scored_game_here(f"tab-{number}")
                self.enter(game, name, end_game=self.end_behind_news if number == 4 else None)
                entered.append(name)
                stored = [n for n, _ in read_table(self.session.storage()["vexalrec.res"])]
                for earlier in entered:
                    self.assertIn(earlier, stored, f"tab {number}'s save keeps {earlier}'s entry")
        finally:
            for page in pages[1:]:
                page.close()
            self.session.page = front
            front.send("Page.bringToFront")

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

    def scored_game_here(self, label):
        """Plays the page already open in the session's current tab until its first line."""
        from game_case import Game
        folder = self.session.new_game_folder(f"{self._testMethodName}-{label}")
        game = Game(self.session, self.pictures, folder, None)
        game.locate()
        self.score(game)
        return game


if __name__ == "__main__":
    unittest.main()
