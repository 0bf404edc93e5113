"""Vortex dynamics kernels against NumPy implementations of the same formulas (same run)."""
import contextlib
import math
import os

# BLAS worker threads spin after each call and would take the second core from the kernel
# measured next; the NumPy references run their small products on one thread.
os.environ.setdefault("OPENBLAS_NUM_THREADS", "1")
import pathlib
import sys

import numpy as np

sys.path.insert(0, str(pathlib.Path(__file__).parent))
import _bindings as kb  # noqa: E402
from harness import Table, best_time  # noqa: E402


def segment_velocity_np(curve, grid, gamma=1.0):
    """Segment kernel vectorised over grid points, edges in order."""
    b = np.roll(curve, -1, axis=0)
    dl, mid = b - curve, (curve + b) * 0.5
    gx, gy, gz = (grid[:, c].copy() for c in range(3))
    ux, uy, uz = np.zeros(len(grid)), np.zeros(len(grid)), np.zeros(len(grid))
    for i in range(len(curve)):
        rx, ry, rz = gx - mid[i, 0], gy - mid[i, 1], gz - mid[i, 2]
        den = (rx * rx + ry * ry + rz * rz) ** 1.5 + 1e-12
        ux += (dl[i, 1] * rz - dl[i, 2] * ry) / den
        uy += (dl[i, 2] * rx - dl[i, 0] * rz) / den
        uz += (dl[i, 0] * ry - dl[i, 1] * rx) / den
    return np.stack([ux, uy, uz], axis=1) * (gamma / 12.566370614359172)


def helicity_pipeline_np(block, G=32, h=0.1, m=8, ns=1000):
    s = np.arange(ns) * 6.283185307179586 / (ns - 1)
    curve = np.zeros((ns, 3))
    for c, (a, b) in enumerate([(block.a_x, block.b_x), (block.a_y, block.b_y), (block.a_z, block.b_z)]):
        for k, (ak, bk) in enumerate(zip(a, b)):
            curve[:, c] += ak * np.cos((k + 1) * s) + bk * np.sin((k + 1) * s)
    curve -= curve.mean(axis=0)
    ax = (int(G / -2) + np.arange(G)) * h
    X, Y, Z = np.meshgrid(ax, ax, ax, indexing="ij")
    v = segment_velocity_np(curve, np.stack([X, Y, Z], -1).reshape(-1, 3)).reshape(G, G, G, 3)
    D = lambda f, k: (np.roll(f, -1, k) - np.roll(f, 1, k)) / (2 * h)  # noqa: E731
    w = np.stack([D(v[..., 1], 2) - D(v[..., 2], 1), D(v[..., 2], 0) - D(v[..., 0], 2),
                  D(v[..., 0], 1) - D(v[..., 1], 0)], -1)
    sl = slice(m, G - m)
    vs, ws = v[sl, sl, sl].reshape(-1, 3), w[sl, sl, sl].reshape(-1, 3)
    r2 = (Z**2 + (Y**2 + X**2))[sl, sl, sl].reshape(-1)
    hc, hm = np.sum(vs * ws), np.sum(np.sum(ws * ws, 1) * r2)
    return hc, hm, (hc / hm - 1) * 0.5


def evolve_np(P, gamma, dt, steps):
    """VortexKnotSystem.evolve: all pairs at once per step, central-difference tangents."""
    T = (np.roll(P, -1, 0) - np.roll(P, 1, 0)) * 0.5
    for _ in range(steps):
        R = P[:, None, :] - P[None, :, :]
        d = np.sqrt(np.einsum("ijk,ijk->ij", R, R))
        with np.errstate(divide="ignore", invalid="ignore"):
            f = np.where(d > 1e-6, gamma / (d * d * d), 0.0)
        c = np.cross(T[None, :, :], R) * 0.07957747154594767
        P = dt * np.einsum("ijk,ij->ik", c, f) + P
        T = (np.roll(P, -1, 0) - np.roll(P, 1, 0)) * 0.5
    return P


def cutoff_scan_np(P, T, ds, a):
    """The difference-array scan with searchsorted/bincount over all ordered pairs."""
    d2 = np.sum((P[None, :, :] - P[:, None, :]) ** 2, axis=2)
    keep = d2 > 0
    t = np.sqrt(d2[keep])
    w = ((T @ T.T) * np.outer(ds, ds))[keep] / t
    k = np.searchsorted(a, t, side="left")
    b = np.bincount(k, weights=w, minlength=len(a) + 1)
    # b_0 collects every w with k > 0, b_k subtracts it
    diff = np.zeros(len(a) + 1)
    diff[0] = np.sum(w[k > 0])
    diff[1:] -= b[1:]
    return np.cumsum(diff)[: len(a)] / 25.132741228718345


@contextlib.contextmanager
def one_thread():
    old = os.environ.get("KVOR_NUM_THREADS")
    os.environ["KVOR_NUM_THREADS"] = "1"
    try:
        yield
    finally:
        if old is None:
            del os.environ["KVOR_NUM_THREADS"]
        else:
            os.environ["KVOR_NUM_THREADS"] = old


def main():
    print(f"threads: {os.environ.get('KVOR_NUM_THREADS') or os.cpu_count()} (KVOR_NUM_THREADS or the core count)")
    rng = np.random.default_rng(0)
    table = Table("vortex dynamics")

    block = kb.FourierBlock()
    block.a_x, block.b_x = [1.0, 0.0, 0.1], [0.0, 0.0, 0.0]
    block.a_y, block.b_y = [0.0, 1.0, 0.0], [1.0, 0.0, 0.2]
    block.a_z, block.b_z = [0.0, 0.3, 0.0], [0.0, 0.0, 0.5]
    evals = 1000 * 32**3
    tk, _ = table.add("helicity_from_fourier_block 1000 x 32^3", lambda: kb.compute_helicity_from_fourier_block(block),
                      lambda: helicity_pipeline_np(block), repeat=7, reference_repeat=2)
    got, ref = kb.compute_helicity_from_fourier_block(block), helicity_pipeline_np(block)
    table.rows[-1] = table.rows[-1][:3] + (f"{evals / tk / 1e6:.0f} M kernel evals/s, max rel diff "
                                           f"{max(abs(g - r) / abs(r) for g, r in zip(got, ref)):.1e}",)

    # The same call on one thread (the grid points of the kernel are split over all cores).
    with one_thread():
        tk1, _ = table.add("  same, KVOR_NUM_THREADS=1", lambda: kb.compute_helicity_from_fourier_block(block),
                           lambda: None, repeat=7)
    table.rows[-1] = (table.rows[-1][0], tk1, table.rows[-2][2], f"{evals / tk1 / 1e6:.0f} M kernel evals/s")

    curve, grid = rng.uniform(-1, 1, (1000, 3)), rng.uniform(-1.6, 1.5, (32768, 3))
    tk, _ = table.add("biot_savart_velocity_grid 1000 edges x 32768", lambda: kb.biot_savart_velocity_grid(curve, grid),
                      lambda: segment_velocity_np(curve, grid), repeat=7, reference_repeat=2)
    u, uref = kb.biot_savart_velocity_grid(curve, grid), segment_velocity_np(curve, grid)
    rel = np.max(np.linalg.norm(u - uref, axis=1) / np.linalg.norm(uref, axis=1))
    table.rows[-1] = table.rows[-1][:3] + (f"{evals / tk / 1e6:.0f} M kernel evals/s, max rel diff {rel:.1e}",)
    with one_thread():
        tk1, _ = table.add("  same, KVOR_NUM_THREADS=1", lambda: kb.biot_savart_velocity_grid(curve, grid),
                           lambda: None, repeat=7)
    table.rows[-1] = (table.rows[-1][0], tk1, table.rows[-2][2], f"{evals / tk1 / 1e6:.0f} M kernel evals/s")

    sysm = kb.VortexKnotSystem()
    sysm.initialize_trefoil_knot(400)
    P0 = np.array(sysm.get_positions())

    def run_evolve():
        s = kb.VortexKnotSystem()
        s.initialize_trefoil_knot(400)
        s.evolve(1e-3, 100)
        return s

    tk, _ = table.add("VortexKnotSystem.evolve 400 pts x 100 steps", run_evolve, lambda: evolve_np(P0, 1.0, 1e-3, 100),
                      repeat=7, reference_repeat=2)
    rel = np.max(np.abs(np.array(run_evolve().get_positions()) - evolve_np(P0, 1.0, 1e-3, 100)))
    table.rows[-1] = table.rows[-1][:3] + (f"{400 * 400 * 100 / tk / 1e6:.0f} M pair evals/s, max abs diff {rel:.1e}",)

    t = np.linspace(0, 2 * math.pi, 2000, endpoint=False)
    P = np.stack([np.sin(t) + 2 * np.sin(2 * t), np.cos(t) - 2 * np.cos(2 * t), -np.sin(3 * t)], 1)
    T = np.roll(P, -1, 0) - np.roll(P, 1, 0)
    ds = np.linalg.norm(T, axis=1) / 2
    a = np.linspace(0.0, 3.0, 64)
    tk, _ = table.add("calculate_bs_cutoff_energy_scan 2000 x 64", lambda: kb.calculate_bs_cutoff_energy_scan(P, T, ds, a),
                      lambda: cutoff_scan_np(P, T, ds, a), repeat=7, reference_repeat=2)
    diff = np.max(np.abs(kb.calculate_bs_cutoff_energy_scan(P, T, ds, a) - cutoff_scan_np(P, T, ds, a)))
    table.rows[-1] = table.rows[-1][:3] + (f"{2000 * 1999 / tk / 1e6:.0f} M pairs/s, max abs diff {diff:.1e}",)
    table.print()


if __name__ == "__main__":
    main()
