"""MagnusBernoulliIntegrator: constructor order, Magnus-curvature force, Swirl-Coulomb acceleration."""
import math

import pytest

from helpers import docstring


def cross(a, b):
    return [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]]


@pytest.fixture
def mb(kb):
    return kb.MagnusBernoulliIntegrator(1.0, 2.0, 3.0, 4.0)  # rho_f, v_swirl, r_c, Gamma


T, N = [0.3, -1.0, 2.0], [0.0, 1.0, 0.5]
VK, VB = [1.0, 2.0, 3.0], [0.5, -1.0, 0.0]


@pytest.mark.parametrize(
    "args, expected",
    [
        ((T, N, 2.0, VK, VB), [4.0 * (c + n / 2.0) for c, n in zip(cross(T, [0.5, 3.0, 3.0]), N)]),
        ((T, N, 1.0, VB, VB), [4.0 * n for n in N]),  # no relative velocity: ρ_f Γ n
        ((T, N, 0.0, VK, VB), [4.0 * c for c in cross(T, [0.5, 3.0, 3.0])]),  # R = 0 drops the curvature term
        ((T, N, 1e-31, VK, VB), [4.0 * c for c in cross(T, [0.5, 3.0, 3.0])]),
        ((T, N, -1.0, VB, VB), [0.0, 0.0, 0.0]),
    ],
)
def test_magnus_force(mb, args, expected):
    assert mb.compute_magnus_force(*args) == pytest.approx(expected, rel=1e-15, abs=1e-300)


@pytest.mark.parametrize(
    "e, s, expected",
    [
        ([1, 0, 0], [0, 0, 0], [-4.0 * math.exp(-2.0 / 3.0), 0.0, 0.0]),
        ([2, 3, 4], [2, 3, 4], [0.0, 0.0, 0.0]),
        ([1050.1, 0, 0], [0, 0, 0], [0.0, 0.0, 0.0]),  # r > 350 r_c: cut off before exp underflows
        ([0, 3, 4], [0, 0, 0], [0.0, -4.0 / 5 * math.exp(-10.0 / 3) * 3 / 5, -4.0 / 5 * math.exp(-10.0 / 3) * 4 / 5]),
    ],
)
def test_swirl_coulomb_accel(mb, e, s, expected):
    assert mb.compute_swirl_coulomb_accel(e, s) == pytest.approx(expected, rel=1e-14, abs=1e-300)


def test_accel_points_towards_the_source_and_keyword_construction(kb):
    mb = kb.MagnusBernoulliIntegrator(rho_f=7.0, v_swirl=3.0, r_c=0.5, Gamma=-2.0)
    a = mb.compute_swirl_coulomb_accel(eval_pos=[1.0, 1.0, 1.0], source_pos=[1.0, 1.0, 0.75])
    assert a == pytest.approx([0.0, 0.0, -(9.0 / 0.25) * math.exp(-1.0)], rel=1e-14)
    f = mb.compute_magnus_force(tangent=[1, 0, 0], normal=[0, 0, 0], curvature_radius=1.0, v_knot=[0, 1, 0],
                                v_bg=[0, 0, 0])
    assert f == pytest.approx([0.0, 0.0, -14.0])
    assert kb.MagnusBernoulliIntegrator(1.0, 1.0, 0.0, 1.0).compute_swirl_coulomb_accel([1, 0, 0], [0, 0, 0]) == [0.0] * 3
    with pytest.raises(TypeError):
        kb.MagnusBernoulliIntegrator(1.0, 2.0, 3.0)
    assert not hasattr(mb, "rho_f")


def test_docstrings_and_members(kb):
    cls = kb.MagnusBernoulliIntegrator
    assert docstring(cls.__init__) == "Initializes the Magnus-Bernoulli Integrator with foundational KVOR constants."
    assert docstring(cls.compute_magnus_force) == "Computes the transverse Magnus-Curvature force on a vortex segment."
    assert docstring(cls.compute_swirl_coulomb_accel) == "Computes the exact continuous Swirl-Coulomb radial acceleration."
    assert [k for k in vars(cls) if not k.startswith("__")] == [
        "_pybind11_conduit_v1_", "compute_magnus_force", "compute_swirl_coulomb_accel"]
    assert "MagnusBernoulliIntegrator" in kb.list_bindings()["classes"]
