"""Samples a rectangle of the X screen every few milliseconds, straight from
the X server with XGetImage (import takes about 100 ms a picture, longer than
an animation frame). Runs in a thread while the test clicks; keeps each
picture that differs from the one before, with its time.

A grab can come late: the machine is shared, and the host now and then stops
the whole virtual machine for 50 to 100 ms. Whether a picture was lost then
is not read from the gap but from the X server's own reports of drawing
(the DAMAGE extension, with the server's time of each): a picture falls
between two grabs only when the rectangle was drawn at two moments, with a
pause between them, and no grab came between."""

import ctypes
import threading
import time

from board_reader import CELL
from harness import Image


class _XImage(ctypes.Structure):
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
                ("format", ctypes.c_int), ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
                ("bits_per_pixel", ctypes.c_int)]


class _DamageNotify(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("drawable", ctypes.c_ulong), ("damage", ctypes.c_ulong),
                ("level", ctypes.c_int), ("more", ctypes.c_int), ("timestamp", ctypes.c_ulong),
                ("x", ctypes.c_short), ("y", ctypes.c_short), ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                ("rest", ctypes.c_char * 192)]  # the rest of an XEvent, which is larger


_ZPIXMAP = 2
_ALL_PLANES = ctypes.c_ulong(-1 & 0xFFFFFFFFFFFFFFFF)
_REPORT_RAW_RECTANGLES = 0
# Drawing this far apart on the server's clock makes two pictures: the quickest animation
# steps are 15 ms apart, and one picture's calls come within a millisecond or two.
PICTURE_APART_MS = 10
# A grab answered this late means the server itself was held up (a grab takes a few ms).
HELD_S = 0.03
_x11 = None
_damage = None


def _lib():
    global _x11
    if _x11 is None:
        lib = ctypes.CDLL("libX11.so.6")
        lib.XOpenDisplay.restype = ctypes.c_void_p
        lib.XOpenDisplay.argtypes = [ctypes.c_char_p]
        lib.XDefaultRootWindow.restype = ctypes.c_ulong
        lib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
        lib.XGetImage.restype = ctypes.POINTER(_XImage)
        lib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                                  ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
        lib.XFree.argtypes = [ctypes.c_void_p]
        lib.XCloseDisplay.argtypes = [ctypes.c_void_p]
        lib.XPending.argtypes = [ctypes.c_void_p]
        lib.XNextEvent.argtypes = [ctypes.c_void_p, ctypes.c_void_p]
        lib.XFlush.argtypes = [ctypes.c_void_p]
        _x11 = lib
    return _x11


def _damage_lib():
    global _damage
    if _damage is None:
        lib = ctypes.CDLL("libXdamage.so.1")
        lib.XDamageQueryExtension.argtypes = [ctypes.c_void_p, ctypes.POINTER(ctypes.c_int),
                                              ctypes.POINTER(ctypes.c_int)]
        lib.XDamageCreate.restype = ctypes.c_ulong
        lib.XDamageCreate.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int]
        _damage = lib
    return _damage


class ScreenSampler:
    """sampler = ScreenSampler(display, (x, y, w, h)); sampler.start(); ...; frames = sampler.stop()

    frames is a list of (seconds since start, Image), consecutive duplicates dropped.
    missed counts the grabs before which the rectangle had been drawn at two moments
    since the grab before: a picture may have stood between them unseen. held lists the
    grabs the server was slow to answer: a server held up (the host stops its process now
    and then) may never show a picture that came meanwhile. Seen with Xvfb stopped for
    70 ms at a time: a growing ball's first picture missing, its second shown as the server
    went on, and no drawing reported twice."""

    def __init__(self, display, rect, interval=0.002):
        self.display = display.encode()
        self.rect = rect
        self.interval = interval
        self.frames = []
        self.grabs = 0
        self.longest_gap = 0.0  # seconds between two grabs, at the most
        self.missed = 0
        self.missed_at = []  # (seconds since start, gap, the server's times of the drawing)
        self.held = []  # (from, to) in seconds since start: grabs the server was slow to answer
        self.t0 = None  # time.monotonic() of "since start"
        self._stop = threading.Event()
        self._grabbing = threading.Event()
        self._thread = None
        self._error = None

    def _grab(self, lib, dpy, root):
        x, y, w, h = self.rect
        image = lib.XGetImage(dpy, root, x, y, w, h, _ALL_PLANES, _ZPIXMAP)
        if not image:
            raise RuntimeError(f"XGetImage failed for {self.rect}")
        # XDestroyImage is a macro; the pixels and the record are freed one by one.
        info = image.contents
        data, stride, bpp, order = info.data, info.bytes_per_line, info.bits_per_pixel, info.byte_order
        try:
            if bpp != 32 or order != 0:
                raise RuntimeError("only 32-bit little-endian X images are read")
            raw = ctypes.string_at(data, stride * h)
        finally:
            lib.XFree(data)
            lib.XFree(ctypes.cast(image, ctypes.c_void_p))
        if stride != 4 * w:
            raw = b"".join(raw[r * stride:r * stride + 4 * w] for r in range(h))
        return raw

    def _run(self):
        lib = _lib()
        dpy = lib.XOpenDisplay(self.display)
        if not dpy:
            self._error = RuntimeError(f"cannot open display {self.display.decode()}")
            return
        try:
            root = lib.XDefaultRootWindow(dpy)
            damage = _damage_lib()
            event_base, error_base = ctypes.c_int(), ctypes.c_int()
            if not damage.XDamageQueryExtension(dpy, ctypes.byref(event_base), ctypes.byref(error_base)):
                raise RuntimeError("the X server has no DAMAGE extension")
            damage.XDamageCreate(dpy, root, _REPORT_RAW_RECTANGLES)
            lib.XFlush(dpy)
            t0 = self.t0 = time.monotonic()
            previous = None
            last = None
            while not self._stop.is_set():
                asked = time.monotonic()
                raw = self._grab(lib, dpy, root)
                if time.monotonic() - asked > HELD_S:
                    self.held.append((round(asked - t0, 3), round(time.monotonic() - t0, 3)))
                # The grab's reply came after every report of drawing done before it.
                drawn = self._drawn(lib, dpy, event_base.value)
                now = time.monotonic()
                if last is not None:
                    self.longest_gap = max(self.longest_gap, now - last)
                    if drawn and drawn[-1][0] - drawn[0][0] >= PICTURE_APART_MS:
                        self.missed += 1
                        self.missed_at.append((round(now - t0, 3), round(now - last, 3), drawn))
                last = now
                self.grabs += 1
                if raw != previous:
                    self.frames.append((time.monotonic() - t0, raw))
                    previous = raw
                self._grabbing.set()
                time.sleep(self.interval)
        except Exception as error:  # handed to stop(), which raises it in the test's thread
            self._error = error
        finally:
            self._grabbing.set()
            lib.XCloseDisplay(dpy)

    def _drawn(self, lib, dpy, event_base):
        """The server's times (ms) of the drawing in the rectangle reported since the last call."""
        x, y, w, h = self.rect
        times = []
        event = _DamageNotify()
        while lib.XPending(dpy):
            lib.XNextEvent(dpy, ctypes.byref(event))
            if event.type != event_base:
                continue
            if event.x < x + w and x < event.x + event.width and event.y < y + h and y < event.y + event.height:
                times.append((event.timestamp, event.x, event.y, event.width, event.height))
        return sorted(times)

    def start(self):
        """Returns once the first grab is in: opening the display and loading Xlib took over
        100 ms on a loaded machine, and what is done before the first grab goes unseen."""
        self._thread = threading.Thread(target=self._run, daemon=True)
        self._thread.start()
        if not self._grabbing.wait(10):
            raise RuntimeError(f"no grab of {self.display.decode()} within 10 s")
        if self._error:
            raise self._error
        return self

    def still_for(self):
        """Seconds since the picture last changed (the first grab is a change)."""
        return time.monotonic() - self.t0 - self.frames[-1][0]

    def stop(self):
        self._stop.set()
        self._thread.join(10)
        if self._error:
            raise self._error
        w, h = self.rect[2], self.rect[3]
        return [(t, _bgrx_to_image(raw, w, h)) for t, raw in self.frames]


def _bgrx_to_image(raw, w, h):
    rgb = bytearray(w * h * 3)
    rgb[0::3] = raw[2::4]
    rgb[1::3] = raw[1::4]
    rgb[2::3] = raw[0::4]
    return Image(w, h, bytes(rgb))


class Frames:
    """Sampled pictures of the client area, read cell by cell and frame by frame."""

    def __init__(self, game, samples, missed_at=(), held=()):
        self.samples = samples
        self.missed_at = list(missed_at)  # the sampler's (time, gap, drawing) of lost pictures
        self.held = list(held)  # and its (from, to) of the server held up
        self.origin = game.origin
        self.pictures = game.pictures
        cx, cy = game.client[:2]
        self.board_x, self.board_y = game.origin[0] - cx, game.origin[1] - cy
        self.known = {}
        for frame, row in game.pictures.frames.items():
            for colour, picture in enumerate(row):
                self.known.setdefault(picture.data, (colour, 0 if colour == 0 else frame))

    def cell(self, image, column, row):
        """(colour, sprite row) that the cell shows, or None while it is being drawn."""
        picture = image.crop(self.board_x + 2 + CELL * column, self.board_y + 2 + CELL * row, CELL, CELL)
        return self.known.get(picture.data)

    def lost_over(self, column, row, after):
        """Whether the display drew on the cell, later than after (seconds), a picture that fell
        between two grabs, or was held up in the 100 ms before the cell's first new picture
        after that (the picture due then may never have been shown)."""
        x, y = self.origin[0] + 2 + CELL * column, self.origin[1] + 2 + CELL * row
        if any(t > after and any(rx < x + CELL and x < rx + rw and ry < y + CELL and y < ry + rh
                                 for _, rx, ry, rw, rh in drawn)
               for t, _, drawn in self.missed_at):
            return True
        first = next((t for t, seen in self.history(column, row) if t > after and seen[0]), None)
        return first is not None and any(start <= first and first - end < 0.1 for start, end in self.held)

    def history(self, column, row):
        """[(time, (colour, sprite row))] of the cell, one entry per change."""
        out = []
        for t, image in self.samples:
            seen = self.cell(image, column, row)
            if seen is not None and (not out or out[-1][1] != seen):
                out.append((t, seen))
        return out
