"""Second pass over the 3-10 crossing database: finer beads for the entries that were
tightened with coarse ones (resumable; an entry is refined once)."""
import os
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tight import entries, pipeline  # noqa: E402

out = os.path.join(pipeline.WORK, "ideal")
for e in entries.ideal_entries():
    if e.get("h", 0.1) <= 0.1:
        continue
    t = time.time()
    r = pipeline.refine(e, out)
    if r:
        res, better, old = r
        print(f"refine {e['key']} {old:.3f} -> {res['ropelength']:.3f} {'kept' if better else 'not better'} "
              f"{time.time() - t:.1f}s", flush=True)
