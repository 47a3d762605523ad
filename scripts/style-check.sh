#!/usr/bin/env bash
# The code's layout and names as .clang-format and .clang-tidy define them:
# fails on any source that clang-format would change and on any name that
# clang-tidy's naming check refuses. Reads the compile commands of the dev
# build (build/dev), which must exist; the fuzz harnesses are checked with the
# same flags, the Windows-only sources with the x64 mingw target.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

mapfile -t sources < <(git ls-files '*.c' '*.cpp' '*.h')
clang-format --dry-run --Werror "${sources[@]}"
echo "style-check: ${#sources[@]} sources laid out as .clang-format says"

[[ -f build/dev/compile_commands.json ]] || { echo "style-check: build/dev has no compile commands" >&2; exit 1; }
# Every translation unit of the dev build, its headers with it.
run-clang-tidy -p build/dev -quiet -j "$(nproc)" "^$root/" >/tmp/lineio-tidy.$$ 2>&1 ||
  { grep -E "error:|warning:" /tmp/lineio-tidy.$$ >&2; rm -f /tmp/lineio-tidy.$$; exit 1; }
rm -f /tmp/lineio-tidy.$$

# The fuzz harnesses, which only the fuzz build (clang) compiles.
mapfile -t fuzzers < <(git ls-files 'fuzz/*.cpp')
clang-tidy --quiet "${fuzzers[@]}" -- -std=c++20 -I. -Iinclude

# The sources that only the Windows builds compile.
cxx=/usr/lib/gcc/x86_64-w64-mingw32/12-posix/include/c++
windows_only=(platform/windows.cpp platform/windows_trace_output.cpp)
clang-tidy --quiet "${windows_only[@]}" -- --target=x86_64-w64-mingw32 -std=c++20 -I. -Iinclude \
  -isystem "$cxx" -isystem "$cxx/x86_64-w64-mingw32"
echo "style-check: names as .clang-tidy says in every source the dev build compiles, the fuzz harnesses and ${windows_only[*]}"
