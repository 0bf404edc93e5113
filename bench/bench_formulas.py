"""Grid field kernels and O(N²) potentials against NumPy evaluations of the same formulas."""
import time

import numpy as np

import _bindings as kb
from harness import Table, best_time

INV4PI = 0.07957747154594767


def grid(n=64):
    g = np.linspace(-1.5, 1.5, n)
    return np.meshgrid(g, g, g, indexing="ij")


def np_wire(X, Y, Z, wire, current):
    """Segments outer, the whole grid at once inside (coordinates as separate arrays)."""
    x, y, z = X.ravel(), Y.ravel(), Z.ravel()
    bx, by, bz = np.zeros_like(x), np.zeros_like(x), np.zeros_like(x)
    mid = 0.5 * (wire[1:] + wire[:-1])
    dl = wire[1:] - wire[:-1]
    c = current * INV4PI
    with np.errstate(divide="ignore", invalid="ignore"):
        for (mx, my, mz), (lx, ly, lz) in zip(mid, dl):
            rx, ry, rz = x - mx, y - my, z - mz
            rho2 = rx * rx + ry * ry + rz * rz
            rho = np.sqrt(rho2)
            s = np.where(rho >= 1e-12, c / (rho2 * rho), 0.0)
            bx += (ly * rz - lz * ry) * s
            by += (lz * rx - lx * rz) * s
            bz += (lx * ry - ly * rx) * s
    return tuple(b.reshape(X.shape) for b in (bx, by, bz))


def np_dipoles(X, Y, Z, pos, mom):
    x, y, z = X.ravel(), Y.ravel(), Z.ravel()
    bx, by, bz = np.zeros_like(x), np.zeros_like(x), np.zeros_like(x)
    with np.errstate(divide="ignore", invalid="ignore"):
        for (px, py, pz), (mx, my, mz) in zip(pos, mom):
            rx, ry, rz = x - px, y - py, z - pz
            rho2 = rx * rx + ry * ry + rz * rz
            rho = np.sqrt(rho2)
            f = 3.0 * (mx * rx + my * ry + mz * rz) / rho2
            s = np.where(rho >= 1e-12, 1.0 / (4 * np.pi * rho2 * rho), 0.0)
            bx += (f * rx - mx) * s
            by += (f * ry - my) * s
            bz += (f * rz - mz) * s
    return tuple(b.reshape(X.shape) for b in (bx, by, bz))


def np_potential_gaussian(r, w, eps, block=256):
    """Row blocks of the pair matrix, broadcast."""
    n = len(r)
    out = np.empty(n)
    for a in range(0, n, block):
        b = min(n, a + block)
        d = r[a:b, None, :] - r[None, :, :]
        g = np.exp(-np.einsum("ijk,ijk->ij", d, d) / (2 * eps * eps))
        g[np.arange(b - a), np.arange(a, b)] = 0.0
        S = g @ w
        out[a:b] = -0.5 * np.einsum("ij,ij->i", S, S)
    return out


def np_potential_direct(r, w, eps, block=256):
    n = len(r)
    out = np.empty(n)
    for a in range(0, n, block):
        b = min(n, a + block)
        d = r[a:b, None, :] - r[None, :, :]
        q = eps * eps + np.einsum("ijk,ijk->ij", d, d)
        t = np.einsum("ijk,jk->ij", d, w) / q**1.5
        t[np.arange(b - a), np.arange(a, b)] = 0.0
        out[a:b] = -INV4PI * t.sum(axis=1)
    return out


def timed(fn):
    t0 = time.perf_counter()
    out = fn()
    return out, time.perf_counter() - t0


def rel_diff(ours, ref):
    """Largest difference relative to the largest reference value."""
    ours, ref = np.asarray(ours), np.asarray(ref)
    return float(np.max(np.abs(ours - ref)) / np.max(np.abs(ref)))


def compare(table, name, kernel, reference, repeat=3):
    """The NumPy reference runs once (it takes seconds); the kernel takes its best of `repeat`."""
    ref, tr = timed(reference)
    ours = kernel()
    if isinstance(ours, tuple):
        err = max(rel_diff(a, b) for a, b in zip(ours, ref))
    else:
        err = rel_diff(ours, ref)
    tk = best_time(kernel, repeat=repeat, min_time=0.0)
    table.rows.append((name, tk, tr, f"max diff / max |ref| {err:.1e}"))


def main():
    rng = np.random.default_rng(7)
    table = Table("formulas (reference: NumPy, run once)")

    X, Y, Z = grid(64)
    s = np.linspace(0, 2 * np.pi, 1001)
    wire = np.stack([np.cos(s), np.sin(s), 0.2 * np.sin(3 * s)], axis=1)  # 1000 segments
    compare(table, "biot_savart_wire_grid 64^3 x 1000 segments", lambda: kb.biot_savart_wire_grid(X, Y, Z, wire, 1.0),
            lambda: np_wire(X, Y, Z, wire, 1.0))

    pos = rng.uniform(-1.2, 1.2, (1000, 3))
    mom = rng.normal(size=(1000, 3))
    compare(table, "dipole_ring_field_grid 64^3 x 1000 dipoles", lambda: kb.dipole_ring_field_grid(X, Y, Z, pos, mom),
            lambda: np_dipoles(X, Y, Z, pos, mom))

    n = 4000
    r = rng.uniform(-1.0, 1.0, (n, 3))
    w = rng.normal(size=(n, 3))
    rl, wl = r.tolist(), w.tolist()
    compare(table, "compute_gravitational_potential N=4000", lambda: kb.compute_gravitational_potential(rl, wl, 0.3),
            lambda: np_potential_gaussian(r, w, 0.3))
    compare(table, "compute_gravitational_potential_direct N=4000",
            lambda: kb.compute_gravitational_potential_direct(rl, wl, 0.1), lambda: np_potential_direct(r, w, 0.1))
    table.print()


if __name__ == "__main__":
    main()
