"""What a player sees of the animations under Wine, sampled from the X server
every few milliseconds: the ball travelling cell by cell, spawned balls
growing, removed balls vanishing through their two frames, the pretender's
column rising pixel by pixel; and that no message reaches the game while a
turn plays, so a click or a resize made meanwhile is handled after it."""

import os
import subprocess
import tempfile
import time
import unittest

from board_reader import distances
from game_case import GameCase, TITLE

TRAVEL_FRAMES = range(6)
SMALL, GROWING, VANISHING, VANISHED = 6, 7, 8, 9
WM_COMMAND = 0x0111


def longest_move(board):
    """(source, target, steps) of the move with the longest shortest route."""
    best = None
    for r in range(9):
        for c in range(9):
            if board[r][c] > 0:
                for cell, steps in distances(board, (c, r)).items():
                    if steps and (best is None or steps > best[2]):
                        best = ((c, r), cell, steps)
    return best


class AnimationTest(GameCase):

    def start_long_move(self, label, ticks=None):
        """ticks, where the platform lets a test set its clock, picks the deal."""
        game = self.start_game(label, **({"ticks": ticks} if ticks is not None else {}))
        image, board = game.stable_board("before")
        source, target, steps = longest_move(board)
        self.assertGreaterEqual(steps, 6, f"a route of six steps or more on {board}")
        return game, image, board, source, target, steps

    def test_a_sampler_too_slow_for_the_pictures_says_it_missed_some(self):
        # The check that no picture fell between two grabs reads the display's own reports of
        # drawing: one grab every 150 ms over a travel of 50 ms steps must be told it missed
        # pictures, while the test's sampler beside it misses none.
        from screen_sampler import ScreenSampler
        game, _, _, source, target, steps = self.start_long_move("slow-sampler")
        slow = ScreenSampler(self.session.env["DISPLAY"], game.client, interval=0.15).start()
        try:
            self.sample(game, lambda: game.move(source, target, settle=0), steps * 0.05 + 0.8)
        finally:
            slow.stop()
        self.assertGreater(slow.missed, 2, f"{slow.grabs} grabs of a {steps}-step travel")

    def test_the_ball_travels_cell_by_cell_and_spawned_balls_grow(self):
        self.check_travel_and_spawns("travel")

    def check_travel_and_spawns(self, label, ticks=None):
        """Plays the deal's longest move while sampling; returns (source, its colour, the board after)."""
        game, image, board, source, target, steps = self.start_long_move(label, ticks)
        colour = board[source[1]][source[0]]
        preview = game.preview(image)
        # The spawns' pictures end the turn; the board stands still after them.
        frames = self.sample(game, lambda: game.move(source, target, settle=0), steps * 0.05 + 0.8, until_still=0.4)
        _, after = game.stable_board("after")

        # The travel: every cell of a shortest route that showed the moving ball, in order.
        arrived = next(t for t, (c, f) in frames.history(*target) if c == colour)
        from_source, to_target = distances(board, source), distances(board, target)
        on_route = [cell for cell, d in from_source.items()
                    if 0 < d < steps and d + to_target.get(cell, 99) == steps]
        seen = []
        for cell in on_route:
            shown = [t for t, (c, f) in frames.history(*cell) if c == colour and f in TRAVEL_FRAMES and t < arrived]
            if shown:
                seen.append((shown[0], from_source[cell], cell))
        seen.sort()
        self.assertGreaterEqual(len(seen), 4, f"the ball seen on intermediate cells of the {steps}-step route: {seen}")
        self.assertEqual([d for _, d, _ in seen], sorted(d for _, d, _ in seen), f"in order along the route: {seen}")
        self.assertEqual(len({d for _, d, _ in seen}), len(seen), f"one cell per step: {seen}")

        # The spawns: each new ball small (and growing) before it is full-grown. They come after
        # the arrival; before it, the cell the ball left showed the ball itself, full-grown.
        spawned = [(c, r) for r in range(9) for c in range(9)
                   if (board[r][c] == 0 or (c, r) == source) and after[r][c] > 0 and (c, r) != target]
        self.assertEqual(sorted(after[r][c] for c, r in spawned), sorted(preview), "the previewed colours arrived")
        for cell in spawned:
            history = frames.history(*cell)
            rows = [f for t, (c, f) in history if c == after[cell[1]][cell[0]] and t > arrived]
            if SMALL not in rows and frames.lost_over(*cell, arrived):
                continue  # the display said its small picture fell between two grabs
            self.assertIn(SMALL, rows, f"spawned ball at {cell} seen small: {history}")
            self.assertIn(0, rows, f"spawned ball at {cell} seen full-grown: {history}")
            self.assertLess(rows.index(SMALL), rows.index(0), f"small before full-grown at {cell}: {history}")
        return source, colour, after

    def test_a_line_vanishes_in_two_frames_and_the_pretender_rises_pixel_by_pixel(self):
        game = self.start_game("line")
        seen = {}

        def line_move(source, target):
            _, board = game.stable_board("before-line")
            seen["board"] = board
            seen["move"] = (source, target)
            seen["frames"] = self.sample(game, lambda: game.move(source, target, settle=0), 2.2)

        self.play_until_scored(game, line_move=line_move)
        self.assertIn("frames", seen, "the score came from a move the planner made for it")
        board, frames = seen["board"], seen["frames"]
        (source, target) = seen["move"]
        colour = board[source[1]][source[0]]
        _, after = game.stable_board("after-line")

        removed = [(c, r) for r in range(9) for c in range(9)
                   if after[r][c] == 0 and ((c, r) == target or (board[r][c] == colour and (c, r) != source))]
        self.assertGreaterEqual(len(removed), 5, f"a line of five went: {removed}")
        for cell in removed:
            rows = [f for _, (c, f) in frames.history(*cell) if c == colour]
            self.assertIn(VANISHING, rows, f"{cell} shown vanishing")
            self.assertIn(VANISHED, rows, f"{cell} shown nearly gone")
            self.assertLess(rows.index(VANISHING), rows.index(VANISHED), f"{cell}: {rows}")

        # The pretender's figure climbs one pixel per 25 ms, leaving its column behind.
        cw, ch = game.client[2], game.client[3]
        margin = (cw - 328) // 2
        x = margin + 328 + (margin - 58) // 2 - 10
        base = (ch - 234) // 2 + 234
        tops = []
        for t, image in frames.samples:
            strip = image.crop(x, base - 234, 72, 225)
            top = next((y for y in range(strip.height) if strip.row(y) != bytes(3 * strip.width)), None)
            if top is not None and (not tops or tops[-1][1] != top):
                tops.append((t, top))
        heights = [top for _, top in tops]
        self.assertEqual(heights, sorted(heights, reverse=True), f"the figure only rises: {tops}")
        self.assertGreaterEqual(len(heights), 4, f"the start, the end and heights between them: {tops}")

    def probe(self, *args, stdin=subprocess.DEVNULL):
        """Starts the probe in the background; returns the process and the file it writes to."""
        out = tempfile.NamedTemporaryFile(prefix="probe-", dir=self.session.games_root, delete=False)
        process = subprocess.Popen([self.session.loader, self.session.probe, *args], env=self.session.env,
                                   stdin=stdin, stdout=out, stderr=subprocess.DEVNULL)
        return process, out.name

    def wait_probe_line(self, path, line):
        deadline = time.time() + 15
        while time.time() < deadline:
            with open(path, encoding="utf-8", errors="replace") as f:
                if line in f.read().split():
                    return
            time.sleep(0.02)
        self.fail(f"the probe never said {line!r}")

    def probe_result(self, process, path):
        process.wait(30)
        with open(path, encoding="utf-8", errors="replace") as f:
            lines = f.read().splitlines()
        os.unlink(path)
        return lines

    def test_a_command_and_a_click_during_a_turn_take_effect_after_it(self):
        game, image, board, source, target, steps = self.start_long_move("queued")
        other = next((c, r) for r in range(9) for c in range(9) if board[r][c] > 0 and (c, r) != source)
        game.click_cell(*source)
        # F3 (command 512) sent from another process while the ball travels, and a click on
        # another ball: neither may reach the game before the turn has played out. The send
        # waits 200 ms from the click that starts the turn: counted from before it, a loaded
        # machine's click came after the send, and F3 rightly took effect at once.
        sender, path = self.probe("send", TITLE, str(WM_COMMAND), "512", "200", "go", stdin=subprocess.PIPE)
        self.wait_probe_line(path, "ready")

        def turn():
            game.click_cell(*target, pause=0)
            sender.stdin.write(b"go\n")
            sender.stdin.close()
            time.sleep(0.1)
            game.click_cell(*other, pause=0)

        frames = self.sample(game, turn, steps * 0.05 + 1.2)
        lines = self.probe_result(sender, path)
        self.assertTrue(any(line.startswith("send waited") for line in lines), lines)

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
        self.assertGreater(min(t for t, f in bounce if f != 0), turn_end, "its bounce began after the turn")

    def test_a_resize_during_a_turn_is_handled_after_it(self):
        game, image, board, source, target, steps = self.start_long_move("resize")
        colour = board[source[1]][source[0]]
        game.click_cell(*source)
        # The probe resizes 300 ms after the click that starts the turn, which still plays then.
        resizer, path = self.probe("resize", TITLE, "700", "500", "300", "go", stdin=subprocess.PIPE)
        self.wait_probe_line(path, "ready")

        def turn():
            game.click_cell(*target, pause=0)
            resizer.stdin.write(b"go\n")
            resizer.stdin.close()

        frames = self.sample(game, turn, steps * 0.05 + 1.0)
        lines = self.probe_result(resizer, path)
        waited = next((int(line.split()[-1]) for line in lines if line.startswith("resized after")), None)
        self.assertIsNotNone(waited, lines)
        self.assertGreaterEqual(waited, 100, "the resize waited for the turn")
        outer, client = game.locate()
        self.assertEqual(outer[2:], (700, 500))
        image, after = game.stable_board("after-resize")
        cx, cy, cw, ch = client
        self.assertEqual(game.origin, (cx + (cw - 328) // 2, cy + (ch - 376) // 2 + 46), "board centred anew")
        self.assertEqual(after[target[1]][target[0]], colour, "nothing lost")
        # The whole turn, down to the last new ball growing, was drawn where the board stood before.
        self.assertTrue(any(c == colour for _, (c, f) in frames.history(*target)), "the ball arrived in place")
        spawned = [(c, r) for r in range(9) for c in range(9)
                   if (board[r][c] == 0 or (c, r) == source) and after[r][c] > 0 and (c, r) != target]
        self.assertTrue(spawned, after)
        for cell in spawned:
            self.assertIn(SMALL, [f for _, (c, f) in frames.history(*cell)], f"{cell} grew in place")


if __name__ == "__main__":
    unittest.main()
