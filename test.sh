#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors and runs
# every test: the normal build and the check of layout and names, then the whole suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer and the interrupt tests
# under ThreadSanitizer; then the Windows DLLs (64-bit ones under wine64, the
# 32-bit ones under Wine where the machine runs 32-bit programs), and the
# library's 32-bit code under qemu-i386; then the Linux backend, the shipped
# libraries and pcidiag on a real Debian kernel in a QEMU guest whose PCI
# devices are all emulated (scripts/kernel-tests.sh). Ends with the time of
# each stage.
set -euo pipefail
cd "$(dirname "$0")"
started=$SECONDS
stage_times=()

# Runs one stage and notes its time.
stage() {
  local name=$1 begun=$SECONDS
  shift
  "$@"
  stage_times+=("$name $((SECONDS - begun)) s")
}

preset_stage() {
  local preset=$1
  echo "=== $preset: build"
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  echo "=== $preset: test"
  ctest --preset "$preset"
}

stage install scripts/install-deps.sh
stage dev preset_stage dev
# Layout and names: .clang-format and clang-tidy's naming check on every
# source (the dev build's compile commands say how each is compiled).
echo "=== style: layout and names"
stage style scripts/style-check.sh
stage asan preset_stage asan
# The interrupt service runs a thread of its own: ThreadSanitizer runs its
# tests (the build preset builds only their targets).
stage tsan preset_stage tsan

echo "=== windows: builds, export and import checks, Wine runs"
stage windows scripts/wine-tests.sh
echo "=== i686: the 32-bit code under qemu-i386"
stage i686 scripts/i686-tests.sh
echo "=== kernel: the Linux backend on a real kernel in a QEMU guest"
stage kernel scripts/kernel-tests.sh
# The libFuzzer harnesses (clang): each runs a bounded number of executions
# from its checked-in seeds (fuzz/README.md says how to run them longer).
stage fuzz preset_stage fuzz

echo "=== all tests passed in $((SECONDS - started)) s: ${stage_times[*]/%/,}" | sed 's/,$//'
