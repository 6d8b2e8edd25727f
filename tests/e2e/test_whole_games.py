"""Whole games played to "Game over!" by the player bot, every move checked as
it is played (player_bot): one from the built-in table, played with the
keyboard alone (the arrow keys, Space and Enter), one against a low
record that the player passes, so that the crown changes hands and the record
is handed over, and one in a folder where the high-score file cannot be
written, where the entry is said to be unsaved. Each ends with the high-score check and a new game."""

import os
import subprocess
import unittest

import score_reader
from game_case import GameCase, TITLE, read_table, table_bytes

LOW_RECORD = [("Slowpoke", 15)] + [("- Empty -", 0)] * 9


class WholeGamesTest(GameCase):

    def setUp(self):
        super().setUp()
        # The bot's readers are learnt from games of their own, before the test's game is up:
        # with it open, two windows have the game's title, and the one read may be the test's.
        self.learn_readers()

    def play_to_the_end(self, player, unsaved=False):
        """Plays the game out and answers the name dialog (with its refusals) as the
        player; returns the new game's first view and the table dialog's rows. unsaved: the
        game says the entry cannot be saved before it shows the table."""
        player.start()
        player.play_game()
        return self.finish(player, unsaved)

    def finish(self, player, unsaved=False):
        rows = []

        def enter_name(preset):
            rows.extend(self.enter_name_and_check(self.PLAYER, preset, unsaved))
            return self.PLAYER

        view = player.finish(enter_name)
        return view, rows

    def saved_table(self, game):
        self.assertEqual(self.quit_game(game), 0)
        self.assertEqual(os.listdir(game.folder), ["vexalrec.res"])
        with open(os.path.join(game.folder, "vexalrec.res"), "rb") as f:
            data = f.read()
        self.assertEqual(len(data), 160)
        return read_table(data)

    def test_a_game_from_the_built_in_table(self):
        game = self.start_game("built-in")
        # Greedy until its first line, so that the score enters the table.
        player = self.player(game, seed=1, greedy_moves=8, score_goal=1, keys=True)
        _, rows = self.play_to_the_end(player)
        self.assertEqual(player.tally.games, 1)
        self.assertTrue(rows, "the name dialog and the table were shown")
        self.assertEqual(self.saved_table(game), player.table)
        self.assertIn(self.PLAYER, [name for name, _ in player.table])

    def test_a_game_that_passes_a_low_record(self):
        game = self.start_game("low-record", {"vexalrec.res": table_bytes(LOW_RECORD)})
        player = self.player(game, seed=2, table=LOW_RECORD, greedy_moves=8, score_goal=15)
        player.start()
        player.play_game()
        # The bot checked at every move that the crown went over when the score passed 15.
        score = player.score
        self.assertGreater(score, 15)
        self.assertTrue(player.passed)
        view, _ = self.finish(player)
        # The new game's holder is the player with the new record (the bot read the
        # best-score box as the score); its name field shows the player's name.
        self.assertEqual(player.best, score)
        self.assertEqual(score_reader.Race.holder_name(view.image, view.client), self.player_field,
                         f"the holder's name field shows {self.PLAYER} ({view.path})")
        self.assertEqual(self.saved_table(game), [(self.PLAYER, score)] + LOW_RECORD[:9])

    def test_a_game_in_a_read_only_folder(self):
        game = self.start_game("read-only")
        self.make_read_only(game.folder)
        player = self.player(game, seed=3, greedy_moves=8, score_goal=1)
        # The entry cannot be saved: the game says so when it is made, and not again at the end.
        _, rows = self.play_to_the_end(player, unsaved=True)
        self.assertTrue(game.alive(), "the game runs on after the check")
        self.assertEqual([w[0] for w in self.session.windows() if w[0] != "Vexal"], [TITLE],
                         "nothing but the game's window is open")
        self.assertEqual(self.quit_game(game), 0, "no box stops the end")
        self.assertEqual(os.listdir(game.folder), [])

        # The table the game showed is the one it holds: the same pictures as the
        # table dialog of a game that reads that table from its file.
        reference = self.start_game("read-only-reference", {"vexalrec.res": table_bytes(player.table)})
        self.open_table(reference)
        shown = self.table_rows("reference-table")
        self.session.key("Return", pause=0.5)
        self.assertTrue(self.session.wait_gone("排名榜"))
        for i, (row, expected) in enumerate(zip(rows, shown)):
            self.assertEqual(row[0].data + row[1].data, expected[0].data + expected[1].data,
                             f"row {i + 1} of the table, {player.table[i]}")
        self.assertEqual(self.quit_game(reference), 0)

    def make_read_only(self, folder):
        """No file can be made in folder: its modes say so, and for root, who
        writes through modes, the immutable attribute too."""
        os.chmod(folder, 0o555)
        self.addCleanup(os.chmod, folder, 0o755)
        if os.geteuid() == 0:
            done = subprocess.run(["chattr", "+i", folder], capture_output=True)
            if done.returncode == 0:
                self.addCleanup(subprocess.run, ["chattr", "-i", folder], capture_output=True)
        try:
            with open(os.path.join(folder, "probe"), "wb"):
                pass
        except OSError:
            return
        os.remove(os.path.join(folder, "probe"))
        self.skipTest(f"{folder} cannot be made read-only here")


if __name__ == "__main__":
    unittest.main()
