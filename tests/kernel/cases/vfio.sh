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
# A device descriptor that the kernel refuses: a tree whose function carries
# another name than the edu's in the edu's group. The host is refused with
# the kernel's reason, and the group it had opened is given back.
make_tree /tmp/misnamed "$EDU" 0x136c 0xa036
mv "/tmp/misnamed/bus/pci/devices/$EDU" /tmp/misnamed/bus/pci/devices/0000:00:07.0
run env LINEIO_SYSFS_ROOT=/tmp/misnamed "$HOST" "$KESTREL" init 0 failure end
expect vfio/a-refused-device-descriptor-is-refused "error - could not lock device, already in use
= 1
= $FAILURE_OTHER" "$(echo "$out" | sed -n 1,3p)"
expect vfio/with-the-kernels-reason "lineio: the kernel refuses the VFIO device descriptor of 0000:00:07.0: No such device" "$err"

kestrel_on_edu
kestrel init 0 end
expect vfio/the-group-was-given-back "DOVEVED PCI card found!
= 1" "$(echo "$out" | sed -n 1,2p)"
lab_program vfio
kernel_kept_the_line vfio

