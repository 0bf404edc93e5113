"""Fourier evaluation, exact geometry of Fourier curves, ideal components, NumPy evaluation and
discrete curvature, checked against literal NumPy evaluations of the same formulas."""
import math

import numpy as np
import pytest

from helpers import TWO_PI, docstring, fourier_block


def random_coeffs(seed, n=6):
    rng = np.random.default_rng(seed)
    return rng.normal(size=(6, n)) / np.arange(1, n + 1)  # rows a_x b_x a_y b_y a_z b_z


def block_of(kb, C):
    return fourier_block(kb, *C)


def literal(C, s, order=0):
    """Derivative `order` of r(s) = sum_j A_j cos(js) + B_j sin(js), summed literally."""
    s = np.asarray(s, dtype=float)
    j = np.arange(1, C.shape[1] + 1, dtype=float)
    js = np.outer(s, j)
    c, sn = np.cos(js), np.sin(js)
    # d^k/ds^k of cos(js), sin(js)
    dc = [c, -j * sn, -(j**2) * c, j**3 * sn][order]
    ds = [sn, j * c, -(j**2) * sn, -(j**3) * c][order]
    return np.stack([dc @ C[0] + ds @ C[1], dc @ C[2] + ds @ C[3], dc @ C[4] + ds @ C[5]], axis=1)


def scale(C, order=0):
    """Size of the sum of absolute terms, for absolute tolerances."""
    j = np.arange(1, C.shape[1] + 1, dtype=float)
    return float(np.abs(C * j**order).sum())


S_VALUES = [0.0, 0.3, 1.0, math.pi / 2, 2.5, TWO_PI - 1e-9, -0.7, 12.0, 100.25]


# ---------------------------------------------------------------- the unit circle


def test_circle_facts(kb, unit_circle):
    r = kb.evaluate_fourier_block(unit_circle, [0.0, math.pi / 2])
    np.testing.assert_allclose(r, [[1, 0, 0], [0, 1, 0]], atol=1e-15)
    assert kb.evaluate_with_derivatives(unit_circle, 0.0) == (
        [1.0, 0.0, 0.0], [0.0, 1.0, 0.0], [-1.0, 0.0, 0.0], [0.0, -1.0, 0.0])
    np.testing.assert_allclose(kb.curvature_exact(unit_circle, S_VALUES), 1.0, rtol=1e-14)
    assert kb.length_exact(unit_circle) == pytest.approx(TWO_PI, rel=1e-12)
    assert kb.bending_energy_exact(unit_circle) == pytest.approx(TWO_PI, rel=1e-12)
    assert kb.mode_energies(unit_circle) == [2.0]
    d = kb.describe_fourier_block(unit_circle)
    assert d.L == pytest.approx(TWO_PI, rel=1e-12)
    assert d.bending_energy == pytest.approx(TWO_PI, rel=1e-12)
    assert d.writhe == 0.0  # planar polygon
    assert d.mode_energy == [2.0]
    # closest non-neighbouring samples are 5 steps apart: chord 2 sin(5 pi / 2048)
    assert d.min_self_distance == pytest.approx(2 * math.sin(5 * math.pi / 2048), rel=1e-12)


def test_empty_block_is_the_origin(kb):
    b = kb.FourierBlock()
    assert kb.evaluate_fourier_block(b, [0.0, 1.0]) == [[0.0, 0.0, 0.0]] * 2
    assert kb.evaluate_with_derivatives(b, 0.5) == ([0.0, 0.0, 0.0],) * 4
    assert kb.length_exact(b) == 0.0
    assert kb.bending_energy_exact(b) == 0.0  # zero tangent guarded by eps
    assert kb.curvature_exact(b, [0.0]) == [0.0]
    assert kb.mode_energies(b) == []
    assert kb.evaluate_fourier_block(b, []) == []


# ---------------------------------------------------------------- evaluation


@pytest.mark.parametrize("seed, n", [(1, 1), (2, 6), (3, 40), (4, 300)])
def test_evaluation_matches_literal_sums(kb, seed, n):
    C = random_coeffs(seed, n)
    b = block_of(kb, C)
    got = np.array(kb.evaluate_fourier_block(b, S_VALUES))
    np.testing.assert_allclose(got, literal(C, S_VALUES), rtol=0, atol=1e-13 * scale(C))
    for s in S_VALUES:
        derivs = kb.evaluate_with_derivatives(b, s)
        for order, d in enumerate(derivs):
            np.testing.assert_allclose(d, literal(C, [s], order)[0], rtol=0, atol=1e-13 * scale(C, order))


def test_derivatives_match_finite_differences(kb):
    C = random_coeffs(5, 5)
    b = block_of(kb, C)
    h = 1e-4

    def fd(f, s):
        return (np.array(f(s + h)) - np.array(f(s - h))) / (2 * h)

    for s in (0.1, 1.7, 4.0):
        r, d1, d2, d3 = (np.array(v) for v in kb.evaluate_with_derivatives(b, s))
        pos = lambda t: kb.evaluate_fourier_block(b, [t])[0]  # noqa: E731
        np.testing.assert_allclose(r, pos(s), atol=1e-14)
        np.testing.assert_allclose(d1, fd(pos, s), atol=1e-6)
        np.testing.assert_allclose(d2, fd(lambda t: kb.evaluate_with_derivatives(b, t)[1], s), atol=1e-6)
        np.testing.assert_allclose(d3, fd(lambda t: kb.evaluate_with_derivatives(b, t)[2], s), atol=1e-5)


def test_unequal_list_lengths_count_missing_coefficients_as_zero(kb):
    C = random_coeffs(6, 4)
    full = block_of(kb, C)
    short = block_of(kb, C)
    short.b_x, short.a_y, short.b_z = list(C[1][:2]), [], list(C[5][:3])
    padded = C.copy()
    padded[1][2:], padded[2][:], padded[5][3:] = 0, 0, 0
    s = [0.2, 1.3, 3.9]
    np.testing.assert_allclose(kb.evaluate_fourier_block(short, s), literal(padded, s), atol=1e-14)
    # positions take their harmonic count from a_x: longer lists are read only that far
    longer = block_of(kb, C)
    longer.a_x = list(C[0][:2])
    cut = C.copy()
    cut[:, 2:] = 0
    np.testing.assert_allclose(kb.evaluate_fourier_block(longer, s), literal(cut, s), atol=1e-14)
    # derivatives and mode energies use the longest list
    r, d1, _, _ = kb.evaluate_with_derivatives(short, 1.3)
    np.testing.assert_allclose(r, literal(padded, [1.3])[0], atol=1e-14)
    np.testing.assert_allclose(d1, literal(padded, [1.3], 1)[0], atol=1e-13)
    assert kb.mode_energies(short) == pytest.approx(list((padded**2).sum(axis=0)), rel=1e-15)
    assert len(kb.mode_energies(longer)) == 4
    assert kb.length_exact(full) > 0


# ---------------------------------------------------------------- exact geometry


def literal_kappa(C, s, eps=1e-12):
    d1, d2 = literal(C, s, 1), literal(C, s, 2)
    g = np.maximum(eps, np.linalg.norm(d1, axis=1))
    return np.linalg.norm(np.cross(d1, d2), axis=1) / g**3, g


def test_curvature_length_bending_match_literal(kb):
    C = random_coeffs(7, 8)
    b = block_of(kb, C)
    kappa, _ = literal_kappa(C, S_VALUES)
    np.testing.assert_allclose(kb.curvature_exact(b, S_VALUES), kappa, rtol=1e-11)
    for n in (32, 100, 4096):
        s = np.arange(n) * TWO_PI / n
        k, g = literal_kappa(C, s)
        assert kb.length_exact(b, n) == pytest.approx(float(np.sum(g * (TWO_PI / n))), rel=1e-12)
        assert kb.bending_energy_exact(b, n) == pytest.approx(float(np.sum(k * k * g * (TWO_PI / n))), rel=1e-11)


def test_sample_count_floors(kb):
    b = block_of(kb, random_coeffs(8, 5))
    assert kb.length_exact(b, 3) == kb.length_exact(b, 16)
    assert kb.length_exact(b, -1) == kb.length_exact(b, 16)
    assert kb.length_exact(b, 17) != kb.length_exact(b, 16)
    assert kb.bending_energy_exact(b, 10) == kb.bending_energy_exact(b, 32)
    assert kb.min_self_distance_exactish(b, 10) == kb.min_self_distance_exactish(b, 64)
    assert kb.describe_fourier_block(b, 10).L == kb.describe_fourier_block(b, 64).L


def test_curvature_eps_guards_a_vanishing_tangent(kb):
    # x = cos s: the tangent vanishes at s = 0 where r'' = (-1, 0, 0)
    b = fourier_block(kb, [1], [0], [0], [0], [0], [0])
    assert kb.curvature_exact(b, [0.0], 1e-3) == [0.0]
    # y = sin 2s as well: |r' x r''| = 2 at s = 0 while |r'| = 2 ... a finite value
    b2 = fourier_block(kb, [1, 0], [0, 0], [0, 0], [0, 1], [0, 0], [0, 0])
    (k,) = kb.curvature_exact(b2, [0.0], 5.0)
    assert k == pytest.approx(np.linalg.norm(np.cross([0, 2, 0], [-1, 0, 0])) / 5.0**3, rel=1e-14)


def literal_min_distance(P, w):
    P = np.asarray(P)
    n = len(P)
    if n < 4:
        return 0.0
    i, j = np.triu_indices(n, 1)
    m = np.minimum(j - i, n - (j - i))
    keep = m > w
    if not keep.any():
        return 0.0
    return float(np.linalg.norm(P[i[keep]] - P[j[keep]], axis=1).min())


@pytest.mark.parametrize("w", [-3, 0, 1, 4, 9, 10, 11, 100])
def test_min_self_distance_sampled_matches_pairs(kb, w):
    P = np.random.default_rng(9).normal(size=(23, 3))
    assert kb.min_self_distance_sampled(P.tolist(), w) == literal_min_distance(P, w)


def test_min_self_distance_edge_cases(kb):
    assert kb.min_self_distance_sampled([[0, 0, 0], [5, 0, 0], [0, 5, 0]]) == 0.0
    nine = np.random.default_rng(1).normal(size=(9, 3)).tolist()
    assert kb.min_self_distance_sampled(nine, 4) == 0.0  # every separation <= 4
    assert kb.min_self_distance_sampled(nine, 3) > 0.0
    # square of 8 points, window 1: neighbours (incl. 7 with 0) skipped, next is 2 steps apart
    sq = [[0, 0, 0], [1, 0, 0], [2, 0, 0], [2, 1, 0], [2, 2, 0], [1, 2, 0], [0, 2, 0], [0, 1, 0]]
    assert kb.min_self_distance_sampled(sq, 1) == pytest.approx(math.sqrt(2), rel=1e-15)
    assert kb.min_self_distance_sampled(sq, 0) == 1.0


def test_describe_is_built_from_the_parts(kb):
    C = random_coeffs(10, 7)
    b = block_of(kb, C)
    d = kb.describe_fourier_block(b, 300, 3)
    s = [i * TWO_PI / 300 for i in range(300)]
    P = kb.evaluate_fourier_block(b, s)
    assert d.L == kb.length_exact(b, 1200)  # M = 4 N
    assert d.bending_energy == kb.bending_energy_exact(b, 1200, 1e-12)
    assert d.min_self_distance == kb.min_self_distance_sampled(P, 3)
    assert d.writhe == kb.compute_writhe(P)
    assert d.mode_energy == kb.mode_energies(b)
    d0 = kb.describe_fourier_block(b)
    assert d0.L == kb.length_exact(b, 8192)
    assert d0.bending_energy == kb.bending_energy_exact(b, 8192)
    assert kb.describe_fourier_block(b, 100).L == kb.length_exact(b, 512)  # M >= 512
    assert d0.min_self_distance == kb.min_self_distance_exactish(b)


def test_geometric_descriptors_read_only(kb, unit_circle):
    d = kb.describe_fourier_block(unit_circle, 64)
    for attr in ("L", "bending_energy", "min_self_distance", "writhe", "mode_energy"):
        with pytest.raises(AttributeError):
            setattr(d, attr, getattr(d, attr))
    d.mode_energy.append(1.0)
    assert d.mode_energy == [2.0]
    with pytest.raises(TypeError):
        kb.GeometricDescriptors()


def test_mode_energies_unweighted(kb):
    b = fourier_block(kb, [1, 0, 3], [2, 0, 0], [0, 0, 0], [0, 1, 0], [0, 0, 0], [0, 0, 4])
    assert kb.mode_energies(b) == [5.0, 1.0, 25.0]


# ---------------------------------------------------------------- ideal components


def component(kb, C, A0, B0):
    c = kb.IdealABComponent()
    c.A0, c.B0, c.fourier = A0, B0, block_of(kb, C)
    return c


def test_ideal_components_add_both_offsets(kb):
    C1, C2 = random_coeffs(12, 3), random_coeffs(13, 5)
    c1 = component(kb, C1, [1.0, 2.0, 3.0], [0.5, -1.0, 0.25])
    c2 = component(kb, C2, [0.0, 0.0, -4.0], [0.0, 1.0, 0.0])
    s = np.linspace(0, TWO_PI, 17)
    out = kb.evaluate_ideal_component(c1, s)
    assert out.shape == (17, 3) and out.dtype == np.float64
    np.testing.assert_allclose(out, literal(C1, s) + [1.5, 1.0, 3.25], atol=1e-13)
    ab = kb.IdealABBlock()
    ab.components = [c1, c2]
    res = kb.evaluate_ideal_ab_components(ab, s[::2])  # strided input is copied in order
    assert isinstance(res, list) and len(res) == 2
    np.testing.assert_allclose(res[0], literal(C1, s[::2]) + [1.5, 1.0, 3.25], atol=1e-13)
    np.testing.assert_allclose(res[1], literal(C2, s[::2]) + [0.0, 1.0, -4.0], atol=1e-13)
    assert kb.evaluate_ideal_ab_components(kb.IdealABBlock(), s) == []
    assert kb.evaluate_ideal_component(c1, np.array([], dtype=float)).shape == (0, 3)
    np.testing.assert_array_equal(kb.evaluate_ideal_component(c1, [0, 1]), kb.evaluate_ideal_component(c1, [0.0, 1.0]))


@pytest.mark.parametrize("fn", ["evaluate_ideal_component", "evaluate_ideal_ab_components"])
@pytest.mark.parametrize("s", [np.zeros((2, 3)), np.float64(1.0)])
def test_ideal_components_reject_non_1d_s(kb, fn, s):
    target = kb.IdealABComponent() if fn == "evaluate_ideal_component" else kb.IdealABBlock()
    with pytest.raises(ValueError, match=r"^s must be 1D$"):
        getattr(kb, fn)(target, s)


# ---------------------------------------------------------------- fourier_knot_eval


def test_fourier_knot_eval_matches_block_evaluation(kb):
    C = random_coeffs(14, 6)
    s = np.linspace(-1, 7, 33)
    x, y, z = kb.fourier_knot_eval(*C, s)
    for a in (x, y, z):
        assert a.shape == (33,) and a.dtype == np.float64
    np.testing.assert_array_equal(np.stack([x, y, z], 1), kb.evaluate_fourier_block(block_of(kb, C), list(s)))
    ex, ey, ez = kb.fourier_knot_eval(*C, np.array([]))
    assert ex.shape == ey.shape == ez.shape == (0,)


@pytest.mark.parametrize(
    "change, message",
    [
        ({1: [1.0, 2.0]}, "fourier_knot_eval: a_x/b_x must be 1D and same length"),
        ({0: [[1.0, 2.0, 3.0]]}, "fourier_knot_eval: a_x/b_x must be 1D and same length"),
        ({3: [1.0]}, "fourier_knot_eval: a_y/b_y must be 1D and same length"),
        ({4: np.zeros((3, 1))}, "fourier_knot_eval: a_z/b_z must be 1D and same length"),
        ({6: np.zeros((2, 2))}, "fourier_knot_eval: s must be 1D"),
        ({1: [1.0], 6: np.zeros((2, 2))}, "fourier_knot_eval: a_x/b_x must be 1D and same length"),
        # pairs of different lengths across coordinates are rejected too
        ({2: [1.0, 2.0], 3: [1.0, 2.0]}, "fourier_knot_eval: all coefficient arrays must have the same length"),
        ({4: [1.0] * 4, 5: [1.0] * 4}, "fourier_knot_eval: all coefficient arrays must have the same length"),
    ],
)
def test_fourier_knot_eval_checks(kb, change, message):
    args = [[1.0, 2.0, 3.0]] * 6 + [[0.0, 1.0]]
    for k, v in change.items():
        args[k] = v
    with pytest.raises(ValueError, match="^" + message + "$"):
        kb.fourier_knot_eval(*args)


# ---------------------------------------------------------------- discrete curvature


def test_compute_curvature_square_and_small_inputs(kb):
    eps = 1e-8
    sq = np.array([[1, 0, 0], [0, 1, 0], [-1, 0, 0], [0, -1, 0]], dtype=float)
    np.testing.assert_array_equal(kb.compute_curvature(sq), np.full(4, 2 / (1 + eps)))
    for n in (0, 1, 2):
        out = kb.compute_curvature(np.ones((n, 3)))
        assert out.shape == (n,) and not out.any()
    np.testing.assert_array_equal(kb.compute_curvature(sq.astype(int), 0.5), np.full(4, 2 / 1.5))


def test_compute_curvature_matches_literal(kb):
    P = np.random.default_rng(15).normal(size=(31, 3))
    q, o = np.roll(P, -1, axis=0), np.roll(P, 1, axis=0)
    d1, d2 = (q - o) / 2, q - 2 * P + o
    expect = np.linalg.norm(np.cross(d1, d2), axis=1) / (np.linalg.norm(d1, axis=1) ** 3 + 1e-3)
    np.testing.assert_allclose(kb.compute_curvature(P, 1e-3), expect, rtol=1e-14)
    np.testing.assert_array_equal(kb.compute_curvature(np.asfortranarray(P), 1e-3), kb.compute_curvature(P, 1e-3))


@pytest.mark.parametrize("bad", [np.zeros((4, 2)), np.zeros((3, 4)).T[:, :2], np.zeros(6)])
def test_compute_curvature_shape_message(kb, bad):
    with pytest.raises(ValueError, match=r"^pd_from_curve: expected array with shape \(N,3\)$"):
        kb.compute_curvature(bad)


# ---------------------------------------------------------------- the Python surface

DOCS = {
    "evaluate_fourier_block": "Evaluate r(s) for the given Fourier block.",
    "evaluate_with_derivatives": "Evaluate Fourier block and its first three derivatives at parameter s.",
    "curvature_exact": "Compute exact curvature from Fourier coefficients at sample parameters.",
    "length_exact": "Compute exact length of Fourier curve by sampling.",
    "bending_energy_exact": "Compute bending energy integral of Fourier curve.",
    "mode_energies": "Compute per-mode energy from Fourier coefficients.",
    "min_self_distance_sampled": "Compute minimum self-distance of a closed polygonal curve.",
    "min_self_distance_exactish": "Estimate minimum self-distance of Fourier curve via sampling.",
    "describe_fourier_block": "Compute geometric descriptors (length, bending energy, self-distance, writhe, "
    "mode energies) for a Fourier block.",
    "evaluate_ideal_component": "Evaluate a single ideal AB component (includes I=0 offset).",
    "evaluate_ideal_ab_components": "Evaluate all components of an ideal AB block.",
    "fourier_knot_eval": "NumPy-friendly Fourier evaluation returning (x,y,z)",
    "compute_curvature": "Compute discrete curvature from points.",
    "load_all_knots": "Load all knots from a list of .fseries file paths.",
}


@pytest.mark.parametrize("name", DOCS)
def test_docstrings(kb, name):
    assert docstring(getattr(kb, name)) == DOCS[name]


def test_keyword_names_and_defaults(kb, unit_circle):
    b = unit_circle
    assert kb.curvature_exact(block=b, s=[0.0], eps=1e-12) == [1.0]
    assert kb.length_exact(block=b, nsamples=4096) == kb.length_exact(b)
    assert kb.bending_energy_exact(block=b, nsamples=4096, eps=1e-12) == kb.bending_energy_exact(b)
    assert kb.min_self_distance_exactish(block=b, nsamples=2048, exclude_window=4) == kb.min_self_distance_exactish(b)
    pts = kb.evaluate_fourier_block(block=b, s=[0.0, 1.0, 2.0, 3.0, 4.0])
    assert kb.min_self_distance_sampled(points=pts, exclude_window=4) == kb.min_self_distance_sampled(pts)
    assert kb.describe_fourier_block(block=b, nsamples=2048, exclude_window=4).L == kb.describe_fourier_block(b).L
    assert kb.mode_energies(block=b) == [2.0]
    assert kb.evaluate_with_derivatives(block=b, s=0.0)[0] == [1.0, 0.0, 0.0]
    assert kb.compute_curvature(points=np.eye(3), eps=1e-8).shape == (3,)


def test_registration_order(kb):
    names = [n for n in kb.__dict__ if not n.startswith("_")]
    expected = ["GeometricDescriptors", "LoadedKnot", "evaluate_fourier_block", "evaluate_with_derivatives",
                "curvature_exact", "length_exact", "bending_energy_exact", "mode_energies",
                "min_self_distance_sampled", "min_self_distance_exactish", "describe_fourier_block",
                "evaluate_ideal_component", "evaluate_ideal_ab_components", "fourier_knot_eval",
                "compute_writhe", "compute_linking_number", "compute_twist", "compute_centerline_helicity",
                "detect_reconnection_candidates", "writhe_gauss_curve", "estimate_crossing_number",
                "pd_from_curve", "compute_curvature", "load_all_knots"]
    assert [n for n in names if n in expected] == expected
    assert names.index("fourier_knot") < names.index("GeometricDescriptors")
