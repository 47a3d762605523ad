#!/usr/bin/env python3
"""Runs the host against the simulation flavour with LINEIO_TRACE, turns the
trace's call lines into a script of the bus analyser, runs the analyser on it
and compares: every line of the analyser's output must be the trace's line
at the same place once the time stamps are taken off.

The trace's lines of its own kinds are left out of the comparison: the call
lines ("> ...", which are the script), its notes ("! ..."); a library message
("# text") is compared as the analyser prints it ("text").

usage: compare_trace.py HOST SIM_LIBRARY_DIR ANALYSER WORK_DIR
"""
import os
import pathlib
import subprocess
import sys

# The simulation flavour's board ticks on every 8th read of its status.
SIMULATION_TICK = "tick 8"


def payloads(trace):
    lines = trace.read_text().splitlines()
    for number, line in enumerate(lines, 1):
        stamp, _, payload = line.partition(" ")
        if not stamp.isdigit() or not payload:
            sys.exit(f"{trace}:{number}: not a trace line: {line!r}")
        yield payload


def main(host, library_dir, analyser, work):
    work = pathlib.Path(work)
    work.mkdir(parents=True, exist_ok=True)
    trace = work / "host.trace"
    environment = dict(os.environ, LD_LIBRARY_PATH=library_dir, LINEIO_TRACE=str(trace), LINEIO_MESSAGES="off")
    subprocess.run([host], env=environment, check=True, stdout=subprocess.DEVNULL)

    script, traced = [SIMULATION_TICK], []
    for payload in payloads(trace):
        if payload.startswith("> "):
            script.append(payload[2:])
        elif payload.startswith("# "):
            traced.append(payload[2:])
        elif not payload.startswith("!"):
            traced.append(payload)
    (work / "host.script").write_text("\n".join(script) + "\n")
    analysed = subprocess.run([analyser, str(work / "host.script")], check=True, capture_output=True,
                              text=True).stdout.splitlines()

    for number, (mine, theirs) in enumerate(zip(traced, analysed), 1):
        if mine != theirs:
            sys.exit(f"line {number} of the compared lines: the trace has {mine!r}, the analyser {theirs!r}")
    if len(traced) != len(analysed):
        sys.exit(f"the trace has {len(traced)} lines to compare, the analyser printed {len(analysed)}")
    calls = len(script) - 1
    print(f"{len(traced)} lines equal for {calls} calls; "
          f"{sum(1 for l in traced if l[0] in 'RW')} register accesses, "
          f"{sum(1 for l in traced if l.startswith('L '))} device loads")


if __name__ == "__main__":
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    main(*sys.argv[1:])
