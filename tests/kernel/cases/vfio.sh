# VFIO behind the emulated IOMMU: the edu and the first rtl8139 bound to
# vfio-pci (each alone in its IOMMU group). The groups that follow on this
# machine (memory, io, lock, unbind) run on them through VFIO; here the suite
# LabVfio of lineio-lab-interrupts takes the edu's interrupts through its
# eventfd, holds the group as the lock and reads configuration through the
# device.
LAB_DRIVER=vfio-pci
MAPPED_NAME=vfio-device
vfio_bind "$EDU"
vfio_bind "$RTL8139"
expect vfio/the-edu-is-bound-to-vfio-pci vfio-pci "$(driver_of "$EDU")"
expect vfio/the-rtl8139-is-bound-to-vfio-pci vfio-pci "$(driver_of "$RTL8139")"
edu_group=$(basename "$(readlink "$DEVICES/$EDU/iommu_group")")
rtl_group=$(basename "$(readlink "$DEVICES/$RTL8139/iommu_group")")
expect vfio/each-has-its-group-node "c c" "$([ -c "/dev/vfio/$edu_group" ] && echo c) $([ -c "/dev/vfio/$rtl_group" ] && echo c)"
lab_note "edu in IOMMU group $edu_group, rtl8139 in group $rtl_group"
kestrel_on_edu
lab_program vfio
kernel_kept_the_line vfio

