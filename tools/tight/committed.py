"""The committed data as a baseline: manifest rows, the verbatim text blocks of database
entries and .fseries files, their Fourier coefficients, and a polygon sampled from a stored
curve to seed a further tightening run (tools/improve.py)."""
import functools
import os

import numpy as np

from . import geom, textfmt

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
RES = os.path.join(ROOT, "resources")

# data set name -> (file under resources/, entry tag)
SETS = {"ideal": ("ideal/ideal.txt", "AB"), "11a": ("ideal/ideal_11a.txt", "HT"),
        "11n": ("ideal/ideal_11n.txt", "HT"), "links": ("ideal/idealLinks.txt", "TL"),
        "10a": ("ideal/idealLinks_10a.txt", "TL"), "10n": ("ideal/idealLinks_10n.txt", "TL")}


def read_manifest(path=None):
    """(header, rows) of a manifest; every row a dict, in file order."""
    path = path or os.path.join(RES, "manifest.tsv")
    with open(path, newline="") as f:
        hdr = f.readline().rstrip("\n").split("\t")
        rows = [dict(zip(hdr, l.rstrip("\n").split("\t"))) for l in f]
    return hdr, rows


@functools.lru_cache(maxsize=None)
def text(relpath):
    with open(os.path.join(RES, relpath), newline="") as f:
        return f.read()


def row(set_name, key):
    fname = SETS[set_name][0] if set_name in SETS else f"knot_fseries/{key}.fseries"
    for r in read_manifest()[1]:
        if r["file"] == fname and r["key"] == key:
            return r
    return None


def entry_block(set_name, eid):
    """The verbatim text of the entry with this Id (from '<TAG Id=...' to '</TAG>')."""
    fname, tag = SETS[set_name]
    t = text(fname)
    s = t.find(f'<{tag} Id="{eid}"')
    if s < 0:
        return None
    e = t.find(f"</{tag}>", s)
    return t[s:e + len(tag) + 3]


def entry_coefs(set_name, eid):
    """[(A0, A, B), ...] of a committed database entry."""
    tag = SETS[set_name][1]
    ent = textfmt.parse_entries(entry_block(set_name, eid), tag)[0]
    return [c for _, c in ent["curves"]]


def fseries_coefs(key):
    rows = textfmt.parse_fseries(text(f"knot_fseries/{key}.fseries"))[0][1]
    return [(np.zeros(3), rows[:, [0, 2, 4]], rows[:, [1, 3, 5]])]


def sample_polygon(coefs, h=0.1):
    """Each component of a Fourier curve as a polygon with beads about h apart (equal
    arclength), from a dense sampling of the curve."""
    out = []
    for A0, A, B in coefs:
        s = np.linspace(0, 2 * np.pi, 20000, endpoint=False)
        x = geom.fourier_eval(A0, A, B, s)
        n = max(24, int(round(geom.polygon_length(x) / h)))
        out.append(geom.resample(x, n))
    return out
