#!/usr/bin/env bash
# The Windows deliverables: Kestrel.dll and Merlin.dll for 32-bit and 64-bit
# Windows, as shipped and in the test build with the simulated driver inside.
#
#   - builds them (presets mingw, mingw64, mingw-sim, mingw64-sim);
#   - checks what each DLL exports and imports, that every export of the
#     32-bit DLLs is defined as __stdcall, and that only the test builds carry
#     the simulator;
#   - under wine64: runs the 64-bit host program against each of the four
#     64-bit DLLs (its transform results must equal, byte for byte, those of
#     the native library), and the test suites built for 64-bit Windows
#     (ctest --preset mingw64-sim), so that platform/windows.cpp runs for real;
#   - under Wine's 32-bit loader, on a machine that executes 32-bit programs:
#     the 32-bit host program against each of the four 32-bit DLLs. Elsewhere
#     the 32-bit code runs under qemu-i386 instead (scripts/i686-tests.sh).
#   - makes and checks the zip of each architecture (cpack -G ZIP,
#     tests/packaging/check_windows_zip.sh), a host built from it run under
#     the loader of its architecture where there is one.
#
# Fails when any step fails or cannot run. Uses build/dev for the native
# reference (built here when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS

fail() {
  echo "wine-tests: FAILED: $*" >&2
  exit 1
}

wine64_loader=/usr/lib/wine/wine64 # Debian keeps it off the PATH
wine32_loader=/usr/lib/wine/wine
[[ -x $wine64_loader ]] || fail "wine64 is not installed (scripts/install-deps.sh installs it)"
runs_32bit=false
if scripts/runs-i386.sh; then
  runs_32bit=true
  [[ -x $wine32_loader ]] || fail "wine32:i386 is not installed (scripts/install-deps.sh installs it)"
fi

# The Wine prefixes are those of the test builds, where ctest's emulator
# (cmake/LineioMingw.cmake) finds them too.
prefix64=$PWD/build/mingw64-sim/wine-prefix
prefix32=$PWD/build/mingw-sim/wine-prefix
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY

# Creates a Wine prefix (some 15 s, on one core): started first, so that it
# overlaps the builds.
boot_prefix() {
  local loader=$1 prefix=$2 arch=$3
  [[ -f $prefix/system.reg ]] && return 0
  mkdir -p "$(dirname "$prefix")"
  WINEPREFIX=$prefix WINEARCH=$arch timeout 900 "$loader" wineboot -i >"$prefix.log" 2>&1 || {
    cat "$prefix.log" >&2
    return 1
  }
}
boot_prefix "$wine64_loader" "$prefix64" win64 &
boot64=$!

echo "--- Windows builds"
cmake --preset mingw >/dev/null
cmake --build --preset mingw
cmake --preset mingw64 >/dev/null
cmake --build --preset mingw64
cmake --preset mingw-sim >/dev/null
# Its DLLs are the simulated ones of the 32-bit zip, also where no 32-bit
# Wine runs them.
cmake --build --preset mingw-sim
cmake --preset mingw64-sim >/dev/null
cmake --build --preset mingw64-sim
built=$SECONDS

# --- Export check: exactly the listed names, undecorated; only system DLLs imported.
expected_exports=$(grep -E '^[A-Za-z]' exports/exports.list | LC_ALL=C sort)
system_dlls='^(kernel32|user32|msvcrt|advapi32|ntdll)\.dll$'

objdump_of() {
  case $1 in
    build/mingw64*) echo x86_64-w64-mingw32-objdump ;;
    *) echo i686-w64-mingw32-objdump ;;
  esac
}

exported_names() {
  "$(objdump_of "$1")" -p "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    awk '/^[[:space:]]*\[ *[0-9]+\]/ {print $NF}' | LC_ALL=C sort
}

imported_dlls() {
  "$(objdump_of "$1")" -p "$1" | awk '/DLL Name:/ {print $3}'
}

check_imports() {
  local file=$1 dll
  for dll in $(imported_dlls "$file"); do
    echo "$dll" | tr 'A-Z' 'a-z' | grep -Eq "$system_dlls" ||
      fail "$file imports $dll, which is not a Windows system DLL"
  done
}

check_dll() {
  local file=$1 names
  [[ -f $file ]] || fail "$file was not built"
  names=$(exported_names "$file")
  if [[ $names != "$expected_exports" ]]; then
    diff <(echo "$expected_exports") <(echo "$names") >&2 || true
    fail "$file does not export exactly the names of exports/exports.list"
  fi
  grep -q '@' <<<"$names" && fail "$file exports a decorated name"
  check_imports "$file"
  echo "$file: $(wc -l <<<"$names") exports, $(stat -c %s "$file") bytes, imports:" $(imported_dlls "$file")
}

echo "--- Export check"
test_builds=(mingw64-sim)
$runs_32bit && test_builds+=(mingw-sim)
for dll in Kestrel Merlin; do
  for build in mingw mingw64; do
    check_dll "build/$build/exports/$dll.dll"
    # The shipped DLL carries no simulator.
    grep -q 15SimulatedDriver "build/$build/exports/$dll.dll" &&
      fail "the shipped build/$build/exports/$dll.dll contains the simulator"
    # Nor the PCI console, which only pcidiag and the tests link.
    grep -q "Edit PCI configuration registers" "build/$build/exports/$dll.dll" &&
      fail "the shipped build/$build/exports/$dll.dll contains the PCI console"
  done
  for build in "${test_builds[@]}"; do
    check_dll "build/$build/exports/$dll.dll"
    grep -q 15SimulatedDriver "build/$build/exports/$dll.dll" ||
      fail "the test build build/$build/exports/$dll.dll has no simulator inside"
  done
done
for build in mingw-sim mingw64-sim; do
  check_imports "build/$build/tests/wine/host.exe"
  echo "build/$build/tests/wine/host.exe imports:" $(imported_dlls "build/$build/tests/wine/host.exe")
done
# Each export of the 32-bit DLLs is defined as __stdcall (the compiler
# decorates it _Name@bytes), which the .def file then exports under its plain
# name.
stdcall_symbols=$(find build/mingw -name '*.obj' -path '*lineio_*' -print0 |
  xargs -0 i686-w64-mingw32-nm --defined-only | awk '$2 == "T" {print $3}')
for name in $expected_exports; do
  grep -Eq "^_${name}@[0-9]+$" <<<"$stdcall_symbols" || fail "$name is not defined as __stdcall"
done
echo "every export of the 32-bit DLLs is defined as __stdcall"

echo "--- Native reference of the transform cases"
reference=build/dev/tests/wine/lineio-fft-reference
if [[ ! -x $reference ]]; then
  cmake --preset dev >/dev/null
  cmake --build --preset dev --target lineio-fft-reference
fi
wine_dir=build/wine
mkdir -p "$wine_dir"
"$reference" "$wine_dir/fft-native.bin"

# The host program against one DLL, in a directory of its own; its last line
# must be "N passed, 0 failed" and its transform results those of the native
# library.
run_host() {
  local loader=$1 prefix=$2 host_build=$3 dll_build=$4 mode=$5 dll=$6
  local run_dir=$wine_dir/run-$dll_build log status=0
  mkdir -p "$run_dir"
  cp "build/$host_build/tests/wine/host.exe" "build/$dll_build/exports/$dll.dll" "$run_dir/"
  log=$run_dir/$dll.log
  (cd "$run_dir" && WINEPREFIX=$prefix timeout 900 "$loader" host.exe ".\\$dll.dll" "$mode" "fft-$dll.bin") \
    >"$log" 2>&1 || status=$?
  cat "$log"
  tail -n 1 "$log" | tr -d '\r' | grep -Eq '^[0-9]+ passed, 0 failed$' && ((status == 0)) ||
    fail "host tests of build/$dll_build/exports/$dll.dll (exit $status)"
  cmp "$wine_dir/fft-native.bin" "$run_dir/fft-$dll.bin" ||
    fail "the transform results of build/$dll_build/exports/$dll.dll differ from the native build"
  echo "transform results equal the native build's"
}

# The host program against both boards' DLLs of one architecture, each as
# shipped (build <shipped>) and with the simulated driver inside (<simulated>).
run_hosts() {
  local arch=$1 loader=$2 prefix=$3 simulated=$4 shipped=$5 dll
  for dll in Kestrel Merlin; do
    echo "=== $arch $dll.dll, shipped"
    run_host "$loader" "$prefix" "$simulated" "$shipped" shipped "$dll"
    echo "=== $arch $dll.dll, simulated driver inside"
    run_host "$loader" "$prefix" "$simulated" "$simulated" simulated "$dll"
  done
}

echo "--- wine64: the 64-bit host program"
wait "$boot64" || fail "Wine cannot create a 64-bit prefix in $prefix64"
booted=$SECONDS
run_hosts x64 "$wine64_loader" "$prefix64" mingw64-sim mingw64
hosts64=$SECONDS

# The zips for Windows hosts (cpack -G ZIP): contents, import libraries,
# version resources, the CMake package, and a host built from the zip run
# against its DLLs (tests/packaging/check_windows_zip.sh).
version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/mingw/CMakeCache.txt)
echo "--- The x64 zip"
tests/packaging/check_windows_zip.sh build/mingw64 build/mingw64-sim x86_64-w64-mingw32 "$version" \
  "$wine64_loader" "$prefix64"
zips=$SECONDS

echo "--- wine64: the test suites built for 64-bit Windows"
ctest --preset mingw64-sim
suites64=$SECONDS
WINEPREFIX=$prefix64 /usr/lib/wine/wineserver64 -k 2>/dev/null || true

if $runs_32bit; then
  echo "--- Wine, 32-bit: the 32-bit host program"
  boot_prefix "$wine32_loader" "$prefix32" win32 ||
    fail "Wine cannot create a 32-bit prefix in $prefix32 (is wine32:i386 installed?)"
  run_hosts x86 "$wine32_loader" "$prefix32" mingw-sim mingw
  echo "--- The 32-bit zip"
  tests/packaging/check_windows_zip.sh build/mingw build/mingw-sim i686-w64-mingw32 "$version" \
    "$wine32_loader" "$prefix32"
  WINEPREFIX=$prefix32 /usr/lib/wine/wineserver -k 2>/dev/null || true
  hosts32="32-bit host runs and zip $((SECONDS - suites64)) s"
else
  echo "--- The 32-bit zip"
  tests/packaging/check_windows_zip.sh build/mingw build/mingw-sim i686-w64-mingw32 "$version"
  hosts32="no 32-bit host runs: this machine executes 64-bit programs only (the 32-bit code runs under qemu-i386)"
fi

echo "wine-tests: all passed; builds $((built - started)) s, 64-bit host runs $((hosts64 - booted)) s" \
  "(prefix ready $((booted - started)) s after the start), x64 zip $((zips - hosts64)) s," \
  "test suites $((suites64 - zips)) s," \
  "$hosts32; total $((SECONDS - started)) s"
