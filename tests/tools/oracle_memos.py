#!/usr/bin/env python3
"""Prints every memo of a table as python3-dbfread reads it, one line per non-empty memo field:

  MEMO <recno> <field> <block> <hex of the memo bytes>

Block numbers come from the record bytes; the memo bytes from dbfread's own memo file reader.
"""
import struct
import sys

import dbfread
from dbfread.memo import find_memofile, open_memofile

path = sys.argv[1]
table = dbfread.DBF(path, raw=True, load=False, ignore_missing_memofile=True)
memo_types = "MGBP" if table.header.dbversion != 0x30 else "MGP"
memo_fields = [f for f in table.fields if f.type in memo_types]
memo = open_memofile(find_memofile(path), table.header.dbversion)
with open(path, "rb") as f:
    data = f.read()
h = table.header
for recno in range(1, (len(data) - h.headerlen) // h.recordlen + 1):
    rec = data[h.headerlen + (recno - 1) * h.recordlen: h.headerlen + recno * h.recordlen]
    offset = 1
    for field in table.fields:
        raw = rec[offset: offset + field.length]
        offset += field.length
        if field not in memo_fields:
            continue
        if field.length == 4:
            block = struct.unpack("<I", raw)[0]
        else:
            text = raw.strip(b" \x00")
            block = int(text) if text.isdigit() else 0
        if block == 0:
            continue
        value = memo[block]
        if value is None:
            continue
        print("MEMO", recno, field.name, block, bytes(value).hex() or "-")
