"""Reads the game's resource scripts (res/vexal.rc, res/dialogs.rc) into plain
data for the page: the dialog templates with their controls, the menu and the
accelerators. Only the statements those scripts use are understood; anything
else in a template is an error, so that the page never silently differs."""

import re

TOKEN = re.compile(r'\s*(?:"((?:[^"]|"")*)"|([A-Za-z_][A-Za-z0-9_]*|0x[0-9A-Fa-f]+|\d+)|(,)|(\|))')


def defines(header_text):
    """#define NAME number, from a header."""
    out = {}
    for m in re.finditer(r"^#define\s+(\w+)\s+(0x[0-9A-Fa-f]+|\d+)", header_text, re.M):
        out[m.group(1)] = int(m.group(2), 0)
    return out


def strip_comments(text):
    out = []
    for line in text.splitlines():
        if line.lstrip().startswith("#"):
            out.append("")
            continue
        # A // outside a string starts a comment.
        quoted, i, cut = False, 0, None
        while i < len(line):
            if line[i] == '"':
                quoted = not quoted
            elif not quoted and line.startswith("//", i):
                cut = i
                break
            i += 1
        out.append(line if cut is None else line[:cut])
    return "\n".join(out)


def rc_string(raw):
    """A resource-script string: "" is a quote, \\010 an octal escape."""
    raw = raw.replace('""', '"')
    return re.sub(r"\\([0-7]{1,3})", lambda m: chr(int(m.group(1), 8)), raw)


def tokens(text):
    pos, out = 0, []
    while pos < len(text):
        m = TOKEN.match(text, pos)
        if not m or m.end() == pos:
            if text[pos:].strip():
                raise ValueError(f"cannot read the resource script at: {text[pos:pos + 40]!r}")
            break
        pos = m.end()
        if m.group(1) is not None:
            out.append(("string", rc_string(m.group(1))))
        elif m.group(2) is not None:
            out.append(("word", m.group(2)))
        elif m.group(3):
            out.append(("comma", ","))
        else:
            out.append(("or", "|"))
    return out


class Reader:
    def __init__(self, text, names):
        self.toks = tokens(strip_comments(text))
        self.i = 0
        self.names = names

    def more(self):
        return self.i < len(self.toks)

    def peek(self):
        return self.toks[self.i] if self.more() else (None, None)

    def take(self):
        tok = self.toks[self.i]
        self.i += 1
        return tok

    def word(self, expected=None):
        kind, value = self.take()
        if kind != "word" or (expected and value.upper() != expected):
            raise ValueError(f"expected {expected or 'a word'}, found {value!r}")
        return value

    def string(self):
        kind, value = self.take()
        if kind != "string":
            raise ValueError(f"expected a string, found {value!r}")
        return value

    def comma(self):
        if self.peek()[0] == "comma":
            self.take()
            return True
        return False

    def number(self):
        """A number, a defined name, or several joined by |."""
        value = 0
        while True:
            kind, text = self.take()
            if kind != "word":
                raise ValueError(f"expected a number, found {text!r}")
            if re.fullmatch(r"0x[0-9A-Fa-f]+|\d+", text):
                value |= int(text, 0)
            elif text in self.names:
                value |= self.names[text]
            else:
                raise ValueError(f"unknown name {text!r}")
            if self.peek()[0] != "or":
                return value
            self.take()


def dialogs(text, names):
    """{template id: {caption, x, y, width, height, style, exstyle, font, controls}}."""
    r = Reader(text, names)
    out = {}
    while r.more():
        ident = r.number()
        kind = r.word().upper()
        if kind not in ("DIALOG", "DIALOGEX"):
            raise ValueError(f"only dialog templates are expected here, found {kind}")
        x = r.number(); r.comma(); y = r.number(); r.comma()
        w = r.number(); r.comma(); h = r.number()
        t = {"x": x, "y": y, "width": w, "height": h, "style": 0, "exstyle": 0, "caption": "",
             "font": None, "controls": [], "extended": kind == "DIALOGEX"}
        while True:
            head = r.word().upper()
            if head == "STYLE":
                t["style"] = r.number()
            elif head == "EXSTYLE":
                t["exstyle"] = r.number()
            elif head == "CAPTION":
                t["caption"] = r.string()
            elif head == "FONT":
                size = r.number(); r.comma()
                t["font"] = {"points": size, "face": r.string()}
            elif head == "BEGIN":
                break
            else:
                raise ValueError(f"unexpected {head} in dialog {ident}")
        while True:
            head = r.word().upper()
            if head == "END":
                break
            if head != "CONTROL":
                raise ValueError(f"only CONTROL statements are expected in dialog {ident}, found {head}")
            label = r.string(); r.comma()
            cid = r.number(); r.comma()
            cls = r.string(); r.comma()
            style = r.number(); r.comma()
            cx = r.number(); r.comma(); cy = r.number(); r.comma()
            cw = r.number(); r.comma(); ch = r.number()
            t["controls"].append({"text": label, "id": cid, "className": cls, "style": style,
                                  "x": cx, "y": cy, "width": cw, "height": ch})
        out[ident] = t
    return out


VIRTUAL_KEYS = {f"VK_F{n}": f"F{n}" for n in range(1, 13)}


def main_script(text, names):
    """(menu, accelerators, icons {id: file}, bitmaps {id: file}) from vexal.rc."""
    body = strip_comments(text)
    menu, accelerators, icons, bitmaps = [], [], {}, {}
    for m in re.finditer(r"^\s*(\w+)\s+(ICON|BITMAP)\s+\"([^\"]+)\"", body, re.M):
        (icons if m.group(2) == "ICON" else bitmaps)[names[m.group(1)]] = m.group(3)
    menu_text = re.search(r"^\s*\w+\s+MENU\s*$(.*?^END)\s*$", body, re.M | re.S)
    if menu_text:
        r = Reader(menu_text.group(1), names)
        r.word("BEGIN")
        while True:
            head = r.word().upper()
            if head == "END":
                break
            if head != "POPUP":
                raise ValueError(f"expected POPUP in the menu, found {head}")
            popup = {"text": r.string(), "help": False, "items": []}
            if r.comma():
                popup["help"] = r.word().upper() == "HELP"
            r.word("BEGIN")
            while True:
                head = r.word().upper()
                if head == "END":
                    break
                if head != "MENUITEM":
                    raise ValueError(f"expected MENUITEM, found {head}")
                if r.peek() == ("word", "SEPARATOR"):
                    r.take()
                    popup["items"].append({"separator": True})
                    continue
                label = r.string(); r.comma()
                item = {"id": r.number(), "checked": False}
                while r.comma():
                    item["checked"] |= r.word().upper() == "CHECKED"
                item["text"], _, item["key"] = label.partition("\b")
                popup["items"].append(item)
            menu.append(popup)
    acc_text = re.search(r"^\s*\w+\s+ACCELERATORS\s*$(.*?^END)\s*$", body, re.M | re.S)
    if acc_text:
        r = Reader(acc_text.group(1), names)
        r.word("BEGIN")
        while True:
            kind, value = r.take()
            if kind == "word" and value.upper() == "END":
                break
            r.comma()
            command = r.number()
            flags = []
            while r.comma():
                flags.append(r.word().upper())
            if kind == "string":
                if "VIRTKEY" in flags:
                    raise ValueError("a character accelerator given as a virtual key")
                accelerators.append({"key": value, "alt": "ALT" in flags, "command": command})
            else:
                if value not in VIRTUAL_KEYS or "VIRTKEY" not in flags:
                    raise ValueError(f"unknown accelerator key {value}")
                accelerators.append({"key": VIRTUAL_KEYS[value], "alt": "ALT" in flags, "command": command})
    return menu, accelerators, icons, bitmaps
