# pcidiag on the guest's own bus (/sys, no tree): the scan lists exactly the
# functions of /sys/bus/pci/devices, the resources of each function are
# those of its `resource` and `irq` files, and the editor writes a real
# configuration register after its confirmation.

# The scan line of a function, from its directory name and identity files.
scan_line() {
  name=$1
  bus=$((0x$(echo "$name" | cut -d: -f2))) domain=$((0x$(echo "$name" | cut -d: -f1)))
  slot=$((0x$(echo "$name" | cut -d: -f3 | cut -d. -f1))) function=${name##*.}
  printf 'Bus %d Slot %d Function %d, VendorID %04x DeviceID %04x\n' $((domain << 8 | bus)) "$slot" \
    "$function" $(($(cat $DEVICES/$name/vendor))) $(($(cat $DEVICES/$name/device)))
}

# What `pcidiag resources` shows for a function: each used range of the first
# seven lines of `resource`, the interrupt when `irq` is not 0, the location.
resource_lines() {
  name=$1 index=0
  while read -r start end flags && [ $index -lt 7 ]; do
    index=$((index + 1))
    [ $((end)) -gt $((start)) ] || continue
    [ $((flags & 0x30000000)) = 0 ] || continue
    [ $((end)) -le $((0xffffffff)) ] || continue
    if [ $((flags & 0x100)) != 0 ]; then
      kind=IO
    elif [ $((flags & 0x200)) != 0 ]; then
      kind=Memory
    else
      continue
    fi
    printf '   Item %s: range 0x%x-0x%x\n' $kind $((start)) $((end))
  done <$DEVICES/$name/resource
  irq=$(cat $DEVICES/$name/irq)
  [ "$irq" = 0 ] || echo "   Item Interrupt: irq $irq"
  bus=$((0x$(echo "$name" | cut -d: -f2) | 0x$(echo "$name" | cut -d: -f1) << 8))
  printf '   Item Bus: type 5, bus number %d, slot %08x\n' $bus $((0x$(echo "$name" | cut -d: -f3 | cut -d. -f1)))
}

run "$PCIDIAG" scan
expected=$(for d in $DEVICES/*; do scan_line "$(basename "$d")"; done | sort)
expect pcidiag/scan-lists-every-function "$expected" "$(echo "$out" | grep '^Bus ' | sort)"
lab_note "pcidiag scan: $(echo "$out" | grep -c '^Bus ') functions"

for d in $DEVICES/*; do
  name=$(basename "$d")
  run "$PCIDIAG" resources "$name"
  expect "pcidiag/resources-$name" "$(resource_lines "$name")" "$out"
done

# The editor on the one function of its kind on the machine (EDITED, the
# rtl8139 unless the machine names another): register 7 (CALN, the cache line size, 0x0c),
# then register 8 (LAT, the latency timer, 0x0d), confirmed once. QEMU keeps
# the latency timer of every function at 0 (its write mask is 0: a 1-byte
# write of 0x40 through `config` reads back 00 on each function of this
# guest), so the editor's write of it must leave what a direct write leaves,
# and the cache line size beside it, which the editor rewrites in the same
# double word, must keep the value just written.
EDITED=${EDITED:-$RTL8139}
vendor=$(cat "$DEVICES/$EDITED/vendor") device=$(cat "$DEVICES/$EDITED/device")
printf '%s\n%s\n7\n10\ny\n8\n40\n99\n' "${vendor#0x}" "${device#0x}" >/tmp/edit.in
timeout "$PATIENCE" "$PCIDIAG" edit </tmp/edit.in >/tmp/run.out 2>/tmp/run.err
status=$?
out=$(cat /tmp/run.out)
expect pcidiag/edit-asks-once "1" "$(echo "$out" | grep -c 'Write it? (y/n): ')"
expect pcidiag/edit-ends-well "0 " "$status $(cat /tmp/run.err)"
expect pcidiag/edit-writes-the-cache-line-size "10" "$(config_byte "$EDITED" 12)"
edited=$(config_byte "$EDITED" 13)
printf '\100' | dd of="$DEVICES/$EDITED/config" bs=1 seek=13 count=1 conv=notrunc 2>/dev/null
expect pcidiag/edit-writes-the-latency-timer-as-the-device-keeps-it "$(config_byte "$EDITED" 13)" "$edited"
lab_note "latency timer of $EDITED after the editor's write of 40: $edited"
