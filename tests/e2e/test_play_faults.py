"""What a player does to the window in the middle of a game: minimising it with
a ball selected, resizing it, opening the other windows while a ball bounces,
and Alt+x while a ball travels. The player bot plays before and after, and
checks every move it makes."""

import time
import unittest

import board_reader
import harness
from game_case import GameCase, TITLE
from board_reader import distances
from player_bot import balls, choose_move, line_through

# Wine's caption buttons, counted from the window's right edge: the middle of the
# minimise button (the restore button of a minimised window) and the caption's.
MINIMISE_FROM_RIGHT, CAPTION_MIDDLE = 48, 12


class PlayFaultsTest(GameCase):

    def setUp(self):
        super().setUp()
        # The bot's readers are learnt from games of their own, before the test's game is up:
        # with it open, two windows have the game's title, and the one read may be the test's.
        self.learn_readers()

    def started(self, label, seed, moves):
        """A game with the bot's first moves played."""
        game = self.start_game(label)
        player = self.player(game, seed)
        player.start()
        for _ in range(moves):
            self.assertIsNone(player.play_move(), "the game ended early")
        return game, player

    def assert_bouncing(self, game, player, cell, label):
        """The board is as the bot left it, and the ball at cell keeps changing its picture.

        The cell is looked at every 80 ms or so, out of step with the 300 ms bounce."""
        image = game.shot(label)
        self.assertEqual(game.board(image), player.board, f"the board ({self.session.last_shot_path})")
        x, y = board_reader.cell_centre(game.origin, *cell)
        colour = player.board[cell[1]][cell[0]]
        pictures = set()
        for _ in range(8):
            picture = self.session.capture(x - board_reader.CELL // 2, y - board_reader.CELL // 2,
                                           board_reader.CELL, board_reader.CELL)
            self.assertEqual(self.pictures.classify_board_cell(picture), colour, f"the ball at {cell}")
            pictures.add(picture.data)
            time.sleep(0.04)
        self.assertGreater(len(pictures), 1, f"the ball at {cell} bounces")

    def select_a_ball(self, game, player):
        source, target, _ = choose_move(player.board, player.rng)
        game.click_cell(*source, pause=0.3)
        self.assert_bouncing(game, player, source, "selected")
        return source, target

    def test_minimise_with_a_ball_selected(self):
        game, player = self.started("minimise", seed=11, moves=3)
        source, target = self.select_a_ball(game, player)
        x, y, w, _ = game.outer
        self.session.click(x + w - MINIMISE_FROM_RIGHT, y + CAPTION_MIDDLE, pause=0.8)
        bar, client = self.session.rect(TITLE)
        self.assertEqual(client[2:], (0, 0), "minimised: no client area")

        shots = []
        for i in range(4):
            shots.append(self.session.screenshot(f"minimised-{i}").data)
            time.sleep(0.2)
        self.assertTrue(all(shot == shots[0] for shot in shots), "nothing is drawn while minimised")

        self.session.click(bar[0] + bar[2] - MINIMISE_FROM_RIGHT, bar[1] + CAPTION_MIDDLE, pause=0.8)
        outer, _ = game.locate()
        self.assertEqual(outer, (x, y, w, game.outer[3]), "restored where it was")
        self.assert_bouncing(game, player, source, "restored")
        player.play_move(source, target, selected=True)
        player.play_move()

    def test_resize_to_a_large_size_and_to_the_minimum_in_mid_game(self):
        game, player = self.started("resize", seed=12, moves=3)
        for label, push, size in (("large", (180, 150), (800, 570)), ("minimum", (-400, -300), (620, 420))):
            with self.subTest(size=label):
                x, y, w, h = game.outer
                preview = player.preview
                self.session.drag(x + w - 2, y + h - 2, x + w - 2 + push[0], y + h - 2 + push[1])
                outer, client = game.locate()
                self.assertEqual(outer[2:], size)
                view = player.settled(label)
                self.assertIsNotNone(view, "the board reads after the resize")
                cx, cy, cw, ch = client
                self.assertEqual(game.origin, (cx + (cw - 328) // 2, cy + (ch - 376) // 2 + 46), "re-centred")
                self.assertEqual(view.board, player.board, f"nothing lost ({view.path})")
                self.assertEqual(view.preview(), preview)
                # Both score boxes and the race, at their new places, as before.
                player.check_panel(view, label, timeout=1.0)
                player.play_move()
                player.play_move()

    def test_rules_about_table_and_statistics_while_a_ball_bounces(self):
        game, player = self.started("windows", seed=13, moves=2)
        source, target = self.select_a_ball(game, player)
        windows = (("rules", "游戏规则", ("F1",), "Return"),
                   ("about", "关于", ("F10", "Right", "Right", "Down", "Up", "Return"), "Return"),
                   ("table", "排名榜", ("F10", "Down", "Down", "Return"), "Return"),
                   ("statistics", "统计", ("F5",), "F5"))
        for label, title, keys, closer in windows:
            with self.subTest(window=label):
                game.point_at_panel()
                self.session.key(*keys, pause=0.6)
                self.session.wait_for_window(title)
                self.session.screenshot(f"{label}-open")
                self.session.key(closer, pause=0.5)
                self.assertTrue(self.session.wait_gone(title), f"{label} closes")
                self.assert_bouncing(game, player, source, f"after-{label}")
        player.play_move(source, target, selected=True)
        player.play_move()

    def test_alt_x_in_mid_travel_is_handled_after_the_turn(self):
        game = self.start_game("alt-x")
        player = self.player(game, seed=14)
        player.start()
        board = player.board
        longest = None
        for source in balls(board):
            colour = board[source[1]][source[0]]
            for target, steps in distances(board, source).items():
                moved = [row[:] for row in board]
                moved[source[1]][source[0]], moved[target[1]][target[0]] = 0, colour
                if not line_through(moved, *target, colour)[0] and (longest is None or steps > longest[2]):
                    longest = (source, target, steps)
        source, target, steps = longest
        self.assertGreaterEqual(steps, 8, "a long route on the first board")

        game.click_cell(*source)
        game.click_cell(*target, pause=0)
        self.session.key("alt+x", pause=0)
        # Watch the board until the program ends: the ball goes on travelling after
        # the key and arrives before the window goes.
        ox, oy = game.origin
        frames = []
        deadline = time.time() + 10
        while game.alive() and time.time() < deadline:
            picture = self.session.capture(ox, oy, 328, 328)
            frames.append(board_reader.read_board(picture, (0, 0), self.pictures))
        code = harness.wait_exit(game.process, 10)
        colour = board[source[1]][source[0]]

        def at(frame, cell):
            return frame[cell[1]][cell[0]]

        def count(frame):
            return sum(v == colour for row in frame for v in row)

        # On its way: neither at the start nor at the target, but on the board.
        travelling = [i for i, f in enumerate(frames)
                      if at(f, source) == 0 and at(f, target) == 0 and count(f) == count(board)]
        arrived = [i for i, f in enumerate(frames) if at(f, target) == colour]
        self.assertTrue(travelling, f"a picture after Alt+x shows the ball on its way ({len(frames)} pictures)")
        self.assertTrue(arrived and arrived[-1] > travelling[0], "a later one shows it at the target")
        self.assertEqual(code, 0, "then Alt+x ends the program")


if __name__ == "__main__":
    unittest.main()
