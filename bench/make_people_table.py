#!/usr/bin/env python3
"""Writes a dBase III table of N records of 100 bytes for the tool benchmarks:
NAME C(20), CITY C(20), STREET C(30), STATE C(2), PAY N(10,2), BORN D, OK L, SEQ N(8).
Deterministic, some fields blank, a few non-ASCII letters (code page 437 bytes)."""
import struct
import sys

FIELDS = [("NAME", "C", 20, 0), ("CITY", "C", 20, 0), ("STREET", "C", 30, 0), ("STATE", "C", 2, 0),
          ("PAY", "N", 10, 2), ("BORN", "D", 8, 0), ("OK", "L", 1, 0), ("SEQ", "N", 8, 0)]


def main(path, count):
    header_length = 32 + 32 * len(FIELDS) + 1
    record_length = 1 + sum(f[2] for f in FIELDS)
    assert record_length == 100
    names = [b"M\x81ller", b"Stra\xe1e", b"Caf\x82", b"Smith", b"Jones", b"Garc\xa1a", b"Nguyen", b""]
    cities = [b"Berlin", b"Paris", b"Z\x81rich", b"Lima", b"Oslo", b""]
    with open(path, "wb") as out:
        out.write(struct.pack("<BBBBIHH20x", 0x03, 124, 1, 1, count, header_length, record_length))
        for name, kind, length, decimals in FIELDS:
            out.write(struct.pack("<11sc4xBB14x", name.encode(), kind.encode(), length, decimals))
        out.write(b"\r")
        chunk = []
        for i in range(1, count + 1):
            deleted = b"*" if i % 97 == 0 else b" "
            name = (names[i % len(names)] + b" %d" % (i % 1000)).ljust(20)[:20]
            city = cities[i % len(cities)].ljust(20)
            street = (b"%d Long Street Name" % (i % 9999)).ljust(30)[:30]
            state = b"CA" if i % 3 else b"  "
            pay = (b"%10.2f" % ((i * 37 % 1000000) / 100.0)) if i % 11 else b" " * 10
            born = b"%04d%02d%02d" % (1950 + i % 60, 1 + i % 12, 1 + i % 28) if i % 13 else b" " * 8
            ok = b"TF?"[i % 3:i % 3 + 1]
            seq = b"%8d" % i
            chunk.append(deleted + name + city + street + state + pay + born + ok + seq)
            if len(chunk) == 10000:
                out.write(b"".join(chunk))
                chunk = []
        out.write(b"".join(chunk))
        out.write(b"\x1a")


if __name__ == "__main__":
    main(sys.argv[1], int(sys.argv[2]) if len(sys.argv) > 2 else 1000000)
