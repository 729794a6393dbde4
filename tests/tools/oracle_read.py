#!/usr/bin/env python3
"""Reads a table with two independent xBase readers and prints what each saw, one line per record.

  DBFREAD <deleted 0/1> <field>=<value>|...   (python3-dbfread, deleted records included)
  DBF <record count> <field names>            (python3-dbf; 'DBF unsupported' for versions it lacks)
Values are printed with repr() so that types show (dates as datetime.date, numbers as float or int).
"""
import sys

import dbf
import dbfread

path = sys.argv[1]
table = dbfread.DBF(path, encoding="cp437", load=True, ignore_missing_memofile=True)
for deleted, records in ((0, table.records), (1, table.deleted)):
    for r in records:
        print("DBFREAD", deleted, "|".join("%s=%r" % (k, v) for k, v in r.items()))
try:
    t = dbf.Table(path)
except dbf.DbfError as e:
    # python3-dbf does not take every version (dBase IV with memo, for one); say so instead of failing.
    if "not supported" not in str(e):
        raise
    print("DBF unsupported")
else:
    t.open(dbf.READ_ONLY)
    print("DBF", len(t), ",".join(t.field_names))
    t.close()
