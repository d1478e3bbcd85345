#!/usr/bin/env bash
# release.sh [--no-checks] [NAME...]: the release, made by walking the rows
# of cmake/targets.txt (every row, or the rows NAMEd), two at a time.
# For each row, in a build folder of its own (build/NAME): configure it
# (natively for the row of this machine's architecture, else with
# cmake/cross.cmake), build it, run its suite (natively, under qemu-user or
# under Wine, as the toolchain file sets the emulator; on the row's oldest
# processor), make its package, and where the row releases one, build the
# static program and its tarball (build/NAME-static); then the row's checks.
# The packages go to build/dist. After every row: the source tarball, the
# source of the C library in the static programs, the bill of materials and
# SHA256SUMS, and the checks of the release as a whole, the last a second
# build of the same commit elsewhere that must give the same bytes.
# --no-checks builds and packages only: no suite, no check.
# Needs what scripts/install-build-dependencies.sh installs, and
# scripts/register-qemu-binfmt.sh run once.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
checks=yes
if [ "${1:-}" = --no-checks ]; then checks=; shift; fi
version=$(sed -n 's/^project(velodrive VERSION \([0-9.]*\) .*/\1/p' CMakeLists.txt)
native=$(dpkg --print-architecture)
native_name=$(scripts/targets.sh --where "debian=$native" name)
[ -n "$native_name" ] || { echo "release.sh: no row of cmake/targets.txt is for $native" >&2; exit 1; }
dist=build/dist
export SOURCE_DATE_EPOCH=${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}
started=$SECONDS
step() { printf '\n=== %s (at %ss)\n' "$*" "$((SECONDS - started))"; }
fail() { echo "release.sh: $*" >&2; exit 1; }

names=("$@")
whole=
if [ ${#names[@]} -eq 0 ]; then
  mapfile -t names < <(scripts/targets.sh name)
  whole=yes
fi
# A Windows row's end-to-end cases are driven by this machine's test program.
selected=$(printf '%s\n' "${names[@]}")
if [ -n "$checks" ] && grep -qxF -f <(scripts/targets.sh --where system=windows name) <<< "$selected" \
   && ! grep -qx "$native_name" <<< "$selected"; then
  names=("$native_name" "${names[@]}")
fi
rm -rf "$dist"
mkdir -p "$dist"

# configure_and_build FOLDER CMAKE_ARGUMENT...
configure_and_build() {
  local folder=$1
  shift
  cmake -S . -B "$folder" -DCMAKE_BUILD_TYPE=Release -DVELODRIVE_LINT=OFF "$@" > "$folder.configure.log" \
    || { cat "$folder.configure.log"; fail "configuring $folder failed"; }
  cmake --build "$folder" --parallel 2
}

# package FOLDER: the folder's build's package, every entry in it sorted,
# dated and owned alike (normalize-archive.py), into the release.
package() {
  rm -rf "$1/packages"
  cpack --config "$1/CPackConfig.cmake" -B "$1/packages" > "$1/packages.log" \
    || { cat "$1/packages.log"; fail "packaging $1 failed"; }
  local made
  made=$(ls "$1"/packages/velodrive[-_]"$version"[-_]*.{deb,tar.gz,zip} 2> /dev/null || true)
  [ -n "$made" ] || fail "cpack made no package in $1/packages"
  python3 scripts/normalize-archive.py "$SOURCE_DATE_EPOCH" $made
  cp $made "$dist/"
}

# The one rule for what a program may load: a static program nothing; a
# dynamic Linux one the C and C++ libraries; a Windows one KERNEL32 and the
# C runtime, which every Windows has. Read with the row's own objdump.
check_loads() {  # PROGRAM TRIPLET KIND
  local allowed
  case $3 in
    static) allowed='' ;;
    linux) allowed='lib(c|m|stdc\+\+|gcc_s)\.so\.[0-9]+|ld[-.a-z0-9_]*\.so\.[0-9]+' ;;
    windows) allowed='kernel32\.dll|msvcrt\.dll' ;;
  esac
  local loaded
  loaded=$("$2-objdump" -p "$1" | sed -n 's/^ *NEEDED *//p; s/^\tDLL Name: //p' | tr 'A-Z' 'a-z')
  if [ "$3" = static ] && [[ $(readelf -l "$1") == *INTERP* ]]; then fail "$1 asks for a program interpreter"; fi
  if grep -vxE "${allowed:-^$}" <<< "$loaded" | grep .; then fail "$1 loads the libraries above, beyond its rule"; fi
  echo "$1 loads: $(echo ${loaded:-nothing})"
}

# The Debian source packages of what the linker's MAP took into a program.
linked_sources() {
  { sed -n '/^Archive member included/,/^Discarded input sections/p' "$1" | grep -oE '^/[^ ()]+\.a\(' | tr -d '('
    grep -oE '^LOAD /[^ ]+\.o$' "$1" | cut -d' ' -f2; } | xargs -r realpath -m | sort -u \
    | { xargs -r dpkg -S 2> /dev/null || true; } | sed 's/: \/.*//; s/,.*//' \
    | sort -u | xargs -r dpkg-query -W -f='${source:Package}\n' | sort -u
}

# An archive's notices name every component linked into its program and no
# other (read from the linker's map, apart from the generator that wrote
# them); winpthreads exactly where its library was linked.
check_notices() {  # BUILD_FOLDER NOTICES
  local named
  named=$(sed -n 's/^== Component: .*, source \([^)]*\)) ==$/\1/p' "$2" | sort -u)
  diff <(linked_sources "$1/velodrive.map") <(echo "$named") || fail "$2 and what $1 linked differ"
  if grep -qE '/lib(win)?pthread\.a\(' "$1/velodrive.map"; then
    grep -q '^== Component: winpthreads ' "$2"
  else
    ! grep -q '^== Component: winpthreads ' "$2"
  fi
  echo "$2: $(echo $named)"
}

# unpack ARCHIVE: its files, in a new folder, whose name is printed.
unpack() {
  local folder
  folder=$(mktemp -d)
  case $1 in
    *.zip) python3 -m zipfile -e "$1" "$folder" ;;
    *.tar.gz) tar -xzf "$1" -C "$folder" ;;
    *.deb) dpkg-deb -x "$1" "$folder" ;;
  esac
  echo "$folder"
}

# check_archive ARCHIVE BUILD_FOLDER FILE...: ARCHIVE holds exactly the
# FILEs, in one folder named as the archive; the README inside links only
# to what is there; the notices name exactly what BUILD_FOLDER's program
# links. Prints that folder, unpacked, for the caller's own checks (the
# caller removes its parent).
check_archive() {
  local archive=$1 folder=$2 top
  shift 2
  top=$(unpack "$archive")/$(basename "$archive" | sed -E 's/[.](zip|tar[.]gz)$//')
  [ "$(ls "$top")" = "$(printf '%s\n' "$@")" ] || fail "$archive holds $(ls "$top" | tr '\n' ' ')"
  python3 scripts/check-markdown-links.py "$top/README.md" >&2
  check_notices "$folder" "$top/THIRD-PARTY-NOTICES.txt" >&2
  echo "$top"
}

# Hardening as hardening-check reads it, but for two things it cannot tell
# here. Stack clash protection reads "unknown": it recognises only an x86
# probe loop, which code without a stack frame over 4 KiB never has.
# Control flow protection reads "no": Debian 12's C start files carry no
# CET or BTI note, so the linker leaves it off every program; velodrive's
# own objects carry it where the processor has it, which is checked instead.
check_hardening() {  # FOLDER TRIPLET
  hardening-check --nocfprotection "$1/velodrive"
  local object=$1/CMakeFiles/velodrive_core.dir/src/timed_pass.cpp.o
  case ${2%%-*} in
    x86_64 | i686) readelf -n "$object" | grep 'x86 feature: IBT, SHSTK' ;;
    aarch64) readelf -n "$object" | grep 'AArch64 feature: BTI, PAC' ;;
  esac
}

row() {  # NAME
  local name system triplet debian multiarch emulator static bits flags cpus
  read -r name system triplet debian multiarch emulator static bits flags cpus \
    < <(scripts/targets.sh --where "name=$1" name system triplet debian multiarch emulator static bits flags cpus)
  [ -n "$name" ] || fail "cmake/targets.txt has no row $1"
  local folder=build/$name cross=() tests=OFF
  [ "$debian" = "$native" ] || cross=(--toolchain cmake/cross.cmake "-DVELODRIVE_TARGET=$name")
  [ -z "$checks" ] || tests=ON
  step "$name: build"
  local arguments=("${cross[@]}" "-DVELODRIVE_BUILD_TESTS=$tests")
  if [ "$system" = windows ]; then
    arguments+=("-DVELODRIVE_END_TO_END_TESTS=$root/build/$native_name/tests/velodrive_end_to_end_tests")
  fi
  configure_and_build "$folder" "${arguments[@]}"
  package "$folder"
  if [ "$static" != - ]; then
    configure_and_build "$folder-static" "${cross[@]}" -DVELODRIVE_STATIC=ON -DVELODRIVE_BUILD_TESTS=OFF \
      "-DVELODRIVE_RELEASE_NAME=linux-$name"
    package "$folder-static"
  fi
  [ -n "$checks" ] || return 0

  step "$name: suite"
  # qemu-user reads QEMU_CPU: the row's oldest processor, where it names one.
  local oldest=()
  [ "$cpus" = - ] || oldest=("QEMU_CPU=${cpus%%,*}")
  env "${oldest[@]}" ctest --test-dir "$folder" --parallel 2 --output-on-failure \
    --no-tests=error
  step "$name: checks"
  if [ "$system" = windows ]; then
    check_loads "$folder/velodrive.exe" "$triplet" windows
    # A console program of the row's width (PE32 or PE32+).
    local headers magic=020b
    [ "$bits" = 64 ] || magic=010b
    headers=$("$triplet-objdump" -p "$folder/velodrive.exe")
    grep -qP "^Magic\t+$magic\b" <<< "$headers" && grep -qP '^Subsystem\t+00000003\b' <<< "$headers" \
      || fail "$folder/velodrive.exe is not a $bits-bit console program"
    local top
    top=$(check_archive "$dist/velodrive-$version-$name.zip" "$folder" \
          LICENSE README.md THIRD-PARTY-NOTICES.txt velodrive.exe velodrive.txt)
    grep -q '^NAME' "$top/velodrive.txt"
    test "$(exiftool -s -s -s -FileVersion -ProductVersion "$top/velodrive.exe")" = "$version"$'\n'"$version"
    test "$(exiftool -s -s -s -FileDescription -ProductName -OriginalFileName -LegalCopyright "$top/velodrive.exe" \
            | wc -l)" -eq 4
    # The application manifest (resource type 24, ID 1), exactly as written.
    wrestool -x --raw --type=24 --name=1 "$top/velodrive.exe" | cmp - src/velodrive.manifest
    rm -rf "${top%/*}"
    return 0
  fi

  check_loads "$folder/velodrive" "$triplet" linux
  check_hardening "$folder" "$triplet"
  if [ "$bits" = 32 ]; then
    # 64-bit file offsets: the program calls no file function by the name
    # of its 32-bit-offset form where the C library has a 64-bit one
    # (fopen64, lseek64, ...); one that did would fail past 2 GiB.
    local large small
    large=$("$triplet-nm" -D --defined-only "/usr/$triplet/lib/libc.so.6" | sed -nE 's/.* ([A-Za-z_]+)64(@.*)?$/\1/p' \
      | sort -u)
    grep -qx fopen <<< "$large" || fail "no fopen64 in /usr/$triplet/lib/libc.so.6"
    small=$("$triplet-nm" -D --undefined-only "$folder/velodrive" | sed -nE 's/ *U ([A-Za-z_0-9]+).*/\1/p' | sort -u \
      | comm -12 - <(echo "$large"))
    [ -z "$small" ] || fail "$folder/velodrive calls $(echo $small) with 32-bit file offsets"
  fi
  # The Debian package: no lintian tag, its architecture, and its program
  # runs on that architecture's libraries (installed, on this machine).
  local deb=$dist/velodrive_${version}_$debian.deb unpacked tags
  tags=$(lintian --pedantic -I "$deb")
  [ -z "$tags" ] || { echo "$tags"; fail "lintian tags $deb"; }
  test "$(dpkg-deb -f "$deb" Architecture)" = "$debian"
  echo "$deb: Depends: $(dpkg-deb -f "$deb" Depends)"
  if [ "$debian" = "$native" ]; then
    dpkg -i "$deb" > /dev/null
    scripts/smoke-run.sh "$(command -v velodrive)" && man -w velodrive && dpkg -r velodrive > /dev/null \
      || { dpkg -r velodrive > /dev/null; fail "the installed $deb does not run"; }
    local prefix
    prefix=$(mktemp -d)
    cmake --install "$folder" --prefix "$prefix" > /dev/null
    test -x "$prefix/bin/velodrive" && test -f "$prefix/share/man/man1/velodrive.1.gz" \
      && test -f "$prefix/share/doc/velodrive/copyright" || fail "the install tree misses a file"
    rm -rf "$prefix"
  else
    # With the libraries the build's tests run on (cmake/cross.cmake).
    local libraries
    libraries=$(sed -n 's/^QEMU_LD_PREFIX:INTERNAL=//p' "$folder/CMakeCache.txt")
    [ -n "$libraries" ] || fail "$folder/CMakeCache.txt names no QEMU_LD_PREFIX"
    unpacked=$(unpack "$deb")
    QEMU_LD_PREFIX=$libraries scripts/smoke-run.sh "$unpacked/usr/bin/velodrive"
    rm -rf "$unpacked"
  fi
  [ "$static" != - ] || return 0

  # The static program: nothing loaded, linked as the row says, its
  # hardening in its own symbols, and a run with no library at hand, on
  # each of the oldest processors the row names too.
  local program=$folder-static/velodrive type
  check_loads "$program" "$triplet" static
  type=$(readelf -h "$program" | sed -n 's/^ *Type: *\([A-Z]*\).*/\1/p')
  [ "$type" = "$([ "$static" = static-pie ] && echo DYN || echo EXEC)" ] || fail "$program is $type, not $static"
  local symbols
  symbols=$(readelf -s "$program")
  grep -qE ' __stack_chk_fail$' <<< "$symbols" && grep -qE ' __fprintf_chk$' <<< "$symbols" \
    && [[ $(readelf -l "$program") == *GNU_RELRO* ]] || fail "$program lacks a stack protector, checked calls or RELRO"
  local top
  top=$(check_archive "$dist/velodrive-$version-linux-$name.tar.gz" "$folder-static" \
        LICENSE README.md THIRD-PARTY-NOTICES.txt velodrive velodrive.1)
  env -u QEMU_LD_PREFIX scripts/smoke-run.sh "$top/velodrive"
  # The README's Download row for it names the oldest kernel the C library
  # inside accepts (its ELF note: "OS: Linux, ABI: 3.2.0").
  local kernel row
  kernel=$(readelf -n "$program" | sed -nE 's/.*OS: Linux, ABI: ([0-9]+\.[0-9]+)(\.0)?.*/\1/p')
  row=$(grep -F "velodrive-$version-linux-$name.tar.gz" README.md | grep '^|')
  grep -qF "Linux $kernel or later" <<< "$row" || fail "README's Download row for linux-$name must say Linux $kernel or later"
  echo "linux-$name: README asks for Linux $kernel or later, as its C library does"
  for cpu in ${cpus//,/ }; do
    [ "$cpu" = - ] || env -u QEMU_LD_PREFIX scripts/smoke-run.sh "qemu-$emulator-static" -cpu "$cpu" "$top/velodrive"
  done
  rm -rf "${top%/*}"
  # Its C library is the newest Debian 12 has for the architecture: not the
  # cross toolchain's, built once and never updated, whose source the
  # release cannot publish beside it.
  [ "$multiarch" != - ] || fail "linux-$name would link the cross toolchain's C library"
  local linked newest
  linked=$(python3 -c 'import json, sys; print([c["debian_version"] for c in json.load(open(sys.argv[1]))
                       if c["component"] == "glibc"][0])' "$folder-static/linked-components.json")
  newest=$(apt-cache policy "libc6-dev:$debian" | sed -n 's/^ *Candidate: //p')
  dpkg --compare-versions "$linked" ge "$newest" || fail "linux-$name links glibc $linked, older than $newest"
  echo "linux-$name: glibc $linked, Debian 12's newest"
}

# The rows two at a time, each writing to build/NAME.log, shown whole when
# it ends; this machine's row first and alone (a Windows row's suite runs
# its end-to-end test program).
declare -A running  # a running row's PID: its name
wait_one() {
  local pid status=0
  wait -n -p pid "${!running[@]}" || status=$?
  cat "build/${running[$pid]}.log"
  [ "$status" -eq 0 ] || fail "the ${running[$pid]} row failed (build/${running[$pid]}.log)"
  unset "running[$pid]"
}
trap 'kill $(jobs -p) 2> /dev/null || true' EXIT
for name in "${names[@]}"; do
  row "$name" > "build/$name.log" 2>&1 &
  running[$!]=$name
  [ "$name" != "$native_name" ] || wait_one
  while [ ${#running[@]} -ge 2 ]; do wait_one; done
done
while [ ${#running[@]} -gt 0 ]; do wait_one; done
[ -n "$whole" ] || exit 0

step "the release: sources, bill of materials, SHA256SUMS"
declare -A components  # a package's name: the linked-components.json of its program
for name in "${names[@]}"; do
  for folder in "build/$name" "build/$name-static"; do
    for file in "$folder"/packages/velodrive[-_]"$version"[-_]*; do
      [ ! -e "$file" ] || components[${file##*/}]=$folder/linked-components.json
    done
  done
done
git archive --format=tar --prefix="velodrive-$version/" HEAD | gzip -9n > "$dist/velodrive-$version.tar.gz"
# The complete source of the C library in the static programs, as Debian
# publishes it: glibc-source of the very version linked, from apt's cache
# or else from the archive.
for source_file in $(python3 -c '
import json, sys
print("\n".join(sorted({c["source_file"] for path in sys.argv[1:] for c in json.load(open(path))
                        if c.get("source_file")})))' "${components[@]}"); do
  cached=/var/cache/apt/archives/${source_file//:/%3a}
  if [ -e "$cached" ]; then
    cp "$cached" "$dist/$source_file"
  else
    source_version=${source_file#glibc-source_}
    (cd "$dist" && apt-get download -q "glibc-source=${source_version%_all.deb}") \
      || fail "cannot get $source_file, the source of the C library in the static programs"
  fi
done
bom=velodrive-$version.cdx.json
bom_arguments=()
for file in $(ls "$dist"); do
  bom_arguments+=("$dist/$file${components[$file]:+=${components[$file]}}")
done
python3 scripts/bill_of_materials.py "$dist/$bom" "$version" "$SOURCE_DATE_EPOCH" "${bom_arguments[@]}"
(cd "$dist" && sha256sum $(ls | LC_ALL=C sort) > SHA256SUMS.new && mv SHA256SUMS.new SHA256SUMS && cat SHA256SUMS)
[ -n "$checks" ] || exit 0

step "the release: its files"
# For every Linux row its Debian package and, where the row releases one,
# its static tarball; for every Windows row its zip; the sources, the C
# library's source the static programs' lists name, the bill of materials.
# The C library's source: each that a static program's notices name.
expected=("velodrive-$version.tar.gz" "$bom" SHA256SUMS $(for tarball in "$dist"/velodrive-"$version"-linux-*.tar.gz; do
  tar -xzOf "$tarball" --wildcards '*/THIRD-PARTY-NOTICES.txt' | grep -oE 'glibc-source_[^ ,]*_all\.deb'; done | sort -u))
while read -r name system debian static; do
  if [ "$system" = windows ]; then expected+=("velodrive-$version-$name.zip"); continue; fi
  expected+=("velodrive_${version}_$debian.deb")
  [ "$static" = - ] || expected+=("velodrive-$version-linux-$name.tar.gz")
done < <(scripts/targets.sh name system debian static)
diff <(printf '%s\n' "${expected[@]}" | LC_ALL=C sort) <(ls "$dist" | LC_ALL=C sort) || fail "build/dist is not the release"
(cd "$dist" && sha256sum --quiet -c SHA256SUMS)

step "the release: the bill of materials is valid CycloneDX 1.5 and lists every file"
validator=$(mktemp -d)
(cd "$validator" && npm install --silent --no-audit --no-fund @cyclonedx/cyclonedx-library@10.3.0 \
   ajv@8.17.1 ajv-formats@3.0.1 ajv-formats-draft2019@1.6.1 > npm.log 2>&1) \
  || { cat "$validator/npm.log"; fail "npm install failed"; }
NODE_PATH=$validator/node_modules node -e '
  const { Validation } = require("@cyclonedx/cyclonedx-library");
  const text = require("fs").readFileSync(process.argv[1], "utf8");
  new Validation.JsonStrictValidator("1.5").validate(text).then((errors) => {
    if (errors !== null) { console.error(JSON.stringify(errors, null, 2)); process.exit(1); }
    console.log(process.argv[1] + ": valid CycloneDX 1.5");
  });' "$dist/$bom"
rm -rf "$validator"
diff <(python3 -c 'import json, sys; print("\n".join(sorted(c["name"] for c in json.load(open(sys.argv[1]))["components"])))' \
       "$dist/$bom") <(ls "$dist" | grep -vxE "SHA256SUMS|$bom" | LC_ALL=C sort) || fail "$bom does not list the release"

step "the release: README's Download section offers every program, and no other"
download=$(awk '/^## / { inside = ($0 == "## Download") } inside' README.md)
diff <(grep -oE "velodrive[-_]${version//./\\.}[-_][A-Za-z0-9_.-]*\.(deb|tar\.gz|zip)" <<< "$download" | LC_ALL=C sort -u) \
     <(ls "$dist" | grep -E "^velodrive[-_]${version//./\\.}[-_].*\.(deb|tar\.gz|zip)$") \
  || fail "README's Download section and the release differ"
# No row offers a program for an ARMv6 board (Raspberry Pi 1, Zero) unless
# the table proves that program on the Pi Zero's processor (arm1176).
while read -r name debian cpus; do
  case ",$cpus," in *,arm1176,*) continue ;; esac
  if grep -E "linux-$name\.tar\.gz|_$debian\.deb" <<< "$download" | grep -iE 'ARMv6|Zero|Pi 1[^0-9]'; then
    fail "README's Download section offers the $name programs for an ARMv6 board"
  fi
done < <(scripts/targets.sh --where system=linux name debian cpus)

step "the release: README's first command builds and runs from the source tarball"
unpacked=$(unpack "$dist/velodrive-$version.tar.gz")
run_command=$(awk '/^```/ { block++; next } block == 1' README.md | sed -n 1p)
(cd "$unpacked/velodrive-$version" && bash -c "$run_command" > run.log 2>&1) \
  || { tail -n 40 "$unpacked/velodrive-$version/run.log"; fail "README's first command failed"; }
tail -n 2 "$unpacked/velodrive-$version/run.log"
test -z "$(ls "$unpacked/velodrive-$version" | grep -F velodrive-scratch)"
rm -rf "$unpacked"

step "the release: a second build of the same commit elsewhere, later, otherwise, gives the same bytes"
# It varies what Debian's reprotest varies that can be varied here: the
# path and the time, the umask, the time zone, the locale, HOME, and, where
# FUSE is at hand, the order in which the file system lists a folder.
second_root=$(mktemp -d)
mkdir "$second_root/clone" "$second_root/shuffled"
git clone --quiet . "$second_root/clone/velodrive"
second=$second_root/clone/velodrive
if disorderfs --shuffle-dirents=yes "$second_root/clone" "$second_root/shuffled" > /dev/null 2>&1; then
  second=$second_root/shuffled/velodrive
  echo "building in $second, listed in shuffled order by disorderfs"
fi
(cd "$second" && umask 0002 && export TZ=Pacific/Kiritimati LC_ALL=C.UTF-8 HOME=/nonexistent/second-build \
   && unset SOURCE_DATE_EPOCH && scripts/release.sh --no-checks > release.log 2>&1) \
  || { tail -n 40 "$second/release.log"; fail "the second build failed"; }
grep '^===' "$second/release.log"
differ=() programs=()
for name in "${names[@]}"; do
  for file in "$name/velodrive" "$name/velodrive.exe" "$name-static/velodrive"; do
    [ ! -e "build/$file" ] || programs+=("$file")
  done
done
for file in $(cd build && ls dist/*) "${programs[@]}"; do
  if cmp "build/$file" "$second/build/$file"; then echo "same: $file"; else differ+=("$file"); fi
done
for file in "${differ[@]}"; do diffoscope "build/$file" "$second/build/$file" | head -n 60 || true; done
[ ${#differ[@]} -eq 0 ] || fail "not reproducible: ${differ[*]}"
fusermount -u "$second_root/shuffled" 2> /dev/null || true
rm -rf "$second_root"
step "the release is in build/dist"
