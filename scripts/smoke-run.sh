#!/usr/bin/env bash
# smoke-run.sh [RUNNER...] PROGRAM: fails unless PROGRAM (run by RUNNER,
# e.g. qemu-arm-static -cpu arm926, where given) measures a 16 MiB file in
# 64 KiB blocks in an empty folder: status 0, nothing on standard output,
# the write and the read line on standard error, nothing left behind.
set -euo pipefail
[ "$#" -ge 1 ] || { echo "usage: smoke-run.sh [RUNNER...] PROGRAM" >&2; exit 2; }
program=$(realpath "${!#}")
runner=("${@:1:$#-1}")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir "$work/run"
status=0
(cd "$work/run" && "${runner[@]}" "$program" -b 64 smoke-run.tmp 16 > "$work/out" 2> "$work/err") || status=$?
err=$(cat "$work/err")
line='Block Size : 65536, (Write|Read) Speed: ([0-9]+\.[0-9]{2}|inf)Mb/sec'
if [ "$status" -ne 0 ] || [ -s "$work/out" ] || [ -n "$(ls -A "$work/run")" ] \
   || ! [[ $err =~ ^${line/Write|Read/Write}$'\n'${line/Write|Read/Read}$ ]]; then
  echo "${runner[*]:+${runner[*]} }$program -b 64 smoke-run.tmp 16: status $status, printed:" >&2
  cat "$work/err" "$work/out" >&2
  echo "left behind: $(ls -A "$work/run")" >&2
  exit 1
fi
echo "${runner[*]:+${runner[*]} }$program: ${err//$'\n'/; }"
