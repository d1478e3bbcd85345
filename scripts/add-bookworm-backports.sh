#!/bin/sh
# Adds Debian's bookworm-backports suite to apt's sources, taking its URIs
# from the machine's own bookworm entry under /etc/apt/sources.list.d/, so
# that the backports come from the same mirror as everything else. Needs
# root. Does nothing when an entry for bookworm-backports exists already.
# Run `apt-get update` afterwards.
set -eu

sources=/etc/apt/sources.list.d
target=$sources/bookworm-backports.sources
if grep -qsE '^[[:space:]]*(Suites:.*[[:space:]]|deb .*[[:space:]])bookworm-backports([[:space:]]|$)' \
    "$sources"/*.sources "$sources"/*.list /etc/apt/sources.list; then
  echo "bookworm-backports: in apt's sources already"
  exit 0
fi

# The deb822 stanza that lists the bookworm suite: its URIs and keyring.
stanza=$(awk 'BEGIN { RS = ""; FS = "\n" }
  $0 ~ /(^|\n)Suites:([^\n]*[ \t])?bookworm([ \t]|\n|$)/ { print; exit }' "$sources"/*.sources 2>/dev/null || true)
uris=$(printf '%s\n' "$stanza" | sed -n 's/^URIs:[[:space:]]*//p')
keyring=$(printf '%s\n' "$stanza" | sed -n 's/^Signed-By:[[:space:]]*//p')
if [ -z "$uris" ]; then
  echo "no deb822 entry for bookworm under $sources: cannot tell which mirror to use" >&2
  exit 1
fi

{
  echo "Types: deb"
  echo "URIs: $uris"
  echo "Suites: bookworm-backports"
  echo "Components: main"
  if [ -n "$keyring" ]; then echo "Signed-By: $keyring"; fi
} > "$target"
echo "bookworm-backports: added as $target"
cat "$target"
