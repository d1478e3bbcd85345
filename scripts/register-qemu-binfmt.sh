#!/bin/sh
# Lets this x86-64 Linux machine run i386, armhf and arm64 programs through
# qemu-user, so the cross-built velodrive and its tests (and 32-bit Wine)
# start like native programs. Needs root and Debian's qemu-user-static.
#
# Each registration uses the F flag: the kernel opens the emulator once, at
# registration, so it is found from any mount namespace or chroot. Debian
# ships registrations for ARM (in /usr/lib/binfmt.d, for systemd-binfmt,
# which does not run in a container) and none for i386 on an amd64 host.
# A format that is registered already is left as it is.
set -eu

binfmt=/proc/sys/fs/binfmt_misc
if [ ! -e "$binfmt/register" ]; then
  mount -t binfmt_misc binfmt_misc "$binfmt"
fi

# register NAME MAGIC MASK: run ELF files matching MAGIC under MASK with
# /usr/bin/NAME-static.
register() {
  if [ -e "$binfmt/$1" ]; then
    echo "$1: registered already"
    return
  fi
  printf ':%s:M::%s:%s:/usr/bin/%s-static:F\n' "$1" "$2" "$3" "$1" > "$binfmt/register"
  echo "$1: registered"
}

# ELF header: class (1: 32-bit, 2: 64-bit), little-endian, version 1, any
# ABI, executable or shared object (the mask lets 2 and 3 through), machine.
register qemu-i386 \
  '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00' \
  '\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
register qemu-arm \
  '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x28\x00' \
  '\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
register qemu-aarch64 \
  '\x7fELF\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\xb7\x00' \
  '\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
