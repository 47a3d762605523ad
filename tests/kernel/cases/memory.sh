# Kestrel on a memory range: the edu device (BAR0, 1 MiB of registers), bound
# to uio_pci_generic, opened by the shipped libkestrel.so.1 through a tree
# that gives it Kestrel's identifiers.
kestrel_on_edu

kestrel init 0 maps $MAPPED_NAME inpd 0 end maps $MAPPED_NAME
expect memory/portinit-finds-the-board "DOVEVED PCI card found!
= 1" "$(echo "$out" | sed -n 1,2p)"
expect memory/nothing-on-standard-error "" "$err"
expect memory/the-range-is-mapped-once "= 1" "$(echo "$out" | sed -n 3p)"
expect memory/identity-register "= 10000ed" "$(echo "$out" | sed -n 4p)"
expect memory/portend-unmaps-the-range "= 1
= 0" "$(echo "$out" | sed -n 5,6p)"

# The liveness register reads the bitwise NOT of what was written: walking
# ones, walking zeros and patterns, each written with OutD and read with InpD.
values="0x0 0xffffffff 0x12345678 0xa5a5a5a5 0x5a5a5a5a 0xdeadbeef"
bit=0
while [ $bit -lt 32 ]; do
  values="$values $((1 << bit)) $((0xffffffff ^ (1 << bit)))"
  bit=$((bit + 1))
done
commands="init 0" expected=""
for value in $values; do
  commands="$commands outd 4 $value inpd 4"
  expected="$expected= -
= $(printf %x $((~value & 0xffffffff)))
"
done
kestrel $commands end
expect memory/liveness-inverts-70-values "DOVEVED PCI card found!
= 1
$expected= 1" "$out"

# QEMU's edu takes only 32- and 64-bit accesses: narrower ones read 0 and
# their writes are dropped. So the mapping's 8- and 16-bit loads and stores
# reach it as such, not as a 32-bit access cut down (which would read 0xed).
kestrel init 0 inpb 0 inpw 0 inpw 2 outd 4 0x12345678 outb 4 0x11 outw 6 0x2222 inpd 4 end
expect memory/narrow-accesses-stay-narrow "= 0
= 0
= 0
= -
= -
= -
= edcba987" "$(echo "$out" | sed -n 3,9p)"
