"""Discrete Frenet frames, curvature and torsion, single-precision helicity, one-step update."""
import math

import numpy as np
import pytest

from helpers import docstring


def test_docstrings(kb):
    assert docstring(kb.compute_frenet_frames) == (
        "\n        Compute Frenet frames (T, N, B) from 3D filament points.\n"
        "        Returns: (T, N, B) as tuple of lists.\n    "
    )
    assert docstring(kb.compute_curvature_torsion) == (
        "\n\t\tCompute curvature and torsion from tangent and normal vectors.\n"
        "\t\tReturns: (curvature, torsion) as tuple of lists.\n\t"
    )
    assert "\n        Compute helicity H = \u222b v \u00b7 \u03c9 dV.\n    " in kb.compute_helicity.__doc__
    assert docstring(kb.evolve_vortex_knot) == (
        "\n        Evolve vortex knot filaments using Biot\u2013Savart dynamics.\n    "
    )
    assert docstring(kb.rk4_integrate) == "\n        Runge-Kutta 4th order time integrator for vortex elements.\n    "


def test_arguments_are_positional(kb):
    with pytest.raises(TypeError):
        kb.compute_frenet_frames(points=[[0, 0, 0]] * 3)
    with pytest.raises(TypeError):
        kb.rk4_integrate([[0, 0, 0]], [[1, 2, 3]], dt=0.5, factor=2.0)


def test_frames_of_short_lists(kb):
    assert kb.compute_frenet_frames([[0, 0, 0], [1, 0, 0]]) == ([[0.0] * 3] * 2,) * 3
    assert kb.compute_frenet_frames([[1, 2, 3]]) == ([], [], [])
    assert kb.compute_frenet_frames([]) == ([], [], [])


def test_frames_of_circle(kb):
    n = 100
    s = np.arange(n) * 2 * math.pi / n
    P = np.stack([2 * np.cos(s), 2 * np.sin(s), np.full(n, 0.5)], axis=1)
    T, N, B = (np.array(x) for x in kb.compute_frenet_frames(P.tolist()))
    inner = slice(1, n - 1)
    np.testing.assert_allclose(T[inner], np.stack([-np.sin(s), np.cos(s), 0 * s], 1)[inner], atol=1e-14)
    np.testing.assert_allclose(N[inner], np.stack([-np.cos(s), -np.sin(s), 0 * s], 1)[inner], atol=1e-12)
    np.testing.assert_allclose(B[inner], [[0, 0, 1]] * (n - 2), atol=1e-12)
    np.testing.assert_array_equal(B, np.cross(T, N))
    for F in (T, N, B):
        assert F[0].tolist() == F[1].tolist() and F[-1].tolist() == F[-2].tolist()


def test_collinear_points_give_nan_normals(kb):
    T, N, B = kb.compute_frenet_frames([[0, 0, 0], [1, 0, 0], [2, 0, 0]])
    assert T == [[1.0, 0.0, 0.0]] * 3
    assert all(math.isnan(c) for row in N + B for c in row)


def test_curvature_torsion(kb):
    assert kb.compute_curvature_torsion([[1, 0, 0], [0, 1, 0]], [[0, 1, 0], [1, 0, 0]]) == ([0.0, 0.0], [0.0, 0.0])
    assert kb.compute_curvature_torsion([], []) == ([], [])
    n = 60
    s = np.arange(n) * 2 * math.pi / n
    T, N, _ = kb.compute_frenet_frames(np.stack([np.cos(s), np.sin(s), 0 * s], 1).tolist())
    kappa, tau = kb.compute_curvature_torsion(T, N)
    # the unit tangent turns by 2 pi / n per sample: kappa = sin(2 pi / n) per index step
    np.testing.assert_allclose(kappa[2:-2], math.sin(2 * math.pi / n), rtol=1e-12)
    assert kappa[0] == kappa[1] and kappa[-1] == kappa[-2]
    np.testing.assert_allclose(tau, 0.0, atol=1e-15)  # planar


def test_torsion_of_helix_against_reference(kb):
    t = np.linspace(0, 6, 80)
    P = np.stack([np.cos(t), np.sin(t), 0.3 * t], 1)
    T, N, _ = (np.array(x) for x in kb.compute_frenet_frames(P.tolist()))
    kappa, tau = kb.compute_curvature_torsion(T.tolist(), N.tolist())
    i = np.arange(1, len(t) - 1)
    ref_k = 0.5 * np.linalg.norm(T[i + 1] - T[i - 1], axis=1)
    ref_t = 0.5 * np.einsum("ij,ij->i", np.cross(T[i], N[i]), N[i + 1] - N[i - 1])
    np.testing.assert_allclose(kappa[1:-1], ref_k, rtol=1e-14)
    np.testing.assert_allclose(tau[1:-1], ref_t, rtol=1e-12)
    assert tau[1] > 0  # right-handed helix
    with pytest.raises(ValueError, match="N must have at least as many entries as T"):
        kb.compute_curvature_torsion(T.tolist(), N[:-1].tolist())


def test_single_precision_helicity(kb):
    assert kb.compute_helicity([[1, 0, 0]] * 4, [[1, 0, 0]] * 4) == 1.0
    assert math.isnan(kb.compute_helicity([], []))
    assert kb.compute_helicity([[0.1, 0, 0]], [[1, 0, 0]]) == 0.10000000149011612
    # each term rounded to float, summed in float, divided in float
    rng = np.random.default_rng(4)
    v, w = rng.normal(size=(50, 3)), rng.normal(size=(50, 3))
    h = np.float32(0)
    for a, b in zip(v, w):
        h = np.float32(h + np.float32(a[0] * b[0] + a[1] * b[1] + a[2] * b[2]))
    assert kb.compute_helicity(v.tolist(), w.tolist()) == float(np.float32(h / np.float32(50)))
    with pytest.raises(ValueError, match="omega must have at least as many entries as v"):
        kb.compute_helicity([[1, 0, 0]] * 2, [[1, 0, 0]])


def test_one_step_update(kb):
    assert kb.rk4_integrate([[0, 0, 0]], [[1, 2, 3]], 0.5, 2.0) == [[1.0, 2.0, 3.0]]
    rng = np.random.default_rng(8)
    p, u = rng.normal(size=(9, 3)).tolist(), rng.normal(size=(9, 3)).tolist()
    out = kb.rk4_integrate(p, u, 0.013, 1.7)
    assert out == kb.evolve_vortex_knot(p, u, 0.013, 1.7)
    c = 0.013 * 1.7
    assert out == [[a + c * b for a, b in zip(pi, ui)] for pi, ui in zip(p, u)]
    with pytest.raises(ValueError, match="velocities must have at least as many entries as positions"):
        kb.rk4_integrate(p, u[:3], 0.1, 1.0)
