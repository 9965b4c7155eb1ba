#!/usr/bin/env python3
"""Reads a dBase III table with nothing but the standard library and prints it as JSON.

A second reader, written apart from the table engine, so that the engine's files are checked
against the published layout rather than against the engine itself. Any departure from the
layout is reported on stderr with exit status 1.

Output: {"version", "updated": [y, m, d], "count", "header_length", "record_length",
"code_page", "fields": [[name, type, width, decimals]], "records": [{"deleted", "raw": {name:
text as stored, Windows-1251}, "value": {name: number, text, "YYYY-MM-DD" or null}}],
"eof_mark": true when the byte after the last record is 0x1A, "trailing": bytes after it}.
"""

import json
import struct
import sys


def fail(message):
    sys.stderr.write("dbf_independent_reader: " + message + "\n")
    sys.exit(1)


def value_of(ftype, raw):
    text = raw.strip(" \0")
    if ftype in "NF":
        if text == "":
            return 0.0
        try:
            return float(text)
        except ValueError:
            fail("not a number: %r" % raw)
    if ftype == "D":
        if text == "":
            return None
        if len(text) != 8 or not text.isdigit():
            fail("not a date: %r" % raw)
        return "%s-%s-%s" % (text[0:4], text[4:6], text[6:8])
    return raw.rstrip(" ")


def main():
    if len(sys.argv) != 2:
        fail("usage: dbf_independent_reader.py <file>")
    with open(sys.argv[1], "rb") as f:
        data = f.read()
    if len(data) < 32:
        fail("shorter than a header")
    version, yy, mm, dd, count, header_length, record_length = struct.unpack_from(
        "<BBBBIHH", data, 0)
    code_page = data[29]
    fields = []
    pos = 32
    offset = 1
    while True:
        if pos >= header_length or pos >= len(data):
            fail("no descriptor terminator")
        if data[pos] == 0x0D:
            break
        desc = data[pos:pos + 32]
        if len(desc) < 32:
            fail("short descriptor")
        name = desc[0:11].split(b"\0", 1)[0].decode("ascii")
        ftype = chr(desc[11])
        width = desc[16]
        decimals = desc[17]
        fields.append([name, ftype, width, decimals, offset])
        offset += width
        pos += 32
    if pos + 1 != header_length:
        fail("header length %d, descriptors end at %d" % (header_length, pos + 1))
    if offset != record_length:
        fail("record length %d, fields take %d" % (record_length, offset))
    end = header_length + count * record_length
    if end > len(data):
        fail("file too short for %d records" % count)
    records = []
    for i in range(count):
        rec = data[header_length + i * record_length:header_length + (i + 1) * record_length]
        if rec[0:1] not in (b" ", b"*"):
            fail("record %d has deletion flag %r" % (i + 1, rec[0:1]))
        raw = {}
        value = {}
        for name, ftype, width, decimals, off in fields:
            text = rec[off:off + width].decode("cp1251")
            raw[name] = text
            value[name] = value_of(ftype, text)
        records.append({"deleted": rec[0:1] == b"*", "raw": raw, "value": value})
    print(json.dumps({
        "version": version,
        "updated": [1900 + yy, mm, dd],
        "count": count,
        "header_length": header_length,
        "record_length": record_length,
        "code_page": code_page,
        "fields": [f[0:4] for f in fields],
        "records": records,
        "eof_mark": end < len(data) and data[end] == 0x1A,
        "trailing": len(data) - end,
    }, ensure_ascii=False))


if __name__ == "__main__":
    main()
