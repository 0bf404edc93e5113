"""Gluing and completeness equations in logarithmic form, Newton's method, volume.

Shape z of a tetrahedron sits on edges 01 and 23, z' = 1/(1 - z) on 02 and 13, and
z'' = 1 - 1/z on 03 and 12.  Unknowns are w = log z; with L = log(1 - z) carried continuously,
log z' = -L and log z'' = i*pi - w + L, so every equation is linear in (w, L) plus multiples of
i*pi with exact integer coefficients.
"""

from __future__ import annotations

import cmath
import math

from ._dilog import bloch_wigner

TWO_PI_I = 2j * math.pi
PI_I = 1j * math.pi

# edge (i, j) -> 0: z, 1: z', 2: z''
_KIND = {(0, 1): 0, (2, 3): 0, (0, 2): 1, (1, 3): 1, (0, 3): 2, (1, 2): 2}
# (coef of w, coef of L, multiple of i*pi) for log of each kind
_FORM = ((1, 0, 0), (0, -1, 0), (-1, 1, 1))
# corner order of the link triangle at vertex v (even permutations (v, a, b, c))
_CORNERS = {0: (1, 2, 3), 1: (0, 3, 2), 2: (0, 1, 3), 3: (0, 2, 1)}


class Equation:
    __slots__ = ("w", "l", "k", "target")

    def __init__(self, target):
        self.w = {}
        self.l = {}
        self.k = 0
        self.target = target

    def add(self, t, kind, sign=1):
        cw, cl, k = _FORM[kind]
        if cw:
            self.w[t] = self.w.get(t, 0) + sign * cw
        if cl:
            self.l[t] = self.l.get(t, 0) + sign * cl
        self.k += sign * k

    def prune(self):
        self.w = {t: c for t, c in self.w.items() if c}
        self.l = {t: c for t, c in self.l.items() if c}


def edge_equations(tri):
    ecls, members = tri.edge_classes()
    eqs = []
    for mem in members:
        eq = Equation(TWO_PI_I)
        for (t, i, j) in mem:
            eq.add(t, _KIND[(i, j)])
        eq.prune()
        eqs.append(eq)
    return eqs


def cusp_equations(tri, every=False):
    """One completeness equation per cusp: the log-holonomy of a simple non-trivial cycle in the
    cusp triangulation, found by a tree-cotree decomposition, equals exactly 0.  With ``every``,
    the equations of all the generating cycles (two per torus cusp)."""
    n = tri.size
    vcls, ncls = tri.vertex_classes()
    # link vertices: ends of tetrahedron edges, (t, v, c) = end at v of edge vc
    lv = {}
    count = 0
    for t in range(n):
        for v in range(4):
            for c in range(4):
                if c == v or (t, v, c) in lv:
                    continue
                stack = [(t, v, c)]
                lv[(t, v, c)] = count
                while stack:
                    a, x, y = stack.pop()
                    for f in range(4):
                        if f == x or f == y:
                            continue
                        b = tri.nbr[a][f]
                        g = tri.glu[a][f]
                        key = (b, g[x], g[y])
                        if key not in lv:
                            lv[key] = count
                            stack.append(key)
                count += 1
    eqs = []
    for cusp in range(ncls):
        tris = [(t, v) for (t, v), c in vcls.items() if c == cusp]
        # sides: side of triangle (t, v) opposite corner c; canonical id = min of both views
        parent = {}

        def find(a):
            while parent.get(a, a) != a:
                parent[a] = parent.get(parent[a], parent[a])
                a = parent[a]
            return a

        tree_sides = set()
        sides = []
        seen = set()
        for (t, v) in tris:
            for c in range(4):
                if c == v:
                    continue
                other = (tri.nbr[t][c], tri.glu[t][c][v], tri.glu[t][c][c])
                sid = min((t, v, c), other)
                if sid in seen:
                    continue
                seen.add(sid)
                sides.append(sid)
        # primal spanning tree on link vertices
        for sid in sides:
            t, v, c = sid
            a, b = [x for x in range(4) if x != v and x != c]
            pa, pb = find(lv[(t, v, a)]), find(lv[(t, v, b)])
            if pa != pb:
                parent[pa] = pb
                tree_sides.add(sid)
        # dual spanning tree on triangles through the other sides
        par = {tris[0]: None}
        queue = [tris[0]]
        qi = 0
        dual_sides = set()
        while qi < len(queue):
            t, v = queue[qi]
            qi += 1
            for c in range(4):
                if c == v:
                    continue
                other = (tri.nbr[t][c], tri.glu[t][c][v], tri.glu[t][c][c])
                sid = min((t, v, c), other)
                if sid in tree_sides:
                    continue
                nb = (other[0], other[1])
                if nb not in par:
                    par[nb] = ((t, v), c)  # reached from (t, v) through its side opposite c
                    dual_sides.add(sid)
                    queue.append(nb)
        gens = [sid for sid in sides if sid not in tree_sides and sid not in dual_sides]
        if not gens:
            raise RuntimeError("cusp without a non-trivial cycle")
        eqs.extend(_holonomy(tri, par, gen) for gen in (gens if every else gens[:1]))
    return eqs


def parabolic_cusps(tri, res, tol=1e-8):
    """True when every generating cycle of every cusp has holonomy exp(log-holonomy) = 1 at the
    solution: the representation is boundary-parabolic, not merely complete along one curve."""
    try:
        eqs = cusp_equations(tri, every=True)
    except RuntimeError:
        return False
    for e in eqs:
        h = e.k * PI_I + sum(c * res.w[t] for t, c in e.w.items()) + sum(c * res.L[t] for t, c in e.l.items())
        turns = h.imag / (2 * math.pi)
        if abs(h.real) > tol or abs(turns - round(turns)) * 2 * math.pi > tol:
            return False
    return True


def _path_to_root(par, node):
    path = [node]
    while par[node] is not None:
        node = par[node][0]
        path.append(node)
    return path


def _holonomy(tri, par, gen):
    t, v, c = gen
    start = (t, v)
    end = (tri.nbr[t][c], tri.glu[t][c][v])
    # cycle: start -> (tree path) -> end -> through side gen back to start.
    pa = _path_to_root(par, start)
    pb = _path_to_root(par, end)
    sa = set(pa)
    lca = next(x for x in pb if x in sa)
    up = pa[:pa.index(lca) + 1]          # start ... lca
    down = pb[:pb.index(lca)]            # end ... (child of lca)
    seq = up + list(reversed(down))      # start ... lca ... end
    # exit corner of each triangle in seq towards the next one, then end -> start via gen
    steps = []  # (triangle, exit corner)
    for idx in range(len(seq) - 1):
        x, y = seq[idx], seq[idx + 1]
        if par[x] is not None and par[x][0] == y:
            # x was reached from y through y's side opposite cy; x's side is its image
            (yt, yv), cy = par[x]
            g = tri.glu[yt][cy]
            steps.append((x, g[cy]))
        else:
            (xt, xv), cx = par[y]
            steps.append((x, cx))
    # from end back to start through gen: end's side is the image of start's side c
    g = tri.glu[t][c]
    steps.append((end, g[c]))
    eq = Equation(0j)
    m = len(steps)
    for idx in range(m):
        (tt, vv), exit_c = steps[idx]
        (pt, pv), pexit = steps[idx - 1]
        entry_c = tri.glu[pt][pexit][pexit]
        if entry_c == exit_c:
            raise RuntimeError("backtracking cusp cycle")
        a, b, cc = _CORNERS[vv]
        order = (a, b, cc)
        turned = 6 - vv - entry_c - exit_c
        # (entry, exit, turned) in the triangle's cyclic order: turned corner on the right
        ie = order.index(entry_c)
        right = order[(ie + 1) % 3] == exit_c
        i, j = (vv, turned) if vv < turned else (turned, vv)
        eq.add(tt, _KIND[(i, j)], -1 if right else 1)
    eq.prune()
    return eq


def _solve_hermitian(a, b):
    """Gaussian elimination with partial pivoting; a is n x n (list of lists), b length n."""
    n = len(b)
    for col in range(n):
        piv = max(range(col, n), key=lambda r: abs(a[r][col]))
        if abs(a[piv][col]) < 1e-300:
            raise ZeroDivisionError
        if piv != col:
            a[col], a[piv] = a[piv], a[col]
            b[col], b[piv] = b[piv], b[col]
        rowc = a[col]
        inv = 1.0 / rowc[col]
        for r in range(col + 1, n):
            rr = a[r]
            f = rr[col] * inv
            if f:
                for cidx in range(col + 1, n):
                    rr[cidx] -= f * rowc[cidx]
                b[r] -= f * b[col]
    x = [0j] * n
    for r in range(n - 1, -1, -1):
        s = b[r]
        rr = a[r]
        for cidx in range(r + 1, n):
            s -= rr[cidx] * x[cidx]
        x[r] = s / rr[r]
    return x


class Result:
    def __init__(self, w, L, iterations, residual, converged):
        self.w = w  # log z and log(1 - z) as carried by Newton's method
        self.L = L
        self.z = [cmath.exp(x) for x in w]
        self.iterations = iterations
        self.residual = residual
        self.converged = converged

    @property
    def positive(self):
        return self.converged and all(x.imag > 1e-11 for x in self.z)

    @property
    def volume(self):
        return sum(bloch_wigner(x) for x in self.z)


def newton(eqs, n, max_iter=60, tol=1e-13, start=None):
    w = [complex(x) for x in start] if start else [PI_I / 3] * n
    L = [cmath.log(1 - cmath.exp(x)) for x in w]
    rows = [(list(e.w.items()), list(e.l.items()), e.k * PI_I - e.target) for e in eqs]

    def residual(w, L):
        out = []
        for cw, cl, c in rows:
            s = c
            for t, k in cw:
                s += k * w[t]
            for t, k in cl:
                s += k * L[t]
            out.append(s)
        return out

    r = residual(w, L)
    f = sum(abs(x) ** 2 for x in r)
    it = 0
    while it < max_iter and f > tol * tol:
        it += 1
        z = [cmath.exp(x) for x in w]
        dl = [-zz / (1 - zz) for zz in z]
        # normal equations J^H J d = -J^H r
        a = [[0j] * n for _ in range(n)]
        b = [0j] * n
        for (cw, cl, _), ri in zip(rows, r):
            jr = {}
            for t, k in cw:
                jr[t] = jr.get(t, 0) + k
            for t, k in cl:
                jr[t] = jr.get(t, 0) + k * dl[t]
            items = [(t, v) for t, v in jr.items() if v != 0]
            for t, v in items:
                vc = v.conjugate() if isinstance(v, complex) else v
                row = a[t]
                for s, u in items:
                    row[s] += vc * u
                b[t] -= vc * ri
        try:
            d = _solve_hermitian(a, b)
        except ZeroDivisionError:
            return Result(w, L, it, math.sqrt(f), False)
        step = 1.0
        accepted = False
        for _ in range(30):
            w2 = [w[t] + step * d[t] for t in range(n)]
            L2 = []
            bad = False
            for t in range(n):
                if abs(w2[t].real) > 600:
                    bad = True
                    break
                zz = cmath.exp(w2[t])
                if abs(1 - zz) < 1e-300:
                    bad = True
                    break
                pred = L[t] + step * dl[t] * d[t]
                val = cmath.log(1 - zz)
                k = round((pred.imag - val.imag) / (2 * math.pi))
                L2.append(val + TWO_PI_I * k)
            if not bad:
                r2 = residual(w2, L2)
                f2 = sum(abs(x) ** 2 for x in r2)
                if f2 < f or f2 < tol * tol:
                    w, L, r, f = w2, L2, r2, f2
                    accepted = True
                    break
            step *= 0.5
        if not accepted:
            break
    return Result(w, L, it, math.sqrt(f), f <= tol * tol * 100)
