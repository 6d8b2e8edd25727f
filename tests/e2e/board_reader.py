"""Reads the game from a screenshot: finds the board by its white top edge and
grey bottom edge, names every cell by matching it against the sheet's cell
pictures, and reads the three preview balls. A small planner then picks
moves that build a row or column of five of one colour."""

from collections import deque

CELL = 36
FRAME = 328
WHITE = (255, 255, 255)
GREY = (85, 85, 85)
UNKNOWN = -1


class CellPictures:
    """Cell pictures of colours 0-7 in every frame of the sheet."""

    def __init__(self, sheet):
        self.frames = {}
        self.exact = {}
        for frame in range(10):
            self.frames[frame] = [sheet.crop(CELL * c, 225 + CELL * frame, CELL, CELL) for c in range(8)]
            for colour, picture in enumerate(self.frames[frame]):
                self.exact.setdefault((frame, picture.data), colour)

    def classify(self, picture, frame=0, limit=12.0):
        """The colour whose picture in the given frame matches best, or UNKNOWN."""
        colour = self.exact.get((frame, picture.data))
        if colour is not None:
            return colour
        best, best_diff = UNKNOWN, None
        for colour, ref in enumerate(self.frames[frame]):
            d = picture.difference(ref)
            if best_diff is None or d < best_diff:
                best, best_diff = colour, d
        return best if best_diff <= limit else UNKNOWN

    def classify_board_cell(self, picture):
        """A board cell at rest (frame 0), bouncing or just arrived (frames 1-5)."""
        frames = (0, 5, 1, 2, 3, 4)
        for frame in frames:
            colour = self.exact.get((frame, picture.data))
            if colour is not None:
                return colour
        # Not pixel-exact (a sheet rebuilt since the program was): the nearest picture.
        best, best_diff = UNKNOWN, None
        for frame in frames:
            for colour, ref in enumerate(self.frames[frame]):
                d = picture.difference(ref)
                if best_diff is None or d < best_diff:
                    best, best_diff = colour, d
        return best if best_diff <= 8.0 else UNKNOWN


def find_board(image, area):
    """Screen (x, y) of the board frame's top-left corner inside area (x, y, w, h), or None."""
    ax, ay, aw, ah = area
    white_run = bytes(WHITE) * (FRAME - 1)
    for y in range(ay, ay + ah - FRAME + 1):
        row = image.row(y, ax, ax + aw)
        start = 0
        while True:
            i = row.find(white_run, start)
            if i < 0:
                break
            if i % 3 == 0:
                x = ax + i // 3
                if (image.pixel(x, y + FRAME - 1) == WHITE and image.pixel(x + 1, y + FRAME - 1) == GREY
                        and image.pixel(x + FRAME - 1, y + FRAME // 2) == GREY
                        and image.pixel(x, y + FRAME // 2) == WHITE):
                    return x, y
            start = i + 1
    return None


def read_board(image, origin, pictures):
    """9 x 9 list of rows of colours (0 empty, 1-7, UNKNOWN)."""
    ox, oy = origin
    return [[pictures.classify_board_cell(image.crop(ox + 2 + CELL * c, oy + 2 + CELL * r, CELL, CELL))
             for c in range(9)] for r in range(9)]


def cell_centre(origin, column, row):
    return origin[0] + 2 + CELL * column + CELL // 2, origin[1] + 2 + CELL * row + CELL // 2


def read_preview(image, preview_origin, pictures, shown=True):
    """Colours of the three preview places: small balls (frame 6) when shown, else bare tiles."""
    px, py = preview_origin
    frame = 6 if shown else 0
    return [pictures.classify(image.crop(px + CELL * i, py, CELL, CELL), frame) for i in range(3)]


def reachable(board, start):
    """Cells reachable from start through empty cells (orthogonal steps)."""
    seen = set()
    queue = deque([start])
    while queue:
        c, r = queue.popleft()
        for dc, dr in ((1, 0), (-1, 0), (0, 1), (0, -1)):
            nc, nr = c + dc, r + dr
            if 0 <= nc < 9 and 0 <= nr < 9 and (nc, nr) not in seen and board[nr][nc] == 0:
                seen.add((nc, nr))
                queue.append((nc, nr))
    return seen


def completes_line(board, source, target):
    """Whether moving the ball at source to target makes a run of five or more of its colour
    through target, in a row, a column or a diagonal."""
    colour = board[source[1]][source[0]]
    after = [row[:] for row in board]
    after[source[1]][source[0]] = 0
    after[target[1]][target[0]] = colour
    for dc, dr in ((1, 0), (0, 1), (1, 1), (1, -1)):
        run = 1
        for sign in (1, -1):
            c, r = target[0] + sign * dc, target[1] + sign * dr
            while 0 <= c < 9 and 0 <= r < 9 and after[r][c] == colour:
                run += 1
                c, r = c + sign * dc, r + sign * dr
        if run >= 5:
            return True
    return False


def shortest_steps(board, source, target):
    """Number of orthogonal steps of the shortest route from source to target through empty
    cells, or None when there is none."""
    if source == target:
        return 0
    seen = {source}
    frontier = [source]
    steps = 0
    while frontier:
        steps += 1
        nxt = []
        for c, r in frontier:
            for dc, dr in ((1, 0), (-1, 0), (0, 1), (0, -1)):
                cell = (c + dc, r + dr)
                if cell == target:
                    return steps
                if 0 <= cell[0] < 9 and 0 <= cell[1] < 9 and cell not in seen and board[cell[1]][cell[0]] == 0:
                    seen.add(cell)
                    nxt.append(cell)
        frontier = nxt
    return None


def segments():
    """Every run of five cells along a row or a column, as lists of (column, row)."""
    for fixed in range(9):
        for start in range(5):
            yield [(start + i, fixed) for i in range(5)]
            yield [(fixed, start + i) for i in range(5)]


def plan_move(board):
    """(from, to) that brings a ball of some colour into a five-cell run holding only
    that colour and empty cells, preferring the fullest run; else any legal move that
    keeps clear of the best run; None when nothing can move."""
    best = None
    for seg in segments():
        colours = {board[r][c] for c, r in seg if board[r][c] != 0}
        if len(colours) != 1:
            continue
        colour = colours.pop()
        have = sum(1 for c, r in seg if board[r][c] == colour)
        empties = [(c, r) for c, r in seg if board[r][c] == 0]
        inside = set(seg)
        for r in range(9):
            for c in range(9):
                if board[r][c] != colour or (c, r) in inside:
                    continue
                reach = reachable(board, (c, r))
                targets = [e for e in empties if e in reach]
                if targets and (best is None or have > best[0]):
                    best = (have, (c, r), targets[0], inside)
    if best:
        return best[1], best[2]
    for r in range(9):
        for c in range(9):
            if board[r][c] > 0:
                reach = sorted(reachable(board, (c, r)))
                if reach:
                    return (c, r), reach[0]
    return None
