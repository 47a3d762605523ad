# Binding: a board bound to another kernel driver is refused with the
# documented line, and opens once bound to uio_pci_generic as that line says;
# a board unbound while open and then bound again (suite LabBinding).
make_tree $NE2K_TREE $NE2K 0x1172 0x1998
merlin_ne2k() { run env LINEIO_SYSFS_ROOT=$NE2K_TREE "$HOST" "$MERLIN" "$@"; }

expect binding/the-card-holds-its-network-driver ne2k-pci "$(driver_of $NE2K)"
merlin_ne2k init 0 failure end
expect binding/bound-elsewhere-is-refused "error - could not lock device, already in use
= 1" "$(echo "$out" | sed -n 1,2p)"
expect binding/the-host-reads-binding "= $FAILURE_BINDING" "$(echo "$out" | sed -n 3p)"
expect binding/with-the-documented-line "lineio: $NE2K is bound to the kernel driver ne2k-pci: unbind it and bind uio_pci_generic (see README, \"Using a real board on Linux\")" "$err"
unbind $NE2K
uio_new_id 10ec 8029
make_tree $NE2K_TREE $NE2K 0x1172 0x1998
merlin_ne2k init 0 end
expect binding/opens-once-bound-to-uio "uio_pci_generic DOVEVED PCI card found!
= 1" "$(driver_of $NE2K) $(echo "$out" | sed -n 1,2p)"

# The edu unbound while the board is open, then bound again.
kestrel_on_edu
lab_program binding
make_tree $EDU_TREE $EDU 0x136c 0xa036
kestrel init 0 inpd 0 end
expect binding/portinit-again-after-the-rebind "DOVEVED PCI card found!
= 1
= 10000ed
= 1" "$out"
kernel_kept_the_line binding
