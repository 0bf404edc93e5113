"""Re-check the knot type of stored curves with an independent invariant: the PD code of the
sampled curve, identified by its complement (snappy) or by its HOMFLY-PT polynomial (regina).

A random sample (two curves per database file or point-list set, every .fseries file) runs
every time; the `slow` test re-checks every stored curve (minutes).  Needs snappy, spherogram
and regina (tools/requirements-gen.txt).
"""
import os
import random
import sys

import numpy as np
import pytest

pytest.importorskip("snappy")
pytest.importorskip("spherogram")
pytest.importorskip("regina")

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tools"))
from tight import textfmt, verify  # noqa: E402

RES = os.path.join(ROOT, "resources")


def _manifest():
    p = os.path.join(RES, "manifest.tsv")
    if not os.path.exists(p):
        return []
    with open(p) as f:
        hdr = f.readline().rstrip("\n").split("\t")
        return [dict(zip(hdr, l.rstrip("\n").split("\t"))) for l in f]


def _sample_curve(A0, A, B, L):
    m = max(300, int(12 * L))
    k = np.arange(1, len(A) + 1)
    s = np.linspace(0, 2 * np.pi, m, endpoint=False)
    return A0 + np.cos(np.outer(s, k)) @ A + np.sin(np.outer(s, k)) @ B


_texts = {}


def curves_of(row):
    f = row["file"]
    path = os.path.join(RES, f)
    if f not in _texts:
        with open(path) as fh:
            _texts[f] = fh.read()
    text = _texts[f]
    if f.startswith("knot_fseries/"):
        rows = textfmt.parse_fseries(text)[0][1]
        A, B = rows[:, [0, 2, 4]], rows[:, [1, 3, 5]]
        return [_sample_curve(np.zeros(3), A, B, float(row["length"]))]
    if "ideal_12_data" in f:
        return [np.loadtxt(path)]
    tag = "TL" if "idealLinks" in f else ("HT" if "_11" in f else "AB")
    start = text.find(f'<{tag} Id="{row["entry"]}"')
    end = text.find(f"</{tag}>", start)
    ent = textfmt.parse_entries(text[start:end + len(tag) + 3], tag)[0]
    out = []
    for sa, (A0, A, B) in ent["curves"]:
        Lc = float(sa.get("L", row["length"]))
        out.append(_sample_curve(A0, A, B, Lc))
    return out


def _rows(sample_per_file):
    rows = [r for r in _manifest() if r["key"] != "1_1"]
    if sample_per_file is None:
        return rows
    by = {}
    for r in rows:
        g = "12" if "ideal_12_data" in r["file"] else r["file"]
        by.setdefault(g, []).append(r)
    rng = random.Random()
    out = []
    for g, rs in sorted(by.items()):
        out += rng.sample(rs, min(sample_per_file, len(rs)))
    return out


def _check(row):
    comps = curves_of(row)
    assert len(comps) == int(row["components"])
    ok, method, detail = verify.verify(comps, row["type"], seed=random.randrange(1 << 30))
    assert ok, (method, detail)


SAMPLE = _rows(2)


@pytest.mark.skipif(not SAMPLE, reason="no generated data")
@pytest.mark.parametrize("row", SAMPLE, ids=lambda r: f"{r['file']}:{r['key']}")
def test_random_sample_has_its_type(row):
    _check(row)


@pytest.mark.slow
@pytest.mark.skipif(not SAMPLE, reason="no generated data")
def test_every_stored_curve_has_its_type():
    bad = []
    for row in _rows(None):
        try:
            _check(row)
        except AssertionError as e:
            bad.append((row["file"], row["key"], str(e)))
    assert not bad, bad[:10]
