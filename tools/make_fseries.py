"""Write the 78 compiled-in .fseries files (resources/knot_fseries/<key>.fseries and the same
text as src/knot_fseries/knot.<key>.fseries) and their manifest rows.

usage: make_fseries.py [KEY ...]   (--all: every key)
Without keys: the tight keys (plain, d, z, z6, r) of every knot whose database entry has an
improved result in tools/work4/ideal (tools/improve.py).  Keys not written keep their
committed file and manifest row byte for byte.

Suffixes (see resources/README.md): none = tight, compact fit; d = tight, detailed fit;
p = planar-diagram start; u = part-way through tightening; z = mirror image; z6 = mirror
image with the parameter origin advanced by a sixth of the period; r = reversed
orientation; s = fewest harmonics that keep the knot type; t = exact torus-knot curve;
n = independent tightening run started from a closed braid.
"""
import json
import os
import re
import sys

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tight import committed, diagram, entries, fpolish, geom, pipeline, textfmt, verify  # noqa: E402
import write_data  # noqa: E402

ROOT = write_data.ROOT
WORK = os.path.join(pipeline.WORK, "fseries")

KEYS = ("10_1 10_1n 12a_1202 12a_1202z6 15331 1_1 3_1 3_1p 3_1u 4_1 4_1d 4_1p 4_1z 5_1 5_1p "
        "5_1u 5_2 5_2d 5_2r 6_1 6_2 6_2d 6_2p 6_3d 6_3z 7_1 7_1p 7_2 7_2d 7_2r 7_3 7_3d 7_4 7_5 "
        "7_5d 7_6d 7_6s 7_7d 8_1 8_10s 8_11 8_11d 8_12d 8_12z 8_13d 8_13p 8_14d 8_14r 8_15 "
        "8_15d 8_15p 8_16 8_17 8_18 8_18z 8_19t 8_19u 8_1d 8_2 8_20r 8_21d 8_21p 8_21r 8_2d 8_3 "
        "8_3d 8_3z 8_4 8_4d 8_5 8_6 8_6p 8_7d 8_7s 8_8d 8_9d 9_2 9_2n").split()

NAMES = {"1_1": "unknot, unit circle", "3_1": "trefoil knot", "4_1": "figure-eight knot",
         "5_1": "cinquefoil knot", "5_2": "three-twist knot", "6_1": "stevedore knot",
         "7_1": "septafoil knot", "8_19": "torus knot T(3,4)", "10_1": "twist knot",
         "9_2": "twist-family knot", "15331": "knot 15a331", "12a_1202": "knot 12a_1202"}
SUFFIX_TEXT = {"": "tight conformation, compact fit", "d": "tight conformation, detailed fit",
               "p": "planar-diagram start, not tightened", "u": "part-way through tightening",
               "z": "mirror image of the tight conformation",
               "z6": "mirror image, parameter origin advanced by a sixth of the period",
               "r": "tight conformation, reversed orientation",
               "s": "fewest harmonics that keep the knot type",
               "t": "exact torus-knot curve on a round torus",
               "n": "independent tightening run from a closed braid"}
MAX_H = 80  # keeps every file below 6,275 bytes
MAX_H_D = 88  # detailed fits: still below 6,275 bytes (about 66 bytes a harmonic)


def split_key(k):
    if k == "15331":
        return k, ""
    m = re.match(r"^(12a_1202|\d+_\d+)(.*)$", k)
    return m.group(1), m.group(2)


def table_name(base):
    return {"15331": "K15a331", "12a_1202": "K12a1202"}.get(base, base)


def tight_run(base, snapshots=False, braid=None, tag=""):
    """Tight polygon of a base knot: the database run where there is one, else a run here."""
    if not braid and not snapshots:
        r, _ = pipeline.load_best("ideal", base)
        if r is not None and r.get("polished"):
            # the tight curve is the polished Fourier curve of the database, densely sampled
            return dict(poly=committed.sample_polygon(r["coefs"], h=0.02))
        if r is not None:
            return r
        ids = {e["key"]: e["id"] for e in entries.ideal_entries()}
        if base in ids and committed.row("ideal", base) is not None:
            # no work result: the committed database curve, densely sampled, as the polygon
            return dict(poly=committed.sample_polygon(committed.entry_coefs("ideal", ids[base]), h=0.02))
    key = base + tag
    r = pipeline.load(WORK, key)
    if r is None:
        e = dict(key=key, name=table_name(base), h=0.2 if base in ("15331", "12a_1202") else 0.125,
                 nh_cap=MAX_H, snapshots=snapshots, coarse_rounds=30)
        if braid:
            e["braid"] = braid
        pipeline.process(e, WORK)
        r = pipeline.load(WORK, key)
    return r


def envelope_of(base):
    m = re.match(r"^(\d+)_\d+$", base)
    c = int(m.group(1)) if m else None
    return 4.25 + 4.20 * c if c and 3 <= c <= 11 else None


def scaled_fit(c, nh=None, tol=1e-2, env=None, cap=None):
    """Fit (fixed count, or fewest within tol), scaled so the thickness is 1, standard
    position.  With env: if the fewest within tol leave the curve above the envelope, the
    fewest more (below cap) that bring it under (the last of them tightened further at its
    count by fpolish where that is what brings it under); if none does, the compact fit.
    Returns (A, B)."""
    if nh is None:
        cap = min(cap or MAX_H, len(c) // 4)
        nh, A0, A, B, _ = geom.choose_harmonics(c, tol, nmin=2, nmax=cap)
        if env is not None:
            def rope(f):
                g = geom.curve_geometry([f], samples_per_unit=25)
                return g["L"] / g["D"]
            k = nh
            while rope((A0, A, B)) >= env * 0.9995 and k < cap:
                k = min(cap, k + max(1, k // 8))
                f = geom.fourier_fit(c, k)
                r = rope(f)
                if r < env * 0.9995:
                    A0, A, B = f
                elif k == cap and r < env * 1.002:
                    f2 = polish_fit(*f)
                    if rope(f2) < env * 0.9995:
                        A0, A, B = f2
    else:
        A0, A, B = geom.fourier_fit(c, nh)
    g = geom.curve_geometry([(A0, A, B)])
    A, B = A / g["D"], B / g["D"]
    A, B, _ = geom.standard_position(A, B)
    return A, B


def shift(A, B, phi):
    k = np.arange(1, len(A) + 1)[:, None]
    c, s = np.cos(k * phi), np.sin(k * phi)
    return A * c + B * s, -A * s + B * c


def torus_curve(p, q, R=2.0, r=1.0):
    """(p,q) torus knot on a round torus as a finite Fourier series: harmonics p, q-p, q+p."""
    n = q + p
    A = np.zeros((n, 3)); B = np.zeros((n, 3))
    # x = (R + r cos qs) cos ps, y = (R + r cos qs) sin ps, z = r sin qs
    A[p - 1, 0] += R; B[p - 1, 1] += R
    A[q - p - 1, 0] += r / 2; B[q - p - 1, 1] -= r / 2
    A[q + p - 1, 0] += r / 2; B[q + p - 1, 1] += r / 2
    B[q - 1, 2] += r
    return A, B


def polish_fit(A0, A, B, extra=0):
    """The fit tightened further at its harmonic count (plus `extra`) by fpolish, where that
    lowers the ropelength; in the fit's own scale."""
    g = geom.curve_geometry([(A0, A, B)])
    Ap, Bp, Rp, f = fpolish.polish(A, B, extra=extra)
    if Rp < g["L"] / g["D"]:
        return A0, Ap * f, Bp * f
    return A0, A, B


def best_fit(c, tol=1e-3, env=None):
    fits, _ = pipeline.fit_tolerance([c], tol, MAX_H_D, envelope=env)
    A0, A, B, dev = fits[0]
    if env is not None:
        g = geom.curve_geometry([(A0, A, B)])
        if g["L"] / g["D"] >= env * 0.9995:
            A0, A, B = polish_fit(A0, A, B, extra=MAX_H_D - len(A))
    g = geom.curve_geometry([(A0, A, B)])
    A, B = A / g["D"], B / g["D"]
    A, B, _ = geom.standard_position(A, B)
    return A, B


def build(key):
    base, suf = split_key(key)
    if key == "1_1":
        A = np.array([[1.0, 0.0, 0.0]]); B = np.array([[0.0, 1.0, 0.0]])
        return base, suf, A, B
    if suf == "t":
        A, B = torus_curve(3, 4)
        g = geom.curve_geometry([(np.zeros(3), A, B)])
        A, B, _ = geom.standard_position(A / g["D"], B / g["D"])
        return base, suf, A, B
    if suf == "n":
        bw = entries.knotinfo()[base]["braid_notation"]
        word = [int(x) for x in bw.strip("[]{}").split(",")]
        r = tight_run(base, braid=word, tag="n")
        A, B = scaled_fit(r["poly"][0])
        return base, suf, A, B
    if suf == "p":
        c = pipeline.start_curve(dict(name=table_name(base)))[0]
        c = geom.scale_to_thickness([c])[0]
        c = geom.resample(c, int(geom.polygon_length(c) / 0.1))
        A, B = scaled_fit(c)
        return base, suf, A, B
    if suf == "u":
        tight_run(base, snapshots=True, tag="_snap")
        z = np.load(os.path.join(WORK, base + "_snap.snaps.npz"))
        A, B = scaled_fit(z["s0"])  # after the first 100 steps from the planar start
        return base, suf, A, B
    r = tight_run(base)
    c = r["poly"][0]
    if key == "3_1":
        A, B = scaled_fit(c, nh=5)
    elif suf == "d":
        A, B = best_fit(c, env=envelope_of(base))
    elif suf == "s":
        for nh in range(3, MAX_H + 1):
            A, B = scaled_fit(c, nh=nh)
            s = geom.fourier_eval(np.zeros(3), A, B, np.linspace(0, 2 * np.pi, 1500, endpoint=False))
            ok, _, _ = verify.verify([s], table_name(base))
            if ok:
                break
    else:
        A, B = scaled_fit(c, env=envelope_of(base), cap=MAX_H - 1)
    if suf.startswith("z"):
        A = A.copy(); B = B.copy()
        A[:, 2] *= -1; B[:, 2] *= -1
        if suf == "z6":
            A, B = shift(A, B, 2 * np.pi / 6)
    if suf == "r":
        B = -B
    return base, suf, A, B


def main():
    os.makedirs(WORK, exist_ok=True)
    rows = []
    args = sys.argv[1:]
    only = set(a for a in args if not a.startswith("--"))
    if "--all" in args:
        only = set(KEYS)
    elif not only:
        d = os.path.join(pipeline.WORK4, "ideal")
        improved = {f[:-5] for f in os.listdir(d) if f.endswith(".json")} if os.path.isdir(d) else set()
        only = {k for k in KEYS if split_key(k)[0] in improved and split_key(k)[1] in ("", "d", "z", "z6", "r")}
    print("writing:", " ".join(k for k in KEYS if k in only), flush=True)
    for key in KEYS:
        if key not in only:
            continue
        base, suf, A, B = build(key)
        A = np.round(A, 6) + 0.0; B = np.round(B, 6) + 0.0
        g = geom.curve_geometry([(np.zeros(3), A, B)])
        nm = NAMES.get(base)
        label = f"Knot {key}" + (f" ({nm})" if nm and suf == "" else "")
        if suf:
            label = f"Knot {key} ({nm + ', ' if nm else ''}{SUFFIX_TEXT[suf]})"
        comments = [f"kvor knot data {key}: knot {table_name(base)}; {SUFFIX_TEXT[suf]}",
                    f"{len(A)} harmonics, parameter "
                    f"{'the angle of the torus parametrisation' if suf == 't' else 'proportional to arclength'}; length {g['L']:.6f}, "
                    f"thickness {g['D']:.6f}, L/D {g['L'] / g['D']:.6f}",
                    "columns: a_x(j) b_x(j) a_y(j) b_y(j) a_z(j) b_z(j), j = 1..n",
                    label]
        text = textfmt.fseries_text(comments, A, B)
        write_data.write(os.path.join(ROOT, "resources", "knot_fseries", key + ".fseries"), text)
        write_data.write(os.path.join(ROOT, "src", "knot_fseries", f"knot.{key}.fseries"), text)
        # type check of the written curve
        blk = textfmt.parse_fseries(text)
        rows6 = blk[0][1]
        Aw = rows6[:, [0, 2, 4]]; Bw = rows6[:, [1, 3, 5]]
        m = max(600, int(12 * g["L"]))
        s = geom.fourier_eval(np.zeros(3), Aw, Bw, np.linspace(0, 2 * np.pi, m, endpoint=False))
        if base == "1_1":
            ok, method = True, "circle"
        else:
            ok, method, _ = verify.verify([s], table_name(base))
        chir = ""
        if suf.startswith("z") and base != "1_1":
            # the mirror file must carry the opposite chirality of the compact file (same
            # for amphichiral knots, where the polynomial cannot tell)
            plain = build(base)[2:]
            sp = geom.fourier_eval(np.zeros(3), plain[0], plain[1], np.linspace(0, 2 * np.pi, m, endpoint=False))
            hp = verify.homfly_of_pd(verify.curve_pd([sp]))
            hz = verify.homfly_of_pd(verify.curve_pd([s]))
            chir = "mirror-same-polynomial" if hp == hz else "mirror-polynomial-differs"
        c = int(re.match(r"\d+", base).group()) if base not in ("15331", "12a_1202") else (15 if base == "15331" else 12)
        e = dict(name=table_name(base), crossings=c, kind="knot")
        res = dict(ncomp=1, verified=ok, method=method + ("/" + chir if chir else ""),
                   ropelength=g["L"] / g["D"], D=g["D"], L=g["L"], beads="")
        row = write_data.manifest_row(key, f"knot_fseries/{key}.fseries", key, e, res, g,
                                      harmonics=str(len(A)), dev="")
        if suf in ("p", "u", "s", "t") or c > 11 or c < 3:
            row["envelope_ratio"] = ""
        rows.append(row)
        print(key, len(A), f"{g['L'] / g['D']:.3f}", ok, method, chir, len(text), flush=True)
    # merge into the manifest
    mpath = os.path.join(ROOT, "resources", "manifest.tsv")
    old = []
    if os.path.exists(mpath):
        with open(mpath) as f:
            hdr = f.readline().rstrip("\n").split("\t")
            old = [dict(zip(hdr, l.rstrip("\n").split("\t"))) for l in f]
    new = {r["key"]: r for r in rows}
    out = [new.pop(r["key"]) if r["file"].startswith("knot_fseries/") and r["key"] in new else r
           for r in old]  # rewritten rows keep their place
    with open(mpath, "w", newline="\n") as f:
        f.write("\t".join(write_data.MANIFEST_COLS) + "\n")
        for r in out + list(new.values()):
            f.write("\t".join(str(r.get(c, "")) for c in write_data.MANIFEST_COLS) + "\n")


if __name__ == "__main__":
    main()
