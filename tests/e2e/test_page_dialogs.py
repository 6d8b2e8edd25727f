"""The page's dialogs as a player meets them, built from the resource script:
the table, the name entry after a scored game with its three refusals, the
statistics window, the rules and about boxes, damaged tables; the texts of
the table and the statistics written from Wine's glyphs; and a turn that
waits in a dialog keeps its stack frames while the page goes on. The checks
shared with the Windows build are its own tests, run against the page."""

import unittest

import test_dialogs
from game_case import NAME_DIALOG, TABLE_DIALOG
from page_case import PageCase, engines

# Through its module: a test class in this module's namespace would run here too.
Dialogs = test_dialogs


ENGINES = ("chromium", "firefox", "webkit")
# Which file is read and how a damaged one is taken are the program's own, the same WebAssembly in
# every engine; the dialogs they show are shown by the other tests in each engine.
PROGRAM_ONLY = "the program's reading of the files, shown in Chromium; its dialogs are tested here too"


class PageDialogsTest(PageCase):

    assert_default_rows = Dialogs.DialogsTest.assert_default_rows
    _abandon_scored_game = Dialogs.DialogsTest._abandon_scored_game
    _check_closing = Dialogs.DialogsTest._check_closing
    test_table_from_the_menu_without_a_file = Dialogs.DialogsTest.test_table_from_the_menu_without_a_file
    test_abandoned_scored_game_asks_a_name_and_saves_vexalrec = \
        Dialogs.DialogsTest.test_abandoned_scored_game_asks_a_name_and_saves_vexalrec
    test_only_lines_res_is_read_and_written = engines("chromium", why=PROGRAM_ONLY)(
        Dialogs.DialogsTest.test_only_lines_res_is_read_and_written)
    test_statistics_window_beside_the_board = Dialogs.DialogsTest.test_statistics_window_beside_the_board
    test_rules_and_about_open_centred_and_close_three_ways = \
        Dialogs.DialogsTest.test_rules_and_about_open_centred_and_close_three_ways
    test_damaged_high_score_files_give_a_sane_table = engines("chromium", why=PROGRAM_ONLY)(
        Dialogs.DialogsTest.test_damaged_high_score_files_give_a_sane_table)

    def test_the_table_and_the_statistics_are_written_in_wines_glyphs(self):
        game = self.start_game("glyphs")
        self.open_table(game)
        self.session.key("Return", pause=0.5)
        self.assertTrue(self.session.wait_gone(TABLE_DIALOG))
        game.point_at_panel()
        self.session.key("F5", pause=0.8)
        self.session.wait_for_window(Dialogs.STATISTICS)
        self.assertEqual(self.session.facts()["browserText"], 0,
                         "no character of the table, the statistics or the main window left to the browser's text")
        self.assertEqual(self.quit_game(game), 0)

    def test_a_call_waiting_in_the_name_entry_keeps_its_frames(self):
        game = self.start_game("frames")
        self.play_until_scored(game)
        game.point_at_panel()
        self.session.key("F4", pause=0.6)
        self.session.wait_for_window(NAME_DIALOG)
        self.session.key("Escape", pause=0.4)
        self.assertTrue(any(w[0] == NAME_DIALOG for w in self.session.windows()), "Esc does nothing")
        page = self.session.page
        before = self.session.facts()

        # A name too long: the check's message box waits inside the name test, whose buffer
        # lies in its frames; the page meanwhile runs the timer's calls below them.
        self.type_name("a" * 14)
        self.session.key("Return", pause=0.6)
        self.assertIn("Name too long", self.error_text())
        calls = page.evaluate("vexalPage.calls()")
        self.assertEqual([c["wait"] for c in calls], ["dialog", "box"], "the command waits, and within it the test")
        box = calls[1]
        self.assertGreater(box["base"], box["sp"], "the waiting test keeps frames on the stack")
        self.session.settle(0.6)
        self.session.key("Return", pause=0.5)
        after = self.session.facts()
        self.assertGreater(after["stackChecks"], before["stackChecks"], "resumed calls were checked")
        self.assertEqual(after["stackDamage"], 0, "their frames were as they left them")

        # The check is real: a frame changed behind a waiting call is found.
        self.session.key("Return", pause=0.6)
        self.assertIn("Name too long", self.error_text())
        page.evaluate("""(() => { const c = vexalPage.calls()[1];
            new Uint8Array(vexalPage.memory().buffer)[c.sp] ^= 0xff; })()""")
        self.session.key("Return", pause=0.5)
        self.assertEqual(self.session.facts()["stackDamage"], 1, "a damaged frame is reported")

        # The close box acts like OK: an empty field is refused and the dialog stays.
        self.type_name("")
        self.close_box(NAME_DIALOG)
        self.assertIn("You must enter some name", self.error_text())
        self.session.key("Return", pause=0.5)
        self.type_name("Ada")
        self.session.key("Return", pause=0.8)
        self.session.wait_for_window(TABLE_DIALOG)
        self.session.key("Return", pause=0.5)
        self.assertTrue(self.session.wait_gone(TABLE_DIALOG))


if __name__ == "__main__":
    unittest.main()
