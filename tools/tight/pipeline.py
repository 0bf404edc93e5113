"""One entry through the whole pipeline: table diagram -> 3D polygon -> tight polygon ->
Fourier fit in standard position -> measured L and D -> independent type check.
Results are stored per entry (JSON + NPZ) so that batch runs can resume."""
import json
import os
import time

import numpy as np

from . import geom, diagram, verify

WORK = os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))), "work")
# results of the runs that start from a spread-out diagram (preferred where better)
WORK2 = WORK + "2"
WORK3 = WORK + "3"  # second pass with finer beads for entries above the envelope
WORK4 = WORK + "4"  # further tightening of committed entries from their stored curves (improve.py)


def start_curve(entry, spread=None):
    """Start polygon: the lifted planar diagram (or closed braid), then, unless spread is
    False, inflated by a repulsive energy; the spread curve is type-checked and dropped in
    favour of the unspread one if the check fails."""
    if entry.get("braid"):
        comps = diagram.closed_braid_curve(entry["braid"])
    else:
        comps = diagram.curve_from_link(verify.table_link(entry["name"]))
    if spread is None:
        spread = entry.get("spread", False)
    if spread:
        sp = geom.spread(comps, beads_total=entry.get("spread_beads", 200),
                         iters=entry.get("spread_iters", 1000))
        if verify.verify(sp, entry["name"])[0]:
            return sp
    return comps


def upsample(c, h=0.1):
    """Periodic cubic spline through the beads of a coarse polygon, sampled every h (equal
    arclength), so that the Fourier fit can use more harmonics without ringing."""
    seg = np.linalg.norm(np.roll(c, -1, axis=0) - c, axis=1)
    if seg.mean() <= 1.5 * h:
        return c
    from scipy.interpolate import CubicSpline
    s = np.concatenate([[0.0], np.cumsum(seg)])
    cs = CubicSpline(s, np.vstack([c, c[:1]]), bc_type="periodic")
    fine = cs(np.linspace(0, s[-1], int(s[-1] / (h / 4)), endpoint=False))
    return geom.resample(fine, int(round(s[-1] / h)))


def fit_components(comps, tol, nh_cap, smooth_up=False):
    """Fourier fit of every component.  The smallest harmonic count within tol of the
    polygon (at most a quarter of the bead count, beyond which the fit oscillates between
    beads) and a few smaller counts are tried; the one with the least ropelength of the
    component on its own is kept."""
    out = []
    for c in comps:
        if smooth_up:
            c = upsample(c)
        cap = max(2, min(nh_cap, len(c) // 4))
        nh, A0, A, B, dev = geom.choose_harmonics(c, tol, nmin=2, nmax=cap)
        best = None
        for f in (1.0, 0.85, 0.7, 0.55):
            k = max(2, int(round(nh * f)))
            A0, A, B = geom.fourier_fit(c, k)
            g = geom.curve_geometry([(A0, A, B)], samples_per_unit=25)
            r = g["L"] / g["D"]
            if best is None or r < best[0]:
                best = (r, (A0, A, B, geom.fit_deviation(c, A0, A, B)))
        out.append(best[1])
    return out


def standard_link(coefs, reflect=True, reverse=True):
    """Standard position of a Fourier knot or link, decided on component 1; the rotation,
    reflection and scaling act on all components."""
    tot = sum(geom.polygon_length(geom.fourier_eval(A0, A, B, np.linspace(0, 2 * np.pi, 512,
              endpoint=False))) for A0, A, B in coefs)
    cen = sum(A0 * geom.polygon_length(geom.fourier_eval(A0, A, B, np.linspace(0, 2 * np.pi, 512,
              endpoint=False))) for A0, A, B in coefs) / tot
    A0s = [A0 - cen for A0, _, _ in coefs]
    A1, B1 = coefs[0][1], coefs[0][2]
    As, Bs, M = geom.standard_position(A1, B1, reflect=reflect, reverse=reverse)
    res = [(np.zeros(3) if len(coefs) == 1 else M @ A0s[0], As, Bs)]
    for i in range(1, len(coefs)):
        res.append((M @ A0s[i], coefs[i][1] @ M.T, coefs[i][2] @ M.T))
    return res


def process(entry, out_dir, seed=0, log=None):
    key = entry["key"]
    t0 = time.time()
    comps0 = start_curve(entry)
    t1 = time.time()
    snaps = [] if entry.get("snapshots") else None
    comps, Rpoly = geom.run_tightening(comps0, h_final=entry.get("h", 0.1),
                                       h_start=max(0.25, entry.get("h", 0.1)),
                                       coarse_rounds=entry.get("coarse_rounds", 60),
                                       fine_rounds=12, snapshots=snaps, log=log)
    t2 = time.time()
    c = entry.get("crossings", 10)
    if entry.get("spread") and Rpoly > 1.15 * (4.25 + 4.20 * c):
        # the spread start ended in a poor state: tighten the lifted diagram instead
        comps0 = start_curve(entry, spread=False)
        comps, Rpoly = geom.run_tightening(comps0, h_final=entry.get("h", 0.1),
                                           h_start=max(0.25, entry.get("h", 0.1)),
                                           coarse_rounds=entry.get("coarse_rounds", 60),
                                           fine_rounds=12, log=log)
        t2 = time.time()
    fits = fit_components(comps, entry.get("tol", 1e-3), entry.get("nh_cap", 100),
                          smooth_up=entry.get("upsample", False))
    coefs = [(A0, A, B) for A0, A, B, _ in fits]
    g = geom.curve_geometry(coefs)
    D = g["D"]
    coefs = [(A0 / D, A / D, B / D) for A0, A, B in coefs]
    coefs = standard_link(coefs)
    g = geom.curve_geometry(coefs)
    t3 = time.time()
    # type check on the Fourier curve, sampled about 10 points per unit length
    samp = []
    for A0, A, B in coefs:
        m = max(200, int(10 * g["L"] / len(coefs)))
        samp.append(geom.fourier_eval(A0, A, B, np.linspace(0, 2 * np.pi, m, endpoint=False)))
    ok, method, detail = verify.verify(samp, entry["name"], seed=seed)
    # the tight polygon itself too
    okp, methodp, _ = verify.verify(comps, entry["name"], seed=seed + 1)
    t4 = time.time()
    res = dict(key=key, name=entry["name"], ncomp=len(comps), L=g["L"], Ls=g["Ls"], D=g["D"],
               rho_min=g["rho_min"], dcsd=g["dcsd"], ropelength=g["L"] / g["D"],
               poly_ropelength=Rpoly, beads=int(sum(len(c) for c in comps)),
               harmonics=[int(len(A)) for _, A, _ in coefs],
               fit_dev=[float(f[3]) for f in fits],
               verified=bool(ok and okp), method=method, detail=detail, poly_method=methodp,
               t_start=t1 - t0, t_tighten=t2 - t1, t_fit=t3 - t2, t_verify=t4 - t3)
    os.makedirs(out_dir, exist_ok=True)
    np.savez(os.path.join(out_dir, key + ".npz"),
             poly=np.concatenate(comps), off=np.cumsum([0] + [len(c) for c in comps]),
             **{f"A0_{i}": c[0] for i, c in enumerate(coefs)},
             **{f"A_{i}": c[1] for i, c in enumerate(coefs)},
             **{f"B_{i}": c[2] for i, c in enumerate(coefs)})
    if snaps is not None:
        np.savez(os.path.join(out_dir, key + ".snaps.npz"),
                 start=np.concatenate(comps0),
                 **{f"s{i}": np.concatenate(s[2]) for i, s in enumerate(snaps)},
                 R=np.array([s[1] for s in snaps]))
    with open(os.path.join(out_dir, key + ".json"), "w") as f:
        json.dump(res, f)
    return res


def load(out_dir, key):
    p = os.path.join(out_dir, key + ".json")
    if not os.path.exists(p):
        return None
    with open(p) as f:
        res = json.load(f)
    z = np.load(os.path.join(out_dir, key + ".npz"))
    off = z["off"]
    res["poly"] = [z["poly"][off[i]:off[i + 1]] for i in range(len(off) - 1)]
    res["coefs"] = [(z[f"A0_{i}"], z[f"A_{i}"], z[f"B_{i}"]) for i in range(res["ncomp"])]
    return res


def point_count(L):
    """Beads of a point list: about 0.4 tube diameters apart, 88 to 160 points."""
    return int(np.clip(round(L / 0.4), 88, 160))


def process_points(entry, out_dir, seed=0, log=None):
    """A tight polygon stored as a plain point list (no Fourier fit)."""
    key = entry["key"]
    t0 = time.time()
    comps0 = start_curve(entry)
    t1 = time.time()
    comps, Rpoly = geom.run_tightening(comps0, h_final=entry.get("h", 0.5), h_start=0.5,
                                       log=log, coarse_rounds=entry.get("coarse_rounds", 25))
    if entry.get("spread") and Rpoly > 1.15 * (4.25 + 4.20 * entry.get("crossings", 12)):
        comps0 = start_curve(entry, spread=False)
        comps, Rpoly = geom.run_tightening(comps0, h_final=entry.get("h", 0.5), h_start=0.5,
                                           log=log, coarse_rounds=entry.get("coarse_rounds", 25))
    t2 = time.time()
    c = comps[0]
    n = point_count(geom.polygon_length(c))
    pts = geom.resample(c, n)
    pts = pts - pts.mean(axis=0)
    # the values as they will be written
    pts = np.array([[float(f"{v:.6e}") for v in p] for p in pts])
    d, out = geom.poly_thickness([pts])
    ok, method, detail = verify.verify([pts], entry["name"], seed=seed)
    t3 = time.time()
    res = dict(key=key, name=entry["name"], ncomp=1, points=int(n), L=out[0], D=d,
               ropelength=out[0] / d, poly_ropelength=Rpoly, beads=int(len(c)),
               verified=bool(ok), method=method, detail=detail,
               t_start=t1 - t0, t_tighten=t2 - t1, t_verify=t3 - t2)
    os.makedirs(out_dir, exist_ok=True)
    np.save(os.path.join(out_dir, key + ".npy"), pts)
    with open(os.path.join(out_dir, key + ".json"), "w") as f:
        json.dump(res, f)
    return res


def refine(entry, out_dir, h=0.14, rounds=12, log=None):
    """Continue tightening a stored entry with finer beads; the result replaces the stored
    one only if its measured ropelength is lower and it passes the type check."""
    old = load(out_dir, entry["key"])
    if old is None or old.get("refined"):
        return None
    t0 = time.time()
    comps, Rpoly = geom.run_tightening(old["poly"], h_final=h, h_start=h, coarse_rounds=0,
                                       fine_rounds=rounds, log=log)
    fits = fit_components(comps, entry.get("tol", 1e-3), entry.get("nh_cap", 100))
    coefs = [(A0, A, B) for A0, A, B, _ in fits]
    g = geom.curve_geometry(coefs)
    D = g["D"]
    coefs = standard_link([(A0 / D, A / D, B / D) for A0, A, B in coefs])
    g = geom.curve_geometry(coefs)
    better = g["L"] / g["D"] < old["ropelength"]
    if better:
        samp = [geom.fourier_eval(A0, A, B, np.linspace(0, 2 * np.pi, max(200, int(10 * g["L"] / len(coefs))),
                                                     endpoint=False)) for A0, A, B in coefs]
        ok, method, detail = verify.verify(samp, entry["name"])
        okp, methodp, _ = verify.verify(comps, entry["name"], seed=1)
        better = ok and okp
    res = {k: v for k, v in old.items() if k not in ("poly", "coefs")}
    res["refined"] = True
    if better:
        res.update(L=g["L"], Ls=g["Ls"], D=g["D"], rho_min=g["rho_min"], dcsd=g["dcsd"],
                   ropelength=g["L"] / g["D"], poly_ropelength=Rpoly,
                   beads=int(sum(len(c) for c in comps)),
                   harmonics=[int(len(A)) for _, A, _ in coefs], fit_dev=[float(f[3]) for f in fits],
                   verified=True, method=method, detail=detail, poly_method=methodp)
        np.savez(os.path.join(out_dir, entry["key"] + ".npz"),
                 poly=np.concatenate(comps), off=np.cumsum([0] + [len(c) for c in comps]),
                 **{f"A0_{i}": c[0] for i, c in enumerate(coefs)},
                 **{f"A_{i}": c[1] for i, c in enumerate(coefs)},
                 **{f"B_{i}": c[2] for i, c in enumerate(coefs)})
    res["t_refine"] = time.time() - t0
    with open(os.path.join(out_dir, entry["key"] + ".json"), "w") as f:
        json.dump(res, f)
    return res, better, old["ropelength"]


def load_best(set_name, key):
    """The verified result with the lower ropelength among the two work directories;
    returns (result, directory) or (None, None)."""
    best = (None, None)
    for w in (WORK4, WORK3, WORK2, WORK):
        d = os.path.join(w, set_name)
        r = load(d, key) if os.path.exists(os.path.join(d, key + ".npz")) else None
        if r is None or not r.get("verified"):
            continue
        if best[0] is None or r["ropelength"] < best[0]["ropelength"]:
            best = (r, d)
    return best


def load_best_points(set_name, key):
    best = (None, None)
    for w in (WORK2, WORK):
        d = os.path.join(w, set_name)
        p = os.path.join(d, key + ".json")
        if not os.path.exists(p):
            continue
        with open(p) as f:
            r = json.load(f)
        if not r.get("verified"):
            continue
        if best[0] is None or r["ropelength"] < best[0]["ropelength"]:
            best = (r, d)
    return best


def fit_tolerance(comps, tol=1e-3, nh_cap=150, envelope=None, smooth_up=True, h_up=0.05):
    """Fourier fit of every component with as many harmonics as it takes to stay within tol
    of the polygon (at most nh_cap, and at most a quarter of the beads of the fitted
    polygon; the polygon is first passed through a periodic cubic spline sampled every h_up
    so that the fit can use more harmonics without ringing).  For a knot whose fit at that
    count is not under the envelope, a few smaller counts are tried and the one with the
    least deviation among those under the envelope is kept (the least ropelength if none
    is).  Returns [(A0, A, B, dev)], and the ropelength of every count tried (component 1)."""
    out, tried = [], []
    for c in comps:
        if smooth_up:
            c = upsample(c, h_up)
        cap = max(2, min(nh_cap, len(c) // 4))
        nh, A0, A, B, dev = geom.choose_harmonics(c, tol, nmin=2, nmax=cap)
        cands = []
        for f in (1.0, 0.85, 0.7, 0.55):
            k = max(2, int(round(nh * f)))
            if any(k == x[0] for x in cands):
                continue
            A0, A, B = geom.fourier_fit(c, k)
            g = geom.curve_geometry([(A0, A, B)], samples_per_unit=25)
            cands.append((k, g["L"] / g["D"], geom.fit_deviation(c, A0, A, B), (A0, A, B)))
            if f == 1.0 and (len(comps) > 1 or envelope is None or cands[0][1] < envelope * 0.999):
                break  # the tolerance fit is under the envelope (or there is no envelope)
        if len(cands) == 1:
            best = cands[0]
        else:
            under = [x for x in cands if x[1] < envelope * 0.999]
            best = min(under, key=lambda x: x[2]) if under else min(cands, key=lambda x: x[1])
        tried.append([(k, r, d) for k, r, d, _ in cands])
        out.append((*best[3], best[2]))
    return out, tried
