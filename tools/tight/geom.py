"""Curves: polygons, tightening driver, Fourier fits, thickness, standard position."""
import ctypes
import os
import subprocess

import numpy as np

_HERE = os.path.dirname(os.path.abspath(__file__))
_lib = None


def lib():
    global _lib
    if _lib is None:
        path = subprocess.check_output(["bash", os.path.join(_HERE, "build.sh")], text=True).strip()
        L = ctypes.CDLL(path)
        dp = ctypes.POINTER(ctypes.c_double)
        ip = ctypes.POINTER(ctypes.c_int)
        L.tighten.restype = ctypes.c_double
        L.tighten.argtypes = [dp, ip, ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_double,
                              ctypes.c_double, ctypes.c_int, ctypes.c_double, ctypes.c_double, ctypes.c_double, dp]
        L.poly_thickness.restype = ctypes.c_double
        L.poly_thickness.argtypes = [dp, ip, ctypes.c_int, ctypes.c_int, dp]
        L.spread.restype = ctypes.c_double
        L.spread.argtypes = [dp, ip, ctypes.c_int, ctypes.c_int, ctypes.c_int, ctypes.c_double,
                             ctypes.c_double]
        L.dcsd.restype = ctypes.c_double
        L.dcsd.argtypes = [dp, ip, ctypes.c_int, dp]
        _lib = L
    return _lib


def _dp(a):
    return a.ctypes.data_as(ctypes.POINTER(ctypes.c_double))


def _ip(a):
    return a.ctypes.data_as(ctypes.POINTER(ctypes.c_int))


def _pack(comps):
    x = np.ascontiguousarray(np.concatenate(comps), dtype=np.float64)
    off = np.zeros(len(comps) + 1, dtype=np.int32)
    off[1:] = np.cumsum([len(c) for c in comps])
    return x, off


def _unpack(x, off):
    return [x[off[i]:off[i + 1]].copy() for i in range(len(off) - 1)]


def polygon_length(c):
    return float(np.linalg.norm(np.roll(c, -1, axis=0) - c, axis=1).sum())


def resample(c, n):
    """Resample a closed polygon to n beads equally spaced in arclength."""
    seg = np.linalg.norm(np.roll(c, -1, axis=0) - c, axis=1)
    s = np.concatenate([[0.0], np.cumsum(seg)])
    L = s[-1]
    cc = np.vstack([c, c[:1]])
    t = np.arange(n) * (L / n)
    return np.stack([np.interp(t, s, cc[:, k]) for k in range(3)], axis=1)


def local_index_cutoff(h):
    # beads within pi/2 of arc (tube diameter 1) count as local
    return int(np.ceil((np.pi / 2) / h)) + 1


def poly_thickness(comps, h=None):
    x, off = _pack(comps)
    if h is None:
        h = sum(polygon_length(c) for c in comps) / len(x)
    out = np.zeros(3)
    d = lib().poly_thickness(_dp(x), _ip(off), len(comps), local_index_cutoff(h), _dp(out))
    return d, out


def tighten(comps, iters, tau=0.02, tau_max=0.05, sweeps=8, safe=0.55, slack=0.0, rlim=0.55):
    x, off = _pack(comps)
    L = sum(polygon_length(c) for c in comps)
    # spacing in units of the thickness
    d, _ = poly_thickness(comps)
    h = L / d / len(x)
    stats = np.zeros(4)
    lib().tighten(_dp(x), _ip(off), len(comps), local_index_cutoff(h), iters, tau, tau_max,
                  sweeps, safe, slack, rlim, _dp(stats))
    return _unpack(x, off), stats


def spread(comps, beads_total=240, iters=400, frac=0.1, smooth=0.05):
    """Inflate a (flat, diagram-like) polygon into a rounder 3D conformation by a repulsive
    energy at fixed length; small steps keep every strand on its side."""
    L = sum(polygon_length(c) for c in comps)
    nb = [max(16, int(round(beads_total * polygon_length(c) / L))) for c in comps]
    done = 0
    while done < iters:
        comps = [resample(c, n) for c, n in zip(comps, nb)]  # even spacing between chunks
        x, off = _pack(comps)
        k = min(25, iters - done)
        lib().spread(_dp(x), _ip(off), len(comps), k, 2, frac, smooth)
        comps = _unpack(x, off)
        done += k
    return comps


def scale_to_thickness(comps):
    d, _ = poly_thickness(comps)
    c0 = np.concatenate(comps).mean(axis=0)
    return [(c - c0) / d for c in comps]


def _rope(comps):
    d, out = poly_thickness(comps)
    return out[0] / d


def run_tightening(comps, h_final=0.1, log=None, snapshots=None, h_start=0.25,
                   min_beads=24, max_beads=1200, block=100, coarse_rounds=60, fine_rounds=25,
                   stages=None, rlim=0.55, deadline=None):
    """Coarse-to-fine tightening; returns (components scaled to thickness 1, ropelength).
    Stage 1 (coarse beads) accepts steps that raise the ropelength by up to 1e-3 so that
    jammed strands can still slide; stage 2 (final beads) uses 2e-4, then 0 to polish.
    The best state seen is kept.  `stages` (a list of (bead spacing, slack, rounds)) replaces
    the default schedule (used to continue from an already tight curve, tools/improve.py);
    `deadline` (time.time() value) ends a stage's rounds early."""
    import time
    comps = scale_to_thickness(comps)

    def beads(c, h):
        return int(np.clip(round(polygon_length(c) / h), min_beads, max_beads))

    if stages is None:
        stages = [(0.5, 1e-3, 30)] if max(h_start, h_final) < 0.45 and coarse_rounds > 0 else []
        if coarse_rounds > 0:
            stages.append((max(h_start, h_final), 1e-3, coarse_rounds))
        if h_final < h_start or coarse_rounds == 0:
            stages.append((h_final, 2e-4, fine_rounds))
        stages.append((h_final, 0.0, 6))
    tau = 0.02
    best = None
    for st in stages:
        h, slack, rounds = st[:3]
        # a round counts as progress if it lowers the best ropelength by this fraction
        thresh = st[3] if len(st) > 3 else (1e-3 if slack > 0 else 1e-6)
        comps = scale_to_thickness(comps)
        comps = [resample(c, beads(c, h)) for c in comps]
        if best is not None:
            best = (_rope(comps), [c.copy() for c in comps])
        since = 0
        for r in range(rounds):
            comps, st = tighten(comps, block, tau=max(tau, 1e-3), sweeps=30, slack=slack, rlim=rlim)
            tau = st[1]
            comps = [resample(c, len(c)) for c in comps]
            R = _rope(comps)
            if snapshots is not None:
                snapshots.append((h, R, [c.copy() for c in comps]))
            if best is None or R < best[0] * (1 - thresh):
                since = 0
            else:
                since += 1
            if best is None or R < best[0]:
                best = (R, [c.copy() for c in comps])
            if since >= (8 if slack > 0 else 3):
                break
            if deadline is not None and time.time() > deadline:
                break
        comps = [c.copy() for c in best[1]]
        if log:
            log(f"h={h:.3f} slack={slack:g} beads={sum(len(c) for c in comps)} rounds={r + 1} R={best[0]:.4f}")
    comps = scale_to_thickness(best[1])
    return comps, _rope(comps)


# ---------------------------------------------------------------- Fourier

def fourier_fit(c, nh):
    """Least-squares fit of a closed polygon, parameter proportional to arclength.
    Returns (A0 (3,), A (nh,3), B (nh,3))."""
    seg = np.linalg.norm(np.roll(c, -1, axis=0) - c, axis=1)
    s = np.concatenate([[0.0], np.cumsum(seg)[:-1]]) / seg.sum() * 2 * np.pi
    k = np.arange(1, nh + 1)
    M = np.hstack([np.ones((len(c), 1)), np.cos(np.outer(s, k)), np.sin(np.outer(s, k))])
    coef, *_ = np.linalg.lstsq(M, c, rcond=None)
    return coef[0], coef[1:nh + 1], coef[nh + 1:]


def fourier_eval(A0, A, B, s, deriv=0):
    k = np.arange(1, len(A) + 1)
    ks = np.outer(s, k)
    C, S = np.cos(ks), np.sin(ks)
    if deriv == 0:
        return A0 + C @ A + S @ B
    if deriv == 1:
        return (-S * k) @ A + (C * k) @ B
    if deriv == 2:
        return (-C * k ** 2) @ A + (-S * k ** 2) @ B
    raise ValueError(deriv)


def fit_deviation(c, A0, A, B):
    """Max distance from the polygon's beads to the Fourier curve at the same parameter."""
    seg = np.linalg.norm(np.roll(c, -1, axis=0) - c, axis=1)
    s = np.concatenate([[0.0], np.cumsum(seg)[:-1]]) / seg.sum() * 2 * np.pi
    f = fourier_eval(A0, A, B, s)
    return float(np.linalg.norm(f - c, axis=1).max())


def curve_geometry(comps_coef, samples_per_unit=40, min_samples=1000):
    """Length, thickness (min of twice the least radius of curvature and the doubly-critical
    self-distance) of a Fourier link given as [(A0, A, B), ...]."""
    pts, Ls, rho = [], [], np.inf
    for A0, A, B in comps_coef:
        # rough length first
        s0 = np.linspace(0, 2 * np.pi, 2048, endpoint=False)
        d1 = fourier_eval(A0, A, B, s0, 1)
        L0 = np.linalg.norm(d1, axis=1).mean() * 2 * np.pi
        m = max(min_samples, int(L0 * samples_per_unit))
        s = np.linspace(0, 2 * np.pi, m, endpoint=False)
        x = fourier_eval(A0, A, B, s)
        # curvature on a denser grid (its peaks can be narrow), then refined around the
        # largest sample by a parabola through three finer samples
        mk = max(m, int(L0 * 200))
        sk = np.linspace(0, 2 * np.pi, mk, endpoint=False)
        d1 = fourier_eval(A0, A, B, sk, 1)
        d2 = fourier_eval(A0, A, B, sk, 2)
        sp = np.linalg.norm(d1, axis=1)
        kappa = np.linalg.norm(np.cross(d1, d2), axis=1) / sp ** 3
        i = int(np.argmax(kappa))
        ss = sk[i] + np.linspace(-1, 1, 41) * (2 * np.pi / mk)
        e1 = fourier_eval(A0, A, B, ss, 1)
        e2 = fourier_eval(A0, A, B, ss, 2)
        kappa = np.concatenate([kappa, np.linalg.norm(np.cross(e1, e2), axis=1) /
                                np.linalg.norm(e1, axis=1) ** 3])
        # length with a dense rule
        s8 = np.linspace(0, 2 * np.pi, 8 * m, endpoint=False)
        Ls.append(float(np.linalg.norm(fourier_eval(A0, A, B, s8, 1), axis=1).mean() * 2 * np.pi))
        rho = min(rho, 1.0 / kappa.max())
        pts.append(x)
    x, off = _pack(pts)
    out = np.zeros(3)
    dc = lib().dcsd(_dp(x), _ip(off), len(pts), _dp(out))
    D = min(2 * rho, dc)
    return {"L": sum(Ls), "Ls": Ls, "D": D, "rho_min": rho, "dcsd": dc}


def choose_harmonics(c, tol, nmin=1, nmax=100):
    """Smallest harmonic count whose fit stays within tol of the polygon, found by doubling
    and bisection (deviation is close to monotone in the count); nmax if none does."""
    nmax = min(nmax, (len(c) - 1) // 2)
    cache = {}

    def dev(nh):
        if nh not in cache:
            A0, A, B = fourier_fit(c, nh)
            cache[nh] = (fit_deviation(c, A0, A, B), A0, A, B)
        return cache[nh][0]

    lo, hi = nmin, nmin
    while dev(hi) > tol and hi < nmax:
        lo, hi = hi, min(nmax, hi * 2)
    if dev(hi) <= tol:
        while hi - lo > 1:
            mid = (lo + hi) // 2
            if dev(mid) <= tol:
                hi = mid
            else:
                lo = mid
        if dev(lo) <= tol:
            hi = lo
    d, A0, A, B = cache[hi]
    return hi, A0, A, B, d


def standard_position(A, B, reflect=True, reverse=True):
    """Rotate/shift/reverse/reflect a single Fourier curve (centred) into standard position:
    A1 = (a,0,0), B1 = (0,b,0), a > b > 0; A2.x > 0; A2.y > 0; A2.z > 0."""
    A = A.copy(); B = B.copy()
    nh = len(A)
    k = np.arange(1, nh + 1)[:, None]

    def shift(A, B, phi):
        # s -> s + phi
        c, s = np.cos(k * phi), np.sin(k * phi)
        return A * c + B * s, -A * s + B * c

    a1, b1 = A[0], B[0]
    # principal axes of the first-harmonic ellipse: angle phi with A1'.B1' = 0
    phi = 0.5 * np.arctan2(2 * a1 @ b1, a1 @ a1 - b1 @ b1)
    A, B = shift(A, B, phi)
    if np.linalg.norm(A[0]) < np.linalg.norm(B[0]):
        A, B = shift(A, B, np.pi / 2)
    ex = A[0] / np.linalg.norm(A[0])
    ey = B[0] - (B[0] @ ex) * ex
    ey /= np.linalg.norm(ey)
    ez = np.cross(ex, ey)
    Q = np.stack([ex, ey, ez])
    A, B = A @ Q.T, B @ Q.T
    if nh >= 2:
        if A[1, 0] < 0:  # shift by pi and turn by pi about z
            A, B = shift(A, B, np.pi)
            A[:, :2] *= -1; B[:, :2] *= -1
            Q = np.diag([-1.0, -1.0, 1.0]) @ Q
        if reverse and A[1, 1] < 0:  # s -> -s and turn by pi about x
            B = -B
            A[:, 1:] *= -1; B[:, 1:] *= -1
            Q = np.diag([1.0, -1.0, -1.0]) @ Q
        if reflect and A[1, 2] < 0:
            A[:, 2] *= -1; B[:, 2] *= -1
            Q = np.diag([1.0, 1.0, -1.0]) @ Q
    return A, B, Q
