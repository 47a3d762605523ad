#!/usr/bin/env bash
# The Debian packages of a build, as a new user's machine gets them:
#   1. cpack -G DEB makes the six packages from the build as it is;
#   2. lintian: no error and no warning on any of them;
#   3. dpkg-deb: each package's control fields and control files, and its
#      contents: exactly the files of expected/<package>.txt, owned by root,
#      the libraries in the multiarch folder, the man pages compressed;
#   4. dpkg --root installs them into a scratch root whose database lists only
#      the system packages they depend on, as this machine has them:
#      lineio-dev alone is refused (its libraries are missing), the six
#      together install and configure; the maintainer scripts run outside the
#      root with DPKG_ROOT naming it (--force-script-chrootless), so the
#      group lineio is created in the scratch root's /etc/group, kept with its
#      members when the package is installed again and when it is purged, and
#      made with groupadd where systemd-sysusers is missing;
#   5. hosts run against the scratch root: a C host built through
#      pkg-config (whose files say prefix=/usr), unchanged, against the
#      library (no driver here) and with LD_LIBRARY_PATH on the simulation
#      flavour (the simulated board); a C++17 host through lineio.hpp and
#      pkg-config's lineio-cxx, on both boards' flavour; a ctypes host that loads the library by
#      its SONAME, the same way; the installed Python package (python3-lineio)
#      finding the flavour through LINEIO_SIM_DIR; the tools and their man
#      pages.
#
#   check_debian_packages.sh CPACK BUILD_DIR WORK_DIR SOURCE_DIR VERSION LIBDIR CONFIG
set -euo pipefail
cpack=$1 build=$2 work=$3 source=$4 version=$5 libdir=$6 config=$7
here=$(cd "$(dirname "$0")" && pwd)
arch=$(dpkg --print-architecture)
multiarch=$(dpkg-architecture -qDEB_HOST_MULTIARCH 2>/dev/null)
packages=(libkestrel1 libmerlin1 lineio-dev lineio-tools lineio-sim python3-lineio)
# dpkg looks for ldconfig and start-stop-daemon on the PATH.
export PATH=$PATH:/usr/sbin:/sbin
unset LINEIO_KESTREL_LIBRARY LINEIO_MERLIN_LIBRARY LINEIO_SIM_DIR LD_LIBRARY_PATH PKG_CONFIG_PATH

fail() {
  echo "FAILED: $*" >&2
  exit 1
}

architecture_of() { if [[ $1 == python3-* ]]; then echo all; else echo "$arch"; fi; }
deb_of() { echo "$work/packages/${1}_${version}_$(architecture_of "$1").deb"; }

# Runs a command whose output must equal the expected text.
expect_output() {
  local expected=$1 output
  shift
  output=$("$@" 2>&1) || fail "exit status $? from: $*"$'\n'"$output"
  [[ $output == "$expected" ]] || fail "$*"$'\n'"printed:"$'\n'"$output"$'\n'"expected:"$'\n'"$expected"
}

# Runs a command whose standard output and standard error must equal the
# expected texts.
expect_streams() {
  local expected_out=$1 expected_err=$2 status=0
  shift 2
  "$@" >"$work/out.txt" 2>"$work/err.txt" || status=$?
  [[ $status == 0 && $(cat "$work/out.txt") == "$expected_out" && $(cat "$work/err.txt") == "$expected_err" ]] ||
    fail "$* (exit status $status)"$'\n'"printed on standard output:"$'\n'"$(cat "$work/out.txt")"$'\n'"on standard error:"$'\n'"$(cat "$work/err.txt")"$'\n'"expected:"$'\n'"$expected_out"$'\n'"and:"$'\n'"$expected_err"
}

rm -rf "$work"
mkdir -p "$work"
echo "--- the libraries' folder: the multiarch one"
[[ $libdir == "lib/$multiarch" ]] || fail "the build installs the libraries in $libdir, not lib/$multiarch"

echo "--- cpack -G DEB"
"$cpack" -G DEB --config "$build/CPackConfig.cmake" -B "$work/packages" >"$work/cpack.log" 2>&1 ||
  fail "cpack -G DEB"$'\n'"$(cat "$work/cpack.log")"
for package in "${packages[@]}"; do
  [[ -f $(deb_of "$package") ]] || fail "cpack made no $(deb_of "$package")"
done

echo "--- lintian"
debs=()
for package in "${packages[@]}"; do debs+=("$(deb_of "$package")"); done
if lintian --fail-on error,warning --tag-display-limit 0 --display-info "${debs[@]}" >"$work/lintian.log" 2>&1; then
  echo "lintian: $(grep -c '^E: ' "$work/lintian.log") errors, $(grep -c '^W: ' "$work/lintian.log") warnings," \
    "$(grep -c '^I: ' "$work/lintian.log") notes ($(grep '^I: ' "$work/lintian.log" | awk '{print $3}' | sort | uniq -c | xargs))"
else
  fail "lintian"$'\n'"$(grep -v '^I: ' "$work/lintian.log")"
fi

echo "--- dpkg-deb: control fields"
field() { dpkg-deb -f "$(deb_of "$1")" "$2"; }
# Package, field, extended regular expression that the field must match.
checks=(
  "libkestrel1|Section|^libs$"
  "libkestrel1|Depends|^libc6 \(>= [0-9.]+\), libgcc-s1 \(>= [0-9.]+\), libstdc\+\+6 \(>= [0-9.]+\)$"
  "libmerlin1|Section|^libs$"
  "libmerlin1|Depends|^libc6 \(>= [0-9.]+\), libgcc-s1 \(>= [0-9.]+\), libstdc\+\+6 \(>= [0-9.]+\)$"
  "lineio-dev|Section|^libdevel$"
  "lineio-dev|Depends|^libmerlin1 \(= ${version//./\\.}\), libkestrel1 \(= ${version//./\\.}\)$"
  "lineio-tools|Section|^utils$"
  "lineio-tools|Depends|^libc6 \(>= [0-9.]+\), libgcc-s1 \(>= [0-9.]+\), libstdc\+\+6 \(>= [0-9.]+\)$"
  "lineio-sim|Section|^devel$"
  "lineio-sim|Depends|^libc6 \(>= [0-9.]+\), libgcc-s1 \(>= [0-9.]+\), libstdc\+\+6 \(>= [0-9.]+\)$"
  "python3-lineio|Section|^python$"
  "python3-lineio|Depends|^python3:any, libkestrel1 \(>= ${version//./\\.}\), libmerlin1 \(>= ${version//./\\.}\)$"
)
for package in "${packages[@]}"; do
  checks+=("$package|Package|^$package$" "$package|Version|^${version//./\\.}$"
    "$package|Architecture|^$(architecture_of "$package")$"
    "$package|Maintainer|^.+ <.+@.+>$" "$package|Description|^lineio .{1,72}$")
done
for check in "${checks[@]}"; do
  IFS='|' read -r package name pattern <<<"$check"
  value=$(field "$package" "$name")
  value=${value%%$'\n'*} # a description's summary line
  [[ $value =~ $pattern ]] || fail "$package: $name is '$value', which does not match $pattern"
done

echo "--- dpkg-deb: control files"
control_files() { dpkg-deb --ctrl-tarfile "$(deb_of "$1")" | tar -t | sed 's|^\./||' | grep -v '^$' | sort | xargs; }
for package in "${packages[@]}"; do
  # Maintainer scripts only where something must run at installation: the
  # group of lineio-tools, the byte code of python3-lineio.
  case $package in
    libkestrel1 | libmerlin1) expected="control md5sums shlibs symbols triggers" ;;
    lineio-tools) expected="control md5sums postinst" ;;
    python3-lineio) expected="control md5sums postinst prerm" ;;
    *) expected="control md5sums" ;;
  esac
  [[ $(control_files "$package") == "$expected" ]] ||
    fail "$package has the control files '$(control_files "$package")', expected '$expected'"
done
expect_output "activate-noawait ldconfig" dpkg-deb -I "$(deb_of libkestrel1)" triggers
expect_output "libkestrel 1 libkestrel1 (>= $version)" dpkg-deb -I "$(deb_of libkestrel1)" shlibs
expect_output "libmerlin 1 libmerlin1 (>= $version)" dpkg-deb -I "$(deb_of libmerlin1)" shlibs
# The symbols file lists exactly the exports, each since this version.
expect_output "$(grep '^[A-Za-z]' "$source/exports/exports.list" | sed "s/.*/ &@Base $version/" | LC_ALL=C sort)" \
  sh -c "dpkg-deb -I '$(deb_of libkestrel1)' symbols | grep '@Base' | LC_ALL=C sort"
expect_output "$(cat "$source/packaging/lineio-tools.postinst")" dpkg-deb -I "$(deb_of lineio-tools)" postinst

echo "--- dpkg-deb: contents"
# "path" or "path -> target" of everything but folders, and its owner.
contents() {
  dpkg-deb -c "$(deb_of "$1")" | awk '$1 !~ /^d/ {
    line = $6; for (i = 7; i <= NF; ++i) line = line " " $i
    sub(/^\.\//, "", line); print $2 "|" line }' | LC_ALL=C sort -t '|' -k 2
}
for package in "${packages[@]}"; do
  expected=$(sed -e "s|@LIBDIR@|lib/$multiarch|g" -e "s|@CONFIG@|$config|g" -e "s|@VERSION@|$version|g" \
    "$here/expected/$package.txt")
  if [[ $package == lineio-dev ]]; then
    expected+=$'\n'$(cd "$source/docs" && ls ./*.md | sed 's|^\./|usr/share/doc/lineio/|')
  elif [[ $package == python3-lineio ]]; then
    expected+=$'\n'$(cd "$source/python" && ls lineio/*.py | sed 's|^|usr/lib/python3/dist-packages/|')
  fi
  expected=$(LC_ALL=C sort <<<"$expected")
  listed=$(contents "$package")
  grep -qv '^root/root|' <<<"$listed" && fail "$package has files not owned by root:"$'\n'"$listed"
  listed=$(sed 's/^root\/root|//' <<<"$listed")
  if [[ $listed != "$expected" ]]; then
    diff <(echo "$expected") <(echo "$listed") >&2 || true
    fail "$package does not hold exactly the files of expected/$package.txt (< expected, > packaged)"
  fi
done

echo "--- dpkg --root: installation into a scratch root"
# A scratch root whose dpkg database lists, as installed, the system packages
# that the five depend on, as this machine has them.
new_root() {
  local root=$1 dependency name
  mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates" "$root/var/lib/dpkg/triggers" "$root/var/log" \
    "$root/etc"
  : >"$root/var/lib/dpkg/status"
  for dependency in $(for package in "${packages[@]}"; do field "$package" Depends; done |
    tr ',|' '\n\n' | sed 's/(.*//; s/:any//; s/[[:space:]]//g' | sort -u); do
    [[ " ${packages[*]} " == *" $dependency "* ]] && continue
    name=$dependency:$arch
    dpkg-query -s "$name" >/dev/null 2>&1 || name=$dependency
    dpkg-query -s "$name" >>"$root/var/lib/dpkg/status" || fail "this machine lacks $dependency"
    echo >>"$root/var/lib/dpkg/status"
    : >"$root/var/lib/dpkg/info/$name.list"
  done
}
# The maintainer scripts run on this machine with DPKG_ROOT=$root: the
# scratch root has no shell to run them in.
dpkg_in() {
  local root=$1
  shift
  dpkg --root="$root" --force-not-root --force-script-chrootless --log="$root/var/log/dpkg.log" "$@"
}

new_root "$work/refused"
if dpkg_in "$work/refused" -i "$(deb_of lineio-dev)" >"$work/refused.log" 2>&1; then
  fail "dpkg installed lineio-dev without its libraries"
fi
grep -q "lineio-dev depends on libkestrel1 (= $version)" "$work/refused.log" &&
  grep -q "lineio-dev depends on libmerlin1 (= $version)" "$work/refused.log" ||
  fail "dpkg refused lineio-dev, but not for its libraries:"$'\n'"$(cat "$work/refused.log")"

root=$work/root
new_root "$root"
dpkg_in "$root" -i "${debs[@]}" >"$work/install.log" 2>&1 ||
  fail "dpkg -i of the six packages"$'\n'"$(cat "$work/install.log")"
for package in "${packages[@]}"; do
  status=$(dpkg-query --admindir="$root/var/lib/dpkg" -W -f='${Status}' "$package")
  [[ $status == "install ok installed" ]] || fail "$package is '$status' after dpkg -i"
done

echo "--- the group lineio: made at installation, kept with its members"
group_line() { grep '^lineio:' "$1/etc/group" || true; }
line=$(group_line "$root")
[[ $line =~ ^lineio:x:([0-9]+):$ ]] || fail "after dpkg -i, $root/etc/group has no group lineio: '$line'"
(( BASH_REMATCH[1] < 1000 )) || fail "the group lineio is no system group: $line"
# A user joins the group; installing again and purging keep it as it is.
sed -i 's/^lineio:x:\([0-9]*\):$/lineio:x:\1:alice/' "$root/etc/group"
joined=$(group_line "$root")
dpkg_in "$root" -i "$(deb_of lineio-tools)" >"$work/reinstall.log" 2>&1 ||
  fail "dpkg -i lineio-tools again"$'\n'"$(cat "$work/reinstall.log")"
[[ $(group_line "$root") == "$joined" ]] || fail "installing again changed the group: $(group_line "$root")"
purged=$work/purged
new_root "$purged"
dpkg_in "$purged" -i "$(deb_of lineio-tools)" >"$work/purge.log" 2>&1 &&
  dpkg_in "$purged" --purge lineio-tools >>"$work/purge.log" 2>&1 ||
  fail "dpkg -i, then --purge lineio-tools"$'\n'"$(cat "$work/purge.log")"
[[ $(group_line "$purged") =~ ^lineio:x: ]] || fail "purging lineio-tools removed the group lineio"
# Without systemd-sysusers the postinst makes the group with groupadd.
tools=$work/no-sysusers
mkdir -p "$tools" "$work/plain/etc"
for tool in groupadd sh; do ln -s "$(command -v "$tool")" "$tools/$tool"; done
env PATH="$tools" DPKG_ROOT="$work/plain" sh "$source/packaging/lineio-tools.postinst" configure ||
  fail "the postinst without systemd-sysusers"
[[ $(group_line "$work/plain") =~ ^lineio:x:[0-9]+:$ ]] || fail "groupadd made no group lineio"

echo "--- the simulation flavour: same SONAME and exports as the libraries"
lib=$root/usr/$libdir
sim=$lib/lineio/sim
soname_of() { readelf -d "$1" | sed -n 's/.*(SONAME).*\[\(.*\)\]/\1/p'; }
exports_of() { nm -D --defined-only "$1" | awk '{print $3}' | sort; }
for board in kestrel merlin; do
  [[ $(soname_of "$sim/lib$board.so.1") == "lib$board.so.1" ]] || fail "$sim/lib$board.so.1 has the SONAME $(soname_of "$sim/lib$board.so.1")"
  [[ $(soname_of "$lib/lib$board.so.1") == "lib$board.so.1" ]] || fail "$lib/lib$board.so.1 has the SONAME $(soname_of "$lib/lib$board.so.1")"
  [[ $(exports_of "$sim/lib$board.so.1") == "$(exports_of "$lib/lib$board.so.1")" ]] ||
    fail "the simulation flavour of $board exports other names than the library"
  listed=$(grep -cE '^[A-Za-z]' "$source/exports/exports.list")
  [[ $(exports_of "$lib/lib$board.so.1" | wc -l) == "$listed" ]] || fail "lib$board.so.1 does not export the $listed names of exports.list"
done
cmp "$source/platform/linux/60-lineio.rules" "$root/usr/lib/udev/rules.d/60-lineio.rules" ||
  fail "the installed udev rule differs from platform/linux/60-lineio.rules"

echo "--- a C host through pkg-config, unchanged, against the library and the flavour"
# As on the machine the packages are installed on: prefix=/usr, and no flag
# beyond the library's name (/usr/include and the multiarch folder are the
# compiler's own).
for board in kestrel merlin; do
  expect_output "/usr" env PKG_CONFIG_LIBDIR="$lib/pkgconfig" pkg-config --variable=prefix "$board"
  expect_output "-l$board" sh -c 'PKG_CONFIG_LIBDIR=$1 pkg-config --cflags --libs "$2" | xargs' sh "$lib/pkgconfig" "$board"
done
no_sysfs=$work/no-sysfs # this machine's boards stay out of it: a sysfs without devices
mkdir -p "$no_sysfs"
driverless=$'Cannot open WinDriver device\nhost: no driver'
simulated=$'DOVEVED PCI card found!\nhost: PortOut(16, 0x1a5) = 16\nhost: PortQinp(16) = 0x1a5
host: ExchgLine(0, "A5123489AB") = 0\nhost: PortEnd() = 1'
for board in kestrel merlin; do
  # The scratch root stands for /: pkg-config puts it in front of the paths.
  flags=$(PKG_CONFIG_LIBDIR=$lib/pkgconfig PKG_CONFIG_SYSROOT_DIR=$root pkg-config --cflags --libs "$board") ||
    fail "pkg-config $board"
  # shellcheck disable=SC2086 # the flags are words
  cc -std=c11 -Wall -Wextra -Werror -o "$work/host-$board" "$here/session_host.c" $flags ||
    fail "the C host does not build with pkg-config's flags for $board: $flags"
  expect_output "$driverless" env LD_LIBRARY_PATH="$lib" LINEIO_SYSFS_ROOT="$no_sysfs" "$work/host-$board"
  expect_output "$simulated" env LD_LIBRARY_PATH="$sim" "$work/host-$board"
done

echo "--- a C++17 host through pkg-config (lineio-cxx): both boards' simulation flavour in one process"
flags=$(PKG_CONFIG_LIBDIR=$lib/pkgconfig PKG_CONFIG_SYSROOT_DIR=$root pkg-config --cflags --libs lineio-cxx) ||
  fail "pkg-config lineio-cxx"
# shellcheck disable=SC2086 # the flags are words
c++ -std=c++17 -Wall -Wextra -Wpedantic -Werror -o "$work/cxx-host" "$source/tests/cxx/host.cpp" $flags ||
  fail "the C++ host does not build with pkg-config's flags for lineio-cxx: $flags"
LINEIO_SIM_DIR=$sim "$work/cxx-host" >"$work/cxx-host.log" 2>&1 || fail "the C++ host"$'\n'"$(cat "$work/cxx-host.log")"
for line in "kestrel: WritePort(80, 0x12) = 40" "merlin: WritePort(80, 0x12) = 1" "merlin: three ticks passed"; do
  grep -qxF "$line" "$work/cxx-host.log" || fail "the C++ host printed no line '$line':"$'\n'"$(cat "$work/cxx-host.log")"
done

echo "--- a ctypes host, unchanged, and the Python package"
for board in kestrel merlin; do
  # The library prints on the C library's standard output, the Python hosts
  # on standard error.
  expect_streams "Cannot open WinDriver device" "host: no driver" \
    env LD_LIBRARY_PATH="$lib" LINEIO_SYSFS_ROOT="$no_sysfs" python3 "$here/ctypes_host.py" "lib$board.so.1"
  expect_streams "DOVEVED PCI card found!" $'host: PortQinp(16) = 0x1a5\nhost: PortEnd() = 1' \
    env LD_LIBRARY_PATH="$sim" python3 "$here/ctypes_host.py" "lib$board.so.1"
  expect_streams "DOVEVED PCI card found!" "$root/usr/lib/python3/dist-packages/lineio $version"$'\n'"$sim/lib$board.so.1"$'\n0x1a5' \
    env PYTHONPATH="$root/usr/lib/python3/dist-packages" PYTHONDONTWRITEBYTECODE=1 LINEIO_SIM_DIR="$sim" \
    python3 -c "import importlib.metadata, os, sys, lineio
print(os.path.dirname(lineio.__file__), importlib.metadata.version('lineio'), file=sys.stderr)
print(lineio.find_library('$board', simulated=True), file=sys.stderr)
with lineio.Board('$board', simulated=True) as board:
    board.PortOut(16, 0x1A5)
    print(hex(board.PortQinp(16)), file=sys.stderr)"
done

echo "--- the tools"
for tool in pcidiag lineio-trace-kestrel lineio-trace-merlin lineio-demo lineio-demo-merlin; do
  expect_output "$tool (lineio) $version" "$root/usr/bin/$tool" --version
  # Its man page, compressed, renders (through a link where two share one).
  page=$root/usr/share/man/man1/$tool.1.gz
  [[ $(od -An -tx1 -N8 "$(readlink -f "$page")" | xargs) == "1f 8b 08 00 00 00 00 00" ]] ||
    fail "$page is not compressed with gzip -n (no name, no time stamp)"
  MANPAGER=cat MANWIDTH=80 man -l "$page" 2>&1 | grep -q "^NAME" || fail "man -l $page does not render"
done
# lineio-demo starts lineio-demo-merlin from its own folder.
"$root/usr/bin/lineio-demo" --board merlin >"$work/demo.log" 2>&1 || fail "lineio-demo --board merlin"$'\n'"$(cat "$work/demo.log")"
grep -q "driver handles open: 0, cards registered: 0" "$work/demo.log" || fail "the Merlin demo did not end cleanly"
expect_output $'DOVEVED PCI card found!\n= 1' sh -c "printf 'quiet\nPortInit 0\n' | '$root/usr/bin/lineio-trace-merlin'"

for package in "${packages[@]}"; do
  echo "$(basename "$(deb_of "$package")"): $(stat -c %s "$(deb_of "$package")") bytes," \
    "installed $(field "$package" Installed-Size) KiB"
done
echo "Debian packages: all checks passed"
