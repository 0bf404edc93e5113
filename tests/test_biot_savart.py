"""Biot–Savart kernels and the grid operations of the BiotSavart class."""
import math
import os
import subprocess
import sys

import numpy as np
import pytest

from helpers import docstring

BS = "Biot\u2013Savart"


def circle(n, radius=1.0, z=0.0):
    s = np.arange(n) * 2 * math.pi / n
    return np.stack([radius * np.cos(s), radius * np.sin(s), np.full(n, z)], axis=1)


def segment_velocity_ref(curve, grid, gamma=1.0, with_scale=False):
    """The segment kernel written out literally: midpoint rule, pow(|R|^2, 1.5) + 1e-12.
    With `with_scale`, also the sum of the terms' magnitudes (the size of the rounding)."""
    curve = np.asarray(curve, float)
    grid = np.asarray(grid, float)
    u = np.zeros_like(grid)
    scale = np.zeros(len(grid))
    n = len(curve)
    for i in range(n if n > 1 else 0):
        a, b = curve[i], curve[(i + 1) % n]
        dl, m = b - a, (a + b) * 0.5
        R = grid - m
        den = np.power(np.einsum("ij,ij->i", R, R), 1.5) + 1e-12
        term = np.cross(dl, R) / den[:, None]
        u += term
        scale += np.linalg.norm(term, axis=1)
    s = gamma / 12.566370614359172
    return (u * s, scale * s) if with_scale else u * s


def point_velocity_ref(r, pts, tans, gamma=1.0):
    u = np.zeros(3)
    for p, t in zip(np.asarray(pts, float), np.asarray(tans, float)):
        R = np.asarray(r, float) - p
        d = math.sqrt(R @ R)
        if d > 1e-6:
            u += np.cross(t, R) * 0.07957747154594767 * (gamma / (d * d * d))
    return u


def test_docstrings_and_class_surface(kb):
    assert docstring(kb.BiotSavart.compute_velocity) == (
        f"Compute the {BS} velocity field from a closed curve at given grid points.\n"
        "Backward compatible with the historical 2-argument call; circulation defaults to 1.0."
    )
    assert docstring(kb.biot_savart_velocity_grid) == (
        f"{BS} velocity at arbitrary grid points for a polyline.\n"
        "Backward compatible with the historical 2-argument call; circulation defaults to 1.0."
    )
    assert docstring(kb.biot_savart_velocity) == "Velocity at a single point r due to a filament."
    for name in ("compute_vorticity", "extract_interior", "compute_invariants"):
        assert docstring(getattr(kb.BiotSavart, name)) is None
    with pytest.raises(TypeError, match="No constructor defined"):
        kb.BiotSavart()


def test_positional_only_static_methods(kb):
    with pytest.raises(TypeError):
        kb.BiotSavart.extract_interior(field=[[0, 0, 0]], shape=[1, 1, 1], margin=0)
    assert kb.BiotSavart.extract_interior([[1, 2, 3]], (1, 1, 1), 0) == [[1.0, 2.0, 3.0]]
    with pytest.raises(TypeError):
        kb.BiotSavart.compute_vorticity([[0, 0, 0]], [1, 1], 0.1)  # shape needs three ints


@pytest.mark.parametrize("curve", [[], [[1.0, 0.0, 0.0]]])
def test_degenerate_curve_gives_zero_velocity(kb, curve):
    assert kb.BiotSavart.compute_velocity(curve, [[0, 0, 0], [1, 2, 3]]) == [[0.0, 0.0, 0.0]] * 2
    assert kb.BiotSavart.compute_velocity(circle(8).tolist(), []) == []


def test_unit_circle_centre_velocity(kb):
    u = kb.BiotSavart.compute_velocity(circle(4000).tolist(), [[0.0, 0.0, 0.0]])[0]
    assert abs(u[0]) < 1e-14 and abs(u[1]) < 1e-14
    assert u[2] == pytest.approx(0.5, rel=1e-6)  # Gamma / (2 R), counter-clockwise -> +z


def test_circulation_default_and_scaling(kb):
    rng = np.random.default_rng(3)
    curve = rng.normal(size=(17, 3)).tolist()
    grid = rng.normal(size=(9, 3)).tolist()
    two = kb.BiotSavart.compute_velocity(curve, grid)
    assert two == kb.BiotSavart.compute_velocity(curve, grid, 1.0)
    assert kb.BiotSavart.compute_velocity(curve, grid, circulation=2.0) == [[2 * c for c in v] for v in two]


def test_segment_kernel_matches_literal_formula_on_random_data(kb):
    # The kernel does not divide as written (|R|^3 as |R|^2 sqrt(|R|^2), and on wide-vector CPUs
    # a refined reciprocal square root); the sums must agree with the literal pow form to 1e-12
    # relative, at every distance from the edges: far, ordinary, near and on a midpoint.
    rng = np.random.default_rng(11)
    curve = rng.uniform(-1, 1, size=(200, 3))
    mids = (curve + np.roll(curve, -1, axis=0)) * 0.5
    near = [mids[i] + rng.normal(size=3) * s for i, s in enumerate([1e-9, 1e-5, 1e-3, 0.05, 0.0999, 0.1001, 0.3] * 5)]
    grid = np.vstack([rng.uniform(-1.5, 1.5, size=(3001, 3)), near, mids[:7], rng.uniform(-1, 1, (40, 3)) * 1e4])
    got = kb.biot_savart_velocity_grid(curve, grid, 0.7)
    ref, scale = segment_velocity_ref(curve, grid, 0.7, with_scale=True)
    err = np.linalg.norm(got - ref, axis=1)
    inside = slice(0, 3001 + len(near) + 7)
    assert np.max(err[inside] / np.linalg.norm(ref[inside], axis=1)) <= 1e-12
    # far away the sum cancels to a dipole field (two literal orderings already differ there
    # by ~1e-12 of the result): the rounding stays at the size of the terms
    assert np.max(err / scale) <= 1e-14
    # the same points one at a time (other lane neighbours) agree as closely
    single = np.array([kb.biot_savart_velocity_grid(curve, grid[q : q + 1], 0.7)[0] for q in range(3001, len(grid))])
    assert np.max(np.linalg.norm(single - ref[3001:], axis=1) / scale[3001:]) <= 1e-14


def test_segment_kernel_zero_length_edge_and_midpoint(kb):
    sq = [[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0]]
    # a repeated closing point adds a zero-length edge, which contributes nothing
    grid = [[0.3, 0.2, 0.5], [2, 2, 2]]
    closed = kb.BiotSavart.compute_velocity(sq + [sq[0]], grid)
    np.testing.assert_allclose(closed, kb.BiotSavart.compute_velocity(sq, grid), rtol=1e-14, atol=0)
    # a grid point on an edge midpoint: that edge adds 0/1e-12, the result stays finite
    u = kb.BiotSavart.compute_velocity(sq, [[0.5, 0.0, 0.0]])[0]
    assert all(math.isfinite(c) for c in u)
    np.testing.assert_allclose(u, segment_velocity_ref(sq, [[0.5, 0, 0]])[0], rtol=1e-12)


def test_velocity_grid_array_checks_and_rows(kb):
    rng = np.random.default_rng(5)
    curve, grid = rng.normal(size=(10, 3)), rng.normal(size=(7, 3))
    got = kb.biot_savart_velocity_grid(curve, grid)
    assert got.shape == (7, 3) and got.dtype == np.float64
    assert got.tolist() == kb.BiotSavart.compute_velocity(curve.tolist(), grid.tolist())
    # integer and strided arrays are converted
    assert kb.biot_savart_velocity_grid(np.asfortranarray(curve), grid[::1]).tolist() == got.tolist()
    for bad_curve, bad_grid in [(np.zeros((4, 2)), grid), (curve, np.zeros((4, 2))), (curve, np.zeros(3))]:
        with pytest.raises(ValueError, match=r"^Expected array with shape \(N,3\)$"):
            kb.biot_savart_velocity_grid(bad_curve, bad_grid)


def test_point_kernel_against_reference_and_self_exclusion(kb):
    pts = circle(64)
    tans = np.roll(pts, -1, axis=0) - np.roll(pts, 1, axis=0)
    for r in ([0.1, 0.2, 0.3], pts[5].tolist(), (pts[5] + [1e-7, 0, 0]).tolist()):
        got = kb.biot_savart_velocity(r, pts.tolist(), tans.tolist(), 1.3)
        assert all(math.isfinite(c) for c in got)
        np.testing.assert_allclose(got, point_velocity_ref(r, pts, tans, 1.3), rtol=1e-13, atol=1e-15)
    # the sample at r itself (and one 1e-7 away) is skipped: same as removing it
    without = kb.biot_savart_velocity(pts[5].tolist(), np.delete(pts, 5, 0).tolist(), np.delete(tans, 5, 0).tolist())
    assert kb.biot_savart_velocity(pts[5].tolist(), pts.tolist(), tans.tolist()) == without
    assert kb.biot_savart_velocity([1, 2, 3], [], []) == [0.0, 0.0, 0.0]
    assert kb.biot_savart_velocity((0, 0, 1), [(0, 0, 0)], [(1, 0, 0)], circulation=2.0) == pytest.approx(
        [0.0, -2 / (4 * math.pi), 0.0]
    )


def test_point_kernel_rejects_short_tangent_list(kb):
    with pytest.raises(ValueError, match="tangent_vectors must have at least as many entries"):
        kb.biot_savart_velocity([0, 0, 0], [[1, 0, 0], [0, 1, 0]], [[0, 1, 0]])
    with pytest.raises(TypeError):
        kb.biot_savart_velocity([0, 0], [[1, 0, 0]], [[0, 1, 0]])


def grid_of(fn, n, h):
    idx = np.arange(n)
    i, j, k = np.meshgrid(idx, idx, idx, indexing="ij")
    x, y, z = i * h, j * h, k * h
    return np.stack(fn(x, y, z), axis=-1).reshape(-1, 3)


def test_vorticity_sign_and_degenerate_grids(kb):
    n, h = 6, 0.25
    v = grid_of(lambda x, y, z: (-y, x, 0 * z), n, h)
    w = np.array(kb.BiotSavart.compute_vorticity(v.tolist(), (n, n, n), h)).reshape(n, n, n, 3)
    inner = w[1:-1, 1:-1, 1:-1]
    np.testing.assert_allclose(inner[..., 2], -2.0, rtol=1e-14)  # -(curl v)_z
    np.testing.assert_allclose(inner[..., :2], 0.0, atol=1e-14)
    assert not np.allclose(w[0, :, :, 2], -2.0)  # the wrap seam differs
    uniform = [[1.0, -2.0, 3.0]] * 24
    assert kb.BiotSavart.compute_vorticity(uniform, (2, 3, 4), 0.1) == [[0.0, 0.0, 0.0]] * 24
    assert kb.BiotSavart.compute_vorticity([[5.0, 6.0, 7.0]], (1, 1, 1), 0.1) == [[0.0, 0.0, 0.0]]


def test_vorticity_matches_central_difference_reference(kb):
    rng = np.random.default_rng(2)
    nx, ny, nz, h = 3, 4, 5, 0.3
    v = rng.normal(size=(nx, ny, nz, 3))
    D = lambda f, ax: (np.roll(f, -1, ax) - np.roll(f, 1, ax)) / (2 * h)  # noqa: E731
    ref = np.stack(
        [
            D(v[..., 1], 2) - D(v[..., 2], 1),
            D(v[..., 2], 0) - D(v[..., 0], 2),
            D(v[..., 0], 1) - D(v[..., 1], 0),
        ],
        axis=-1,
    ).reshape(-1, 3)
    assert kb.BiotSavart.compute_vorticity(v.reshape(-1, 3).tolist(), (nx, ny, nz), h) == ref.tolist()


@pytest.mark.parametrize("shape", [(2, 2, 2), (3, 3, 2), (-1, -1, -8)])
def test_grid_operations_reject_length_mismatch(kb, shape):
    field = [[0.0, 0.0, 0.0]] * 8 if shape != (2, 2, 2) else [[0.0, 0.0, 0.0]] * 7
    with pytest.raises(ValueError, match="compute_vorticity: "):
        kb.BiotSavart.compute_vorticity(field, shape, 0.1)
    with pytest.raises(ValueError, match="extract_interior: "):
        kb.BiotSavart.extract_interior(field, shape, 0)


def test_extract_interior(kb):
    n = [3, 4, 5]
    field = [[float(i), 0.0, 0.0] for i in range(60)]
    assert kb.BiotSavart.extract_interior(field, n, 0) == field
    assert kb.BiotSavart.extract_interior(field, n, 2) == []  # 3 - 2*2 < 1
    inner = kb.BiotSavart.extract_interior(field, n, 1)
    assert [p[0] for p in inner] == [float((1 * 4 + j) * 5 + k) for j in (1, 2) for k in (1, 2, 3)]
    with pytest.raises(ValueError, match="margin must be non-negative"):
        kb.BiotSavart.extract_interior(field, n, -1)


def test_invariants(kb):
    h_charge, h_mass, a_mu = kb.BiotSavart.compute_invariants([], [], [])
    assert (h_charge, h_mass) == (0.0, 0.0) and math.isnan(a_mu)
    v = [[1.0, 2.0, 3.0], [0.5, -1.0, 2.0]]
    w = [[2.0, 0.0, 1.0], [1.0, 1.0, 1.0]]
    r2 = [0.5, 2.0]
    hc = 1 * 2 + 3 * 1 + (0.5 - 1 + 2)
    hm = 5 * 0.5 + 3 * 2.0
    assert kb.BiotSavart.compute_invariants(v, w, r2) == pytest.approx((hc, hm, (hc / hm - 1) * 0.5), rel=1e-15)
    with pytest.raises(ValueError, match="w_sub must have at least as many entries as v_sub"):
        kb.BiotSavart.compute_invariants(v, w[:1], r2)
    with pytest.raises(ValueError, match="r_sq must have at least as many entries as w_sub"):
        kb.BiotSavart.compute_invariants(v, w, r2[:1])


@pytest.mark.parametrize("threads", ["1", "2", "3", "7"])
def test_results_do_not_depend_on_thread_count(kb, monkeypatch, threads):
    # Large calls split their field points over threads; each point keeps its own sum, so any
    # thread count (including ranges that end inside a vector block) gives the same bits.
    rng = np.random.default_rng(5)
    curve = rng.uniform(-1, 1, (700, 3))
    grid = rng.uniform(-1.5, 1.5, (1003, 3))  # 700 x 1003 evaluations: above the threading threshold
    P = rng.uniform(-1, 1, (600, 3))
    T, ds, a = rng.normal(size=(600, 3)), rng.uniform(0.01, 0.02, 600), np.linspace(0.0, 2.5, 40)
    monkeypatch.setenv("KVOR_NUM_THREADS", "1")
    seg1 = kb.biot_savart_velocity_grid(curve, grid, 0.3)
    scan1 = kb.calculate_bs_cutoff_energy_scan(P, T, ds, a)
    sys1 = kb.VortexKnotSystem()
    sys1.initialize_trefoil_knot(760)
    sys1.evolve(1e-3, 2)
    pos1 = np.array(sys1.get_positions())
    monkeypatch.setenv("KVOR_NUM_THREADS", threads)
    np.testing.assert_array_equal(kb.biot_savart_velocity_grid(curve, grid, 0.3), seg1)
    np.testing.assert_array_equal(kb.calculate_bs_cutoff_energy_scan(P, T, ds, a), scan1)
    sysn = kb.VortexKnotSystem()
    sysn.initialize_trefoil_knot(760)
    sysn.evolve(1e-3, 2)
    np.testing.assert_array_equal(np.array(sysn.get_positions()), pos1)
    # a malformed setting falls back to the core count and still gives the same bits
    monkeypatch.setenv("KVOR_NUM_THREADS", "two")
    np.testing.assert_array_equal(kb.biot_savart_velocity_grid(curve, grid, 0.3), seg1)


def test_portable_segment_kernel_matches_literal_formula(tmp_path):
    # The kernel without wide vectors (what CPUs without AVX-512 run), selected in a child process.
    script = tmp_path / "portable.py"
    script.write_text(
        "import numpy as np, _bindings as kb\n"
        "rng = np.random.default_rng(3)\n"
        "curve = rng.uniform(-1, 1, (300, 3))\n"
        "grid = np.vstack([rng.uniform(-1.5, 1.5, (2000, 3)), (curve + np.roll(curve, -1, 0))[:5] * 0.5])\n"
        "np.save(r'%s', np.hstack([curve.ravel(), grid.ravel(), kb.biot_savart_velocity_grid(curve, grid, 0.7).ravel()]))\n"
        % (tmp_path / "out.npy")
    )
    env = dict(os.environ, KVOR_NO_AVX512="1", KVOR_NUM_THREADS="2")
    subprocess.run([sys.executable, str(script)], check=True, env=env)
    data = np.load(tmp_path / "out.npy")
    curve, grid, got = data[:900].reshape(-1, 3), data[900:900 + 2005 * 3].reshape(-1, 3), data[900 + 2005 * 3:].reshape(-1, 3)
    ref = segment_velocity_ref(curve, grid, 0.7)
    assert np.max(np.linalg.norm(got - ref, axis=1) / np.linalg.norm(ref, axis=1)) <= 1e-12
