#!/usr/bin/env python3
"""lineio-trace-vcd fed traces it cannot convert: each is refused with exit
status 1, the line number and the reason on standard error, and no dump left
behind; a good trace converts.

usage: converter_input.py CONVERTER WORK_DIR
"""
import pathlib
import subprocess
import sys

GOOD = ("0 ! lineio 1.0.0 trace of the Kestrel board\n"
        "1 ! registers 0310 0312 0314 0316\n"
        "2 > PortOut 16 18\n"
        "3 W 0310 12\n"
        "4 W 0314 06\n"
        "5 = 10\n")

# name: (trace bytes, line number, part of the reason)
CASES = {
    "cut off in its last line": (GOOD + "6 W 03", 7, "cut off"),
    "garbage": (b"\x7fELF\x02\x01\x01\x00\x00\x00\n".decode("latin-1"), 1, "not a trace line"),
    "not a lineio trace": ("0 hello\n", 1, "no \"! lineio\" first line"),
    "time stamp not a number": (GOOD + "x7 W 0310 00\n", 7, "time stamp"),
    "access without a value": (GOOD + "7 W 0310\n", 7, "an access is"),
    "access of three digits": (GOOD + "7 R 0310 123\n", 7, "2, 4 or 8 digits"),
    "unknown kind": (GOOD + "7 Q something\n", 7, "unknown line kind 'Q'"),
    "register note short": (GOOD + "7 ! registers 0310 0312\n", 7, "four offsets"),
    "empty": ("", 1, "empty"),
}


def main(converter, work):
    work = pathlib.Path(work)
    work.mkdir(parents=True, exist_ok=True)
    for name, (text, line, reason) in CASES.items():
        trace, vcd = work / "bad.trace", work / "bad.vcd"
        trace.write_bytes(text.encode("latin-1"))
        run = subprocess.run([converter, str(trace), str(vcd)], capture_output=True, text=True)
        expected = f"lineio-trace-vcd: {trace}, line {line}: "
        if run.returncode != 1 or not run.stderr.startswith(expected) or reason not in run.stderr:
            sys.exit(f"{name}: status {run.returncode}, standard error {run.stderr!r}; "
                     f"expected status 1 and {expected!r}... {reason!r}")
        if vcd.exists():
            sys.exit(f"{name}: a dump was left behind")
    good, vcd = work / "good.trace", work / "good.vcd"
    good.write_text(GOOD)
    subprocess.run([converter, str(good), str(vcd)], check=True)
    dump = vcd.read_text()
    if " data[7] $end" not in dump or "\n#3\n" not in dump or "\n#4\n" not in dump:
        sys.exit("the good trace's dump lacks its signals or its times:\n" + dump)
    print(f"{len(CASES)} bad traces refused with their line numbers; a good one converted")


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit(__doc__)
    main(*sys.argv[1:])
