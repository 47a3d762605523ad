# The edu unbound from vfio-pci while the board is open (suite LabUnbind):
# the library lets the device go when the kernel asks, so that the unbind
# returns; bound again, the board opens and takes interrupts again.
kestrel_on_edu
lab_program unbind
vfio_bind "$EDU"
make_tree $EDU_TREE "$EDU" 0x136c 0xa036
kestrel init 0 inpd 0 end
expect unbind/portinit-again-after-the-rebind "DOVEVED PCI card found!
= 1
= 10000ed
= 1" "$out"
