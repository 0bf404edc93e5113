"""Why a diagram has no positively oriented solution: evidence from the diagram itself.

Used only after the solver has failed, so nothing here is on the hyperbolic path.  Everything
works on counter-clockwise rows (the knot-table convention, slots 0 and 2 on the under-strand),
as held in ``Diagram.ends``.

* Connected sums: a simple closed curve meeting the diagram in two points, with crossings on
  both sides, is a cycle of length two in the dual graph: two faces sharing two distinct edges.
  Cutting there and closing each side up gives the summand diagrams.
* The Alexander polynomial, exactly, from the Fox matrix of the Wirtinger presentation: a
  determinant over Z[t], computed by exact integer (Bareiss) determinants at integer points and
  interpolation.
"""

from __future__ import annotations

from fractions import Fraction
from math import gcd

from ._diagram import _label_ends, remove_kinks


# -- connected sums ----------------------------------------------------------------------------

def _two_edge_cut(rows):
    """Two arc labels whose removal separates the diagram, or None.  Each arc borders two faces
    (its two sides); two arcs bordering the same two faces are such a cut."""
    where = _label_ends(rows)
    face_of = {}  # (crossing, slot) -> face: the face on the side traced leaving that slot
    faces = 0
    for k in range(len(rows)):
        for p in range(4):
            if (k, p) in face_of:
                continue
            cur = (k, p)
            while cur not in face_of:
                face_of[cur] = faces
                a, b = where[rows[cur[0]][cur[1]]]
                k2, p2 = b if a == cur else a
                cur = (k2, (p2 + 1) % 4)
            faces += 1
    by_faces = {}
    for lab, (a, b) in where.items():
        key = tuple(sorted((face_of[a], face_of[b])))
        if key[0] != key[1]:
            by_faces.setdefault(key, []).append(lab)
    for labs in by_faces.values():
        if len(labs) >= 2:
            return labs[0], labs[1], where
    return None


def _sides(rows, e1, e2, where):
    """The crossings on the side of the cut {e1, e2} that holds the first end of e1."""
    adj = [[] for _ in rows]
    for lab, ((k1, _), (k2, _)) in where.items():
        if lab not in (e1, e2):
            adj[k1].append(k2)
            adj[k2].append(k1)
    start = where[e1][0][0]
    side = {start}
    stack = [start]
    while stack:
        for k2 in adj[stack.pop()]:
            if k2 not in side:
                side.add(k2)
                stack.append(k2)
    return side


def summands(rows):
    """Counter-clockwise rows of the summand diagrams of a connected sum, each without kinks;
    summands with no crossings left are dropped.  A prime-looking diagram gives [rows]."""
    rows = remove_kinks(rows, True)
    if not rows:
        return []
    cut = _two_edge_cut(rows)
    if cut is None:
        return [rows]
    e1, e2, where = cut
    side = _sides(rows, e1, e2, where)
    out = []
    for part in (side, set(range(len(rows))) - side):
        # close the side up: the end of e2 on this side joins the end of e1 on this side
        closed = [[e1 if lab == e2 else lab for lab in rows[k]] for k in sorted(part)]
        out.extend(summands(closed))
    return out


# -- Alexander polynomial ----------------------------------------------------------------------

def _orient(rows, where):
    """Walk each component along the strands (entering slot p, leaving slot p + 2), starting on
    an incoming under-arc.  Returns (entry slot of the under-strand, entry slot of the over-strand)
    per crossing and the number of components, or None when a component never passes under
    (then it lifts off the rest: a split link)."""
    n = len(rows)
    under_in = [None] * n
    over_in = [None] * n
    comps = 0
    for k0 in range(n):
        if under_in[k0] is not None:
            continue
        comps += 1
        k, p = k0, 0
        while True:
            if p % 2 == 0:
                if under_in[k] is not None:
                    break
                under_in[k] = p
            else:
                if over_in[k] is not None:
                    break
                over_in[k] = p
            a, b = where[rows[k][(p + 2) % 4]]
            k, p = b if a == (k, (p + 2) % 4) else a
    if any(x is None for x in over_in):
        return None
    return under_in, over_in, comps


def _det(m):
    """Exact determinant of an integer matrix (Bareiss fraction-free elimination)."""
    m = [list(r) for r in m]
    n = len(m)
    sign = 1
    prev = 1
    for c in range(n - 1):
        if m[c][c] == 0:
            piv = next((r for r in range(c + 1, n) if m[r][c]), None)
            if piv is None:
                return 0
            m[c], m[piv] = m[piv], m[c]
            sign = -sign
        for r in range(c + 1, n):
            for j in range(c + 1, n):
                m[r][j] = (m[r][j] * m[c][c] - m[r][c] * m[c][j]) // prev
        prev = m[c][c]
    return sign * m[n - 1][n - 1] if n else 1


def _interpolate(xs, ys):
    """Integer coefficients (lowest degree first) of the polynomial through the points."""
    coef = [Fraction(y) for y in ys]
    n = len(xs)
    for j in range(1, n):  # Newton divided differences
        for i in range(n - 1, j - 1, -1):
            coef[i] = (coef[i] - coef[i - 1]) / (xs[i] - xs[i - j])
    poly = [coef[n - 1]]
    for i in range(n - 2, -1, -1):  # Horner on the Newton form: poly * (t - x_i) + c_i
        shifted = [Fraction(0)] + poly
        for d, c in enumerate(poly):
            shifted[d] -= xs[i] * c
        shifted[0] += coef[i]
        poly = shifted
    if any(c.denominator != 1 for c in poly):
        raise ArithmeticError("Alexander polynomial: non-integer interpolation")
    return [int(c) for c in poly]


def _normalize(poly):
    """Divide by the largest power of t and make the leading coefficient positive."""
    while poly and poly[-1] == 0:
        poly = poly[:-1]
    while poly and poly[0] == 0:
        poly = poly[1:]
    if poly and poly[-1] < 0:
        poly = [-c for c in poly]
    return poly


def alexander(rows):
    """(Alexander polynomial, number of components) of the counter-clockwise rows: the
    polynomial as integer coefficients, lowest degree first, up to units +-t^k (normalised with a
    positive leading coefficient); [] is the zero polynomial."""
    where = _label_ends(rows)
    oriented = _orient(rows, where)
    if oriented is None:
        return [], None
    under_in, over_in, comps = oriented
    n = len(rows)
    # Wirtinger generators: the arcs from one under-passage to the next
    gen = {}

    def find(a):
        while gen.get(a, a) != a:
            a = gen[a]
        return a

    for k, r in enumerate(rows):
        a, b = find(r[over_in[k]]), find(r[(over_in[k] + 2) % 4])
        if a != b:
            gen[a] = b
    index = {}
    for lab in where:
        index.setdefault(find(lab), len(index))
    # Fox derivatives of x_out = x_over^e x_in x_over^-e, abelianised; entries (const, coef of t)
    fox = [[(0, 0)] * n for _ in range(n)]
    for k, r in enumerate(rows):
        u = under_in[k]
        positive = over_in[k] == (u + 3) % 4
        cols = ((index[find(r[over_in[k]])], (1, -1)),
                (index[find(r[u])], (0, 1) if positive else (-1, 0)),
                (index[find(r[(u + 2) % 4])], (-1, 0) if positive else (0, 1)))
        for c, (a0, a1) in cols:
            b0, b1 = fox[k][c]
            fox[k][c] = (a0 + b0, a1 + b1)
    size = n - 1  # delete one relation and one generator
    xs = [(i + 1) // 2 * (1 if i % 2 else -1) for i in range(size + 1)]  # 0, 1, -1, 2, -2, ...
    ys = [_det([[a0 + a1 * x for a0, a1 in fox[k][:size]] for k in range(size)]) for x in xs]
    return _normalize(_interpolate(xs, ys)), comps


def _mul(a, b):
    out = [0] * (len(a) + len(b) - 1)
    for i, x in enumerate(a):
        for j, y in enumerate(b):
            out[i + j] += x * y
    return out


def _div(a, b):
    """Exact quotient of integer polynomials (b monic up to sign)."""
    a = list(a)
    q = [0] * (len(a) - len(b) + 1)
    for i in range(len(q) - 1, -1, -1):
        q[i] = a[i + len(b) - 1] // b[-1]
        for j, y in enumerate(b):
            a[i + j] -= q[i] * y
    return q


def torus_polynomial(p, q):
    """Alexander polynomial of the torus link T(p, q) (parallel orientation):
    (t^(pq/d) - 1)^d (t - 1) / ((t^p - 1)(t^q - 1)), d = gcd(p, q)."""
    d = gcd(p, q)
    num = [-1, 1]
    for _ in range(d):
        num = _mul(num, [-1] + [0] * (p * q // d - 1) + [1])
    return _normalize(_div(_div(num, [-1] + [0] * (p - 1) + [1]), [-1] + [0] * (q - 1) + [1]))


def torus_match(poly, comps):
    """(p, q) with 2 <= p <= q, gcd(p, q) = comps, whose torus link has this polynomial."""
    span = len(poly) - 1
    if span < 1:
        return None
    for p in range(2, span + 2):
        if span % (p - 1):
            continue
        q = span // (p - 1) + 1
        if q >= p and gcd(p, q) == comps and torus_polynomial(p, q) == poly:
            return p, q
    return None


def cable_match(poly):
    """(p, q, a, b): the (p, q)-cable of the torus knot T(a, b) has this polynomial,
    Delta_T(a,b)(t^p) Delta_T(p,q)(t) (q = 1: the pattern is a core curve, polynomial 1)."""
    span = len(poly) - 1
    for p in range(2, span // 2 + 1):
        for sk in range(2, (span - 1) // p + 1):  # span of the companion, (a - 1)(b - 1)
            rest = span - p * sk  # span of the pattern torus knot, (p - 1)(q - 1)
            if rest % (p - 1):
                continue
            q = rest // (p - 1) + 1
            if gcd(p, q) != 1:
                continue
            pattern = torus_polynomial(p, q) if q > 1 else [1]
            for a in range(2, sk + 2):
                if sk % (a - 1):
                    continue
                b = sk // (a - 1) + 1
                if b <= a or gcd(a, b) != 1:
                    continue
                companion = [0] * (p * sk + 1)
                for d, c in enumerate(torus_polynomial(a, b)):
                    companion[p * d] = c
                if _mul(companion, pattern) == poly:
                    return p, q, a, b
    return None


def format_poly(poly):
    if not poly:
        return "0"
    terms = []
    for d in range(len(poly) - 1, -1, -1):
        c = poly[d]
        if c == 0:
            continue
        mono = "" if d == 0 else ("t" if d == 1 else f"t^{d}")
        mag = abs(c)
        body = f"{mag}" if not mono else (mono if mag == 1 else f"{mag}{mono}")
        if not terms:
            terms.append(("-" if c < 0 else "") + body)
        else:
            terms.append(("- " if c < 0 else "+ ") + body)
    return " ".join(terms)


# -- the verdict -------------------------------------------------------------------------------

def classify(diagram):
    """(kind, message) for a connected, kink-free diagram without a positively oriented solution;
    kind is "composite", "torus", "cable" or None (nothing recognised)."""
    rows = [list(r) for r in diagram.ends]
    parts = summands(rows)
    if len(parts) >= 2:
        counts = " + ".join(str(len(s)) for s in sorted(parts, key=len))
        polys = [alexander(s)[0] for s in parts]
        if diagram.components() == 1 and all(len(pl) > 1 for pl in polys):
            why = "every summand has a non-trivial Alexander polynomial, so the knot is composite"
        else:
            why = "a summand with Alexander polynomial 1 might be an unknot drawn with crossings"
        return "composite", (f"composite: a circle meets the diagram in two points, cutting it "
                             f"into a connected sum of diagrams with {counts} crossings; {why}")
    poly, comps = alexander(rows)
    pq = torus_match(poly, comps) if comps else None
    if pq is not None:
        kind = "knot" if comps == 1 else "link"
        return "torus", (f"torus {kind}: Alexander polynomial {format_poly(poly)} is that of the "
                         f"torus {kind} T({pq[0]},{pq[1]}) (the polynomial is evidence, not a proof)")
    cable = cable_match(poly) if comps == 1 else None
    if cable is not None:
        p, q, a, b = cable
        return "cable", (f"satellite: Alexander polynomial {format_poly(poly)} is that of the "
                         f"({p},{q})-cable of the torus knot T({a},{b}) (the polynomial is evidence, not a proof)")
    return None, (f"satellite or otherwise non-hyperbolic (not recognised as composite or torus; "
                  f"Alexander polynomial {format_poly(poly)})")
