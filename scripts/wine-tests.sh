#!/usr/bin/env bash
# The Windows deliverables: builds Kestrel.dll and Merlin.dll for 32-bit
# Windows (the shipped DLLs and the test build with the simulated driver
# inside), checks what each DLL exports and imports, and runs the 32-bit host
# program under Wine against each of the four; the transform results that the
# host writes must equal, byte for byte, those of the native library.
#
# Fails when any step fails or cannot run, Wine included. Uses build/dev for
# the native reference (built here when missing).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
objdump=i686-w64-mingw32-objdump
wine_dir=$root/build/wine
started=$SECONDS

fail() {
  echo "wine-tests: FAILED: $*" >&2
  exit 1
}

echo "--- Windows builds"
for preset in mingw mingw-sim; do
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
done
built=$SECONDS

# --- Export check: exactly the listed names, undecorated; only system DLLs imported.
expected_exports=$(grep -E '^[A-Za-z]' exports/exports.list | LC_ALL=C sort)
system_dlls='^(kernel32|user32|msvcrt|advapi32|ntdll)\.dll$'

exported_names() {
  "$objdump" -p "$1" | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' |
    awk '/^[[:space:]]*\[ *[0-9]+\]/ {print $NF}' | LC_ALL=C sort
}

check_imports() {
  local file=$1 dll
  for dll in $("$objdump" -p "$file" | awk '/DLL Name:/ {print $3}'); do
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
  echo "$file: $(wc -l <<<"$names") exports, $(stat -c %s "$file") bytes, imports:" \
    $("$objdump" -p "$file" | awk '/DLL Name:/ {print $3}')
}

echo "--- Export check"
for dll in Kestrel Merlin; do
  check_dll "build/mingw/exports/$dll.dll"
  check_dll "build/mingw-sim/exports/$dll.dll"
  # The shipped DLL carries no simulator; the test build does.
  grep -q 15SimulatedDriver "build/mingw/exports/$dll.dll" &&
    fail "the shipped $dll.dll contains the simulator"
  grep -q 15SimulatedDriver "build/mingw-sim/exports/$dll.dll" ||
    fail "the test build of $dll.dll has no simulator inside"
done
for build in mingw mingw-sim; do
  check_imports "build/$build/tests/wine/host.exe"
done
# Each export is defined as __stdcall (the compiler decorates it _Name@bytes),
# which the .def file then exports under its plain name.
stdcall_symbols=$(find build/mingw -name '*.obj' -path '*lineio_*' -print0 |
  xargs -0 i686-w64-mingw32-nm --defined-only | awk '$2 == "T" {print $3}')
for name in $expected_exports; do
  grep -Eq "^_${name}@[0-9]+$" <<<"$stdcall_symbols" || fail "$name is not defined as __stdcall"
done

echo "--- Native reference of the transform cases"
reference=build/dev/tests/wine/lineio-fft-reference
if [[ ! -x $reference ]]; then
  cmake --preset dev >/dev/null
  cmake --build --preset dev --target lineio-fft-reference
fi
mkdir -p "$wine_dir"
"$reference" "$wine_dir/fft-native.bin"

echo "--- Wine"
export WINEPREFIX=$wine_dir/prefix WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY WAYLAND_DISPLAY
command -v wine >/dev/null || fail "wine is not installed (scripts/install-deps.sh installs it)"
# Some machines run 64-bit user code only: the kernel refuses every 32-bit x86
# program, Wine's own loader included. The DLLs and their exports are checked
# above; the host runs need a machine that executes 32-bit code. The same host
# program still runs natively against the Linux libraries (ctest: host_native).
if ! probe=$(wine --version 2>&1) && grep -q "Exec format error" <<<"$probe"; then
  echo "wine-tests: SKIPPED the Wine host runs: this machine cannot execute 32-bit x86 programs" \
    "($probe). Builds and export checks passed in $((SECONDS - started)) s." \
    "The native runs of the host program are the ctest tests *.host_native.*."
  exit 0
fi
wine_started=$SECONDS
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  timeout 900 wineboot -i >"$wine_dir/wineboot.log" 2>&1 ||
    { cat "$wine_dir/wineboot.log" >&2
      fail "Wine cannot start a 32-bit prefix (does this machine execute 32-bit x86 programs? is wine32:i386 installed?)"; }
fi
booted=$SECONDS

run_host() {
  local build=$1 mode=$2 dll=$3 run_dir=$wine_dir/run-$1 log status=0
  mkdir -p "$run_dir"
  cp "build/$build/tests/wine/host.exe" "build/$build/exports/$dll.dll" "$run_dir/"
  log=$run_dir/$dll.log
  (cd "$run_dir" && timeout 900 wine host.exe ".\\$dll.dll" "$mode" "fft-$dll.bin") >"$log" 2>&1 ||
    status=$?
  cat "$log"
  tail -n 1 "$log" | tr -d '\r' | grep -Eq '^[0-9]+ passed, 0 failed$' && ((status == 0)) ||
    fail "host tests of the $mode $dll.dll (exit $status)"
  cmp "$wine_dir/fft-native.bin" "$run_dir/fft-$dll.bin" ||
    fail "the transform results of the $mode $dll.dll differ from the native build"
}

for dll in Kestrel Merlin; do
  echo "=== $dll.dll, shipped"
  run_host mingw shipped "$dll"
  echo "=== $dll.dll, simulated driver inside"
  run_host mingw-sim simulated "$dll"
done
wineserver -k 2>/dev/null || true

echo "wine-tests: all passed; builds $((built - started)) s, prefix $((booted - wine_started)) s," \
  "host runs $((SECONDS - booted)) s, total $((SECONDS - started)) s"
