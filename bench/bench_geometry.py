"""Fourier geometry and curve topology against NumPy implementations of the same formulas, in
one run:
- describe_fourier_block at its defaults (2048 samples, 8192 derivative samples, O(N^2)
  self-distance and writhe) on a 40-harmonic and a 120-harmonic block;
- pd_from_curve at 1000 points x 40 tries on a trefoil polygon (the NumPy reference uses the
  same engine and directions, and returns the same code);
- the pair kernels on their own (writhe, minimum self-distance, crossing estimate)."""
import math
import sys

import numpy as np

import _bindings as kb
from harness import Table

sys.path.insert(0, str(__import__("pathlib").Path(__file__).resolve().parents[1] / "tests"))
from test_topology import MT19937, PolarNormal, plane, v_scale  # noqa: E402  (pure-Python engine)

TWO_PI = 6.283185307179586


def random_block(n, seed):
    rng = np.random.default_rng(seed)
    C = rng.normal(size=(6, n)) / np.arange(1, n + 1) ** 2
    C[0, 0] += 2.0
    C[3, 0] += 2.0
    b = kb.FourierBlock()
    b.a_x, b.b_x, b.a_y, b.b_y, b.a_z, b.b_z = (list(map(float, row)) for row in C)
    return b, C


# ---------------------------------------------------------------- NumPy references


def np_eval(C, s, order):
    j = np.arange(1, C.shape[1] + 1, dtype=float)
    js = np.outer(s, j)
    c, sn = np.cos(js), np.sin(js)
    out = []
    for k in range(order + 1):
        dc = [c, -j * sn, -(j**2) * c][k]
        ds = [sn, j * c, -(j**2) * sn][k]
        out.append(np.stack([dc @ C[0] + ds @ C[1], dc @ C[2] + ds @ C[3], dc @ C[4] + ds @ C[5]], axis=1))
    return out


def np_min_distance(P, w, chunk=256):
    n = len(P)
    best = np.inf
    idx = np.arange(n)
    for lo in range(0, n, chunk):
        i = idx[lo : lo + chunk, None]
        d = idx[None, :] - i
        m = np.minimum(np.abs(d), n - np.abs(d))
        keep = (d > 0) & (m > w)
        D = np.sqrt(((P[lo : lo + chunk, None, :] - P[None, :, :]) ** 2).sum(axis=2))
        if keep.any():
            best = min(best, D[keep].min())
    return 0.0 if not np.isfinite(best) else float(best)


def np_writhe(P, chunk=256):
    E = np.diff(P, axis=0)
    m = len(E)
    S = P[:m]
    total = 0.0
    for lo in range(0, m, chunk):
        k = np.arange(lo, min(lo + chunk, m))
        R = S[k, None, :] - S[None, :, :]
        h = np.sqrt((R**2).sum(axis=2))
        c = np.cross(E[k, None, :], E[None, :, :])
        num = (c * R).sum(axis=2)
        keep = (np.arange(m)[None, :] > k[:, None]) & (h >= 1e-6)
        total += (num[keep] / h[keep] ** 3).sum()
    return total / TWO_PI


def np_describe(C, nsamples=2048, w=4):
    N = max(nsamples, 64)
    s = np.arange(N) * TWO_PI / N
    (P,) = np_eval(C, s, 0)
    M = max(4 * N, 512)
    sm = np.arange(M) * TWO_PI / M
    _, d1, d2 = np_eval(C, sm, 2)
    g = np.maximum(1e-12, np.linalg.norm(d1, axis=1))
    kappa = np.linalg.norm(np.cross(d1, d2), axis=1) / g**3
    L = float(np.sum(np.linalg.norm(d1, axis=1) * (TWO_PI / M)))
    E = float(np.sum(kappa * kappa * g * (TWO_PI / M)))
    return L, E, np_min_distance(P, w), np_writhe(P), (C**2).sum(axis=0)


def np_pd_projection(Q, z, min_angle, depth_tol):
    n = len(Q)
    i, j = np.triu_indices(n, 2)
    keep = ~((i == 0) & (j == n - 1))
    i, j = i[keep], j[keep]
    A, B, Cc, D = Q[i], Q[(i + 1) % n], Q[j], Q[(j + 1) % n]
    with np.errstate(divide="ignore", invalid="ignore"):
        den = (Cc[:, 1] - D[:, 1]) * (A[:, 0] - B[:, 0]) - (A[:, 1] - B[:, 1]) * (Cc[:, 0] - D[:, 0])
        t = ((Cc[:, 1] - D[:, 1]) * (A[:, 0] - Cc[:, 0]) - (Cc[:, 0] - D[:, 0]) * (A[:, 1] - Cc[:, 1])) / den
        s = ((A[:, 1] - B[:, 1]) * (A[:, 0] - Cc[:, 0]) - (A[:, 0] - B[:, 0]) * (A[:, 1] - Cc[:, 1])) / den
        ok = (np.abs(den) >= 1e-12) & (t > 1e-12) & (t < 0.999999999999) & (s > 1e-12) & (s < 0.999999999999)
    i, j, t, s, A, B, Cc, D = i[ok], j[ok], t[ok], s[ok], A[ok], B[ok], Cc[ok], D[ok]
    zA = z[i] + (z[(i + 1) % n] - z[i]) * t
    zC = z[j] + (z[(j + 1) % n] - z[j]) * s
    dc, ba = D - Cc, B - A
    c = (dc * ba).sum(axis=1) / ((np.hypot(dc[:, 0], dc[:, 1]) + 1e-18) * (np.hypot(ba[:, 0], ba[:, 1]) + 1e-18))
    theta = np.arccos(np.abs(np.clip(c, -1.0, 1.0))) * 180.0 / 3.141592653589793
    ok = (np.abs(zA - zC) >= depth_tol) & (theta >= min_angle)
    i, j, t, s, over = i[ok], j[ok], t[ok], s[ok], (zA > zC)[ok]
    K = len(i)
    if K == 0:
        return None
    p = np.concatenate([(i + t) / n, (j + s) / n])
    is_over = np.concatenate([over, ~over])
    crossing = np.concatenate([np.arange(K), np.arange(K)])
    order = np.argsort(p, kind="stable")
    m = 2 * K
    e = np.arange(m)
    in_label = np.where(e >= 1, e, m)
    out_label = e + 1
    ev_in, ev_out = np.empty(m, int), np.empty(m, int)
    ev_in[order], ev_out[order] = in_label, out_label
    o = np.where(is_over)[0]
    u = np.where(~is_over)[0]
    o = o[np.argsort(crossing[o])]
    u = u[np.argsort(crossing[u])]
    return np.stack([ev_in[u], ev_in[o], ev_out[u], ev_out[o]], axis=1).tolist()


def np_pd(P, tries=40, seed=12345, min_angle=1.0, depth_tol=1e-6):
    eng = MT19937(seed)
    best, result = -1, None
    for _ in range(tries):
        normal = PolarNormal()
        d = v_scale((normal(eng), normal(eng), normal(eng)), 1e-18)
        u, v = plane(d, (1.0, 0.0, 0.0) if abs(d[0]) < 0.9 else (0.0, 1.0, 0.0), 1e-18)
        Q = np.stack([P @ np.array(u), P @ np.array(v)], axis=1)
        code = np_pd_projection(Q, P @ np.array(d), min_angle, depth_tol)
        if code is not None and len(code) > best:
            best, result = len(code), code
    return result


def np_crossings(P, directions=24, seed=12345):
    eng, normal = MT19937(seed), PolarNormal()
    n = len(P)
    i, j = np.triu_indices(n, 2)
    keep = ~((i == 0) & (j == n - 1))
    i, j = i[keep], j[keep]
    best = n * n
    for _ in range(directions):
        d = v_scale((normal(eng), normal(eng), normal(eng)), 1e-12)
        u, v = plane(d, (0.0, 1.0, 0.0) if abs(d[0]) > 0.9 else (1.0, 0.0, 0.0), 1e-12)
        Q = np.stack([P @ np.array(u), P @ np.array(v)], axis=1)
        a, b, c, e = Q[i], Q[(i + 1) % n], Q[j], Q[(j + 1) % n]

        def cr(p, q):
            return p[:, 0] * q[:, 1] - p[:, 1] * q[:, 0]

        hit = (cr(b - a, c - a) * cr(b - a, e - a) < 0) & (cr(e - c, b - c) * cr(e - c, a - c) < 0)
        best = min(best, int(hit.sum()))
    return best


def trefoil(n):
    t = np.arange(n) * TWO_PI / n
    rho = np.cos(3 * t) + 2
    return np.stack([rho * np.cos(2 * t), rho * np.sin(2 * t), np.sin(3 * t)], axis=1)


def main():
    t = Table("Fourier geometry and curve topology (kernel vs NumPy, same formulas)")
    for n in (40, 120):
        b, C = random_block(n, n)
        d = kb.describe_fourier_block(b)
        L, E, dmin, wr, me = np_describe(C)
        assert math.isclose(d.L, L, rel_tol=1e-12) and math.isclose(d.bending_energy, E, rel_tol=1e-11)
        assert math.isclose(d.min_self_distance, dmin, rel_tol=1e-12) and math.isclose(d.writhe, wr, rel_tol=1e-10)
        t.add(f"describe_fourier_block, {n} harmonics", lambda: kb.describe_fourier_block(b), lambda: np_describe(C),
              "2048 samples, 8192 derivative samples", repeat=3)

    P = trefoil(1000)
    code = kb.pd_from_curve(P)
    assert code == np_pd(P), "NumPy reference disagrees"
    t.add("pd_from_curve, 1000 points x 40 tries", lambda: kb.pd_from_curve(P), lambda: np_pd(P),
          f"{len(code)} crossings", repeat=3)

    b, C = random_block(40, 1)
    poly = kb.evaluate_fourier_block(b, [i * TWO_PI / 2048 for i in range(2048)])
    Pa = np.array(poly)
    assert math.isclose(kb.compute_writhe(poly), np_writhe(Pa), rel_tol=1e-10)
    t.add("compute_writhe, 2048 points", lambda: kb.compute_writhe(poly), lambda: np_writhe(Pa),
          "incl. list conversion", repeat=3)
    t.add("min_self_distance_sampled, 2048 points", lambda: kb.min_self_distance_sampled(poly),
          lambda: np_min_distance(Pa, 4), "incl. list conversion", repeat=3)
    T = trefoil(1000)
    Tl = T.tolist()
    assert kb.estimate_crossing_number(Tl) == np_crossings(T)
    t.add("estimate_crossing_number, 1000 points x 24", lambda: kb.estimate_crossing_number(Tl),
          lambda: np_crossings(T), "", repeat=3)
    t.print()


if __name__ == "__main__":
    main()
