"""RelativisticMetrics and ParticleEvaluator.compute_relativistic_metrics: helicity and
square-root time dilation of the first filament from its own Biot-Savart velocities."""
import math

import numpy as np
import pytest

from helpers import ring_points as ring, trefoil_points as trefoil

CROSS_SECTION = 6.236680122475321e-30
SWIRL = 1093845.63


def literal_metrics(P, G):
    """Open-polyline tangents (ends copied), the point Biot-Savart sum skipping |R| <= 1e-6,
    w = G / (pi r_c^2) T, the mean of v.w, and sqrt(1 - |v|^2 / v_swirl^2) clamped."""
    P = np.asarray(P, dtype=float)
    n = len(P)
    T = np.zeros_like(P)
    if n >= 3:
        d = P[2:] - P[:-2]
        T[1:-1] = d / np.linalg.norm(d, axis=1)[:, None]
        T[0], T[-1] = T[1], T[-2]
    v = np.zeros_like(P)
    for j in range(n):
        R = P[j] - P
        r = np.linalg.norm(R, axis=1)
        keep = r > 1e-6
        v[j] = G / (4 * math.pi) * (np.cross(T[keep], R[keep]) / r[keep, None] ** 3).sum(axis=0)
    w = (G / CROSS_SECTION) * T
    hel = float(np.mean(np.einsum("ij,ij->i", v, w)))
    b = np.einsum("ij,ij->i", v, v) / SWIRL ** 2
    b = np.where(b >= 1.0, 0.999999, b)
    dil = np.sqrt(1.0 - b)
    return hel, dil, float(dil.sum() / n)


def test_record_constructor_fields_and_copies(kb):
    m = kb.RelativisticMetrics()
    assert (m.helicity, m.time_dilation_map, m.core_time_dilation) == (0.0, [], 0.0)
    fields = [n for n in kb.RelativisticMetrics.__dict__ if not n.startswith("_")]
    assert fields == ["helicity", "time_dilation_map", "core_time_dilation"]
    m.helicity, m.core_time_dilation = 2.5, 0.75
    m.time_dilation_map = [1.0, 0.5]
    got = m.time_dilation_map
    got.append(3.0)
    assert m.time_dilation_map == [1.0, 0.5]
    assert (m.helicity, m.core_time_dilation) == (2.5, 0.75)


@pytest.mark.parametrize("fils, n", [
    ([], 0),
    ([[], ring(8, 1.0)], 0),
    ([[[0.0, 0.0, 0.0]]], 1),
    ([[[0.0, 0.0, 0.0], [1.0, 0.0, 0.0]], ring(8, 1.0)], 2),
])
def test_degenerate_first_filament(kb, fils, n):
    m = kb.ParticleEvaluator(fils).compute_relativistic_metrics()
    assert m.helicity == 0.0
    assert m.time_dilation_map == [1.0] * n
    assert m.core_time_dilation == 1.0


def test_after_relax_every_term_is_skipped(kb):
    ev = kb.ParticleEvaluator([trefoil(200), ring(30, 0.5)])
    ev.relax(5)
    m = ev.compute_relativistic_metrics()
    assert m.helicity == 0.0
    assert m.time_dilation_map == [1.0] * 200
    assert m.core_time_dilation == 1.0


@pytest.mark.parametrize("G", [9.683619203e-9, 1e-4])
def test_values_against_literal_sums(kb, G):
    P = trefoil(120, 2e-5)
    first_only = kb.ParticleEvaluator([P]).compute_relativistic_metrics(G)
    m = kb.ParticleEvaluator([P, ring(40, 1e-5)]).compute_relativistic_metrics(circulation=G)
    assert (m.helicity, m.time_dilation_map, m.core_time_dilation) == (
        first_only.helicity, first_only.time_dilation_map, first_only.core_time_dilation)
    hel, dil, core = literal_metrics(P, G)
    assert m.helicity == pytest.approx(hel, rel=1e-6)  # mean kept in single precision
    assert np.allclose(m.time_dilation_map, dil, rtol=1e-12, atol=0.0)
    assert m.core_time_dilation == pytest.approx(core, rel=1e-12)
    total = 0.0
    for f in m.time_dilation_map:  # in order (Python's sum() compensates)
        total += f
    assert m.core_time_dilation == total / len(P)
    assert min(m.time_dilation_map) < 1.0


def test_helicity_mean_is_single_precision(kb):
    # v.w beyond the float range: each product is a double, the running sum a float
    m = kb.ParticleEvaluator([trefoil(120, 2e-5)]).compute_relativistic_metrics(3e5)
    assert math.isinf(m.helicity)
    assert m.core_time_dilation == pytest.approx(math.sqrt(1.0 - 0.999999), rel=1e-9)


def test_speeds_beyond_swirl_scale_are_clamped(kb):
    m = kb.ParticleEvaluator([ring(64, 1e-3)]).compute_relativistic_metrics(1e6)
    assert m.time_dilation_map == [math.sqrt(1.0 - 0.999999)] * 64
