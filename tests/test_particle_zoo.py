"""Master dictionary and ZooEvaluator: the 32 rows, their order and the golden mass formula."""
import pytest

from helpers import docstring

PHI = (5.0 ** 0.5 + 1.0) * 0.5

# (name, bridge number, genus) of every dictionary row.
ROWS = [
    ("Knot 10_1 (Twist)", 3.0, 1), ("Knot 11_1 (Torus)", 2.0, 5), ("Knot 12a1202", 3.0, 3),
    ("Knot 15a331", 3.0, 4), ("Knot 3_1 (Trefoil)", 2.0, 1), ("Knot 4_1 (Figure-Eight)", 3.0, 1),
    ("Knot 5_1 (Torus)", 2.0, 2), ("Knot 5_2 (Twist)", 3.0, 1), ("Knot 6_1 (Twist)", 3.0, 1),
    ("Knot 6_2", 3.0, 1), ("Knot 6_3", 3.0, 1), ("Knot 7_1 (Torus)", 2.0, 3), ("Knot 7_2 (Twist)", 3.0, 1),
    ("Knot 8_1 (Twist)", 3.0, 1), ("Knot 8_12", 3.0, 2), ("Knot 8_17", 3.0, 1), ("Knot 8_19 (T_3,4)", 3.0, 3),
    ("Knot 8_2", 3.0, 2), ("Knot 8_21", 3.0, 2), ("Knot 8_9", 3.0, 1), ("Knot 9_1 (Torus)", 2.0, 4),
    ("Knot 9_2 (Twist)", 2.0, 1), ("Link 2^2_1 (Hopf Link)", 2.0, 0), ("Link 4^2_1 (Solomon's)", 2.0, 1),
    ("Link 5^2_1 (Whitehead)", 3.0, 1), ("Link 6^2_1", 3.0, 1), ("Link 6^3_1", 3.0, 0),
    ("Link 6^3_2 (Borromean)", 3.0, 1), ("Link 6^3_3", 3.0, 1), ("Link 8^2_1", 3.0, 2), ("Unknot", 1.0, 0),
    ("Unlink", 1.0, 0),
]


def golden_mass(b, g):
    """The mass formula in its order of operations (Python floats are IEEE doubles)."""
    K = (9.68455e-9 ** 2 * 6.8398588e-7 * 1.40897017e-15) / 299792458.0 ** 2
    M = PHI ** float(-2 * g) * (K * b)
    return (M * 8.987551787368176e16) / 1.602176634e-13


def test_rows_in_byte_order_with_exact_masses(kb):
    res = kb.ZooEvaluator.evaluate_all_golden_nls()
    assert [(r.identifier, r.bridge_b, r.genus_g) for r in res] == ROWS
    names = [r.identifier for r in res]
    assert names == sorted(names, key=lambda s: s.encode())
    assert names[0] == "Knot 10_1 (Twist)" and names[-1] == "Unlink"
    assert names.index("Knot 8_12") < names.index("Knot 8_2")
    for r in res:
        assert r.mass_mev == golden_mass(r.bridge_b, r.genus_g), r.identifier


@pytest.mark.parametrize("a, b", [("Unknot", "Unlink"), ("Knot 4_1 (Figure-Eight)", "Link 6^3_2 (Borromean)")])
def test_equal_bridge_and_genus_give_equal_masses(kb, a, b):
    assert kb.ZooEvaluator.get_entry_mass(a) == kb.ZooEvaluator.get_entry_mass(b)


def test_entry_mass_matches_rows_and_scales(kb):
    by_name = {r.identifier: r.mass_mev for r in kb.ZooEvaluator.evaluate_all_golden_nls()}
    for name, mass in by_name.items():
        assert kb.ZooEvaluator.get_entry_mass(name) == mass
    unknot = kb.ZooEvaluator.get_entry_mass("Unknot")
    # b = 1, g = 0: the golden factor is exactly 1
    K = (9.68455e-9 ** 2 * 6.8398588e-7 * 1.40897017e-15) / 299792458.0 ** 2
    assert unknot == (K * 8.987551787368176e16) / 1.602176634e-13
    # genus steps divide by phi^2, the bridge number scales linearly
    assert by_name["Knot 5_1 (Torus)"] / by_name["Knot 3_1 (Trefoil)"] == pytest.approx(PHI ** -2, rel=1e-14)
    assert by_name["Knot 4_1 (Figure-Eight)"] / by_name["Knot 3_1 (Trefoil)"] == pytest.approx(1.5, rel=1e-14)


@pytest.mark.parametrize("name", ["3_1", "knot 3_1 (trefoil)", "Knot 3_1 (Trefoil) ", "", "Knot 3_1"])
def test_unknown_names_give_minus_one(kb, name):
    assert kb.ZooEvaluator.get_entry_mass(name) == -1.0


def test_classes_have_no_constructor_and_results_are_read_only(kb):
    with pytest.raises(TypeError):
        kb.ZooEvaluator()
    with pytest.raises(TypeError):
        kb.ZooResult()
    row = kb.ZooEvaluator.evaluate_all_golden_nls()[0]
    for field in ("identifier", "mass_mev", "bridge_b", "genus_g"):
        with pytest.raises(AttributeError):
            setattr(row, field, getattr(row, field))
    assert [n for n in kb.ZooResult.__dict__ if not n.startswith("_")] == [
        "identifier", "mass_mev", "bridge_b", "genus_g"]


def test_docstrings(kb):
    assert docstring(kb.ZooEvaluator.evaluate_all_golden_nls) == (
        "Run ab initio Golden NLS mass evaluation for the entire KVOR Master Dictionary.")
    assert docstring(kb.ZooEvaluator.get_entry_mass) == "Get the mass of a specific knot by its dictionary ID."
    assert kb.ZooEvaluator.get_entry_mass.__doc__.startswith("get_entry_mass(identifier: str) -> float")
