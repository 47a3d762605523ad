#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the benchmarks
# need, when any of them is missing. Needs root (apt-get).
#
#   scripts/install-deps.sh          everything ./test.sh needs
#   scripts/install-deps.sh --build  only what building the library and the
#                                    demo needs (no cross compiler, no Wine)
set -euo pipefail

packages=(cmake ninja-build g++ pkgconf libgtest-dev libgmock-dev libbenchmark-dev
          binutils libkissfft-dev libfftw3-dev python3)
# The 32-bit Windows DLLs: the mingw-w64 cross compiler, and Wine to run
# their tests (its 32-bit half comes from the i386 architecture).
if [[ ${1:-} != --build ]]; then
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
