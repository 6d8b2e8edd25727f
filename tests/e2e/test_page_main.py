"""The page's main window as a player meets it: the start, a move seen cell by
cell, a line removed and scored, input during a turn and under a dialog, the
keys, the menu's check marks, sizing and maximising, and the stack of a turn
that waits while the page goes on. The checks shared with the Windows build
are its own tests, run against the page."""

import time
import unittest

import board_reader
import player_bot
import score_reader
import test_animation
import test_main_window
from game_case import TITLE
from page_case import PageCase

RULES_DIALOG = "游戏规则"
STATISTICS = "统计"

# Through their modules: a test class in this module's namespace would run here too.
Animation = test_animation
MainWindow = test_main_window


ENGINES = ("chromium", "firefox", "webkit")


class PageMainWindowTest(PageCase):

    start_long_move = Animation.AnimationTest.start_long_move
    check_travel_and_spawns = Animation.AnimationTest.check_travel_and_spawns
    test_the_ball_travels_cell_by_cell_and_spawned_balls_grow = \
        Animation.AnimationTest.test_the_ball_travels_cell_by_cell_and_spawned_balls_grow
    test_a_line_vanishes_in_two_frames_and_the_pretender_rises_pixel_by_pixel = \
        Animation.AnimationTest.test_a_line_vanishes_in_two_frames_and_the_pretender_rises_pixel_by_pixel
    test_move_to_reachable_cell_then_three_previewed_balls_arrive = \
        MainWindow.MainWindowTest.test_move_to_reachable_cell_then_three_previewed_balls_arrive
    test_f3_hides_and_shows_the_preview_and_moves_the_check_mark = \
        MainWindow.MainWindowTest.test_f3_hides_and_shows_the_preview_and_moves_the_check_mark
    test_window_cannot_be_made_smaller_than_its_start_size = \
        MainWindow.MainWindowTest.test_window_cannot_be_made_smaller_than_its_start_size
    test_alt_upper_x_does_nothing_and_alt_lower_x_exits_with_zero = \
        MainWindow.MainWindowTest.test_alt_upper_x_does_nothing_and_alt_lower_x_exits_with_zero

    def test_a_ball_dealt_onto_the_cell_the_ball_left_is_seen_growing_there(self):
        # Tick count 1371 deals a board whose longest move is followed by a new ball of the
        # moving ball's colour on the cell it left: that cell shows the ball full-grown, then
        # nothing, then the new ball small and growing.
        source, colour, after = self.check_travel_and_spawns("onto-the-source", ticks=1371)
        self.assertEqual(after[source[1]][source[0]], colour, f"a new ball of colour {colour} at {source}")

    def test_a_screen_reader_hears_a_refused_move_the_preview_and_a_new_game(self):
        # Tick count 1046 deals a ball on each cell beside the top left corner: no other ball reaches it.
        game = self.start_game("refused", ticks=1046)
        image, board = game.stable_board("start")
        self.assertEqual((board[0][1], board[1][0], board[1][5]), (3, 1, 7), f"the deal of tick count 1046: {board}")
        preview = game.preview(image)
        said, _ = self.session.news()
        game.key_to(5, 1)
        self.session.key("space", pause=0.3)
        game.key_to(0, 0)
        focused = "document.activeElement.getAttribute('aria-label')"
        self.assertEqual(self.session.page.evaluate(focused), "row 1, column 1: empty", "the focus is on the cursor")
        self.session.key("Return", pause=0.5)
        self.assertEqual(self.session.facts()["beeps"], 1, "the refused move beeped")
        names = [player_bot.cell_name(board, c, r, selected=(5, 1)) for r in range(9) for c in range(9)]
        self.assertEqual(self.session.board_names(), names, "the grid after the refused move")
        game.point_at_panel()
        self.session.key("F3", pause=0.4)
        self.session.key("F3", pause=0.4)
        self.session.key("F4", pause=1.5)
        image, dealt = game.stable_board("new-game")
        colours = ", ".join(player_bot.COLOUR_NAMES[c] for c in preview)
        expected = ["Brown ball at row 2, column 6 selected.", "No route from row 2, column 6 to row 1, column 1.",
                    "Next colours hidden.", f"Next: {colours}.",
                    f"New game. Record 100 by Handicap. Balls: {player_bot.ball_list(dealt, player_bot.balls(dealt))}.",
                    "Next: " + ", ".join(player_bot.COLOUR_NAMES[c] for c in game.preview(image)) + "."]
        self.assertEqual(self.session.news(said)[1], expected, "what the live region said")
        self.assertEqual(self.session.board_names(),
                         [player_bot.cell_name(dealt, c, r) for r in range(9) for c in range(9)], "the new game's grid")

    def test_start_shows_a_new_game_and_asks_the_network_nothing(self):
        game = self.start_game("start")
        digits = self.digits
        sw, sh = self.session.screen_size
        self.assertEqual(game.outer, ((sw - 620) // 2, (sh - 420) // 2, 620, 420), "centred at the Windows size")
        self.assertEqual(game.client[2:], (612, 374), "the client area within the classic frame")
        image, board = game.stable_board("start")
        self.assertEqual(len(player_bot.balls(board)), 5, "five balls dealt")
        self.assertEqual(game.origin, (game.client[0] + 142, game.client[1] + 45), "the board centred")
        preview = game.preview(image)
        self.assertTrue(all(1 <= c <= 7 for c in preview), f"three previewed colours: {preview}")
        race = score_reader.Race(self.sheet)
        self.assertEqual(race.pretender_level(image, game.client), score_reader.RACE_HEIGHT, "the pretender at rest")
        self.assertEqual(race.holder(image, game.client), (0, 0), "the holder at rest")
        self.assertEqual((digits.read(game.best_box(image)), digits.read(game.score_box(image))), (100, 0),
                         "the record and the score")
        self.assertEqual(self.session.menu_marks(), (True, False), "the menu's marks at the start")
        titles = self.session.page.evaluate(
            "[...document.querySelectorAll('.menu-title')].map((t) => t.firstChild.textContent)")
        self.assertEqual(titles, ["文件", "设置", "帮助"])
        # What the page carries in itself (data: addresses) is not the network. WebKit's driver
        # shows neither the requests nor the console.
        requests = [r for r in self.session.page.requests
                    if not r.startswith(("file://" + self.exe, "data:")) and r != self.session.blank_url]
        self.assertEqual(requests, [], "no request beyond the page itself")
        facts = self.session.facts()
        self.assertGreaterEqual(facts["firstPaint"] - facts["started"], 500, "the opening's five balls take 500 ms")
        self.assertEqual(self.session.page.console, [], "nothing said on the console")

    def test_a_key_and_a_click_during_a_turn_take_effect_after_it(self):
        game, image, board, source, target, steps = self.start_long_move("queued")
        other = next((c, r) for r in range(9) for c in range(9) if board[r][c] > 0 and (c, r) != source)
        game.click_cell(*source)

        def turn():
            game.click_cell(*target, pause=0.1)
            self.session.key("F3", pause=0)
            game.click_cell(*other, pause=0)

        frames = self.sample(game, turn, steps * 0.05 + 1.2)
        turn_end = max(t for r in range(9) for c in range(9) if (c, r) != other
                       for t, _ in frames.history(c, r)[1:])
        px, py = game.preview_origin()
        px, py = px - game.client[0], py - game.client[1]
        changes, previous = [], None
        for t, picture in frames.samples:
            data = picture.crop(px, py, 108, 36).data
            if previous is not None and data != previous:
                changes.append(t)
            previous = data
        self.assertTrue(changes, "the preview changed")
        self.assertGreaterEqual(min(changes), turn_end, "the preview changed only once the turn was over")
        image = game.shot("after")
        self.assertEqual(game.preview(image, shown=False), [0, 0, 0], "F3 hid the preview after the turn")
        colour = board[other[1]][other[0]]
        bounce = [(t, f) for t, (c, f) in frames.history(*other) if c == colour]
        self.assertGreaterEqual(len({f for _, f in bounce}), 3, f"the ball clicked meanwhile bounces: {bounce}")
        # The first tick after the turn may come in the same sample as its last picture.
        self.assertGreaterEqual(min(t for t, f in bounce if f != 0), turn_end, "its bounce began after the turn")

    def test_under_a_dialog_the_board_takes_no_click_and_the_ball_bounces_on(self):
        # Tick count 1087 deals the second ball of the board onto the centre cell, under the
        # rules' OK button: a click there is a click on the dialog, so the clicks go clear of it.
        game = self.start_game("under-dialog", ticks=1087)
        _, board = game.stable_board("before")
        balls = player_bot.balls(board)
        source = balls[0]
        game.click_cell(*source)
        game.point_at_panel()
        self.session.key("F1", pause=0.5)
        _, _, x, y, w, h = self.session.wait_for_window(RULES_DIALOG)

        def clear(cell):
            left, top = board_reader.cell_centre(game.origin, *cell)
            left, top = left - board_reader.CELL // 2, top - board_reader.CELL // 2
            return left + board_reader.CELL <= x or left >= x + w or top + board_reader.CELL <= y or top >= y + h

        self.assertFalse(clear((4, 4)), f"the dialog {x, y, w, h} lies over the board's centre")
        empty = next(c for c in sorted(board_reader.reachable(board, source)) if clear(c))
        other = next(b for b in balls[1:] if clear(b))
        self.assertTrue(clear(source), f"the selected ball {source} is seen beside the dialog")
        colour = board[source[1]][source[0]]

        def clicks():
            game.click_cell(*empty, pause=0.2)
            game.click_cell(*other, pause=0.2)

        frames = self.sample(game, clicks, 0.8)
        self.assertTrue(any(w[0] == RULES_DIALOG for w in self.session.windows()), "the rules stay open")
        bounce = {f for _, (c, f) in frames.history(*source) if c == colour}
        self.assertGreaterEqual(len(bounce), 4, f"the selected ball bounces behind the dialog: {bounce}")
        self.assertEqual(frames.history(*empty)[-1][1][0], 0, "no move to the cell clicked under the dialog")
        self.session.key("Return", pause=0.5)
        self.assertTrue(self.session.wait_gone(RULES_DIALOG))
        _, after = game.stable_board("after-dialog")
        self.assertEqual(after, board, "nothing moved")
        game.click_cell(*empty, pause=1.2)
        _, moved = game.stable_board("moved")
        self.assertEqual(moved[empty[1]][empty[0]], colour, "the ball selected before the dialog still moves")

    def test_the_game_keys_work_and_do_nothing_else(self):
        game = self.start_game("keys")
        page = self.session.page
        page.evaluate("window.stillHere = 1")
        tabs = self.session.browser.tabs()
        game.point_at_panel(click=True)
        self.session.key("F5", pause=0.6)
        self.session.wait_for_window(STATISTICS)
        self.assertEqual(self.session.menu_marks(), (True, True), "F5 checks the statistics item")
        self.session.key("F5", pause=0.6)
        self.assertTrue(self.session.wait_gone(STATISTICS), "F5 again closes it")
        self.assertEqual(self.session.menu_marks(), (True, False))
        self.session.key("F1", pause=0.6)
        self.session.wait_for_window(RULES_DIALOG)
        self.session.key("F4", "F5", pause=0.5)
        self.assertFalse(any(w[0] == STATISTICS for w in self.session.windows()), "no key reaches the game under a dialog")
        self.session.key("Return", pause=0.5)
        _, before = game.stable_board("before-f4")
        self.session.key("F4", pause=1.5)
        _, after = game.stable_board("after-f4")
        self.assertEqual(len(player_bot.balls(after)), 5, "F4 deals a new game")
        self.assertNotEqual(after, before)
        self.assertEqual(page.evaluate("window.stillHere"), 1, "F5 did not reload the page")
        self.assertEqual(self.session.browser.tabs(), tabs, "F1 opened no help page")
        self.assertEqual(self.quit_game(game), 0)
        self.assertTrue(page.evaluate("!document.getElementById('ended').hidden"), "the page says the game ended")

    def test_maximise_fills_the_page_and_the_board_is_centred_anew(self):
        game = self.start_game("maximise")
        x, y, w, h = game.outer
        self.session.click(x + w - 31, y + 12, pause=0.8)
        outer, client = game.locate()
        sw, sh = self.session.screen_size
        self.assertEqual(outer, (0, 0, sw, sh), "maximised, the window fills the page")
        image, board = game.stable_board("maximised")
        cx, cy, cw, ch = client
        self.assertEqual(game.origin, (cx + (cw - 328) // 2, cy + (ch - 376) // 2 + 46), "the board centred")
        self.assertEqual(len(player_bot.balls(board)), 5, "the game as it was")
        self.session.click(sw - 31, 12, pause=0.8)
        outer, _ = game.locate()
        self.assertEqual(outer, (x, y, w, h), "restored to where it was")


if __name__ == "__main__":
    unittest.main()
