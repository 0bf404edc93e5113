"""Summary of resources/manifest.tsv: counts per file, verification methods, tightness."""
import collections
import os
import statistics

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
with open(os.path.join(ROOT, "resources", "manifest.tsv")) as f:
    hdr = f.readline().rstrip("\n").split("\t")
    rows = [dict(zip(hdr, l.rstrip("\n").split("\t"))) for l in f]
files = collections.Counter("ideal/ideal_12_data/12" + r["file"].split("/")[-1][2] if "ideal_12_data" in r["file"]
                            else ("knot_fseries" if r["file"].startswith("knot_fseries") else r["file"]) for r in rows)
for k, v in files.items():
    print(f"{k:32s} {v}")
print("verified:", collections.Counter(r["verified"] for r in rows))
print("methods:", collections.Counter(r["method"].split("/")[0] for r in rows))
env = [(float(r["envelope_ratio"]), r["key"], r["file"]) for r in rows if r["envelope_ratio"]]
for grp in ("ideal/ideal.txt", "ideal/ideal_11a.txt", "ideal/ideal_11n.txt", "knot_fseries", None):
    e = [x for x in env if grp is None or x[2].startswith(grp)]
    if not e:
        continue
    vals = [x[0] for x in e]
    print(f"envelope ratio {grp or 'all'}: n={len(vals)} min={min(vals):.4f} median={statistics.median(vals):.4f} "
          f"max={max(vals):.4f} over={sum(v > 1 for v in vals)}")
for k in ("3_1", "L2a1"):
    for r in rows:
        if r["key"] == k and r["file"] == "ideal/ideal.txt":
            print(k, r["ropelength"])

# timings of the stored runs, by data set
import glob
import json
for w in ("work2", "work3"):
    for d in sorted(glob.glob(os.path.join(ROOT, "tools", w, "*"))):
        ts = []
        for f in glob.glob(os.path.join(d, "*.json")):
            if ".final" in f:
                continue
            with open(f) as fh:
                r = json.load(fh)
            ts.append(sum(r.get(k, 0) for k in ("t_start", "t_tighten", "t_fit", "t_verify")))
        if ts:
            print(f"time per entry {w}/{os.path.basename(d)}: n={len(ts)} mean={statistics.mean(ts):.2f}s "
                  f"median={statistics.median(ts):.2f}s max={max(ts):.1f}s total={sum(ts) / 60:.1f}min")
