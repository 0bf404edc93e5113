"""Energy functionals of closed polygonal filaments, against small NumPy references."""
import math

import numpy as np
import pytest

from helpers import docstring

SINGLE = [
    "calculate_neumann_self_energy",
    "calculate_core_repulsion",
    "calculate_length",
    "calculate_writhe",
    "calculate_curvature_penalty",
]
WITH_RC = {"calculate_neumann_self_energy", "calculate_core_repulsion", "calculate_writhe"}


def call(kb, name, pts, rc=0.1):
    fn = getattr(kb, name)
    return fn(pts, rc) if name in WITH_RC else fn(pts)


def neumann_ref(P, rc):
    D = np.roll(P, -1, 0) - P
    n, s = len(P), 0.0
    for k in range(n):
        for j in range(k + 1, n):
            s += 2 * (D[k] @ D[j]) / math.sqrt(np.sum((P[j] - P[k]) ** 2) + rc * rc)
    return s


def repulsion_ref(P, rc):
    n, s = len(P), 0.0
    for i in range(n):
        for j in range(i + 2, n):
            if (i, j) == (0, n - 1):
                continue
            x = 2 * rc / max(1e-30, np.linalg.norm(P[j] - P[i]))
            s += x**12 if x > 0.1 else 0.0
    return s


def writhe_ref(P, rc):
    D = np.roll(P, -1, 0) - P
    n, s = len(P), 0.0
    for k in range(n):
        for j in range(k + 1, n):
            r = P[j] - P[k]
            s += 2 * np.cross(D[k], D[j]) @ r / (r @ r + rc * rc) ** 1.5
    return s / (4 * math.pi)


def penalty_ref(P):
    s = 0.0
    for i in range(len(P)):
        prev, cur, nxt = P[i - 1], P[i], P[(i + 1) % len(P)]
        r, u, v = (np.linalg.norm(x) for x in (cur - prev, nxt - cur, nxt - prev))
        c = 2 * np.linalg.norm(np.cross(nxt - cur, cur - prev)) / (u * r * v)
        s += (u + r) * 0.5 * c * c
    return s


def cutoff_ref(P, T, ds, a):
    d = np.linalg.norm(P[None, :, :] - P[:, None, :], axis=2)
    w = (T @ T.T) * np.outer(ds, ds)
    keep = d > a
    return np.sum(w[keep] / d[keep]) / (8 * math.pi)


@pytest.fixture
def knot():
    t = np.linspace(0, 2 * math.pi, 40, endpoint=False)
    P = np.stack([np.sin(t) + 2 * np.sin(2 * t), np.cos(t) - 2 * np.cos(2 * t), -np.sin(3 * t)], 1)
    T = np.roll(P, -1, 0) - np.roll(P, 1, 0)
    ds = np.linalg.norm(T, axis=1) / 2
    return P, T / np.linalg.norm(T, axis=1)[:, None], ds


def test_docstrings(kb):
    assert docstring(kb.calculate_length) == "Closed polyline length L(K) (pelrin/kvor_core compatibility)."
    assert docstring(kb.calculate_bs_cutoff_energy) == "Single-cutoff Biot\u2013Savart energy for closure scans."
    assert docstring(kb.calculate_bs_cutoff_energy_scan) == (
        "Accumulate a whole cutoff scan in one C++ pass (same kernel as pelrin/kvor_core)."
    )
    assert docstring(kb.calculate_writhe) == (
        "Topological writhe H(K) with distance regularization rc (pelrin/kvor_core compatibility)."
    )


def test_functionals_against_reference(kb, knot):
    P = knot[0]
    for rc in (0.0, 0.3):
        assert kb.calculate_neumann_self_energy(P, rc) == pytest.approx(neumann_ref(P, rc), rel=1e-12)
        assert kb.calculate_writhe(P, rc) == pytest.approx(writhe_ref(P, rc), rel=1e-12)
    assert kb.calculate_core_repulsion(P, 0.6) == pytest.approx(repulsion_ref(P, 0.6), rel=1e-12)
    assert kb.calculate_core_repulsion(P, 0.6) > 0
    assert kb.calculate_length(P) == pytest.approx(np.sum(np.linalg.norm(np.roll(P, -1, 0) - P, axis=1)), rel=1e-14)
    assert kb.calculate_curvature_penalty(P) == pytest.approx(penalty_ref(P), rel=1e-12)
    # the trefoil-shaped curve is not planar: its writhe is far from zero, and rc shrinks it
    assert abs(kb.calculate_writhe(P, 0.0)) > 1.0
    assert abs(kb.calculate_writhe(P, 1.0)) < abs(kb.calculate_writhe(P, 0.0))


def test_small_polygons(kb):
    square = np.array([[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0]], float)
    assert kb.calculate_length(square) == 4.0
    assert kb.calculate_length(square[:1]) == 0.0
    assert kb.calculate_writhe(square, 0.0) == 0.0
    assert kb.calculate_core_repulsion(square[:3], 5.0) == 0.0  # triangle: no pair survives
    # four points: only (0, 2) and (1, 3), both at distance sqrt(2)
    rc = 1.0
    assert kb.calculate_core_repulsion(square, rc) == pytest.approx(2 * (2 * rc / math.sqrt(2)) ** 12, rel=1e-14)
    assert kb.calculate_core_repulsion(square, 0.01) == 0.0  # x = 0.014 <= 0.1
    for name in SINGLE:
        assert call(kb, name, np.zeros((0, 3))) == 0.0


def vertex_penalty(prev, cur, nxt):
    r, u, v = (np.linalg.norm(x) for x in (cur - prev, nxt - cur, nxt - prev))
    return (u + r) * 0.5 * (2 * np.linalg.norm(np.cross(nxt - cur, cur - prev)) / (u * r * v)) ** 2


def test_curvature_penalty_vertices(kb):
    n = 12
    s = np.arange(n) * 2 * math.pi / n
    poly = np.stack([np.cos(s), np.sin(s), 0 * s], 1)
    total = kb.calculate_curvature_penalty(poly)
    assert total > 0
    assert total == pytest.approx(n * vertex_penalty(poly[-1], poly[0], poly[1]), rel=1e-12)
    # vertex 1 lies between collinear neighbours and adds nothing
    line = np.array([[0, 0, 0], [1, 0, 0], [2, 0, 0], [1, 1, 0]], float)
    others = sum(vertex_penalty(line[i - 1], line[i], line[(i + 1) % 4]) for i in (0, 2, 3))
    assert kb.calculate_curvature_penalty(line) == pytest.approx(others, rel=1e-14)
    # a side of length 0 switches its two vertices off
    dup = np.array([[0, 0, 0], [0, 0, 0], [1, 0, 0], [0, 1, 0]], float)
    others = sum(vertex_penalty(dup[i - 1], dup[i], dup[(i + 1) % 4]) for i in (2, 3))
    assert kb.calculate_curvature_penalty(dup) == pytest.approx(others, rel=1e-14)


def test_cutoff_energy_against_reference(kb, knot):
    P, T, ds = knot
    diam = np.max(np.linalg.norm(P[None] - P[:, None], axis=2))
    assert kb.calculate_bs_cutoff_energy(P, T, ds, diam * 1.01) == 0.0
    assert kb.calculate_bs_cutoff_energy(P, T, ds, 0.0) == pytest.approx(cutoff_ref(P, T, ds, 0.0), rel=1e-12)
    for a in (0.2, 1.0, 2.5):
        assert kb.calculate_bs_cutoff_energy(P, T, ds, a) == pytest.approx(cutoff_ref(P, T, ds, a), rel=1e-12)
    # coincident points never count, whatever the cut-off
    P2 = np.vstack([P, P[:1]])
    T2, ds2 = np.vstack([T, T[:1]]), np.append(ds, ds[0])
    assert kb.calculate_bs_cutoff_energy(P2, T2, ds2, 0.0) == pytest.approx(cutoff_ref(P2, T2, ds2, 1e-300), rel=1e-12)


def test_scan_equals_single_cutoffs(kb, knot):
    P, T, ds = knot
    a = np.array([0.0, 0.1, 0.5, 0.5, 1.3, 2.0, 4.0, 100.0])
    scan = kb.calculate_bs_cutoff_energy_scan(P, T, ds, a)
    assert scan.shape == a.shape and scan.dtype == np.float64
    single = [kb.calculate_bs_cutoff_energy(P, T, ds, x) for x in a]
    # equal up to the rounding of the running sum
    np.testing.assert_allclose(scan, single, rtol=0, atol=1e-13 * np.max(np.abs(single)))
    assert single[-1] == 0.0 and scan[2] == scan[3]
    assert kb.calculate_bs_cutoff_energy_scan(P, T, ds, np.zeros(0)).shape == (0,)


def test_scan_with_unsorted_cutoffs(kb, knot):
    # unsorted cut-offs: each entry is still the energy of its own cut-off (NaN gives NaN)
    P, T, ds = knot
    a = np.array([2.0, 0.0, 4.0, float("nan"), 0.5])
    scan = kb.calculate_bs_cutoff_energy_scan(P, T, ds, a)
    order = np.argsort(a[[0, 1, 2, 4]])
    ok = np.array([0, 1, 2, 4])
    sorted_scan = kb.calculate_bs_cutoff_energy_scan(P, T, ds, a[ok][order])
    assert scan[ok][order].tolist() == sorted_scan.tolist()
    assert math.isnan(scan[3])
    for i in ok:
        assert scan[i] == pytest.approx(cutoff_ref(P, T, ds, a[i]), rel=1e-12, abs=1e-15)


@pytest.mark.parametrize("name", SINGLE)
def test_single_array_shape_checks(kb, name):
    with pytest.raises(RuntimeError, match=f"^{name}: points must have shape \\(N, 3\\)$"):
        call(kb, name, np.zeros((4, 2)))
    with pytest.raises(ValueError, match="^array has incorrect number of dimensions: 1; expected 2$"):
        call(kb, name, np.zeros(3))
    # integer and non-contiguous arrays are converted
    P = np.array([[0, 0, 0], [3, 0, 0], [3, 4, 0]])
    assert call(kb, name, P) == call(kb, name, np.asfortranarray(P.astype(float)))


@pytest.mark.parametrize("name", ["calculate_bs_cutoff_energy_scan", "calculate_bs_cutoff_energy"])
def test_cutoff_shape_checks(kb, name, knot):
    P, T, ds = knot
    fn = getattr(kb, name)
    last = np.array([0.5]) if name.endswith("scan") else 0.5
    with pytest.raises(RuntimeError, match=f"^{name}: inconsistent N dimensions$"):
        fn(P, T, ds[:-1], last)
    with pytest.raises(RuntimeError, match=f"^{name}: inconsistent N dimensions$"):
        fn(P, T[:-1], ds, last)
    with pytest.raises(RuntimeError, match=rf"^{name}: points/tangents must have shape \(N, 3\)$"):
        fn(P, T[:, :2], ds, last)
    with pytest.raises(ValueError, match="incorrect number of dimensions: 2; expected 1"):
        fn(P, T, ds[:, None], last)
    with pytest.raises(ValueError, match="incorrect number of dimensions: 1; expected 2"):
        fn(P[:, 0], T, ds, last)


def test_scan_with_uneven_cutoffs(kb, knot):
    # clustered, repeated and extreme cut-offs, and cut-offs equal to pair distances
    P, T, ds = knot
    d = np.linalg.norm(P[None] - P[:, None], axis=2)
    a = np.sort(np.concatenate([np.geomspace(1e-6, 5.0, 20), [0.7] * 3, d[0, 5:8], [d.max(), 1e300]]))
    scan = kb.calculate_bs_cutoff_energy_scan(P, T, ds, a)
    ref = np.array([cutoff_ref(P, T, ds, x) for x in a])
    np.testing.assert_allclose(scan, ref, rtol=0, atol=1e-12 * np.max(np.abs(ref)))
    assert ref[-1] == ref[-2] == 0.0
    same = kb.calculate_bs_cutoff_energy_scan(P, T, ds, np.array([0.7, 0.7]))
    assert same[0] == same[1] == kb.calculate_bs_cutoff_energy(P, T, ds, 0.7)
