"""The fluid formula set: closed forms, the pressure-gradient stencil, docstrings, order."""
import math

import pytest

from helpers import docstring, overload_docstring

V3 = [[1.0, 2.0, 3.0], [-0.5, 0.25, 4.0], [2.0, 0.0, -1.0]]
W3 = [[0.5, -1.0, 2.0], [3.0, 1.5, -0.5], [1.0, 1.0, 1.0]]
GRAD = [[1.0, 2.0, 3.0], [4.0, 5.0, 6.0], [7.0, 8.5, 9.0]]


def dot(a, b):
    return sum(x * y for x, y in zip(a, b))


CASES = [
    ("compute_pressure_field", ([1.0, 2.0, -3.0], 1.2, 5.0), [5.0 - 0.6 * v * v for v in (1.0, 2.0, -3.0)]),
    ("compute_pressure_field", ([], 1.2, 5.0), []),
    ("compute_velocity_magnitude", (V3,), [math.sqrt(dot(v, v)) for v in V3]),
    ("compute_vorticity", (GRAD,), [8.5 - 6.0, 3.0 - 7.0, 4.0 - 2.0]),
    ("swirl_clock_rate", (3.0, 1.0), 1.0),
    ("vorticity_from_curvature", (6.0, 1.5), 4.0),
    ("vortex_pressure_drop", (2.0, 3.0), 9.0),
    ("vortex_transverse_pressure_diff", (2.0, 3.0), 4.5),
    ("swirl_energy", (1.5, 2.0), 3.0),
    ("kairos_energy_trigger", (1.0, 2.0, 1.9), True),
    ("kairos_energy_trigger", (1.0, 2.0, 2.0), False),  # strictly greater
    ("kairos_energy_trigger", (-1.0, 2.0, 1.9), False),  # a negative density reverses the comparison
    ("compute_helicity", (V3, W3, 0.5), 0.5 * sum(dot(v, w) for v, w in zip(V3, W3))),
    ("compute_helicity", ([], [], 2.0), 0.0),
    ("potential_vorticity", (1.0, 2.0, 4.0), 0.75),
    ("is_incompressible", ([1, 5, 5], [7, -1, 7], [9, 9, 0]), True),
    ("is_incompressible", ([1, 0, 0], [0, 1, 0], [0, 0, -2 + 1e-7]), False),
    ("circulation_surface_integral", (V3, W3), sum(dot(v, w) for v, w in zip(V3, W3))),
    ("enstrophy", ([1.0, 4.0, 9.0], [0.5, 0.25, 2.0]), 0.5 + 1.0 + 18.0),
    ("enstrophy", ([], []), 0.0),
    ("compute_bernoulli_pressure", ([2.0, 10.0],), [-3.5e-7 * 4.0, -3.5e-7 * 100.0]),
    ("compute_bernoulli_pressure", ([2.0], 1.0, 3.0), [1.0]),
    ("laplacian_phi", (1.0, 2.0, 3.5), 6.5),
    ("grad_phi", ([1.5, -2.0, 3.25],), [1.5, -2.0, 3.25]),
    ("bernoulli_pressure_potential", (4.0, 1.5), 0.5),
    ("compute_kinetic_energy", (V3, 2.0), sum(dot(v, v) for v in V3)),
    ("rossby_number", (10.0, 2.0, 5.0), 0.5),
    ("ekman_number", (1e-6, 2.0, 10.0), 5e-9),
    ("cylinder_mass", (2.0, 3.0, 4.0), 2.0 * math.pi * 9.0 * 4.0),
    ("cylinder_inertia", (3.0, 2.0), 6.0),
    ("torque", (2.5, 4.0), 10.0),
]


@pytest.mark.parametrize("name, args, expected", CASES, ids=[c[0] for c in CASES])
def test_closed_forms(kb, name, args, expected):
    got = getattr(kb, name)(*args)
    if isinstance(expected, bool):
        assert got is expected
    else:
        assert got == pytest.approx(expected, rel=1e-14, abs=1e-300)


def test_evolve_positions_euler_returns_none_and_leaves_the_list_alone(kb):
    pos = [[0.0, 0.0, 0.0], [1.0, 2.0, 3.0]]
    assert kb.evolve_positions_euler(pos, [[1.0, 1.0, 1.0], [2.0, 2.0, 2.0]], 0.5) is None
    assert pos == [[0.0, 0.0, 0.0], [1.0, 2.0, 3.0]]


@pytest.mark.parametrize(
    "call, fragment",
    [
        (lambda kb: kb.evolve_positions_euler([[0, 0, 0]] * 3, [[1, 1, 1]] * 2, 1.0),
         "evolve_positions_euler: velocity has 2 entries, fewer than the 3 of positions"),
        (lambda kb: kb.compute_helicity(V3, W3[:2], 1.0),
         "compute_helicity: vorticity has 2 entries, fewer than the 3 of velocity"),
        (lambda kb: kb.circulation_surface_integral(V3, []),
         "circulation_surface_integral: dA_field has 0 entries, fewer than the 3 of omega_field"),
        (lambda kb: kb.enstrophy([1.0, 2.0], [1.0]), "enstrophy: ds_area has 1 entries, fewer than the 2 of omega_squared"),
        (lambda kb: kb.pressure_gradient([[1.0, 2.0, 3.0], [1.0, 2.0]]),
         "pressure_gradient: row 1 has 2 entries, the first row has 3"),
        (lambda kb: kb.pressure_gradient([[1.0, 2.0], [1.0, 2.0], [1.0, 2.0, 3.0]]),
         "pressure_gradient: row 2 has 3 entries, the first row has 2"),
    ],
)
def test_short_second_lists_and_ragged_rows_are_rejected(kb, call, fragment):
    with pytest.raises(ValueError) as e:
        call(kb)
    assert str(e.value) == fragment


def test_longer_second_lists_use_the_first_lists_range(kb):
    assert kb.compute_helicity(V3[:1], W3, 1.0) == pytest.approx(dot(V3[0], W3[0]))
    assert kb.enstrophy([2.0], [3.0, 100.0]) == 6.0


def np_free_gradient(P, dx, dy):
    """Independent evaluation of the stencil: one-sided on the edges, central inside."""
    nx, ny = len(P), len(P[0])
    G = [[[0.0, 0.0, 0.0] for _ in range(ny)] for _ in range(nx)]
    if nx < 2 or ny < 2:
        return G
    for i in range(nx):
        for j in range(ny):
            if i == 0:
                gx = -(P[1][j] - P[0][j]) / dx
            elif i == nx - 1:
                gx = -(P[i][j] - P[i - 1][j]) / dx
            else:
                gx = -(P[i + 1][j] - P[i - 1][j]) / (2 * dx)
            if j == 0:
                gy = -(P[i][1] - P[i][0]) / dy
            elif j == ny - 1:
                gy = -(P[i][j] - P[i][j - 1]) / dy
            else:
                gy = -(P[i][j + 1] - P[i][j - 1]) / (2 * dy)
            G[i][j] = [gx, gy, 0.0]
    return G


@pytest.mark.parametrize("nx, ny", [(2, 2), (2, 5), (4, 2), (5, 6)])
def test_pressure_gradient_stencil(kb, nx, ny):
    P = [[math.sin(0.7 * i) * (j + 1) ** 2 + 0.3 * j for j in range(ny)] for i in range(nx)]
    assert kb.pressure_gradient(P, 0.5, 2.0) == np_free_gradient(P, 0.5, 2.0)


@pytest.mark.parametrize("nx, ny", [(2, 2), (3, 4), (6, 5)])
def test_pressure_gradient_of_a_linear_field(kb, nx, ny):
    dx = 0.25
    P = [[i * dx for _ in range(ny)] for i in range(nx)]
    for row in kb.pressure_gradient(P, dx=dx):
        for g in row:
            assert g == pytest.approx([-1.0, 0.0, 0.0], abs=1e-15)


@pytest.mark.parametrize(
    "P, expected",
    [
        ([], []),
        ([[], []], [[], []]),
        ([[1.0, 5.0, 2.0]], [[[0.0, 0.0, 0.0]] * 3]),
        ([[1.0], [4.0], [9.0]], [[[0.0, 0.0, 0.0]]] * 3),
    ],
)
def test_pressure_gradient_degenerate_fields(kb, P, expected):
    assert kb.pressure_gradient(P) == expected


def test_compute_vorticity_and_compute_helicity_dispatch(kb):
    assert kb.compute_vorticity(GRAD) == [2.5, -4.0, 2.0]
    assert kb.compute_vorticity(grad=GRAD) == [2.5, -4.0, 2.0]
    assert kb.compute_helicity(velocity=V3, vorticity=W3, dV=2.0) == pytest.approx(
        2.0 * sum(dot(v, w) for v, w in zip(V3, W3)))
    with pytest.raises(TypeError):
        kb.compute_vorticity([[1.0, 2.0, 3.0], [4.0, 5.0, 6.0]])  # not a 3×3 tensor


GROUP = [
    ("compute_pressure_field", "\n        Compute Bernoulli pressure field from velocity magnitude:\n"
                               "            P = P_infinity - 0.5 * rho_ae * |v|^2\n    "),
    ("compute_velocity_magnitude", "\n        Compute magnitude |v| from vector velocity field.\n    "),
    ("evolve_positions_euler", "\n        Euler-step update of particle positions from velocity vectors.\n    "),
    ("compute_vorticity", "\n        Compute vorticity vector \u03c9 = \u2207 \u00d7 v from the velocity gradient tensor.\n    "),
    ("swirl_clock_rate", "\n        Swirl clock rate 0.5 * (dv/dx - du/dy).\n    "),
    ("vorticity_from_curvature", "\n        Vorticity magnitude for curved flow V/R.\n    "),
    ("vortex_pressure_drop", "\n        Pressure drop 0.5 * \u03c1 * c^2 in a vortex core.\n    "),
    ("vortex_transverse_pressure_diff", "\n        Transverse pressure difference 0.25 * \u03c1 * c^2.\n    "),
    ("swirl_energy", "\n        Rotational kinetic energy density (1/2) * \u03c1 * \u03c9^2.\n    "),
    ("kairos_energy_trigger", "\n        Trigger when swirl energy exceeds 0.5 * \u03c1 * Ce^2.\n    "),
    ("compute_helicity", "\n        Compute helicity \u2211 (v \u00b7 \u03c9) dV over a discretized field.\n    "),
    ("potential_vorticity", "\n        Potential vorticity (fa + \u03b6_r) / h.\n    "),
    ("is_incompressible", "\n        Determine if flow is incompressible by checking that the\n"
                          "        divergence of the velocity field is approximately zero.\n    "),
    ("circulation_surface_integral", "Circulation as surface integral of vorticity dot area vector.\n\t"),
    ("enstrophy", "Enstrophy as sum of squared vorticity weighted by area.\n\t"),
    ("compute_bernoulli_pressure", "Compute Bernoulli pressure field from velocity magnitude.\n\t"),
    ("pressure_gradient", "Compute spatial pressure gradient vector field.\n\t"),
    ("laplacian_phi", "Compute Laplacian of potential function.\n\t"),
    ("grad_phi", "Compute gradient of potential function.\n\t"),
    ("bernoulli_pressure_potential", "Compute Bernoulli pressure from potential flow.\n\t"),
    ("compute_kinetic_energy", "Compute kinetic energy E = (1/2) * \u03c1 * \u2211 |v|^2.\n\t"),
    ("rossby_number", "Rossby number: Ro = U / (2\u03a9d).\n\t"),
    ("ekman_number", "Ekman number: Ek = \u03bd / (\u03a9 H\u00b2).\n\t"),
    ("cylinder_mass", "Cylinder mass: m = \u03c1 \u03c0 R\u00b2 H.\n\t"),
    ("cylinder_inertia", "Moment of inertia: I = (1/2) m R\u00b2.\n\t"),
    ("torque", "Torque: \u03c4 = I \u03b1.\n\t"),
]


@pytest.mark.parametrize("name, doc", GROUP, ids=[g[0] for g in GROUP])
def test_docstrings(kb, name, doc):
    fn = getattr(kb, name)
    got = overload_docstring(fn, 1) if name in ("compute_vorticity", "compute_helicity") else docstring(fn)
    assert got == doc


def test_registration_order(kb):
    names = kb.list_bindings()["functions"]
    i = names.index("compute_pressure_field")
    assert names[i:i + len(GROUP)] == [g[0] for g in GROUP]


@pytest.mark.parametrize(
    "name, signature",
    [
        ("compute_bernoulli_pressure", "rho: typing.SupportsFloat | typing.SupportsIndex = 7e-07, "
                                       "p_inf: typing.SupportsFloat | typing.SupportsIndex = 0.0)"),
        ("pressure_gradient", "dx: typing.SupportsFloat | typing.SupportsIndex = 1.0, "
                              "dy: typing.SupportsFloat | typing.SupportsIndex = 1.0)"),
        ("kairos_energy_trigger", "(rho: typing.SupportsFloat | typing.SupportsIndex, "
                                  "omega: typing.SupportsFloat | typing.SupportsIndex, "
                                  "Ce: typing.SupportsFloat | typing.SupportsIndex) -> bool"),
    ],
)
def test_argument_names_and_defaults(kb, name, signature):
    assert signature in getattr(kb, name).__doc__.partition("\n")[0]
