"""The .fseries file tools: sampling and polygon measures, helicity and filament energy from a
file, batch over directory trees and comparison of two files."""
import math
import os

import pytest

from helpers import CIRCLE_FSERIES, TWO_PI, docstring

# Trefoil-like curve with three harmonics: x = sin s + 2 sin 2s, y = cos s - 2 cos 2s, z = -sin 3s.
TREFOIL_FSERIES = (
    "% trefoil\n"
    "% a_x b_x a_y b_y a_z b_z\n"
    "0.0 1.0 1.0 0.0 0.0 0.0\n"
    "0.0 2.0 -2.0 0.0 0.0 0.0\n"
    "0.0 0.0 0.0 0.0 0.0 -1.0\n"
)

HELICITY_GRID = dict(grid_size=8, spacing=0.5, interior_margin=2, nsamples=60)


def circle_text(R):
    return f"% circle\n{R!r} 0 0 {R!r} 0 0\n"


def trefoil_points(n):
    """Centred samples of TREFOIL_FSERIES computed independently of the library."""
    pts = []
    for i in range(n):
        s = i * TWO_PI / n
        pts.append((math.sin(s) + 2 * math.sin(2 * s), math.cos(s) - 2 * math.cos(2 * s), -math.sin(3 * s)))
    mean = [sum(p[k] for p in pts) / n for k in range(3)]
    return [tuple(p[k] - mean[k] for k in range(3)) for p in pts]


def ref_min_nn(pts, skip):
    n = len(pts)
    if n < 4:
        return 0.0
    best = 1e300
    for i in range(n):
        for j in range(n):
            b = abs(i - j)
            if i != j and min(n - b, b) > skip:
                best = min(best, math.dist(pts[i], pts[j]))
    return best


def ref_curvature(pts):
    n = len(pts)
    L = sum(math.dist(pts[(k + 1) % n], pts[k]) for k in range(n)) if n >= 2 else 0.0
    kmax = ksum = bend = 0.0
    if n >= 3 and L > 0:
        for i in range(n):
            A, P, B = pts[i - 1], pts[i], pts[(i + 1) % n]
            lp, ln = math.dist(P, A), math.dist(B, P)
            ds = (ln + lp) / 2
            k = math.hypot(*[(B[c] - P[c]) / ln - (P[c] - A[c]) / lp for c in range(3)]) / ds
            bend += k * k * ds
            ksum += k
            kmax = max(kmax, k)
    return L, kmax, (ksum / n if n >= 3 and L > 0 else 0.0), bend


# ---------------------------------------------------------------- sampling and polygon measures

def test_sample_curve_centered_uses_largest_block_and_removes_mean(kb, write_text):
    text = "% small\n1 0 0 1 0 0\n\n" + TREFOIL_FSERIES
    path = write_text("two.fseries", text)
    pts = kb.sample_curve_centered(path, 50)
    assert len(pts) == 50 and all(len(p) == 3 for p in pts)
    ref = trefoil_points(50)
    for p, q in zip(pts, ref):
        assert p == pytest.approx(q, abs=1e-12)
    for k in range(3):
        assert abs(sum(p[k] for p in pts)) < 1e-12


def test_sample_curve_centered_subtracts_an_aliased_offset(kb, write_text):
    # x = cos 2s sampled at s = 0 and pi gives the same point twice; centring makes it the origin.
    path = write_text("alias.fseries", "0 0 0 0 0 0\n1 0 0 0 0 0\n")
    assert kb.sample_curve_centered(path, 2) == [[0.0, 0.0, 0.0], [0.0, 0.0, 0.0]]
    assert kb.sample_curve_centered(path, 0) == []


@pytest.mark.parametrize("fn", ["sample_curve_centered", "curve_length_from_fseries",
                                "min_non_neighbor_distance_from_fseries", "reach_proxy_from_fseries",
                                "compute_curve_metrics_from_fseries", "compute_helicity_from_fseries"])
def test_file_errors(kb, write_text, tmp_path, fn):
    f = getattr(kb, fn)
    missing = str(tmp_path / "missing.fseries")
    with pytest.raises(RuntimeError) as e:
        f(missing)
    assert str(e.value) == "no blocks parsed from: " + missing
    empty = write_text("comments.fseries", "% only a comment\n1 2 3\n")
    with pytest.raises(RuntimeError) as e:
        f(empty)
    assert str(e.value) == "no blocks parsed from: " + empty
    ok = write_text("c.fseries", CIRCLE_FSERIES)
    with pytest.raises(ValueError, match="^vector too long$"):
        f(ok, nsamples=-1)


@pytest.mark.parametrize("n", [3, 4, 8, 101])
@pytest.mark.parametrize("R", [0.5, 2.0])
def test_regular_polygon_metrics(kb, write_text, n, R):
    path = write_text("circle.fseries", circle_text(R))
    m = kb.compute_curve_metrics_from_fseries(path, n, 1)
    L = 2 * n * R * math.sin(math.pi / n)
    assert m.L == pytest.approx(L, rel=1e-12)
    assert kb.curve_length_from_fseries(path, n) == m.L
    assert m.kappa_max == pytest.approx(1 / R, rel=1e-12)
    assert m.kappa_mean == pytest.approx(1 / R, rel=1e-12)
    assert m.bend_energy == pytest.approx(L / R**2, rel=1e-12)
    assert m.ds_avg == pytest.approx(L / n, rel=1e-15)
    assert m.nsamples == n


def test_degenerate_sample_counts(kb, write_text):
    path = write_text("circle.fseries", circle_text(1.5))
    m3 = kb.compute_curve_metrics_from_fseries(path, 3, 0)
    assert m3.kappa_max > 0 and m3.min_non_neighbor_dist == 0.0 and m3.reach_proxy == 0.0
    m2 = kb.compute_curve_metrics_from_fseries(path, 2, 0)
    assert m2.L == pytest.approx(2 * 3.0, rel=1e-15)  # twice the diameter
    assert (m2.kappa_max, m2.kappa_mean, m2.bend_energy) == (0.0, 0.0, 0.0)
    m1 = kb.compute_curve_metrics_from_fseries(path, 1, 0)
    assert (m1.L, m1.ds_avg) == (0.0, 0.0)
    m0 = kb.compute_curve_metrics_from_fseries(path, 0, 0)
    assert (m0.L, m0.ds_avg, m0.min_non_neighbor_dist) == (0.0, 0.0, 0.0)


def test_curvature_metrics_match_literal_formula(kb, write_text):
    path = write_text("t.fseries", TREFOIL_FSERIES)
    m = kb.compute_curve_metrics_from_fseries(path, 64, 3)
    L, kmax, kmean, bend = ref_curvature(trefoil_points(64))
    assert m.L == pytest.approx(L, rel=1e-12)
    assert m.kappa_max == pytest.approx(kmax, rel=1e-12)
    assert m.kappa_mean == pytest.approx(kmean, rel=1e-12)
    assert m.bend_energy == pytest.approx(bend, rel=1e-12)


@pytest.mark.parametrize("skip", [-5, 0, 1, 3, 10])
def test_min_non_neighbor_distance_matches_all_ordered_pairs(kb, write_text, skip):
    path = write_text("t.fseries", TREFOIL_FSERIES)
    d = kb.min_non_neighbor_distance_from_fseries(path, 41, skip)
    assert d == pytest.approx(ref_min_nn(trefoil_points(41), skip), rel=1e-13)
    assert kb.reach_proxy_from_fseries(path, 41, skip) == d / 2


@pytest.mark.parametrize("n,skip", [(8, 4), (9, 4), (8, 100), (2048, 1024)])
def test_skip_too_large_gives_1e300(kb, write_text, n, skip):
    path = write_text("t.fseries", TREFOIL_FSERIES)
    assert kb.min_non_neighbor_distance_from_fseries(path, n, skip) == 1e300
    assert kb.reach_proxy_from_fseries(path, n, skip) == 5e299


def test_largest_skip_still_admitting_pairs(kb, write_text):
    # 8 points: separation 4 is the largest, so skip 3 keeps exactly the diametral pairs.
    path = write_text("circle.fseries", circle_text(1.0))
    assert kb.min_non_neighbor_distance_from_fseries(path, 8, 3) == pytest.approx(2.0, rel=1e-15)


def test_metric_defaults(kb, write_text):
    path = write_text("t.fseries", TREFOIL_FSERIES)
    assert kb.curve_length_from_fseries(path) == kb.curve_length_from_fseries(path, 2048)
    assert kb.min_non_neighbor_distance_from_fseries(path) == kb.min_non_neighbor_distance_from_fseries(path, 2048, 3)
    assert kb.reach_proxy_from_fseries(path) == kb.reach_proxy_from_fseries(path, 2048, 3)
    assert len(kb.sample_curve_centered(path)) == 1024
    m = kb.compute_curve_metrics_from_fseries(path)
    assert m.nsamples == 2048 and m.min_non_neighbor_dist == kb.min_non_neighbor_distance_from_fseries(path)


# ---------------------------------------------------------------- helicity from a file

def test_helicity_from_fseries_combines_metrics_and_grid_invariants(kb, write_text):
    text = "% small\n0.1 0 0 0.1 0 0\n\n" + TREFOIL_FSERIES
    path = write_text("t.fseries", text)
    g = HELICITY_GRID
    h = kb.compute_helicity_from_fseries(path, **g)
    block = kb.parse_fseries_multi(path)[1]
    Hc, Hm, a_mu = kb.compute_helicity_from_fourier_block(block, g["grid_size"], g["spacing"],
                                                          g["interior_margin"], g["nsamples"])
    assert (h.Hc, h.Hm, h.a_mu) == (Hc, Hm, a_mu)
    assert Hm != 0.0
    m = kb.compute_curve_metrics_from_fseries(path, g["nsamples"], 3)
    assert (h.L, h.kappa_max, h.kappa_mean, h.bend_energy) == (m.L, m.kappa_max, m.kappa_mean, m.bend_energy)
    # skip 3 always, whatever the other tools default to
    assert h.min_non_neighbor_dist == kb.min_non_neighbor_distance_from_fseries(path, g["nsamples"], 3)
    assert h.reach_proxy == h.min_non_neighbor_dist / 2
    assert h.path == path and h.nsamples == g["nsamples"]


def test_result_records_defaults_and_fields(kb):
    h = kb.HelicityResult()
    assert h.path == "" and h.nsamples == 0
    names = ["a_mu", "Hc", "Hm", "L", "kappa_max", "kappa_mean", "bend_energy", "min_non_neighbor_dist",
             "reach_proxy"]
    assert all(getattr(h, n) == 0.0 for n in names)
    h.Hc, h.nsamples, h.path = 1.5, 7, "x"
    assert (h.Hc, h.nsamples, h.path) == (1.5, 7, "x")

    p = kb.FilamentEnergyParams()
    assert (p.rho_outer, p.rho_local, p.Gamma, p.a_core, p.delta, p.s_cut_local) == (7e-7, 7e-7, 1.0, 1.0, 0.0, 0.0)
    assert (p.include_nonlocal, p.include_local_match, p.include_core_int) == (True, True, True)
    assert (p.c_rankine_outer, p.nsamples, p.skip_neighbors_base) == (0.0, 1024, 1)

    r = kb.FilamentEnergyResult()
    fields = ["L", "ds_avg", "m_loc", "E_nonlocal", "E_local_match", "E_core_int", "E_total", "kappa_max",
              "kappa_mean", "bend_energy", "min_non_neighbor_dist", "reach_proxy", "rho_outer", "rho_local", "Gamma",
              "a_core", "delta", "s_cut_local", "c_rankine_outer", "nsamples"]
    assert r.path == "" and all(getattr(r, f) == 0 for f in fields)
    assert isinstance(r.m_loc, int) and isinstance(r.nsamples, int)
    r.E_total = 2.5
    assert r.E_total == 2.5


# ---------------------------------------------------------------- filament energy from a file

def ref_nonlocal_sum(pts, ds, m_loc, delta):
    """sum over all ordered pairs, both orders, as the energy defines it."""
    n = len(pts)
    T = []
    for i in range(n):
        e = [pts[(i + 1) % n][c] - pts[i][c] for c in range(3)]
        length = math.hypot(*e)
        T.append([c / length for c in e] if length > 0 else [0.0, 0.0, 0.0])
    terms = []
    for i in range(n):
        for j in range(n):
            b = abs(i - j)
            if not min(n - b, b) > m_loc:
                continue
            r = math.dist(pts[i], pts[j])
            if r <= 0 or (delta > 0 and r <= delta):
                continue
            terms.append(sum(T[i][c] * T[j][c] for c in range(3)) / r * ds * ds)
    return math.fsum(terms)


def energy_params(kb, **kw):
    p = kb.FilamentEnergyParams()
    for k, v in kw.items():
        setattr(p, k, v)
    return p


@pytest.mark.parametrize("kw", [
    {},
    {"delta": 0.9},
    {"s_cut_local": 0.7, "skip_neighbors_base": 2},
    {"Gamma": 2.5, "rho_outer": 1.3, "skip_neighbors_base": 0},
])
def test_nonlocal_term_matches_literal_double_sum(kb, write_text, kw):
    path = write_text("t.fseries", TREFOIL_FSERIES)
    n = 48
    P = energy_params(kb, nsamples=n, **kw)
    res = kb.compute_filament_energy_from_fseries(path, P)
    pts = trefoil_points(n)
    L = ref_curvature(pts)[0]
    ds = L / n
    m0 = math.ceil(P.s_cut_local / ds) if P.s_cut_local > 0 else 0
    assert res.m_loc == max(m0, P.skip_neighbors_base)
    S = ref_nonlocal_sum(pts, ds, res.m_loc, P.delta)
    assert res.E_nonlocal == pytest.approx(P.rho_outer * P.Gamma**2 / (8 * math.pi) * S, rel=1e-12)
    assert res.E_total == res.E_local_match + res.E_nonlocal + res.E_core_int


def test_energy_defaults(kb, write_text):
    path = write_text("t.fseries", TREFOIL_FSERIES)
    res = kb.compute_filament_energy_from_fseries(path, kb.FilamentEnergyParams())
    assert res.m_loc == 1 and res.nsamples == 1024
    assert res.E_local_match == 0.0
    assert res.E_core_int == pytest.approx(7e-7 * res.L / (16 * math.pi), rel=1e-15)
    assert res.ds_avg == res.L / 1024
    assert res.E_nonlocal != 0.0
    geo = kb.compute_curve_metrics_from_fseries(path, 1024, 1)
    assert (res.L, res.kappa_max, res.kappa_mean, res.bend_energy, res.min_non_neighbor_dist) == (
        geo.L, geo.kappa_max, geo.kappa_mean, geo.bend_energy, geo.min_non_neighbor_dist)
    assert res.reach_proxy == res.min_non_neighbor_dist / 2


def test_local_matching_term(kb, write_text):
    path = write_text("c.fseries", circle_text(1.0))
    base = dict(nsamples=64, include_nonlocal=False, include_core_int=False, rho_local=2.0, Gamma=3.0)
    r = kb.compute_filament_energy_from_fseries(path, energy_params(kb, s_cut_local=0.25, a_core=0.25, **base))
    assert r.E_local_match == 0.0  # ln 1 with no Rankine constant
    r = kb.compute_filament_energy_from_fseries(
        path, energy_params(kb, s_cut_local=0.4, a_core=0.1, c_rankine_outer=0.25, **base))
    assert r.E_local_match == pytest.approx((math.log(4.0) + 0.25) * 2.0 * 9.0 / (4 * math.pi) * r.L, rel=1e-14)
    assert r.E_total == r.E_local_match
    for off in ({"s_cut_local": 0.4, "a_core": 0.0}, {"s_cut_local": -1.0, "a_core": 0.1},
                {"s_cut_local": 0.4, "a_core": 0.1, "include_local_match": False}):
        kw = dict(base, **off)
        assert kb.compute_filament_energy_from_fseries(path, energy_params(kb, **kw)).E_local_match == 0.0


@pytest.mark.parametrize("factor,base,expected", [
    (2.5, 1, 3),      # ceil
    (2.5, 5, 5),      # the neighbour base wins
    (0.4, 0, 1),
    (0.0, -4, 0),     # no cut-off, negative base: only i = j excluded
    (0.0, 2, 2),
])
def test_m_loc(kb, write_text, factor, base, expected):
    path = write_text("c.fseries", circle_text(1.0))
    n = 40
    ds = kb.compute_curve_metrics_from_fseries(path, n, 1).ds_avg
    P = energy_params(kb, nsamples=n, s_cut_local=factor * ds, skip_neighbors_base=base)
    r = kb.compute_filament_energy_from_fseries(path, P)
    assert r.m_loc == expected
    # min_non_neighbor_dist uses max(base, 1)
    assert r.min_non_neighbor_dist == kb.min_non_neighbor_distance_from_fseries(path, n, max(base, 1))


def test_huge_cutoff_saturates_and_excludes_every_pair(kb, write_text):
    path = write_text("c.fseries", circle_text(1.0))
    r = kb.compute_filament_energy_from_fseries(path, energy_params(kb, nsamples=32, s_cut_local=1e300, a_core=1.0))
    assert r.m_loc == 2**31 - 1 and r.E_nonlocal == 0.0


def test_switches_off_leave_metrics(kb, write_text):
    path = write_text("t.fseries", "% small\n0.1 0 0 0.1 0 0\n\n" + TREFOIL_FSERIES)
    P = energy_params(kb, nsamples=100, include_nonlocal=False, include_local_match=False, include_core_int=False,
                      s_cut_local=0.5, rho_outer=3.0, rho_local=4.0, Gamma=5.0, a_core=0.2, delta=0.01,
                      c_rankine_outer=0.7)
    r = kb.compute_filament_energy_from_fseries(path, P)
    assert (r.E_nonlocal, r.E_local_match, r.E_core_int, r.E_total) == (0.0, 0.0, 0.0, 0.0)
    assert r.L == pytest.approx(ref_curvature(trefoil_points(100))[0], rel=1e-12)  # the largest block
    assert r.kappa_max > 0 and r.min_non_neighbor_dist > 0
    assert (r.rho_outer, r.rho_local, r.Gamma, r.a_core, r.delta, r.s_cut_local, r.c_rankine_outer, r.nsamples) == (
        3.0, 4.0, 5.0, 0.2, 0.01, 0.5, 0.7, 100)
    assert r.path == path


def test_curve_metrics_leave_energy_fields_zero(kb, write_text):
    path = write_text("t.fseries", TREFOIL_FSERIES)
    m = kb.compute_curve_metrics_from_fseries(path, 50, 0)
    assert m.m_loc == 0
    assert all(getattr(m, f) == 0.0 for f in ["E_nonlocal", "E_local_match", "E_core_int", "E_total", "rho_outer",
                                              "rho_local", "Gamma", "a_core", "delta", "s_cut_local",
                                              "c_rankine_outer"])
    assert m.min_non_neighbor_dist == pytest.approx(ref_min_nn(trefoil_points(50), 0), rel=1e-13)


def test_energy_rejects_missing_params(kb, write_text):
    path = write_text("t.fseries", TREFOIL_FSERIES)
    with pytest.raises(TypeError):
        kb.compute_filament_energy_from_fseries(path)
    with pytest.raises(TypeError):
        kb.compute_filament_energy_from_fseries(path, {"nsamples": 10})
    with pytest.raises(ValueError, match="^vector too long$"):
        kb.compute_filament_energy_from_fseries(path, energy_params(kb, nsamples=-3))


# ---------------------------------------------------------------- batch over directory trees

def make_tree(root):
    files = {
        "b.fseries": TREFOIL_FSERIES,
        "a.fseries": CIRCLE_FSERIES,
        "a-b.fseries": CIRCLE_FSERIES,
        "Z.fseries": CIRCLE_FSERIES,
        "upper.FSERIES": CIRCLE_FSERIES,
        "notes.txt": CIRCLE_FSERIES,
        "a/z.fseries": TREFOIL_FSERIES,
        "a/deeper/d.fseries": CIRCLE_FSERIES,
        "a/deeper/e.fseries.bak": CIRCLE_FSERIES,
        "empty_dir/.keep": "",
    }
    for name, text in files.items():
        p = root / name
        p.parent.mkdir(parents=True, exist_ok=True)
        p.write_text(text)


def batch(kb, root, recurse):
    return kb.batch_helicity_from_dir(root, HELICITY_GRID["grid_size"], HELICITY_GRID["spacing"],
                                      HELICITY_GRID["interior_margin"], HELICITY_GRID["nsamples"], recurse)


@pytest.mark.parametrize("trailing", ["", "/"])
def test_batch_flat_and_recursive(kb, tmp_path, trailing):
    make_tree(tmp_path)
    root = str(tmp_path) + trailing
    base = str(tmp_path) + "/"
    flat = [r.path for r in batch(kb, root, False)]
    assert flat == [base + n for n in ["Z.fseries", "a-b.fseries", "a.fseries", "b.fseries"]]
    deep = [r.path for r in batch(kb, root, True)]
    assert deep == [base + n for n in ["Z.fseries", "a-b.fseries", "a.fseries", "a/deeper/d.fseries",
                                       "a/z.fseries", "b.fseries"]]
    assert deep == sorted(deep)


def test_batch_results_are_the_per_file_results(kb, tmp_path):
    make_tree(tmp_path)
    results = batch(kb, str(tmp_path / "a"), True)
    assert [r.path for r in results] == [str(tmp_path / "a/deeper/d.fseries"), str(tmp_path / "a/z.fseries")]
    for r in results:
        one = kb.compute_helicity_from_fseries(r.path, **HELICITY_GRID)
        assert (r.Hc, r.Hm, r.a_mu, r.L, r.min_non_neighbor_dist, r.nsamples) == (
            one.Hc, one.Hm, one.a_mu, one.L, one.min_non_neighbor_dist, one.nsamples)


def test_batch_empty_and_foreign_directories(kb, tmp_path):
    (tmp_path / "e").mkdir()
    assert batch(kb, str(tmp_path / "e"), True) == []
    (tmp_path / "o").mkdir()
    (tmp_path / "o/x.txt").write_text(CIRCLE_FSERIES)
    (tmp_path / "o/y.FSERIES").write_text(CIRCLE_FSERIES)
    assert batch(kb, str(tmp_path / "o"), False) == []


def test_batch_root_must_be_a_directory(kb, tmp_path, write_text):
    f = write_text("c.fseries", CIRCLE_FSERIES)
    for root in (f, str(tmp_path / "missing"), ""):
        with pytest.raises(RuntimeError) as e:
            kb.batch_helicity_from_dir(root)
        assert str(e.value) == "directory does not exist: " + root


def test_batch_stops_at_a_file_without_blocks(kb, tmp_path):
    make_tree(tmp_path)
    (tmp_path / "a/deeper/bad.fseries").write_text("% nothing here\n")
    assert len(batch(kb, str(tmp_path), False)) == 4  # not reached without recursion
    with pytest.raises(RuntimeError) as e:
        batch(kb, str(tmp_path), True)
    assert str(e.value) == "no blocks parsed from: " + str(tmp_path) + "/a/deeper/bad.fseries"


def test_batch_follows_links_but_not_cycles(kb, tmp_path):
    (tmp_path / "d").mkdir()
    (tmp_path / "d/k.fseries").write_text(CIRCLE_FSERIES)
    os.symlink(tmp_path / "d", tmp_path / "d/loop")
    other = tmp_path / "other"
    other.mkdir()
    (other / "o.fseries").write_text(CIRCLE_FSERIES)
    os.symlink(other, tmp_path / "d/link")
    paths = [r.path for r in batch(kb, str(tmp_path / "d"), True)]
    assert paths == [str(tmp_path / "d/k.fseries"), str(tmp_path / "d/link/o.fseries")]


# ---------------------------------------------------------------- comparison of two files

COMPARE_KEYS = ["L_a", "L_b", "bend_energy_a", "bend_energy_b", "dL", "dbend_energy", "dkappa_max", "dkappa_mean",
                "dreach_proxy", "kappa_max_a", "kappa_max_b", "kappa_mean_a", "kappa_mean_b", "reach_proxy_a",
                "reach_proxy_b", "rms_point_delta"]


def test_compare_same_file(kb, write_text):
    path = write_text("t.fseries", TREFOIL_FSERIES)
    d = kb.compare_fseries_files(path, path, 64, 3)
    assert list(d) == COMPARE_KEYS
    assert all(d[k] == 0.0 for k in COMPARE_KEYS if k.startswith("d") or k == "rms_point_delta")
    m = kb.compute_curve_metrics_from_fseries(path, 64, 3)
    assert (d["L_a"], d["kappa_max_b"], d["kappa_mean_a"], d["bend_energy_b"], d["reach_proxy_a"]) == (
        m.L, m.kappa_max, m.kappa_mean, m.bend_energy, m.reach_proxy)


def test_compare_with_shifted_copy(kb, write_text):
    # Harmonic 64 equals 1 at all 64 samples: it shifts the sampled curve by (0.7, -0.2, 0.4).
    rows = TREFOIL_FSERIES.splitlines()[2:] + ["0 0 0 0 0 0"] * 60 + ["0.7 0 -0.2 0 0.4 0"]
    a = write_text("a.fseries", TREFOIL_FSERIES)
    b = write_text("b.fseries", "\n".join(rows) + "\n")
    d = kb.compare_fseries_files(a, b, 64, 3)
    assert d["rms_point_delta"] == pytest.approx(0.0, abs=1e-12)
    assert d["dL"] == pytest.approx(0.0, abs=1e-12)
    assert d["L_a"] > 10


def test_compare_rotated_copy_matches_points_by_index(kb, write_text):
    # The circle turned by a quarter: same metrics, every point moved by sqrt(2) R.
    a = write_text("a.fseries", circle_text(2.0))
    b = write_text("b.fseries", "0 2 -2 0 0 0\n")
    d = kb.compare_fseries_files(a, b, 100, 3)
    assert d["rms_point_delta"] == pytest.approx(2.0 * math.sqrt(2.0), rel=1e-12)
    assert d["dL"] == pytest.approx(0.0, abs=1e-12)
    assert d["kappa_max_b"] == pytest.approx(0.5, rel=1e-12)
    a3 = write_text("a3.fseries", circle_text(3.0))
    d = kb.compare_fseries_files(a, a3)
    assert d["dL"] == pytest.approx(d["L_b"] - d["L_a"]) and d["dL"] > 0
    assert d["dkappa_max"] == pytest.approx(1 / 3 - 1 / 2, rel=1e-9)
    assert d["rms_point_delta"] == pytest.approx(1.0, rel=1e-12)


def test_compare_errors(kb, write_text, tmp_path):
    a = write_text("a.fseries", circle_text(2.0))
    missing = str(tmp_path / "nope.fseries")
    with pytest.raises(RuntimeError) as e:
        kb.compare_fseries_files(a, missing)
    assert str(e.value) == "no blocks parsed from: " + missing
    with pytest.raises(ValueError, match="^vector too long$"):
        kb.compare_fseries_files(a, a, -2)


def test_registration_order_and_no_docstrings(kb):
    names = ["CanonicalizeResult", "HelicityResult", "FilamentEnergyParams", "FilamentEnergyResult",
             "canonicalize_fseries_file_inplace", "compute_helicity_from_fseries", "sample_curve_centered",
             "compute_curve_metrics_from_fseries", "curve_length_from_fseries",
             "min_non_neighbor_distance_from_fseries", "reach_proxy_from_fseries",
             "compute_filament_energy_from_fseries", "batch_helicity_from_dir", "compare_fseries_files"]
    order = list(kb.__dict__)
    first = order.index(names[0])
    assert order[first:first + len(names)] == names
    for n in names[4:]:
        assert docstring(getattr(kb, n)) is None, n
