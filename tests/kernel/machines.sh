# The kernel lab's machines, sourced by scripts/kernel-tests.sh. Each machine
# is one function machine_NAME that sets:
#   MACHINE_ARGS  QEMU's machine, memory and processor options
#   DEVICES       the emulated PCI devices, at the fixed places the cases name
#   KERNEL_ARGS   what the guest's kernel command line adds
#   MODULES       the kernel modules to load, in dependency order, as paths
#                 under lib/modules/VERSION/kernel/ of the kernel package,
#                 without .ko
#   FUNCTIONS     the guest's names for its functions (NAME=DDDD:BB:SS.F),
#                 which the cases use
#   CASE_GROUPS   the case groups to run, in order (cases/GROUP.sh)
# LAB_MACHINES lists the machines that the stage boots, one boot each.

LAB_MACHINES=(pc)

# i440FX: the edu device (memory range, INTx), an rtl8139 (I/O range, left
# to no driver) and an ne2k_pci (I/O range, bound to its network driver).
machine_pc() {
  MACHINE_ARGS=(-machine pc -m 256 -smp 1)
  DEVICES=(-device edu,addr=02.0 -device rtl8139,romfile=,addr=03.0 -device ne2k_pci,romfile=,addr=04.0)
  KERNEL_ARGS=""
  FUNCTIONS=(EDU=0000:00:02.0 RTL8139=0000:00:03.0 NE2K=0000:00:04.0)
  MODULES=(drivers/uio/uio drivers/uio/uio_pci_generic
    drivers/net/ethernet/8390/8390 drivers/net/ethernet/8390/ne2k-pci)
  CASE_GROUPS=(memory io lock interrupts permission binding pcidiag)
}
