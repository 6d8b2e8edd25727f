"""The page on phones and tablets, in the browser's device emulation (mobile,
touch, device pixel ratio 3 or 2): the whole window and the bar on the
screen, scaled down to fit where the screen is too small and 1:1 where it is
not; the canvases' backing stores at whole device pixels per client pixel
where that costs little of the size, every client pixel, the texts' too, a
block of device pixels of one colour; a move played by taps a few pixels
inside the cells' edges; the page neither scrolled nor zoomed after it, and
under the finger nothing that a long press selects or opens a menu on."""

import functools
import time
import unittest

import board_reader
import page_session
import player_bot
from page_case import PageCase

# A phone's layout viewport and touch screen are Chromium's device emulation: Firefox's driver
# touches but has no phone viewport, WebKit's turns a touch into mouse events.
ENGINES = ("chromium",)
PHONE = {"scale": 3, "mobile": True, "touch": True}
WINDOW = (620, 420)
CLIENT = (612, 374)
BAR = 30  # CSS pixels below the desk
INSET = 14  # a tap this far from a cell's centre is 4 client pixels inside its edge

# (label, viewport in CSS pixels, device pixel ratio, device pixels per client pixel if whole)
SCREENS = [
    ("phone-portrait", (390, 844), 3, None),  # fits at 0.63: 1.89 device pixels
    ("phone-landscape", (844, 390), 3, None),  # 0.86: 2 device pixels would cost a fifth of the size
    ("small-landscape", (740, 360), 3, 2),  # 0.79 fits; 2 device pixels (0.67) cost little
    ("tablet", (1024, 768), 2, 2),  # room to spare: 1:1
]

FACTS_JS = """(() => {
  const box = (e) => { const r = e.getBoundingClientRect(); return [r.left, r.top, r.right, r.bottom]; };
  const c = document.querySelector('.window.main > canvas.client');
  return { layout: vexalPage.layout(), window: box(document.querySelector('.window.main')),
    bar: box(document.getElementById('bar')), controls: [...document.querySelectorAll('#bar > *:not([hidden])')].map(box),
    backing: [c.width, c.height], still: [visualViewport.scale, scrollX, scrollY,
      document.documentElement.scrollWidth, document.documentElement.scrollHeight] };
})()"""

# Where the main window's backing store, d device pixels per client pixel, has a block of a client
# pixel that is not of one colour: the first few, in client pixels.
MIXED_BLOCKS_JS = """((d) => {
  const c = document.querySelector('.window.main > canvas.client');
  const p = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
  const mixed = [];
  for (let y = 0; y + d <= c.height; y += d) {
    for (let x = 0; x + d <= c.width; x += d) {
      const i = (y * c.width + x) * 4;
      let same = true;
      for (let j = 0; j < d * d && same; ++j) {
        const k = ((y + Math.floor(j / d)) * c.width + x + (j % d)) * 4;
        same = p[k] === p[i] && p[k + 1] === p[i + 1] && p[k + 2] === p[i + 2];
      }
      if (!same && mixed.push([x / d, y / d]) >= 10) return mixed;
    }
  }
  return mixed;
})"""

# What a finger resting at (x, y) meets: whether the page may zoom there (touch-action along
# the ancestors; html's manipulation already stops a double tap's zoom), whether text there can be selected, whether a long press's menu is kept.
UNDER_FINGER_JS = """((x, y) => {
  const hit = document.elementFromPoint(x, y);
  const actions = [];
  for (let e = hit; e; e = e.parentElement) actions.push(getComputedStyle(e).touchAction);
  const menu = new MouseEvent('contextmenu', { bubbles: true, cancelable: true, clientX: x, clientY: y });
  return { element: hit.className || hit.id || hit.tagName, actions,
    select: getComputedStyle(hit).userSelect, menu: hit.dispatchEvent(menu) };
})"""


class PageTouchTest(PageCase):
    session_class = functools.partial(page_session.PageSession, viewport=SCREENS[0][1], device=PHONE)

    def facts(self):
        return self.session.page.evaluate(FACTS_JS)

    def check_fitted(self, viewport, dpr, whole):
        """The window wholly above the bar, as large as the screen allows, its canvas at the device scale."""
        vw, vh = viewport
        facts = self.facts()
        k, device = facts["layout"]["k"], facts["layout"]["device"]
        left, top, right, bottom = facts["window"]
        self.assertTrue(left >= 0 and top >= 0 and right <= vw and bottom <= facts["bar"][1] + 0.01,
                        f"the whole window above the bar: {facts['window']} in {viewport}")
        self.assertEqual(facts["bar"][2:], [vw, vh], "the bar along the screen's bottom edge")
        for control in facts["controls"]:
            self.assertTrue(control[0] >= 0 and control[2] <= vw, f"the bar's control {control} on the screen")
        fit = min(vw / WINDOW[0], (vh - BAR) / WINDOW[1])
        if whole:
            self.assertEqual(device, whole, "whole device pixels per client pixel")
            self.assertGreaterEqual(k, 0.8 * min(1, fit), "at little cost of the size")
        else:
            self.assertAlmostEqual(k, min(1, fit), 9, "scaled to fit the screen, else 1:1")
        self.assertAlmostEqual(device, k * dpr, 9)
        self.assertEqual(facts["backing"], [round(CLIENT[0] * device), round(CLIENT[1] * device)],
                         "the backing store holds the client area at the device scale")
        return facts

    def check_still(self, viewport):
        self.assertEqual(self.facts()["still"], [1, 0, 0, *viewport], "neither zoomed nor scrolled, nothing beyond the screen")

    def tap_move(self, game, label):
        """A ball tapped near its cell's top-left corner, then an empty cell near its bottom-right."""
        _, board = game.stable_board(label)
        source = player_bot.balls(board)[0]
        target = sorted(board_reader.reachable(board, source))[0]
        colour = board[source[1]][source[0]]
        x, y = board_reader.cell_centre(game.origin, *source)
        self.session.click(x - INSET, y - INSET, pause=0.3)
        x, y = board_reader.cell_centre(game.origin, *target)
        self.session.click(x + INSET, y + INSET, pause=1.5)
        _, moved = game.stable_board(f"{label}-moved")
        self.assertEqual(moved[target[1]][target[0]], colour, f"the ball tapped at {source} went to {target}")
        self.assertEqual(len(player_bot.balls(moved)), len(player_bot.balls(board)) + 3, "three new balls came")
        return moved

    def test_each_screen_shows_the_whole_window_and_plays_a_move_by_touch(self):
        for label, viewport, dpr, whole in SCREENS:
            with self.subTest(screen=label):
                self.session.set_viewport(*viewport, dpr)
                game = self.start_game(label)
                self.check_fitted(viewport, dpr, whole)
                self.tap_move(game, label)
                if whole:
                    mixed = self.session.page.evaluate(f"{MIXED_BLOCKS_JS}({whole})")
                    self.assertEqual(mixed, [], "each client pixel, of the names and digits too, "
                                               f"{whole}x{whole} device pixels of one colour")
                self.check_still(viewport)
                k = self.session.layout["k"]
                cx, cy = board_reader.cell_centre(game.origin, 4, 4)
                places = [("a board cell", (cx + 0.5) * k, (cy + 0.5) * k),
                          ("the caption", (game.outer[0] + 60) * k, (game.outer[1] + 12) * k),
                          ("the bar's size label", viewport[0] - 70, viewport[1] - BAR / 2)]
                for place, x, y in places:
                    under = self.session.page.evaluate(f"{UNDER_FINGER_JS}({x}, {y})")
                    # The ancestors' values intersect: one that leaves out zooming is enough.
                    self.assertTrue(any(a not in ("auto", "manipulation") and "pinch-zoom" not in a
                                        for a in under["actions"]), f"{place}: no zoom by a pinch there ({under})")
                    self.assertEqual(under["select"], "none", f"{place}: nothing to select ({under})")
                    self.assertFalse(under["menu"], f"{place}: a long press opens no menu ({under})")

    def test_turning_the_phone_refits_the_window_and_keeps_the_game(self):
        self.session.set_viewport(390, 844, 3)
        game = self.start_game("turn")
        _, board = game.stable_board("portrait")
        self.session.set_viewport(844, 390)
        game.locate()
        self.check_fitted((844, 390), 3, None)
        _, turned = game.stable_board("turned")
        self.assertEqual(turned, board, "the same game, drawn anew at the new scale")
        self.tap_move(game, "turned")
        self.session.set_viewport(390, 844)
        game.locate()
        self.check_fitted((390, 844), 3, None)
        self.check_still((390, 844))


if __name__ == "__main__":
    unittest.main()
