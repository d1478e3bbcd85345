#!/usr/bin/env python3
"""check-markdown-links.py [FILE.md...]: fails, naming each one, when a
relative link or image in a Markdown file points at a file that does not
exist or at a heading that the file it names does not have (anchors as
GitHub makes them from headings). Without arguments, every Markdown file
git tracks. Links with a scheme (https:, mailto:) are not followed; code
blocks and inline code are not read."""

import os
import re
import subprocess
import sys

LINK = re.compile(r"!?\[(?:[^\]\\]|\\.)*\]\(([^)\s]+)(?:\s+\"[^\"]*\")?\)")


def prose(path):
    """The file's text without fenced code blocks and inline code."""
    with open(path, encoding="utf-8") as text:
        lines, fenced = [], False
        for line in text:
            if line.lstrip().startswith("```"):
                fenced = not fenced
                continue
            if not fenced:
                lines.append(re.sub(r"`[^`]*`", "", line))
    return "".join(lines)


def anchors(path):
    """The anchors of the file's headings, as GitHub makes them."""
    found, seen = set(), {}
    for line in prose(path).splitlines():
        match = re.match(r"#{1,6}\s+(.*?)\s*#*\s*$", line)
        if not match:
            continue
        slug = re.sub(r"[^\w\- ]", "", match.group(1).lower()).replace(" ", "-")
        count = seen.get(slug, 0)
        seen[slug] = count + 1
        found.add(slug if count == 0 else f"{slug}-{count}")
    return found


def main():
    files = sys.argv[1:] or subprocess.run(["git", "ls-files", "*.md"], capture_output=True, text=True,
                                           check=True).stdout.split()
    broken = []
    for source in files:
        for target in LINK.findall(prose(source)):
            if re.match(r"[a-z][a-z0-9+.-]*:", target):
                continue
            path, _, anchor = target.partition("#")
            resolved = os.path.normpath(os.path.join(os.path.dirname(source), path)) if path else source
            if not os.path.exists(resolved):
                broken.append(f"{source}: {target}: no file {resolved}")
            elif anchor and resolved.endswith(".md") and anchor not in anchors(resolved):
                broken.append(f"{source}: {target}: {resolved} has no heading #{anchor}")
    for line in broken:
        print(line)
    if broken:
        sys.exit(1)
    print(f"{len(files)} Markdown files: every relative link leads somewhere")


if __name__ == "__main__":
    main()
