# The sysfs path beside VFIO: the second rtl8139, bound to no driver, is
# served through its `resource0` file as on a machine without an IOMMU, while
# the first is bound to vfio-pci.
SYSFS_TREE=/tmp/merlin-sysfs
make_tree $SYSFS_TREE "$SYSFS_RTL8139" 0x1172 0x1998 io-only
beside() { run env LINEIO_SYSFS_ROOT=$SYSFS_TREE "$HOST" "$MERLIN" "$@"; }

expect beside/the-second-rtl8139-has-no-driver none "$(driver_of "$SYSFS_RTL8139")"
beside init 0 outb 8 0x5a inpb 8 outd 0xc 0x1020304 inpd 0xc end
expect beside/reads-back-through-sysfs "DOVEVED PCI card found!
= 1
= -
= 5a
= -
= 1020304" "$(echo "$out" | sed -n 1,6p)"
expect beside/the-resource-file-holds-it "01020304" "$(io_dword "$SYSFS_RTL8139" 12)"
