#!/bin/sh
# targets.sh [--where COLUMN=VALUE | --where COLUMN!=VALUE]... [COLUMN...]
# Prints the rows of the table of targets (cmake/targets.txt), one a line,
# in the table's order: the COLUMNs named (by the names in the table's
# header line), or every column; only the rows whose COLUMN is (or, with
# !=, is not) VALUE for each --where. For the shell's loops:
#   scripts/targets.sh --where system=linux name debian | while read -r name debian; do ...
set -eu
table=$(dirname "$0")/../cmake/targets.txt
wheres=
while [ "$#" -gt 0 ] && [ "$1" = --where ]; do
  wheres="$wheres $2"
  shift 2
done
awk -v wheres="$wheres" -v columns="$*" '
  /^# name[ \t]/ { for (i = 2; i <= NF; i++) number[$i] = i - 1; next }
  /^#/ || NF == 0 { next }
  {
    split(wheres, conditions, " ")
    for (c in conditions) {
      negated = index(conditions[c], "!=") > 0
      split(conditions[c], pair, negated ? "!=" : "=")
      if (!(pair[1] in number)) { print "targets.sh: no column " pair[1] > "/dev/stderr"; exit 2 }
      if (($(number[pair[1]]) == pair[2]) == negated) next
    }
    if (columns == "") { print; next }
    n = split(columns, wanted, " ")
    line = ""
    for (i = 1; i <= n; i++) {
      if (!(wanted[i] in number)) { print "targets.sh: no column " wanted[i] > "/dev/stderr"; exit 2 }
      line = line (i > 1 ? " " : "") $(number[wanted[i]])
    }
    print line
  }' "$table"
