#!/usr/bin/env python3
"""Flattens the expected.json files of the peer fixtures into lines a C++ test reads without a JSON parser.

For every fixture folder below the given root:
  TABLE <path of the table>
  HEADER <version> <header length> <record length> <records from file size> <field count>
  FIELD <name> <type> <length> <decimals> <offset>
  REC <recno> <hex of the whole record, deletion flag first>
  MEMO <recno> <field> <block> <hex of the memo bytes, or - when empty>
"""
import glob
import json
import os
import sys

root = sys.argv[1]
for path in sorted(glob.glob(os.path.join(root, "*", "*", "expected.json"))):
    with open(path, encoding="utf-8") as f:
        d = json.load(f)
    folder = os.path.dirname(path)
    h = d["header"]
    print("TABLE", os.path.join(folder, d["table"]))
    print("HEADER", h["version"], h["header_length"], h["record_length"], h["records_from_file_size"],
          h["field_count"])
    fields = sorted(d["fields"], key=lambda x: x["offset"])
    for fd in fields:
        print("FIELD", fd["name"], fd["type"], fd["length"], fd["decimals"], fd["offset"])
    for r in d["records"]:
        record = bytes.fromhex(r["flag_hex"])
        for fd in fields:
            v = r["fields"][fd["name"]]
            record += bytes.fromhex(v["hex"]) if "hex" in v else v["raw"].encode("latin-1")
        print("REC", r["recno"], record.hex())
        for fd in fields:
            v = r["fields"][fd["name"]]
            if v.get("block"):
                print("MEMO", r["recno"], fd["name"], v["block"], v["memo_latin1"].encode("latin-1").hex() or "-")
