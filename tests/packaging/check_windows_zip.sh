#!/usr/bin/env bash
# A Windows zip, as the developer of a Windows host gets it:
#   1. cpack -G ZIP in the shipped build (build/mingw, build/mingw64) makes
#      lineio-<version>-win32.zip / -win64.zip, with the simulated DLLs of the
#      matching test build in sim/;
#   2. its contents: exactly expected/windows-zip.txt and the reference pages,
#      under one top folder; the DLLs and .def files are the shipped build's,
#      the simulated DLLs the test build's;
#   3. the import libraries: a program that takes the address of each of the
#      37 exports declared by lineio.h links with Kestrel.lib and with
#      pkg-config's flags (-lKestrel: libKestrel.dll.a), the linker's stdcall
#      fix-up off, and imports from Kestrel.dll exactly the 37 plain names;
#   4. the version resource of every DLL carries the project version;
#   5. the CMake package: find_package(lineio 1 REQUIRED COMPONENTS kestrel
#      merlin) with the mingw toolchain, hosts linked to both targets;
#   6. given a loader (wine64, or Wine's 32-bit loader): a C host built
#      through pkg-config runs against bin/Kestrel.dll (no driver) and against
#      sim/Kestrel.dll (the simulated board), each copied beside it.
#
#   check_windows_zip.sh BUILD_DIR SIM_BUILD_DIR TRIPLE VERSION [LOADER WINEPREFIX]
set -euo pipefail
build=$(cd "$1" && pwd) sim_build=$(cd "$2" && pwd) triple=$3 version=$4 loader=${5:-} wine_prefix=${6:-}
here=$(cd "$(dirname "$0")" && pwd)
source=$(cd "$here/../.." && pwd)
work=$build/zip-check
case $triple in
  i686-*) system=win32 stdcall=true ;;
  *) system=win64 stdcall=false ;;
esac
top=lineio-$version-$system
zip=$work/$top.zip

fail() {
  echo "check-windows-zip: FAILED ($system): $*" >&2
  exit 1
}

rm -rf "$work"
mkdir -p "$work"
cpack -G ZIP --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  fail "cpack -G ZIP"$'\n'"$(cat "$work/cpack.log")"
[[ -f $zip ]] || fail "cpack made no $zip"

# --- Contents.
expected=$(
  cat "$here/expected/windows-zip.txt"
  cd "$source/docs" && ls ./*.md | sed 's|^\./|share/doc/lineio/|'
)
expected=$(sed "s|^|$top/|" <<<"$expected" | LC_ALL=C sort)
listed=$(cd "$work" && cmake -E tar tf "$zip" | grep -v '/$' | LC_ALL=C sort)
if [[ $listed != "$expected" ]]; then
  diff <(echo "$expected") <(echo "$listed") >&2 || true
  fail "$zip does not hold exactly the files of expected/windows-zip.txt (< expected, > zipped)"
fi
(cd "$work" && cmake -E tar xf "$zip")
tree=$work/$top
for dll in Kestrel Merlin; do
  cmp "$build/exports/$dll.dll" "$tree/bin/$dll.dll" || fail "bin/$dll.dll is not the one of $build"
  cmp "$sim_build/exports/$dll.dll" "$tree/sim/$dll.dll" || fail "sim/$dll.dll is not the one of $sim_build"
  cmp "$build/$dll.def" "$tree/lib/$dll.def" || fail "lib/$dll.def is not the one of $build"
done
grep -q "WinDLL" "$tree/README.txt" && grep -q "GetProcAddress" "$tree/README.txt" ||
  fail "README.txt says nothing of WinDLL or GetProcAddress"

# --- Import libraries.
mapfile -t names < <(grep -E '^[A-Za-z]' "$source/exports/exports.list")
{
  echo '#include <lineio.h>'
  echo 'void* const Exports[] = {'
  printf '  (void*)&%s,\n' "${names[@]}"
  echo '};'
  echo 'int main(void) { return Exports[0] == 0; }'
} >"$work/all_exports.c"
link_flags=(-static)
$stdcall && link_flags+=(-Wl,--disable-stdcall-fixup)
imports_from() {
  "$triple-objdump" -p "$1" | awk -v dll="$2" '
    /DLL Name:/ { inside = ($3 == dll); next }
    inside && /^$/ { inside = 0 }
    inside && $1 ~ /^[0-9a-f]+$/ && NF == 3 { print $3 }' | LC_ALL=C sort
}
pc_flags() { PKG_CONFIG_PATH=$tree/lib/pkgconfig PKG_CONFIG_LIBDIR=/nonexistent pkg-config --cflags --libs "$1"; }
expected_imports=$(printf '%s\n' "${names[@]}" | LC_ALL=C sort)
for how in msvc mingw; do
  if [[ $how == msvc ]]; then
    flags=(-I"$tree/include" "$tree/lib/Kestrel.lib")
  else
    read -r -a flags <<<"$(pc_flags kestrel)"
  fi
  "$triple-gcc" -std=c11 -o "$work/all-$how.exe" "$work/all_exports.c" "${flags[@]}" "${link_flags[@]}" \
    >"$work/link.log" 2>&1 || fail "a host does not link with the $how import library"$'\n'"$(cat "$work/link.log")"
  [[ $(imports_from "$work/all-$how.exe" Kestrel.dll) == "$expected_imports" ]] ||
    fail "a host linked with the $how import library does not import the 37 plain names from Kestrel.dll:"$'\n'"$(imports_from "$work/all-$how.exe" Kestrel.dll)"
done
if $stdcall; then
  # The symbols a 32-bit host refers to: _PortInit@4 and its import pointer.
  msvc_symbols=$(llvm-nm-14 "$tree/lib/Kestrel.lib" 2>/dev/null || llvm-nm "$tree/lib/Kestrel.lib")
  grep -q ' T _PortInit@4$' <<<"$msvc_symbols" && grep -q ' T __imp__PortOut@8$' <<<"$msvc_symbols" ||
    fail "Kestrel.lib does not offer _PortInit@4 and __imp__PortOut@8"
fi
echo "import libraries: a host links with Kestrel.lib and with -lKestrel and imports the 37 plain names"

# --- Version resources.
IFS=. read -r major minor patch <<<"$version"
for dll in bin/Kestrel.dll bin/Merlin.dll sim/Kestrel.dll sim/Merlin.dll; do
  resource=$("$triple-windres" -i "$tree/$dll" -O rc) || fail "windres cannot read the resources of $dll"
  for line in "FILEVERSION $major, $minor, $patch, 0" "PRODUCTVERSION $major, $minor, $patch, 0" \
    "VALUE \"FileVersion\", \"$version\"" "VALUE \"ProductVersion\", \"$version\"" \
    "VALUE \"OriginalFilename\", \"$(basename "$dll")\""; do
    grep -qF "$line" <<<"$resource" || fail "the version resource of $dll has no $line:"$'\n'"$resource"
  done
  case $dll in
    sim/*) grep -q '"SpecialBuild", "simulated' <<<"$resource" || fail "$dll does not say it is a test build" ;;
    *) grep -q 'SpecialBuild' <<<"$resource" && fail "$dll says it is a test build" ;;
  esac
done
echo "version resources: $version in all four DLLs"

# --- The CMake package, both components, with the mingw toolchain.
cmake -S "$source/tests/exports/consumer" -B "$work/cmake-host" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$source/cmake/toolchain-${triple%%-*}-mingw.cmake" -Dlineio_DIR="$tree/lib/cmake/lineio" \
  >"$work/cmake-host.log" 2>&1 && cmake --build "$work/cmake-host" >>"$work/cmake-host.log" 2>&1 ||
  fail "find_package(lineio COMPONENTS kestrel merlin) with the mingw toolchain"$'\n'"$(cat "$work/cmake-host.log")"
for board in kestrel merlin; do
  dll=$([[ $board == kestrel ]] && echo Kestrel.dll || echo Merlin.dll)
  [[ -n $(imports_from "$work/cmake-host/host-$board.exe" "$dll") ]] ||
    fail "the CMake host of $board imports nothing from $dll"
done
echo "CMake package: hosts of lineio::kestrel and lineio::merlin built"

# --- A host against the DLLs, when there is a loader.
if [[ -z $loader ]]; then
  echo "check-windows-zip: $zip ($(stat -c %s "$zip") bytes) checked (no run: no loader for $system programs here)"
  exit 0
fi
read -r -a flags <<<"$(pc_flags kestrel)"
"$triple-gcc" -std=c11 -Wall -Wextra -Werror -o "$work/host.exe" "$here/session_host.c" "${flags[@]}" \
  "${link_flags[@]}" >"$work/link.log" 2>&1 || fail "the C host does not build"$'\n'"$(cat "$work/link.log")"
run_host() {
  local folder=$1 expected=$2 run=$work/run-$1 output
  mkdir -p "$run"
  cp "$work/host.exe" "$tree/$folder/Kestrel.dll" "$run/"
  output=$(cd "$run" && WINEPREFIX=$wine_prefix timeout 300 "$loader" host.exe 2>&1 | tr -d '\r') ||
    fail "host.exe against $folder/Kestrel.dll"$'\n'"$output"
  [[ $output == "$expected" ]] ||
    fail "host.exe against $folder/Kestrel.dll printed:"$'\n'"$output"$'\n'"expected:"$'\n'"$expected"
}
run_host bin $'Cannot open WinDriver device\nhost: no driver'
run_host sim $'DOVEVED PCI card found!\nhost: PortOut(16, 0x1a5) = 16\nhost: PortQinp(16) = 0x1a5
host: ExchgLine(0, "A5123489AB") = 0\nhost: PortEnd() = 1'
echo "check-windows-zip: $zip ($(stat -c %s "$zip") bytes) checked; a host built through pkg-config ran" \
  "against bin/ and sim/"
