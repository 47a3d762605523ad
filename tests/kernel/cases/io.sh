# Merlin on an I/O range: the rtl8139 (BAR0, 256 ports), bound to no driver,
# opened by the shipped libmerlin.so.1. Its tree shows only the I/O range
# (the card's memory range, which maps the same registers, is left out), so
# every register access is a pread or pwrite of the real `resource0`. The
# multicast registers 0x08-0x0f keep what 1-, 2- and 4-byte writes put there.
#
# Merlin's PortInit clears the board's outputs at ports 0x310 and up, past
# this card's 256: those writes are refused with lines on standard error,
# which the cases below pass over.
make_tree $RTL8139_TREE $RTL8139 0x1172 0x1998 io-only
base=$(($(head -c 18 $DEVICES/$RTL8139/resource)))
merlin() { run env LINEIO_SYSFS_ROOT=$RTL8139_TREE "$HOST" "$MERLIN" "$@"; }
# The lines on standard error about a port of the range (offset given).
lines_about() { echo "$err" | grep "at $(printf 0x%x $((base + $1))) " ; }

merlin init 0 maps $MAPPED_NAME \
  outb 8 0x11 outb 9 0x22 inpb 8 inpb 9 \
  outw 0xa 0x4433 inpw 0xa inpw 8 \
  outd 0xc 0x88776655 inpd 0xc inpd 8 \
  end
expect io/portinit-finds-the-board "DOVEVED PCI card found!
= 1" "$(echo "$out" | sed -n 1,2p)"
expect io/the-range-is-not-mapped "= 0" "$(echo "$out" | sed -n 3p)"
expect io/bytes-words-and-dwords-read-back "= -
= -
= 11
= 22
= -
= 4433
= 2211
= -
= 88776655
= 44332211" "$(echo "$out" | sed -n 4,13p)"
expect io/no-refusal-inside-the-range "" "$(for offset in 8 9 10 12; do lines_about $offset; done)"
# What the card holds, read again by this shell with 4-byte preads of the
# real resource0: the accesses went to the device, not to a copy.
expect io/the-resource-file-holds-what-was-written "44332211 88776655" "$(io_dword $RTL8139 8) $(io_dword $RTL8139 12)"

# The range's last units are served; anything reaching past its end, and
# any unaligned unit, is refused before the kernel sees it and reads 0.
merlin init 0 inpd 0xfc inpw 0xfe inpb 0xff end
expect io/the-last-units-are-served "" "$(lines_about 0xfc; lines_about 0xfe; lines_about 0xff)"
merlin init 0 inpd 0xfe inpw 0xff inpb 0x100 end
expect io/past-the-end-reads-0 "= 0
= 0
= 0" "$(echo "$out" | sed -n 3,5p)"
expect io/past-the-end-is-refused-with-a-line "3" \
  "$({ lines_about 0xfe; lines_about 0xff; lines_about 0x100; } | grep -c "lies outside every range")"
merlin init 0 inpw 9 inpd 0xa outd 0xa 0xdeadbeef outw 0xd 0xbeef inpd 8 inpd 0xc end
expect io/unaligned-units-read-0-and-write-nothing "= 0
= 0
= -
= -
= 44332211
= 88776655" "$(echo "$out" | sed -n 3,8p)"
expect io/unaligned-units-are-refused-with-a-line "4" \
  "$(echo "$err" | grep -c "unaligned .* refused: the kernel takes only aligned accesses")"
