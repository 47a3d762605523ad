#!/bin/sh
# The instructions each port operation takes per call, with the library as
# shipped (tracing off) and built without its trace, counted by callgrind in
# the export alone (from its entry to its return, everything it calls
# included), for both boards and both kinds of range. ContDirect, a whole
# serial load, runs a twentieth as often as the others.
#
#   bench/tracing/count_instructions.sh [BUILD_DIR] [COUNT]
set -eu
build=${1:-build/dev}
count=${2:-2000}
programs=$build/bench/tracing
command -v valgrind >/dev/null || { echo "count_instructions.sh: needs valgrind (apt-get install valgrind)" >&2; exit 2; }
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT

# Instructions per call of the export: the program run under callgrind,
# collecting only inside the export.
per_call() {
  program=$1 operation=$2 range=$3
  calls=$count
  [ "$operation" = ContDirect ] && calls=$((count / 20))
  valgrind --tool=callgrind --collect-atstart=no --toggle-collect="$operation" \
    --callgrind-out-file="$out/counts" "$program" "$operation" "$range" "$calls" >/dev/null 2>&1
  awk -v n="$calls" '/^summary:|^totals:/ { printf "%.1f", $2 / n; exit }' "$out/counts"
}

printf '%-8s %-11s %-7s %12s %12s %8s\n' board operation range off without change
for board in kestrel merlin; do
  for operation in PortOut PortIinp BitOn ContDirect InpB; do
    for range in memory io; do
      off=$(per_call "$programs/bench_trace_cost_count_$board" $operation $range)
      without=$(per_call "$programs/bench_trace_cost_count_${board}_notrace" $operation $range)
      awk -v b=$board -v o=$operation -v r=$range -v a="$off" -v w="$without" \
        'BEGIN { printf "%-8s %-11s %-7s %12.1f %12.1f %+7.2f%%\n", b, o, r, a, w, (a / w - 1) * 100 }'
    done
  done
done
