#!/usr/bin/python3
"""Times pandas' read_csv on a file, for comparison with `lumetra-bench load` (the loading
table of docs/performance.md). Needs pandas (Debian: python3-pandas); nothing in the build
uses it.

    tools/time_pandas_csv.py FILE.csv [--runs N]

Each run reads the file in a fresh process (as lumetra-bench load does) and prints
`pandas seconds=S cpu_seconds=C`; the last line is the median."""
import statistics
import subprocess
import sys

RUN = """
import sys, time
import pandas
start, cpu = time.perf_counter(), time.process_time()
frame = pandas.read_csv(sys.argv[1])
print(time.perf_counter() - start, time.process_time() - cpu, frame.shape[0])
"""


def main():
    if len(sys.argv) < 2:
        print(__doc__, file=sys.stderr)
        return 2
    runs = int(sys.argv[sys.argv.index("--runs") + 1]) if "--runs" in sys.argv else 5
    times, cpus = [], []
    for _ in range(runs):
        out = subprocess.run([sys.executable, "-c", RUN, sys.argv[1]], capture_output=True, text=True, check=True)
        seconds, cpu, rows = out.stdout.split()
        times.append(float(seconds))
        cpus.append(float(cpu))
        print(f"pandas rows={rows} seconds={float(seconds):.4f} cpu_seconds={float(cpu):.4f}", flush=True)
    print(f"pandas median_seconds={statistics.median(times):.4f} median_cpu_seconds={statistics.median(cpus):.4f} runs={runs}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
