"""Text formats of the generated data: AB/HT/TL database entries, .fseries files and point
lists, plus small pure-Python readers used to check what was written."""
import re

import numpy as np

DATE = "2026-12-10"
AUTHOR = "kvor data generator (tools/run_batch.py)"


def round6(coefs):
    return [(np.round(A0, 6) + 0.0, np.round(A, 6) + 0.0, np.round(B, 6) + 0.0) for A0, A, B in coefs]


def _triple(v):
    return ",".join(f"{x:9.6f}" for x in v)


def coeff_lines(A0, A, B, indent="    ", with_zero=False):
    out = []
    if with_zero:
        out.append(f'{indent}<Coeff I="{0:3d}" A="{_triple(A0)}" B="{_triple(np.zeros(3))}" />')
    for j in range(len(A)):
        out.append(f'{indent}<Coeff I="{j + 1:3d}" A="{_triple(A[j])}" B="{_triple(B[j])}" />')
    return out


def data_open(title):
    return f'<DATA Title="{title}" Author="{AUTHOR}" Date="{DATE}">'


def entry(tag, eid, conway, L, D, coefs, Ls=None, sub=None):
    """One AB/HT/TL entry.  Single curves hold their Coeff lines directly; several curves are
    written as <sub I=...> elements (Component for AB, STRING for TL)."""
    conway = conway.replace('"', "").replace(">", "").replace("<", "")
    n = len(coefs)
    head = f'<{tag} Id="{eid}" Conway="{conway}" L="{L:.6f}" D="{D:9.6f}"'
    if n > 1 or tag == "TL":
        head += f' n="{n}"'
    lines = [head + ">"]
    if n == 1 and sub is None:
        lines += coeff_lines(*coefs[0])
    else:
        for i, (A0, A, B) in enumerate(coefs):
            lines.append(f'  <{sub} I="{i + 1}" L="{Ls[i]:.6f}">')
            lines += coeff_lines(A0, A, B, indent="    ", with_zero=True)
            lines.append(f"  </{sub}>")
    lines.append(f"</{tag}>")
    return "\n".join(lines)


def fseries_text(comments, A, B):
    lines = ["% " + c if c else "%" for c in comments]
    for j in range(len(A)):
        row = [A[j, 0], B[j, 0], A[j, 1], B[j, 1], A[j, 2], B[j, 2]]
        lines.append(" ".join(f"{v:10.6f}" for v in row))
    return "\n".join(lines) + "\n"


def points_text(pts):
    return "".join(f"{p[0]:.6e} {p[1]:.6e} {p[2]:.6e}\n" for p in pts)


# ------------------------------------------------------------------ readers (for checks)

_COEFF = re.compile(r'<Coeff\s+I="\s*([0-9]+)"\s+A="([^"]+)"\s+B="([^"]+)"\s*/?>', re.I)


def _tri(s):
    v = s.replace(",", " ").split()
    return [float(x) for x in v[:3]] if len(v) >= 3 else None


def parse_coeffs(body):
    """{I: (A, B)} of the Coeff lines of a text."""
    out = {}
    for m in _COEFF.finditer(body):
        a, b = _tri(m.group(2)), _tri(m.group(3))
        if a is not None and b is not None:
            out[int(m.group(1))] = (np.array(a), np.array(b))
    return out


def coeffs_to_arrays(cd):
    n = max([k for k in cd if k > 0], default=0)
    A = np.zeros((n, 3)); B = np.zeros((n, 3))
    A0 = cd.get(0, (np.zeros(3), np.zeros(3)))[0]
    for k, (a, b) in cd.items():
        if k > 0:
            A[k - 1] = a; B[k - 1] = b
    return A0, A, B


def parse_entries(text, tag):
    """Entries of one tag: list of dicts with attrs and per-curve (A0, A, B)."""
    sub = {"AB": "Component", "TL": "STRING", "HT": "Component"}[tag]
    out = []
    pos = 0
    while True:
        i = text.find("<" + tag, pos)
        if i < 0:
            break
        j = text.find(">", i)
        k = text.find("</" + tag + ">", j)
        if j < 0 or k < 0:
            break
        head, body = text[i:j + 1], text[j + 1:k]
        attrs = dict(re.findall(r'(\w+)="([^"]*)"', head))
        curves = []
        subs = list(re.finditer(r"<%s\b([^>]*)>([\s\S]*?)</%s>" % (sub, sub), body))
        if subs:
            for m in subs:
                sa = dict(re.findall(r'(\w+)="([^"]*)"', m.group(1)))
                curves.append((sa, coeffs_to_arrays(parse_coeffs(m.group(2)))))
        else:
            curves.append(({}, coeffs_to_arrays(parse_coeffs(body))))
        out.append(dict(attrs=attrs, curves=curves))
        pos = k + len(tag) + 3
    return out


def parse_fseries(text):
    """Lenient .fseries reader: list of (header, rows (n,6))."""
    blocks, header, rows = [], "", []

    def flush():
        nonlocal header, rows
        if rows:
            blocks.append((header, np.array(rows)))
            header, rows = "", []

    for line in text.split("\n"):
        line = line.rstrip(" \t\r\n")
        if not line:
            flush(); continue
        if line[0] == "%":
            flush(); header = line[1:].lstrip(" \t"); continue
        parts = line.split()
        try:
            vals = [float(x) for x in parts[:6]]
        except ValueError:
            continue
        if len(vals) == 6:
            rows.append(vals)
    flush()
    return blocks


def evaluative_id_lookup(text, eid):
    """Plain substring lookup of an AB entry as the particle evaluator's reader does it:
    returns the list of component texts, or None."""
    needle = '<AB Id="' + eid + '"'
    s = text.find(needle)
    if s < 0:
        return None
    e = text.find("</AB>", s)
    if e < 0:
        return None
    block = text[s:e]
    if len(block) < 10 or "<Component" not in block:
        return [block]
    comps, m = [], block.find("<Component")
    while m >= 0:
        c = block.find("</Component>", m)
        if c < 0:
            break
        comps.append(block[m:c])
        m = block.find("<Component", c)
    return comps or None
