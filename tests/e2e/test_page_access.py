"""The page as assistive technology reads it: axe-core's WCAG 2 A and AA rules
run inside the page as it starts, with a menu open, and with each dialog, the
statistics window and a message box open; and what the roles say kept in step
with what is shown: the menu's open popup, highlight and checks, and the texts
the high-score table and the statistics draw on their canvas, which their
canvas carries as a table for a screen reader."""

import json
import unittest

import harness
import player_bot
from game_case import DEFAULT_TABLE, NAME_DIALOG, TABLE_DIALOG, TITLE, Game
from page_case import PageCase

ENGINES = ("chromium", "firefox", "webkit")
# axe's rules are the same script in every engine, but each engine builds its own accessibility
# facts (computed roles, names, languages, what is hidden): a page can pass in one and not another.

AXE_TAGS = ["wcag2a", "wcag2aa", "wcag21a", "wcag21aa", "wcag22aa"]
# Violations the page keeps, {rule id: why}; every other one fails the test.
ALLOWED = {
    "meta-viewport": "the page turns the browser's zoom off (maximum-scale=1, user-scalable=no): a pinch on the "
                     "board would zoom where the player meant a move; the page scales its windows to the screen "
                     "itself, and its Size control shows them at two and three times their size",
}

RULES_DIALOG, ABOUT_DIALOG, STATISTICS, ERROR_BOX = "游戏规则", "关于", "统计", "Error"
CMD_SHOW_NEXT, CMD_STATISTICS, CMD_ABOUT = 512, 513, 769

# The page's facts a screen reader goes by, read in one go.
FACTS_JS = """(() => {
  const bar = document.querySelector('.window.main .menubar');
  const items = [...bar.querySelectorAll('.menu-item')];
  const dialogs = [...document.querySelectorAll('#desk > .window:not(.main)')].map((w) => {
    const named = (attribute) => (w.getAttribute(attribute) || '').split(' ').filter(Boolean)
      .map((id) => document.getElementById(id)).filter(Boolean);
    const field = w.querySelector('input.edit');
    const mirror = w.querySelector('canvas table');
    return { title: w.dataset.title, role: w.getAttribute('role'), modal: w.getAttribute('aria-modal'),
      name: named('aria-labelledby').map((e) => e.textContent).join(' '),
      nameLang: named('aria-labelledby').map((e) => e.closest('[lang]').lang).join(' '),
      description: named('aria-describedby').map((e) => [e.textContent, e.closest('[lang]').lang]),
      field: field && (document.getElementById(field.getAttribute('aria-labelledby')) || {}).textContent,
      focused: w.contains(document.activeElement) ? document.activeElement.getAttribute('aria-keyshortcuts') : null,
      table: mirror && [...mirror.rows].map((r) => [...r.cells].map((c) => c.textContent)) };
  });
  const main = document.querySelector('#desk > .window.main'), current = bar.getAttribute('aria-activedescendant');
  const named = current && document.getElementById(current);
  return { focus: document.activeElement === bar ? 'menubar' : document.activeElement === main ? 'main' :
    document.activeElement.tagName + ' ' + document.activeElement.id + ' ' + document.activeElement.getAttribute('aria-label'),
    current: named && (named.querySelector('.menu-label') || named).textContent,
    expanded: [...bar.querySelectorAll('[aria-expanded=true]')].map((t) => t.textContent),
    open: [...bar.children].filter((t) => t.classList.contains('open')).map((t) => t.firstChild.textContent),
    checks: items.filter((i) => i.classList.contains('checked') || i.hasAttribute('aria-checked'))
      .map((i) => [Number(i.dataset.command), i.classList.contains('checked'), i.getAttribute('aria-checked')]),
    dialogs };
})()"""

AXE_JS = """(async () => {
  const result = await axe.run(document, { runOnly: { type: "tag", values: %s }, resultTypes: ["violations"] });
  return result.violations.map((v) => ({ id: v.id, help: v.help,
    nodes: v.nodes.map((n) => n.target.join(" ") + ": " + n.failureSummary.replace(/\\s+/g, " ")) }));
})()"""


class PageAccessTest(PageCase):

    axe_source = None

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        with open(harness.env_path("VEXAL_AXE"), encoding="utf-8") as f:
            cls.axe_source = f.read()

    def launch(self, ticks):
        """A game dealt from ticks, its board read (the board's origin), with axe in the page."""
        folder = self.session.new_game_folder(self._testMethodName)
        game = Game(self.session, self.pictures, folder, self.session.launch(self.exe, folder, ticks=ticks))
        self.games.append(game)
        self.session.wait_for_window(TITLE, timeout=30)
        game.locate()
        game.stable_board("start")
        self.assertEqual(self.session.page.evaluate(self.axe_source + "\n;typeof axe.run"), "function",
                         "axe-core is in the page")
        return game

    def facts(self):
        return self.session.page.evaluate(FACTS_JS)

    def dialog(self, title):
        found = [d for d in self.facts()["dialogs"] if d["title"] == title]
        self.assertTrue(found, f"{title} is open")
        return found[0]

    def assert_axe_passes(self, state):
        """axe's WCAG A and AA rules over the whole page: no violation but the ones allowed."""
        self.session.screenshot(f"axe-{state}")
        violations = self.session.page.evaluate(AXE_JS % json.dumps(AXE_TAGS), timeout=90)
        left = [v for v in violations if v["id"] not in ALLOWED]
        self.assertFalse(left, f"axe, {state}: " + "\n".join(
            f"{v['id']} ({v['help']}):\n    " + "\n    ".join(v["nodes"]) for v in left))

    def test_the_page_and_its_windows_pass_axe_and_say_what_they_show(self):
        ticks, moves = player_bot.plan_first_line(harness.env_path("VEXAL_SIM"), range(1000, 1040))
        game = self.launch(ticks)
        page = self.session.page
        self.assert_axe_passes("start")

        before = self.facts()["focus"]
        # The menu from the keys: the bar takes the focus and names the highlight, the open
        # popup's title says so, the checks say what the marks show.
        for keys, current, expanded in ((("F10",), "文件", []),
                                        (("Right", "Down"), "下一步", ["设置"]),
                                        (("Escape",), "设置", [])):
            self.session.key(*keys, pause=0.3)
            facts = self.facts()
            self.assertEqual((facts["focus"], facts["current"], facts["expanded"]),
                             ("menubar", current, expanded), f"after {keys}")
            self.assertEqual(facts["expanded"], facts["open"], "an open popup's title is expanded")
        self.session.key("Right", "Down", pause=0.3)
        self.assert_axe_passes("help-menu")
        self.session.key("Escape", "Escape", pause=0.3)
        facts = self.facts()
        self.assertEqual((facts["focus"], facts["current"], facts["expanded"]), (before, None, []),
                         "the menu closed gives the keys back where they were")

        # F3 and F5 move the checks; each item's aria-checked follows its mark.
        marks = []
        for key in ("F3", "F5", "F3"):
            self.session.key(key, pause=0.5)
            checks = {command: (mark, aria) for command, mark, aria in self.facts()["checks"]}
            self.assertEqual(sorted(checks), [CMD_SHOW_NEXT, CMD_STATISTICS], "the settings are toggles")
            for command, (mark, aria) in checks.items():
                self.assertEqual(aria, "true" if mark else "false", f"after {key}: item {command}")
            marks.append(tuple(checks[c][0] for c in (CMD_SHOW_NEXT, CMD_STATISTICS)))
        self.assertEqual(marks, [(False, False), (False, True), (True, True)])

        # The statistics window, open beside the game: its figures, one line per picture, cover
        # the board's 81 cells.
        self.session.wait_for_window(STATISTICS)
        self.assert_axe_passes("statistics")
        stats = self.dialog(STATISTICS)
        self.assertEqual((stats["role"], stats["modal"], stats["name"]), ("dialog", None, STATISTICS))
        heads = ["Empty cells"] + [f"{name.capitalize()} balls" for name in player_bot.COLOUR_NAMES[1:]]
        self.assertEqual([row[0] for row in stats["table"]], heads, "each row named by its picture")
        self.assertEqual(sum(int(row[1].split()[0]) for row in stats["table"]), 81, stats["table"])
        self.session.key("F5", pause=0.5)
        self.assertTrue(self.session.wait_gone(STATISTICS))

        # Each modal dialog: named by its caption, its default button the one focused first.
        for label, open_it, title in (("rules", lambda: self.session.key("F1", pause=0.6), RULES_DIALOG),
                                      ("about", lambda: self.open_menu_item(CMD_ABOUT), ABOUT_DIALOG),
                                      ("table", lambda: self.open_table(game), TABLE_DIALOG)):
            with self.subTest(dialog=label):
                open_it()
                self.session.wait_for_window(title)
                self.assert_axe_passes(label)
                d = self.dialog(title)
                self.assertEqual((d["role"], d["modal"], d["name"], d["focused"]), ("dialog", "true", title, "Enter"))
                if title == TABLE_DIALOG:
                    self.assertEqual(d["table"], [[str(i + 1), name, str(score)]
                                                  for i, (name, score) in enumerate(DEFAULT_TABLE)])
                self.session.key("Return", pause=0.5)
                self.assertTrue(self.session.wait_gone(title))

        # A score, then F4: the name entry, its field named by its label; an empty name's
        # message box, in English; and the table with the new entry.
        self.session.play_moves(page, moves, self.origin_of(game))
        page.wait_for("window.vexalPlayed === true", timeout=60, interval=0.1)
        self.session.key("F4", pause=0.6)
        self.session.wait_for_window(NAME_DIALOG)
        self.assert_axe_passes("name-entry")
        d = self.dialog(NAME_DIALOG)
        self.assertEqual((d["role"], d["modal"], d["field"]), ("dialog", "true", "请留下您的大名"))
        self.type_name("")
        self.session.key("Return", pause=0.6)
        self.session.wait_for_window(ERROR_BOX)
        self.assert_axe_passes("message-box")
        box = self.dialog(ERROR_BOX)
        self.assertEqual((box["role"], box["modal"], box["name"], box["nameLang"], box["description"], box["focused"]),
                         ("alertdialog", "true", ERROR_BOX, "en", [["You must enter some name", "en"]], "Enter"))
        self.session.key("Return", pause=0.5)
        self.assertTrue(self.session.wait_gone(ERROR_BOX))
        self.type_name("Ada")
        self.session.key("Return", pause=0.8)
        self.session.wait_for_window(TABLE_DIALOG)
        entered = [row for row in self.dialog(TABLE_DIALOG)["table"] if row[1] == "Ada"]
        self.assertEqual(len(entered), 1, "the mirror shows the table as now drawn")
        self.assertGreater(int(entered[0][2]), 0, "with the score")
        self.session.key("Return", pause=0.5)
        self.assertTrue(self.session.wait_gone(TABLE_DIALOG))

    @staticmethod
    def origin_of(game):
        """The board's top left corner in the main window's client area."""
        return (game.origin[0] - game.client[0], game.origin[1] - game.client[1])


if __name__ == "__main__":
    unittest.main()
