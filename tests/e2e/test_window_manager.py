"""The game as a Linux player runs it: no Wine virtual desktop, its window an
X window of its own that a real window manager (openbox) frames, minimises,
restores and moves; Alt+x still ends it with exit code 0."""

import re
import time
import unittest

import board_reader
import harness
from game_case import GameCase, TITLE


class WindowManagerTest(GameCase):
    window_manager = "openbox"

    def x_window(self):
        out = harness.run(["xdotool", "search", "--name", f"^{TITLE}$"], env=self.session.env)
        ids = out.stdout.split()
        self.assertTrue(ids, "the game has an X window of its own")
        return ids[0].decode()

    def xprop(self, window, name):
        return harness.run(["xprop", "-id", window, name], env=self.session.env).stdout.decode(errors="replace")

    def bounce(self, game, cell, colour):
        frames = self.sample(game, lambda: None, 0.8)
        return {f for _, (c, f) in frames.history(*cell) if c == colour}

    def test_framed_minimised_restored_moved_and_closed(self):
        game = self.start_game("managed")
        window = self.x_window()
        extents = re.findall(r"\d+", self.xprop(window, "_NET_FRAME_EXTENTS").split("=")[-1])
        self.assertEqual(len(extents), 4, "the window manager framed the window")
        self.assertGreater(int(extents[2]), 10, f"with a title bar: frame extents {extents}")
        image, board = game.stable_board("framed")
        ball = next((c, r) for r in range(9) for c in range(9) if board[r][c] > 0)
        colour = board[ball[1]][ball[0]]
        game.click_cell(*ball)
        self.assertGreaterEqual(len(self.bounce(game, ball, colour)), 3, "the selected ball bounces")

        self.session.xdo("windowminimize", window)
        time.sleep(1.0)
        self.assertIn("_NET_WM_STATE_HIDDEN", self.xprop(window, "_NET_WM_STATE"), "minimised")
        hidden = self.session.screenshot("minimised")
        self.assertIsNone(board_reader.find_board(hidden, game.client), "nothing of the game on the screen")
        time.sleep(0.6)
        self.assertIsNone(board_reader.find_board(self.session.screenshot("still-minimised"), game.client),
                          "the bounce draws nothing while minimised")

        self.session.xdo("windowactivate", "--sync", window)
        time.sleep(1.0)
        game.locate()
        image, after = game.stable_board("restored")
        self.assertEqual(after, board, "the board came back as it was")
        self.assertGreaterEqual(len(self.bounce(game, ball, colour)), 3, "the ball bounces again after restoring")

        x, y = game.outer[:2]
        self.session.xdo("windowmove", "--sync", window, str(x - 150), str(y - 100))
        time.sleep(1.0)
        outer, client = game.locate()
        self.assertLess(outer[0], x - 100, f"moved left: {outer}")
        self.assertLess(outer[1], y - 60, f"moved up: {outer}")
        image, moved = game.stable_board("moved")
        cx, cy, cw, ch = client
        self.assertEqual(game.origin, (cx + (cw - 328) // 2, cy + (ch - 376) // 2 + 46), "the board moved along")
        self.assertEqual(moved, board)

        self.assertEqual(self.quit_game(game), 0)
        self.assertTrue(self.session.wait_gone(TITLE))


if __name__ == "__main__":
    unittest.main()
