"""Whole games in the page, played to "Game over!" by the player bot with every
move checked as under Wine: one from the built-in table, with the keyboard
alone, one against a low
record that the player passes, and one in a browser that keeps no data. The
first two are the Windows build's own tests, run against the page."""

import unittest

import test_dialogs
import test_whole_games
from game_case import TITLE
from page_case import PageCase, engines

ENGINES = ("chromium", "firefox", "webkit")
# The other two games run the same page code as the first, which each engine plays whole.
FIRST_ONLY = "one whole game per engine; the others add no engine's code to the first"


class PageWholeGamesTest(PageCase):
    # Taken through their module: a test class in this module's namespace would run here too.

    play_to_the_end = test_whole_games.WholeGamesTest.play_to_the_end
    finish = test_whole_games.WholeGamesTest.finish
    saved_table = test_whole_games.WholeGamesTest.saved_table
    assert_default_rows = test_dialogs.DialogsTest.assert_default_rows

    test_a_game_from_the_built_in_table = test_whole_games.WholeGamesTest.test_a_game_from_the_built_in_table
    test_a_game_that_passes_a_low_record = engines("chromium", why=FIRST_ONLY)(
        test_whole_games.WholeGamesTest.test_a_game_that_passes_a_low_record)

    @engines("chromium", why=FIRST_ONLY)
    def test_a_game_in_a_browser_that_keeps_no_data(self):
        game = self.start_game("blocked", storage="blocked")
        player = self.player(game, seed=3, greedy_moves=8, score_goal=1)
        _, rows = self.play_to_the_end(player)
        self.assertTrue(rows, "the name dialog and the table were shown")
        self.assertTrue(game.alive(), "the game runs on after the check")
        self.assertEqual([w[0] for w in self.session.windows()], [TITLE], "no box but the game's window")
        notices = self.session.notices()
        self.assertEqual(len(notices), 1, notices)
        self.assertIn("storage is blocked", notices[0])

        # A later visit that may store finds the built-in table: the entry was never kept.
        self.session.page.reload()
        self.session.wait_for_window(TITLE)
        self.assertEqual(self.session.storage(), {}, "nothing was stored")
        game.locate()
        self.open_table(game)
        self.assert_default_rows(self.table_rows("after-reload"))
        self.session.key("Return", pause=0.5)
        self.assertEqual(self.quit_game(game), 0)


if __name__ == "__main__":
    unittest.main()
