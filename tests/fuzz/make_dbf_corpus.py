#!/usr/bin/env python3
"""Writes the seed corpus of the table reader's fuzzer into dbf_corpus/.

Sound tables of every field type the reader knows, and one damaged variant for each check of
the header, so that the fuzzer starts next to every refusal. Run from this folder; the output is
committed, and the ordinary build replays it (DbfCorpusReplayTest).
"""

import os
import struct


def table(fields, records, version=0x03, count=None, header_length=None, record_length=None):
    rec_len = 1 + sum(f[2] for f in fields)
    hdr_len = 32 + 32 * len(fields) + 1
    head = struct.pack("<BBBBIHH", version, 101, 3, 1,
                       len(records) if count is None else count,
                       hdr_len if header_length is None else header_length,
                       rec_len if record_length is None else record_length)
    head += b"\0" * 17 + b"\xC9" + b"\0\0"
    for name, ftype, width, decimals in fields:
        head += name.ljust(11, b"\0")[:11] + ftype + b"\0" * 4 + bytes([width, decimals]) + b"\0" * 14
    body = b"".join(b" " + r.ljust(rec_len - 1)[:rec_len - 1] for r in records)
    return head + b"\x0D" + body + b"\x1A"


TAX = [(b"NP", b"N", 5, 0), (b"PERIOD", b"N", 1, 0), (b"RIK", b"N", 4, 0), (b"KOD", b"C", 10, 0),
       (b"TYP", b"N", 1, 0), (b"TIN", b"C", 10, 0), (b"S_DOX", b"N", 15, 2),
       (b"S_TAX", b"N", 15, 2), (b"OZN_DOX", b"N", 1, 0), (b"D_PRIYN", b"D", 8, 0),
       (b"D_ZVILN", b"D", 8, 0), (b"OZN_PILG", b"N", 6, 0), (b"OZNAKA", b"N", 1, 0)]
EMPLOYEE = (b"    13200112345678  01234567890        1234.50         246.901"
            b"2001030120011231     00")
SERVICE = b"99991 " + b" " * 4 + b" " * 10 + b" " + b"\xb2\xe2" + b" " * 8 + b"     5551234.00"
MIXED = [(b"NAME", b"C", 8, 0), (b"SUM", b"F", 10, 3), (b"WHEN", b"D", 8, 0),
         (b"OK", b"L", 1, 0), (b"NOTE", b"M", 10, 0)]

seeds = {
    "template.dbf": table(TAX, []),
    "tax_file.dbf": table(TAX, [EMPLOYEE, EMPLOYEE, SERVICE]),
    "mixed_types.dbf": table(MIXED, [b"first   -12.345   19991231T         1",
                                     b"\xc0\xc1\xc2       \0\0\0\0\0\0\0\0\0\0        ?          "]),
    "deleted.dbf": table(MIXED, [b"x"]).replace(b"\x0D x", b"\x0D*x"),
    "no_end_mark.dbf": table(TAX, [EMPLOYEE])[:-1],
    "truncated_record.dbf": table(TAX, [EMPLOYEE, EMPLOYEE])[:-10],
    "huge_count.dbf": table(TAX, [EMPLOYEE], count=0xFFFFFFFF),
    "short_header.dbf": table(TAX, [])[:31],
    "header_past_file.dbf": table(TAX, [], header_length=0xFFFF),
    "no_terminator.dbf": table(MIXED, []).replace(b"\x0D", b"X"),
    "zero_fields.dbf": table([], []),
    "record_too_short.dbf": table(MIXED, [b"a"], record_length=5),
    "width_zero.dbf": table([(b"A", b"C", 0, 0)], [b""]),
    "name_without_nul.dbf": table([(b"ABCDEFGHIJK", b"C", 3, 0)], [b"abc"]),
    "bad_number.dbf": table(MIXED, [b"x       1.2.3"]),
    "bad_date.dbf": table(MIXED, [b"x                 20011345"]),
    "zero_date.dbf": table(MIXED, [b"x                 00000000"]),
    "bad_deletion_flag.dbf": table(MIXED, [b"x"]).replace(b"\x0D x", b"\x0D\x1Ax"),
    "record_after_count.dbf": table(TAX, [EMPLOYEE, EMPLOYEE], count=1),
    "text_with_decimals.dbf": table([(b"A", b"C", 3, 1)], [b"abc"]),
}

os.makedirs("dbf_corpus", exist_ok=True)
for name, data in seeds.items():
    with open(os.path.join("dbf_corpus", name), "wb") as f:
        f.write(data)
