#!/bin/sh
# Lets this x86-64 Linux machine run i386, armhf, arm64 and riscv64 programs
# through qemu-user, so the cross-built velodrive and its tests (and 32-bit
# Wine) start like native programs. Needs root and qemu-user-static.
#
# Each registration uses the F flag: the kernel opens the emulator once, at
# registration, so it is found from any mount namespace or chroot. It also
# means a registration keeps running the emulator that was installed when it
# was made, even after qemu-user-static is upgraded. So every format is
# registered anew, each time, replacing whatever registration of that name
# there was (Debian's own for ARM included, which systemd-binfmt makes, and
# which does not run in a container; Debian makes none for i386 on amd64).
set -eu

binfmt=/proc/sys/fs/binfmt_misc
if [ ! -e "$binfmt/register" ]; then
  mount -t binfmt_misc binfmt_misc "$binfmt"
fi

# register NAME MAGIC MASK: run ELF files matching MAGIC under MASK with
# /usr/bin/NAME-static, as installed now.
register() {
  interpreter=/usr/bin/$1-static
  if [ ! -x "$interpreter" ]; then
    echo "$1: $interpreter is not installed" >&2
    exit 1
  fi
  if [ -e "$binfmt/$1" ]; then
    echo -1 > "$binfmt/$1"
  fi
  printf ':%s:M::%s:%s:%s:F\n' "$1" "$2" "$3" "$interpreter" > "$binfmt/register"
  echo "$1: registered $("$interpreter" --version | head -n 1)"
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
register qemu-riscv64 \
  '\x7fELF\x02\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\xf3\x00' \
  '\xff\xff\xff\xff\xff\xff\xff\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
