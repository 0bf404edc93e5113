"""compute_kvor_mass: core mass from the length, fluid mass from the regularised double sum."""
import math
import random

import pytest

from helpers import docstring

DOC = (
    "\nCompute KVOR mass (core + fluid) for a closed polyline.\n\n"
    "Uses Rosenhead\u2013Moore regularized Neumann mutual inductance integral.\n"
    "points: list of [x,y,z] (closed curve by convention).\n"
    "chi_spin: spin factor (e.g. 2 for fermion).\n"
    "Returns: (m_core_kg, m_fluid_kg).\n"
)
RC2 = 1.985196939949829e-30


def literal_mass(p, chi):
    """The two sums in index order, in plain Python floats."""
    n = len(p)
    dl = [[p[(i + 1) % n][c] - p[i][c] for c in range(3)] for i in range(n)]
    L = 0.0
    for d in dl:
        L += math.sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2])
    total = 0.0
    for i in range(n):
        row = 0.0
        for j in range(n):
            r = [p[i][c] - p[j][c] for c in range(3)]
            dd = dl[i][0] * dl[j][0] + dl[i][1] * dl[j][1] + dl[i][2] * dl[j][2]
            row += dd / math.sqrt((r[0] * r[0] + r[1] * r[1] + r[2] * r[2]) + RC2)
        total += row
    return L * 2.4282113828462446e-11, ((chi * chi) * 2.5520118267065337e-24 * total) / 8.987551787368176e16


def test_docstring_and_required_arguments(kb):
    assert docstring(kb.compute_kvor_mass) == DOC
    with pytest.raises(TypeError):
        kb.compute_kvor_mass([[0.0, 0.0, 0.0]])


def test_matches_literal_sums_bit_for_bit(kb):
    rng = random.Random(5)
    pts = [[rng.uniform(-1e-15, 1e-15) for _ in range(3)] for _ in range(23)]
    assert kb.compute_kvor_mass(pts, 2.0) == literal_mass(pts, 2.0)


@pytest.mark.parametrize("pts", [[], [[1.0, 2.0, 3.0]]])
def test_degenerate_inputs_give_zero(kb, pts):
    assert kb.compute_kvor_mass(pts, 2.0) == (0.0, 0.0)


def test_spin_and_orientation(kb):
    pts = [[1e-15 * math.cos(t), 1e-15 * math.sin(t), 0.0] for t in (k * 0.5 for k in range(12))]
    core, fluid = kb.compute_kvor_mass(pts, 2.0)
    assert fluid > 0.0
    assert kb.compute_kvor_mass(pts, 0.0) == (core, 0.0)
    assert kb.compute_kvor_mass(pts, -2.0) == (core, fluid)
    assert kb.compute_kvor_mass(pts[::-1], 2.0)[0] == pytest.approx(core, rel=1e-15)


def test_two_point_closed_form(kb):
    a, b = [0.0, 0.0, 0.0], [3e-15, 4e-15, 0.0]
    d = 5e-15
    core, fluid = kb.compute_kvor_mass([a, b], 1.0)
    assert core == pytest.approx(2 * d * 2.4282113828462446e-11, rel=1e-15)
    total = 2 * d * d * (1 / math.sqrt(RC2) - 1 / math.sqrt(d * d + RC2))
    assert fluid == pytest.approx(2.5520118267065337e-24 * total / 8.987551787368176e16, rel=1e-12)


def test_points_must_be_triples(kb):
    with pytest.raises(TypeError):
        kb.compute_kvor_mass([[0.0, 1.0]], 1.0)
    assert kb.compute_kvor_mass([(0, 0, 0), (1, 0, 0)], 1.0)[0] == 2 * 2.4282113828462446e-11
