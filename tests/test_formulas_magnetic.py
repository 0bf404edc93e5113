"""Point dipoles, wire fields and vector potential on grids, periodic curl."""
import math

import numpy as np
import pytest

from helpers import docstring

INV4PI = 1.0 / (4.0 * math.pi)


def dipole(r, m):
    r, m = np.asarray(r, float), np.asarray(m, float)
    rho = np.linalg.norm(r)
    if rho < 1e-12:
        return np.zeros(3)
    rh = r / rho
    return (3.0 * np.dot(m, rh) * rh - m) / (4.0 * math.pi * rho**3)


def wire_field(p, wire, current):
    b = np.zeros(3)
    for a, c in zip(wire[:-1], wire[1:]):
        R = p - (a + c) / 2.0
        rho = np.linalg.norm(R)
        if rho >= 1e-12:
            b += current * INV4PI * np.cross(c - a, R) / rho**3
    return b


def points_of(X, Y, Z):
    return np.stack([np.ravel(X), np.ravel(Y), np.ravel(Z)], axis=1)


@pytest.fixture
def rng():
    return np.random.default_rng(11)


@pytest.mark.parametrize(
    "r, m, expected",
    [
        ((0, 0, 2), (0, 0, 1), (0, 0, 1 / (16 * math.pi))),  # on the axis: 2m/(4π r³)
        ((2, 0, 0), (0, 0, 1), (0, 0, -1 / (32 * math.pi))),  # in the equatorial plane: −m/(4π r³)
        ((0, 0, 0), (1, 2, 3), (0, 0, 0)),
        ((1e-13, 0, 0), (1, 0, 0), (0, 0, 0)),
        ((1.0, -2.0, 0.5), (0.3, 0.7, -1.1), tuple(dipole((1.0, -2.0, 0.5), (0.3, 0.7, -1.1)))),
    ],
)
def test_dipole_field_at_point(kb, r, m, expected):
    assert kb.dipole_field_at_point(r, m) == pytest.approx(expected, rel=1e-12, abs=1e-300)


@pytest.mark.parametrize("shape", [(7,), (3, 4), (3, 4, 5), (2, 2, 2, 2)])
def test_dipole_ring_field_grid_any_dimensionality(kb, rng, shape):
    X, Y, Z = (rng.uniform(-2, 2, shape) for _ in range(3))
    pos = rng.uniform(-1, 1, (4, 3))
    mom = rng.normal(size=(4, 3))
    pos[2] = (X.flat[1], Y.flat[1], Z.flat[1])  # a dipole sitting on a grid point
    bx, by, bz = kb.dipole_ring_field_grid(X, Y, Z, pos, mom)
    assert bx.shape == by.shape == bz.shape == shape
    got = points_of(bx, by, bz)
    for j, p in enumerate(points_of(X, Y, Z)):
        expected = sum(dipole(p - q, m) for q, m in zip(pos, mom))
        np.testing.assert_allclose(got[j], expected, rtol=1e-12, atol=1e-14)


def test_grid_inputs_that_are_not_c_contiguous(kb, rng):
    X, Y, Z = np.meshgrid(np.linspace(-1, 1, 4), np.linspace(0, 2, 5), np.linspace(1, 3, 3), indexing="ij")
    Xt, Yt, Zt = X.transpose(2, 0, 1), Y.transpose(2, 0, 1), Z.transpose(2, 0, 1)
    wire = rng.uniform(-1, 1, (6, 3))
    bx, by, bz = kb.biot_savart_wire_grid(Xt, Yt, Zt, wire, 2.0)
    assert bx.shape == Xt.shape
    for idx in np.ndindex(Xt.shape):
        p = np.array([Xt[idx], Yt[idx], Zt[idx]])
        np.testing.assert_allclose([bx[idx], by[idx], bz[idx]], wire_field(p, wire, 2.0), rtol=1e-12, atol=1e-14)
    pos, mom = rng.uniform(-1, 1, (3, 3)), rng.normal(size=(3, 3))
    cx, _, _ = kb.dipole_ring_field_grid(Xt, Yt, Zt, np.asfortranarray(pos), mom[::1])
    ref, _, _ = kb.dipole_ring_field_grid(np.ascontiguousarray(Xt), np.ascontiguousarray(Yt),
                                          np.ascontiguousarray(Zt), pos, mom)
    np.testing.assert_array_equal(cx, ref)


def test_wire_grid_matches_a_segment_sum(kb, rng):
    X, Y, Z = (rng.uniform(-2, 2, (4, 3, 2)) for _ in range(3))
    wire = rng.uniform(-1, 1, (9, 3))
    wire[4] = wire[3]  # a zero-length segment adds nothing
    got = points_of(*kb.biot_savart_wire_grid(X, Y, Z, wire, current=-1.5))
    for j, p in enumerate(points_of(X, Y, Z)):
        np.testing.assert_allclose(got[j], wire_field(p, wire, -1.5), rtol=1e-12, atol=1e-14)


def test_long_straight_wire_is_azimuthal_with_magnitude_i_over_2_pi_s(kb):
    z = np.linspace(-500.0, 500.0, 20001)
    wire = np.stack([np.zeros_like(z), np.zeros_like(z), z], axis=1)
    s = np.array([0.5, 1.0, 2.0])
    X, Y, Z = s, np.zeros(3), np.zeros(3)
    bx, by, bz = kb.biot_savart_wire_grid(X, Y, Z, wire, 3.0)
    np.testing.assert_allclose(by, 3.0 / (2 * math.pi * s), rtol=1e-4)
    assert np.all(np.abs(bx) < 1e-15) and np.all(np.abs(bz) < 1e-15)


def test_wire_grid_with_a_single_point_is_zero(kb):
    X = np.ones((2, 3))
    out = kb.biot_savart_wire_grid(X, X, X, np.array([[0.0, 0.0, 0.0]]))
    for b in out:
        assert b.shape == (2, 3) and not b.any()


def test_vector_potential(kb, rng):
    poly = rng.uniform(-1, 1, (7, 3))
    grid = rng.uniform(-2, 2, (5, 3))
    grid[0] = (poly[0] + poly[1]) / 2  # coincides with a midpoint: that segment is skipped
    ax, ay, az = kb.biot_savart_vector_potential_grid(poly, grid, current=2.5)
    assert ax.shape == ay.shape == az.shape == (5,)
    for j, g in enumerate(grid):
        a = np.zeros(3)
        for p, q in zip(poly[:-1], poly[1:]):
            d = np.linalg.norm(g - (p + q) / 2)
            if d >= 1e-12:
                a += (q - p) / d
        np.testing.assert_allclose([ax[j], ay[j], az[j]], 2.5 * INV4PI * a, rtol=1e-12)


def test_vector_potential_reads_strided_and_list_inputs(kb, rng):
    poly = rng.uniform(-1, 1, (6, 3))
    big = rng.uniform(-2, 2, (8, 6))
    strided = big[::2, ::2]  # (4, 3) view with strides on both axes
    expected = kb.biot_savart_vector_potential_grid(poly, np.ascontiguousarray(strided))
    got = kb.biot_savart_vector_potential_grid(poly.tolist(), strided)
    for a, b in zip(got, expected):
        np.testing.assert_array_equal(a, b)
    empty = kb.biot_savart_vector_potential_grid(poly, np.zeros((0, 3)))
    assert [a.shape for a in empty] == [(0,)] * 3
    short = kb.biot_savart_vector_potential_grid(poly[:1], grid := rng.uniform(size=(2, 3)))
    assert grid.shape == (2, 3) and all(not a.any() for a in short)


def _grid(shape=(2, 3)):
    return np.zeros(shape)


@pytest.mark.parametrize(
    "call, message",
    [
        (lambda kb: kb.biot_savart_wire_grid(_grid((2, 3)), _grid((2, 3, 1)), _grid((2, 3)), np.zeros((2, 2))),
         "X, Y, Z must share the same number of dimensions"),
        (lambda kb: kb.biot_savart_wire_grid(_grid((2, 3)), _grid((2, 3)), _grid((3, 2)), np.zeros((2, 3))),
         "X, Y, Z must have identical shapes"),
        (lambda kb: kb.biot_savart_wire_grid(_grid(), _grid(), _grid(), np.zeros((2, 2))),
         "wire_points must have shape [N,3]"),
        (lambda kb: kb.biot_savart_wire_grid(_grid(), _grid(), _grid(), np.zeros(3)),
         "wire_points must have shape [N,3]"),
        (lambda kb: kb.biot_savart_wire_grid(_grid(), _grid(), _grid(), np.zeros((0, 3))),
         "wire_points must have at least 1 row"),
        (lambda kb: kb.biot_savart_wire_grid(np.array([["a", "b"]]), _grid((1, 2)), _grid((1, 2)), np.zeros((2, 3))),
         "Inputs must be convertible to float64 arrays"),
        (lambda kb: kb.dipole_ring_field_grid(_grid(), _grid((3,)), _grid(), np.zeros((2, 4)), np.zeros((3, 3))),
         "X, Y, Z must share the same number of dimensions"),
        (lambda kb: kb.dipole_ring_field_grid(_grid(), _grid(), _grid(), np.zeros((2, 4)), np.zeros((2, 2))),
         "positions must have shape [N,3]"),
        (lambda kb: kb.dipole_ring_field_grid(_grid(), _grid(), _grid(), np.zeros((2, 3)), np.zeros((0, 3))),
         "moments must have at least 1 row"),
        (lambda kb: kb.dipole_ring_field_grid(_grid(), _grid(), _grid(), np.zeros((2, 3)), np.zeros((3, 3))),
         "positions and moments must have the same number of rows"),
        (lambda kb: kb.dipole_ring_field_grid(_grid(), _grid(), _grid(), np.array([["x", "y", "z"]]),
                                              np.zeros((1, 3))),
         "Inputs must be convertible to float64 arrays"),
        (lambda kb: kb.biot_savart_vector_potential_grid(np.zeros((3, 2)), np.zeros((3, 2))),
         "polyline must have shape [N,3]"),
        (lambda kb: kb.biot_savart_vector_potential_grid(np.zeros((3, 3)), np.zeros((4, 2))),
         "grid must have shape [M,3]"),
        (lambda kb: kb.curl3d_central(np.zeros((4, 4, 4)), 1.0), "curl3d_central: vel must be (Nx,Ny,Nz,3)"),
        (lambda kb: kb.curl3d_central(np.zeros((4, 4, 4, 2)), 1.0), "curl3d_central: vel must be (Nx,Ny,Nz,3)"),
    ],
)
def test_checks_in_order_with_their_messages(kb, call, message):
    with pytest.raises(ValueError) as e:
        call(kb)
    assert str(e.value) == message


def test_grid_arguments_must_be_numpy_arrays(kb):
    with pytest.raises(TypeError):
        kb.biot_savart_wire_grid([[0.0]], [[0.0]], [[0.0]], np.zeros((2, 3)))


def np_curl(vel, h):
    u, v, w = vel[..., 0], vel[..., 1], vel[..., 2]

    def d(f, axis):
        return np.roll(f, -1, axis) - np.roll(f, 1, axis)

    return np.stack([d(w, 1) / (h + h) - d(v, 2) / (h + h),
                     d(u, 2) / (h + h) - d(w, 0) / (h + h),
                     d(v, 0) / (h + h) - d(u, 1) / (h + h)], axis=-1)


@pytest.mark.parametrize("shape", [(5, 6, 7), (1, 2, 4), (3, 1, 1)])
def test_curl_is_the_periodic_central_difference(kb, rng, shape):
    vel = rng.normal(size=shape + (3,))
    np.testing.assert_array_equal(kb.curl3d_central(vel, 0.25), np_curl(vel, 0.25))


def test_curl_of_uniform_and_rigid_rotation(kb):
    n, h = 8, 0.5
    assert not kb.curl3d_central(np.full((n, n, n, 3), 2.5), h).any()
    x = np.arange(n) * h
    X, Y, _ = np.meshgrid(x, x, x, indexing="ij")
    vel = np.stack([-Y, X, np.zeros_like(X)], axis=-1)
    c = kb.curl3d_central(vel, h)
    inner = c[1:-1, 1:-1, :]
    np.testing.assert_allclose(inner[..., 2], 2.0, rtol=1e-14)
    assert not inner[..., :2].any()
    assert c[0, 3, 3, 2] != pytest.approx(2.0)  # the wrap-around seam


def test_docstrings(kb):
    assert docstring(kb.dipole_field_at_point) == "Analytical point dipole field (mu0=1)."
    assert docstring(kb.biot_savart_wire_grid) == "Biot\u2013Savart of polyline on a 3D grid (midpoint per segment)."
    assert docstring(kb.dipole_ring_field_grid) == "Superposition of point dipoles on a 3D grid."
    assert docstring(kb.biot_savart_vector_potential_grid) == "Computes Magnetic Vector Potential A on a grid."
    assert docstring(kb.curl3d_central) == (
        "Central\u2011difference curl with periodic BCs. vel:(Nx,Ny,Nz,3) -> curl:(Nx,Ny,Nz,3)")


def test_signatures_and_registration_order(kb):
    names = kb.list_bindings()["functions"]
    group = ["dipole_field_at_point", "biot_savart_wire_grid", "dipole_ring_field_grid",
             "biot_savart_vector_potential_grid", "curl3d_central"]
    i = names.index(group[0])
    assert names[i:i + len(group)] == group
    assert "current: typing.SupportsFloat | typing.SupportsIndex = 1.0" in kb.biot_savart_wire_grid.__doc__
    assert kb.dipole_field_at_point(r=[0, 0, 1], m=[0, 0, 1])[2] == pytest.approx(2 * INV4PI)
    with pytest.raises(TypeError):
        kb.curl3d_central(np.zeros((2, 2, 2, 3)))  # spacing has no default
