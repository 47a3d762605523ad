# Permission: an unprivileged host is refused with the documented line; once
# the udev rule's permissions are applied by hand to the edu's real files
# (the commands of the rule's Kestrel lines, platform/linux/60-lineio.rules),
# a member of its group opens the board and takes interrupts.
RULES=$LAB/60-lineio.rules
make_lab_user

kestrel_on_edu
as_lab "$HOST" "$KESTREL" init 0 failure end
expect permission/an-unprivileged-host-is-refused "error - could not lock device, already in use
= 1" "$(echo "$out" | sed -n 1,2p)"
expect permission/the-host-reads-permission "= $FAILURE_PERMISSION" "$(echo "$out" | sed -n 3p)"
expect permission/with-the-documented-line "lineio: cannot open $EDU_TREE/bus/pci/devices/$EDU/config: permission denied: run as root, or install the udev rule platform/linux/60-lineio.rules and join its group (see README, \"Using a real board on Linux\")" "$err"

# The rule's RUN command for Kestrel, with %p the function's path under /sys,
# and its GROUP and MODE for the uio device.
devpath=$(readlink -f $DEVICES/$EDU)
devpath=${devpath#/sys}
run_command=$(rule_command 'ACTION=="add|bind|change".*ATTR{device}=="0xa036"')
uio_group=$(grep 'SUBSYSTEM=="uio".*0xa036' $RULES | sed -n 's/.*GROUP="\([^"]*\)".*/\1/p')
uio_mode=$(grep 'SUBSYSTEM=="uio".*0xa036' $RULES | sed -n 's/.*MODE="\([^"]*\)".*/\1/p')
uio=$(ls $DEVICES/$EDU/uio)
if sh -c "$(echo "$run_command" | sed "s|%p|$devpath|g")" &&
  chgrp "$uio_group" /dev/$uio && chmod "$uio_mode" /dev/$uio; then
  pass permission/the-rule-applies-by-hand
else
  fail permission/the-rule-applies-by-hand "[$run_command], group [$uio_group], mode [$uio_mode]"
fi
as_lab "$HOST" "$KESTREL" init 0 inpd 0 end
expect permission/a-member-of-the-group-opens-the-board "DOVEVED PCI card found!
= 1
= 10000ed
= 1" "$out"
lab_program permission lab
