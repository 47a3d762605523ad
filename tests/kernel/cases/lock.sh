# The lock on the edu's real `config` (through the Kestrel tree): a second
# process is refused while a first holds the board, and the board opens again
# when the holder ends and when it is killed.
kestrel_on_edu
HOLDER_IN=/tmp/holder.in
HOLDER_OUT=/tmp/holder.out
OPENED="DOVEVED PCI card found!
= 1"
REFUSED="error - could not lock device, already in use
= 1"

# Starts a holder: PortInit, then it waits for standard input to end.
start_holder() {
  rm -f $HOLDER_IN $HOLDER_OUT
  mkfifo $HOLDER_IN
  env LINEIO_SYSFS_ROOT=$EDU_TREE "$HOST" "$KESTREL" init 0 hold end <$HOLDER_IN >$HOLDER_OUT 2>&1 &
  holder=$!
  exec 3>$HOLDER_IN
  wait_for_line $HOLDER_OUT holding
}

start_holder
expect lock/the-holder-opens "$OPENED" "$(sed -n 1,2p $HOLDER_OUT)"
kestrel init 0 failure end
expect lock/a-second-process-is-refused "$REFUSED" "$(echo "$out" | sed -n 1,2p)"
expect lock/the-refusal-says-nothing-more "" "$err"
expect lock/the-host-reads-lock-held "= $FAILURE_LOCK_HELD" "$(echo "$out" | sed -n 3p)"
exec 3>&-
wait $holder
kestrel init 0 end
expect lock/opens-when-the-holder-ends "$OPENED" "$(echo "$out" | sed -n 1,2p)"

start_holder
kestrel init 0 end
expect lock/refused-again-under-a-new-holder "$REFUSED" "$(echo "$out" | sed -n 1,2p)"
kill -9 $holder
wait $holder
exec 3>&-
kestrel init 0 end
expect lock/opens-when-the-holder-is-killed "$OPENED" "$(echo "$out" | sed -n 1,2p)"
