"""Tightening in the space of Fourier coefficients (the last step after the fit).

The fit of a tight polygon inherits the bead-scale ripple of the polygon, and a Fourier curve
through slightly rippled beads is a little longer and a little thinner than the polygon.
Here the length of the Fourier curve itself is minimised with the harmonic count fixed,
subject to penalties (raised step by step) on sample pairs closer than 1 that lie more than
`sep` apart along the curve, on curvature above 2 (radius below 1/2) and on uneven speed
(the parameter stays proportional to arclength).  Each stage starts from the best curve so
far and the result is judged by the true thickness (geom.curve_geometry), so the polish can
only lower the ropelength it reports.
"""
import numpy as np
from scipy.optimize import minimize
from scipy.spatial import cKDTree

from . import geom


KMAX = 1.95  # curvature bound of the penalty: a little under 2 leaves room between samples


def _basis(nh, m):
    s = np.linspace(0, 2 * np.pi, m, endpoint=False)
    k = np.arange(1, nh + 1)
    ks = np.outer(s, k)
    C, S = np.cos(ks), np.sin(ks)
    P0 = np.hstack([C, S])
    P1 = np.hstack([-S * k, C * k])
    P2 = np.hstack([-C * k ** 2, -S * k ** 2])
    return P0, P1, P2


def polish(A, B, iters=1000, mus=(1e4, 1e5), sep=2.0, per_unit=50, extra=0, log=None):
    """Returns (A, B, ropelength, f) of the best curve found (the input if nothing
    better), scaled to thickness 1; f times that curve is the curve in the input's scale.
    `extra` harmonics (zero to start with) are added to the ones of the fit."""
    if extra:
        A = np.vstack([A, np.zeros((extra, 3))])
        B = np.vstack([B, np.zeros((extra, 3))])
    nh = len(A)
    g0 = geom.curve_geometry([(np.zeros(3), A, B)])
    best = (g0["L"] / g0["D"], A / g0["D"], B / g0["D"], g0["D"])
    A, B = best[1], best[2]
    L0 = best[0]
    m = int(per_unit * L0)
    P0, P1, P2 = _basis(nh, m)
    ds = 2 * np.pi / m
    msep = int(np.ceil(sep / (L0 / m)))
    wv = 10.0  # weight of the even-speed term

    def candidates(Cf):
        # sample pairs within reach of the constraint and far apart along the curve,
        # refreshed between chunks of iterations (the curve moves much less meanwhile)
        x = P0 @ Cf
        pr = cKDTree(x).query_pairs(1.15, output_type="ndarray").reshape(-1, 2)
        sepij = np.abs(pr[:, 0] - pr[:, 1])
        sepij = np.minimum(sepij, m - sepij)
        pr = pr[sepij > msep]
        return pr[:, 0], pr[:, 1]

    chunks = [mu for mu in mus for _ in range(max(1, iters // 200))]
    for si, mu in enumerate(chunks):
        ci, cj = candidates(np.vstack([A, B]))

        def f(v):
            Cf = v.reshape(2 * nh, 3)
            x, d1, d2 = P0 @ Cf, P1 @ Cf, P2 @ Cf
            sp = np.linalg.norm(d1, axis=1)
            t = d1 / sp[:, None]
            vm = sp.mean()
            E = sp.sum() * ds + wv * ((sp - vm) ** 2).sum() * ds
            gsp = ds + wv * 2 * (sp - vm) * ds  # the mean's own term sums to zero
            gd1 = t * gsp[:, None]
            gx = np.zeros_like(x)
            if len(ci):  # pairs closer than 1
                dv = x[ci] - x[cj]
                d = np.linalg.norm(dv, axis=1)
                w = np.maximum(1.0 - d, 0)
                E += mu * (w ** 2).sum()
                gg = (-2 * mu * w / d)[:, None] * dv
                for k in range(3):
                    gx[:, k] = (np.bincount(ci, gg[:, k], minlength=m)
                                - np.bincount(cj, gg[:, k], minlength=m))
            # curvature, the speed taken as the mean speed: |x''_perp| / v^2 <= KMAX
            d2p = d2 - (d2 * t).sum(axis=1)[:, None] * t
            n2 = np.linalg.norm(d2p, axis=1)
            over = np.maximum(n2 / vm ** 2 - KMAX, 0)
            gd2 = np.zeros_like(d2)
            nz = over > 0
            if nz.any():
                E += mu * (over ** 2).sum()
                gd2[nz] = (2 * mu * over[nz] / (n2[nz] * vm ** 2))[:, None] * d2p[nz]
            G = P0.T @ gx + P1.T @ gd1 + P2.T @ gd2
            return E, G.ravel()

        r = minimize(f, np.vstack([A, B]).ravel(), jac=True, method="L-BFGS-B",
                     options=dict(maxiter=200))
        Cf = r.x.reshape(2 * nh, 3)
        An, Bn = Cf[:nh], Cf[nh:]
        g = geom.curve_geometry([(np.zeros(3), An, Bn)])
        R = g["L"] / g["D"]
        if log and (si + 1 == len(chunks) or chunks[si + 1] != mu):
            log(f"polish mu={mu:g} nit={r.nit} R={R:.4f} (rho {g['rho_min']:.3f}, dcsd {g['dcsd']:.4f})")
        if R < best[0]:
            best = (R, An / g["D"], Bn / g["D"], best[3] * g["D"])
        A, B = An, Bn  # continue from where the optimiser ended (the best is kept aside)
    return best[1], best[2], best[0], best[3]
