"""Regenerate tests/data/hypvol_table.tsv: PD codes and oracle volumes.

Rows: every prime knot of at most 12 crossings from the KnotInfo table, plus the Whitehead link
and the Borromean rings.  Volumes come from SnapPy (a test oracle only; the shipped solver does
not use it), cross-checked against the volumes KnotInfo lists.

Run in a separate virtual environment:
    python3.13 -m venv .venv-oracle && .venv-oracle/bin/pip install snappy database-knotinfo
    .venv-oracle/bin/python tools/make_hypvol_table.py
"""

import json
import sys
from pathlib import Path

import snappy
from database_knotinfo import link_list

OUT = Path(__file__).resolve().parent.parent / "tests" / "data" / "hypvol_table.tsv"
MAX_CROSSINGS = 12
LINKS = [("whitehead", "L5a1"), ("borromean", "L6a4")]


def library_convention(pd):
    """Counter-clockwise PD -> [in-under, in-over, out-under, out-over] along an orientation.

    Under-strands carry their direction (a -> c).  Each component is oriented from one of its
    under-passes and the direction is carried through the over-passes; a component without
    under-passes gets an arbitrary direction.
    """
    pd = [list(x) for x in pd]
    ends = {}
    for k, x in enumerate(pd):
        for p, lab in enumerate(x):
            ends.setdefault(lab, []).append((k, p))
    direction = {}  # (k, p) -> True if the strand enters the crossing at slot p

    def walk(k, p):
        # enter crossing k at slot p, follow the component
        while (k, p) not in direction:
            direction[(k, p)] = True
            q = (p + 2) % 4
            direction[(k, q)] = False
            lab = pd[k][q]
            a, b = ends[lab]
            k, p = b if a == (k, q) else a

    for k in range(len(pd)):
        if (k, 0) not in direction:
            walk(k, 0)
    for k in range(len(pd)):
        for p in (1, 3):
            if (k, p) not in direction:
                walk(k, p)
    out = []
    for k, x in enumerate(pd):
        over_in = 1 if direction[(k, 1)] else 3
        out.append([x[0], x[over_in], x[2], x[(over_in + 2) % 4]])
    return out


def volume(pd):
    M = snappy.Link(pd).exterior()
    for _ in range(50):
        sol = M.solution_type()
        if sol == "all tetrahedra positively oriented":
            break
        M.randomize()
    return float(M.volume()), sol


def main():
    rows = []
    for entry in link_list():
        name = entry["name"]
        cn = entry.get("crossing_number")
        if not cn or not cn.isdigit() or int(cn) == 0 or int(cn) > MAX_CROSSINGS:
            continue
        pd = json.loads(entry["pd_notation"])
        listed = float(entry["volume"]) if entry["volume"] not in ("", None) else None
        vol, sol = volume(pd)
        if listed == 0.0:
            vol = 0.0
        elif sol != "all tetrahedra positively oriented":
            raise SystemExit(f"{name}: oracle solution {sol}")
        elif listed is not None and abs(vol - listed) > 1e-8:
            raise SystemExit(f"{name}: oracle {vol} differs from listed {listed}")
        rows.append((name, 1, int(cn), vol, pd))
    for name, table_name in LINKS:
        L = snappy.Link(table_name)
        pd = [list(x) for x in L.PD_code()]
        vol, sol = volume(pd)
        if sol != "all tetrahedra positively oriented":
            raise SystemExit(f"{name}: oracle solution {sol}")
        rows.append((name, len(L.link_components), len(pd), vol, pd))
    OUT.parent.mkdir(parents=True, exist_ok=True)
    with OUT.open("w") as f:
        f.write("# name\tcomponents\tcrossings\tvolume\tpd_ccw\tpd_oriented\n")
        for name, comps, cn, vol, pd in rows:
            f.write(f"{name}\t{comps}\t{cn}\t{vol!r}\t{json.dumps(pd, separators=(',', ':'))}\t"
                    f"{json.dumps(library_convention(pd), separators=(',', ':'))}\n")
    print(f"wrote {len(rows)} rows to {OUT}", file=sys.stderr)


if __name__ == "__main__":
    main()
