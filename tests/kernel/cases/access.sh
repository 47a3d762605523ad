# Permission through VFIO: an unprivileged member of the udev rule's group is
# refused the edu's IOMMU group with the documented line until the command of
# the rule's vfio-pci line (applied here by hand, as udev runs it at the
# bind) gives the group's node to "lineio"; then the member opens the board.
make_lab_user
kestrel_on_edu
node=/dev/vfio/$(basename "$(readlink "$DEVICES/$EDU/iommu_group")")

as_lab "$HOST" "$KESTREL" init 0 failure end
expect access/an-unprivileged-host-is-refused "error - could not lock device, already in use
= 1" "$(echo "$out" | sed -n 1,2p)"
expect access/the-host-reads-permission "= $FAILURE_PERMISSION" "$(echo "$out" | sed -n 3p)"
expect access/with-the-documented-line "lineio: cannot open $node: permission denied: run as root, or install the udev rule platform/linux/60-lineio.rules and join its group (see README, \"Boards behind an IOMMU: vfio-pci\")" "$err"

devpath=$(readlink -f "$DEVICES/$EDU")
devpath=${devpath#/sys}
run_command=$(rule_command 'DRIVER=="vfio-pci".*ATTR{device}=="0xa036"')
if sh -c "$(echo "$run_command" | sed "s|%p|$devpath|g")"; then
  pass access/the-rule-applies-by-hand
else
  fail access/the-rule-applies-by-hand "[$run_command]"
fi
expect access/the-node-belongs-to-lineio "lineio 660" "$(stat -c '%G %a' "$node")"
as_lab "$HOST" "$KESTREL" init 0 inpd 0 end
expect access/a-member-of-the-group-opens-the-board "DOVEVED PCI card found!
= 1
= 10000ed
= 1" "$out"
