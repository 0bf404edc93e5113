"""The pure-Python hyperbolic-volume solver shipped as ``kvor_hypvol_no_deps``.

Oracle volumes in tests/data/hypvol_table.tsv (regenerate with tools/make_hypvol_table.py):
every prime knot up to 12 crossings plus the Whitehead link and the Borromean rings, each with
a counter-clockwise table PD code and the same diagram in the library's oriented convention.
"""

import json
import math
import os
import random
import sys
from pathlib import Path

import pytest

import kvor_hypvol_no_deps as hv

TABLE = Path(__file__).parent / "data" / "hypvol_table.tsv"
TOL = 1e-9
SAMPLE = 300


def _load_table():
    rows = []
    with TABLE.open() as f:
        for line in f:
            if line.startswith("#"):
                continue
            name, comps, cn, vol, pd_ccw, pd_lib = line.rstrip("\n").split("\t")
            rows.append((name, int(comps), int(cn), float(vol), json.loads(pd_ccw), json.loads(pd_lib)))
    return rows


ROWS = _load_table()
BY_NAME = {r[0]: r for r in ROWS}


def _check_rows(rows):
    wrong = []
    for name, _, _, vol, pd_ccw, pd_lib in rows:
        for label, pd, ccw in (("ccw", pd_ccw, True), ("oriented", pd_lib, False)):
            got = hv.hyperbolic_volume_from_pd(pd, ccw=ccw)
            if not isinstance(got, float) or not abs(got - vol) <= TOL:
                wrong.append((name, label, got, vol))
    return wrong


def test_table_covers_the_knots_and_links():
    knots = [r for r in ROWS if r[1] == 1]
    assert len(knots) == 2977  # prime knots with 3..12 crossings
    assert sum(1 for r in knots if r[3] == 0.0) == 7  # the torus knots among them
    assert BY_NAME["whitehead"][3] == pytest.approx(4 * 0.915965594177219015, abs=1e-13)
    assert BY_NAME["borromean"][3] == pytest.approx(8 * 0.915965594177219015, abs=1e-13)


def test_random_sample_of_the_table():
    seed = int(os.environ.get("KVOR_HYPVOL_SEED", random.SystemRandom().randrange(2**32)))
    rng = random.Random(seed)
    rows = rng.sample(ROWS, SAMPLE) + [BY_NAME["whitehead"], BY_NAME["borromean"], BY_NAME["3_1"]]
    wrong = _check_rows(rows)
    assert not wrong, f"seed {seed} (set KVOR_HYPVOL_SEED to repeat): {wrong[:10]}"


@pytest.mark.slow
def test_whole_table():
    wrong = _check_rows(ROWS)
    assert not wrong, wrong[:20]


@pytest.mark.parametrize("name, expected", [
    ("4_1", 2.029883212819307),
    ("5_2", 2.828122088330783),
    ("whitehead", 3.663862376708876),
    ("borromean", 7.327724753417752),
])
def test_known_volumes(name, expected):
    row = BY_NAME[name]
    assert hv.hyperbolic_volume_from_pd(row[4], ccw=True) == pytest.approx(expected, abs=TOL)
    assert hv.hyperbolic_volume_from_pd(row[5]) == pytest.approx(expected, abs=TOL)


def test_mirror_and_relabelling_keep_the_volume():
    name, _, _, vol, pd_ccw, pd_lib = BY_NAME["7_4"]
    # mirror: counter-clockwise order reversed with the under-strand kept first
    mirror = [[a, d, c, b] for a, b, c, d in pd_ccw]
    assert hv.hyperbolic_volume_from_pd(mirror, ccw=True) == pytest.approx(vol, abs=TOL)
    # arbitrary labels and crossing order
    perm = {lab: 100 + 7 * i for i, lab in enumerate(sorted({x for c in pd_lib for x in c}, reverse=True))}
    relabelled = [[perm[x] for x in c] for c in reversed(pd_lib)]
    assert hv.hyperbolic_volume_from_pd(relabelled) == pytest.approx(vol, abs=TOL)


def _shift(pd, k):
    return [[x + k for x in c] for c in pd]


@pytest.mark.parametrize("pd, ccw, why", [
    ([], False, "unknot"),
    ([[1, 2, 2, 1]], False, "unknot"),                              # one kink
    ([[1, 2, 2, 1]], True, "unknot"),
    (BY_NAME["3_1"][5], False, "no positively oriented solution"),  # torus knot
    (BY_NAME["8_19"][4], True, "no positively oriented solution"),
    (BY_NAME["4_1"][5] + _shift(BY_NAME["4_1"][5], 100), False, "split"),
])
def test_non_hyperbolic_gives_zero(pd, ccw, why, capsys):
    assert hv.hyperbolic_volume_from_pd(pd, verbose=True, ccw=ccw) == 0.0
    assert why in capsys.readouterr().out


def test_connected_sum_gives_zero():
    # 4_1 # 4_1 from two copies (arcs 1..8 and 9..16): arc 8 of the first copy now ends where
    # arc 16 of the second one ended, and arc 16 ends where arc 8 ended.  Slots 0, 1 are the
    # incoming ones.
    a = [[16 if (x == 8 and i < 2) else x for i, x in enumerate(c)] for c in BY_NAME["4_1"][5]]
    b = [[8 if (x == 16 and i < 2) else x for i, x in enumerate(c)] for c in _shift(BY_NAME["4_1"][5], 8)]
    pd = a + b
    labels = sorted(x for c in pd for x in c)
    assert labels == sorted(list(range(1, 17)) * 2)
    assert hv.hyperbolic_volume_from_pd(pd) == 0.0


@pytest.mark.parametrize("pd, kwargs, message", [
    ([[1, 2, 3, 4], [4, 3, 2, 5]], {}, "label 1 is used 1 time"),
    ([[1, 1, 1, 2], [2, 3, 3, 3]], {}, "label 1 is used 3 times"),
    ([[1, 2, 3]], {}, "crossing 0 has 3 labels"),
    ([[1, 2, 3, 4.5]], {}, "non-integer label"),
    ([[1, 2, 3, True]], {}, "non-integer label"),
    ([5], {}, "crossing 0 is not a list"),
    (7, {}, "must be a list of crossings"),
    ([[1, 2, 3, 4], [1, 2, 3, 4]], {}, "arc 1 must leave one crossing and enter one crossing"),
    # Gauss word O1 O2 U1 U2: the virtual trefoil, planar for no choice of handedness
    ([[2, 4, 3, 1], [3, 1, 4, 2]], {}, "not planar"),
    ([[1, 2, 3, 4], [3, 4, 1, 2]], {"ccw": True}, "not planar"),
])
def test_invalid_codes(pd, kwargs, message):
    with pytest.raises(ValueError, match=message):
        hv.hyperbolic_volume_from_pd(pd, **kwargs)


def test_verbose_reports_the_steps(capsys):
    pd = BY_NAME["5_2"][5]
    quiet = hv.hyperbolic_volume_from_pd(pd)
    assert capsys.readouterr().out == ""
    loud = hv.hyperbolic_volume_from_pd(pd, verbose=True)
    out = capsys.readouterr().out
    assert loud == quiet
    for word in ("5 crossings", "octahedral triangulation: 20 tetrahedra", "Newton iterations",
                 "residual", "volume 2.82812208833"):
        assert word in out, out


def test_verbose_goes_to_the_current_stdout(monkeypatch):
    import io
    buf = io.StringIO()
    monkeypatch.setattr(sys, "stdout", buf)
    hv.hyperbolic_volume_from_pd(BY_NAME["4_1"][4], True, ccw=True)
    assert "tetrahedra" in buf.getvalue()


def test_no_dependencies_beyond_the_standard_library():
    root = Path(hv.__file__).parent
    for src in root.glob("*.py"):
        text = src.read_text()
        for banned in ("snappy", "regina", "spherogram", "knotinfo", "numpy", "_bindings"):
            assert f"import {banned}" not in text and f"from {banned}" not in text, (src, banned)


# -- through the library ---------------------------------------------------------------------

def _curve(kind, n=300):
    pts = []
    for i in range(n):
        t = 2 * math.pi * i / n
        if kind == "trefoil":
            pts.append([(2 + math.cos(3 * t)) * math.cos(2 * t), (2 + math.cos(3 * t)) * math.sin(2 * t),
                        math.sin(3 * t)])
        elif kind == "figure_eight":
            pts.append([(2 + math.cos(2 * t)) * math.cos(3 * t), (2 + math.cos(2 * t)) * math.sin(3 * t),
                        math.sin(4 * t)])
        elif kind == "torus_3_4":
            pts.append([(2 + math.cos(4 * t)) * math.cos(3 * t), (2 + math.cos(4 * t)) * math.sin(3 * t),
                        math.sin(4 * t)])
        elif kind == "lissajous_3_2_7":  # the Lissajous knot with frequencies (3, 2, 7) is 5_2
            pts.append([math.cos(3 * t + 0.7), math.cos(2 * t + 0.2), math.cos(7 * t)])
    return pts


@pytest.mark.parametrize("kind, expected", [
    ("trefoil", 0.0),
    ("torus_3_4", 0.0),
    ("figure_eight", 2.029883212819307),
    ("lissajous_3_2_7", 2.828122088330783),
])
def test_through_the_library_on_formula_curves(kb, kind, expected):
    pd = kb.pd_from_curve(_curve(kind))
    assert kb.hyperbolic_volume_from_pd(pd) == pytest.approx(expected, abs=TOL)


@pytest.mark.parametrize("knot", ["3_1", "4_1", "5_2", "6_1", "7_4"])
def test_through_the_library_on_compiled_in_knots(kb, knot):
    try:
        block = kb.load_embedded_knot_block(knot)
    except RuntimeError:
        pytest.skip(f"{knot} is not among the compiled-in knots")
    s = [2 * math.pi * i / 400 for i in range(400)]
    pts = kb.evaluate_fourier_block(block, s)
    pd = kb.pd_from_curve(pts)
    assert kb.hyperbolic_volume_from_pd(pd) == pytest.approx(BY_NAME[knot][3], abs=TOL)
