"""A player bot for whole games of the real Vexal.exe, through the screen and
the mouse only. It reads the board, the preview, both score boxes and the race
from screenshots, picks a move (lines first, else one that builds towards a
line and keeps room; after its greedy moves it only fills the board, so that a
game ends in good time) and checks after every move what the rules promise:
the ball left its cell and stands at the target; or its lines vanished and
the score rose by exactly their points; or three balls arrived in the previewed
colours on empty cells; and the race's columns follow the score. At the end it
checks "Game over!" against a full board, the high-score check and the new game.
In the page it also checks, after every move, what a screen reader is given: the
board grid's cell names against the board it read, and the live region's lines.

Its own model of the rules is small and independent of the game's sources: the
routes are plain breadth-first searches (board_reader), the lines plain scans."""

import random
import re
import time

import score_reader
from board_reader import distances
from game_case import BOX_CLASS, NAME_DIALOG, TITLE, game_over_box, table_bytes

STEP = 0.05                # a cell of travel, a frame of a spawn or a removal
PIXEL = 0.025              # a pixel of a column
CROWNING = 1.8             # overtaking and blinking when the record falls
DIRECTIONS = ((1, 0), (1, 1), (0, 1), (1, -1))
COLOUR_NAMES = ("empty", "green", "red", "blue", "yellow", "cyan", "magenta", "brown")


def where(column, row):
    return f"row {row + 1}, column {column + 1}"


def cell_name(board, column, row, selected=None):
    """A board cell's name for a screen reader."""
    colour = board[row][column]
    if not colour:
        return f"{where(column, row)}: empty"
    return f"{where(column, row)}: {COLOUR_NAMES[colour]} ball" + (", selected" if (column, row) == selected else "")


def ball_list(board, cells):
    """The balls at cells in reading order, as the live region lists them."""
    return "; ".join(f"{COLOUR_NAMES[board[r][c]]} at {where(c, r)}" for c, r in sorted(cells, key=lambda p: (p[1], p[0])))


def points_for_line(n):
    return 10 + 2 * (n - 5) ** 2


def line_through(board, column, row, colour):
    """(n, cells) for a ball of colour at (column, row): n sums the runs of five or
    more through it, counting it once per such run; cells are the balls that vanish."""
    total, cells = 0, set()
    for dc, dr in DIRECTIONS:
        run = [(column, row)]
        for sign in (1, -1):
            c, r = column + sign * dc, row + sign * dr
            while 0 <= c < 9 and 0 <= r < 9 and board[r][c] == colour:
                run.append((c, r))
                c, r = c + sign * dc, r + sign * dr
        if len(run) >= 5:
            total += len(run)
            cells.update(run)
    return total, cells


def completes_line(board, source, target):
    """Whether moving the ball at source to target makes a line through target."""
    (sc, sr), (tc, tr) = source, target
    colour = board[sr][sc]
    after = [row[:] for row in board]
    after[sr][sc] = 0
    after[tr][tc] = colour
    return line_through(after, tc, tr, colour)[0] > 0


def balls(board):
    return [(c, r) for r in range(9) for c in range(9) if board[r][c] > 0]


def empties(board):
    return sum(v == 0 for row in board for v in row)


def promise(board, column, row, colour):
    """How far a ball of colour at (column, row) is towards lines: per direction,
    the most balls of its colour in a five-cell window through it that holds
    nothing else, squared, summed."""
    value = 0
    for dc, dr in DIRECTIONS:
        best = 0
        for shift in range(-4, 1):
            window = [(column + (shift + i) * dc, row + (shift + i) * dr) for i in range(5)]
            if not all(0 <= c < 9 and 0 <= r < 9 for c, r in window):
                continue
            cells = [board[r][c] for c, r in window]
            if all(v in (0, colour) for v in cells):
                best = max(best, cells.count(colour))
        value += best * best
    return value


def choose_move(board, rng, greedy=True):
    """(source, target, steps) of the next move, or None when no ball can move.

    Greedy: the move whose lines score most; else the one that most improves its
    ball's promise, with a small preference for targets that do not split open
    space. Filling: the shortest move that completes no line."""
    best, best_value = None, None
    for source in balls(board):
        sc, sr = source
        colour = board[sr][sc]
        reach = distances(board, source)
        board[sr][sc] = 0
        before = promise(board, sc, sr, colour) if greedy else 0
        for (tc, tr), steps in reach.items():
            board[tr][tc] = colour
            n, _ = line_through(board, tc, tr, colour)
            if greedy:
                if n:
                    value = 10000 + points_for_line(n)
                else:
                    open_sides = sum(1 for c, r in ((tc + 1, tr), (tc - 1, tr), (tc, tr + 1), (tc, tr - 1))
                                     if 0 <= c < 9 and 0 <= r < 9 and board[r][c] == 0)
                    value = promise(board, tc, tr, colour) - before - 0.5 * open_sides
            else:
                value = -1000 if n else -steps
            value += rng.random() * 0.4
            board[tr][tc] = 0
            if best_value is None or value > best_value:
                best, best_value = (source, (tc, tr), steps), value
        board[sr][sc] = colour
    return best


def plan_first_line(sim, seeds, most=10):
    """(seed, moves): of the seeds, the one whose deal the bot brings to its first line in the
    fewest moves, playing vexal-sim (sim, its path), the game's own rules; moves are
    [(source, target)], the last one making the line. None when no seed gets there in most."""
    import subprocess
    import tempfile
    rng = random.Random(7)
    plans = {seed: [] for seed in seeds}
    for _ in range(most + 1):
        script = "".join(f"seed {seed}\nnew\n" + "".join(f"click {c} {r}\n" for move in moves for c, r in move)
                         + "show\n" for seed, moves in plans.items())
        with tempfile.TemporaryDirectory() as folder:  # the simulator keeps its table in its folder
            out = subprocess.run([sim], input=script, cwd=folder, capture_output=True, text=True, timeout=120)
        if out.returncode != 0:
            raise AssertionError("vexal-sim failed: " + out.stderr)
        lines = out.stdout.splitlines()
        boards = [[int(v) for v in line.split()[1:]] for line in lines if line.startswith("board ")]
        scores = [int(line.split()[1]) for line in lines if line.startswith("score ")]
        for (seed, moves), flat, score in zip(list(plans.items()), boards, scores):
            if score > 0:
                return seed, moves
            board = [flat[9 * r:9 * r + 9] for r in range(9)]
            step = choose_move(board, rng)
            if step is None:
                del plans[seed]
            else:
                moves.append(step[:2])
    return None


def learn_digits(session, exe, name):
    """The score boxes' digits, learnt from two short runs of the game whose tables
    hold records that show every digit; and the picture of name in the holder's
    name field, which both runs show. Returns (Digits, name field picture)."""
    digits = score_reader.Digits()
    fields = []
    for record in (12345, 60789):
        folder = session.new_game_folder(f"digits-{record}")
        with open(f"{folder}/vexalrec.res", "wb") as f:
            f.write(table_bytes([(name, record)] + [("- Empty -", 0)] * 9))
        process = session.launch(exe, folder)
        try:
            session.wait_for_window(TITLE, timeout=30)
            time.sleep(0.8)
            _, client = session.rect(TITLE)
            # The box as painted: drawn (it holds its white digits) and the same in two pictures
            # in a row. A busy browser shows its window's picture well after the window is made.
            image, before, deadline = None, None, time.time() + 15
            while time.time() < deadline:
                image = session.screenshot(f"digits-{record}")
                box = score_reader.best_box(image, client)
                if b"\xff\xff\xff" in box.data and box.data == before:
                    break
                before = box.data
                time.sleep(0.3)
            digits.learn(score_reader.best_box(image, client), record)
            digits.learn(score_reader.score_box(image, client), 0)
            fields.append(score_reader.Race.holder_name(image, client))
            if digits.read(score_reader.best_box(image, client)) != record:
                raise AssertionError(f"the best-score box of {session.last_shot_path} does not read {record}")
        finally:
            process.kill()
            process.wait(10)
            session.wait_gone(TITLE)
    if digits.missing() or fields[0] != fields[1]:
        raise AssertionError(f"digits not learnt: {digits.missing()}, or the name fields differ")
    return digits, fields[0]


class Tally:
    """What a player did: moves, lines, points, games, each a count."""

    def __init__(self):
        self.moves = self.lines = self.points = self.games = 0


class View:
    """One screenshot of the game and what it shows."""

    def __init__(self, player, label):
        game = player.game
        self.image = game.shot(label)
        self.path = game.session.last_shot_path
        self.client = game.client
        self.board = game.board(self.image) if game.origin else None
        self.readable = self.board is not None and all(v >= 0 for row in self.board for v in row)
        self.player = player

    def preview(self):
        return self.player.game.preview(self.image)

    def score(self):
        return self.player.digits.read(score_reader.score_box(self.image, self.client))

    def best(self):
        return self.player.digits.read(score_reader.best_box(self.image, self.client))

    def race(self):
        """(pretender level, crowned, holder (frame, level)) as drawn."""
        race = self.player.race
        level = race.pretender_level(self.image, self.client)
        crowned = level is not None and race.crowned(self.image, self.client, level)
        return level, crowned, race.holder(self.image, self.client)


class Player:
    """Plays one running game, move by move, and checks it. table is the
    high-score table the game loaded, which tells the record and who may enter."""

    def __init__(self, game, digits, race, seed, table, greedy_moves=10, score_goal=0, keys=False):
        """keys: every move played with the arrow keys, Space and Enter, no mouse."""
        self.game, self.session, self.digits, self.race = game, game.session, digits, race
        self.keys = keys
        self.rng = random.Random(seed)
        self.table = list(table)
        self.best = self.table[0][1]
        self.name = "Pretender"
        self.greedy_moves, self.score_goal = greedy_moves, score_goal
        self.tally = Tally()
        self.board = self.preview = None
        self.news, self.news_said = [], 0  # what the live region should have said since it was read
        self.new_game()

    def new_game(self):
        self.score, self.moves = 0, 0
        self.passed, self.pretender_level, self.holder_level = False, score_reader.RACE_HEIGHT, 0

    # ---- looking -----------------------------------------------------------------------------

    def fail(self, message, view=None):
        where = view.path if view else self.session.last_shot_path
        raise AssertionError(f"move {self.tally.moves}: {message} (see {where})")

    def settled(self, label, timeout=4.0, accept=lambda view: True):
        """A view whose board reads fully, the same as the view before it, and is
        accepted; None when there is none before the timeout (a box covers the board)."""
        deadline = time.time() + timeout
        previous = None
        while True:
            view = View(self, label)
            if view.readable and previous is not None and view.board == previous.board and accept(view):
                return view
            previous = view
            if time.time() > deadline:
                return None
            label = label.split("~")[0] + "~again"

    def race_state(self):
        """(pretender level, crowned, (holder frame, holder level)) as the race should stand."""
        return self.pretender_level, self.passed, (6 if self.passed else 0, self.holder_level)

    def add_score(self, points):
        """The race as the points move it; returns how long it plays, in seconds."""
        self.score += points
        if self.passed:
            target = score_reader.holder_target(self.score, self.best)
            pixels = max(0, target - self.holder_level)
            self.holder_level += pixels
            return pixels * PIXEL
        target = score_reader.pretender_target(self.score, self.best)
        pixels = self.pretender_level - target
        self.pretender_level = target
        if self.score > self.best:
            self.passed = True
            return pixels * PIXEL + CROWNING
        return pixels * PIXEL

    def check_panel(self, view, label, timeout):
        """Polls until both score boxes and the race show what the score says."""
        deadline = time.time() + timeout
        want = (self.score, self.best, self.race_state())
        while True:
            seen = (view.score(), view.best(), view.race())
            if seen == want:
                return view
            if time.time() > deadline:
                self.fail(f"score, best and race (pretender level, crowned, holder frame and level) "
                          f"show {seen}, expected {want}", view)
            view = View(self, label + "~panel")

    def start(self, label="start", accept=lambda view: True):
        """Reads a new game: five balls, score 0, the race at rest."""
        view = self.settled(label, timeout=8.0, accept=accept)
        if view is None:
            self.fail("the board of the new game did not settle")
        self.new_game()
        self.board, self.preview = view.board, view.preview()
        if len(balls(self.board)) != 5:
            self.fail(f"a new game shows {len(balls(self.board))} balls: {self.board}", view)
        if not all(1 <= v <= 7 for v in self.preview):
            self.fail(f"the preview reads {self.preview}", view)
        view = self.check_panel(view, label, timeout=3.0)
        self.heard(f"New game. Record {self.best} by {self.table[0][0]}. Balls: {ball_list(self.board, balls(self.board))}.",
                   self.next_news())
        self.check_screen_reader(view)
        return view

    # ---- what a screen reader is given (the page) ----------------------------------------------

    def heard(self, *lines):
        """Lines the live region should say next: texts, or patterns where the screen cannot tell."""
        self.news.extend(lines)

    def news_match(self, lines):
        return len(lines) == len(self.news) and all(
            line == want if isinstance(want, str) else want.fullmatch(line) for line, want in zip(lines, self.news))

    def next_news(self):
        return "Next: " + ", ".join(COLOUR_NAMES[c] for c in self.preview) + "."

    def check_screen_reader(self, view):
        """Where the session shows what a screen reader is given: the grid names every cell
        as the bot reads the board, and the live region said what the bot expects since it
        was last read."""
        if not hasattr(self.session, "board_names"):
            return
        names = [cell_name(self.board, c, r) for r in range(9) for c in range(9)]
        deadline = time.time() + 2.0
        while True:
            seen = self.session.board_names()
            said, lines = self.session.news(self.news_said)
            if (seen == names and self.news_match(lines)) or time.time() > deadline:
                break
            time.sleep(0.1)
        if seen != names:
            wrong = [(n, s) for n, s in zip(names, seen) if n != s] if len(seen) == 81 else seen
            self.fail(f"the grid's cells are named otherwise than the board reads: {wrong}", view)
        if not self.news_match(lines):
            self.fail(f"the live region said {lines}, expected {self.news}", view)
        self.news, self.news_said = [], said

    # ---- moving ------------------------------------------------------------------------------

    def greedy(self):
        return self.moves < self.greedy_moves or (self.score <= self.score_goal and self.moves < 80)

    def play_move(self, source=None, target=None, selected=False):
        """Plays the bot's move (or the one given) and checks it. With selected the
        source ball is already selected and only the target is clicked. Returns the
        "Game over!" box's rectangle when the move ended the game, else None."""
        board = self.board
        if target is None:
            source, target, steps = choose_move(board, self.rng, self.greedy())
        else:
            steps = distances(board, source).get(target)
            if steps is None:
                self.fail(f"{target} cannot be reached from {source}")
        colour = board[source[1]][source[0]]
        if not selected:
            self.heard(f"{COLOUR_NAMES[colour].capitalize()} ball at {where(*source)} selected.")
        self.heard(f"{COLOUR_NAMES[colour].capitalize()} ball moved from {where(*source)} to {where(*target)}.")
        moved = [row[:] for row in board]
        moved[source[1]][source[0]] = 0
        moved[target[1]][target[0]] = colour
        n, vanishing = line_through(moved, *target, colour)
        self.tally.moves += 1
        self.moves += 1
        label = f"move{self.tally.moves:03d}"

        self.session.wait_turn_over()
        if self.keys:
            if not selected:
                self.game.key_to(*source)
                self.session.key("space", pause=0.1)
            self.game.key_to(*target)
            self.session.key("Return", pause=0)
        else:
            if not selected:
                self.game.click_cell(*source)
            self.game.click_cell(*target, pause=0)
        time.sleep(steps * STEP)
        if n:
            self.after_line(moved, vanishing, points_for_line(n), label)
            return None
        time.sleep(3 * 2 * STEP)
        return self.after_spawns(moved, label)

    def after_line(self, moved, vanishing, points, label):
        passed = self.passed
        race_time = self.add_score(points)
        column, row = next(iter(vanishing))
        colour = moved[row][column]
        self.heard(f"{len(vanishing)} {COLOUR_NAMES[colour]} balls removed: {points} points. Score {self.score}.")
        if self.passed and not passed:
            self.heard(f"{self.name} takes the crown from {self.table[0][0]}.")
        time.sleep(3 * STEP)
        view = self.settled(label)
        if view is None:
            self.fail("the board did not settle after a line")
        expected = [row[:] for row in moved]
        for c, r in vanishing:
            expected[r][c] = 0
        if view.board != expected:
            self.fail(f"after a line of {len(vanishing)} the board reads {view.board}, expected {expected}", view)
        if view.preview() != self.preview:
            self.fail(f"the preview changed after a line: {view.preview()} from {self.preview}", view)
        self.board = expected
        self.tally.lines += 1
        self.tally.points += points
        view = self.check_panel(view, label, timeout=race_time + 2.0)
        if self.game_over_box():
            self.fail("a box opened after a line")
        self.check_screen_reader(view)

    def after_spawns(self, moved, label):
        if empties(moved) <= 3:
            box = self.wait_game_over_box(timeout=2.0)
            if box:
                return self.check_game_over(box, moved)
        view = self.settled(label)
        box = self.game_over_box()
        if box:
            return self.check_game_over(box, moved)
        if view is None:
            self.fail("the board did not settle after the spawns and no box is open")
        board = view.board
        cells = [(c, r) for r in range(9) for c in range(9) if board[r][c] != moved[r][c]]
        arrived = [(c, r) for c, r in cells if board[r][c] > 0]
        vanished = [(c, r) for c, r in cells if moved[r][c] > 0]
        colours = sorted(board[r][c] for c, r in arrived)
        if not vanished:
            if len(arrived) != min(3, empties(moved)) or colours != sorted(self.preview[:len(arrived)]):
                self.fail(f"arrived {colours} at {arrived}, the preview promised {self.preview}", view)
        else:
            # A new ball completed a line: it went with the line, without points, and
            # the balls after it may take any free cell, the line's among them (one of
            # the line's colour there looks as if nothing had vanished).
            gone = {moved[r][c] for c, r in vanished}
            if len(gone) != 1 or gone.pop() not in self.preview:
                self.fail(f"balls vanished at {vanished} (the board was {moved}) after spawning {colours}", view)
        if empties(board) == 0:
            self.fail("the board is full but no \"Game over!\" box is open", view)
        self.board, self.preview = board, view.preview()
        if not all(1 <= v <= 7 for v in self.preview):
            self.fail(f"the preview reads {self.preview}", view)
        view = self.check_panel(view, label, timeout=1.0)
        if vanished:
            # A ball of the line's colour dealt where the line was hides one of its balls.
            column, row = vanished[0]
            self.heard(re.compile(fr"\d+ {COLOUR_NAMES[moved[row][column]]} balls removed by the new balls, no points\."))
        self.heard(f"New balls: {ball_list(board, [(c, r) for c, r in balls(board) if moved[r][c] == 0])}.", self.next_news())
        self.check_screen_reader(view)
        return None

    # ---- the end of a game -------------------------------------------------------------------

    def game_over_box(self):
        return game_over_box(self.session)

    def wait_game_over_box(self, timeout):
        deadline = time.time() + timeout
        while time.time() < deadline:
            box = self.game_over_box()
            if box:
                return box
            time.sleep(0.2)
        return None

    def check_game_over(self, box, moved):
        """The box says "Game over!"; dragged off the window, it uncovers a full board
        whose new balls are the previewed ones."""
        texts = [c[2] for c in self.session.children(TITLE, BOX_CLASS)]
        if "Game over!" not in texts:
            self.fail(f"a box titled {TITLE} says {texts}")
        x, y, w, h = box
        self.session.drag(x + w // 2, y + 8, 10 + w // 2, 758 - h + 8)
        view = View(self, f"move{self.tally.moves:03d}-game-over")
        if not view.readable:
            self.fail("the board cannot be read beside the \"Game over!\" box", view)
        if empties(view.board):
            self.fail(f"\"Game over!\" with {empties(view.board)} empty cells: {view.board}", view)
        arrived = sorted(view.board[r][c] for r in range(9) for c in range(9) if moved[r][c] == 0)
        if arrived != sorted(self.preview[:len(arrived)]):
            self.fail(f"the last balls {arrived} are not the previewed {self.preview}", view)
        self.heard(f"New balls: {ball_list(view.board, [(c, r) for c, r in balls(view.board) if moved[r][c] == 0])}.",
                   "Game over!")
        self.board = view.board
        view = self.check_panel(view, "game-over", timeout=1.0)
        self.check_screen_reader(view)
        return box

    def play_game(self, max_moves=200):
        """Plays until "Game over!" is shown; returns the open box's rectangle."""
        for _ in range(max_moves):
            box = self.play_move()
            if box:
                return box
        self.fail(f"no end within {max_moves} moves")

    def rank(self):
        return next((i for i, (_, s) in enumerate(self.table) if s < self.score), 10)

    def finish(self, enter_name):
        """Closes "Game over!", goes through the high-score check and checks the new
        game; returns its first view. enter_name(preset) answers the name dialog and
        the table that follows, and returns the name it gave."""
        self.session.key("Return", pause=0.3)
        deadline = time.time() + 5
        while self.game_over_box():
            if time.time() > deadline:
                self.fail("the \"Game over!\" box stays open after Enter")
            time.sleep(0.2)
        rank = self.rank()
        if rank < 10:
            self.name = enter_name(self.name)
            self.table = (self.table[:rank] + [(self.name, self.score)] + self.table[rank:])[:10]
        else:
            time.sleep(1.0)
            if any(w[0] == NAME_DIALOG for w in self.session.windows()):
                self.fail(f"the name dialog opened for {self.score}, which does not beat {self.table[9]}")
        if self.passed:
            self.best = self.score
        self.tally.games += 1
        last = self.board
        return self.start(f"game{self.tally.games + 1}-start", accept=lambda view: view.board != last)
