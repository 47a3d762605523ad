# Lockdown: the kernel booted with lockdown=integrity, as Secure Boot boots a
# distribution kernel. The sysfs path is refused with its documented line and
# code (a memory range cannot be mapped, an I/O range cannot be written:
# lockdown lets its reads through); the
# same devices bound to vfio-pci give their boards (and the group vfio that
# follows, the edu's interrupts).
mount -t securityfs securityfs /sys/kernel/security 2>/dev/null
expect paths/the-kernel-is-in-lockdown "none [integrity] confidentiality" "$(cat /sys/kernel/security/lockdown)"

kestrel_on_edu
kestrel init 0 failure end
expect paths/sysfs-memory-is-refused "error - could not lock device, already in use
= 1" "$(echo "$out" | sed -n 1,2p)"
expect paths/the-host-reads-lockdown "= $FAILURE_LOCKDOWN" "$(echo "$out" | sed -n 3p)"
expect paths/with-the-documented-line "lineio: cannot map $EDU_TREE/bus/pci/devices/$EDU/resource0: the kernel forbids it: Secure Boot lockdown does not let user space reach PCI registers" "$err"

SYSFS_TREE=/tmp/merlin-sysfs
make_tree $SYSFS_TREE "$SYSFS_RTL8139" 0x1172 0x1998 io-only
run env LINEIO_SYSFS_ROOT=$SYSFS_TREE "$HOST" "$MERLIN" init 0 inpb 8 outb 8 0x5a inpb 8 end
expect paths/sysfs-io-writes-are-refused "= 0
= -
= 0" "$(echo "$out" | sed -n 3,5p)"
expect paths/with-the-lockdown-line "lineio: I/O write of 1 bytes at port $(printf 0x%x $(($(head -c 18 "$DEVICES/$SYSFS_RTL8139/resource") + 8))) failed: the kernel forbids it: Secure Boot lockdown does not let user space reach PCI registers" \
  "$(echo "$err" | grep "at port $(printf 0x%x $(($(head -c 18 "$DEVICES/$SYSFS_RTL8139/resource") + 8))) ")"

unbind "$EDU"
LAB_DRIVER=vfio-pci
MAPPED_NAME=vfio-device
kestrel_on_edu
kestrel init 0 maps $MAPPED_NAME inpd 0 outd 4 0x12345678 inpd 4 end
expect paths/vfio-opens-the-memory-board "DOVEVED PCI card found!
= 1
= 1
= 10000ed
= -
= edcba987
= 1" "$out"
expect paths/with-nothing-on-standard-error "" "$err"

vfio_bind "$RTL8139"
make_tree $RTL8139_TREE "$RTL8139" 0x1172 0x1998 io-only
run env LINEIO_SYSFS_ROOT=$RTL8139_TREE "$HOST" "$MERLIN" init 0 outb 8 0x11 inpb 8 outd 0xc 0x88776655 inpd 0xc end
expect paths/vfio-opens-the-io-board "DOVEVED PCI card found!
= 1
= -
= 11
= -
= 88776655" "$(echo "$out" | sed -n 1,6p)"

