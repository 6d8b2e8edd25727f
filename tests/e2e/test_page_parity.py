"""The page against the Windows build under Wine, pixel for pixel. Both start at
the same client size from the same opening deal: the Windows game seeds its
deal with the tick count at its start, which the simulator finds from the deal
it shows, and the page's clock is made to read that count. Both then play the
same moves. After each, the two client areas are compared: the board frame and
every cell, the panel, the score boxes and their digits, the panel's embossed
labels, the preview, the race and the names under its columns must be the same
pixels, the texts too, as the page writes Wine's glyphs. The client pictures
are kept under the module's artefacts."""

import os
import random
import subprocess
import tempfile
import time
import unittest

import harness
import page_session
import player_bot
import score_reader
from board_reader import CELL, FRAME
from game_case import Game, GameCase, TITLE

MOVES = 4
PANEL_HEIGHT = 44           # the strip and its lower edge's two lines
PREVIEW_WIDTH = 108
BOX_SIZE = score_reader.BOX_SIZE
SLACK_MS = 2000             # around the launch, for the seed search


def inside(x, y, rect):
    rx, ry, rw, rh = rect
    return rx <= x < rx + rw and ry <= y < ry + rh


def part_of(x, y, width, board):
    """What the game draws at client pixel (x, y), named for a report; board is the frame's corner."""
    bx, by = board
    if inside(x, y, (bx + 2, by + 2, 9 * CELL, 9 * CELL)):
        return f"cell ({(x - bx - 2) // CELL}, {(y - by - 2) // CELL})"
    if inside(x, y, (bx, by, FRAME, FRAME)):
        return "the board's frame"
    px = (width - PREVIEW_WIDTH) // 2
    if inside(x, y, (px, 5, PREVIEW_WIDTH, CELL)):
        return f"preview place {(x - px) // CELL}"
    if inside(x, y, (24, 10, *BOX_SIZE)):
        return "the best box"
    if inside(x, y, (width - 96, 10, *BOX_SIZE)):
        return "the score box"
    if y < PANEL_HEIGHT:
        return "the panel"
    return "the holder's column" if x < bx else "the pretender's column" if x >= bx + FRAME else "the background"


def differences(a, b, board, masked=()):
    """{part: pixels} where pictures a and b (client areas) differ outside the masked rectangles,
    and the picture of a with those pixels red."""
    found, marked = {}, bytearray(a.data)
    for y in range(a.height):
        ra, rb = a.row(y), b.row(y)
        if ra == rb:
            continue
        for x in range(a.width):
            if ra[3 * x:3 * x + 3] != rb[3 * x:3 * x + 3] and not any(inside(x, y, m) for m in masked):
                part = part_of(x, y, a.width, board)
                found[part] = found.get(part, 0) + 1
                marked[3 * (y * a.width + x):3 * (y * a.width + x) + 3] = b"\xff\x00\x00"
    return found, harness.Image(a.width, a.height, bytes(marked))


def opening_ticks(board, preview, earliest, latest):
    """The tick counts (ms) from earliest to latest whose seed deals board and preview: the
    simulator deals from each."""
    flat = "board " + " ".join(str(v) for row in board for v in row)
    upcoming = "next " + " ".join(str(v) for v in preview)
    ticks = range(earliest, latest + 1)
    script = "".join(f"seed {t & 0xFFFFFFFF}\nnew\nshow\n" for t in ticks)
    with tempfile.TemporaryDirectory() as folder:  # the simulator keeps its table in its folder
        out = subprocess.run([harness.env_path("VEXAL_SIM")], input=script.encode(), cwd=folder,
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=120)
    if out.returncode != 0:
        raise AssertionError("vexal-sim failed: " + out.stderr.decode(errors="replace"))
    lines = [line for line in out.stdout.decode().splitlines() if line.startswith(("board ", "next "))]
    return [t for t, dealt, shown in zip(ticks, lines[0::2], lines[1::2]) if (dealt, shown) == (flat, upcoming)]


class PageParityTest(GameCase):
    page = None

    @classmethod
    def setUpClass(cls):
        super().setUpClass()  # the Windows build's session
        cls.page = page_session.PageSession(cls.__module__ + "-page", page_session.PageBuild())
        try:
            cls.page.build.require_exe()
            cls.page.start()
        except Exception:
            cls.page.stop()
            super().tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        if cls.page:
            cls.page.stop()
        super().tearDownClass()

    def start_windows_game(self):
        """The Windows game and the tick count its deal was seeded with."""
        # Wine's tick count is the milliseconds of the monotonic clock Python reads too.
        earliest = int(time.monotonic() * 1000) - SLACK_MS
        game = self.start_game("windows")
        latest = int(time.monotonic() * 1000) + SLACK_MS
        image, board = game.stable_board("windows-start")
        preview = game.preview(image)
        ticks = opening_ticks(board, preview, earliest, latest)
        self.assertEqual(len(ticks), 1, f"one tick count from {earliest} to {latest} deals {board} and "
                                        f"the preview {preview}: {ticks} ({self.session.last_shot_path})")
        return game, ticks[0]

    def start_page_game(self, ticks):
        folder = self.page.new_game_folder(f"{self._testMethodName}-page")
        process = self.page.launch(self.page.build.exe, folder, ticks=ticks)
        game = Game(self.page, self.pictures, folder, process)
        self.games.append(game)
        self.page.wait_for_window(TITLE, timeout=30)
        game.locate()
        return game

    def at_rest(self, game, label, tries=8):
        """A screenshot whose client area is the same as the one taken before it: the board, the
        race and the boxes all done; and that client area."""
        image = game.shot(label)
        client = image.crop(*game.client)
        for _ in range(tries):
            time.sleep(0.3)
            again = game.shot(f"{label}-again")
            if again.crop(*game.client).data == client.data:
                return image, client
            image, client = again, again.crop(*game.client)
        self.fail(f"{label}: the client area did not come to rest ({game.session.last_shot_path})")

    def compare(self, label, windows, page):
        """Both games at rest in the same state, drawn the same; returns the board."""
        self.page.wait_turn_over()
        views = []
        for game, side in ((windows, "windows"), (page, "page")):
            image, client = self.at_rest(game, f"{label}-{side}")
            board = game.board(image)
            origin = (game.origin[0] - game.client[0], game.origin[1] - game.client[1])
            client.save_png(os.path.join(self.session.artifacts, f"client-{label}-{side}.png"))
            views.append((client, board, game.preview(image), origin, game.session.last_shot_path))
        (w_client, w_board, w_preview, w_origin, w_shot), (p_client, p_board, p_preview, p_origin, p_shot) = views
        where = f"({w_shot}, {p_shot})"
        self.assertEqual(p_board, w_board, f"{label}: the page's board is the Windows build's {where}")
        self.assertEqual(p_preview, w_preview, f"{label}: the same preview {where}")
        self.assertEqual(p_origin, w_origin, f"{label}: the board at the same place {where}")
        found, marked = differences(w_client, p_client, w_origin)
        if found:
            path = os.path.join(self.session.artifacts, f"client-{label}-differences.png")
            marked.save_png(path)
            self.fail(f"{label}: the page differs from the Windows build in {found} (in red: {path})")
        return w_board

    def test_the_page_draws_the_windows_builds_pixels(self):
        windows, ticks = self.start_windows_game()
        page = self.start_page_game(ticks)
        self.assertEqual(page.client[2:], windows.client[2:], "the same client size")
        board = self.compare("start", windows, page)

        # The same moves: travel, spawns, and whatever lines the bot finds, to the same pictures.
        rng = random.Random(5)
        for move in range(1, MOVES + 1):
            source, target, _ = player_bot.choose_move(board, rng)
            for game in (windows, page):
                game.session.wait_turn_over()
                game.move(source, target, settle=0.6)
            board = self.compare(f"move{move}", windows, page)

        # The preview's bare tiles.
        for game in (windows, page):
            game.point_at_panel()
            game.session.key("F3", pause=0.5)
        for game in (windows, page):
            self.assertEqual(game.preview(game.shot("preview-hidden"), shown=False), [0, 0, 0],
                             f"the preview hidden ({game.session.last_shot_path})")
        self.compare("preview-hidden", windows, page)

        # The keyboard's cursor: the same dotted rectangle, drawn over the cell, in both.
        for game in (windows, page):
            game.session.key("Right", "Right", "Down", pause=0.5)
        self.compare("cursor", windows, page)


if __name__ == "__main__":
    unittest.main()
