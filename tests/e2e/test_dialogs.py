"""The dialogs and the high-score file as a player meets them: the table, the
name entry after an honestly played game, the statistics window, the rules
and about boxes, and high-score files that are damaged."""

import os
import signal
import stat
import threading
import unittest

import harness

from game_case import ABOUT_DIALOG, DEFAULT_TABLE, TABLE_DIALOG, TITLE, GameCase, dark, read_table, table_bytes

RULES_DIALOG = "游戏规则"
STATISTICS = "统计"


class DialogsTest(GameCase):

    # ---- helpers ---------------------------------------------------------------------------------

    def assert_default_rows(self, rows):
        for i, (left, right) in enumerate(rows):
            self.assertGreater(left.count(dark), 10, f"row {i + 1} has its number and name")
            self.assertGreater(right.count(dark), 5, f"row {i + 1} has its score")
        # Rows 2 to 10 hold the same score, 0, right-aligned: identical pictures.
        for i in range(2, 10):
            self.assertEqual(rows[i][1].data, rows[1][1].data, f"score of row {i + 1} is drawn like row 2's")
        self.assertNotEqual(rows[0][1].data, rows[1][1].data, "row 1's score differs from the empty rows'")
        # Rows 2 to 9 differ only in their one-digit number; row 1 holds another name.
        skip = 14

        def name_part(pic):
            return pic.crop(skip, 0, pic.width - skip, 16).data

        for i in range(2, 9):
            self.assertEqual(name_part(rows[i][0]), name_part(rows[1][0]), f"row {i + 1} names '- Empty -'")
        self.assertNotEqual(name_part(rows[0][0]), name_part(rows[1][0]), "row 1 names 'Handicap'")


    # ---- tests -------------------------------------------------------------------------------

    def test_table_from_the_menu_without_a_file(self):
        game = self.start_game("no-file")
        self.open_table(game)
        self.assert_centred(TABLE_DIALOG)
        self.assert_default_rows(self.table_rows("default-table"))
        self.session.key("Return", pause=0.5)
        self.assertTrue(self.session.wait_gone(TABLE_DIALOG), "OK closes the table")
        self.assertEqual(self.quit_game(game), 0)
        self.assertEqual(os.listdir(game.folder), [], "no file written without a new entry")

    def _abandon_scored_game(self, files, written):
        game = self.start_game("scored", files)
        self.play_until_scored(game)
        game.point_at_panel()
        self.session.key("F4", pause=0.5)
        rows = self.enter_name_and_check("Tester")
        self.assertEqual(self.quit_game(game), 0)
        self.assertEqual(sorted(os.listdir(game.folder)), sorted(set(files) | {written}))
        with open(os.path.join(game.folder, written), "rb") as f:
            data = f.read()
        self.assertEqual(len(data), 160)
        table = read_table(data)
        start = read_table(files[written]) if written in files else DEFAULT_TABLE
        score = next(s for n, s in table if n == "Tester")
        self.assertGreater(score, 0)
        rank = next(i for i, (_, s) in enumerate(start) if s < score)
        self.assertEqual(table, start[:rank] + [("Tester", score)] + start[rank:9], "the table after the entry")
        for i, (left, right) in enumerate(rows):
            self.assertGreater(left.count(dark), 10, f"row {i + 1} drawn")
        return game

    def test_abandoned_scored_game_asks_a_name_and_saves_vexalrec(self):
        self._abandon_scored_game({}, "vexalrec.res")

    def test_only_lines_res_is_read_and_written(self):
        lines = table_bytes([("Lines", 100)] + [("- Empty -", 0)] * 9)
        self._abandon_scored_game({"lines.res": lines}, "lines.res")

    def test_an_entry_is_on_the_disk_at_once_or_said_to_be_lost(self):
        # The game's process killed once the table shows the entry: the entry is in the file,
        # as the save at the window's end never came.
        game = self.start_game("killed")
        self.play_until_scored(game)
        game.point_at_panel()
        self.session.key("F4", pause=0.5)
        self.enter_name("Kept")
        game.process.kill()
        self.assertIsNotNone(harness.wait_exit(game.process, 15), "the game was killed")
        with open(os.path.join(game.folder, "vexalrec.res"), "rb") as f:
            kept = read_table(f.read())
        self.assertIn("Kept", [n for n, _ in kept], kept)
        self.assertEqual(sorted(os.listdir(game.folder)), ["vexalrec.res"])

        # A read-only file: the game says at the entry that it cannot keep it, shows the entry
        # in its table all the same, and leaves the file as it was, at the end too.
        start = table_bytes([("Alpha", 500)] + [("- Empty -", 0)] * 9)
        game = self.start_game("read-only", {"vexalrec.res": start})
        self.read_only(os.path.join(game.folder, "vexalrec.res"))
        self.play_until_scored(game)
        game.point_at_panel()
        self.session.key("F4", pause=0.5)
        self.enter_name("Lost", unsaved=True)
        self.assertEqual(self.quit_game(game), 0)
        with open(os.path.join(game.folder, "vexalrec.res"), "rb") as f:
            self.assertEqual(f.read(), start, "the file as it was")
        self.assertEqual(sorted(os.listdir(game.folder)), ["vexalrec.res"], "no temporary file left")

    def test_statistics_window_beside_the_board(self):
        game = self.start_game("statistics")
        game.shot("before")
        game.point_at_panel()
        self.session.key("F5", pause=0.8)
        self.session.wait_for_window(STATISTICS)
        outer, _ = self.session.rect(STATISTICS)
        board_x = game.origin[0] - game.client[0]
        self.assertEqual(outer, (game.outer[0] + board_x + 340, game.outer[1] + 32, 164, 310))
        self.assertEqual(self.session.foreground(), TITLE, "the keys stay with the game")
        self.session.screenshot("statistics-open")
        self.assertEqual(game.menu_marks("statistics-open"), (True, True), "F5 checks the statistics item")

        self.close_box(STATISTICS)
        self.assertTrue(self.session.wait_gone(STATISTICS), "the close box closes it")
        self.assertEqual(game.menu_marks("statistics-closed"), (True, False), "and clears the check mark")

        game.point_at_panel()
        self.session.key("F5", pause=0.8)
        self.session.wait_for_window(STATISTICS)
        _, client = self.session.rect(STATISTICS)
        self.session.click(client[0] + client[2] - 10, client[1] + client[3] - 10, pause=0.4)
        self.session.key("F5", pause=0.8)
        self.session.screenshot("statistics-focused-f5")
        self.assertTrue(any(w[0] == STATISTICS for w in self.session.windows()), "F5 in it runs no command")
        self.assertEqual(self.quit_game(game), 0)

    def _check_closing(self, title, opener):
        """Esc leaves the box open; Enter, the OK button and the close box each close it."""
        for way in ("Return", "ok-button", "close-box"):
            with self.subTest(dialog=title, way=way):
                opener()
                self.session.wait_for_window(title)
                self.assert_centred(title)
                self.session.key("Escape", pause=0.5)
                self.assertTrue(any(w[0] == title for w in self.session.windows()), "Esc does not close it")
                if way == "Return":
                    self.session.key("Return", pause=0.5)
                elif way == "ok-button":
                    ok = next(c for c in self.session.children(title) if c[0] == 256)
                    self.session.click(ok[3] + ok[5] // 2, ok[4] + ok[6] // 2, pause=0.5)
                else:
                    self.close_box(title)
                self.assertTrue(self.session.wait_gone(title), f"{way} closes it")

    def test_rules_and_about_open_centred_and_close_three_ways(self):
        game = self.start_game("help")

        def rules():
            game.point_at_panel()
            self.session.key("F1", pause=0.6)

        def about():
            game.point_at_panel()
            # The help menu is the third popup; Up from its first item wraps to the last.
            self.session.key("F10", "Right", "Right", "Down", "Up", "Return", pause=0.6)

        rules()
        self.session.wait_for_window(RULES_DIALOG)
        self.session.screenshot("rules")
        self.session.key("Return", pause=0.5)
        about()
        self.check_about_box()
        self.session.key("Return", pause=0.5)
        self.assertTrue(self.session.wait_gone(ABOUT_DIALOG))
        self._check_closing(RULES_DIALOG, rules)
        self._check_closing(ABOUT_DIALOG, about)
        self.assertEqual(self.quit_game(game), 0)

    def test_a_dialog_is_read_whole_while_the_game_answers_late(self):
        # The probe waits 2 s for each control's text; a game held up longer (a loaded machine
        # once read the name dialog's error box as empty) is read again once it answers.
        game = self.start_game("late")
        game.point_at_panel()
        self.session.key("F1", pause=0.6)
        self.session.wait_for_window(RULES_DIALOG)
        pid = harness.program_pid(game.process, "Vexal.exe")
        resume = threading.Timer(4.5, os.kill, (pid, signal.SIGCONT))
        os.kill(pid, signal.SIGSTOP)
        resume.start()
        try:
            said = [c[2] for c in self.session.children(RULES_DIALOG) if c[1].lower() == "static"]
        finally:
            resume.join()
        self.assertTrue(any("五个同色球" in text for text in said), f"the rules' text, read late: {said}")
        self.session.key("Return", pause=0.5)
        self.assertTrue(self.session.wait_gone(RULES_DIALOG))
        self.assertEqual(self.quit_game(game), 0)

    def test_damaged_high_score_files_give_a_sane_table(self):
        good = table_bytes([("Alpha", 900), ("Beta", 800)] + [("- Empty -", 0)] * 8)
        corrupt = bytes((i * 37 + 255) % 256 for i in range(160))
        cases = {
            "corrupt": corrupt,
            "short": good[:50],
            "oversized": good + b"\xff" * 140,
            "read-only": good,
        }
        for label, data in cases.items():
            with self.subTest(file=label):
                game = self.start_game(label, {"vexalrec.res": data})
                path = os.path.join(game.folder, "vexalrec.res")
                if label == "read-only":
                    os.chmod(path, stat.S_IRUSR | stat.S_IRGRP)
                game.shot(f"{label}-start")
                self.open_table(game)
                rows = self.table_rows(f"{label}-table")
                for i, (left, _) in enumerate(rows[:2]):
                    self.assertGreater(left.count(dark), 3, f"row {i + 1} drawn")
                self.session.key("Return", pause=0.5)
                self.assertTrue(self.session.wait_gone(TABLE_DIALOG))
                self.assertTrue(game.alive(), "the game runs on")
                self.assertEqual(self.quit_game(game), 0)
                with open(path, "rb") as f:
                    self.assertEqual(f.read(), data, "an unchanged table is not written")


if __name__ == "__main__":
    unittest.main()
