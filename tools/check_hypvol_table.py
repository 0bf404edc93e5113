"""Run kvor_hypvol_no_deps over tests/data/hypvol_table.tsv and print the success rate, the
largest deviation from the oracle volumes and the time per code by crossing number.

    python tools/check_hypvol_table.py [--oriented] [--every N]

Uses the module from python/ in this tree (no build needed).
"""

import argparse
import json
import statistics
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "python"))

from kvor_hypvol_no_deps import hyperbolic_volume_from_pd  # noqa: E402


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--oriented", action="store_true",
                    help="use the oriented [in-under, in-over, out-under, out-over] codes")
    ap.add_argument("--every", type=int, default=1, help="take every N-th row")
    ap.add_argument("--tol", type=float, default=1e-9)
    args = ap.parse_args()
    rows = [line.rstrip("\n").split("\t") for line in (ROOT / "tests/data/hypvol_table.tsv").open()
            if not line.startswith("#")]
    col = 5 if args.oriented else 4
    wrong, times, worst = [], {}, 0.0
    for r in rows[::args.every]:
        name, cn, vol = r[0], int(r[2]), float(r[3])
        pd = json.loads(r[col])
        t0 = time.perf_counter()
        try:
            got = hyperbolic_volume_from_pd(pd, ccw=not args.oriented)
        except Exception as exc:  # report, keep going
            got = repr(exc)
        times.setdefault(cn, []).append(time.perf_counter() - t0)
        if isinstance(got, float) and abs(got - vol) <= args.tol:
            worst = max(worst, abs(got - vol))
        else:
            wrong.append((name, got, vol))
    n = len(rows[::args.every])
    print(f"{n - len(wrong)}/{n} within {args.tol:g} of the oracle; largest deviation {worst:.2e}")
    for w in wrong:
        print("  wrong:", w)
    print("crossings  count  median ms  p90 ms  p99 ms  max ms")
    for cn in sorted(times):
        ts = sorted(times[cn])
        q = lambda p: ts[min(len(ts) - 1, int(p * len(ts)))] * 1e3  # noqa: E731
        print(f"{cn:9d}  {len(ts):5d}  {statistics.median(ts) * 1e3:9.2f}  {q(0.9):6.2f}  {q(0.99):6.2f}  "
              f"{ts[-1] * 1e3:6.2f}")


if __name__ == "__main__":
    main()
