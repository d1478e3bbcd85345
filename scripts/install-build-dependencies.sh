#!/usr/bin/env bash
# Installs, on Debian 12 (amd64) as root, everything the full build and its
# tests need: for every target in cmake/targets.txt its cross compiler and,
# where Debian 12 has the architecture, Debian's own C and C++ libraries of
# it (the cross-built programs link the C library and run on them under
# qemu-user, and the Debian packages take their dependencies from them);
# mingw-w64 and Wine for the
# Windows targets; qemu-user-static 10 from bookworm-backports (Debian 12's
# own 7.2 crashes 32-bit Wine about half the time when a signal, Ctrl-C,
# reaches it); and the tools of the checks, packages and benchmark.
# Then run scripts/register-qemu-binfmt.sh.
set -euo pipefail
cd "$(dirname "$0")/.."
export DEBIAN_FRONTEND=noninteractive

packages=(cmake make g++ clang libclang-rt-14-dev libgtest-dev valgrind clang-tidy clang-format cppcheck
  groff-base man-db dpkg-dev lintian diffoscope-minimal libimage-exiftool-perl icoutils devscripts
  disorderfs fio gnuplot-nox python3 python3-fusepy util-linux reuse)
while read -r triplet debian multiarch emulator; do
  packages+=("g++-$triplet")
  if [ "$multiarch" != - ]; then
    dpkg --add-architecture "$debian"
    packages+=("libc6:$debian" "libstdc++6:$debian" "libc6-dev:$debian")
  fi
done < <(scripts/targets.sh --where system=linux --where "debian!=$(dpkg --print-architecture)" triplet debian multiarch emulator)
while read -r triplet emulator; do
  processor=${triplet%%-*}
  packages+=("g++-mingw-w64-${processor//_/-}")
  case $emulator in
    wine64) packages+=(wine64) ;;
    # 32-bit Wine is an i386 program, run by qemu-i386 on this kernel.
    wine32) dpkg --add-architecture i386; packages+=(wine32:i386 wine32-preloader:i386) ;;
  esac
done < <(scripts/targets.sh --where system=windows triplet emulator)

scripts/add-bookworm-backports.sh
# A mirror part-way through a sync can serve an index that does not match its
# Release file (seen: some foreign architectures' bookworm-security lists,
# older than it). apt then fails the update and goes without those lists;
# but a foreign library must be the very version of its amd64 twin, which
# would then come from a suite the other architectures cannot follow. So
# for this install only, a suite whose index failed is pinned below the
# others.
# The same holds for a suite that does not carry every architecture added
# here (seen: bookworm-security under LTS, which carries only some of
# Debian 12's): its amd64 libraries would be newer than any foreign twin.
apt_log=$(mktemp)
apt_pins=$(mktemp)
pin_below() {  # SUITE WHY
  printf 'Package: *\nPin: release n=%s\nPin-Priority: 100\n\n' "$1" >> "$apt_pins"
  echo "$1 $2: installing without its updates" >&2
}
if ! apt-get update 2>&1 | tee "$apt_log"; then
  for suite in $(sed -n 's|^E: Failed to fetch .*/dists/\([^/]*\)/.*|\1|p' "$apt_log" | sort -u); do
    pin_below "$suite" "could not be fetched whole"
  done
fi
foreign=$(dpkg --print-foreign-architectures)
for release in /var/lib/apt/lists/*_InRelease; do
  suite=$(sed -n 's/^Suite: //p; s/^Codename: //p' "$release" | tail -n 1)
  carried=$(sed -n 's/^Architectures: //p' "$release")
  [ -n "$carried" ] || continue
  for arch in $foreign; do
    case " $carried " in *" $arch "*) ;; *) pin_below "$suite" "has no $arch"; break ;; esac
  done
done
# dpkg's syncs after every file would take most of a fresh install's time;
# a machine that loses power mid-install is set up again anyway. And man-db
# would rebuild its whole index after the hundreds of packages that bring a
# manual page: not during this install (man finds a page by its path without
# the index); the setting is put back as it was after.
if [ -e /var/lib/man-db/auto-update ]; then
  rm /var/lib/man-db/auto-update
  trap 'touch /var/lib/man-db/auto-update' EXIT
fi
# The packages' own scripts sync too: eatmydata turns every sync of the
# install into nothing, as Debian's build machines do.
apt_options=(-o "Dir::Etc::Preferences=$apt_pins" -o "Dpkg::Options::=--force-unsafe-io" -y
  --no-install-recommends)
apt-get install "${apt_options[@]}" eatmydata
eatmydata apt-get install "${apt_options[@]}" "${packages[@]}" qemu-user-static/bookworm-backports
