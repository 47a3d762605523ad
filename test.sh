#!/usr/bin/env bash
# Installs what is missing, builds everything with warnings as errors and runs
# every test: the normal build, then the whole suite again under
# AddressSanitizer and UndefinedBehaviorSanitizer, then the Windows DLLs
# under Wine.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh

for preset in dev asan; do
  echo "=== $preset: build"
  cmake --preset "$preset"
  cmake --build --preset "$preset"
  echo "=== $preset: test"
  ctest --preset "$preset"
done

# The interrupt service runs a thread of its own: ThreadSanitizer runs its
# tests (the build preset builds only their targets).
echo "=== tsan: build"
cmake --preset tsan
cmake --build --preset tsan
echo "=== tsan: test"
ctest --preset tsan

# The Windows DLLs: cross build, export check and the host tests under Wine.
echo "=== windows: build, export check, Wine tests"
scripts/wine-tests.sh

# The libFuzzer harnesses (clang): each runs a bounded number of executions
# from its checked-in seeds (fuzz/README.md says how to run them longer).
echo "=== fuzz: build"
cmake --preset fuzz
cmake --build --preset fuzz
echo "=== fuzz: test"
ctest --preset fuzz
echo "=== all tests passed"
