"""The 64-bit build in one short round, whatever build the rest of the suite
runs: it starts with five balls, a ball moves, the about box shows its logo
and closes, and Alt+x ends it with exit code 0."""

import unittest

import board_reader
from game_case import ABOUT_DIALOG, GameCase, TITLE


class SmokeWin64Test(GameCase):
    arch = "win64"

    def test_start_move_about_and_exit(self):
        game = self.start_game("smoke")
        self.assertEqual(game.outer, (202, 174, 620, 420), "outer rectangle on a 1024 x 768 desktop")
        image, board = game.stable_board("start")
        balls = [(c, r) for r in range(9) for c in range(9) if board[r][c] > 0]
        self.assertEqual(len(balls), 5, board)

        source = next(b for b in balls if board_reader.reachable(board, b))
        target = sorted(board_reader.reachable(board, source))[0]
        colour = board[source[1]][source[0]]
        game.move(source, target)
        _, after = game.stable_board("after-move")
        # The cell it left may take one of the three new balls at once.
        self.assertEqual(after[target[1]][target[0]], colour, "the ball stands at its target")
        self.assertEqual(sum(v > 0 for row in after for v in row), 8, after)

        game.point_at_panel()
        self.session.key("F10", "Right", "Right", "Down", "Up", "Return", pause=0.6)
        self.check_about_box()
        self.session.key("Return", pause=0.5)
        self.assertTrue(self.session.wait_gone(ABOUT_DIALOG), "Enter closes the about box")

        self.assertEqual(self.quit_game(game), 0)
        self.assertTrue(self.session.wait_gone(TITLE))


if __name__ == "__main__":
    unittest.main()
