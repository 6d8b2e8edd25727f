// The game's files in the browser's storage: each file name is one entry of
// localStorage holding exactly the file's bytes (one character per byte), so
// the game's own loading, saving and fall-back rules run unchanged. A file is
// written when it is closed, in one step: if the browser refuses (storage
// full or blocked), the entry keeps the bytes it had. An entry that does not
// hold bytes cannot be read, and then it is never written over either.

const STORE_PREFIX = "vexal/";
const TABLE_FILES = ["vexalrec.res", "lines.res"];
const HFILE_ERROR = -1, OF_WRITE = 1, MOVEFILE_REPLACE_EXISTING = 1;

const files = new Map();  // handle -> {name, data, position, writing}
let nextFile = 3;
const unreadable = new Set();
const notices = new Set();
// The stored tables as this tab last took them up or wrote them: when they
// differ at an entry, another tab has saved meanwhile, whether or not its
// storage event has arrived yet.
let tableSeen = null;

function store() {
  try {
    const s = window.localStorage;
    if (!s) return null;
    s.getItem(STORE_PREFIX + "probe");
    return s;
  } catch (error) {
    return null;
  }
}

// Says one thing once per start of the page, beside the window.
function notice(kind, text) {
  if (notices.has(kind)) return;
  notices.add(kind);
  showNotice(text);
}

function storeBlocked() {
  notice("blocked", "This browser keeps no data for this page (its storage is blocked or missing): "
    + "the game plays with the default table, and new scores last only until the page is closed.");
}

// The bytes of an entry; null when there is none, undefined when it cannot be read.
function readEntry(name) {
  const s = store();
  if (!s) {
    storeBlocked();
    return undefined;
  }
  let text;
  try {
    text = s.getItem(STORE_PREFIX + name);
  } catch (error) {
    storeBlocked();
    return undefined;
  }
  if (text === null) return null;
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; ++i) {
    const c = text.charCodeAt(i);
    if (c > 255) {
      unreadable.add(name);
      notice(`unreadable ${name}`, `The stored ${name} is not a high-score table this game can read: `
        + "the game plays without it and will not write over it. Import a table to replace it.");
      return undefined;
    }
    bytes[i] = c;
  }
  return bytes;
}

function writeEntry(name, bytes) {
  const s = store();
  if (!s) {
    storeBlocked();
    return false;
  }
  let text = "";
  for (let i = 0; i < bytes.length; i += 4096) text += String.fromCharCode(...bytes.subarray(i, i + 4096));
  try {
    s.setItem(STORE_PREFIX + name, text);
    return true;
  } catch (error) {
    notice("full", `The browser's storage for this page is full, so ${name} could not be written: `
      + "the stored table is as it was and the new score was not kept. Free some of this site's storage and play again.");
    return false;
  }
}

function openFile(name, data, writing) {
  const handle = nextFile++;
  files.set(handle, { name, data, length: data.length, position: 0, writing });
  return handle;
}

function fileName(address) {
  return decodeGbk(memory().cString(address));
}

function storedTables() {
  const s = store();
  if (!s) return null;
  try {
    return JSON.stringify(TABLE_FILES.map((name) => s.getItem(STORE_PREFIX + name)));
  } catch (error) {
    return null;
  }
}

function noteShortTable(name, bytes) {
  if (TABLE_FILES.includes(name) && bytes.length < 160) {
    notice(`short ${name}`, `The stored ${name} holds ${bytes.length} bytes, not the 160 of a whole table: `
      + "the entries it lacks are shown empty.");
  }
}

const fileImports = {
  _lopen: (path, mode) => {
    const name = fileName(path);
    // The first read of a table is the game taking it up as it starts.
    if (tableSeen === null && mode !== OF_WRITE && TABLE_FILES.includes(name)) tableSeen = storedTables();
    const bytes = readEntry(name);
    if (!bytes) return HFILE_ERROR;
    if (mode === OF_WRITE) return openFile(name, bytes.slice(), true);
    noteShortTable(name, bytes);
    return openFile(name, bytes, false);
  },
  _lcreat: (path) => {
    const name = fileName(path);
    if (!store()) {
      storeBlocked();
      return HFILE_ERROR;
    }
    if (unreadable.has(name)) return HFILE_ERROR;
    return openFile(name, new Uint8Array(0), true);
  },
  _lread: (handle, buffer, count) => {
    const f = files.get(handle);
    if (!f) return HFILE_ERROR >>> 0;
    const n = Math.max(0, Math.min(count, f.length - f.position));
    memory().bytes().set(f.data.subarray(f.position, f.position + n), buffer);
    f.position += n;
    return n;
  },
  _lwrite: (handle, buffer, count) => {
    const f = files.get(handle);
    if (!f || !f.writing) return HFILE_ERROR >>> 0;
    const end = f.position + count;
    if (end > f.data.length) {
      const grown = new Uint8Array(Math.max(end, f.data.length * 2));
      grown.set(f.data.subarray(0, f.length));
      f.data = grown;
    }
    f.data.set(memory().bytes().subarray(buffer, buffer + count), f.position);
    f.position = end;
    f.length = Math.max(f.length, end);
    return count;
  },
  _lclose: (handle) => {
    const f = files.get(handle);
    if (!f) return HFILE_ERROR;
    files.delete(handle);
    if (!f.writing) return 0;
    return writeEntry(f.name, f.data.subarray(0, f.length)) ? 0 : HFILE_ERROR;
  },
  // Writing happens as the file is closed; a flush has nothing to add.
  FlushFileBuffers: (handle) => (files.has(handle) ? 1 : 0),
  MoveFileExA: (from, to, flags) => {
    const source = fileName(from), target = fileName(to);
    const s = store();
    if (!s) return 0;
    const bytes = readEntry(source);
    if (!bytes || unreadable.has(target)) return 0;
    if (!(flags & MOVEFILE_REPLACE_EXISTING) && s.getItem(STORE_PREFIX + target) !== null) return 0;
    if (!writeEntry(target, bytes)) return 0;
    s.removeItem(STORE_PREFIX + source);
    return 1;
  },
  DeleteFileA: (path) => {
    const s = store();
    const key = STORE_PREFIX + fileName(path);
    if (!s || s.getItem(key) === null || unreadable.has(fileName(path))) return 0;
    s.removeItem(key);
    return 1;
  },
  WebTableChangedElsewhere: () => {
    const now = storedTables();
    return now !== null && now !== tableSeen ? 1 : 0;
  },
  WebTableSeen: () => {
    tableSeen = storedTables();
  },
};

// Another tab of this page saved a table: this one takes it up once no call
// of its program is suspended. A call inside the name entry holds a slot
// opened in the table as it was; the entry itself then puts the new name into
// the stored table.
function watchOtherTabs() {
  window.addEventListener("storage", (event) => {
    if (!event.key || !TABLE_FILES.some((name) => event.key === STORE_PREFIX + name)) return;
    post(mainWindow, "idle", () => callProgram("VexalReloadTable"));
  });
}

// ---- carrying the table between the Windows build and the page -------------------------

// What makes a file a table: 160 bytes or more (a file the game kept longer
// keeps its extra bytes), names of at most 13 bytes without a NUL inside, in
// order of score.
function tableProblem(bytes) {
  if (bytes.length < 160) return `it holds ${bytes.length} bytes, and a table has 160`;
  if (bytes.length > 65536) return `it holds ${bytes.length} bytes, far more than a table`;
  let previous = 0x10000;
  for (let i = 0; i < 10; ++i) {
    const record = bytes.subarray(16 * i, 16 * i + 16);
    const n = record[0];
    if (n > 13) return `entry ${i + 1} gives its name ${n} bytes, and a name has at most 13`;
    for (let j = 1; j <= n; ++j) if (record[j] === 0) return `entry ${i + 1}'s name ends before its length`;
    const score = record[14] | (record[15] << 8);
    if (score > previous) return `entry ${i + 1} scores more than the entry above it`;
    previous = score;
  }
  return null;
}

function storedTable() {
  for (const name of TABLE_FILES) {
    const bytes = readEntry(name);
    if (bytes) return { name, bytes };
  }
  return null;
}

function exportTable() {
  const table = storedTable();
  if (!table) {
    showNotice("No high-score table is stored yet: the game plays with its default table until a score enters it.");
    return;
  }
  const link = document.createElement("a");
  link.href = URL.createObjectURL(new Blob([table.bytes], { type: "application/octet-stream" }));
  link.download = "vexalrec.res";
  document.body.appendChild(link);
  link.click();
  link.remove();
  setTimeout(() => URL.revokeObjectURL(link.href), 10000);
}

async function importTable(file) {
  const bytes = new Uint8Array(await file.arrayBuffer());
  const problem = tableProblem(bytes);
  if (problem) {
    showNotice(`${file.name} was not imported: it is not a Vexal high-score table (${problem}). The table you have is kept.`);
    return false;
  }
  if (!store()) {
    storeBlocked();
    showNotice(`${file.name} was not imported: this browser keeps no data for this page.`);
    return false;
  }
  if (!window.confirm(`Import ${file.name}? It replaces the stored high-score table and starts Vexal again; the game in progress ends without entering the table.`)) return false;
  if (!writeEntry("vexalrec.res", bytes)) return false;
  unreadable.delete("vexalrec.res");
  showNotice(`${file.name} is the high-score table now.`);
  restartProgram();
  return true;
}
