#!/usr/bin/env bash
# The library's 32-bit code, executed under qemu-i386 whatever the kernel
# runs: the 32-bit x86 Linux build (preset i686-linux) compiles with the
# flags of the 32-bit DLLs (SSE2 doubles, no fused multiply-add) and gives
# every export their __stdcall convention.
#
#   - ctest --preset i686-linux runs every test suite, the bus analyser's
#     example scripts (each output compared with its .expected file), and the
#     host program against the 32-bit libraries with its stack check on every
#     call, once more with an export declared with a wrong argument size,
#     which must fail;
#   - the analysers' outputs and the transform reference's bytes are then
#     compared with those of the x86-64 build (build/dev, built here when
#     missing).
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS

fail() {
  echo "i686-tests: FAILED: $*" >&2
  exit 1
}
command -v qemu-i386 >/dev/null || fail "qemu-i386 is not installed (scripts/install-deps.sh installs qemu-user)"

echo "--- i686 Linux build"
cmake --preset i686-linux >/dev/null
cmake --build --preset i686-linux
built=$SECONDS

echo "--- under qemu-i386: test suites, analyser examples, host program"
ctest --preset i686-linux
tested=$SECONDS

echo "--- byte for byte against the x86-64 build"
native=build/dev
if [[ ! -x $native/tests/wine/lineio-fft-reference || ! -d $native/tests/trace ]]; then
  cmake --preset dev >/dev/null
  cmake --build --preset dev --target lineio-fft-reference lineio-trace-kestrel lineio-trace-merlin
fi
out=build/i686-linux/compare
mkdir -p "$out"
# Same sysroot as ctest's emulator (cmake/toolchain-i686-linux.cmake).
qemu=(qemu-i386 -L /usr/i686-linux-gnu -E LD_LIBRARY_PATH=/usr/i686-linux-gnu/lib)
"${qemu[@]}" build/i686-linux/tests/wine/lineio-fft-reference "$out/fft-i686.bin"
"$native/tests/wine/lineio-fft-reference" "$out/fft-x86-64.bin"
cmp "$out/fft-x86-64.bin" "$out/fft-i686.bin" || fail "the i686 transform results differ from x86-64's"
echo "transform results: $(stat -c %s "$out/fft-i686.bin") bytes, equal"

scripts=0
for board in kestrel merlin; do
  for script in tests/trace/$board/*.script; do
    name=$(basename "$script" .script)
    status_i686=0 status_native=0
    "${qemu[@]}" "build/i686-linux/tools/trace/lineio-trace-$board" "$script" \
      >"$out/$board-$name.i686" 2>&1 || status_i686=$?
    "$native/tools/trace/lineio-trace-$board" "$script" >"$out/$board-$name.x86-64" 2>&1 || status_native=$?
    cmp "$out/$board-$name.x86-64" "$out/$board-$name.i686" ||
      fail "the i686 analyser prints another output for $script"
    ((status_i686 == status_native)) ||
      fail "the i686 analyser ends $script with status $status_i686, x86-64 with $status_native"
    scripts=$((scripts + 1))
  done
done
echo "analyser outputs of $scripts example scripts (standard output and error, exit status): equal"

echo "i686-tests: all passed; build $((built - started)) s, tests $((tested - built)) s," \
  "comparison $((SECONDS - tested)) s, total $((SECONDS - started)) s"
