# Interrupts through uio_pci_generic: the edu bound to it (memory.sh), the
# suite LabInterrupts of lineio-lab-interrupts on the Kestrel tree.
kestrel_on_edu
lab_program interrupts
kernel_kept_the_line interrupts
