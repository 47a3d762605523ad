# Helpers of the kernel lab's cases (sourced by /init in the guest).
#
# Every case prints exactly one line, "lab: pass NAME" or
# "lab: fail NAME: WHY"; scripts/kernel-tests.sh counts them. "lab: note"
# lines are shown and not counted.

LAB=/lab
HOST=$LAB/bin/lineio-linux-abi-host
LAB_PROGRAM=$LAB/bin/lineio-lab-interrupts
PCIDIAG=$LAB/bin/pcidiag
KESTREL=$LAB/lib/libkestrel.so.1
MERLIN=$LAB/lib/libmerlin.so.1
DEVICES=/sys/bus/pci/devices
DRIVERS=/sys/bus/pci/drivers
# Longest a program of a case may take before it counts as hung.
PATIENCE=60
# The codes of LineioLastFailure as lineio.h defines them (FAILURE_LOCK_HELD=5
# and so on), taken from the header when the initramfs is made.
. $LAB/failure-codes

# The driver that the boards' devices are bound to (vfio.sh makes it vfio-pci)
# and the name that their mapped ranges show in /proc/PID/maps.
LAB_DRIVER=uio_pci_generic
MAPPED_NAME=resource0

# Case names start with the machine's prefix (LAB_PREFIX of /lab/machine).
lab_note() { echo "lab: note $*"; }
pass() { echo "lab: pass $LAB_PREFIX$1"; }
fail() { echo "lab: fail $LAB_PREFIX$1: $2"; }

# One line for a multi-line text, for a failure's reason.
flat() { printf '%s' "$1" | tr '\n' '|'; }

# expect NAME EXPECTED ACTUAL: passes when the two texts are equal.
expect() {
  if [ "$2" = "$3" ]; then
    pass "$1"
  else
    fail "$1" "expected [$(flat "$2")], got [$(flat "$3")]"
  fi
}

# expect_in NAME PART TEXT: passes when TEXT holds PART.
expect_in() {
  case "$3" in
    *"$2"*) pass "$1" ;;
    *) fail "$1" "[$(flat "$3")] lacks [$(flat "$2")]" ;;
  esac
}

# Runs a program with the lab's patience: standard output in $out, standard
# error in $err, exit status in $status (124 when it hung and was ended).
run() {
  timeout "$PATIENCE" "$@" >/tmp/run.out 2>/tmp/run.err </dev/null
  status=$?
  out=$(cat /tmp/run.out)
  err=$(cat /tmp/run.err)
}

# make_tree ROOT FUNCTION VENDOR DEVICE [io-only]
# A sysfs tree under ROOT in which the guest's FUNCTION carries a board's
# identifiers: ordinary `vendor` and `device` files, and symbolic links to
# the real function's `config`, `resource`, `resourceN`, `irq`, `uio` and
# `iommu_group`, and to its driver (straight at the driver, so that the link's last part names
# it). "io-only" keeps only the first range: its `resource` is then a copy
# of the real file with the other lines zeroed, and only `resource0` is
# linked. Build it again after every bind or unbind.
make_tree() {
  root=$1 function=$2 real=$DEVICES/$2
  dir=$root/bus/pci/devices/$function
  rm -rf "$root"
  mkdir -p "$dir"
  echo "$3" >"$dir/vendor"
  echo "$4" >"$dir/device"
  for file in config irq uio iommu_group resource resource0 resource1 resource2 resource3 resource4 resource5; do
    [ "$5" = io-only ] && [ "$file" != "${file#resource[1-5]}" ] && continue
    [ "$5" = memory-only ] && [ "$file" != "${file#resource[02-5]}" ] && continue
    [ -e "$real/$file" ] && ln -s "$real/$file" "$dir/$file"
  done
  if [ "$5" = io-only ] || [ "$5" = memory-only ]; then
    # the line of the range kept, the others zeroed
    keep=1
    [ "$5" = memory-only ] && keep=2
    rm "$dir/resource"
    awk -v keep=$keep 'NR == keep { print; next } { print "0x0000000000000000 0x0000000000000000 0x0000000000000000" }' \
      "$real/resource" >"$dir/resource"
  fi
  [ -L "$real/driver" ] && ln -s "$(readlink -f "$real/driver")" "$dir/driver"
  chmod -R a+rX "$root"
}

# The driver a function is bound to, or "none".
driver_of() {
  if [ -L "$DEVICES/$1/driver" ]; then basename "$(readlink "$DEVICES/$1/driver")"; else echo none; fi
}

unbind() { [ -L "$DEVICES/$1/driver" ] && echo "$1" >"$DEVICES/$1/driver/unbind"; }

# bind FUNCTION DRIVER: binds the function to the driver (it must be free).
bind() { echo "$1" >"$DRIVERS/$2/bind"; }

# Lets uio_pci_generic take functions of this vendor and device (hexadecimal,
# no 0x) and binds those that no driver holds.
uio_new_id() { echo "$1 $2" >"$DRIVERS/uio_pci_generic/new_id"; }

# vfio_bind FUNCTION: binds that one function to vfio-pci (driver_override,
# so that no other function of its kind follows).
vfio_bind() {
  [ "$(driver_of "$1")" = vfio-pci ] && return 0
  unbind "$1"
  echo vfio-pci >"$DEVICES/$1/driver_override"
  bind "$1" vfio-pci
}

# config_byte FUNCTION OFFSET: one byte of the function's configuration space
# in two hexadecimal digits, read through its `config` file.
config_byte() { dd if="$DEVICES/$1/config" bs=1 skip="$2" count=1 2>/dev/null | xxd -p; }

# io_dword FUNCTION OFFSET: the 32-bit register of the function's I/O range
# at OFFSET (a multiple of 4), read with one 4-byte pread of `resource0`, as
# eight hexadecimal digits of the value.
io_dword() {
  dd if="$DEVICES/$1/resource0" bs=4 skip=$(($2 / 4)) count=1 2>/dev/null |
    od -A n -t x4 | tr -d ' '
}

# wait_for_line FILE TEXT: waits until FILE holds a line with TEXT; false
# when it does not within the lab's patience.
wait_for_line() {
  tries=$((PATIENCE * 20))
  while ! grep -q "$2" "$1" 2>/dev/null; do
    tries=$((tries - 1))
    [ $tries -gt 0 ] || return 1
    usleep 50000
  done
}

# The trees of the boards (make_tree), one per emulated device in use.
EDU_TREE=/tmp/kestrel-edu
RTL8139_TREE=/tmp/merlin-rtl8139
NE2K_TREE=/tmp/merlin-ne2k

# Kestrel on the edu: the edu bound to the lab's driver, its tree built
# afresh. Each group that uses it starts so, and may run alone.
kestrel_on_edu() {
  if [ "$LAB_DRIVER" = vfio-pci ]; then
    vfio_bind "$EDU"
  else
    [ "$(driver_of "$EDU")" = uio_pci_generic ] || uio_new_id 1234 11e8
  fi
  make_tree $EDU_TREE "$EDU" 0x136c 0xa036
}

# The shipped libraries through the host program, on a tree: output in $out,
# standard error in $err, exit status in $status.
kestrel() { run env LINEIO_SYSFS_ROOT=$EDU_TREE "$HOST" "$KESTREL" "$@"; }

# lab_program GROUP [AS-USER]: runs the program's suite of the group (as
# root, or as the user); its own lines name its cases. A program that dies
# or hangs fails the group's case "GROUP/program-ends".
lab_program() {
  suite=Lab$(echo "${1%"${1#?}"}" | tr a-z A-Z)${1#?}
  command="env LAB_PREFIX=$LAB_PREFIX LINEIO_SYSFS_ROOT=$EDU_TREE $LAB_PROGRAM --gtest_filter=$suite.* --gtest_brief=1"
  if [ -n "$2" ]; then
    run su -s /bin/sh -c "$command" "$2"
  else
    run $command
  fi
  # Its cases' lines as they are, the rest of its output indented (shown in
  # the guest's log, not counted).
  echo "$out" | sed '/^lab: /!s/^/    /'
  [ -z "$err" ] || echo "$err" | sed 's/^/    /'
  if [ "$status" = 0 ]; then
    pass "$1/program-ends"
  else
    fail "$1/program-ends" "status $status; $(flat "$(echo "$out" | grep -v '^lab: ' | tail -5)") $(flat "$err")"
  fi
}

# An unprivileged user "lab" in the udev rule's group "lineio"; as_lab runs
# a command as that user on the Kestrel tree.
make_lab_user() {
  echo "root:x:0:0::/root:/bin/sh
lab:x:1000:1000::/tmp:/bin/sh" >/etc/passwd
  echo "root:x:0:
lab:x:1000:
lineio:x:1001:lab" >/etc/group
}
as_lab() { run su -s /bin/sh -c "env LINEIO_SYSFS_ROOT=$EDU_TREE $*" lab; }

# rule_command PATTERN: the command of the RUN+= of the udev rule
# (platform/linux/60-lineio.rules) whose first line matches PATTERN.
rule_command() {
  grep -A1 "$1" $LAB/60-lineio.rules | sed -n "s/.*RUN+=\"\/bin\/sh -c '\(.*\)'\"/\1/p" | sed 's/\$\$/$/g'
}

# kernel_kept_the_line GROUP: the kernel never gave up on an interrupt line.
kernel_kept_the_line() {
  expect "$1/no-nobody-cared-in-the-kernel-log" "" "$(dmesg | grep -i 'nobody cared\|Disabling IRQ')"
}

