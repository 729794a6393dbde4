#!/usr/bin/env python3
"""Flattens the index entries of the peer fixtures' expected.json files into lines a C++ test reads:
  INDEX <table path> <index path> <key type C/N/D> <unique 0/1> <entries>
  ORDER <record numbers in index order, blank-separated>
Only NDX indexes are listed.
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
    for ix in d.get("indexes", []):
        if ix.get("format") != "NDX":
            continue
        print("INDEX", os.path.join(folder, d["table"]), os.path.join(folder, ix["file"]), ix["key_type"],
              1 if ix["unique"] else 0, ix["entries"])
        print("ORDER", " ".join(str(r) for r in ix["order"]))
