#!/usr/bin/env bash
# Installs the Debian packages that the build, the tests and the benchmarks
# need, when any of them is missing. Needs root (apt-get).
#
#   scripts/install-deps.sh         everything ./test.sh needs
#   scripts/install-deps.sh --demo  only what building the library and the
#                                   demo needs (./demo.sh)
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(cmake ninja-build g++)
# Tests and benchmarks (FFTW and KissFFT are the transform's yardsticks), the
# Python package's tests (pytest, numpy, mypy; pip's build backend and the
# wheel's builder), the man pages' rendering check, the check of layout and
# names, and the packages (dpkg-shlibdeps, lintian; llvm-dlltool for the MSVC
# import libraries of the Windows zips).
if [[ ${1:-} != --demo ]]; then
  packages+=(pkgconf libgtest-dev libgmock-dev libbenchmark-dev binutils libkissfft-dev libfftw3-dev
             python3 groff-base man-db clang-format clang-tidy dpkg-dev file llvm-14 lintian)
  packages+=(python3-pytest python3-numpy mypy python3-setuptools python3-wheel python3-venv python3-build)
  packages+=(clang libclang-rt-14-dev)  # the fuzz harnesses: clang 14 with libFuzzer and the sanitizers
  # The waveform and picture checks: sigrok-cli decodes the dumps, rsvg-convert renders the demo's SVG.
  packages+=(sigrok-cli librsvg2-bin)
fi
# The cross builds and what runs them, without the packages these merely
# recommend (qemu-user's would hand every 32-bit program to qemu):
#   the Windows DLLs: mingw-w64 for 32-bit and 64-bit Windows (the posix
#   thread model, which the toolchain files take), and Wine, whose
#   64-bit loader (wine64) runs the 64-bit host program and test suites;
#   the 32-bit code: the i686 Linux cross compiler and qemu-i386 (qemu-user);
#   the kernel lab: qemu-system-x86 and busybox-static (the kernel itself is
#   taken from Debian's kernel package by scripts/kernel-tests.sh);
#   Wine's 32-bit half, from the i386 architecture, only on a machine that
#   executes 32-bit programs: elsewhere it could not run.
cross=()
if [[ ${1:-} != --demo ]]; then
  cross=(g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix wine wine64 qemu-user g++-i686-linux-gnu)
  cross+=(qemu-system-x86 busybox-static)
  if scripts/runs-i386.sh; then
    cross+=(wine32:i386)
  else
    echo "install-deps: this machine executes 64-bit programs only: no i386 architecture, no 32-bit Wine"
  fi
fi

missing_of() {
  local p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || echo "$p"
  done
}
mapfile -t missing < <(missing_of "${packages[@]}")
mapfile -t missing_cross < <(missing_of "${cross[@]}")
if ((${#missing[@]} + ${#missing_cross[@]})); then
  echo "installing: ${missing[*]} ${missing_cross[*]}"
  export DEBIAN_FRONTEND=noninteractive
  if [[ " ${missing_cross[*]} " == *":i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  apt-get update -qq
  if ((${#missing[@]})); then
    apt-get install -y -qq "${missing[@]}"
  fi
  if ((${#missing_cross[@]})); then
    apt-get install -y -qq --no-install-recommends "${missing_cross[@]}"
  fi
fi
