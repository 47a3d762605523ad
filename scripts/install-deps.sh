#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the benchmarks
# need, when any of them is missing. Needs root (apt-get).
#
#   scripts/install-deps.sh         everything ./test.sh needs
#   scripts/install-deps.sh --demo  only what building the library and the
#                                   demo needs (./demo.sh)
set -euo pipefail

packages=(cmake ninja-build g++)
if [[ ${1:-} != --demo ]]; then
  # Tests and benchmarks (FFTW and KissFFT are the transform's yardsticks),
  # the Python module's tests, and the man pages' rendering check.
  packages+=(pkgconf libgtest-dev libgmock-dev libbenchmark-dev binutils libkissfft-dev libfftw3-dev
             python3 groff-base man-db)
  packages+=(clang libclang-rt-14-dev)  # the fuzz harnesses: clang 14 with libFuzzer and the sanitizers
  # The 32-bit Windows DLLs: the mingw-w64 cross compiler, and Wine to run
  # their tests (its 32-bit half comes from the i386 architecture).
  packages+=(g++-mingw-w64-i686 wine wine32:i386)
fi

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "installing: ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if [[ " ${missing[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  apt-get install -y -qq "${missing[@]}"
fi
