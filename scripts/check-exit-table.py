#!/usr/bin/env python3
"""check-exit-table.py: fails, naming each, when a text velodrive can print
is missing from the README's "Exit statuses" section. The texts are every
string literal of the sources that print (src/command_line.cpp,
src/run_measurement.cpp: the messages, the words put into them and the
reasons of their own), cut where a printf conversion stands; each piece
of three characters or more must appear in the section as it is."""

import re
import sys

SOURCES = ["src/command_line.cpp", "src/run_measurement.cpp"]
LITERAL = re.compile(r'"((?:[^"\\]|\\.)*)"')
CONVERSION = re.compile(r"%[-+ #0-9.]*(?:z|l|ll|h)?[a-zA-Z]")


def printed_pieces(path):
    with open(path, encoding="utf-8") as source:
        code = re.sub(r"//[^\n]*|#include[^\n]*", "", source.read())
    # Literals next to each other are one string, as the compiler joins
    # them; a format macro between two (PRId64) is a conversion.
    code = re.sub(r'"\s*PRI\w+\s*"', "d", code)
    code = re.sub(r'"\s+"', "", code)
    for literal in LITERAL.findall(code):
        text = literal.encode().decode("unicode_escape")
        for piece in CONVERSION.split(text):
            if len(piece.strip()) >= 3:
                yield piece.strip()


def main():
    with open("README.md", encoding="utf-8") as readme:
        text = readme.read()
    section = re.search(r"^## Exit statuses\n(.*?)(?=^## )", text, re.M | re.S)
    if not section:
        sys.exit('README.md has no "## Exit statuses" section')
    missing = sorted({piece for path in SOURCES for piece in printed_pieces(path)
                      if piece not in section.group(1)})
    for piece in missing:
        print(f'README.md, Exit statuses: nothing says "{piece}"')
    sys.exit(1 if missing else 0)


if __name__ == "__main__":
    main()
