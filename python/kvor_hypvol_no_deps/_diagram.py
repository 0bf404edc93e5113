"""Planar diagrams from PD codes.

A crossing is stored as four edge ends in counter-clockwise order, slots 0 and 2 on the
under-strand and slots 1 and 3 on the over-strand.  An edge (arc label) joins two ends.

Two input conventions are read:

* library: [incoming under, incoming over, outgoing under, outgoing over].  The cyclic
  order is either (0, 1, 2, 3) or (0, 3, 2, 1) of that list; which one is not in the code.
  It is recovered from planarity: the rotation system must trace a sphere.
* standard (knot tables): [a, b, c, d] counter-clockwise from the incoming under-arc.
"""

from __future__ import annotations

import numbers


class Diagram:
    """A connected planar diagram.

    ``ends[k][p]`` is the arc label at slot p of crossing k (counter-clockwise, 0/2 under);
    ``partner[(k, p)]`` is the other end (k', p') of the same arc.
    """

    def __init__(self, ends, partner):
        self.ends = ends
        self.partner = partner

    @property
    def crossings(self):
        return len(self.ends)

    def components(self):
        """Number of link components (strands go straight through a crossing)."""
        seen = set()
        count = 0
        for k in range(len(self.ends)):
            for p in range(4):
                if (k, p) in seen:
                    continue
                count += 1
                cur = (k, p)
                while cur not in seen:
                    seen.add(cur)
                    k2, p2 = self.partner[cur]
                    seen.add((k2, p2))
                    cur = (k2, (p2 + 2) % 4)
        return count

    def face_count(self):
        return _count_faces(self.partner, [1] * len(self.ends), range(len(self.ends)), full=True)


def _as_crossings(pd):
    try:
        rows = list(pd)
    except TypeError:
        raise ValueError("PD code must be a list of crossings, each a list of four integer labels") from None
    out = []
    for i, row in enumerate(rows):
        try:
            labels = list(row)
        except TypeError:
            raise ValueError(f"PD code: crossing {i} is not a list of four integer labels") from None
        if len(labels) != 4:
            raise ValueError(f"PD code: crossing {i} has {len(labels)} labels, expected 4")
        for x in labels:
            if isinstance(x, bool) or not isinstance(x, numbers.Integral):
                raise ValueError(f"PD code: crossing {i} has a non-integer label {x!r}")
        out.append([int(x) for x in labels])
    return out


def _label_ends(rows):
    where = {}
    for k, row in enumerate(rows):
        for p, lab in enumerate(row):
            where.setdefault(lab, []).append((k, p))
    for lab, occ in where.items():
        if len(occ) != 2:
            raise ValueError(
                f"PD code: label {lab} is used {len(occ)} time{'s' if len(occ) != 1 else ''}; "
                "every arc label must appear exactly twice")
    return where


def connected_pieces(rows, where):
    """Number of connected pieces of the diagram graph."""
    parent = list(range(len(rows)))

    def find(a):
        while parent[a] != a:
            parent[a] = parent[parent[a]]
            a = parent[a]
        return a

    for occ in where.values():
        a, b = find(occ[0][0]), find(occ[1][0])
        if a != b:
            parent[a] = b
    return len({find(k) for k in range(len(rows))})


def parse(pd, standard):
    """Return (rows, where) after validating labels."""
    rows = _as_crossings(pd)
    where = _label_ends(rows)
    if not standard:
        for lab, occ in where.items():
            kinds = sorted(p >= 2 for _, p in occ)
            if kinds != [False, True]:
                raise ValueError(
                    f"PD code: arc {lab} must leave one crossing and enter one crossing "
                    "(each crossing lists [incoming under, incoming over, outgoing under, outgoing over])")
    return rows, where


def _next_slot(p, s):
    return (p + s) % 4


def _count_faces(partner, sign, active, full):
    """Faces of the rotation system restricted to the crossings in ``active``.

    Slot p of crossing k has counter-clockwise successor p + sign[k].  Ends whose partner is
    outside ``active`` are ignored (the sub-diagram is a sub-ribbon-graph).  With ``full`` every
    end is taken.
    """
    act = set(active)
    seen = set()
    faces = 0
    for k in act:
        for p in range(4):
            if (k, p) in seen:
                continue
            if not full and partner[(k, p)][0] not in act:
                continue
            faces += 1
            cur = (k, p)
            while cur not in seen:
                seen.add(cur)
                k2, p2 = partner[cur]
                # turn to the next end of k2 that stays inside the sub-diagram
                q = p2
                while True:
                    q = _next_slot(q, sign[k2])
                    if full or partner[(k2, q)][0] in act:
                        break
                cur = (k2, q)
    return faces


def _genus_ok(partner, sign, active):
    """True when the sub-ribbon-graph on ``active`` crossings has genus 0."""
    act = set(active)
    edges2 = 0  # twice the number of internal edges
    for k in act:
        for p in range(4):
            if partner[(k, p)][0] in act:
                edges2 += 1
    # connected pieces of the sub-diagram
    parent = {k: k for k in act}

    def find(a):
        while parent[a] != a:
            parent[a] = parent[parent[a]]
            a = parent[a]
        return a

    for k in act:
        for p in range(4):
            k2 = partner[(k, p)][0]
            if k2 in act:
                a, b = find(k), find(k2)
                if a != b:
                    parent[a] = b
    comps = len({find(k) for k in act})
    faces = _count_faces(partner, sign, act, full=False)
    # isolated crossings (no internal ends) count one face each in V - E + F = 2 comps
    for k in act:
        if all(partner[(k, p)][0] not in act for p in range(4)):
            faces += 1
    euler = len(act) - edges2 // 2 + faces
    return euler == 2 * comps


def embed(rows, where, standard, stats=None, pieces=1):
    """Build the planar Diagram; ValueError when no choice of crossing handedness is planar."""
    n = len(rows)
    partner = {}
    for occ in where.values():
        a, b = occ
        partner[a] = b
        partner[b] = a
    if standard:
        sign = [1] * n
        if _count_faces(partner, sign, range(n), full=True) != n + 2 * pieces:
            raise ValueError("PD code is not planar: its counter-clockwise crossings do not trace a sphere")
        return Diagram([list(r) for r in rows], partner)

    # Order crossings so that each one is attached to those before it.
    order = [0]
    inside = {0}
    links = [0] * n
    for p in range(4):
        links[partner[(0, p)][0]] += 1
    while len(order) < n:
        best = max((k for k in range(n) if k not in inside), key=lambda k: links[k])
        order.append(best)
        inside.add(best)
        for p in range(4):
            links[partner[(best, p)][0]] += 1

    # internal degree of each crossing after each prefix; a crossing's handedness matters once
    # three of its ends are inside the prefix.
    sign = [0] * n
    prefix_of = {k: i for i, k in enumerate(order)}
    decide_at = [[] for _ in range(n)]
    for k in range(n):
        # an end of k is internal once both k and its partner's crossing are in the prefix
        times = sorted(max(prefix_of[k], prefix_of[partner[(k, p)][0]]) for p in range(4))
        decide_at[times[2]].append(k)
    first = [True]
    nodes = [0]
    limit = 200000

    def solve(i):
        if i == n:
            return True
        todo = decide_at[i]
        active = order[:i + 1]

        def rec(j):
            if j == len(todo):
                nodes[0] += 1
                if nodes[0] > limit:
                    raise ValueError("PD code: planar embedding search did not finish")
                tmp = [s if s else 1 for s in sign]
                if not _genus_ok(partner, tmp, active):
                    return False
                return solve(i + 1)
            k = todo[j]
            # the global mirror image is as good: the first decided crossing takes +1
            opts = (1,) if first[0] else (1, -1)
            was_first = first[0]
            first[0] = False
            for s in opts:
                sign[k] = s
                if rec(j + 1):
                    return True
            sign[k] = 0
            first[0] = was_first
            return False

        return rec(0)

    if not solve(0):
        raise ValueError("PD code is not planar: no choice of crossing handedness traces a sphere")
    sign = [s if s else 1 for s in sign]
    if stats is not None:
        stats["embedding_nodes"] = nodes[0]
    ends = []
    for k, r in enumerate(rows):
        ends.append([r[0], r[1], r[2], r[3]] if sign[k] == 1 else [r[0], r[3], r[2], r[1]])
    new_partner = {}
    slot_map = {}
    for k in range(n):
        for p in range(4):
            slot_map[(k, p)] = (k, p if sign[k] == 1 else (-p) % 4)
    for a, b in partner.items():
        new_partner[slot_map[a]] = slot_map[b]
    d = Diagram(ends, new_partner)
    if d.face_count() != n + 2 * pieces:  # guarded by the search
        raise ValueError("PD code is not planar")
    return d


def remove_kinks(rows, standard):
    """Drop Reidemeister-I loops: an arc that leaves a crossing and comes straight back to an
    adjacent slot.  Returns new rows in the same convention."""
    # library slots: the loop runs from an outgoing slot to the incoming slot of the other
    # strand, (2 -> 1) or (3 -> 0); table slots: any two neighbours
    pairs = [(p, (p + 1) % 4) for p in range(4)] if standard else [(2, 1), (3, 0)]
    rows = [list(r) for r in rows]
    k = 0
    while k < len(rows):
        r = rows[k]
        hit = next(((a, b) for a, b in pairs if r[a] == r[b]), None)
        if hit is None:
            k += 1
            continue
        keep, drop = [r[x] for x in range(4) if x not in hit]
        del rows[k]
        if keep != drop:
            for rr in rows:
                for x in range(4):
                    if rr[x] == drop:
                        rr[x] = keep
        k = 0
    return rows
