"""The installable copy of the page (the build's app/, released as dist/web)
served over HTTP from 127.0.0.1: the browser reads its manifest and finds it
installable, its service worker takes control and keeps every file, and with
the network cut and the server gone a reload still starts the game, which
plays a move. The single file stays what it is: no manifest, no worker."""

import http.server
import os
import re
import shutil
import threading
import unittest

from game_case import TITLE, Game
from page_case import PageCase, engines
from page_session import PageProcess

KEPT_JS = """(async () => { const out = [];
  for (const name of await caches.keys())
    for (const request of await (await caches.open(name)).keys()) out.push(new URL(request.url).pathname);
  return out.sort(); })()"""


# Service workers are the engines' own: each one is seen taking control and keeping the page.
ENGINES = ("chromium", "firefox", "webkit")


class Server:
    """A static HTTP server for one folder on a free port of 127.0.0.1, in a thread of this process."""

    def __init__(self, folder):
        class Handler(http.server.SimpleHTTPRequestHandler):
            extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                              ".webmanifest": "application/manifest+json"}

            def __init__(self, *args, **kw):
                super().__init__(*args, directory=folder, **kw)

            def log_message(self, *args):
                pass

        self.httpd = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Handler)
        self.url = f"http://127.0.0.1:{self.httpd.server_address[1]}/"
        self.thread = threading.Thread(target=self.httpd.serve_forever, daemon=True)
        self.thread.start()

    def stop(self):
        if self.thread:
            self.httpd.shutdown()
            self.httpd.server_close()
            self.thread.join(10)
            self.thread = None


class PageOfflineTest(PageCase):

    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        app = os.environ.get("VEXAL_PAGE_APP") or os.path.join(os.path.dirname(cls.exe), "app")
        if not os.path.isfile(os.path.join(app, "index.html")):
            cls.session.stop()
            raise AssertionError(f"{app}/index.html does not exist: build the page first (cmake --build build/web)")
        cls.app = app

    def setUp(self):
        super().setUp()
        # Each test serves a copy of its own, on a port (and so an origin) of its own.
        self.served = os.path.join(self.session.games_root, f"served-{self._testMethodName}")
        shutil.copytree(self.app, self.served)
        self.server = Server(self.served)
        self.addCleanup(self.server.stop)
        if "devtools" in self.session.page.sees:
            self.addCleanup(self.session.page.send, "Network.emulateNetworkConditions",
                            {"offline": False, "latency": 0, "downloadThroughput": -1, "uploadThroughput": -1})

    def served_game(self, label):
        """The game the page that is open now shows, as a Game."""
        folder = self.session.new_game_folder(f"{self._testMethodName}-{label}")
        game = Game(self.session, self.pictures, folder, PageProcess(self.session, folder))
        self.games.append(game)
        self.session.page.wait_for("window.vexalPage && window.vexalPage.facts.started > 0", timeout=20)
        self.session.wait_for_window(TITLE, timeout=30)
        game.locate()
        return game

    @engines("chromium", why="the manifest as the browser read it is DevTools' alone")
    def test_the_manifest_is_the_served_copys_alone(self):
        self.session.page.navigate(self.server.url)
        served = self.session.page.send("Page.getAppManifest")
        self.session.page.navigate(self.session.url)
        single = self.session.page.send("Page.getAppManifest")
        for label, manifest, url in (("served", served, self.server.url + "manifest.webmanifest"),
                                     ("single file", single, "")):
            with self.subTest(label):
                self.assertEqual(manifest["url"], url)
                self.assertEqual(manifest["errors"], [], "the browser reads the manifest without a complaint")
        self.assertEqual(self.session.page.evaluate("typeof navigator.serviceWorker === 'undefined' || "
                                                    "navigator.serviceWorker.controller === null"), True,
                         "no worker serves the single file")

    def test_installed_it_plays_with_the_network_and_the_server_gone(self):
        # Learnt from the single file first: learning loads pages of its own.
        self.learn_readers()
        page = self.session.page
        page.console.clear()
        page.navigate(self.server.url)
        self.served_game("online")
        if "devtools" in page.sees:
            errors = page.send("Page.getInstallabilityErrors")["installabilityErrors"]
            self.assertEqual(errors, [], "the browser would install it")
        page.wait_for("navigator.serviceWorker.controller !== null", timeout=20)
        # The browser keeps the worker's own script where it keeps the worker.
        files = sorted(["/"] + ["/" + name for name in os.listdir(self.served) if name != "service-worker.js"])
        self.assertEqual(page.evaluate(KEPT_JS), files, "the worker keeps every file of the copy")

        # Where the driver cannot cut the network, the server gone is the cut.
        if "devtools" in page.sees:
            page.send("Network.emulateNetworkConditions",
                      {"offline": True, "latency": 0, "downloadThroughput": -1, "uploadThroughput": -1})
        self.server.stop()
        self.assertEqual(page.evaluate("fetch('/not-kept.txt').then(() => 'answered', () => 'failed')"), "failed",
                         "nothing answers beyond what the worker keeps")
        page.reload()
        game = self.served_game("offline")
        self.assertTrue(page.evaluate("navigator.serviceWorker.controller !== null"), "the worker served the page")
        player = self.player(game, seed=16)
        player.start("offline-start")
        self.assertIsNone(player.play_move(), "the move did not end the game")
        game.shot("offline-after-move")
        # Firefox reports the probe's refused fetch on the console, at a moment of its own (once
        # after the console was cleared behind the probe): the probe's words, not the page's.
        said = [entry for entry in page.console if "/not-kept.txt" not in entry[1]]
        self.assertEqual(said, [], "nothing said on the console (where the driver shows it)")

    def test_a_new_release_replaces_the_kept_one(self):
        page = self.session.page
        page.navigate(self.server.url)
        page.wait_for("navigator.serviceWorker.controller !== null", timeout=20)
        first = page.evaluate("caches.keys()")
        self.assertEqual(len(first), 1, first)
        # The next release, as the build makes it: another page, and with it another worker.
        with open(os.path.join(self.served, "index.html"), encoding="utf-8") as f:
            index = f.read()
        with open(os.path.join(self.served, "index.html"), "w", encoding="utf-8") as f:
            f.write(index.replace("<head>\n", '<head>\n<meta name="release" content="next">\n', 1))
        with open(os.path.join(self.served, "service-worker.js"), encoding="utf-8") as f:
            worker, n = re.subn(r'const CACHE = "[^"]*";', 'const CACHE = "vexal-next";', f.read())
        self.assertEqual(n, 1, "the worker names its cache")
        with open(os.path.join(self.served, "service-worker.js"), "w", encoding="utf-8") as f:
            f.write(worker)

        # The reload still shows the kept page; the browser finds the new worker meanwhile.
        page.reload()
        page.wait_for("caches.keys().then((names) => names.join() === 'vexal-next')", timeout=20)
        page.reload()
        self.served_game("next")
        self.assertTrue(page.evaluate("document.querySelector('meta[name=release]') !== null"),
                        "the next release's page is the one served")


if __name__ == "__main__":
    unittest.main()
