"""Benchmark harness: time a kernel and a reference implementation of the same formula in the
same process and print a table of ratios (reference time / kernel time)."""
import statistics
import time


def best_time(fn, repeat=5, min_time=0.05):
    """Best wall time of one call over `repeat` rounds (calls are batched to at least min_time)."""
    fn()  # warm up
    t0 = time.perf_counter()
    fn()
    once = time.perf_counter() - t0
    inner = max(1, int(min_time / once)) if once > 0 else 1000
    times = []
    for _ in range(repeat):
        t0 = time.perf_counter()
        for _ in range(inner):
            fn()
        times.append((time.perf_counter() - t0) / inner)
    return min(times)


class Table:
    """Collects rows (name, kernel time, reference time, note) and prints them."""

    def __init__(self, title):
        self.title = title
        self.rows = []

    def add(self, name, kernel, reference, note="", repeat=5, min_time=0.05, reference_repeat=None):
        tk = best_time(kernel, repeat=repeat, min_time=min_time)
        tr = best_time(reference, repeat=reference_repeat or repeat, min_time=min_time)
        self.rows.append((name, tk, tr, note))
        return tk, tr

    def print(self):
        print(f"\n== {self.title} ==")
        print(f"{'case':<48} {'kernel':>12} {'reference':>12} {'ratio':>9}  note")
        for name, tk, tr, note in self.rows:
            print(f"{name:<48} {fmt(tk):>12} {fmt(tr):>12} {tr / tk:>8.1f}x  {note}")
        if self.rows:
            print(f"median ratio {statistics.median(tr / tk for _, tk, tr, _ in self.rows):.1f}x")


def fmt(seconds):
    if seconds >= 1:
        return f"{seconds:.3f} s"
    if seconds >= 1e-3:
        return f"{seconds * 1e3:.3f} ms"
    return f"{seconds * 1e6:.1f} us"


def time_once(fn):
    """Wall time of a single call (for runs too long to repeat)."""
    t0 = time.perf_counter()
    fn()
    return time.perf_counter() - t0


def add_measured(table, name, kernel_seconds, reference_seconds, note=""):
    """Adds a row from times measured by the caller."""
    table.rows.append((name, kernel_seconds, reference_seconds, note))
