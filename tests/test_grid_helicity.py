"""NumPy grid functions and the helicity pipeline of a Fourier block."""
import math

import numpy as np
import pytest

from helpers import docstring, fourier_block

PD_MSG = r"^pd_from_curve: expected array with shape \(N,3\)$"
RSQ_MSG = "^r_sq must be 1D with same length as v_sub/w_sub$"


@pytest.fixture
def trefoil(kb):
    return fourier_block(kb, [1, 0, 0.1], [0, 0, 0], [0, 1, 0], [1, 0, 0.2], [0, 0.3, 0], [0, 0, 0.5])


def fourier_points(block, s):
    out = np.zeros((len(s), 3))
    for c, (a, b) in enumerate([(block.a_x, block.b_x), (block.a_y, block.b_y), (block.a_z, block.b_z)]):
        for k, (ak, bk) in enumerate(zip(a, b)):
            out[:, c] += ak * np.cos((k + 1) * s) + bk * np.sin((k + 1) * s)
    return out


def pipeline_ref(block, G, h, m, ns):
    """The pipeline written with NumPy: sample, centre, segment kernel, -curl, interior, sums."""
    s = np.arange(ns) * 6.283185307179586 / (ns - 1)
    curve = fourier_points(block, s)
    curve -= curve.mean(axis=0)
    c0 = int(G / -2)
    ax = (c0 + np.arange(G)) * h
    X, Y, Z = np.meshgrid(ax, ax, ax, indexing="ij")
    grid = np.stack([X, Y, Z], -1).reshape(-1, 3)
    u = np.zeros_like(grid)
    for i in range(ns):
        a, b = curve[i], curve[(i + 1) % ns]
        R = grid - (a + b) * 0.5
        u += np.cross(b - a, R) / (np.sum(R * R, 1) ** 1.5 + 1e-12)[:, None]
    v = (u / 12.566370614359172).reshape(G, G, G, 3)
    D = lambda f, k: (np.roll(f, -1, k) - np.roll(f, 1, k)) / (2 * h)  # noqa: E731
    w = np.stack([D(v[..., 1], 2) - D(v[..., 2], 1), D(v[..., 2], 0) - D(v[..., 0], 2),
                  D(v[..., 0], 1) - D(v[..., 1], 0)], -1)
    inner = slice(m, G - m)
    vs, ws = v[inner, inner, inner].reshape(-1, 3), w[inner, inner, inner].reshape(-1, 3)
    r2 = (Z**2 + (Y**2 + X**2))[inner, inner, inner].reshape(-1)
    hc = np.sum(np.sum(vs * ws, 1))
    hm = np.sum(np.sum(ws * ws, 1) * r2)
    return hc, hm, (hc / hm - 1) * 0.5


def test_docstrings(kb):
    assert docstring(kb.compute_biot_savart_velocity_grid) == (
        "Compute Biot-Savart velocity field from a closed curve at grid points."
    )
    assert docstring(kb.compute_vorticity_grid) == "Compute vorticity from velocity field on a regular grid."
    assert docstring(kb.extract_interior_field) == "Extract cubic interior field subset."
    assert docstring(kb.compute_helicity_invariants) == "Compute helicity invariants (H_charge, H_mass, a_mu)."
    assert docstring(kb.compute_helicity_from_fourier_block) == "Compute helicity invariants from a Fourier block."


def test_velocity_grid_accepts_arrays_and_lists(kb):
    rng = np.random.default_rng(1)
    curve, grid = rng.normal(size=(12, 3)), rng.normal(size=(5, 3))
    got = kb.compute_biot_savart_velocity_grid(curve, grid)
    assert got.shape == (5, 3)
    assert got.tolist() == kb.compute_biot_savart_velocity_grid(curve.tolist(), grid.tolist()).tolist()
    assert got.tolist() == kb.BiotSavart.compute_velocity(curve.tolist(), grid.tolist())
    with pytest.raises(ValueError, match=PD_MSG):
        kb.compute_biot_savart_velocity_grid(curve[:, :2], grid)
    with pytest.raises(RuntimeError, match="^Unable to cast Python instance of type"):
        kb.compute_biot_savart_velocity_grid("not points", grid)


def test_vorticity_and_interior_fields(kb):
    rng = np.random.default_rng(6)
    v = rng.normal(size=(60, 3))
    w = kb.compute_vorticity_grid(v, (3, 4, 5), 0.2)
    assert w.tolist() == kb.BiotSavart.compute_vorticity(v.tolist(), (3, 4, 5), 0.2)
    sub = kb.extract_interior_field(v, (3, 4, 5), 1)
    assert sub.shape == (6, 3)
    assert sub.tolist() == kb.BiotSavart.extract_interior(v.tolist(), (3, 4, 5), 1)
    assert kb.extract_interior_field(v, (3, 4, 5), 2).shape == (0, 3)
    for fn, arg in ((kb.compute_vorticity_grid, 0.2), (kb.extract_interior_field, 1)):
        with pytest.raises(ValueError, match=PD_MSG):
            fn(v[:, :2], (3, 4, 5), arg)


def test_helicity_invariants_checks(kb):
    rng = np.random.default_rng(7)
    v, w, r2 = rng.normal(size=(6, 3)), rng.normal(size=(6, 3)), rng.uniform(size=6)
    got = kb.compute_helicity_invariants(v, w, r2)
    assert got == kb.BiotSavart.compute_invariants(v.tolist(), w.tolist(), r2.tolist())
    assert got[0] == pytest.approx(np.sum(v * w), rel=1e-14)
    for bad in (r2[:, None], np.append(r2, 1.0), r2[:-1]):
        with pytest.raises(ValueError, match=RSQ_MSG):
            kb.compute_helicity_invariants(v, w, bad)
    with pytest.raises(ValueError, match=PD_MSG):
        kb.compute_helicity_invariants(v, w[:, :2], r2)
    with pytest.raises(ValueError, match="w_sub must have at least as many entries as v_sub"):
        kb.compute_helicity_invariants(v, w[:-1], r2)
    # strided r_sq is read through its stride
    assert kb.compute_helicity_invariants(v, w, np.repeat(r2, 2)[::2]) == got


def test_pipeline_against_numpy_reference(kb, trefoil):
    for G, h, m, ns in ((12, 0.25, 3, 60), (9, 0.3, 2, 41)):
        got = kb.compute_helicity_from_fourier_block(trefoil, G, h, m, ns)
        ref = pipeline_ref(trefoil, G, h, m, ns)
        np.testing.assert_allclose(got, ref, rtol=1e-11)


def test_pipeline_orientation_reversal(kb, trefoil):
    rev = fourier_block(kb, trefoil.a_x, [-b for b in trefoil.b_x], trefoil.a_y, [-b for b in trefoil.b_y],
                        trefoil.a_z, [-b for b in trefoil.b_z])
    a = kb.compute_helicity_from_fourier_block(trefoil, 16, 0.2, 4, 200)
    b = kb.compute_helicity_from_fourier_block(rev, 16, 0.2, 4, 200)
    assert a[0] != 0.0
    np.testing.assert_allclose(b, a, rtol=1e-10)


def test_pipeline_edge_cases(kb, trefoil):
    for G, m in ((8, 4), (9, 5), (0, 0)):
        hc, hm, a_mu = kb.compute_helicity_from_fourier_block(trefoil, G, 0.1, m, 50)
        assert (hc, hm) == (0.0, 0.0) and math.isnan(a_mu)
    for kwargs in ({"nsamples": -1}, {"grid_size": -2}):
        with pytest.raises(ValueError, match="^vector too long$"):
            kb.compute_helicity_from_fourier_block(trefoil, **kwargs)
    with pytest.raises(ValueError, match="margin must be non-negative"):
        kb.compute_helicity_from_fourier_block(trefoil, 8, 0.1, -1, 50)
    # defaults: 32^3 nodes at spacing 0.1, interior 16^3, 1000 samples
    assert kb.compute_helicity_from_fourier_block(trefoil) == kb.compute_helicity_from_fourier_block(
        trefoil, 32, 0.1, 8, 1000
    )
