#!/bin/sh
# run_under_qemu.sh QEMU_NAME COMMAND [ARGUMENT...]
# Runs COMMAND, which starts programs for another processor, once the
# kernel hands such programs to qemu-user (binfmt_misc, registration
# QEMU_NAME). Otherwise says what is missing and exits 77, which the
# tests read as skipped.
registration=/proc/sys/fs/binfmt_misc/$1
shift
if ! grep -qx enabled "$registration" 2>/dev/null; then
  echo "skipped: no qemu-user registration at $registration;" \
       "install qemu-user-static and run scripts/register-qemu-binfmt.sh as root"
  exit 77
fi
exec "$@"
