"""Planar vorticity formulas, the gridded vorticity overload and the vorticity right-hand sides."""
import pytest

from helpers import docstring, overload_docstring


def cross(a, b):
    return [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]]


V = [1.0, -2.0, 0.5]
W = [0.3, 0.7, -1.1]
GPHI = [0.1, 0.2, 0.3]
GP = [4.0, -1.0, 2.0]
OM = [0.0, 0.5, 2.0]
GRHO = [1.0, 2.0, -1.0]
GU = [[1.0, 2.0, 3.0], [0.5, -1.0, 0.0], [2.0, 1.0, -0.5]]

CASES = [
    ("vorticity_z_2D", (3.0, 1.25), 1.75),
    ("local_circulation_density", (3.0, 1.25), 1.75),
    ("solid_body_rotation_vorticity", (1.5,), 3.0),
    ("couette_vorticity", (2.5,), -2.5),
    ("crocco_relation", (W, 2.0, GP), [2.0, -0.5, 1.0]),
    ("crocco_relation", ([100.0, -5.0, 3.0], 2.0, GP), [2.0, -0.5, 1.0]),  # the vorticity takes no part
    ("rotating_frame_rhs", (V, W, GPHI, GP, OM, 2.0),
     [-2 * c - g - p / 2.0 for c, g, p in zip(cross(OM, V), GPHI, GP)]),
    ("rotating_frame_rhs", (V, [9.0, 9.0, 9.0], GPHI, GP, OM, 2.0),
     [-2 * c - g - p / 2.0 for c, g, p in zip(cross(OM, V), GPHI, GP)]),
    ("crocco_gradient", (V, W, GPHI, GP, 2.0), [2.0 * c + g + p / 2.0 for c, g, p in zip(cross(W, V), GPHI, GP)]),
    ("baroclinic_term", (GRHO, GP, 2.0), [c / 4.0 for c in cross(GRHO, GP)]),
    ("baroclinic_term", ([1.0, 2.0, 3.0], [2.0, 4.0, 6.0], 0.5), [0.0, 0.0, 0.0]),  # parallel gradients
    ("compute_vorticity_rhs", (W, GU, 0.5, GRHO, GP, 2.0),
     [sum(GU[i][j] * W[j] for j in range(3)) - 0.5 * W[i] + cross(GRHO, GP)[i] / 4.0 for i in range(3)]),
]


@pytest.mark.parametrize("name, args, expected", CASES, ids=[c[0] for c in CASES])
def test_closed_forms(kb, name, args, expected):
    assert getattr(kb, name)(*args) == pytest.approx(expected, rel=1e-14, abs=1e-300)


def gridded(u, v, nx, ny, dx, dy):
    w = [0.0] * (nx * ny)
    for j in range(1, ny - 1):
        for i in range(1, nx - 1):
            k = j * nx + i
            w[k] = (v[k + 1] - v[k - 1]) / (2 * dx) - (u[k + nx] - u[k - nx]) / (2 * dy)
    return w


def test_gridded_solid_body_rotation(kb):
    nx = ny = 5
    u = [-float(j) for j in range(ny) for i in range(nx)]
    v = [float(i) for j in range(ny) for i in range(nx)]
    w = kb.compute_vorticity(u, v, nx, ny, 1.0, 1.0)
    for j in range(ny):
        for i in range(nx):
            interior = 0 < i < nx - 1 and 0 < j < ny - 1
            assert w[j * nx + i] == (2.0 if interior else 0.0)


@pytest.mark.parametrize("nx, ny", [(4, 3), (6, 7), (3, 8)])
def test_gridded_matches_the_stencil(kb, nx, ny):
    u = [((k * 7919) % 101) / 10.0 for k in range(nx * ny)]
    v = [((k * 104729) % 97) / 7.0 for k in range(nx * ny)]
    assert kb.compute_vorticity(u, v, nx, ny, 0.5, 0.25) == gridded(u, v, nx, ny, 0.5, 0.25)


@pytest.mark.parametrize("nx, ny", [(2, 5), (5, 2), (2, 2), (1, 4), (0, 3)])
def test_thin_grids_give_zeros(kb, nx, ny):
    n = nx * ny
    assert kb.compute_vorticity([1.0 * k for k in range(n)], [2.0 * k * k for k in range(n)], nx, ny, 1.0, 1.0) == [0.0] * n


@pytest.mark.parametrize(
    "u_len, v_len, message",
    [
        (11, 12, "compute_vorticity: u has 11 entries, fewer than the 12 of nx*ny grid nodes"),
        (12, 0, "compute_vorticity: v has 0 entries, fewer than the 12 of nx*ny grid nodes"),
    ],
)
def test_short_fields_are_rejected(kb, u_len, v_len, message):
    with pytest.raises(ValueError) as e:
        kb.compute_vorticity([0.0] * u_len, [0.0] * v_len, 4, 3, 1.0, 1.0)
    assert str(e.value) == message


def test_negative_node_count_is_rejected(kb):
    with pytest.raises(ValueError, match="vector too long"):
        kb.compute_vorticity([], [], -3, 4, 1.0, 1.0)


def test_overload_dispatch(kb):
    assert kb.compute_vorticity([[0, 0, 0], [0, 0, 0], [0, 0, 0]]) == [0.0, 0.0, 0.0]
    assert len(kb.compute_vorticity([0.0] * 9, [0.0] * 9, 3, 3, 1.0, 1.0)) == 9
    assert kb.compute_vorticity(u=[0.0] * 4, v=[1.0] * 4, nx=2, ny=2, dx=1.0, dy=1.0) == [0.0] * 4
    assert overload_docstring(kb.compute_vorticity, 2) == "Vorticity tools for 2D flows"


DOCS = [
    ("vorticity_z_2D", "Compute 2D vorticity: dv/dx - du/dy"),
    ("local_circulation_density", "Local circulation density (vorticity) via Stokes' theorem"),
    ("solid_body_rotation_vorticity", "Vorticity of solid body rotation: 2 * omega"),
    ("couette_vorticity", "Vorticity of Couette flow: -alpha"),
    ("crocco_relation", "Velocity-curl product equals pressure gradient divided by density"),
    ("rotating_frame_rhs", "Compute rotating frame momentum RHS"),
    ("crocco_gradient", "Compute \u2207H from Crocco's theorem"),
    ("baroclinic_term", "Baroclinic torque term"),
    ("compute_vorticity_rhs", "Vorticity transport RHS"),
]


@pytest.mark.parametrize("name, doc", DOCS, ids=[d[0] for d in DOCS])
def test_docstrings(kb, name, doc):
    assert docstring(getattr(kb, name)) == doc


def test_registration_order_and_argument_names(kb):
    names = kb.list_bindings()["functions"]
    i = names.index("vorticity_z_2D")
    assert names[i:i + len(DOCS)] == [d[0] for d in DOCS]  # compute_vorticity keeps its first position
    assert names.index("compute_vorticity") < names.index("compute_pressure_field") + 26
    assert kb.compute_vorticity_rhs(omega=W, grad_u=GU, div_u=0.0, grad_rho=[0, 0, 0], grad_p=[0, 0, 0],
                                    rho=1.0) == pytest.approx([sum(GU[i][j] * W[j] for j in range(3)) for i in range(3)])
    assert kb.crocco_relation(vorticity=W, rho=1.0, pressure_gradient=GP) == GP
