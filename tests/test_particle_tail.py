"""Tail energy surrogate: TailApproxConfig, the clamps, the exclusion window, and the fast
integration against a literal evaluation."""
import math

import pytest

from helpers import ring_points as ring, trefoil_points as trefoil

ref = pytest.importorskip("_kvor_reference", reason="reference kernels are built by scripts/dev.sh")

RC = 1.40897017e-15
FIELDS = ["enabled", "radial_samples", "azimuth_samples", "r_min_factor", "r_max_factor",
          "exclusion_ds_factor", "use_log_shell_weight"]
DEFAULTS = [False, 8, 8, 1.25, 8.0, 3.0, False]


def config(kb, **fields):
    cfg = kb.TailApproxConfig()
    cfg.enabled = True
    for k, v in fields.items():
        setattr(cfg, k, v)
    return cfg


def surrogate(kb, filaments, cfg):
    ev = kb.ParticleEvaluator(filaments)
    ev.set_tail_approx_config(cfg)
    return ev.compute_tail_energy_surrogate_J()


def literal_surrogate(filaments, nr, na, rmin, rmax, excl):
    """The integration written out in plain Python floats, one term at a time."""
    def sub(a, b): return [a[0] - b[0], a[1] - b[1], a[2] - b[2]]
    def dot(a, b): return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]
    def cross(a, b): return [a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]]
    def normalise(v):
        n = math.sqrt(dot(v, v))
        return [1.0, 0.0, 0.0] if n < 1e-30 else [c * (1.0 / n) for c in v]

    nr, na = max(nr, 1), max(na, 1)
    r_in = max(rmin, 1.01) * RC
    r_out = max(rmax * RC, 1.1 * r_in)
    edges = [(t / nr) * (r_out - r_in) + r_in for t in range(nr + 1)]
    E = 0.0
    for f, p in enumerate(filaments):
        n = len(p)
        if n < 3:
            continue
        ds = [math.sqrt(dot(sub(p[(i + 1) % n], p[i]), sub(p[(i + 1) % n], p[i]))) for i in range(n)]
        exclusion = (sum(ds) / n) * excl
        for i in range(n):
            T = normalise(sub(p[(i + 1) % n], p[(i + n - 1) % n]))
            a = [0.0, 0.0, 1.0] if abs(T[2]) < 0.9 else [0.0, 1.0, 0.0]
            e1p = normalise(cross(a, T))
            e2 = normalise(cross(T, e1p))
            e1 = cross(e2, T)
            for j in range(nr):
                r0, r1 = edges[j], edges[j + 1]
                rm = (r0 + r1) * 0.5
                area = (r1 * r1 - r0 * r0) * math.pi
                S = 0.0
                for ai in range(na):
                    ang = (ai + 0.5) * 6.283185307179586 / na
                    q = [rm * math.cos(ang) * e1[c] + rm * math.sin(ang) * e2[c] + p[i][c] for c in range(3)]
                    u = [0.0, 0.0, 0.0]
                    for g, P in enumerate(filaments):
                        m = len(P)
                        if m < 2:
                            continue
                        h = sum(math.sqrt(dot(sub(P[(k + 1) % m], P[k]), sub(P[(k + 1) % m], P[k]))) for k in range(m)) / m
                        w = max(int(math.ceil(exclusion / max(1e-30, h))), 1)
                        for k in range(m):
                            if g == f:
                                e = abs(k - i)
                                if min(e, m - e) <= w:
                                    continue
                            mid = [(P[k][c] + P[(k + 1) % m][c]) * 0.5 for c in range(3)]
                            r = sub(q, mid)
                            dl = sub(P[(k + 1) % m], P[k])
                            s2 = dot(r, r) + 1e-24
                            fac = (1 / (math.sqrt(s2) * s2)) * 7.705979316274285e-10
                            u = [u[c] + cross(dl, r)[c] * fac for c in range(3)]
                    S += dot(u, u)
                E += ((S / na) * 3.435e-7) * (area * ds[i])
    return E


def test_config_defaults_fields_and_copies(kb):
    cfg = kb.TailApproxConfig()
    assert [getattr(cfg, f) for f in FIELDS] == DEFAULTS
    assert [n for n in kb.TailApproxConfig.__dict__ if n in FIELDS] == FIELDS
    ev = kb.ParticleEvaluator([])
    assert [getattr(ev.get_tail_approx_config(), f) for f in FIELDS] == DEFAULTS
    new = [True, 3, -2, 0.5, 1.0, 7.5, True]
    for f, v in zip(FIELDS, new):
        setattr(cfg, f, v)
    ev.set_tail_approx_config(cfg)
    got = ev.get_tail_approx_config()
    assert [getattr(got, f) for f in FIELDS] == new
    got.radial_samples = 99  # a copy: the evaluator keeps its own
    cfg.radial_samples = 98
    assert ev.get_tail_approx_config().radial_samples == 3


def test_disabled_or_empty_gives_zero(kb):
    assert surrogate(kb, [trefoil(40)], kb.TailApproxConfig()) == 0.0
    assert surrogate(kb, [], config(kb)) == 0.0
    assert surrogate(kb, [[], [[0.0, 0.0, 0.0]]], config(kb)) == 0.0


SMALL = [ring(12, 3e-15), [[0.0, -1e-15, 2e-15], [0.0, 1e-15, 2.5e-15]]]


@pytest.mark.parametrize("nr, na, rmin, rmax, excl", [
    (2, 3, 1.25, 8.0, 3.0),
    (0, -1, 1.25, 8.0, 3.0),   # one shell, one sample at angle pi
    (1, 2, 0.5, 1.0, 1.0),     # inner radius clamped to 1.01, outer raised to 1.1 times it
    (2, 2, 1.25, 8.0, 0.2),    # window of one segment
])
def test_matches_term_by_term_evaluation(kb, nr, na, rmin, rmax, excl):
    fields = dict(radial_samples=nr, azimuth_samples=na, r_min_factor=rmin, r_max_factor=rmax,
                  exclusion_ds_factor=excl)
    expected = literal_surrogate(SMALL, nr, na, rmin, rmax, excl)
    assert expected > 0.0
    assert surrogate(kb, SMALL, config(kb, **fields)) == pytest.approx(expected, rel=1e-12)
    assert ref.tail_energy_scalar(SMALL, nr, na, rmin, rmax, excl) == pytest.approx(expected, rel=1e-13)


@pytest.mark.parametrize("filaments", [
    pytest.param([trefoil(150, 1e-15)], id="trefoil-metres"),
    pytest.param([trefoil(97, 1.0)], id="trefoil-unit"),
    pytest.param([ring(64, 2e-15), ring(33, 2e-15, z=1e-15), [[0.0, 0.0, 5e-15], [1e-15, 0.0, 5e-15]]],
                 id="two-rings-and-a-segment"),
])
def test_fast_integration_within_1e12_of_scalar_loop(kb, filaments):
    for fields in (dict(), dict(radial_samples=3, azimuth_samples=5, exclusion_ds_factor=1.5)):
        got = surrogate(kb, filaments, config(kb, **fields))
        expected = ref.tail_energy_scalar(filaments, **fields)
        assert got == pytest.approx(expected, rel=1e-12)


def test_clamps_equal_their_clamped_values(kb):
    f = [trefoil(60, 1e-15)]
    assert surrogate(kb, f, config(kb, radial_samples=0)) == surrogate(kb, f, config(kb, radial_samples=1))
    assert surrogate(kb, f, config(kb, azimuth_samples=-4)) == surrogate(kb, f, config(kb, azimuth_samples=1))
    assert surrogate(kb, f, config(kb, r_min_factor=0.5)) == surrogate(kb, f, config(kb, r_min_factor=1.01))
    assert (surrogate(kb, f, config(kb, r_max_factor=1.0))
            == surrogate(kb, f, config(kb, r_max_factor=1.1 * 1.25 * RC / RC)))
    base = surrogate(kb, f, config(kb))
    assert surrogate(kb, f, config(kb, use_log_shell_weight=True)) == base


@pytest.mark.parametrize("n", [3, 5, 7])
def test_lone_short_filament_excludes_itself(kb, n):
    assert surrogate(kb, [ring(n, 2e-15)], config(kb)) == 0.0


def test_two_point_filament_is_not_integrated(kb):
    # Its two segments (a to b and back) have the same midpoint and opposite vectors, so the
    # velocity they induce cancels exactly; around a lone short ring nothing else counts.
    seg = [[0.0, 0.0, 1e-15], [0.0, 1e-15, 1e-15]]
    assert surrogate(kb, [seg], config(kb)) == 0.0
    assert surrogate(kb, [ring(7, 2e-15), seg], config(kb)) == 0.0
    assert surrogate(kb, [ring(7, 2e-15), seg], config(kb, exclusion_ds_factor=0.5)) == pytest.approx(
        surrogate(kb, [ring(7, 2e-15)], config(kb, exclusion_ds_factor=0.5)), rel=1e-12)


def test_window_beyond_32_bits_leaves_out_the_whole_source(kb):
    f = [ring(40, 2e-15), ring(30, 2e-15, z=2e-15)]
    huge = surrogate(kb, f, config(kb, exclusion_ds_factor=3e9))
    assert huge > 0.0
    assert huge == surrogate(kb, f, config(kb, exclusion_ds_factor=1e6))
    assert huge == pytest.approx(ref.tail_energy_scalar(f, exclusion_ds_factor=3e9), rel=1e-12)
    assert surrogate(kb, f[:1], config(kb, exclusion_ds_factor=3e9)) == 0.0


def test_non_finite_coordinates_propagate(kb):
    f = [trefoil(30), [[math.inf, 0.0, 0.0], [0.0, 1.0, 0.0], [0.0, 0.0, 1.0]]]
    got = surrogate(kb, f, config(kb, radial_samples=1, azimuth_samples=2))
    expected = ref.tail_energy_scalar(f, 1, 2)
    assert math.isnan(got) and math.isnan(expected)
