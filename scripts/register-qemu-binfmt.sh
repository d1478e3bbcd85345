#!/bin/sh
# Lets this x86-64 Linux machine run the programs of every foreign Linux
# target in cmake/targets.txt (and 32-bit Wine, an i386 program) through
# qemu-user, so the cross-built velodrive and its tests start like native
# programs. Needs root and qemu-user-static.
#
# Which ELF files go to which emulator (the magic bytes and their mask) is
# read from Debian's own registrations, which qemu-user-static installs in
# /usr/lib/binfmt.d. Those are not used as they are: they go through
# systemd-binfmt, which does not run in a container, and Debian makes none
# for i386 on amd64, whose line is kept here.
#
# Each registration uses the F flag: the kernel opens the emulator once, at
# registration, so it is found from any mount namespace or chroot. It also
# means a registration keeps running the emulator that was installed when it
# was made, even after qemu-user-static is upgraded. So every format is
# registered anew, each time, replacing whatever registration of that name
# there was.
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

# ELF header: class 1 (32-bit), little-endian, version 1, any ABI,
# executable or shared object (the mask lets 2 and 3 through), machine 3.
register qemu-i386 \
  '\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00' \
  '\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'

emulators=$("$(dirname "$0")/targets.sh" --where system=linux --where "debian!=$(dpkg --print-architecture)" emulator \
  | grep -vx i386 | sort -u)
for emulator in $emulators; do
  debian=/usr/lib/binfmt.d/qemu-$emulator.conf
  if [ ! -r "$debian" ]; then
    echo "qemu-$emulator: $debian is missing; install qemu-user-static" >&2
    exit 1
  fi
  # :NAME:TYPE:OFFSET:MAGIC:MASK:INTERPRETER:FLAGS
  magic=$(cut -d: -f5 "$debian")
  mask=$(cut -d: -f6 "$debian")
  register "qemu-$emulator" "$magic" "$mask"
done
