#!/usr/bin/env python3
"""ordane dump --format sql loaded into a real database and read back.

usage: sql_dump_test.py ORDANE FIXTURES_DIR sqlite SQLITE3
       sql_dump_test.py ORDANE FIXTURES_DIR postgres PG_BIN_DIR PSQL

Every peer fixture table (deleted records included) is dumped, loaded, and every value read back is compared
with what `ordane dump --format jsonl` shows for it: text, numbers, dates, logicals, memo text and bytes,
timestamps, blanks as NULL. A table of hostile text and names must load and read back unchanged; text holding a
NUL byte must be refused and leave nothing behind. PostgreSQL runs as a throwaway cluster in a temporary folder
on a free local port (as the user "nobody" when the test runs as root); the test is skipped (exit 77) with a
message where no cluster can be started.
"""
import base64
import datetime
import glob
import json
import os
import re
import shutil
import socket
import sqlite3
import subprocess
import sys
import tempfile
import time

SKIP = 77
ORDANE, FIXTURES, DIALECT = sys.argv[1], sys.argv[2], sys.argv[3]
failures = []
compared = [0, 0]  # tables, values


def fail(message):
    failures.append(message)
    print("FAIL: " + message, file=sys.stderr)


def run(args, **kw):
    return subprocess.run(args, capture_output=True, **kw)


def ordane(*args, check=True):
    r = run([ORDANE, *args])
    if check and r.returncode != 0:
        raise RuntimeError("ordane %s: exit %d: %s" % (" ".join(args), r.returncode, r.stderr.decode()))
    return r


def fixture_tables():
    for expected in sorted(glob.glob(os.path.join(FIXTURES, "peer", "*", "*", "expected.json"))):
        folder = os.path.dirname(expected)
        with open(expected, encoding="utf-8") as f:
            codepage = json.load(f).get("codepage")
        for table in sorted(glob.glob(os.path.join(folder, "*"))):
            if table.lower().endswith(".dbf"):
                yield table, codepage if codepage in (437, 850, 1252) else None


# --- the two databases -------------------------------------------------------------------------------------

class Sqlite:
    def __init__(self, sqlite3_program, work):
        self.program, self.path = sqlite3_program, os.path.join(work, "test.db")

    def load(self, script):
        r = run([self.program, "-bail", self.path], input=script)
        return r.returncode, r.stderr.decode(errors="replace")

    def rows(self, table):
        with sqlite3.connect(self.path) as db:
            db.text_factory = lambda b: b.decode("utf-8")
            cursor = db.execute('SELECT * FROM "%s" ORDER BY rowid' % table.replace('"', '""'))
            names = [d[0] for d in cursor.description]
            return [dict(zip(names, row)) for row in cursor]

    def has_table(self, table):
        with sqlite3.connect(self.path) as db:
            return db.execute("SELECT count(*) FROM sqlite_master WHERE name = ?", (table,)).fetchone()[0] > 0


class Postgres:
    def __init__(self, bin_dir, psql, work):
        self.psql = psql
        self.folder = tempfile.mkdtemp(prefix="velmora-pg-")
        os.chmod(self.folder, 0o755)
        self.data = os.path.join(self.folder, "data")
        self.as_user = []
        if os.geteuid() == 0:
            # The server refuses to run as root: it runs as nobody, in a folder nobody owns.
            runuser = shutil.which("runuser") or shutil.which("setpriv")
            if not runuser:
                raise Skip("running as root without runuser or setpriv")
            self.as_user = [runuser, "-u", "nobody", "--"] if runuser.endswith("runuser") else \
                [runuser, "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--"]
            shutil.chown(self.folder, "nobody")
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            self.port = s.getsockname()[1]
        initdb = os.path.join(bin_dir, "initdb")
        r = run(self.as_user + [initdb, "-D", self.data, "-A", "trust", "-U", "postgres", "-E", "UTF8",
                                "--locale=C"])
        if r.returncode != 0:
            raise Skip("initdb failed: " + r.stderr.decode(errors="replace").strip())
        self.pg_ctl = os.path.join(bin_dir, "pg_ctl")
        options = "-c listen_addresses=127.0.0.1 -p %d -k %s -c fsync=off" % (self.port, self.folder)
        r = run(self.as_user + [self.pg_ctl, "-D", self.data, "-w", "-t", "60", "-o", options,
                                "-l", os.path.join(self.folder, "log"), "start"])
        if r.returncode != 0:
            log = open(os.path.join(self.folder, "log"), errors="replace").read() if os.path.exists(
                os.path.join(self.folder, "log")) else ""
            raise Skip("the server did not start: " + r.stderr.decode(errors="replace").strip() + log[-500:])

    def stop(self):
        run(self.as_user + [self.pg_ctl, "-D", self.data, "-m", "immediate", "stop"])
        shutil.rmtree(self.folder, ignore_errors=True)

    def _psql(self, *args, **kw):
        return run([self.psql, "-X", "-q", "-h", "127.0.0.1", "-p", str(self.port), "-U", "postgres",
                    "-d", "postgres", "-v", "ON_ERROR_STOP=1", *args], **kw)

    def load(self, script):
        r = self._psql("-f", "-", input=script)
        return r.returncode, r.stderr.decode(errors="replace")

    def rows(self, table):
        quoted = '"%s"' % table.replace('"', '""')
        r = self._psql("-A", "-t", "-c", "SELECT row_to_json(t) FROM %s t ORDER BY ctid" % quoted)
        if r.returncode != 0:
            raise RuntimeError(r.stderr.decode())
        return [json.loads(line) for line in r.stdout.decode().splitlines() if line]

    def has_table(self, table):
        r = self._psql("-A", "-t", "-c", "SELECT count(*) FROM pg_tables WHERE tablename = '%s'"
                       % table.replace("'", "''"))
        return r.stdout.decode().strip() == "1"


class Skip(Exception):
    pass


# --- comparing -----------------------------------------------------------------------------------------------

def columns_of(script):
    """The columns and declared types of the CREATE TABLE, by name."""
    create = re.search(rb"CREATE TABLE .*?\(\n(.*?)\n\);\n", script, re.S).group(1).decode()
    columns = {}
    for line in create.split(",\n"):
        m = re.match(r'\s*"((?:[^"]|"")*)" (.*)$', line)
        columns[m.group(1).replace('""', '"')] = m.group(2)
    return columns


def row_count(script):
    """The rows a script writes: the lines of its COPY, or its INSERTs."""
    if DIALECT == "sqlite":
        return script.count(b"\nINSERT INTO ")
    data = script.split(b" FROM stdin;\n", 1)[1].split(b"\\.\n", 1)[0]
    return data.count(b"\n")


def timestamp(text):
    text = text.replace("T", " ")
    return datetime.datetime.strptime(text, "%Y-%m-%d %H:%M:%S.%f" if "." in text else "%Y-%m-%d %H:%M:%S")


def expected_value(sql_type, value, raw_hex):
    """The value the database should hold for a field that jsonl shows as value (raw_hex: its stored bytes)."""
    if sql_type == "boolean":
        byte = bytes.fromhex(raw_hex)[:1]
        return True if byte in (b"T", b"t", b"Y", b"y") else False if byte in (b"F", b"f", b"N", b"n") else None
    if value is None:
        return None
    if sql_type in ("bytea", "blob"):
        return base64.b64decode(value) or None
    if sql_type == "timestamp":
        return timestamp(value)
    if isinstance(value, str) and sql_type.startswith("varchar"):
        return value.rstrip(" \x00") or None  # blanks, and the NUL bytes some writers pad with
    if isinstance(value, str) and sql_type == "text":
        return value or None
    return value


def stored_value(sql_type, value):
    """The value read back, in the form expected_value gives."""
    if value is None:
        return None
    if sql_type == "boolean":
        return bool(value)
    if sql_type in ("bytea", "blob"):
        return bytes.fromhex(value[2:]) if isinstance(value, str) else bytes(value)
    if sql_type == "timestamp":
        return timestamp(value)
    return value


def same(a, b):
    if isinstance(a, (int, float)) and not isinstance(a, bool) and isinstance(b, (int, float)) \
            and not isinstance(b, bool):
        return abs(float(a) - float(b)) <= 1e-9 * max(1.0, abs(float(a)))
    return a == b


def check_table(db, table_file, codepage, name):
    options = ["--codepage", str(codepage)] if codepage else []
    jsonl = ordane("dump", table_file, "--deleted", *options, check=False)
    sql = ordane("dump", table_file, "--format", "sql", "--dialect", DIALECT, "--deleted", *options, check=False)
    if jsonl.returncode != 0:
        # A table the engine refuses: refused the same way.
        if (sql.returncode, sql.stderr) != (jsonl.returncode, jsonl.stderr) or sql.stdout:
            fail("%s: jsonl refused with %r, sql gave exit %d %r" % (table_file, jsonl.stderr, sql.returncode,
                                                                   sql.stderr))
        return
    script = sql.stdout
    code, errors = db.load(script)
    if code != 0:
        return fail("%s: the database refused the script: %s" % (table_file, errors.strip()[:400]))
    shown = [json.loads(l) for l in jsonl.stdout.splitlines()]
    raw = [json.loads(l) for l in ordane("dump", table_file, "--deleted", "--raw", *options).stdout.splitlines()]
    rows = db.rows(name)
    if len(rows) != len(shown):
        return fail("%s: %d rows read back for %d records" % (table_file, len(rows), len(shown)))
    columns = columns_of(script)
    compared[0] += 1
    for record, raw_record, row in zip(shown, raw, rows):
        if bool(row["_deleted"]) != record["deleted"]:
            fail("%s record %d: deleted mark" % (table_file, record["recno"]))
        for field, value in record["fields"].items():
            column = field.lower()
            if column not in columns:
                continue  # a system field
            want = expected_value(columns[column], value, raw_record["fields"][field])
            got = stored_value(columns[column], row[column])
            compared[1] += 1
            if not same(want, got):
                fail("%s record %d field %s (%s): wrote %r, read back %r"
                     % (table_file, record["recno"], field, columns[column], want, got))
    # Without --deleted, only the records that are not marked.
    live = ordane("dump", table_file, "--format", "sql", "--dialect", DIALECT, *options).stdout
    rows_live = row_count(live)
    marked = sum(1 for r in shown if r["deleted"])
    if rows_live != len(shown) - marked:
        fail("%s: %d rows without --deleted for %d unmarked records" % (table_file, rows_live, len(shown) - marked))


HOSTILE = [
    "it's",
    'say "hi"',
    "back\\slash \\N \\. \\x41",
    "tab\there",
    "line\nbreak",
    "cr\rlf\r\n",
    "\\.",
    "'); DROP TABLE x; --",
    "Grüße ñ €",
]


def check_hostile(db, work):
    folder = os.path.join(work, "hostile")
    os.makedirs(folder)
    table = os.path.join(folder, 'it\'s "odd".dbf')
    ordane("create", table, "--version", "0x83", "--fields", "SELECT C(40); ORDER N(8,2); NOTE M; FROM D; OK L",
           "--codepage", "1252")
    source = os.path.join(folder, "rows.jsonl")
    with open(source, "w", encoding="utf-8") as f:
        for i, text in enumerate(HOSTILE):
            f.write(json.dumps({"SELECT": text, "ORDER": i - 3.25, "NOTE": text + "\n" + text,
                                "FROM": "2019-11-%02d" % (i + 1), "OK": i % 2 == 0}) + "\n")
        f.write(json.dumps({"SELECT": "", "ORDER": None, "NOTE": "", "FROM": "", "OK": ""}) + "\n")
    ordane("import", table, "--from", source, "--codepage", "1252")
    script = ordane("dump", table, "--format", "sql", "--dialect", DIALECT, "--codepage", "1252").stdout
    code, errors = db.load(script)
    if code != 0:
        return fail("hostile table: the database refused the script: " + errors.strip()[:400])
    rows = db.rows('it\'s "odd"')
    want = [(t.rstrip(" "), t + "\n" + t) for t in HOSTILE] + [(None, None)]
    got = [(r["select"], r["note"]) for r in rows]
    if got != want:
        fail("hostile text read back as %r" % got)
    if [rows[-1][c] for c in ("order", "from", "ok")] != [None, None, None]:
        fail("blank values read back as %r" % rows[-1])
    if rows and (float(rows[1]["order"]) != -2.25 or str(rows[1]["from"]) != "2019-11-02" or
                 bool(rows[1]["ok"]) is not False):
        fail("number, date, logical read back as %r" % rows[1])

    # A NUL byte inside text: refused with a message, and what was written loads nothing.
    nul = os.path.join(folder, "nul.dbf")
    ordane("create", nul, "--version", "0x03", "--fields", "NAME C(10)")
    with open(source, "w") as f:
        f.write(json.dumps({"NAME": "ok"}) + "\n" + json.dumps({"NAME": "a\u0000b"}) + "\n")
    ordane("import", nul, "--from", source)
    r = ordane("dump", nul, "--format", "sql", "--dialect", DIALECT, check=False)
    if r.returncode != 1 or b"NUL byte" not in r.stderr or b"COMMIT" in r.stdout:
        fail("text with a NUL byte: exit %d, %r" % (r.returncode, r.stderr))
    db.load(r.stdout)
    if db.has_table("nul"):
        fail("the script cut short by a NUL byte left a table behind")


# Stored number text of an N(6,2) field and what the database must hold; None: written as NULL.
NUMBER_TEXT = [
    ("  1.50", 1.5),
    ("  +1.5", 1.5),
    ("  -0.0", 0.0),
    ("   -.5", -0.5),
    ("   12.", 12.0),
    ("000042", 42.0),
    ("      ", None),   # blank
    ("******", None),   # what an overflowing writer leaves
    ("   1e3", None),
    (" 1,5  ", None),
    ("123456", None),   # more whole digits than N(6,2) can hold
    ("  1.234", 1.23),  # cut to the field's width when stored
]


def check_numbers(db, work):
    """Number text that is not a number of its field becomes NULL, and the dump says how many."""
    import struct
    table = os.path.join(work, "numbers.dbf")
    ordane("create", table, "--version", "0x03", "--fields", "AMOUNT N(6,2); WHEN D")
    source = os.path.join(work, "numbers.jsonl")
    with open(source, "w") as f:
        for _ in NUMBER_TEXT:
            f.write(json.dumps({"AMOUNT": 0, "WHEN": "2019-11-12"}) + "\n")
    ordane("import", table, "--from", source)
    with open(table, "r+b") as f:
        header = f.read(12)
        header_length, record_length = struct.unpack("<HH", header[8:12])
        dates = [b"20191112", b"20190230", b"        ", b"2019111x"]
        for i, (text, _) in enumerate(NUMBER_TEXT):
            f.seek(header_length + i * record_length + 1)
            f.write(text.encode()[:6] + dates[i % len(dates)])
    r = ordane("dump", table, "--format", "sql", "--dialect", DIALECT)
    code, errors = db.load(r.stdout)
    if code != 0:
        return fail("number table: the database refused the script: " + errors.strip()[:400])
    rows = db.rows("numbers")
    got = [None if r["amount"] is None else float(r["amount"]) for r in rows]
    want = [value for _, value in NUMBER_TEXT]
    if got != want:
        fail("number text read back as %r, not %r" % (got, want))
    got_dates = [None if r["when"] is None else str(r["when"]) for r in rows]
    want_dates = [("2019-11-12", None, None, None)[i % 4] for i in range(len(NUMBER_TEXT))]
    if got_dates != want_dates:
        fail("dates read back as %r, not %r" % (got_dates, want_dates))
    unfit = sum(1 for t, v in NUMBER_TEXT if v is None and t.strip()) + \
        sum(1 for i in range(len(NUMBER_TEXT)) if i % 4 in (1, 3))
    if ("%d values" % unfit).encode() not in r.stderr:
        fail("the dump did not say that %d values were written as NULL: %r" % (unfit, r.stderr))


def main():
    work = tempfile.mkdtemp(prefix="velmora-sql-")
    db = None
    try:
        if DIALECT == "sqlite":
            db = Sqlite(sys.argv[4], work)
        else:
            try:
                db = Postgres(sys.argv[4], sys.argv[5], work)
            except Skip as e:
                print("SKIP: no PostgreSQL cluster here: %s" % e)
                return SKIP
        names = set()
        for table, codepage in fixture_tables():
            name = os.path.splitext(os.path.basename(table))[0].lower()
            if name in names:
                # One database per dialect: a second table of the same name goes to a fresh one.
                name_db = db
                if DIALECT == "sqlite":
                    name_db = Sqlite(db.program, tempfile.mkdtemp(dir=work))
                else:
                    db._psql("-c", 'DROP TABLE "%s"' % name.replace('"', '""'))
                check_table(name_db, table, codepage, name)
                continue
            names.add(name)
            check_table(db, table, codepage, name)
        check_hostile(db, work)
        check_numbers(db, work)
    finally:
        if isinstance(db, Postgres):
            db.stop()
        shutil.rmtree(work, ignore_errors=True)
    if failures:
        print("%d failures" % len(failures), file=sys.stderr)
        return 1
    print("%d values of %d tables and the hostile table read back from %s" % (compared[1], compared[0], DIALECT))
    return 0


if __name__ == "__main__":
    sys.exit(main())
