# A group that is not viable: the edu at GROUPED_EDU shares its IOMMU group
# with the ne2k_pci beside it (functions of one multi-function device), which
# its network driver holds. Bound to vfio-pci, the edu is refused with the
# line that names the ne2k and says what to do; once the ne2k is unbound, the
# edu opens.
GROUPED_TREE=/tmp/kestrel-grouped
vfio_bind "$GROUPED_EDU"
make_tree $GROUPED_TREE "$GROUPED_EDU" 0x136c 0xa036
grouped() { run env LINEIO_SYSFS_ROOT=$GROUPED_TREE "$HOST" "$KESTREL" "$@"; }
group=$(basename "$(readlink "$DEVICES/$GROUPED_EDU/iommu_group")")

expect grouped/the-edu-and-the-ne2k-share-a-group "$GROUPED_EDU $GROUPED_NE2K" \
  "$(ls "$DEVICES/$GROUPED_EDU/iommu_group/devices" | tr '\n' ' ' | sed 's/ $//')"
expect grouped/the-ne2k-holds-its-network-driver ne2k-pci "$(driver_of "$GROUPED_NE2K")"
grouped init 0 failure end
expect grouped/not-viable-is-refused "error - could not lock device, already in use
= 1" "$(echo "$out" | sed -n 1,2p)"
expect grouped/the-host-reads-binding "= $FAILURE_BINDING" "$(echo "$out" | sed -n 3p)"
expect grouped/with-the-line-that-names-the-ne2k "lineio: IOMMU group $group of $GROUPED_EDU is not viable: it also holds $GROUPED_NE2K (ne2k-pci); unbind those from their drivers or bind them to vfio-pci too (see README, \"Boards behind an IOMMU: vfio-pci\")" "$err"
unbind "$GROUPED_NE2K"
grouped init 0 inpd 0 end
expect grouped/opens-once-the-ne2k-is-unbound "DOVEVED PCI card found!
= 1
= 10000ed
= 1" "$out"
