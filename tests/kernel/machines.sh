# The kernel lab's machines, sourced by scripts/kernel-tests.sh. Each machine
# is one function machine_NAME that sets:
#   MACHINE_ARGS  QEMU's machine, memory and processor options
#   DEVICES       the emulated PCI devices, at the fixed places the cases name
#   KERNEL_ARGS   what the guest's kernel command line adds
#   MODULES       the kernel modules to load, in dependency order, as paths
#                 under lib/modules/VERSION/kernel/ of the kernel package,
#                 without .ko
#   FUNCTIONS     the guest's names for its functions (NAME=DDDD:BB:SS.F),
#                 which the cases use (EDITED: the function that pcidiag's
#                 editor picks by its identifiers, the one of its kind)
#   CASE_GROUPS   the case groups to run, in order (cases/GROUP.sh)
#   PREFIX        what the names of the machine's cases start with ("" or
#                 "q35/"), so that a group run on two machines keeps its
#                 cases apart
# LAB_MACHINES lists the machines that the stage boots, one boot each.

LAB_MACHINES=(pc q35 lockdown)

# VFIO and what it needs, in dependency order (kernel 6.1; vfio_virqfd is a
# module of its own there).
VFIO_MODULES=(drivers/vfio/vfio drivers/vfio/vfio_iommu_type1 drivers/vfio/vfio_virqfd virt/lib/irqbypass
  drivers/vfio/pci/vfio-pci-core drivers/vfio/pci/vfio-pci)
NE2K_MODULES=(drivers/net/ethernet/8390/8390 drivers/net/ethernet/8390/ne2k-pci)

# i440FX: the edu device (memory range, INTx), an rtl8139 (I/O range, left
# to no driver) and an ne2k_pci (I/O range, bound to its network driver).
machine_pc() {
  MACHINE_ARGS=(-machine pc -m 256 -smp 1)
  DEVICES=(-device edu,addr=02.0 -device rtl8139,romfile=,addr=03.0 -device ne2k_pci,romfile=,addr=04.0)
  KERNEL_ARGS=""
  FUNCTIONS=(EDU=0000:00:02.0 RTL8139=0000:00:03.0 NE2K=0000:00:04.0)
  MODULES=(drivers/uio/uio drivers/uio/uio_pci_generic "${NE2K_MODULES[@]}")
  CASE_GROUPS=(memory io lock interrupts permission binding pcidiag)
  PREFIX=""
}

# q35 with the emulated IOMMU (VFIO needs one: Debian's kernel has no no-IOMMU
# mode). The edu and an rtl8139 are bound to vfio-pci by the vfio group and
# the memory, I/O and lock groups then run on them through VFIO; a second
# rtl8139 stays with no driver (the sysfs path beside VFIO); an edu shares a
# group with an ne2k_pci bound to its network driver (a group that is not
# viable: functions of one multi-function device without ACS share a group).
machine_q35() {
  MACHINE_ARGS=(-machine q35 -m 256 -smp 1)
  DEVICES=(-device intel-iommu,intremap=on -device edu,addr=02.0 -device rtl8139,romfile=,addr=03.0
    -device rtl8139,romfile=,addr=04.0 -device edu,addr=05.0,multifunction=on -device ne2k_pci,romfile=,addr=05.1)
  KERNEL_ARGS="intel_iommu=on"
  FUNCTIONS=(EDU=0000:00:02.0 RTL8139=0000:00:03.0 SYSFS_RTL8139=0000:00:04.0 GROUPED_EDU=0000:00:05.0
    GROUPED_NE2K=0000:00:05.1 EDITED=0000:00:05.1)
  MODULES=(drivers/uio/uio drivers/uio/uio_pci_generic "${NE2K_MODULES[@]}" "${VFIO_MODULES[@]}")
  CASE_GROUPS=(vfio memory io lock access unbind grouped beside pcidiag)
  PREFIX="q35/"
}

# The q35 machine's kernel in lockdown, as Secure Boot puts a distribution
# kernel: the sysfs path is refused, VFIO works.
machine_lockdown() {
  machine_q35
  KERNEL_ARGS="intel_iommu=on lockdown=integrity"
  FUNCTIONS=(EDU=0000:00:02.0 RTL8139=0000:00:03.0 SYSFS_RTL8139=0000:00:04.0)
  DEVICES=(-device intel-iommu,intremap=on -device edu,addr=02.0 -device rtl8139,romfile=,addr=03.0
    -device rtl8139,romfile=,addr=04.0)
  CASE_GROUPS=(paths vfio)
  PREFIX="lockdown/"
}
