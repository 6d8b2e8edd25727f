"""The main window as a player meets it: placement, title and menu, the first
balls and the preview, moves, the preview toggle, the minimum size and the
two Alt keys."""

import os
import time
import unittest

import board_reader
from game_case import GameCase


def balls(board):
    return [(c, r, board[r][c]) for r in range(9) for c in range(9) if board[r][c] > 0]


def dark(r, g, b):
    return r + g + b < 200


class MainWindowTest(GameCase):

    def test_window_opens_centred_with_title_menu_and_board(self):
        game = self.start_game("open")
        self.assertEqual(game.outer, (202, 174, 620, 420), "outer rectangle on a 1024 x 768 desktop")
        cx, cy, cw, ch = game.client
        self.assertGreater(cy - game.outer[1], 30, "a caption and a menu bar above the client area")
        image = game.shot("opened")
        self.assertIsNotNone(game.origin, "board frame not found")
        self.assertEqual(game.origin, (cx + (cw - 328) // 2, cy + (ch - 376) // 2 + 46), "board centred")
        # The menu bar is the strip right above the client area: its labels are drawn there.
        bar = image.crop(game.outer[0] + 4, cy - 18, 200, 16)
        face = bar.pixel(0, 0)
        self.assertGreater(bar.count(lambda r, g, b: abs(r - face[0]) + abs(g - face[1]) + abs(b - face[2]) > 150),
                           40, "menu labels drawn in the menu bar")
        self.assertEqual(game.menu_marks("start"), (True, False), "next balls checked, statistics not")
        # The prefix's classic scheme: the panel is drawn in the system's grey button face, and the
        # labels' white copies stand out on it.
        self.assertEqual(image.pixel(cx + 5, cy + 20), (192, 192, 192), "the panel's face")
        px = cx + (cw - 108) // 2
        for x0, x1 in ((px - 79, px - 16), (px + 124, px + 189)):
            label = image.crop(x0, cy + 14, x1 - x0, 17)
            self.assertGreater(label.count(lambda r, g, b: r == g == b > 230), 30, "a white label")
            self.assertGreater(label.count(lambda r, g, b: r == g == b < 192), 15, "its shadow")

    def test_start_shows_five_balls_and_three_preview_colours(self):
        game = self.start_game("start")
        image, board = game.stable_board("start")
        self.assertEqual(len(balls(board)), 5, board)
        preview = game.preview(image)
        self.assertTrue(all(1 <= v <= 7 for v in preview), f"preview {preview}")

    def test_move_to_reachable_cell_then_three_previewed_balls_arrive(self):
        game = self.start_game("move")
        image, board = game.stable_board("before-move")
        preview = game.preview(image)
        source = balls(board)[0]
        reach = sorted(board_reader.reachable(board, source[:2]))
        self.assertTrue(reach, "the first ball can go somewhere")
        target = reach[len(reach) // 2]
        game.move(source[:2], target)
        image, after = game.stable_board("after-move")
        # The ball left its cell, which a new ball may take at once.
        old = {(c, r) for c, r, _ in balls(board)} - {source[:2]}
        new_cells = [(c, r, v) for c, r, v in balls(after) if (c, r) not in old and (c, r) != target]
        if after[target[1]][target[0]] == source[2]:
            self.assertEqual(len(balls(after)), 8, after)
            self.assertEqual(sorted(v for _, _, v in new_cells), sorted(preview), "spawned the previewed colours")
        else:
            # A spawned ball completed a line of five, which vanished with the mover.
            self.assertLessEqual(len(balls(after)), 3, after)

    def test_unreachable_target_leaves_board_as_it_was(self):
        game = self.start_game("unreachable")
        image, board = game.stable_board("start")
        # Wall in an empty corner cell with balls on its two neighbours, then ask another ball there.
        corners = {(0, 0): ((1, 0), (0, 1)), (8, 0): ((7, 0), (8, 1)),
                   (0, 8): ((1, 8), (0, 7)), (8, 8): ((7, 8), (8, 7))}
        for attempt in range(8):
            open_corners = sorted((sum(board[r][c] > 0 for c, r in walls), corner)
                                  for corner, walls in corners.items() if board[corner[1]][corner[0]] == 0)
            self.assertTrue(open_corners, f"no empty corner: {board}")
            walled, corner = open_corners[-1]
            if walled == 2:
                break
            walls = corners[corner]
            gap = next(w for w in walls if board[w[1]][w[0]] == 0)
            movable = [(c, r) for c, r, _ in balls(board)
                       if (c, r) not in walls and gap in board_reader.reachable(board, (c, r))]
            self.assertTrue(movable, f"no ball reaches {gap}: {board}")
            game.move(movable[0], gap)
            image, board = game.stable_board(f"walling-{attempt}")
        else:
            self.skipTest("spawned balls kept filling the corners")
        outside = [(c, r) for c, r, _ in balls(board) if (c, r) not in corners[corner]
                   and corner not in board_reader.reachable(board, (c, r))]
        self.assertTrue(outside)
        game.click_cell(*outside[0])
        game.click_cell(*corner)
        time.sleep(1.0)
        image = game.shot("after-unreachable")
        after = game.board(image)
        self.assertEqual(after, board, "nothing moved and nothing was spawned")

    def test_f3_hides_and_shows_the_preview_and_moves_the_check_mark(self):
        game = self.start_game("preview")
        image, _ = game.stable_board("start")
        shown = game.preview(image, shown=True)
        self.assertTrue(all(1 <= v <= 7 for v in shown))
        self.assertEqual(game.menu_marks("preview-shown"), (True, False))

        game.point_at_panel()
        self.session.key("F3")
        image = game.shot("preview-hidden")
        self.assertEqual(game.preview(image, shown=False), [0, 0, 0], "three bare tiles")
        self.assertEqual(game.menu_marks("preview-hidden"), (False, False), "no check mark once hidden")

        game.point_at_panel()
        self.session.key("F3")
        image = game.shot("preview-shown-again")
        self.assertEqual(game.preview(image, shown=True), shown, "the same colours come back")
        self.assertEqual(game.menu_marks("preview-shown-again"), (True, False))

    def test_window_cannot_be_made_smaller_than_its_start_size(self):
        game = self.start_game("resize")
        x, y, w, h = game.outer
        game.session.drag(x + w - 2, y + h - 2, x + w - 202, y + h - 152)
        outer, _ = game.locate()
        game.shot("after-shrink")
        self.assertEqual(outer[2:], (620, 420), "the minimum tracking size holds")
        # The same drag outward does resize: the corner was really grabbed.
        game.session.drag(x + w - 2, y + h - 2, x + w + 58, y + h + 38)
        outer, client = game.locate()
        self.assertEqual(outer[2:], (680, 460))
        time.sleep(0.5)
        game.shot("after-grow")
        cx, cy, cw, ch = client
        self.assertEqual(game.origin, (cx + (cw - 328) // 2, cy + (ch - 376) // 2 + 46), "board centred again")

    def test_alt_upper_x_does_nothing_and_alt_lower_x_exits_with_zero(self):
        game = self.start_game("alt-x")
        game.shot("running")
        game.point_at_panel()
        self.session.key("alt+shift+x", pause=1.0)
        self.assertTrue(game.alive(), "Alt+X (upper case) must not end the program")
        self.assertEqual(self.quit_game(game), 0)
        self.assertEqual(os.listdir(game.folder), [], "no high-score file without a new entry")


if __name__ == "__main__":
    unittest.main()
