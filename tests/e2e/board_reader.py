"""Reads the game from a screenshot: finds the board by its white top edge and
grey bottom edge, names every cell by matching it against the sheet's cell
pictures, and reads the three preview balls; and tells where a ball can go."""

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
        """A board cell at rest (frame 0), bouncing or just arrived (frames 1-5), also under
        the keyboard's cursor."""
        frames = (0, 5, 1, 2, 3, 4)
        for data in (picture.data, *(without_cursor(picture, phase).data for phase in (0, 1))):
            for frame in frames:
                colour = self.exact.get((frame, data))
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


CURSOR_INSET = 3


def without_cursor(picture, phase):
    """The cell picture with the keyboard's cursor taken off: the focus rectangle inverts every
    other pixel of a ring CURSOR_INSET inside the cell, those whose x + y in the window has
    the parity phase gives (unknown here, so both are tried)."""
    data = bytearray(picture.data)
    lo, hi = CURSOR_INSET, CELL - CURSOR_INSET - 1
    for y in range(lo, hi + 1):
        for x in range(lo, hi + 1):
            if (x in (lo, hi) or y in (lo, hi)) and (x + y) % 2 == phase:
                i = 3 * (y * picture.width + x)
                data[i:i + 3] = bytes(255 - v for v in data[i:i + 3])
    return type(picture)(picture.width, picture.height, bytes(data))


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


def distances(board, start):
    """{cell: steps} of every empty cell that a ball at start can reach (orthogonal steps)."""
    seen = {}
    queue = deque([(start, 0)])
    while queue:
        (c, r), d = queue.popleft()
        for nc, nr in ((c + 1, r), (c - 1, r), (c, r + 1), (c, r - 1)):
            if 0 <= nc < 9 and 0 <= nr < 9 and board[nr][nc] == 0 and (nc, nr) not in seen:
                seen[(nc, nr)] = d + 1
                queue.append(((nc, nr), d + 1))
    return seen


def reachable(board, start):
    """Cells reachable from start through empty cells (orthogonal steps)."""
    return set(distances(board, start))
