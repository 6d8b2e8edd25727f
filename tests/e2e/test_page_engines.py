"""The page in the three engines side by side: Chromium, Firefox and WebKit
start from the same opening deal (the page's clock made to read one tick
count), play the same moves, and after each their client areas must be the
same pixels everywhere, the texts the game draws included: the boxes' digits,
the panel's labels, the names under the columns. The pictures at the start
are kept in the module's artefacts, one per engine."""

import os
import random
import unittest

import browser
import page_session
import player_bot
from game_case import Game, GameCase, TITLE
from test_page_parity import differences

TICKS = 1031        # any count: all three are dealt from it
MOVES = 4


class PageEnginesTest(GameCase):
    session_class = page_session.PageSession
    build_class = page_session.PageBuild
    others = []

    @classmethod
    def setUpClass(cls):
        super().setUpClass()  # this run's engine, Chromium by default
        try:
            for name in browser.ENGINES:
                if name != cls.session.engine:
                    other = page_session.PageSession(cls.__module__, cls.build, engine=name)
                    cls.others.append(other)
                    other.start()
        except Exception:
            cls.tearDownClass()
            raise

    @classmethod
    def tearDownClass(cls):
        for other in cls.others:
            other.stop()
        cls.others = []
        super().tearDownClass()

    def start(self, session):
        folder = session.new_game_folder(f"{self._testMethodName}-{session.engine}")
        game = Game(session, self.pictures, folder, session.launch(self.exe, folder, ticks=TICKS))
        self.games.append(game)
        session.wait_for_window(TITLE, timeout=30)
        game.locate()
        return game

    def at_rest(self, game, label):
        """The client area once two screenshots in a row agree, and the board in it."""
        game.session.wait_turn_over()
        image = game.shot(label)
        for _ in range(8):
            again = game.shot(f"{label}-again")
            if again.crop(*game.client).data == image.crop(*game.client).data:
                break
            image = again
        else:
            self.fail(f"{label}: the client area did not come to rest in {game.session.engine} "
                      f"({game.session.last_shot_path})")
        return image.crop(*game.client), game.board(image)

    def compare(self, label, games):
        """Every engine's client area against the first's; returns the board."""
        views = [(game, *self.at_rest(game, label)) for game in games]
        first, client, board = views[0]
        for game, other, other_board in views[1:]:
            where = f"({first.session.last_shot_path}, {game.session.last_shot_path})"
            self.assertEqual(other_board, board, f"{label}: the same board in {game.session.engine} {where}")
            self.assertEqual((other.width, other.height), (client.width, client.height),
                             f"{label}: the same client size in {game.session.engine}")
            origin = (first.origin[0] - first.client[0], first.origin[1] - first.client[1])
            found, marked = differences(client, other, origin, [])
            if found:
                path = os.path.join(game.session.artifacts, f"client-{label}-{game.session.engine}-differences.png")
                marked.save_png(path)
                self.fail(f"{label}: {game.session.engine} draws other pixels than {first.session.engine} in "
                          f"{found} (in red: {path}) {where}")
        return board

    def test_the_three_engines_draw_the_same_pixels(self):
        sessions = [self.session, *self.others]
        games = [self.start(session) for session in sessions]
        board = self.compare("start", games)
        for game in games:
            client, _ = self.at_rest(game, "start-kept")
            client.save_png(os.path.join(self.session.artifacts, f"start-{game.session.engine}.png"))
        rng = random.Random(7)
        for move in range(1, MOVES + 1):
            source, target, _ = player_bot.choose_move(board, rng)
            for game in games:
                game.move(source, target, settle=0.6)
            board = self.compare(f"move{move}", games)


if __name__ == "__main__":
    unittest.main()
