// The game's files in the browser's storage: each file is one record of the
// IndexedDB database "vexal" (object store "files", keyed by the file's name),
// holding exactly the file's bytes, so the game's own loading, saving and
// fall-back rules run unchanged over them.
//
// The page takes the stored files up as it starts, and again when another tab
// of the page says it has written them. A new entry is one readwrite
// transaction: it reads the files as they are stored at that moment, the game
// puts its entry into that table by its own rules, and what the game wrote
// goes back in the same transaction. The browser runs such transactions one
// after another across all tabs and windows of the page and commits each
// whole or not at all: no tab's entry is lost to another's, and a tab closed
// in the middle leaves the table as it was before or after its entry. Outside
// an entry no file can be written.
//
// A record that does not hold bytes cannot be read, and it is never written
// over either. The tables the earlier release kept in localStorage are taken
// over once, into the records that do not exist yet.

const DATABASE = "vexal", DATABASE_VERSION = 1, FILES = "files", FACTS = "facts";
const TAKEN_OVER = "taken over";
const STORE_PREFIX = "vexal/";  // localStorage: the size chosen, and the earlier release's files
const TABLE_FILES = ["vexalrec.res", "lines.res"];
const HFILE_ERROR = -1, OF_WRITE = 1, MOVEFILE_REPLACE_EXISTING = 1;
const UNREADABLE = "unreadable";

let database = null;         // the open connection; null where the browser gives none
let stored = new Map();      // name -> bytes or UNREADABLE: the files as this tab last read them
let storedReads = 0;         // counts every change of `stored`
let entry = null;            // the entry's transaction while it is open
let news = null;             // the channel the page's tabs tell each other on
const files = new Map();     // handle -> {name, data, length, position, writing, written}
let nextFile = 3;
const notices = new Set();

// localStorage, where it can be used.
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
  notice("blocked", "This browser keeps no data for this page (its storage is blocked, missing or will not open): "
    + "the game plays with the default table, and new scores last only until the page is closed.");
}

function notKept(error) {
  if (error && error.name === "QuotaExceededError") {
    notice("full", "The browser's storage for this page is full, so the high-score table could not be written: "
      + "the stored table is as it was and the new score was not kept. Free some of this site's storage and play again.");
  } else {
    notice("not kept", "The browser did not write the high-score table"
      + `${error && error.name ? ` (${error.name})` : ""}: the stored table is as it was and the new score was not kept.`);
  }
}

// ---- the database --------------------------------------------------------------------------

function request(r) {
  return new Promise((resolve, reject) => {
    r.onsuccess = () => resolve(r.result);
    r.onerror = () => reject(r.error);
  });
}

function finished(transaction) {
  return new Promise((resolve, reject) => {
    transaction.oncomplete = () => resolve();
    transaction.onabort = () => reject(transaction.error || new DOMException("The write was abandoned.", "AbortError"));
  });
}

function openDatabase(version = DATABASE_VERSION) {
  return new Promise((resolve) => {
    let opening;
    try {
      opening = window.indexedDB.open(DATABASE, version);
    } catch (error) {
      resolve(null);
      return;
    }
    opening.onupgradeneeded = () => {
      const db = opening.result;
      if (!db.objectStoreNames.contains(FILES)) db.createObjectStore(FILES);
      if (!db.objectStoreNames.contains(FACTS)) db.createObjectStore(FACTS);
    };
    opening.onsuccess = () => {
      const db = opening.result;
      if (!db.objectStoreNames.contains(FILES) || !db.objectStoreNames.contains(FACTS)) {
        // Made by something else, without the stores: they are added in a version of its own.
        db.close();
        if (db.version >= DATABASE_VERSION + 100) resolve(null);
        else openDatabase(db.version + 1).then(resolve);
        return;
      }
      // A newer page that changes the database's shape waits for no tab of this one.
      db.onversionchange = () => {
        db.close();
        if (database === db) database = null;
      };
      resolve(db);
    };
    opening.onerror = () => resolve(null);
  });
}

// What a record holds: bytes, or UNREADABLE for anything else.
function recordBytes(value) {
  if (value instanceof Uint8Array) return value;
  if (value instanceof ArrayBuffer) return new Uint8Array(value);
  return UNREADABLE;
}

function filesOf(names, values) {
  const out = new Map();
  names.forEach((name, i) => out.set(String(name), recordBytes(values[i])));
  return out;
}

// Reads every file within `transaction`; then(files), inside the transaction's success handler.
function readWithin(transaction, then) {
  const s = transaction.objectStore(FILES);
  const names = s.getAllKeys(), values = s.getAll();
  values.onsuccess = () => then(filesOf(names.result, values.result));
}

function readFiles() {
  return new Promise((resolve, reject) => {
    const transaction = database.transaction(FILES, "readonly");
    readWithin(transaction, resolve);
    transaction.onabort = () => reject(transaction.error);
  });
}

// The earlier release's tables, as localStorage holds them: bytes, or the text as it is where
// it holds none. null where localStorage cannot be read.
function earlierTables() {
  const s = store();
  if (!s) return null;
  const out = new Map();
  try {
    for (const name of TABLE_FILES) {
      const text = s.getItem(STORE_PREFIX + name);
      if (text === null) continue;
      const bytes = new Uint8Array(text.length);
      let isBytes = true;
      for (let i = 0; i < text.length && isBytes; ++i) {
        const c = text.charCodeAt(i);
        isBytes = c < 256;
        bytes[i] = c;
      }
      out.set(name, isBytes ? bytes : text);
    }
  } catch (error) {
    return null;
  }
  return out;
}

// Once, in one transaction: every table the earlier release kept goes where no record of
// that name is yet. Its localStorage entries stay as they were.
function takeOverEarlierTables() {
  return new Promise((resolve) => {
    const transaction = database.transaction([FILES, FACTS], "readwrite");
    const s = transaction.objectStore(FILES), facts = transaction.objectStore(FACTS);
    const mark = facts.get(TAKEN_OVER), names = s.getAllKeys();
    names.onsuccess = () => {
      if (mark.result !== undefined) return;
      const earlier = earlierTables();
      if (earlier === null) return;  // tried again at the next start
      const present = new Set(names.result.map(String));
      for (const [name, value] of earlier) if (!present.has(name)) s.put(value, name);
      facts.put({ from: "localStorage", names: [...earlier.keys()], at: Date.now() }, TAKEN_OVER);
    };
    transaction.oncomplete = () => resolve();
    transaction.onabort = () => resolve();
  });
}

function adopt(read) {
  stored = read;
  storedReads += 1;
  for (const [name, bytes] of stored) {
    if (bytes === UNREADABLE && TABLE_FILES.includes(name)) {
      notice(`unreadable ${name}`, `The stored ${name} is not a high-score table this game can read: `
        + "the game plays without it and will not write over it. Import a table to replace it.");
    }
  }
}

// The stored files taken up, before the program starts.
async function takeUpStoredFiles() {
  if (!database) database = await openDatabase();
  if (!database) {
    adopt(new Map());
    storeBlocked();
    return;
  }
  try {
    await takeOverEarlierTables();
    adopt(await readFiles());
  } catch (error) {
    adopt(new Map());
    storeBlocked();
  }
}

// ---- the entry --------------------------------------------------------------------------------

// Opens the entry's transaction and reads the stored files in it; the program, suspended
// meanwhile, goes on inside the read's success handler, while the transaction is still
// open for the entry's writes. 0 where the browser keeps nothing: the program then keeps
// its table as it has it, and nothing is written.
function beginEntry() {
  if (!database || entry) return 0;
  let transaction;
  try {
    transaction = database.transaction(FILES, "readwrite");
  } catch (error) {
    return 0;
  }
  const owner = program;
  const call = suspendRunning({ kind: "store" });
  const open = { transaction, call, owner, before: null, working: null, done: false, error: null, end: null };
  transaction.oncomplete = () => settle(open, null);
  transaction.onabort = () => settle(open, transaction.error || new DOMException("The write was abandoned.", "AbortError"));
  readWithin(transaction, (read) => {
    if (owner !== program || owner.ended) return;
    adopt(read);
    open.before = read;
    open.working = new Map(read);
    entry = open;
    wake(call, 1);
    // Now, not in a later task: by then the transaction would have committed.
    pump();
  });
  return 0;
}

function settle(open, error) {
  open.done = true;
  open.error = error;
  if (entry === open) entry = null;
  if (open.end) {
    open.end();
  } else if (!open.working && open.owner === program && !program.ended) {
    // Ended before the files were read: the program goes on with the table it has.
    wake(open.call, 0);
  }
}

// The files the game wrote go into the entry's transaction; the program waits for its
// commit. 1 once they are stored.
function endEntry() {
  const open = entry;
  if (!open) return 0;
  const changed = [];
  for (const name of new Set([...open.before.keys(), ...open.working.keys()])) {
    const was = open.before.get(name), now = open.working.get(name);
    if (was !== now) changed.push([name, now]);
  }
  if (changed.length === 0) {
    entry = null;
    return 1;
  }
  try {
    const s = open.transaction.objectStore(FILES);
    for (const [name, bytes] of changed) {
      if (bytes === undefined) s.delete(name);
      else s.put(bytes, name);
    }
  } catch (error) {
    entry = null;
    try {
      open.transaction.abort();
    } catch (ignored) {
      // It has ended already.
    }
    notKept(error);
    return 0;
  }
  const call = suspendRunning({ kind: "store" });
  open.end = () => {
    if (open.error) {
      notKept(open.error);
      wake(call, 0);
      return;
    }
    adopt(open.working);
    tellOtherTabs();
    wake(call, 1);
  };
  if (open.done) open.end();
  return 0;
}

// ---- the files the game opens -------------------------------------------------------------

// The files as the game sees them: inside an entry, the entry's own.
function view() {
  return entry ? entry.working : stored;
}

function openFile(name, data, writing) {
  const handle = nextFile++;
  files.set(handle, { name, data, length: data.length, position: 0, writing, written: false });
  return handle;
}

function fileName(address) {
  return decodeGbk(memory().cString(address));
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
    const bytes = view().get(name);
    if (!(bytes instanceof Uint8Array)) return HFILE_ERROR;
    if (mode === OF_WRITE) return entry ? openFile(name, bytes.slice(), true) : HFILE_ERROR;
    noteShortTable(name, bytes);
    return openFile(name, bytes, false);
  },
  _lcreat: (path) => {
    const name = fileName(path);
    if (!database) storeBlocked();
    if (!entry || view().get(name) === UNREADABLE) return HFILE_ERROR;
    const handle = openFile(name, new Uint8Array(0), true);
    files.get(handle).written = true;
    return handle;
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
    f.written = true;
    return count;
  },
  // A file is written as it is closed, and only if something was written to it: one
  // opened to learn that it can be written is left as it is.
  _lclose: (handle) => {
    const f = files.get(handle);
    if (!f) return HFILE_ERROR;
    files.delete(handle);
    if (!f.writing || !f.written) return 0;
    if (!entry) return HFILE_ERROR;
    entry.working.set(f.name, f.data.slice(0, f.length));
    return 0;
  },
  // Written as the entry commits; a flush has nothing to add.
  FlushFileBuffers: (handle) => (files.has(handle) ? 1 : 0),
  MoveFileExA: (from, to, flags) => {
    const source = fileName(from), target = fileName(to);
    if (!entry) return 0;
    const working = entry.working;
    const bytes = working.get(source);
    if (!(bytes instanceof Uint8Array) || working.get(target) === UNREADABLE) return 0;
    if (!(flags & MOVEFILE_REPLACE_EXISTING) && working.has(target)) return 0;
    working.set(target, bytes);
    working.delete(source);
    return 1;
  },
  DeleteFileA: (path) => {
    const name = fileName(path);
    if (!entry || !(entry.working.get(name) instanceof Uint8Array)) return 0;
    entry.working.delete(name);
    return 1;
  },
  WebTableBegin: () => {
    if (rewinding()) return finishRewind();
    return beginEntry();
  },
  WebTableEnd: () => {
    if (rewinding()) return finishRewind();
    return endEntry();
  },
};

// ---- the other tabs -------------------------------------------------------------------------

function tellOtherTabs() {
  try {
    if (news) news.postMessage("table");
  } catch (error) {
    // The other tabs see the table when they next start.
  }
}

// Another tab has written the table: this one reads it, and its program takes it up once
// no call of it is suspended. A read that an entry of this tab overtakes is dropped: the
// entry read the files later. unlessSame: only when the stored files are not the ones taken.
async function followOtherTabs(unlessSame) {
  if (!database || !program || program.ended) return;
  const owner = program, reads = storedReads;
  let read;
  try {
    read = await readFiles();
  } catch (error) {
    return;
  }
  if (owner !== program || owner.ended || reads !== storedReads) return;
  if (unlessSame && sameFiles(read, stored)) return;
  adopt(read);
  post(mainWindow, "idle", () => callProgram("VexalReloadTable"));
}

function sameFiles(a, b) {
  if (!a || !b || a.size !== b.size) return false;
  for (const [name, bytes] of a) {
    const other = b.get(name);
    if (!(bytes instanceof Uint8Array) || !(other instanceof Uint8Array)) {
      if (bytes !== other) return false;
    } else if (bytes.length !== other.length || bytes.some((v, i) => v !== other[i])) {
      return false;
    }
  }
  return true;
}

// A tab coming into view or taking the focus reads the store as well: WebKit (Safari) carries
// no BroadcastChannel message between pages opened from files, and what a player looks at is
// the tab in view.
function watchOtherTabs() {
  try {
    news = new BroadcastChannel(DATABASE);
    news.onmessage = () => followOtherTabs(false);
  } catch (error) {
    news = null;
  }
  const look = () => {
    if (!document.hidden) followOtherTabs(true);
  };
  document.addEventListener("visibilitychange", look);
  window.addEventListener("focus", look);
  window.addEventListener("pageshow", look);
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

// The table as it is committed now.
async function exportTable() {
  let read = null;
  try {
    if (database) read = await readFiles();
  } catch (error) {
    read = null;
  }
  const name = read && TABLE_FILES.find((n) => read.get(n) instanceof Uint8Array);
  if (!name) {
    showNotice("No high-score table is stored yet: the game plays with its default table until a score enters it.");
    return;
  }
  const link = document.createElement("a");
  link.href = URL.createObjectURL(new Blob([read.get(name)], { type: "application/octet-stream" }));
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
  if (!database) {
    storeBlocked();
    showNotice(`${file.name} was not imported: this browser keeps no data for this page.`);
    return false;
  }
  if (!window.confirm(`Import ${file.name}? It replaces the stored high-score table and starts Vexal again; the game in progress ends without entering the table.`)) return false;
  try {
    const transaction = database.transaction(FILES, "readwrite");
    transaction.objectStore(FILES).put(bytes, "vexalrec.res");
    await finished(transaction);
  } catch (error) {
    notKept(error);
    return false;
  }
  tellOtherTabs();
  showNotice(`${file.name} is the high-score table now.`);
  await restartProgram();
  return true;
}
