"""GoldenNLSClosure: regimes, loop energy, screening, both root finders with their native
standard-error warnings, and the ratio helpers."""
import math

import pytest

PHI = 1.618033988749895
RC = 1.40897017e-15
GAMMA2 = 9.379050870249998e-17
ME = 9.10938356e-31
WARN_RESIDUAL = "Warning: geometric ratio residual evaluated outside CORE_DOMINATED regime.\n"
WARN_INFER = "Warning: Inferring fundamental mass geometric ratio outside of CORE_DOMINATED regime.\n"


def scale(rho):
    return ((rho * GAMMA2) / 1.7975103574736352e17) * RC


def test_enum_and_module_attributes(kb):
    assert int(kb.DensityRegime.EFFECTIVE_FLUID) == 0 and int(kb.DensityRegime.CORE_DOMINATED) == 1
    assert kb.EFFECTIVE_FLUID == kb.DensityRegime.EFFECTIVE_FLUID
    assert kb.CORE_DOMINATED == kb.DensityRegime.CORE_DOMINATED
    names = list(kb.__dict__)
    assert names.index("DensityRegime") < names.index("GoldenNLSClosure")


def test_method_registration_order(kb):
    order = ["set_regime", "get_active_density", "calculate_loop_energy", "calculate_loop_mass",
             "calculate_screened_mass", "infer_geometric_ratio", "infer_geometric_ratio_safe",
             "geometric_ratio_residual", "infer_effective_base", "predicted_ratio_from_base", "relative_error"]
    members = [n for n in kb.GoldenNLSClosure.__dict__ if n in order]
    assert members == order


def test_regimes_and_densities(kb):
    g = kb.GoldenNLSClosure()
    assert g.get_active_density() == 3.8934358266918687e18
    g.set_regime(kb.EFFECTIVE_FLUID)
    assert g.get_active_density() == 7e-7
    assert kb.GoldenNLSClosure(kb.DensityRegime.EFFECTIVE_FLUID).get_active_density() == 7e-7
    with pytest.raises(TypeError):
        g.set_regime(1)


@pytest.mark.parametrize("regime, rho", [("CORE_DOMINATED", 3.8934358266918687e18), ("EFFECTIVE_FLUID", 7e-7)])
def test_loop_energy_and_mass(kb, regime, rho):
    g = kb.GoldenNLSClosure(getattr(kb.DensityRegime, regime))
    R = 3.3e-15
    E = (math.log((R * 8.0) / RC) - PHI) * (((rho * 0.5) * GAMMA2) * R)
    assert g.calculate_loop_energy(R) == E
    assert g.calculate_loop_mass(R) == E / 8.987551787368176e16


def test_screened_mass(kb):
    g = kb.GoldenNLSClosure()
    assert g.calculate_screened_mass(2.0, 2) == PHI ** -2.0 * 2.0
    assert g.calculate_screened_mass(2.0, 2) == pytest.approx(2.0 / PHI ** 2, rel=1e-15)
    assert g.calculate_screened_mass(2.0, -3) > 2.0
    assert kb.GoldenNLSClosure(kb.EFFECTIVE_FLUID).calculate_screened_mass(2.0, 2) == g.calculate_screened_mass(2.0, 2)


def test_residual_formula_and_domain(kb, native_output):
    g = kb.GoldenNLSClosure()
    x = 0.7
    assert g.geometric_ratio_residual(x) == (math.log(x * 8.0) - PHI) * x - ME / scale(3.8934358266918687e18)
    g.set_regime(kb.EFFECTIVE_FLUID)
    with native_output(2) as err:
        with pytest.raises(ValueError, match=r"^geometric_ratio_residual: x must be > 0\.$"):
            g.geometric_ratio_residual(0.0)
        value = g.geometric_ratio_residual(x, ME)
    assert err.text == WARN_RESIDUAL  # only the evaluation that got past the domain check warns
    assert value == (math.log(x * 8.0) - PHI) * x - ME / scale(7e-7)


def test_core_dominated_solvers_agree_silently(kb, native_output):
    g = kb.GoldenNLSClosure()
    with native_output(2) as err:
        x = g.infer_geometric_ratio()
        xs = g.infer_geometric_ratio_safe()
    assert err.text == ""
    assert 0.0 < x < 1.0
    assert abs(g.geometric_ratio_residual(x)) < 1e-12
    assert xs == pytest.approx(x, abs=1e-12)
    # the plain solver is done within five Newton steps
    g.infer_geometric_ratio(max_iter=5)


def test_effective_fluid_warnings(kb, native_output):
    g = kb.GoldenNLSClosure(kb.EFFECTIVE_FLUID)
    with native_output(2) as err:
        x = g.infer_geometric_ratio()
    assert err.text == WARN_INFER
    assert x > 1e22
    with native_output(2) as err:
        with pytest.raises(RuntimeError, match=r"^infer_geometric_ratio_safe: could not bracket root for bisection fallback\.$"):
            g.infer_geometric_ratio_safe()
    # one Newton evaluation, two bracket ends, twelve widenings of two evaluations each
    assert err.text == WARN_RESIDUAL * 27


def test_plain_solver_failures(kb):
    g = kb.GoldenNLSClosure()
    msg = r"^Newton-Raphson failed to converge for geometric ratio\.$"
    with pytest.raises(RuntimeError, match=msg):
        g.infer_geometric_ratio(max_iter=0)
    # below the minimum of (ln 8x - phi) x there is no root
    x_star = math.exp(PHI - 1.0) / 8.0
    floor_mass = scale(3.8934358266918687e18) * (math.log(8 * x_star) - PHI) * x_star
    with pytest.raises(RuntimeError, match=msg):
        g.infer_geometric_ratio(target_mass=2.0 * floor_mass)  # floor_mass is negative


def test_safe_solver_bracket_rules(kb):
    g = kb.GoldenNLSClosure()
    order = r"^infer_geometric_ratio_safe: require 0 < x_min < x_max\.$"
    for lo, hi in [(1.0, 1.0), (0.0, 1.0), (2.0, 1.0), (-1.0, -0.5)]:
        with pytest.raises(ValueError, match=order):
            g.infer_geometric_ratio_safe(x_min=lo, x_max=hi)
    # x0 outside the bracket starts at the nearer end
    assert g.infer_geometric_ratio_safe(x0=100.0) == g.infer_geometric_ratio_safe(x0=10.0)
    assert g.infer_geometric_ratio_safe(x0=-5.0) == g.infer_geometric_ratio_safe(x0=1e-6)
    x_star = math.exp(PHI - 1.0) / 8.0
    floor_mass = scale(3.8934358266918687e18) * (math.log(8 * x_star) - PHI) * x_star
    with pytest.raises(RuntimeError, match=r"^infer_geometric_ratio_safe: (could not bracket|failed to converge)"):
        g.infer_geometric_ratio_safe(target_mass=2.0 * floor_mass)


def test_safe_solver_bisection_branch(kb):
    # With f_tol 0 no residual is small enough: the Newton rounds run out and bisection ends
    # on the bracket width (42 halvings from [0.5, 10]; at most 4 * max_iter of them).
    g = kb.GoldenNLSClosure()
    x = g.infer_geometric_ratio()
    xb = g.infer_geometric_ratio_safe(x_min=0.5, x_max=10.0, f_tol=0.0, max_iter=11)
    assert 0.5 < xb < 10.0
    assert xb == pytest.approx(x, abs=1e-11)
    with pytest.raises(RuntimeError, match=r"^infer_geometric_ratio_safe: failed to converge\.$"):
        g.infer_geometric_ratio_safe(x_min=0.5, x_max=10.0, f_tol=0.0, max_iter=10)


def test_ratio_helpers(kb):
    C = kb.GoldenNLSClosure
    assert C.infer_effective_base(8.0, 3) == pytest.approx(2.0, rel=1e-15)
    assert C.predicted_ratio_from_base(2.0, 3) == 8.0
    assert C.predicted_ratio_from_base(2.0, -2) == 0.25
    assert C.relative_error(1.1, 1.0) == pytest.approx(0.1, rel=1e-12)
    assert C.relative_error(-1.1, -1.0) == pytest.approx(0.1, rel=1e-12)
    for call, msg in [
        (lambda: C.infer_effective_base(0.0, 3), "infer_effective_base: ratio must be > 0."),
        (lambda: C.infer_effective_base(-1.0, 0), "infer_effective_base: ratio must be > 0."),
        (lambda: C.infer_effective_base(8.0, 0), "infer_effective_base: exponent_n must be positive."),
        (lambda: C.predicted_ratio_from_base(0.0, 3), "predicted_ratio_from_base: base must be > 0."),
        (lambda: C.relative_error(1.0, 0.0), "relative_error: observed must be nonzero."),
    ]:
        with pytest.raises(ValueError) as exc:
            call()
        assert str(exc.value) == msg
    assert kb.GoldenNLSClosure().relative_error(1.1, 1.0) == C.relative_error(1.1, 1.0)
