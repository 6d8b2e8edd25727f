"""GameCase for the page: the same tests' helpers, with the page in a browser
(Chromium, Firefox or WebKit: VEXAL_BROWSER) in place of Vexal.exe under Wine."""

import unittest

import browser
import game_case
import page_session


def engines(*names, why):
    """Runs the test in the engines named only; why says what the others lack, or why the
    test adds nothing there."""
    return unittest.skipUnless(browser.engine() in names, f"not in {browser.engine()}: {why}")


class PageCase(game_case.GameCase):
    session_class = page_session.PageSession
    build_class = page_session.PageBuild

    def start_game(self, label, files=None, storage="files", raw=None, ticks=None):
        """As GameCase.start_game; storage "blocked" or "full" gives the page such a browser, raw
        ({name: text}) stores texts as they are, ticks sets the clock that seeds the deal
        (page_session.PageSession.launch)."""
        # Learnt before the game: learning loads the page for games of its own.
        self.learn_readers()
        if storage == "files" and not raw and ticks is None:
            return super().start_game(label, files)
        import os
        folder = self.session.new_game_folder(f"{self._testMethodName}-{label}")
        for name, data in (files or {}).items():
            with open(os.path.join(folder, name), "wb") as f:
                f.write(data)
        process = self.session.launch(self.exe, folder, storage=storage, raw=raw, ticks=ticks)
        game = game_case.Game(self.session, self.pictures, folder, process)
        self.games.append(game)
        self.session.wait_for_window(game_case.TITLE, timeout=30)
        game.locate()
        return game

    def page_menu_marks(self):
        """(next balls checked, statistics checked), from the menu's items."""
        marks = self.session.page.evaluate(
            "[512, 513].map((id) => document.querySelector(`.menu-item[data-command='${id}']`).classList.contains('checked'))")
        return tuple(marks)

    def open_menu_item(self, command):
        """Opens the item's popup with the mouse and chooses the item."""
        title = self.session.page.evaluate(f"""(() => {{
            const item = document.querySelector(".menu-item[data-command='{command}']");
            const t = item.closest('.menu-title').getBoundingClientRect();
            return [t.left + t.width / 2, t.top + t.height / 2]; }})()""")
        self.session.click(int(title[0]), int(title[1]), pause=0.3)
        item = self.session.page.evaluate(f"""(() => {{
            const r = document.querySelector(".menu-item[data-command='{command}']").getBoundingClientRect();
            return [r.left + r.width / 2, r.top + r.height / 2, r.width]; }})()""")
        self.assertGreater(item[2], 0, f"the popup of menu item {command} opened")
        self.session.click(int(item[0]), int(item[1]), pause=0.5)
