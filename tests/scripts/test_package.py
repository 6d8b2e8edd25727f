"""The releases that scripts/package writes: each zip holds exactly its
build's Vexal.exe and a README for players; the Debian package holds what a
player installs, where and how Debian expects it; the page is the build's own,
one file, and its zip the folder to serve, whose worker keeps every file; a
second run gives the same bytes; bad arguments get a clear answer."""

import gzip
import hashlib
import json
import os
import re
import struct
import subprocess
import tempfile
import time
import unittest
import zipfile

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
PACKAGING = os.path.join(ROOT, "scripts", "packaging")
PE_MACHINE = {"win32": 0x14C, "win64": 0x8664}
ICON_SIZES = (16, 32, 48, 64, 128, 256)


def run(cmd, **kw):
    return subprocess.run(cmd, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          timeout=600, **kw)


def changelog(field):
    return run(["dpkg-parsechangelog", "-l", os.path.join(PACKAGING, "changelog"), "-S", field]
               ).stdout.decode().strip()


DEB_VERSION = changelog("Version")
VERSION = DEB_VERSION.rsplit("-", 1)[0]
EPOCH = int(changelog("Timestamp"))


def artefacts(folder):
    return {"win32": os.path.join(folder, f"Vexal-{VERSION}-win32.zip"),
            "win64": os.path.join(folder, f"Vexal-{VERSION}-win64.zip"),
            "deb": os.path.join(folder, f"vexal_{DEB_VERSION}_all.deb"),
            "web-html": os.path.join(folder, f"Vexal-{VERSION}-web.html"),
            "web-zip": os.path.join(folder, f"Vexal-{VERSION}-web.zip")}


def package_dir():
    folder = os.environ.get("VEXAL_PACKAGE_DIR", "")
    if not folder:
        raise unittest.SkipTest("VEXAL_PACKAGE_DIR is not set: run these tests through CTest")
    return folder


def built_exe(arch):
    path = os.environ.get(f"VEXAL_EXE_{arch.upper()}", "")
    if not os.path.isfile(path):
        raise AssertionError(f"VEXAL_EXE_{arch.upper()}={path!r} names no built exe")
    with open(path, "rb") as f:
        return f.read()


def web_build():
    folder = os.environ.get("VEXAL_WEB_BUILD_DIR", "")
    if not os.path.isfile(os.path.join(folder, "vexal.html")):
        raise AssertionError(f"VEXAL_WEB_BUILD_DIR={folder!r} names no build of the page")
    return folder


def pe_machine(exe):
    offset = struct.unpack_from("<I", exe, 0x3C)[0]
    if exe[offset:offset + 4] != b"PE\0\0":
        return None
    return struct.unpack_from("<H", exe, offset + 4)[0]


def rgba(path):
    """(width, height, bytes) of a picture, four bytes a pixel, fully transparent ones as zeros."""
    out = run(["convert", path + "[0]", "-depth", "8", "rgba:-"])
    size = run(["identify", "-format", "%w %h", path + "[0]"]).stdout.decode().split()
    w, h = int(size[0]), int(size[1])
    data = bytearray(out.stdout)
    for i in range(0, len(data), 4):
        if data[i + 3] == 0:
            data[i:i + 4] = b"\0\0\0\0"
    return w, h, bytes(data)


def first_unscaled_pixel(pixels, size, icon):
    """None when the size x size picture is the 32 x 32 icon's pixels as whole k x k blocks, pixel for
    pixel; else the first (x, y) that is not."""
    k = size // 32
    for y in range(0, size, k):
        for x in range(0, size, k):
            i, j = 4 * (y * size + x), 4 * ((y // k) * 32 + x // k)
            if pixels[i:i + 4] != icon[j:j + 4]:
                return x, y
    return None


class ZipTest(unittest.TestCase):

    def test_each_zip_holds_its_build_and_a_readme(self):
        for arch, label in (("win32", "32-bit"), ("win64", "64-bit")):
            with self.subTest(arch), zipfile.ZipFile(artefacts(package_dir())[arch]) as z:
                self.assertEqual(z.namelist(), ["Vexal.exe", "README.txt"])
                self.assertIsNone(z.testzip())
                exe = z.read("Vexal.exe")
                self.assertTrue(exe == built_exe(arch), "the exe is the build's own")
                self.assertEqual(pe_machine(exe), PE_MACHINE[arch], "the build of this zip's name")
                for info in z.infolist():
                    self.assertEqual(info.date_time, time.gmtime(EPOCH)[:6], info.filename)
                readme = z.read("README.txt").decode("utf-8")
                self.assertNotIn("@", readme, "every placeholder is filled in")
                self.assertEqual(readme.count("\n"), readme.count("\r\n"), "CR LF line ends, for Notepad")
                self.assertTrue(readme.startswith(f"Vexal {VERSION} for Windows, {label}"), readme[:60])
                for fact in ("F4", "F3", "F5", "F1", "Alt+x", "vexalrec.res", "without 32-bit support",
                             f"Vexal-{VERSION}-web.html", f"Vexal-{VERSION}-web.zip", "Export vexalrec.res",
                             "Import vexalrec.res"):
                    self.assertIn(fact, readme)

    def test_the_exe_says_the_version_the_releases_are_named_for(self):
        # VERSIONINFO strings are UTF-16: "FileVersion", its NUL, padding, the value.
        exe = built_exe("win32")
        key = "FileVersion\0".encode("utf-16-le")
        at = exe.find(key)
        self.assertGreater(at, 0, "the exe has a version resource")
        value = exe[at + len(key):at + len(key) + 40].decode("utf-16-le", errors="replace").strip("\0")
        self.assertEqual(value.split("\0")[0], VERSION)


class DebTest(unittest.TestCase):

    @classmethod
    def setUpClass(cls):
        cls.deb = artefacts(package_dir())["deb"]
        cls.tree = tempfile.TemporaryDirectory()
        cls.root = cls.tree.name
        out = run(["dpkg-deb", "-x", cls.deb, cls.root])
        if out.returncode != 0:
            raise AssertionError(out.stderr.decode())

    @classmethod
    def tearDownClass(cls):
        cls.tree.cleanup()

    def path(self, *parts):
        return os.path.join(self.root, *parts)

    def field(self, name):
        return run(["dpkg-deb", "-f", self.deb, name]).stdout.decode().strip()

    def test_control_fields(self):
        for name, want in (("Package", "vexal"), ("Version", DEB_VERSION), ("Architecture", "all"),
                           ("Section", "games")):
            with self.subTest(name):
                self.assertEqual(self.field(name), want)
        depends = [d.strip() for d in self.field("Depends").split(",")]
        self.assertTrue(any(d.startswith("wine ") or d == "wine" for d in depends), depends)
        self.assertIn("wine64 | wine32", depends, "either Wine serves one of the builds")
        self.assertIn("fonts-wqy-microhei", depends, "the font the prefix maps the dialogs to")
        recommends = [d.strip() for d in self.field("Recommends").split(",")]
        self.assertIn("xdotool", recommends, "what brings a running game to the front")
        self.assertIn("x11-utils", recommends, "xmessage, the message box of the last resort")

    def test_files_modes_and_owner(self):
        listing = run(["dpkg-deb", "-c", self.deb]).stdout.decode().splitlines()
        entries = {}
        for line in listing:
            mode, owner, _, _, _, name = line.split(None, 5)
            entries[name.lstrip(".")] = (mode, owner)
        self.assertEqual({owner for _, owner in entries.values()}, {"root/root"})
        for name, mode in (("/usr/games/vexal", "-rwxr-xr-x"),
                           ("/usr/lib/vexal/win32/Vexal.exe", "-rw-r--r--"),
                           ("/usr/lib/vexal/win64/Vexal.exe", "-rw-r--r--"),
                           ("/usr/lib/vexal/shell/launch.sh", "-rw-r--r--"),
                           ("/usr/share/applications/vexal.desktop", "-rw-r--r--"),
                           ("/usr/share/man/man6/vexal.6.gz", "-rw-r--r--"),
                           ("/usr/share/doc/vexal/copyright", "-rw-r--r--"),
                           ("/usr/share/doc/vexal/changelog.Debian.gz", "-rw-r--r--")):
            with self.subTest(name):
                self.assertEqual(entries.get(name, ("missing",))[0], mode)
        for arch in ("win32", "win64"):
            with self.subTest(arch), open(self.path("usr", "lib", "vexal", arch, "Vexal.exe"), "rb") as f:
                self.assertTrue(f.read() == built_exe(arch), "the exe is the build's own")

    def test_the_launcher_runs_the_shell_library_of_scripts_play(self):
        for lib in ("launch.sh", "wine-env.sh", "machine.sh"):
            with self.subTest(lib), open(os.path.join(ROOT, "scripts", "lib", lib), "rb") as a, \
                    open(self.path("usr", "lib", "vexal", "shell", lib), "rb") as b:
                self.assertTrue(b.read() == a.read(), "the same file")

    def test_md5sums_cover_every_file(self):
        control = tempfile.mkdtemp(dir=self.root)
        run(["dpkg-deb", "-e", self.deb, control])
        listed = {}
        with open(os.path.join(control, "md5sums")) as f:
            for line in f:
                digest, name = line.split(None, 1)
                listed[name.strip()] = digest
        files = set()
        for folder, _, names in os.walk(self.path("usr")):
            for n in names:
                files.add(os.path.relpath(os.path.join(folder, n), self.root))
        self.assertEqual(set(listed), files)
        for name, digest in listed.items():
            with open(self.path(name), "rb") as f:
                self.assertEqual(hashlib.md5(f.read()).hexdigest(), digest, name)

    def test_desktop_entry_names_the_launcher_and_an_icon_of_every_size(self):
        entry = {}
        with open(self.path("usr", "share", "applications", "vexal.desktop"), encoding="utf-8") as f:
            for line in f:
                if "=" in line:
                    key, value = line.rstrip("\n").split("=", 1)
                    entry[key] = value
        self.assertEqual(entry["Type"], "Application")
        self.assertTrue(os.access(self.path("usr", "games", entry["Exec"]), os.X_OK), entry["Exec"])
        self.assertEqual(entry["Categories"].split(";")[:2], ["Game", "LogicGame"])
        out = run(["desktop-file-validate", self.path("usr", "share", "applications", "vexal.desktop")])
        self.assertEqual(out.returncode, 0, out.stdout.decode() + out.stderr.decode())

        _, _, icon = rgba(os.path.join(ROOT, "res", "vexal.ico"))
        for size in ICON_SIZES:
            with self.subTest(size=size):
                png = self.path("usr", "share", "icons", "hicolor", f"{size}x{size}", "apps", entry["Icon"] + ".png")
                w, h, pixels = rgba(png)
                self.assertEqual((w, h), (size, size))
                self.assertGreater(pixels.count(b"\0\0\0\0"), 0, "the icon's mask stays transparent")
                if size % 32 == 0:
                    self.assertIsNone(first_unscaled_pixel(pixels, size, icon), png)

    def test_compressed_docs_carry_no_name_or_time(self):
        for parts, first in ((("usr", "share", "man", "man6", "vexal.6.gz"), ".TH VEXAL 6"),
                             (("usr", "share", "doc", "vexal", "changelog.Debian.gz"), f"vexal ({DEB_VERSION})")):
            with self.subTest(parts[-1]), open(self.path(*parts), "rb") as f:
                raw = f.read()
                flags, mtime = raw[3], struct.unpack_from("<I", raw, 4)[0]
                self.assertEqual((flags & 0x08, mtime), (0, 0), "gzip -n")
                self.assertTrue(gzip.decompress(raw).decode("utf-8").startswith(first))


class WebTest(unittest.TestCase):
    PAGE_BUDGET = 256 * 1024

    def test_the_page_is_the_builds_own_single_file(self):
        with open(artefacts(package_dir())["web-html"], "rb") as f:
            page = f.read()
        with open(os.path.join(web_build(), "vexal.html"), "rb") as f:
            self.assertTrue(page == f.read(), "the build's page")
        self.assertLess(len(page), self.PAGE_BUDGET, "within the page's budget")
        text = page.decode("utf-8")
        self.assertIn(f"Vexal {VERSION}", text)
        # From file:// a manifest or a worker would be asked for over the network.
        for absent in ('rel="manifest"', "serviceWorker"):
            self.assertNotIn(absent, text)

    def test_the_zip_holds_the_folder_to_serve_and_its_worker_keeps_every_file(self):
        top = f"Vexal-{VERSION}-web/"
        app = os.path.join(web_build(), "app")
        shipped = os.path.join(package_dir(), "web")
        with zipfile.ZipFile(artefacts(package_dir())["web-zip"]) as z:
            self.assertIsNone(z.testzip())
            self.assertEqual(z.namelist(), [top + name for name in sorted(os.listdir(app))])
            self.assertEqual(sorted(os.listdir(shipped)), sorted(os.listdir(app)), "dist's web/ is the same folder")
            files = {}
            for info in z.infolist():
                name = info.filename[len(top):]
                files[name] = z.read(info)
                self.assertEqual(info.date_time, time.gmtime(EPOCH)[:6], name)
                self.assertEqual(info.external_attr >> 16, 0o100644, name)
                for folder in (app, shipped):
                    with open(os.path.join(folder, name), "rb") as f:
                        self.assertTrue(files[name] == f.read(), f"{name} is {folder}'s")

        index = files["index.html"].decode("utf-8")
        with open(artefacts(package_dir())["web-html"], encoding="utf-8") as f:
            single = f.read()
        self.assertEqual(len(re.findall(r"<script>", index)), len(re.findall(r"<script>", single)) + 1,
                         "the page and the worker's registration")
        self.assertIn('<link rel="manifest" href="manifest.webmanifest">', index)
        manifest = json.loads(files["manifest.webmanifest"])
        self.assertEqual((manifest["display"], manifest["start_url"]), ("standalone", "./"))
        self.assertRegex(manifest["theme_color"], r"^#[0-9a-f]{6}$")
        self.assertIn(f'content="{manifest["theme_color"]}"', index, "the page has the manifest's colour")
        _, _, icon = rgba(os.path.join(ROOT, "res", "vexal.ico"))
        sizes = []
        for entry in manifest["icons"]:
            with self.subTest(entry["src"]), tempfile.TemporaryDirectory() as work:
                png = os.path.join(work, "icon.png")
                with open(png, "wb") as f:
                    f.write(files[entry["src"]])
                w, h, pixels = rgba(png)
                self.assertEqual(f"{w}x{h}", entry["sizes"])
                self.assertIsNone(first_unscaled_pixel(pixels, w, icon), entry["src"])
                sizes.append(w)
        self.assertTrue({192, 512} <= set(sizes), sizes)

        worker = files["service-worker.js"].decode("utf-8")
        kept = json.loads(re.search(r"const FILES = (\[.*?\]);", worker).group(1))
        self.assertEqual(sorted(kept), sorted(["./"] + [n for n in files if n != "service-worker.js"]),
                         "the worker keeps every other file, and the folder's own address")


class ReproducibleTest(unittest.TestCase):

    def package(self, out, epoch=None):
        env = dict(os.environ)
        env.pop("SOURCE_DATE_EPOCH", None)
        if epoch is not None:
            env["SOURCE_DATE_EPOCH"] = str(epoch)
        result = run([os.path.join(ROOT, "scripts", "package"), "--out", out, "--no-lintian"], env=env)
        self.assertEqual(result.returncode, 0, result.stderr.decode())
        return artefacts(out)

    def test_a_second_run_gives_the_same_bytes_and_honours_source_date_epoch(self):
        first = artefacts(package_dir())
        with tempfile.TemporaryDirectory() as work:
            again = self.package(os.path.join(work, "again"))
            for kind in first:
                with self.subTest(kind), open(first[kind], "rb") as a, open(again[kind], "rb") as b:
                    self.assertEqual(a.read(), b.read())
            later = EPOCH + 86400 * 400 + 7
            moved = self.package(os.path.join(work, "moved"), later)
            t = time.gmtime(later)
            for kind in ("win32", "web-zip"):
                with self.subTest(kind), zipfile.ZipFile(moved[kind]) as z:
                    # A zip keeps seconds in steps of two.
                    self.assertEqual({i.date_time for i in z.infolist()}, {t[:5] + (t.tm_sec - t.tm_sec % 2,)})
            listing = run(["dpkg-deb", "-c", moved["deb"]]).stdout.decode()
            self.assertIn(time.strftime("%Y-%m-%d %H:%M", time.gmtime(later)), listing.splitlines()[0])


class BadArgumentsTest(unittest.TestCase):

    def test_each_tool_answers_bad_arguments_clearly(self):
        with tempfile.TemporaryDirectory() as work:
            readme = os.path.join(PACKAGING, "README.txt")
            nothing = os.path.join(work, "none.exe")
            zip_py = ["python3", os.path.join(PACKAGING, "zip.py")]
            web_zip = ["python3", os.path.join(PACKAGING, "web_zip.py")]
            for label, cmd, code, said in (
                    ("zip: too few", zip_py + ["out.zip"], 2, "zip.py OUT.zip"),
                    ("zip: time", zip_py + ["o.zip", readme, readme, "5.2", "x", "soon"], 2, "'soon'"),
                    ("zip: no exe", zip_py + ["o.zip", nothing, readme, "5.2", "x", "0"], 1, nothing),
                    ("web zip: too few", web_zip + ["out.zip"], 2, "web_zip.py OUT.zip"),
                    ("web zip: time", web_zip + ["o.zip", PACKAGING, "top", "soon"], 2, "'soon'"),
                    ("web zip: no folder", web_zip + ["o.zip", nothing, "top", "0"], 1, nothing),
                    ("web zip: not only files", web_zip + ["o.zip", ROOT, "top", "0"], 1, ROOT),
                    ("deb: no exe", [os.path.join(PACKAGING, "deb.sh"), "o.deb", nothing, nothing], 1, nothing),
                    ("deb: usage", [os.path.join(PACKAGING, "deb.sh")], 2, "usage"),
                    ("package: unknown", [os.path.join(ROOT, "scripts", "package"), "--fast"], 2, "'--fast'"),
                    ("package: --out", [os.path.join(ROOT, "scripts", "package"), "--out"], 2, "needs a folder")):
                with self.subTest(label):
                    out = run(cmd, cwd=work)
                    self.assertEqual(out.returncode, code, out.stderr.decode())
                    self.assertIn(said, out.stderr.decode())
                    self.assertEqual(os.listdir(work), [], "nothing written")


if __name__ == "__main__":
    unittest.main()
