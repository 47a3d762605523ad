# Interrupts through uio_pci_generic: the edu bound to it (memory.sh), the
# suite LabInterrupts of lineio-lab-interrupts on the Kestrel tree.
make_tree $EDU_TREE $EDU 0x136c 0xa036
lab_program interrupts
kernel_kept_the_line interrupts
