"""File tools on a trefoil file: the filament energy at 1024 samples and the comparison of two
files at 2048 samples, against NumPy implementations of the same formulas (file reading and
sampling included on both sides)."""
import math
import os
import tempfile

import numpy as np

import _bindings as kb
from harness import Table

TWO_PI = 6.283185307179586
ROWS = [
    (0.0, 1.0, 1.0, 0.0, 0.0, 0.0),
    (0.0, 2.0, -2.0, 0.0, 0.0, 0.0),
    (0.0, 0.0, 0.0, 0.0, 0.0, -1.0),
    (0.01, 0.0, 0.0, 0.02, 0.0, 0.0),
]


def write_file(path, rows, scale=1.0):
    with open(path, "w") as f:
        f.write("% trefoil\n% a_x b_x a_y b_y a_z b_z\n")
        for r in rows:
            f.write(" ".join(f"{scale * v:.9f}" for v in r) + "\n")


def np_sample(path, n):
    c = np.loadtxt(path, comments="%", ndmin=2)
    j = np.arange(1, len(c) + 1)
    t = np.arange(n) * TWO_PI / n
    cs, sn = np.cos(np.outer(t, j)), np.sin(np.outer(t, j))
    pts = np.stack([cs @ c[:, 0] + sn @ c[:, 1], cs @ c[:, 2] + sn @ c[:, 3], cs @ c[:, 4] + sn @ c[:, 5]], axis=1)
    return pts - pts.mean(axis=0)


def np_separation(n):
    i = np.arange(n)
    b = np.abs(i[:, None] - i[None, :])
    return np.minimum(n - b, b)


def np_metrics(pts, skip):
    n = len(pts)
    e_next = np.roll(pts, -1, axis=0) - pts
    l_next = np.linalg.norm(e_next, axis=1)
    L = l_next.sum()
    e_prev, l_prev = np.roll(e_next, 1, axis=0), np.roll(l_next, 1)
    ds = (l_next + l_prev) / 2
    kappa = np.linalg.norm(e_next / l_next[:, None] - e_prev / l_prev[:, None], axis=1) / ds
    d = np.sqrt(((pts[:, None, :] - pts[None, :, :]) ** 2).sum(axis=2))
    dmin = d[np_separation(n) > skip].min()
    return dict(L=L, kappa_max=kappa.max(), kappa_mean=kappa.sum() / n, bend_energy=(kappa**2 * ds).sum(),
                reach_proxy=dmin / 2), d


def np_energy(path, n):
    pts = np_sample(path, n)
    m, d = np_metrics(pts, 1)
    ds = m["L"] / n
    e = np.roll(pts, -1, axis=0) - pts
    T = e / np.linalg.norm(e, axis=1)[:, None]
    mask = (np_separation(n) > 1) & (d > 0)
    S = ((T @ T.T)[mask] / d[mask]).sum() * ds * ds
    return 7e-7 / (8 * math.pi) * S + 7e-7 / (16 * math.pi) * m["L"]


def np_compare(pa_path, pb_path, n):
    pa, pb = np_sample(pa_path, n), np_sample(pb_path, n)
    ma, _ = np_metrics(pa, 3)
    mb, _ = np_metrics(pb, 3)
    out = {}
    for k in ma:
        out[k + "_a"], out[k + "_b"], out["d" + k] = ma[k], mb[k], mb[k] - ma[k]
    out["rms_point_delta"] = math.sqrt(((pa - pb) ** 2).sum(axis=1).mean())
    return out


def main():
    with tempfile.TemporaryDirectory() as d:
        a, b = os.path.join(d, "a.fseries"), os.path.join(d, "b.fseries")
        write_file(a, ROWS)
        write_file(b, ROWS, scale=1.01)
        P = kb.FilamentEnergyParams()

        e_lib = kb.compute_filament_energy_from_fseries(a, P).E_total
        e_ref = np_energy(a, 1024)
        c_lib = kb.compare_fseries_files(a, b, 2048, 3)
        c_ref = np_compare(a, b, 2048)
        worst = max(abs(c_lib[k] - c_ref[k]) / max(abs(c_ref[k]), 1e-300) for k in c_ref if c_ref[k] != 0)

        t = Table("fseries tools")
        t.add("compute_filament_energy_from_fseries (n=1024)", lambda: kb.compute_filament_energy_from_fseries(a, P),
              lambda: np_energy(a, 1024), f"NumPy; E_total rel diff {abs(e_lib - e_ref) / abs(e_ref):.1e}")
        t.add("compare_fseries_files (n=2048)", lambda: kb.compare_fseries_files(a, b, 2048, 3),
              lambda: np_compare(a, b, 2048), f"NumPy; worst rel diff {worst:.1e}")
        t.print()


if __name__ == "__main__":
    main()
