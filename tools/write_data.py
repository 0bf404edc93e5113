"""Write the database texts, point lists and manifest from the per-entry results in
tools/work*/.  The coefficients are rounded to the six decimals that are written, and L and D
are measured again on the rounded curve, so the attributes are true of the stored text.

An entry without a result in the work directories, or whose result is not better than the
committed entry (improve.better: verified, under the envelope before over it, then the
lesser ropelength), keeps its committed text and manifest row byte for byte; so after
tools/improve.py only the improved entries change.

usage: write_data.py [--sets ideal,11a,...]
"""
import argparse
import json
import os
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tight import committed, entries, geom, pipeline, textfmt  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RES = os.path.join(ROOT, "resources")
IDEAL = os.path.join(RES, "ideal")
WORK = pipeline.WORK

MANIFEST_COLS = ["key", "file", "entry", "type", "kind", "components", "verified", "method",
                 "ropelength", "thickness", "length", "harmonics", "fit_dev", "beads",
                 "envelope_ratio"]


def envelope(c):
    return 4.25 + 4.20 * c


def final_geometry(d, key, res):
    """L, D of the rounded coefficients (cached next to the entry in directory d)."""
    if res.get("final"):  # improve.py stores the rounded coefficients and their geometry
        return res["coefs"], dict(L=res["L"], Ls=res["Ls"], D=res["D"])
    p = os.path.join(d, key + ".final2.json")
    coefs = res["coefs"]
    D0 = geom.curve_geometry(coefs)["D"]  # rescale to thickness 1 as measured here
    coefs = textfmt.round6([(A0 / D0, A / D0, B / D0) for A0, A, B in coefs])
    if os.path.exists(p) and os.path.getmtime(p) >= os.path.getmtime(os.path.join(d, key + ".npz")):
        with open(p) as f:
            g = json.load(f)
    else:
        g = geom.curve_geometry(coefs)
        g = {k: (float(v) if not isinstance(v, list) else [float(x) for x in v]) for k, v in g.items()}
        with open(p, "w") as f:
            json.dump(g, f)
    return coefs, g


def write(path, text):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", newline="\n") as f:
        f.write(text)


def manifest_row(key, file, eid, e, res, g=None, harmonics="", dev=""):
    c = e.get("crossings")
    rope = g["L"] / g["D"] if g else res["ropelength"]
    kind = e.get("kind", "knot")
    env = f"{rope / envelope(c):.4f}" if c and c <= 11 and kind == "knot" else ""
    return dict(key=key, file=file, entry=eid, type=e["name"], kind=kind,
                components=res["ncomp"], verified="yes" if res["verified"] else "no",
                method=res["method"], ropelength=f"{rope:.6f}",
                thickness=f"{(g['D'] if g else res['D']):.6f}",
                length=f"{(g['L'] if g else res['L']):.6f}", harmonics=harmonics, fit_dev=dev,
                beads=res["beads"], envelope_ratio=env)


def committed_rows():
    if not os.path.exists(os.path.join(RES, "manifest.tsv")):
        return {}
    return {(r["file"], r["key"]): r for r in committed.read_manifest()[1]}


def use_result(res, old, e):
    """True if a work result should replace the committed entry (old: its manifest row)."""
    if res is None:
        return False
    if old is None:
        return True
    import improve
    c = e.get("crossings")
    env = envelope(c) if c and c <= 11 and e.get("kind", "knot") == "knot" else None
    new = dict(ropelength=res["ropelength"], fit_dev=max(res.get("fit_dev") or [np.inf]))
    return improve.better(new, dict(ropelength=float(old["ropelength"]),
                                    fit_dev=float(old["fit_dev"] or "inf")), env)


def write_db(set_name, elist, tag, sub, fname, title, rows, missing):
    parts = [textfmt.data_open(title)]
    base = committed_rows()
    kept = 0
    for e in elist:
        res, d = pipeline.load_best(set_name, e["key"])
        old = base.get((fname, e["key"]))
        if not use_result(res, old, e):
            blk = committed.entry_block(set_name, e["id"]) if old else None
            if blk is None:
                missing.append((fname, e["key"]))
                continue
            parts.append(blk)  # the committed entry, byte for byte
            rows.append(old)
            kept += 1
            continue
        coefs, g = final_geometry(d, e["key"], res)
        if len(coefs) == 1 and tag != "TL":
            parts.append(textfmt.entry(tag, e["id"], e.get("conway", ""), g["L"], g["D"], coefs))
        else:
            parts.append(textfmt.entry(tag, e["id"], e.get("conway", ""), g["L"], g["D"], coefs,
                                       Ls=g["Ls"], sub=sub))
        rows.append(manifest_row(e["key"], fname, e["id"], e, res, g,
                                 harmonics=",".join(str(len(c[1])) for c in coefs),
                                 dev=f"{max(res['fit_dev']):.2e}"))
    parts.append("</DATA>")
    print(f"{fname}: {len(elist) - kept} entries from work results, {kept} kept as committed")
    return "\n".join(parts) + "\n"


def main(argv=None):
    ap = argparse.ArgumentParser()
    ap.add_argument("--sets", default="ideal,11a,11n,links,10a,10n,12a,12n")
    a = ap.parse_args(argv)
    sets = a.sets.split(",")
    rows, missing = [], []
    if "ideal" in sets:
        t = write_db("ideal", entries.ideal_entries(), "AB", "Component", "ideal/ideal.txt",
                     "Tight knots with 3 to 10 crossings, composites, two 11-crossing knots and seven links",
                     rows, missing)
        write(os.path.join(IDEAL, "ideal.txt"), t)
        write(os.path.join(ROOT, "Front-End", "knot_fseries", "ideal_database.txt"), t)
    for s in ("11a", "11n"):
        if s in sets:
            t = write_db(s, entries.ht_entries(s[-1]), "HT", "Component", f"ideal/ideal_{s}.txt",
                         f"Tight {'alternating' if s == '11a' else 'non-alternating'} knots with 11 crossings",
                         rows, missing)
            write(os.path.join(IDEAL, f"ideal_{s}.txt"), t)
    groups = entries.link_groups()
    names = {"links": "idealLinks.txt", "10a": "idealLinks_10a.txt", "10n": "idealLinks_10n.txt"}
    titles = {"links": "Tight links with 2 to 9 crossings",
              "10a": "Tight alternating links with 10 crossings",
              "10n": "Tight non-alternating links with 10 crossings"}
    for s in ("links", "10a", "10n"):
        if s in sets:
            t = write_db(s, groups[s], "TL", "STRING", "ideal/" + names[s], titles[s], rows, missing)
            write(os.path.join(IDEAL, names[s]), t)
    for s in ("12a", "12n"):
        if s not in sets:
            continue
        base = committed_rows()
        for e in entries.p12_entries(s[-1]):
            res, d = pipeline.load_best_points(s, e["key"])
            old = base.get(("ideal/ideal_12_data/" + e["file"], e["key"]))
            if old is not None and (res is None or res["ropelength"] >= float(old["ropelength"])):
                rows.append(old)  # the committed point list stays as it is
                continue
            if res is None:
                missing.append(("ideal/ideal_12_data/" + e["file"], e["key"]))
                continue
            pts = np.load(os.path.join(d, e["key"] + ".npy"))
            write(os.path.join(IDEAL, "ideal_12_data", e["file"]), textfmt.points_text(pts))
            rows.append(manifest_row(e["key"], "ideal/ideal_12_data/" + e["file"], "", e, res,
                                     harmonics="", dev=""))
    # merge with the rows of sets not rewritten now
    mpath = os.path.join(RES, "manifest.tsv")
    old = []
    if os.path.exists(mpath):
        with open(mpath) as f:
            hdr = f.readline().rstrip("\n").split("\t")
            for line in f:
                old.append(dict(zip(hdr, line.rstrip("\n").split("\t"))))
    files_now = {r["file"] for r in rows}
    rewritten = set()
    for s in sets:
        rewritten |= {"ideal": {"ideal/ideal.txt"}, "11a": {"ideal/ideal_11a.txt"},
                      "11n": {"ideal/ideal_11n.txt"}, "links": {"ideal/idealLinks.txt"},
                      "10a": {"ideal/idealLinks_10a.txt"}, "10n": {"ideal/idealLinks_10n.txt"},
                      "12a": set(), "12n": set()}.get(s, set())
    keep = [r for r in old if r["file"] not in files_now and r["file"] not in rewritten
            and not (r["file"].startswith("ideal/ideal_12_data/12" + "a") and "12a" in sets)
            and not (r["file"].startswith("ideal/ideal_12_data/12" + "n") and "12n" in sets)]
    allrows = keep + rows
    order = {"ideal/ideal.txt": 0, "ideal/idealLinks.txt": 1, "ideal/idealLinks_10a.txt": 2,
             "ideal/idealLinks_10n.txt": 3, "ideal/ideal_11a.txt": 4, "ideal/ideal_11n.txt": 5}

    def sk(r):
        f = r["file"]
        if f in order:
            return (order[f], 0, 0)
        if f.startswith("ideal/ideal_12_data/"):
            b = f.rsplit("/", 1)[1][:-4]
            return (6, b[2], int(b[3:]))
        return (7, f, 0)
    # keep file order inside a database: stable sort keeps the entry order
    allrows.sort(key=sk)
    with open(mpath, "w", newline="\n") as f:
        f.write("\t".join(MANIFEST_COLS) + "\n")
        for r in allrows:
            f.write("\t".join(str(r.get(c, "")) for c in MANIFEST_COLS) + "\n")
    print(f"rows written now: {len(rows)}; missing: {len(missing)}")
    for m in missing[:20]:
        print("missing", *m)
    return missing


if __name__ == "__main__":
    main()
