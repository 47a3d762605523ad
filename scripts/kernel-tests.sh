#!/usr/bin/env bash
# The kernel lab (tests/kernel/README.md): the Linux backend, the shipped
# libraries and pcidiag on a real Debian kernel in a QEMU guest, whose PCI
# functions are all emulated, so that nothing of this machine's own bus is
# touched.
#
#   - installs what is missing (qemu-system-x86, busybox-static);
#   - takes the kernel and the modules the machines need out of the current
#     Debian kernel package, without installing it, once per machine
#     (cached in $LINEIO_KERNEL_CACHE, by default /var/cache/lineio-kernel-lab);
#   - builds what the guest runs (preset dev: the shipped libraries, pcidiag,
#     the host program, the lab's test program) and an initramfs with them,
#     their loader and libraries, busybox and the cases;
#   - boots each machine of tests/kernel/machines.sh once under TCG, prints
#     each case's line and ends with "N passed, N failed" (exit status 1
#     when a case failed or a guest did not finish).
set -euo pipefail
cd "$(dirname "$0")/.."
started=$SECONDS

# One per machine, outside the repository: /var/cache for root, else the
# user's cache.
if [[ -n ${LINEIO_KERNEL_CACHE:-} ]]; then
  cache=$LINEIO_KERNEL_CACHE
elif [[ -w /var/cache ]]; then
  cache=/var/cache/lineio-kernel-lab
else
  cache=${XDG_CACHE_HOME:-$HOME/.cache}/lineio-kernel-lab
fi
work=build/dev/kernel-lab
# Longest a guest may run; a hung guest then counts as failed.
guest_limit=150
lab_targets=(kestrel merlin pcidiag lineio-linux-abi-host lineio-lab-interrupts)
# The marker of the guest's kernel command line by which its test programs
# know it (platform/linux/real_bus_guard.h).
lab_marker=lineio.kernel_lab=1

fail() {
  echo "kernel-tests: FAILED: $*" >&2
  echo "0 passed, 1 failed"
  exit 1
}

# shellcheck source=tests/kernel/machines.sh
source tests/kernel/machines.sh

install_missing() {
  local missing=() package
  for package in qemu-system-x86 busybox-static; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
  done
  ((${#missing[@]} == 0)) && return 0
  echo "--- installing ${missing[*]}"
  apt-get -o DPkg::Lock::Timeout=600 update -qq >/dev/null
  DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}

# The current kernel image package of Debian (linux-image-amd64 depends on
# it) and its version, from apt's lists.
resolve_kernel() {
  kernel_package=$(apt-cache depends linux-image-amd64 2>/dev/null |
    awk '/Depends: linux-image-[0-9]/ { print $2; exit }')
  kernel_version=
  [[ -n $kernel_package ]] || return 1
  kernel_version=$(apt-cache policy "$kernel_package" | awk '/Candidate:/ { print $2 }')
  [[ -n $kernel_version && $kernel_version != "(none)" ]] || return 1
  kernel_release=${kernel_package#linux-image-}
  kernel_dir=$cache/${kernel_package}_$kernel_version
}

# Resolves the kernel; with lists that are missing, or so old that their
# version is gone from the archive, once more after reading them again.
resolve_kernel_fresh() {
  if ! resolve_kernel; then
    apt-get -o DPkg::Lock::Timeout=600 update -qq >/dev/null
    resolve_kernel || fail "apt-cache names no kernel image package for linux-image-amd64"
  fi
}

# Downloads the kernel package into $scratch ($deb).
download_kernel() {
  echo "--- downloading $kernel_package $kernel_version"
  if ! (cd "$scratch" && apt-get download -qq "$kernel_package=$kernel_version" 2>/dev/null); then
    apt-get -o DPkg::Lock::Timeout=600 update -qq >/dev/null
    (cd "$scratch" && apt-get download -qq "$kernel_package=$kernel_version" 2>/dev/null) ||
      fail "apt-get download $kernel_package=$kernel_version failed"
  fi
  deb=$(ls "$scratch"/*.deb)
}

# The uncompressed kernel: PVH boots it directly, twice as fast as the
# bzImage under TCG. The bzImage carries it as an xz stream.
unpack_vmlinux() {
  python3 - "$1" "$2" <<'EOF'
import lzma, sys
image = open(sys.argv[1], "rb").read()
start = image.find(b"\xfd7zXZ\x00")
if start < 0:
    sys.exit("no xz stream in " + sys.argv[1])
open(sys.argv[2], "wb").write(lzma.LZMADecompressor().decompress(image[start:]))
EOF
}

# Takes what the machines need out of the package into the cache, only what
# is not there yet: vmlinux and each module (modules/PATH.ko). The package is
# not kept, nor are the kernels of earlier versions.
fill_cache() {
  mkdir -p "$kernel_dir"
  exec 8>"$cache/.lock"
  flock 8
  local wanted=() path machine deb scratch
  for machine in "${LAB_MACHINES[@]}"; do
    "machine_$machine"
    for path in "${MODULES[@]}"; do
      path=./lib/modules/$kernel_release/kernel/$path.ko
      # once each: tar reports a member named twice as not found
      [[ -f $kernel_dir/modules/${path#./lib/modules/"$kernel_release"/kernel/} || " ${wanted[*]} " == *" $path "* ]] ||
        wanted+=("$path")
    done
  done
  [[ -f $kernel_dir/vmlinux ]] || wanted+=("./boot/vmlinuz-$kernel_release")
  if ((${#wanted[@]})); then
    scratch=$(mktemp -d "$kernel_dir/extract.XXXXXX")
    download_kernel
    dpkg-deb --fsys-tarfile "$deb" | tar -x -C "$scratch" "${wanted[@]}" ||
      fail "the kernel package lacks one of: ${wanted[*]}"
    if [[ -f $scratch/boot/vmlinuz-$kernel_release ]]; then
      unpack_vmlinux "$scratch/boot/vmlinuz-$kernel_release" "$scratch/vmlinux"
      mv "$scratch/vmlinux" "$kernel_dir/vmlinux"
    fi
    if [[ -d $scratch/lib/modules/$kernel_release/kernel ]]; then
      mkdir -p "$kernel_dir/modules"
      cp -r "$scratch/lib/modules/$kernel_release/kernel/." "$kernel_dir/modules/"
    fi
    rm -rf "$scratch"
  fi
  find "$cache" -mindepth 1 -maxdepth 1 -type d ! -path "$kernel_dir" -exec rm -rf {} +
  flock -u 8
}

# Copies a program or library and everything ldd says it loads (the loader
# included) into the initramfs, at their own paths.
copy_with_libraries() {
  local root=$1 file=$2 into=$3 library
  cp -L "$file" "$root$into"
  for library in $(ldd "$file" | grep -o '/[^ ]*'); do
    [[ -e $root$library ]] && continue
    mkdir -p "$root$(dirname "$library")"
    cp -L "$library" "$root$library"
  done
}

# The initramfs of one machine: busybox, /init, the cases, the modules in
# their order, the project's programs with their libraries.
make_initramfs() {
  local machine=$1 root=$work/$1/root path line
  rm -rf "$root"
  mkdir -p "$root"/{bin,proc,sys,dev,tmp,lab/bin,lab/lib,lab/modules,lab/cases}
  cp /bin/busybox "$root/bin/busybox"
  install -m 755 tests/kernel/guest/init "$root/init"
  cp tests/kernel/guest/lab.sh "$root/lab/"
  cp platform/linux/60-lineio.rules "$root/lab/"
  sed -n 's/^#define LINEIO_\(FAILURE_[A-Z0-9_]*\) \([0-9][0-9]*\).*/\1=\2/p' include/lineio.h >"$root/lab/failure-codes"
  grep -q '^FAILURE_LOCK_HELD=' "$root/lab/failure-codes" || fail "no LINEIO_FAILURE_* codes found in include/lineio.h"
  for line in "${CASE_GROUPS[@]}"; do
    cp "tests/kernel/cases/$line.sh" "$root/lab/cases/"
    echo "$line"
  done >"$root/lab/groups"
  {
    printf '%s\n' "${FUNCTIONS[@]}"
    echo "LAB_PREFIX=$PREFIX"
  } >"$root/lab/machine"
  for path in "${MODULES[@]}"; do
    cp "$kernel_dir/modules/$path.ko" "$root/lab/modules/"
    basename "$path"
  done >"$root/lab/module-order"
  copy_with_libraries "$root" build/dev/exports/libkestrel.so.1 /lab/lib/
  copy_with_libraries "$root" build/dev/exports/libmerlin.so.1 /lab/lib/
  copy_with_libraries "$root" build/dev/tools/pcidiag/pcidiag /lab/bin/
  copy_with_libraries "$root" build/dev/tests/linux/lineio-linux-abi-host /lab/bin/
  copy_with_libraries "$root" build/dev/tests/kernel/lineio-lab-interrupts /lab/bin/
  (cd "$root" && find . | busybox cpio -o -H newc 2>/dev/null | gzip -1) >"$work/$machine/initramfs.cpio.gz"
}

# Boots one machine; its serial console goes to guest.log, the case lines to
# the terminal as they come.
boot() {
  local machine=$1 log=$work/$1/guest.log status=0
  timeout "$guest_limit" qemu-system-x86_64 -accel tcg "${MACHINE_ARGS[@]}" \
    -nodefaults -no-user-config -display none -serial stdio -no-reboot \
    -kernel "$kernel_dir/vmlinux" -initrd "$work/$machine/initramfs.cpio.gz" \
    -append "console=ttyS0 quiet panic=-1 $lab_marker $KERNEL_ARGS" "${DEVICES[@]}" \
    2>"$work/$machine/qemu.err" | tee "$log" | grep --line-buffered '^lab: ' || status=$?
  ((status == 0)) || echo "kernel-tests: $machine: QEMU ended with status $status (124: after $guest_limit s)"
}

echo "--- tools"
install_missing
command -v qemu-system-x86_64 >/dev/null || fail "qemu-system-x86_64 is missing"
echo "--- kernel"
resolve_kernel_fresh
fill_cache
echo "kernel: $kernel_package $kernel_version (cached in $kernel_dir)"
prepared=$SECONDS

echo "--- build: ${lab_targets[*]}"
[[ -f build/dev/build.ninja ]] || cmake --preset dev >/dev/null
cmake --build --preset dev --target "${lab_targets[@]}" | grep -v '^\[' || true
for target in build/dev/exports/libkestrel.so.1 build/dev/tools/pcidiag/pcidiag \
  build/dev/tests/kernel/lineio-lab-interrupts; do
  [[ -e $target ]] || fail "the build did not make $target"
done
built=$SECONDS

passed=0 failed=0
# While working on the lab: LINEIO_KERNEL_LAB_MACHINES="q35" boots only those.
[[ -z ${LINEIO_KERNEL_LAB_MACHINES:-} ]] || read -r -a LAB_MACHINES <<<"$LINEIO_KERNEL_LAB_MACHINES"
for machine in "${LAB_MACHINES[@]}"; do
  "machine_$machine"
  # While working on the lab: LINEIO_KERNEL_LAB_GROUPS="memory lock" runs
  # only those groups.
  [[ -z ${LINEIO_KERNEL_LAB_GROUPS:-} ]] || read -r -a CASE_GROUPS <<<"$LINEIO_KERNEL_LAB_GROUPS"
  mkdir -p "$work/$machine"
  make_initramfs "$machine"
  echo "--- $machine: booting ($(du -k "$work/$machine/initramfs.cpio.gz" | cut -f1) KiB initramfs)"
  boot "$machine"
  log=$work/$machine/guest.log
  passed=$((passed + $(grep -c '^lab: pass ' "$log" || true)))
  failed=$((failed + $(grep -c '^lab: fail ' "$log" || true)))
  if ! grep -q '^lab: done' "$log"; then
    echo "kernel-tests: the $machine guest did not finish; the end of its console ($log):"
    tail -20 "$log" | sed 's/^/  /'
    sed 's/^/  qemu: /' "$work/$machine/qemu.err"
    failed=$((failed + 1))
  fi
done

echo "kernel-tests: kernel and tools $((prepared - started)) s, build $((built - prepared)) s," \
  "guests $((SECONDS - built)) s, total $((SECONDS - started)) s"
echo "$passed passed, $failed failed"
((failed == 0))
