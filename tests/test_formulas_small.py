"""Thermodynamics, the single-precision swirl field, radiation force, van der Pol, Lamb–Oseen and Hill."""
import math

import numpy as np
import pytest

from helpers import docstring

TWO_PI = 2 * math.pi

CASES = [
    ("potential_temperature", (300.0, 1000.0, 850.0, 287.0, 1004.0), 300.0 * (1000.0 / 850.0) ** (287.0 / 1004.0)),
    ("potential_temperature", (273.15, 900.0, 900.0, 287.0, 1004.0), 273.15),
    ("entropy_from_theta", (1004.0, 300.0, 1.5), 1004.0 * 1.5 / 300.0),
    ("entropy_from_pv", (2.0, 8.314, 1.5e5, 0.02, 1.4), (math.log(1.5e5) + math.log(0.02)) * (2.0 * 8.314 / 0.4)),
    ("enthalpy", (10.0, 2.0, 3.5), 17.0),
    ("radiation_force", (2.0, 3.0, 0.5, 4.0, 2.0), (4.0 / 2.0) * 0.25 * (2 * 2.0 / 3e8 * 3.0) / (1 - 0.0625)),
    ("van_der_pol_dx", (123.0, -4.5), -4.5),
    ("van_der_pol_dx", (-7.0, 0.25), 0.25),
    ("van_der_pol_dy", (2.0, 0.5, 1.5), (1 - 4.0) * 1.5 * 0.5 - 2.0),
    ("lamb_oseen_velocity", (2.0, 0.5, 0.1, 3.0), 2.0 / (TWO_PI * 0.5) * (1 - math.exp(-0.25 / 1.2))),
    ("lamb_oseen_vorticity", (2.0, 0.5, 0.1, 3.0), 2.0 / (2 * TWO_PI * 0.3) * math.exp(-0.25 / 1.2)),
    ("hill_streamfunction", (2.0, 0.5, 0.25, 1.0), 2.0 * 0.5 * (1.0 - 0.3125)),
    ("hill_streamfunction", (2.0, 0.6, 0.8, 1.0), 0.0),  # on the sphere a3² = a1² + a2²
    ("hill_streamfunction", (2.0, 1.0, 1.0, 1.0), 0.0),
    ("hill_vorticity", (3.0, 0.5, 0.25, 1.0), (4 * 0.0625 + 0.25 - 1.0) * 3.0),
    ("hill_vorticity", (3.0, 0.6, 0.8, 1.0), 0.0),
    ("hill_vorticity", (3.0, 2.0, 0.0, 1.0), 0.0),
    ("hill_circulation", (1.5, 2.0), TWO_PI * 1.5 * 8.0 / 3.0),
    ("hill_velocity", (3.0, 0.5), 1.2),
]


@pytest.mark.parametrize("name, args, expected", CASES, ids=[c[0] for c in CASES])
def test_closed_forms(kb, name, args, expected):
    assert getattr(kb, name)(*args) == pytest.approx(expected, rel=1e-14, abs=0.0)


def test_hill_exactly_zero_outside(kb):
    for args in [(2.0, 0.6, 0.8, 1.0), (2.0, 3.0, 4.0, 5.0), (5.0, 3.0, 4.0, 1.0)]:
        assert kb.hill_streamfunction(*args) == 0.0 and kb.hill_vorticity(*args) == 0.0


def test_lamb_oseen_limits(kb):
    g, nu, t = 1.5, 0.2, 4.0
    r = 1e-4  # r² ≪ 4νt: solid-body core
    assert kb.lamb_oseen_velocity(g, r, nu, t) == pytest.approx(g * r / (8 * math.pi * nu * t), rel=1e-6)
    r = 50.0  # r² ≫ 4νt: potential vortex
    assert kb.lamb_oseen_velocity(g, r, nu, t) == pytest.approx(g / (TWO_PI * r), rel=1e-15)


def swirl_float32(n, t):
    """The field in float32 NumPy arithmetic. The sine is the float32-rounded double sine
    (NumPy's own float32 sine is a SIMD approximation that may differ in the last bit)."""
    f = np.float32
    i = np.arange(n, dtype=f)
    x, y = np.broadcast_arrays((i / f(n) - f(0.5))[:, None], (i / f(n) - f(0.5))[None, :])
    d = x * x + y * y + f(1e-5)
    r = np.sqrt(d)
    arg = f(10.0) * r - f(6.0) * f(t)
    m = f(1.0) + f(0.03) * np.sin(arg.astype(np.float64)).astype(f)
    fx = (f(-0.1) * x / d - f(0.25) * y / r) * m
    fy = (f(0.25) * x / r - f(0.1) * y / d) * m
    return np.stack([fx.ravel(), fy.ravel()], axis=1).astype(np.float64)


@pytest.mark.parametrize("n, t", [(1, 0.0), (2, 0.0), (7, 0.3), (64, 1.7), (129, -12.5)])
def test_swirl_field_is_single_precision_bit_for_bit(kb, n, t):
    got = np.array(kb.compute_swirl_field(n, t)).reshape(n * n, 2)
    np.testing.assert_array_equal(got, swirl_float32(n, t))


def test_swirl_field_layout(kb):
    assert kb.compute_swirl_field(0, 1.0) == [] and kb.compute_swirl_field(-3, 1.0) == []
    field = kb.compute_swirl_field(res=2, time=0.0)
    assert len(field) == 4 and all(len(p) == 2 for p in field)
    # entry 0 at x = y = -0.5, computed in double precision for comparison (7 digits agree)
    d = 0.5 + 1e-5
    m = 1 + 0.03 * math.sin(10 * math.sqrt(d))
    fx = (0.1 * 0.5 / d + 0.25 * 0.5 / math.sqrt(d)) * m
    fy = (-0.25 * 0.5 / math.sqrt(d) + 0.1 * 0.5 / d) * m
    assert field[0] == pytest.approx([fx, fy], rel=1e-6)
    assert field[0][0] != fx  # single precision, not double
    assert field[3] == [-0.0, 0.0]  # x = y = 0: only the inward pull, which is zero there


DOCS = [
    ("potential_temperature", "Compute potential temperature \u03b8 = T (p0/p)^k"),
    ("entropy_from_theta", "Entropy differential ds = cp * d\u03b8 / \u03b8"),
    ("entropy_from_pv", "Entropy from pressure and volume ds = NR/(\u03b3-1) * (ln(p)+ln(V))"),
    ("enthalpy", "Enthalpy H = E + pV"),
    ("compute_swirl_field", "\n\t\t\t\tCompute 2D swirl force field at a given resolution and time.\n\t\t\t"),
]


@pytest.mark.parametrize("name, doc", DOCS, ids=[d[0] for d in DOCS])
def test_docstrings(kb, name, doc):
    assert docstring(getattr(kb, name)) == doc


UNNAMED = {"radiation_force": 5, "van_der_pol_dx": 2, "van_der_pol_dy": 3, "lamb_oseen_velocity": 4,
           "lamb_oseen_vorticity": 4, "hill_streamfunction": 4, "hill_vorticity": 4, "hill_circulation": 2,
           "hill_velocity": 2}


@pytest.mark.parametrize("name, arity", UNNAMED.items())
def test_positional_functions_without_docstrings(kb, name, arity):
    fn = getattr(kb, name)
    assert docstring(fn) is None
    sig = fn.__doc__.partition("\n")[0]
    assert [f"arg{k}:" in sig for k in range(arity + 1)] == [True] * arity + [False]
    with pytest.raises(TypeError):
        fn(**{"arg0": 1.0})


def test_argument_names_and_order(kb):
    assert kb.enthalpy(internal_energy=1.0, p=2.0, V=3.0) == 7.0
    assert kb.potential_temperature(T=1.0, p0=2.0, p=1.0, R=1.0, cp=2.0) == pytest.approx(math.sqrt(2.0))
    names = kb.list_bindings()["functions"]
    block = ["radiation_force", "van_der_pol_dx", "van_der_pol_dy", "compute_swirl_field",
             "potential_temperature", "entropy_from_theta", "entropy_from_pv", "enthalpy"]
    i = names.index(block[0])
    assert names[i:i + len(block)] == block
    six = ["lamb_oseen_velocity", "lamb_oseen_vorticity", "hill_streamfunction", "hill_vorticity",
           "hill_circulation", "hill_velocity"]
    i = names.index(six[0])
    assert names[i:i + 6] == six
