#!/bin/sh
# run_under_qemu.sh [--at-least VERSION] QEMU_NAME COMMAND [ARGUMENT...]
# Runs COMMAND, which starts programs for another processor, once the
# kernel hands such programs to qemu-user (binfmt_misc, registration
# QEMU_NAME) and, with --at-least, once the registered emulator is of that
# version or newer. Otherwise says what is missing and exits 77, which the
# tests read as skipped.
minimum=
if [ "$1" = --at-least ]; then
  minimum=$2
  shift 2
fi
registration=/proc/sys/fs/binfmt_misc/$1
shift
if ! grep -qx enabled "$registration" 2>/dev/null; then
  echo "skipped: no qemu-user registration at $registration;" \
       "install qemu-user-static and run scripts/register-qemu-binfmt.sh as root"
  exit 77
fi
if [ -n "$minimum" ]; then
  interpreter=$(sed -n 's/^interpreter //p' "$registration")
  version=$("$interpreter" --version 2>/dev/null | sed -n '1s/.* version \([0-9][0-9.]*\).*/\1/p')
  oldest=$(printf '%s\n%s\n' "$minimum" "${version:-0}" | sort -V | head -n 1)
  if [ "$oldest" != "$minimum" ]; then
    echo "skipped: $interpreter is version ${version:-unknown}, older than $minimum, which this" \
         "needs; install qemu-user-static $minimum or newer (on Debian 12, from bookworm-backports)" \
         "and run scripts/register-qemu-binfmt.sh as root"
    exit 77
  fi
fi
exec "$@"
