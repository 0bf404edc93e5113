"""Continue the tightening of committed entries from their stored curves.

usage: improve.py SET [--keys K1,K2,...] [--over] [--fit] [--order worst|table]
                      [--stages 0.25:1e-3:30,0.12:2e-4:12,0.12:0:6] [--until HH:MM] [--budget S]
                      [--rlim R] [--nh-cap N] [--restarts N [--seed0 S]] [--respread N]
                      [--still-over] [--polish-near F] [--no-polish]

SET is one of ideal, 11a, 11n, links, 10a, 10n (databases).  For every chosen entry the stored Fourier curve
(the committed text) is sampled into a polygon, tightened further with the stages given
(bead spacing : slack : rounds of 100 steps [: least relative gain of a round that
counts as progress; 8 rounds without progress end a stage with slack, 3 one without]), fitted with as many harmonics as it takes to
stay within 1e-3 D of the polygon (pipeline.fit_tolerance), scaled to D = 1, put in
standard position and rounded to the six written decimals; L and D are measured on the
rounded curve.  The Fourier curve (three random projections) and the polygon are type-checked.
A result is stored in tools/work4/<SET>/<key>.json/.npz only if it is verified and better
than both the committed entry and any result stored before (see `better`), so every run
can only improve the data; the writers (write_data.py, make_fseries.py) take the stored
result where there is one and keep the committed text of every other entry byte for byte.

--over: the knots above the envelope 4.25 + 4.20 n (manifest column envelope_ratio > 1);
--fit: the knots under it whose fit deviation is above 1e-3 (a better fit only);
--keys: the entries named (keys of manifest.tsv).
"""
import argparse
import json
import os
import sys
import time

import numpy as np

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from tight import committed, diagram, entries, fpolish, geom, pipeline, textfmt, verify  # noqa: E402

WORK4 = pipeline.WORK4
TOL = 1e-3
POLISH_MAX_H = 200  # harmonics of a polished curve: the fit's count plus a third, at most this


def envelope(c):
    return 4.25 + 4.20 * c


def entry_list(s):
    if s == "ideal":
        return entries.ideal_entries()
    if s in ("11a", "11n"):
        return entries.ht_entries(s[-1])
    if s in ("links", "10a", "10n"):
        return entries.link_groups()[s]
    raise SystemExit(f"improve.py handles ideal, 11a, 11n, links, 10a, 10n (not {s})")


def env_of(e):
    c = e.get("crossings")
    return envelope(c) if c and c <= 11 and e.get("kind", "knot") == "knot" else None


def better(new, old, env):
    """new and old: dicts with ropelength and fit_dev.  Under the envelope beats over it;
    over it, the lesser ropelength wins; both under it (or no envelope), the lesser
    ropelength wins unless the fit deviation is halved (or brought within the tolerance)
    at a ropelength still under the envelope; with no envelope (links), the lesser
    ropelength wins if the fit deviation does not grow (beyond the tolerance)."""
    rn, ro = new["ropelength"], old["ropelength"]
    dn, do = new["fit_dev"], old["fit_dev"]
    if env is None:
        return rn < ro and dn <= max(do, TOL)
    if rn >= env:
        return ro >= env and rn < ro
    if ro >= env:
        return True
    if rn < ro and dn <= max(do, TOL):
        return True
    return dn < do and (dn <= TOL or dn < 0.5 * do) and rn < env * 0.9995


def stored(set_name, key):
    """The result stored for an entry in tools/work4 (json dict with the coefficients), or None."""
    return pipeline.load(os.path.join(WORK4, set_name), key)


def poly_distance(c, A0, A, B):
    """Largest distance from a polygon's beads to the nearest point of a Fourier curve."""
    from scipy.spatial import cKDTree
    x = geom.fourier_eval(A0, A, B, np.linspace(0, 2 * np.pi, 40 * len(c), endpoint=False))
    return float(cKDTree(x).query(c)[0].max())


def final_coefs(fits):
    """Scale to D = 1, standard position, round to the written decimals, measure again."""
    coefs = [(A0, A, B) for A0, A, B, _ in fits]
    D = geom.curve_geometry(coefs)["D"]
    coefs = pipeline.standard_link([(A0 / D, A / D, B / D) for A0, A, B in coefs])
    D0 = geom.curve_geometry(coefs)["D"]
    coefs = textfmt.round6([(A0 / D0, A / D0, B / D0) for A0, A, B in coefs])
    g = geom.curve_geometry(coefs)
    return coefs, g


def check(coefs, comps, name, g, seeds=(11, 12, 13)):
    """Type check of the rounded Fourier curve along several projections and of the polygon."""
    samp = [geom.fourier_eval(A0, A, B, np.linspace(0, 2 * np.pi, max(300, int(12 * L)), endpoint=False))
            for (A0, A, B), L in zip(coefs, g["Ls"])]
    method = detail = ""
    for sd in seeds:
        ok, method, detail = verify.verify(samp, name, seed=sd)
        if not ok:
            return False, method, detail, ""
    okp, methodp, _ = verify.verify(comps, name, seed=seeds[0] + 100)
    return okp, method, detail, methodp


def retighten(c, stages, rlim):
    """Tighten a loosened curve again from coarse beads, then finish with the stages given."""
    c, _ = geom.run_tightening(c, h_final=0.25, h_start=0.25, coarse_rounds=40, rlim=rlim)
    return geom.run_tightening(c, stages=[(0.1, 2e-4, 30, 1e-4)] + stages, rlim=rlim)


def best_of(starts, stages, rlim, what, log=None):
    """The best (comps, R) over the (tag, start curve) pairs, each retightened."""
    best = None
    for tag, c in starts:
        c, R = retighten(c, stages, rlim)
        if log:
            log(f"{what} {tag}: R={R:.4f}")
        if best is None or R < best[1]:
            best = (c, R)
    return best


def respread(start, stages, rlim, tries, log=None):
    """Basin hopping for curves jammed in a poor local minimum: inflate the polygon at fixed
    length by the repulsive energy (small steps, no strand passes another) and retighten it;
    `tries` runs with different bead counts for the spread."""
    starts = ((k, geom.spread([c.copy() for c in start], beads_total=300 + 100 * k, iters=400))
              for k in range(tries))
    return best_of(starts, stages, rlim, "respread", log)


def other_diagram_curve(name, seed):
    """The table diagram changed by random Reidemeister moves and simplified again (another
    diagram of the same knot), lifted and spread."""
    import random
    random.seed(seed)
    L = verify.table_link(name).copy()
    L.backtrack(steps=30, prob_type_1=0.3, prob_type_2=0.3)
    L.simplify("global")
    return geom.spread(diagram.curve_from_link(L), beads_total=200, iters=1000)


def restarts(name, stages, rlim, seeds, log=None):
    """Fresh starts for knots whose diagram start ended far from tight: other diagrams of
    the same knot (one per seed), retightened."""
    return best_of(((sd, other_diagram_curve(name, sd)) for sd in seeds), stages, rlim,
                   "restart", log)


def run_entry(set_name, e, stages, rlim, budget, log=None, polish=True, polish_near=None,
              tries=0, seeds=()):
    key = e["key"]
    row = committed.row(set_name, key)
    env = env_of(e)
    old = dict(ropelength=float(row["ropelength"]), fit_dev=float(row["fit_dev"] or "inf"))
    prev = stored(set_name, key)
    t0 = time.time()
    if prev is not None:
        comps = prev["poly"]  # continue from the best polygon so far
    else:
        comps = committed.sample_polygon(committed.entry_coefs(set_name, e["id"]), h=stages[0][0])
    start = comps  # run_tightening works on copies
    comps, Rpoly = geom.run_tightening(comps, stages=stages, rlim=rlim, log=log,
                                       deadline=t0 + budget if budget else None)
    hops = ([respread(start, stages, rlim, tries, log=log)] if tries else []) + \
           ([restarts(e["name"], stages, rlim, seeds, log=log)] if seeds else [])
    for c3, R3 in hops:
        if R3 < Rpoly:
            comps, Rpoly = c3, R3
    t1 = time.time()
    fits, tried = pipeline.fit_tolerance(comps, TOL, e.get("nh_cap", 150), envelope=env)
    polished = None
    if polish and len(comps) == 1 and env is not None:
        # polish (it gains a few 0.1 % and moves the curve off the polygon by a few 1e-3)
        # only a fit that is not under the envelope, and with polish_near only one that is
        # above it by less than that fraction
        rmin = min(r for _, r, _ in tried[0])
        polish = rmin >= env * 0.9995 and (polish_near is None or rmin < env * (1 + polish_near))
    if polish and len(comps) == 1:
        A0, A, B, dev = fits[0]
        g_in = geom.curve_geometry([(A0, A, B)])
        extra = max(0, min(len(A) // 3, POLISH_MAX_H - len(A)))
        Ap, Bp, Rp, f = fpolish.polish(A, B, extra=extra, log=log)
        if Rp < g_in["L"] / g_in["D"]:
            # distance of the polygon's beads from the polished curve, in the polygon's scale
            polished = (Rp, poly_distance(comps[0], A0, Ap * f, Bp * f))
            fits = [(A0, Ap * f, Bp * f, polished[1])]
    coefs, g = final_coefs(fits)
    t2 = time.time()
    new = dict(ropelength=g["L"] / g["D"], fit_dev=max(f[3] for f in fits))
    res = dict(key=key, name=e["name"], ncomp=len(comps), L=g["L"], Ls=g["Ls"], D=g["D"],
               rho_min=g["rho_min"], dcsd=g["dcsd"], ropelength=new["ropelength"],
               poly_ropelength=Rpoly, beads=int(sum(len(c) for c in comps)),
               harmonics=[int(len(A)) for _, A, _ in coefs], fit_dev=[float(f[3]) for f in fits],
               tried=tried, stages=stages, rlim=rlim, final=True,
               polished=polished is not None,
               committed_ropelength=old["ropelength"], committed_fit_dev=old["fit_dev"])
    ref = old
    if prev is not None:
        pv = dict(ropelength=prev["ropelength"], fit_dev=max(prev["fit_dev"]))
        if better(pv, old, env):
            ref = pv
    accept = better(new, ref, env)
    ok = False
    if accept:
        ok, method, detail, methodp = check(coefs, comps, e["name"], g)
        res.update(verified=bool(ok), method=method, detail=detail, poly_method=methodp)
    t3 = time.time()
    res.update(t_tighten=t1 - t0, t_fit=t2 - t1, t_verify=t3 - t2)
    if accept and ok:
        d = os.path.join(WORK4, set_name)
        os.makedirs(d, exist_ok=True)
        np.savez(os.path.join(d, key + ".npz"),
                 poly=np.concatenate(comps), off=np.cumsum([0] + [len(c) for c in comps]),
                 **{f"A0_{i}": c[0] for i, c in enumerate(coefs)},
                 **{f"A_{i}": c[1] for i, c in enumerate(coefs)},
                 **{f"B_{i}": c[2] for i, c in enumerate(coefs)})
        with open(os.path.join(d, key + ".json"), "w") as f:
            json.dump(res, f)
    status = "kept" if accept and ok else ("NOT VERIFIED" if accept else "not better")
    return res, status, old, env


def parse_stages(s):
    out = []
    for part in s.split(","):
        v = part.split(":")
        out.append((float(v[0]), float(v[1]), int(v[2])) + ((float(v[3]),) if len(v) > 3 else ()))
    return out


def main(argv=None):
    ap = argparse.ArgumentParser()
    ap.add_argument("set")
    ap.add_argument("--keys", default="")
    ap.add_argument("--over", action="store_true")
    ap.add_argument("--fit", action="store_true")
    ap.add_argument("--order", default="worst", choices=["worst", "table"])
    ap.add_argument("--stages", default="0.05:1e-4:30:1e-4,0.035:0:20")
    ap.add_argument("--rlim", type=float, default=0.55)
    ap.add_argument("--nh-cap", type=int, default=0, help="harmonic cap (default: the set's)")
    ap.add_argument("--until", default="", help="UTC HH:MM: start no entry after this")
    ap.add_argument("--budget", type=float, default=0, help="seconds of tightening per entry")
    ap.add_argument("--skip-done", action="store_true", help="skip entries with a stored result")
    ap.add_argument("--no-polish", action="store_true")
    ap.add_argument("--restarts", type=int, default=0,
                    help="also try this many fresh starts from other diagrams of the knot")
    ap.add_argument("--seed0", type=int, default=1, help="first seed of --restarts")
    ap.add_argument("--still-over", action="store_true",
                    help="skip entries whose stored result is under the envelope")
    ap.add_argument("--respread", type=int, default=0,
                    help="also try this many spread-and-retighten runs (jammed curves)")
    ap.add_argument("--polish-near", type=float, default=None,
                    help="polish only fits above the envelope by less than this fraction")
    ap.add_argument("-v", action="store_true")
    a = ap.parse_args(argv)
    stages = parse_stages(a.stages)
    es = entry_list(a.set)
    rows = {r["key"]: r for r in committed.read_manifest()[1]
            if r["file"] == committed.SETS[a.set][0]}
    keys = set(k for k in a.keys.split(",") if k)
    pick = []
    for e in es:
        r = rows[e["key"]]
        ratio = float(r["envelope_ratio"]) if r["envelope_ratio"] else None
        if keys and e["key"] in keys:
            pick.append((ratio or 0, e))
        elif a.over and ratio is not None and ratio > 1:
            pick.append((ratio, e))
        elif a.fit and (ratio is None or ratio <= 1) and float(r["fit_dev"]) > TOL:
            pick.append((ratio or 0, e))
    if a.order == "worst":
        pick.sort(key=lambda x: -x[0])
    log = (lambda m: print("   ", m, flush=True)) if a.v else None
    for ratio, e in pick:
        if a.until and time.strftime("%H:%M", time.gmtime()) >= a.until:
            print("time limit reached", flush=True)
            break
        if a.skip_done and stored(a.set, e["key"]) is not None:
            continue
        if a.still_over and env_of(e) is not None:
            pv = stored(a.set, e["key"])
            if pv is not None and pv["ropelength"] < env_of(e):
                continue
        if a.nh_cap:
            e["nh_cap"] = a.nh_cap
        t = time.time()
        try:
            res, status, old, env = run_entry(a.set, e, stages, a.rlim, a.budget, log=log,
                                                 polish=not a.no_polish, polish_near=a.polish_near,
                                                 tries=a.respread,
                                                 seeds=range(a.seed0, a.seed0 + a.restarts))
        except Exception as ex:  # keep the batch going; the entry stays as committed
            print(f"{a.set} {e['key']} ERROR {ex!r}", flush=True)
            continue
        envs = f" env={res['ropelength'] / env:.4f}" if env else ""
        print(f"{a.set} {e['key']} {old['ropelength']:.3f} -> {res['ropelength']:.3f}{envs} "
              f"poly={res['poly_ropelength']:.3f} nh={res['harmonics']} dev={max(res['fit_dev']):.2e} "
              f"(was {old['fit_dev']:.2e}) {status} tight={res['t_tighten']:.0f}s "
              f"fit={res['t_fit']:.0f}s ver={res['t_verify']:.0f}s total={time.time() - t:.0f}s "
              f"polished={res['polished']} tried={[(k, round(r, 3), float(f'{d:.2e}')) for k, r, d in res['tried'][0]]}", flush=True)


if __name__ == "__main__":
    main()
