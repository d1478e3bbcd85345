#!/usr/bin/env bash
# lint.sh CHECK BUILD_DIR: one of the checks the tests make of the sources
# themselves (tests/CMakeLists.txt), run in a git checkout; BUILD_DIR is a
# build with compile_commands.json. Exits 77, which the tests read as
# skipped, when the tool a check needs is not installed.
#   format      clang-format finds nothing to change
#   tidy        clang-tidy, the Windows files as clang sees them for mingw-w64
#   cppcheck    cppcheck, each platform's files on their own (both define
#               the same opaque types)
#   links       every relative Markdown link leads to a file and heading
#   messages    the README's exit-status table names every text velodrive prints
#   licensing   every file says its copyright and license (reuse lint)
set -euo pipefail
check=$1
build=$(realpath "$2")
cd "$(dirname "$0")/.."
needs() {
  command -v "$1" > /dev/null || { echo "skipped: $1 is not installed"; exit 77; }
}
files() { git ls-files "$@"; }
case $check in
  format)
    needs clang-format
    files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror ;;
  tidy)
    needs clang-tidy
    files 'src/*.cpp' | grep -v '_win32\.cpp$' | xargs -P 2 -n 1 clang-tidy --quiet -p "$build"
    # As the first Windows row's compiler sees them.
    triplet=$(scripts/targets.sh --where system=windows triplet | head -n 1)
    mingw_cxx=$(ls -d "/usr/lib/gcc/$triplet"/*-posix/include/c++ 2> /dev/null | head -n 1)
    [ -n "$mingw_cxx" ] || { echo "skipped: mingw-w64's C++ headers are not installed"; exit 77; }
    clang-tidy --quiet $(files 'src/*_win32.cpp') -- "--target=$triplet" -std=c++17 \
      -Isrc -D_WIN32_WINNT=0x0601 -D__USE_MINGW_ANSI_STDIO=1 -isystem "$mingw_cxx" \
      -isystem "$mingw_cxx/$triplet" -isystem "/usr/$triplet/include" ;;
  cppcheck)
    needs cppcheck
    flags=(--enable=warning,style,performance,portability --std=c++17 --language=c++
      --error-exitcode=1 --inline-suppr --quiet -I src)
    cppcheck "${flags[@]}" $(files 'src/*.cpp' | grep -v '_win32\.cpp$')
    cppcheck "${flags[@]}" -D_WIN32 $(files 'src/*_win32.cpp') ;;
  links)
    python3 scripts/check-markdown-links.py ;;
  messages)
    python3 scripts/check-exit-table.py ;;
  licensing)
    needs reuse
    reuse lint ;;
  *)
    echo "lint.sh: no check named $check" >&2
    exit 2 ;;
esac
