"""Reads the score boxes and the score race from a screenshot of the game.

The boxes draw their numbers in the system font, white on black, right-aligned,
one 7-pixel cell per digit. The digit pictures are learnt from games started
with known numbers in their boxes (Digits.learn); a box is then read cell by
cell from the right, each cell named by the nearest learnt picture, since the
font's smoothing lets a digit spill a column into its neighbour's cell.

The race is read from the two figures: each is the sheet's picture of its
frame, standing higher the lower its level (the column geometry of the race),
so finding the picture tells both."""

CELL_STEP = 7
TEXT_RIGHT = 60          # the text rectangle of a box ends 60 pixels right of the box
TEXT_TOP, TEXT_HEIGHT = 4, 16
BOX_SIZE = (72, 24)
RACE_HEIGHT = 125


def best_box(image, client):
    cx, cy, _, _ = client
    return image.crop(cx + 24, cy + 10, *BOX_SIZE)


def score_box(image, client):
    cx, cy, cw, _ = client
    return image.crop(cx + cw - 96, cy + 10, *BOX_SIZE)


def distance(a, b):
    return sum(abs(x - y) for x, y in zip(a, b))


class Digits:
    """The ten digit pictures of the score boxes, learnt from boxes of known value."""

    def __init__(self):
        self.glyphs = {}
        self.blank = None

    @staticmethod
    def cell(box, k):
        """Picture bytes of the k-th digit cell from the right, or None left of the text rectangle."""
        left = TEXT_RIGHT - CELL_STEP * (k + 1)
        if left < 4:
            return None
        return box.crop(left, TEXT_TOP, CELL_STEP, TEXT_HEIGHT).data

    def learn(self, box, value):
        text = str(value)
        for k, digit in enumerate(reversed(text)):
            self.glyphs.setdefault(digit, self.cell(box, k))
        self.blank = bytes(len(self.cell(box, 0)))

    def missing(self):
        return sorted(set("0123456789") - set(self.glyphs))

    def read(self, box):
        """The number in the box, or None when a cell matches no digit clearly."""
        text = ""
        for k in range(8):
            cell = self.cell(box, k)
            if cell is None:
                break
            ranked = sorted((distance(cell, picture), digit) for digit, picture in
                            list(self.glyphs.items()) + [(" ", self.blank)])
            (best, digit), (second, _) = ranked[0], ranked[1]
            # A clear winner: a spilt column costs far less than a wrong stroke.
            if best * 2 >= second:
                return None
            if digit == " ":
                break
            text = digit + text
        return int(text) if text else None


def anchors(client):
    """Screen (x, y) anchors of the holder's and the pretender's column (their base's left end, bottom)."""
    cx, cy, cw, ch = client
    margin = (cw - 328) // 2
    inset = (margin - 58) // 2
    base = cy + (ch - 234) // 2 + 234
    return (cx + inset, base), (cx + margin + 328 + inset, base)


def pretender_target(score, best):
    return max(0, RACE_HEIGHT - score * RACE_HEIGHT // max(best, 1))


def holder_target(score, best):
    return min(RACE_HEIGHT, (score - best) * RACE_HEIGHT // max(best, 1))


class Race:
    """The figures' pictures from the sprite sheet, and where they are found on the screen."""

    def __init__(self, sheet):
        self.poses = [sheet.crop(73 * f + 1, 0, 72, 100).data for f in range(7)]
        # Only the rows of the pretender below its crown: the crown covers the rest.
        self.pretender_feet = sheet.crop(1, 100 + 71, 72, 29).data
        self.crown = sheet.crop(51 * 6 + 23, 100, 50, 65).data

    def pretender_level(self, image, client):
        _, (x, y) = anchors(client)
        for level in range(RACE_HEIGHT + 1):
            if image.crop(x - 10, y - 234 + level + 71, 72, 29).data == self.pretender_feet:
                return level
        return None

    def crowned(self, image, client, level):
        _, (x, y) = anchors(client)
        return image.crop(x - 10, y - 228 + level, 50, 65).data == self.crown

    def holder(self, image, client):
        """(frame, level) of the record holder's figure, or None."""
        (x, y), _ = anchors(client)
        for level in range(RACE_HEIGHT + 1):
            picture = image.crop(x - 1, y - 234 + level, 72, 100).data
            for frame, pose in enumerate(self.poses):
                if picture == pose:
                    return frame, level
        return None

    @staticmethod
    def holder_name(image, client):
        """The black name field under the holder's column, as a picture to compare."""
        (x, y), _ = anchors(client)
        return image.crop(x - 16, y + 8, 90, 16).data
