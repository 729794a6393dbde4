#!/usr/bin/env python3
"""Decoded field values of DBF tables, flattened into lines a C++ test reads without a JSON parser.

  field_values.py expected <root>      the values the peer fixtures' expected.json files list
  field_values.py dbfread <table>...   the values the independent reader dbfread decodes

Output:
  TABLE <path> <code page number, 0 for raw bytes>
  REC <record number, 0 when unknown> <deleted 0/1>
  V <field name, hex of its bytes> <kind> <payload>
Kinds and payloads:
  S  text, hex of its bytes (UTF-8 for expected, the stored bytes for dbfread); "-" for empty
  N  number (repr) or null       D  Julian day, 0 for none        L  1, 0 or null
  I  integer                     Y  currency x 10000 as an integer
  T  Julian day and milliseconds as "<day>:<ms>", or null
  M  memo present 1/0 (block number above 0)
  SKIP <reason> after TABLE when the reader cannot decode the table
"""
import datetime
import glob
import json
import os
import sys

JULIAN_OF_ORDINAL = 1721425  # datetime.date(1, 1, 1).toordinal() == 1 is Julian day 1721426


def hexs(b):
    return b.hex() if b else "-"


def expected(root):
    for path in sorted(glob.glob(os.path.join(root, "*", "*", "expected.json"))):
        with open(path, encoding="utf-8") as f:
            d = json.load(f)
        cp = d.get("codepage", "cp437")
        cp_number = int(cp[2:]) if cp.startswith("cp") else 0
        print("TABLE", os.path.join(os.path.dirname(path), d["table"]), cp_number)
        types = {fd["name"]: fd["type"] for fd in d["fields"]}
        vfp = d["header"]["version"] == 0x30
        for r in d["records"]:
            print("REC", r["recno"], 1 if r["deleted"] else 0)
            for field, v in r["fields"].items():
                t = types[field]
                name = field.encode("latin-1").hex()
                value = v.get("value")
                if t == "C":
                    print("V", name, "S", hexs((value or "").encode("utf-8")))
                elif t in "NF":
                    print("V", name, "N", "null" if value is None else repr(value))
                elif t == "D":
                    print("V", name, "D", v.get("julian") or 0)
                elif t == "L":
                    print("V", name, "L", "null" if value is None else int(value))
                elif t == "I":
                    print("V", name, "I", value)
                elif t == "Y":
                    print("V", name, "Y", v["int64"])
                elif t == "T":
                    julian = v.get("julian")
                    shown = "null" if not julian or value is None else "%d:%d" % (julian, v["ms"])
                    print("V", name, "T", shown)
                elif t == "B" and vfp:
                    print("V", name, "N", repr(value))
                elif t in "MGB":
                    print("V", name, "M", 1 if (v.get("block") or 0) > 0 else 0)


def dbfread_tables(paths):
    import dbfread

    for path in paths:
        print("TABLE", path, 0)
        try:
            table = dbfread.DBF(path, encoding="latin-1", ignore_missing_memofile=True, load=False)
            vfp = table.header.dbversion == 0x30
            types = {f.name: (f.type, f.length) for f in table.fields}
            # A name that two fields share keeps only the last one's value in the reader: compare neither.
            names = [f.name for f in table.fields]
            shared = {n for n in names if names.count(n) > 1}
            rows = [(0, r) for r in table.records] + [(1, r) for r in table.deleted]
            lines = []
            for deleted, r in rows:
                lines.append("REC 0 %d" % deleted)
                for field, value in r.items():
                    if field in shared:
                        continue
                    t, length = types[field]
                    name = field.encode("latin-1").hex()
                    if t == "C":
                        lines.append("V %s S %s" % (name, hexs((value or "").encode("latin-1"))))
                    elif t in "NF":
                        lines.append("V %s N %s" % (name, "null" if value is None else repr(float(value))))
                    elif t == "D":
                        day = value.toordinal() + JULIAN_OF_ORDINAL if isinstance(value, datetime.date) else 0
                        lines.append("V %s D %d" % (name, day))
                    elif t == "L":
                        lines.append("V %s L %s" % (name, "null" if value is None else int(value)))
                    elif t == "I" and vfp:
                        lines.append("V %s I %d" % (name, value))
                    elif t == "Y" and vfp:
                        lines.append("V %s Y %d" % (name, round(value * 10000)))
                    elif t == "T" and vfp:
                        if value is None:
                            lines.append("V %s T null" % name)
                        else:
                            seconds = (value.hour * 60 + value.minute) * 60 + value.second
                            ms = seconds * 1000 + value.microsecond // 1000
                            lines.append("V %s T %d:%d" % (name, value.toordinal() + JULIAN_OF_ORDINAL, ms))
                    elif t == "B" and vfp and length == 8:
                        lines.append("V %s N %s" % (name, repr(value)))
            print("\n".join(lines))
        except Exception as e:  # the reader's refusal is reported, not hidden
            print("SKIP", type(e).__name__, str(e).replace("\n", " ")[:100])


if __name__ == "__main__":
    if sys.argv[1] == "expected":
        expected(sys.argv[2])
    else:
        dbfread_tables(sys.argv[2:])
