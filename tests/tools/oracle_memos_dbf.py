#!/usr/bin/env python3
"""Prints every non-empty memo of a table as python3-dbf reads it, one line per memo:

  MEMO <recno> <field> 0 <hex of the memo bytes, text encoded back into code page 437>

A table version python3-dbf does not take prints nothing. python3-dbf cannot read a blank memo pointer (it
decodes the field as text and fails); such fields have no memo and are passed over.
"""
import sys

import dbf

path = sys.argv[1]
try:
    table = dbf.Table(path, codepage="cp437")
except dbf.DbfError as e:
    if "not supported" not in str(e):
        raise
    sys.exit(0)
table.open(dbf.READ_ONLY)
memo_fields = [name for name in table.field_names if table.field_info(name).field_type in (ord("M"), "M")]
for recno, record in enumerate(table, start=1):
    for name in memo_fields:
        try:
            value = record[name]
        except TypeError:
            continue
        if not value:
            continue
        data = value.encode("cp437") if isinstance(value, str) else bytes(value)
        print("MEMO", recno, name.upper(), 0, data.hex())
table.close()
