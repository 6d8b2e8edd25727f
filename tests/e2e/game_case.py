"""A unittest base class: one Wine session per test module, one fresh game
folder and process per test, screenshots kept for every state looked at."""

import os
import random
import struct
import time
import unittest

import board_reader
import harness
import score_reader
from screen_sampler import Frames

TITLE = "Vexal5.2"
NAME_DIALOG = "祝贺您!"
TABLE_DIALOG = "排名榜"
ABOUT_DIALOG = "关于"
DEFAULT_TABLE = [("Handicap", 100)] + [("- Empty -", 0)] * 9
BOX_CLASS = "#32770"       # the class of dialog boxes, the "Game over!" box among them


def game_over_box(session):
    """The rectangle (x, y, w, h) of the game's open message box, or None."""
    for title, cls, x, y, w, h in session.windows():
        if title == TITLE and cls == BOX_CLASS:
            return x, y, w, h
    return None


def table_bytes(entries):
    """The 160 bytes of a high-score file holding the given (name, score) entries."""
    out = b""
    for name, score in entries:
        raw = name.encode("ascii")
        out += bytes([len(raw)]) + (raw + b"\0" * 13)[:13] + struct.pack("<H", score)
    return out


def read_table(data):
    return [(data[16 * i + 1:16 * i + 1 + min(data[16 * i], 13)].decode("latin-1"),
             struct.unpack("<H", data[16 * i + 14:16 * i + 16])[0]) for i in range(10)]


def dark(r, g, b):
    return r + g + b < 200


class Game:
    """A running Vexal.exe and what the tests know about its window."""

    def __init__(self, session, pictures, folder, process):
        self.session, self.pictures, self.folder, self.process = session, pictures, folder, process
        self.outer = self.client = self.origin = None
        self.cursor = None  # the keyboard's cursor, once a key has shown it

    def key_to(self, column, row):
        """Moves the keyboard's cursor to the cell with the arrow keys; the first arrow shows it
        mid-board (no ball is selected when the bot starts a move with keys)."""
        if self.cursor is None:
            # The keys go to the active window: Windows activates a program's window as it
            # starts, which Wine's desktop here does not. A click on the panel does nothing else.
            self.point_at_panel(click=True)
            self.session.key("Left", pause=0.05)
            self.cursor = (4, 4)
        c, r = self.cursor
        keys = ["Right"] * (column - c) + ["Left"] * (c - column) + ["Down"] * (row - r) + ["Up"] * (r - row)
        if keys:
            self.session.key(*keys, pause=0.05)
        self.cursor = (column, row)

    def locate(self):
        try:
            self.outer, self.client = self.session.rect(TITLE)
        except AssertionError as error:
            # Said whole: whether the game still runs, and what windows there are.
            raise AssertionError(f"{error}; the game's process {'runs' if self.alive() else 'ended with ' + str(self.process.poll())}, "
                                 f"open windows: {self.session.windows()}") from None
        return self.outer, self.client

    def shot(self, label):
        image = self.session.screenshot(label)
        self.origin = board_reader.find_board(image, self.client)
        return image

    def board(self, image):
        if self.origin is None:
            raise AssertionError("the board frame was not found in " + self.session.last_shot_path)
        return board_reader.read_board(image, self.origin, self.pictures)

    def preview_origin(self):
        cx, cy, cw, _ = self.client
        return cx + (cw - 108) // 2, cy + 5

    def preview(self, image, shown=True):
        return board_reader.read_preview(image, self.preview_origin(), self.pictures, shown)

    def score_box(self, image):
        return score_reader.score_box(image, self.client)

    def best_box(self, image):
        """The record's box, drawn like the score's at the panel's other end."""
        cx, cy, _, _ = self.client
        return image.crop(cx + 24, cy + 10, 72, 24)

    def click_cell(self, column, row, pause=0.15):
        x, y = board_reader.cell_centre(self.origin, column, row)
        self.session.click(x, y, pause)

    def point_at_panel(self, click=False):
        """Puts the pointer over the top panel, where a click activates the game and does nothing else."""
        cx, cy, cw, _ = self.client
        self.session.xdo("mousemove", str(cx + cw // 2), str(cy + 30))
        time.sleep(0.1)
        if click:
            self.session.xdo("click", "1")
            time.sleep(0.2)

    def move(self, source, target, settle=1.2):
        self.click_cell(*source)
        self.click_cell(*target)
        time.sleep(settle)

    def stable_board(self, label, tries=6):
        """Screenshots until two readings agree and no cell is unreadable."""
        previous = None
        for i in range(tries):
            image = self.shot(f"{label}" if i == 0 else f"{label}-again")
            board = self.board(image)
            known = all(v != board_reader.UNKNOWN for row in board for v in row)
            if known and board == previous:
                return image, board
            previous = board
            time.sleep(0.4)
        raise AssertionError(f"the board did not settle: {previous} (see {self.session.last_shot_path})")

    def menu_marks(self, label):
        """(next balls checked, statistics checked), read from the open settings popup.

        Wine keeps menus inside their process, so the marks are read from the
        picture: the popup is found as what changed in the client area when it
        opened, its two items split its height, and an item is checked when its
        left column holds dark pixels. The keyboard highlight is moved to the
        other item first, so the one looked at is drawn on the menu face."""
        if hasattr(self.session, "menu_marks"):
            return self.session.menu_marks()
        marks = []
        for item, keys in ((0, ("F10", "Right", "Down", "Down")), (1, ("F10", "Right", "Down"))):
            self.point_at_panel()
            closed = self.session.screenshot(f"{label}-menu-closed")
            self.session.key(*keys, pause=0.6)
            opened = self.session.screenshot(f"{label}-menu-item{item}")
            self.session.key("Escape", "Escape", pause=0.4)
            box = changed_box(closed, opened, self.client)
            if box is None:
                raise AssertionError("no popup menu appeared: " + self.session.last_shot_path)
            x, y, _, h = box
            item_height = h // 2
            column = opened.crop(x + 2, y + item * item_height + 1, 16, item_height - 2)
            marks.append(column.count(lambda r, g, b: r + g + b < 200) > 5)
        return tuple(marks)

    def alive(self):
        return self.process.poll() is None


def changed_box(a, b, area):
    """Bounding box (x, y, w, h) of the pixels that differ between two screenshots within area."""
    x0, y0, w, h = area
    xs, ys = [], []
    for y in range(y0, y0 + h):
        ra, rb = a.row(y, x0, x0 + w), b.row(y, x0, x0 + w)
        if ra == rb:
            continue
        for x in range(w):
            if ra[3 * x:3 * x + 3] != rb[3 * x:3 * x + 3]:
                xs.append(x0 + x)
                ys.append(y)
    return (min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1) if xs else None


class GameCase(unittest.TestCase):
    session = None
    session_class = harness.WineSession
    build_class = harness.Build  # page_session.PageBuild for the page
    arch = None  # None: the build this machine runs best (harness.machine_choice)
    window_manager = None  # None: a Wine virtual desktop; else the X window manager to run
    digits = race = player_field = None  # the bot's readers, made on first use
    PLAYER = "Ada"  # the name the bot's player gives

    @classmethod
    def setUpClass(cls):
        # A module run a second time for the 64-bit build (VEXAL_E2E_MODULE_ARCH) has nothing to
        # add where the suite runs that build already.
        second = os.environ.get("VEXAL_E2E_MODULE_ARCH", "")
        if cls.build_class is harness.Build:
            if second and harness.machine_choice()[0] == second:
                raise unittest.SkipTest(f"the suite runs the {second} build already")
            cls.build = harness.Build(second or cls.arch)
        else:
            cls.build = cls.build_class()
        cls.build.announce(cls.__module__)
        cls.exe = cls.build.require_exe()
        cls.sheet = harness.read_sheet(harness.env_path("VEXAL_SPRITES"))
        cls.pictures = board_reader.CellPictures(cls.sheet)
        name = cls.__module__ + (f"-{second}" if second else "")
        cls.session = cls.session_class(name, cls.build, cls.window_manager)
        try:
            cls.session.start()
        except Exception:
            # tearDownClass does not run after a failed setUpClass: stop what did start.
            cls.session.stop()
            raise

    @classmethod
    def tearDownClass(cls):
        if cls.session:
            cls.session.stop()

    def setUp(self):
        self.games = []

    def tearDown(self):
        for game in self.games:
            if game.alive():
                game.process.kill()
                game.process.wait(10)
        if self.games:
            self.session.wait_gone(TITLE)

    def start_game(self, label, files=None):
        """Starts the game in a new folder holding the given files ({name: bytes})."""
        folder = self.session.new_game_folder(f"{self._testMethodName}-{label}")
        for name, data in (files or {}).items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
        process = self.session.launch(self.exe, folder)
        game = Game(self.session, self.pictures, folder, process)
        self.games.append(game)
        self.session.wait_for_window(TITLE, timeout=30)
        time.sleep(0.8)
        game.locate()
        return game

    def play_until_scored(self, game, max_moves=70, line_move=None):
        """Plays the player bot's greedy moves until the score box shows something other than 0;
        returns the screenshot that shows it. line_move(source, target), when given, makes each
        move that the bot expects to complete a line instead of the plain clicks."""
        import player_bot
        rng = random.Random(7)
        image, board = game.stable_board("bot-start")
        zero = game.score_box(image).data
        for move in range(max_moves):
            step = player_bot.choose_move(board, rng)
            self.assertIsNotNone(step, "no legal move left")
            source, target = step[:2]
            if line_move and player_bot.completes_line(board, source, target):
                line_move(source, target)
            else:
                game.move(source, target, settle=0.9)
            try:
                image, board = game.stable_board(f"bot-{move:02d}")
            except AssertionError:
                # The deal is the clock's: now and then the bot fills the board before it makes
                # a line. With nothing scored the game says "Game over!", over the board, and
                # deals again once it is closed.
                if not self.close_game_over_box():
                    raise
                image, board = game.stable_board(f"bot-{move:02d}-new-game")
                continue
            if game.score_box(image).data != zero:
                return image
        self.fail(f"no line of five within {max_moves} moves")

    def close_game_over_box(self):
        """Closes the "Game over!" box with Enter; False when none is open."""
        if not game_over_box(self.session):
            return False
        self.session.screenshot("game-over-before-a-line")
        self.session.key("Return", pause=0.8)
        deadline = time.time() + 10
        while game_over_box(self.session):
            self.assertLess(time.time(), deadline, "the \"Game over!\" box closes on Enter")
            time.sleep(0.2)
        return True

    def sample(self, game, action, seconds, until_still=None):
        """Runs action while the client area is sampled, and samples on for seconds after it:
        a busy machine's clicks may take a second, which a window counted from the start loses.
        With until_still, it samples on (up to 10 s more) until the picture has not changed
        for that many seconds: a busy machine stretches each 50 ms pause of an animation."""
        sampler = self.session.sampler(game.client).start()
        try:
            action()
            time.sleep(seconds)
            if until_still:
                deadline = time.monotonic() + 10
                while sampler.still_for() < until_still and time.monotonic() < deadline:
                    time.sleep(0.05)
        finally:
            samples = sampler.stop()
        # The host of a shared machine now and then stops a processor for 50 to 150 ms, so a
        # grab may come late, and a picture may be lost where the screen was drawn twice before
        # it (the sampler learns that from the display itself). A picture or two lost so is
        # said here, and what a test reads from the frames holds without it; a sampler that
        # cannot keep up with the pictures loses many.
        self.assertGreater(sampler.grabs, 0, "the client area was sampled")
        if sampler.missed:
            print(f"\n{self._testMethodName}: {sampler.missed} picture(s) may have fallen between two grabs "
                  f"(the longest gap {sampler.longest_gap * 1000:.0f} ms): {getattr(sampler, 'missed_at', '')}",
                  flush=True)
        self.assertLessEqual(sampler.missed, 2, f"the sampler kept up with the pictures: "
                                                f"{getattr(sampler, 'missed_at', '')}")
        return Frames(game, samples, getattr(sampler, "missed_at", ()), getattr(sampler, "held", ()))

    def learn_readers(self):
        """The bot's readers: the score boxes' digits, learnt on first use from two short runs
        of the game of their own, and the race."""
        import player_bot
        cls = type(self)
        if cls.digits is None:
            cls.digits, cls.player_field = player_bot.learn_digits(self.session, self.exe, self.PLAYER)
            cls.race = score_reader.Race(cls.sheet)

    def player(self, game, seed, table=DEFAULT_TABLE, **options):
        """The player bot (player_bot.Player) for game, whose high-score table is table."""
        import player_bot
        self.learn_readers()
        return player_bot.Player(game, self.digits, self.race, seed, table, **options)

    def check_about_box(self):
        """Waits for the about box and checks its logo: drawn at (10, 32), the dialog face around it."""
        self.session.wait_for_window(ABOUT_DIALOG)
        _, client = self.session.rect(ABOUT_DIALOG)
        image = self.session.screenshot("about")
        logo = image.crop(client[0] + 10, client[1] + 32, 67, 50)
        face = image.pixel(client[0] + 4, client[1] + client[3] - 4)
        self.assertGreater(logo.count(lambda r, g, b: (r, g, b) != face), 200, "the logo is drawn at (10, 32)")
        self.assertGreater(logo.count(lambda r, g, b: (r, g, b) == face), 50, "the face shows around it")

    def quit_game(self, game):
        """Ends the game with Alt+x and returns its exit code."""
        game.point_at_panel(click=True)
        self.session.key("alt+x", pause=0.5)
        code = harness.wait_exit(game.process, 15)
        self.assertIsNotNone(code, "Alt+x did not end the program")
        return code

    # ---- the high-score dialogs ---------------------------------------------------------

    def open_table(self, game):
        """File menu, second item, with the keyboard."""
        game.point_at_panel()
        self.session.key("F10", "Down", "Down", "Return", pause=0.6)
        return self.session.wait_for_window(TABLE_DIALOG)

    def table_rows(self, label):
        """Screenshot of the table dialog and, per row, its left (name) and right (score) picture."""
        _, client = self.session.rect(TABLE_DIALOG)
        image = self.session.screenshot(label)
        cx, cy, cw, _ = client
        rows = []
        for i in range(10):
            y = cy + 16 + 16 * i
            left = image.crop(cx + 16, y, (cw - 32) * 2 // 3, 16)
            right = image.crop(cx + 16 + (cw - 32) * 2 // 3, y, (cw - 32) - (cw - 32) * 2 // 3, 16)
            rows.append((left, right))
        return rows

    def close_box(self, title):
        """Clicks the close box: the right end of the caption, found from the two rectangles."""
        outer, client = self.session.rect(title)
        caption = client[1] - outer[1]
        x = client[0] + client[2] - caption // 2 + 2
        y = outer[1] + caption // 2
        self.session.click(x, y, pause=0.6)

    def assert_centred(self, title):
        outer, _ = self.session.rect(title)
        x, y, w, h = outer
        sw, sh = self.session.screen_size
        self.assertEqual((x, y), ((sw - w) // 2, (sh - h) // 2), f"{title} centred on the screen")

    def clear_name_field(self):
        edit = [c for c in self.session.children(NAME_DIALOG) if c[0] == 257]
        self.assertTrue(edit, "the name dialog has its name field")
        _, _, _, x, y, w, h = edit[0]
        self.session.click(x + w // 2, y + h // 2, pause=0.2)
        self.session.key("End", *["BackSpace"] * 16, pause=0.2)

    def type_name(self, text):
        """Replaces the name field's text with text. xdotool types a character that
        the keyboard map lacks through a key it remaps for the moment, and Wine may
        miss the first such key, so the field is read back and typed again if need be."""
        for _ in range(3):
            self.clear_name_field()
            if text:
                self.session.type_text(text)
            if self.name_field() == text:
                return
        self.assertEqual(self.name_field(), text, "the name field holds what was typed")

    def name_field(self):
        return next(c[2] for c in self.session.children(NAME_DIALOG) if c[0] == 257)

    def error_text(self):
        self.session.wait_for_window("Error", timeout=5)
        return [c[2] for c in self.session.children("Error") if c[1].lower() == "static" and c[2]]

    def enter_name(self, name, unsaved=False):
        """Gives name in the name dialog and closes the table dialog that follows with its
        button: without a window manager, a new dialog need not have the keyboard. unsaved:
        the game says first that it cannot save the entry (close_unsaved_box)."""
        self.session.wait_for_window(NAME_DIALOG, timeout=20)
        self.type_name(name)
        self.session.key("Return", pause=0.8)
        if unsaved:
            self.close_unsaved_box()
        self.session.wait_for_window(TABLE_DIALOG)
        self.session.screenshot("table-with-entry")
        ok = [c for c in self.session.children(TABLE_DIALOG) if c[1].lower() == "button" and c[2] == "确 定"]
        self.assertTrue(ok, "the table dialog has its OK button")
        _, _, _, x, y, w, h = ok[0]
        self.session.click(x + w // 2, y + h // 2, pause=0.5)
        self.assertTrue(self.session.wait_gone(TABLE_DIALOG))

    def close_unsaved_box(self):
        """The box that says the entry just made could not be saved, before the table shows it:
        its text is checked and it is closed with its button."""
        deadline = time.time() + 20
        while not any(w[0] == TITLE and w[1] == "#32770" for w in self.session.windows()):
            if time.time() > deadline:
                self.fail(f"no box says the entry could not be saved; open: {self.session.windows()}")
            time.sleep(0.1)
        self.session.screenshot("entry-not-saved")
        children = self.session.children(TITLE, "#32770")
        said = " ".join(c[2] for c in children)
        self.assertIn("Your score could not be saved", said)
        self.assertIn("vexalrec.res", said)
        buttons = [c for c in children if c[1].lower() == "button"]
        self.assertTrue(buttons, "the box has its button")
        _, _, _, x, y, w, h = buttons[0]
        self.session.click(x + w // 2, y + h // 2, pause=0.5)

    def read_only(self, path):
        """Makes the file at path read-only for the game: a read-only mount of its own where the
        tests run as root (who may write a file of mode 0444), else its mode."""
        if os.geteuid() != 0:
            os.chmod(path, 0o444)
            return
        for options in (["--bind", path, path], ["-o", "remount,bind,ro", path]):
            out = harness.run(["mount", *options])
            if out.returncode != 0:
                self.skipTest("mount refused here: " + out.stderr.decode(errors="replace").strip())
            if options[0] == "--bind":
                self.addCleanup(lambda: harness.run(["umount", path]).returncode == 0 or harness.run(["umount", "-l", path]))

    def enter_name_and_check(self, name, preset="Pretender", unsaved=False):
        """Walks the name dialog through its three refusals, then accepts name; unsaved: the
        game says first that it cannot save the entry (close_unsaved_box).

        Returns the rows of the table dialog that follows (table_rows)."""
        self.session.wait_for_window(NAME_DIALOG, timeout=20)
        self.session.screenshot("name-dialog")
        self.assertEqual(self.name_field(), preset, "preset with the player's name")
        self.assert_centred(NAME_DIALOG)
        for typed, message in (("", "You must enter some name"),
                               ("iiiiiiiiiiiiii", "Name too long"),
                               ("ab名", "You can use only latin characters")):
            with self.subTest(name=typed):
                self.type_name(typed)
                self.session.key("Return", pause=0.6)
                self.assertIn(message, self.error_text())
                self.session.screenshot("error-" + message.split()[-1])
                self.session.key("Return", pause=0.5)
                self.assertTrue(self.session.wait_gone("Error"))
                self.assertTrue(any(w[0] == NAME_DIALOG for w in self.session.windows()), "the dialog stays")
        self.type_name(name)
        self.session.key("Return", pause=0.8)
        if unsaved:
            self.close_unsaved_box()
        self.session.wait_for_window(TABLE_DIALOG)
        self.assert_centred(TABLE_DIALOG)
        rows = self.table_rows("table-with-entry")
        self.session.key("Return", pause=0.5)
        self.assertTrue(self.session.wait_gone(TABLE_DIALOG))
        return rows
