#!/usr/bin/env bash
# A host traced onto a small file system that fills: the trace stops with one
# line on standard error, and the host runs to its end as without a trace.
# Needs a tmpfs mount (root); skipped (77) where mounting is not allowed.
#   full_file_system.sh HOST SIM_LIBRARY_DIR WORK_DIR
set -u
host=$1 library_dir=$2 work=$3
mkdir -p "$work/small"
mountpoint -q "$work/small" && umount "$work/small"
if ! mount -t tmpfs -o size=16k tmpfs "$work/small" 2>/dev/null; then
  echo "cannot mount a tmpfs here: not checked"
  exit 77
fi
trap 'umount "$work/small"' EXIT
LD_LIBRARY_PATH=$library_dir LINEIO_MESSAGES=off LINEIO_TRACE=$work/small/trace "$host" 2>"$work/stderr"
status=$?
expected="lineio: the trace to $work/small/trace stopped: No space left on device"
if [[ $status != 0 ]]; then
  echo "the host ended with status $status"
  exit 1
fi
if [[ $(cat "$work/stderr") != "$expected" ]]; then
  echo "standard error was:"
  cat "$work/stderr"
  exit 1
fi
echo "the trace filled $(stat -c %s "$work/small/trace") bytes, stopped with one line; the host ended with 0"
