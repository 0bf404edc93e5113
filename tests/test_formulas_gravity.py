"""Æther potentials, time-dilation maps and the KvorGravity field quantities."""
import math

import numpy as np
import pytest

from helpers import docstring

C_E = 1093845.63
C = 299792458.0


def gaussian_potential(pos, vort, eps):
    out = []
    for i, ri in enumerate(pos):
        s = [0.0, 0.0, 0.0]
        for j, rj in enumerate(pos):
            if j == i:
                continue
            d2 = sum((a - b) ** 2 for a, b in zip(ri, rj))
            g = math.exp(-d2 / (2 * eps * eps))
            s = [sk + g * wk for sk, wk in zip(s, vort[j])]
        out.append(-0.5 * sum(x * x for x in s))
    return out


def direct_potential(pos, vort, eps):
    out = []
    for i, ri in enumerate(pos):
        s = 0.0
        for j, rj in enumerate(pos):
            if j == i:
                continue
            d = [a - b for a, b in zip(ri, rj)]
            s += sum(x * w for x, w in zip(d, vort[j])) / (eps * eps + sum(x * x for x in d)) ** 1.5
        out.append(-s / (4 * math.pi))
    return out


@pytest.fixture
def cloud():
    rng = np.random.default_rng(5)
    return rng.uniform(-1, 1, (9, 3)).tolist(), rng.normal(size=(9, 3)).tolist()


@pytest.mark.parametrize("eps", [0.3, 1.0, 7e-7])
def test_gaussian_potential(kb, cloud, eps):
    pos, vort = cloud
    expected = gaussian_potential(pos, vort, eps)
    assert kb.compute_gravitational_potential_gradient(pos, vort, eps) == pytest.approx(expected, rel=1e-12, abs=1e-300)
    assert kb.compute_gravitational_potential(pos, vort, eps) == kb.compute_gravitational_potential_gradient(pos, vort, eps)


def test_gaussian_weight_over_the_whole_exponent_range(kb):
    # Distances chosen so that the weights run from 1 down through the subnormal range to 0.
    eps = 1.0
    pos = [[0.0, 0.0, 0.0]] + [[math.sqrt(2 * t), 0.0, 0.0] for t in (0.0, 1e-3, 3.0, 700.0, 740.0, 800.0)]
    vort = [[0.0, 0.0, 0.0]] + [[1.0, 0.0, 0.0]] * 6
    phi0 = kb.compute_gravitational_potential_gradient(pos, vort, eps)[0]
    s = sum(math.exp(-t) for t in (0.0, 1e-3, 3.0, 700.0, 740.0, 800.0))
    assert phi0 == pytest.approx(-0.5 * s * s, rel=1e-14)
    # A lone pair whose weight exp(-720.5) is subnormal, scaled up by a huge vorticity.
    far = kb.compute_gravitational_potential_gradient([[0, 0, 0], [math.sqrt(1441.0), 0, 0]],
                                                      [[0, 0, 0], [1e300, 0, 0]], 1.0)[0]
    # (a subnormal weight carries only about ten significant digits)
    assert far == pytest.approx(-0.5 * (math.exp(-720.5) * 1e300) ** 2, rel=1e-9)


@pytest.mark.parametrize("eps", [0.1, 0.5])
def test_direct_potential(kb, cloud, eps):
    pos, vort = cloud
    assert kb.compute_gravitational_potential_direct(pos, vort, eps) == pytest.approx(
        direct_potential(pos, vort, eps), rel=1e-12)


def test_potential_defaults(kb, cloud):
    pos, vort = cloud
    assert kb.compute_gravitational_potential(pos, vort) == kb.compute_gravitational_potential(pos, vort, 7e-7)
    assert kb.compute_gravitational_potential_direct(pos, vort) == kb.compute_gravitational_potential_direct(pos, vort, 0.1)


@pytest.mark.parametrize("fn", ["compute_gravitational_potential_gradient", "compute_gravitational_potential",
                                "compute_gravitational_potential_direct"])
def test_potential_edge_cases(kb, fn):
    f = getattr(kb, fn)
    assert f([], []) == []
    assert f([[1.0, 2.0, 3.0]], [[4.0, 5.0, 6.0]]) == [0.0]  # a single position has no pairs
    assert len(f([[0, 0, 0], [1, 0, 0]], [[1, 0, 0], [1, 0, 0], [9, 9, 9]])) == 2
    with pytest.raises(ValueError, match="vorticity has 1 entries, fewer than the 2 of positions"):
        f([[0, 0, 0], [1, 0, 0]], [[1, 0, 0]])


def test_coincident_points_with_zero_epsilon_give_nan(kb):
    phi = kb.compute_gravitational_potential_gradient([[0, 0, 0], [0, 0, 0]], [[1, 0, 0], [1, 0, 0]], 0.0)
    assert all(math.isnan(p) for p in phi)


SPEEDS = [[0.0, 0.0, 0.0], [3e5, 4e5, 0.0], [C_E, 0.0, 0.0], [0.0, 2 * C_E, 0.0], [1e5, -2e5, 3e5]]


def test_sqrt_dilation(kb):
    got = kb.compute_time_dilation_map_sqrt(SPEEDS)
    expected = []
    for v in SPEEDS:
        b = sum(x * x for x in v) / (C_E * C_E)
        expected.append(math.sqrt(1 - (0.999999 if b >= 1 else b)))
    assert got == pytest.approx(expected, rel=1e-15)
    assert got[2] == pytest.approx(0.001, rel=1e-12) and got[3] == got[2]
    assert kb.compute_time_dilation_map(SPEEDS) == got
    assert kb.compute_time_dilation_map_sqrt(SPEEDS, C_e=2.0 * C_E) == kb.compute_time_dilation_map(SPEEDS, 2.0 * C_E)
    assert kb.compute_time_dilation_map_sqrt([]) == []


def test_linear_dilation(kb):
    got = kb.compute_time_dilation_map_linear(SPEEDS, C_E)
    assert got == pytest.approx([1 - sum(x * x for x in v) / C_E**2 for v in SPEEDS], rel=1e-15)
    assert got[2] == 0.0 and got[3] == pytest.approx(-3.0)
    with pytest.raises(TypeError):
        kb.compute_time_dilation_map_linear(SPEEDS)  # C_e has no default


@pytest.fixture
def fields():
    rng = np.random.default_rng(3)
    return rng.normal(size=(6, 3)), rng.normal(size=(6, 3))


def test_kvor_gravity_field_quantities(kb, fields):
    A, B = fields
    G = kb.KvorGravity
    np.testing.assert_allclose(G.compute_beltrami_shear(A, B), np.linalg.norm(np.cross(A, B), axis=1), rtol=1e-14)
    np.testing.assert_allclose(G.compute_helicity_density(A, B), np.einsum("ij,ij->i", A, B), rtol=1e-14)
    np.testing.assert_allclose(G.compute_swirl_energy_density(A, 2.5), 2.5 * 0.5 * np.einsum("ij,ij->i", A, A),
                               rtol=1e-14)
    v = np.array([[0.0, 0.0, 0.0], [0.6 * C, 0.0, 0.0], [0.0, C, 0.0], [2 * C, 0.0, 0.0]])
    assert G.compute_swirl_clock(v) == pytest.approx([1.0, 0.8, 0.0, 0.0], abs=1e-15)
    assert G.compute_swirl_clock(v[1:2], c=1.2 * C) == pytest.approx([math.sqrt(0.75)])


def test_gravity_dilation(kb, fields):
    B = fields[0] * 30.0
    G = kb.KvorGravity
    L = math.log10(5.0)
    expected = [min(1.0, max(0.0, 1 - (np.linalg.norm(b) / 80.0 * L) ** 2)) for b in B]
    assert G.compute_gravity_dilation(B, 5.0, B_saturation=80.0) == pytest.approx(expected, rel=1e-14)
    assert G.compute_gravity_dilation(B, 5.0, 1.0, 80.0) == G.compute_gravity_dilation(B, 5.0, 7e9, 80.0)
    assert G.compute_gravity_dilation(B, 1.0) == [1.0] * len(B)
    assert G.compute_gravity_dilation(B, -3.0) == [1.0] * len(B)
    assert G.compute_gravity_dilation(B * 1e6, 1e6) == [0.0] * len(B)


def test_swirl_coulomb(kb):
    G = kb.KvorGravity
    r = np.array([0.0, 0.5, 2.0, 10.0])
    lam, rc = 3.0, 0.7
    assert G.compute_swirl_coulomb_potential(r, lam, rc) == pytest.approx(list(-lam / np.sqrt(r**2 + rc**2)), rel=1e-15)
    assert G.compute_swirl_coulomb_force(r, Lambda=lam, r_c=rc) == pytest.approx(
        list(-lam * r / (r**2 + rc**2) ** 1.5), rel=1e-15, abs=1e-300)
    assert G.compute_swirl_coulomb_potential(r[::2], lam, rc) == G.compute_swirl_coulomb_potential(
        np.ascontiguousarray(r[::2]), lam, rc)


def test_g_swirl(kb):
    G = kb.KvorGravity
    assert G.compute_G_swirl(2.0, 3.0, 4.0, 5.0) == pytest.approx(C**5 * 2.0 * 9.0 / (2 * 4.0 * 25.0), rel=1e-14)
    assert G.compute_G_swirl(2.0, 3.0, 4.0, 5.0, c=10.0) == pytest.approx(1e5 * 18.0 / 200.0, rel=1e-14)


@pytest.mark.parametrize(
    "call, exc, message",
    [
        (lambda G: G.compute_beltrami_shear(np.zeros((3, 3)), np.zeros((4, 3))), ValueError,
         "B_field and Curl_B must have the same size."),
        (lambda G: G.compute_helicity_density(np.zeros((3, 3)), np.zeros((4, 3))), ValueError,
         "A_field and B_field must have the same size."),
        (lambda G: G.compute_gravity_dilation(np.zeros((2, 3)), 10.0, B_saturation=0.0), ValueError,
         "B_saturation must be positive."),
        (lambda G: G.compute_gravity_dilation(np.zeros((2, 2)), 10.0, B_saturation=0.0), ValueError,
         "Expected array with shape (N, 3)"),  # the field is converted before the guard
        (lambda G: G.compute_swirl_coulomb_potential(np.ones(3), 1.0, 0.0), ValueError, "r_c must be positive."),
        (lambda G: G.compute_swirl_coulomb_force(np.ones(3), 1.0, -1.0), ValueError, "r_c must be positive."),
        (lambda G: G.compute_swirl_coulomb_force(np.ones((3, 1)), 1.0, 0.0), ValueError,
         "Expected 1D array with shape (N,)"),
        (lambda G: G.compute_G_swirl(1.0, 1.0, 0.0, 1.0), ValueError, "F_max and r_c must be positive."),
        (lambda G: G.compute_G_swirl(1.0, 1.0, 1.0, -2.0), ValueError, "F_max and r_c must be positive."),
        (lambda G: G.compute_swirl_clock(np.zeros((3, 3)).T[:, :2], 1.0), ValueError, "Expected array with shape (N, 3)"),
        (lambda G: G.compute_swirl_energy_density(np.zeros(3), 1.0), ValueError, "Expected array with shape (N, 3)"),
    ],
)
def test_kvor_gravity_guards(kb, call, exc, message):
    with pytest.raises(exc) as e:
        call(kb.KvorGravity)
    assert str(e.value) == message


def test_kvor_gravity_has_no_constructor(kb):
    with pytest.raises(TypeError):
        kb.KvorGravity()


def test_kvor_gravity_accepts_lists_and_strided_arrays(kb, fields):
    A, B = fields
    G = kb.KvorGravity
    big = np.zeros((6, 6))
    big[:, ::2] = A
    assert G.compute_helicity_density(big[:, ::2], B.tolist()) == G.compute_helicity_density(A, B)


POTENTIAL_DOCS = [
    ("compute_gravitational_potential_gradient",
     "Compute \u00c6theric gravitational potential field from vorticity gradients."),
    ("compute_time_dilation_map_sqrt", "Compute time dilation factors from knot tangential velocities (sqrt method)."),
    ("compute_gravitational_potential_direct", "Compute \u00c6ther gravitational potential field from vorticity."),
    ("compute_time_dilation_map_linear", "Compute local time dilation factor map from tangential velocities."),
    ("compute_gravitational_potential", "Compute \u00c6theric gravitational potential field (backward compatibility)."),
    ("compute_time_dilation_map", "Compute time dilation factors (backward compatibility)."),
]


@pytest.mark.parametrize("name, sentence", POTENTIAL_DOCS, ids=[d[0] for d in POTENTIAL_DOCS])
def test_potential_docstrings(kb, name, sentence):
    assert docstring(getattr(kb, name)) == "\n" + " " * 12 + sentence + "\n" + " " * 8


GRAVITY_DOCS = [
    ("compute_beltrami_shear", "Compute the Beltrami shear metric S = || B x (curl B) ||."),
    ("compute_gravity_dilation", "Compute a phenomenological gravity reduction factor G_local\n"
                                 + " " * 16 + "driven by EM excitation."),
    ("compute_helicity_density", "Compute magnetic helicity density h = A \u00b7 B."),
    ("compute_swirl_clock", "Compute the Swirl Clock factor S_t at each sample."),
    ("compute_swirl_coulomb_potential", "Compute the Swirl Coulomb potential V(r) = -Lambda / sqrt(r^2 + r_c^2)."),
    ("compute_swirl_coulomb_force", "Compute the radial Swirl Coulomb force F_r(r)."),
    ("compute_swirl_energy_density", "Compute swirl kinetic energy density rho_E = 0.5 * rho_f * ||v||^2."),
    ("compute_G_swirl", "Compute the effective Swirl gravitational coupling G_swirl."),
]


@pytest.mark.parametrize("name, text", GRAVITY_DOCS, ids=[d[0] for d in GRAVITY_DOCS])
def test_kvor_gravity_docstrings(kb, name, text):
    assert docstring(getattr(kb.KvorGravity, name)) == "\n" + " " * 16 + text + "\n" + " " * 12


def test_registration_order(kb):
    names = kb.list_bindings()["functions"]
    i = names.index(POTENTIAL_DOCS[0][0])
    assert names[i:i + 6] == [d[0] for d in POTENTIAL_DOCS]
    methods = [k for k in vars(kb.KvorGravity) if not k.startswith("_")]
    assert methods == [d[0] for d in GRAVITY_DOCS]
    assert "_pybind11_conduit_v1_" in vars(kb.KvorGravity)
    assert "KvorGravity" in kb.list_bindings()["classes"]
    sig = kb.KvorGravity.compute_gravity_dilation.__doc__.partition("\n")[0]
    assert "v_swirl: typing.SupportsFloat | typing.SupportsIndex = 1093845.63" in sig
    assert "B_saturation: typing.SupportsFloat | typing.SupportsIndex = 100.0" in sig
