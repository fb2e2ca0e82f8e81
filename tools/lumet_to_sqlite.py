#!/usr/bin/env python3
"""Converts a .lumet dataset text file into one table of an SQLite database.

    tools/lumet_to_sqlite.py INPUT.lumet OUTPUT.sqlite [--table NAME] [--replace]

The table takes the file's name (without extension) unless --table names it. Each header
name becomes a column; a column whose every token is a number becomes REAL, any other
TEXT. Lines are read as the workbench reads them: "%" lines are comments, a line counts
only when it has exactly as many blank-separated tokens as there are names, and a tab is
part of a token. Rows keep the file's order (rowid order).
"""
import argparse
import os
import re
import sqlite3
import sys

NUMBER = re.compile(r"^[+-]?(\d+\.?\d*|\.\d+)([eE][+-]?\d+)?$")


def split_blanks(line):
    return [token for token in line.split(" ") if token != ""]


def read_lumet(path):
    with open(path, "rb") as handle:
        raw = handle.read()
    lines = raw.split(b"\n")
    lines = [line[:-1] if line.endswith(b"\r") else line for line in lines]
    if not lines or not lines[0].startswith(b"#"):
        raise ValueError("missing field names in " + path)
    text = [line.decode("utf-8", errors="surrogateescape") for line in lines]
    header = text[0]
    first = re.match(r"^[# ]*([^# ]*)", header)
    rest = header[first.end():]
    names = ([first.group(1)] if first.group(1) else []) + split_blanks(rest)
    rows = []
    for line in text[1:]:
        if line.startswith("%"):
            continue
        tokens = split_blanks(line)
        if len(tokens) == len(names) and names:
            rows.append(tokens)
    return names, rows


def quote_identifier(name):
    return '"' + name.replace('"', '""') + '"'


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("input")
    parser.add_argument("output")
    parser.add_argument("--table")
    parser.add_argument("--replace", action="store_true", help="drop an existing table of that name first")
    arguments = parser.parse_args()

    names, rows = read_lumet(arguments.input)
    if not names:
        sys.exit("no field names in " + arguments.input)
    table = arguments.table or os.path.splitext(os.path.basename(arguments.input))[0]
    numeric = [all(NUMBER.match(row[j]) for row in rows) for j in range(len(names))]

    # Duplicate header names are allowed in the text format; SQLite needs distinct columns.
    columns, seen = [], {}
    for name in names:
        key = name.lower()
        seen[key] = seen.get(key, 0) + 1
        columns.append(name if seen[key] == 1 else "%s_%d" % (name, seen[key]))

    connection = sqlite3.connect(arguments.output)
    with connection:
        if arguments.replace:
            connection.execute("DROP TABLE IF EXISTS " + quote_identifier(table))
        definition = ", ".join(
            quote_identifier(c) + (" REAL" if numeric[j] else " TEXT") for j, c in enumerate(columns))
        connection.execute("CREATE TABLE %s (%s)" % (quote_identifier(table), definition))
        insert = "INSERT INTO %s VALUES (%s)" % (quote_identifier(table), ", ".join("?" * len(columns)))
        connection.executemany(
            insert, ([float(t) if numeric[j] else t for j, t in enumerate(row)] for row in rows))
    connection.close()
    print("%s: table %s, %d rows, %d columns" % (arguments.output, table, len(rows), len(columns)))


if __name__ == "__main__":
    main()
