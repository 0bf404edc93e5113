"""The generated knot data under resources/: formats, keys, counts, copies and manifest.

Pure Python + NumPy (no knot-theory packages).  Files not generated yet are skipped with a
reason; a file that exists must be complete.
"""
import os
import random
import re
import sys

import numpy as np
import pytest

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(0, os.path.join(ROOT, "tools"))
from tight import textfmt  # noqa: E402

RES = os.path.join(ROOT, "resources")
IDEAL = os.path.join(RES, "ideal")

FSERIES_KEYS = ("10_1 10_1n 12a_1202 12a_1202z6 15331 1_1 3_1 3_1p 3_1u 4_1 4_1d 4_1p 4_1z 5_1 "
                "5_1p 5_1u 5_2 5_2d 5_2r 6_1 6_2 6_2d 6_2p 6_3d 6_3z 7_1 7_1p 7_2 7_2d 7_2r 7_3 "
                "7_3d 7_4 7_5 7_5d 7_6d 7_6s 7_7d 8_1 8_10s 8_11 8_11d 8_12d 8_12z 8_13d 8_13p "
                "8_14d 8_14r 8_15 8_15d 8_15p 8_16 8_17 8_18 8_18z 8_19t 8_19u 8_1d 8_2 8_20r "
                "8_21d 8_21p 8_21r 8_2d 8_3 8_3d 8_3z 8_4 8_4d 8_5 8_6 8_6p 8_7d 8_7s 8_8d 8_9d "
                "9_2 9_2n").split()

# file, tag, number of entries
DATABASES = [("ideal.txt", "AB", 263), ("idealLinks.txt", "TL", 129),
             ("idealLinks_10a.txt", "TL", 174), ("idealLinks_10n.txt", "TL", 113),
             ("ideal_11a.txt", "HT", 367), ("ideal_11n.txt", "HT", 185)]
ROLFSEN = {3: 1, 4: 1, 5: 2, 6: 3, 7: 7, 8: 21, 9: 49, 10: 166}


def read(path):
    with open(path, newline="") as f:
        return f.read()


def need(path):
    if not os.path.exists(path):
        pytest.skip(f"{os.path.relpath(path, ROOT)} not generated yet")
    return read(path)


@pytest.fixture(scope="module")
def manifest():
    text = need(os.path.join(RES, "manifest.tsv"))
    lines = text.rstrip("\n").split("\n")
    hdr = lines[0].split("\t")
    return [dict(zip(hdr, l.split("\t"))) for l in lines[1:]]


def fourier_length_thickness(A0, A, B, m=1200):
    """Length and thickness of a Fourier curve, NumPy only: least radius of curvature from
    the analytic derivatives (sampled at least 32 times per period of the highest harmonic:
    the curvature peaks of a tight curve are narrow), doubly-critical distance from the local
    minima of the sampled distance matrix (m samples)."""
    k = np.arange(1, len(A) + 1)
    sk = np.linspace(0, 2 * np.pi, max(m, 32 * len(A)), endpoint=False)
    C, S = np.cos(np.outer(sk, k)), np.sin(np.outer(sk, k))
    d1 = (-S * k) @ A + (C * k) @ B
    d2 = (-C * k ** 2) @ A + (-S * k ** 2) @ B
    sp = np.linalg.norm(d1, axis=1)
    L = sp.mean() * 2 * np.pi
    kappa = np.linalg.norm(np.cross(d1, d2), axis=1) / sp ** 3
    s = np.linspace(0, 2 * np.pi, m, endpoint=False)
    x = A0 + np.cos(np.outer(s, k)) @ A + np.sin(np.outer(s, k)) @ B
    D = np.linalg.norm(x[:, None, :] - x[None, :, :], axis=2)
    loc = np.ones_like(D, dtype=bool)
    for di in (-1, 0, 1):
        for dj in (-1, 0, 1):
            if di or dj:
                loc &= D <= np.roll(np.roll(D, di, axis=0), dj, axis=1)
    idx = np.arange(m)
    sep = np.abs(idx[:, None] - idx[None, :])
    sep = np.minimum(sep, m - sep)
    loc &= sep > 2
    dc = D[loc].min() if loc.any() else np.inf
    return L, min(2 / kappa.max(), dc)


# ------------------------------------------------------------------ databases

@pytest.mark.parametrize("fname,tag,count", DATABASES)
def test_database_text_shape(fname, tag, count):
    text = need(os.path.join(IDEAL, fname))
    assert text.startswith("<DATA ") and text.split("\n", 1)[0].endswith(">")
    first = text.split("\n", 1)[0]
    for attr in ("Title=", "Author=", "Date="):
        assert attr in first
    assert text.rstrip("\n").endswith("</DATA>")
    assert text.isascii()
    ents = textfmt.parse_entries(text, tag)
    assert len(ents) == count
    ids = [e["attrs"]["Id"] for e in ents]
    assert len(set(ids)) == count
    for e in ents:
        a = e["attrs"]
        assert re.fullmatch(r"\d+:\d+:\d+", a["Id"])
        assert abs(float(a["D"]) - 1.0) < 2e-3
        ncomp = int(a["Id"].split(":")[1])
        assert len(e["curves"]) == ncomp
        if ncomp > 1 or tag == "TL":
            assert int(a["n"]) == ncomp
            total = sum(float(sa["L"]) for sa, _ in e["curves"])
            assert abs(total - float(a["L"])) < 1e-4
        for sa, (A0, A, B) in e["curves"]:
            assert 1 <= len(A) <= 400
            assert np.abs(A[0]).max() > 0
    if tag != "AB":  # the AB reader finds nothing in HT/TL texts
        assert "<AB" not in text


def test_ideal_txt_contents():
    text = need(os.path.join(IDEAL, "ideal.txt"))
    ents = textfmt.parse_entries(text, "AB")
    ids = [e["attrs"]["Id"] for e in ents]
    rolf = [f"{c}:1:{i}" for c, n in ROLFSEN.items() for i in range(1, n + 1)]
    assert ids[:250] == rolf  # every prime knot 3-10 in table order, Perko pair included
    tail = ents[250:]
    assert [e["attrs"]["Id"].split(":")[1] for e in tail[:6]] == ["1"] * 6
    assert sum(e["attrs"]["Id"].startswith("11:") for e in tail) == 2
    links = tail[-7:]
    assert [e["attrs"]["Id"] for e in links] == ["2:2:1", "4:2:1", "5:2:1", "6:2:1", "6:3:1",
                                                 "6:3:2", "6:3:3"]
    assert all("<Component" in text[text.find('Id="%s"' % e["attrs"]["Id"]):].split("</AB>")[0]
               for e in links)
    assert ents[0]["attrs"]["Conway"] == "3"


def test_ideal_txt_evaluator_lookup():
    """Every Id is found by the plain-substring lookup of the particle evaluator, with the
    right number of components, and the Front-End copy is the same text."""
    text = need(os.path.join(IDEAL, "ideal.txt"))
    fe = need(os.path.join(ROOT, "Front-End", "knot_fseries", "ideal_database.txt"))
    assert fe == text
    for e in textfmt.parse_entries(text, "AB"):
        eid = e["attrs"]["Id"]
        comps = textfmt.evaluative_id_lookup(text, eid)
        assert comps is not None and len(comps) == len(e["curves"])
        for c in comps:  # every Coeff element closed by "/>"
            assert c.count("<Coeff") == c.count("/>")
    # Id 3:1:1 must not select 3:1:10-like entries and vice versa
    assert textfmt.evaluative_id_lookup(text, "3:1:") is None


@pytest.mark.parametrize("fname,tag", [(f, t) for f, t, _ in DATABASES])
def test_database_L_and_D_true_of_curve(fname, tag):
    """L and D attributes agree with the stored coefficients (random sample each run)."""
    text = need(os.path.join(IDEAL, fname))
    ents = textfmt.parse_entries(text, tag)
    rng = random.Random()
    for e in rng.sample(ents, 3):
        curves = [c for _, c in e["curves"]]
        Ls = [fourier_length_thickness(*c)[0] for c in curves]
        assert abs(sum(Ls) - float(e["attrs"]["L"])) < 2e-3 * sum(Ls), e["attrs"]["Id"]
        if len(curves) == 1:
            _, D = fourier_length_thickness(*curves[0], m=1500)
            assert abs(D - float(e["attrs"]["D"])) < 1e-2, e["attrs"]["Id"]


# ------------------------------------------------------------------ .fseries

def test_fseries_keys_and_copies():
    d = os.path.join(RES, "knot_fseries")
    if not os.path.isdir(d):
        pytest.skip("resources/knot_fseries not generated yet")
    keys = sorted(f[:-len(".fseries")] for f in os.listdir(d) if f.endswith(".fseries"))
    assert keys == sorted(FSERIES_KEYS)
    assert sorted(FSERIES_KEYS, key=lambda k: k.encode()) == FSERIES_KEYS  # byte order as listed
    for k in keys:
        t = read(os.path.join(d, k + ".fseries"))
        assert read(os.path.join(ROOT, "src", "knot_fseries", f"knot.{k}.fseries")) == t


@pytest.mark.parametrize("key", FSERIES_KEYS)
def test_fseries_file(key):
    text = need(os.path.join(RES, "knot_fseries", key + ".fseries"))
    assert text.isascii()
    assert 140 <= len(text.encode()) <= 6275
    blocks = textfmt.parse_fseries(text)
    assert len(blocks) == 1
    header, rows = blocks[0]
    assert 1 <= len(rows) <= 100
    assert header.startswith("Knot " + key)
    if key == "3_1":
        assert len(rows) == 5 and header == "Knot 3_1 (trefoil knot)"
    if key == "1_1":
        assert rows.tolist() == [[1.0, 0.0, 0.0, 1.0, 0.0, 0.0]]


def test_fseries_variants_differ_from_plain():
    d = os.path.join(RES, "knot_fseries")
    if not os.path.isdir(d):
        pytest.skip("resources/knot_fseries not generated yet")
    get = lambda k: textfmt.parse_fseries(read(os.path.join(d, k + ".fseries")))[0][1]
    # r is the plain curve run backwards: same cosine terms, negated sine terms
    for k in ("5_2", "7_2"):
        p, r = get(k), get(k + "r")
        assert np.allclose(p[:, [0, 2, 4]], r[:, [0, 2, 4]]) and np.allclose(p[:, [1, 3, 5]], -r[:, [1, 3, 5]])
    # z is the plain curve reflected in z
    p, z = get("4_1"), get("4_1z")
    assert np.allclose(p[:, :4], z[:, :4]) and np.allclose(p[:, 4:], -z[:, 4:])
    # d has more harmonics than the compact fit
    assert len(get("4_1d")) > len(get("4_1"))


# ------------------------------------------------------------------ point lists

def test_point_lists():
    d = os.path.join(IDEAL, "ideal_12_data")
    if not os.path.isdir(d):
        pytest.skip("resources/ideal/ideal_12_data not generated yet")
    names = set(os.listdir(d))
    want = {f"12a{k}.txt" for k in range(1, 1289)} | {f"12n{k}.txt" for k in range(1, 889)}
    assert names == want
    num = re.compile(r"-?\d\.\d+e[+-]\d+")
    for n in random.Random().sample(sorted(names), 40):
        lines = read(os.path.join(d, n)).split("\n")
        assert lines[-1] == ""
        lines = lines[:-1]
        assert 88 <= len(lines) <= 160
        for l in lines:
            parts = l.split(" ")
            assert len(parts) == 3 and all(num.fullmatch(p) for p in parts)


# ------------------------------------------------------------------ manifest

def test_manifest_covers_and_verifies(manifest):
    assert manifest, "empty manifest"
    bad = [r["key"] for r in manifest if r["verified"] != "yes"]
    assert not bad
    assert all(r["method"] for r in manifest)
    by_file = {}
    for r in manifest:
        by_file.setdefault(r["file"], []).append(r)
    for fname, tag, count in DATABASES:
        p = os.path.join(IDEAL, fname)
        if os.path.exists(p):
            ents = textfmt.parse_entries(read(p), tag)
            ids = [e["attrs"]["Id"] for e in ents]
            assert [r["entry"] for r in by_file.get("ideal/" + fname, [])] == ids
            for e, r in zip(ents, by_file["ideal/" + fname]):
                assert abs(float(r["length"]) - float(e["attrs"]["L"])) < 1e-5
    fs = os.path.join(RES, "knot_fseries")
    if os.path.isdir(fs):
        assert {r["key"] for r in manifest if r["file"].startswith("knot_fseries/")} == set(FSERIES_KEYS)
    d = os.path.join(IDEAL, "ideal_12_data")
    if os.path.isdir(d):
        assert {r["file"] for r in manifest if "ideal_12_data" in r["file"]} == {
            "ideal/ideal_12_data/" + n for n in os.listdir(d)}


def test_tightness_targets(manifest):
    rows = {(r["file"], r["key"]): r for r in manifest}
    tre = rows.get(("ideal/ideal.txt", "3_1"))
    hopf = rows.get(("ideal/ideal.txt", "L2a1"))
    if tre is None or hopf is None:
        pytest.skip("ideal.txt not generated yet")
    assert abs(float(tre["ropelength"]) / 16.372 - 1) < 0.005
    assert abs(float(hopf["ropelength"]) / (4 * np.pi) - 1) < 0.005
    # no knot below the proven lower bound 15.66 (a check on the thickness measurement)
    for r in manifest:
        if r["kind"] != "link" and r["type"] not in ("1_1",) and r["key"] != "1_1":
            assert float(r["ropelength"]) > 15.66, r["key"]
