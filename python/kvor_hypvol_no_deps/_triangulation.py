"""Ideal triangulations of link complements.

A triangulation is a list of tetrahedra; tetrahedron t has ``nbr[t][f]`` (the tetrahedron glued
to its face opposite vertex f) and ``glu[t][f]`` (a tuple g of length 4: vertex v of t goes to
vertex g[v] of the neighbour).  All tetrahedra are labelled so that gluings are odd
permutations (a consistent orientation).
"""

from __future__ import annotations

import random

from ._diagram import Diagram

S, U, O, N = 0, 1, 2, 3
_ID = (0, 1, 2, 3)
_EDGES = ((0, 1), (0, 2), (0, 3), (1, 2), (1, 3), (2, 3))


def _inv(g):
    r = [0] * 4
    for i, x in enumerate(g):
        r[x] = i
    return tuple(r)


def _comp(a, b):
    """a after b."""
    return tuple(a[b[i]] for i in range(4))


def _parity(g):
    inv = 0
    for i in range(4):
        for j in range(i + 1, 4):
            if g[i] > g[j]:
                inv += 1
    return inv & 1


class Triangulation:
    def __init__(self, nbr, glu, finite=()):
        self.nbr = nbr
        self.glu = glu
        # vertex classes known to be finite (sphere links), as representative (t, v)
        self.finite = list(finite)

    @property
    def size(self):
        return len(self.nbr)

    def copy(self):
        return Triangulation([list(x) for x in self.nbr], [list(x) for x in self.glu], list(self.finite))

    # -- classes -----------------------------------------------------------------------------
    def vertex_classes(self):
        n = len(self.nbr)
        cls = {}
        ncls = 0
        for t in range(n):
            for v in range(4):
                if (t, v) in cls:
                    continue
                stack = [(t, v)]
                cls[(t, v)] = ncls
                while stack:
                    a, x = stack.pop()
                    for f in range(4):
                        if f == x:
                            continue
                        b = self.nbr[a][f]
                        y = self.glu[a][f][x]
                        if (b, y) not in cls:
                            cls[(b, y)] = ncls
                            stack.append((b, y))
                ncls += 1
        return cls, ncls

    def edge_classes(self):
        """Return (cls, members): cls[(t, i, j)] with i < j; members[e] = list of (t, i, j)."""
        n = len(self.nbr)
        cls = {}
        members = []
        for t in range(n):
            for (i, j) in _EDGES:
                if (t, i, j) in cls:
                    continue
                e = len(members)
                mem = []
                stack = [(t, i, j)]
                cls[(t, i, j)] = e
                while stack:
                    a, x, y = stack.pop()
                    mem.append((a, x, y))
                    for f in range(4):
                        if f == x or f == y:
                            continue
                        b = self.nbr[a][f]
                        g = self.glu[a][f]
                        u, w = g[x], g[y]
                        if u > w:
                            u, w = w, u
                        if (b, u, w) not in cls:
                            cls[(b, u, w)] = e
                            stack.append((b, u, w))
                members.append(mem)
        return cls, members

    def check(self):
        """Consistency of the gluings (symmetric, odd)."""
        for t in range(len(self.nbr)):
            for f in range(4):
                b = self.nbr[t][f]
                g = self.glu[t][f]
                if _parity(g) != 1:
                    raise AssertionError("even gluing")
                if self.nbr[b][g[f]] != t or self.glu[b][g[f]] != _inv(g):
                    raise AssertionError("asymmetric gluing")

    # -- moves -------------------------------------------------------------------------------
    def collapse_edge(self, emb, ecls, members, vcls):
        """Collapse the edge class of embedding ``emb`` = (t, i, j).  Returns True on success.

        Each tetrahedron around the edge is flattened: the two faces that meet the edge's two
        ends become one.  Refused when a tetrahedron meets the edge twice or when the induced
        identifications of edges or of triangles close a cycle (that would change the
        topology).
        """
        e = ecls[emb]
        star = members[e]
        tets = [m[0] for m in star]
        if len(set(tets)) != len(tets):
            return False
        t0, i0, j0 = star[0]
        # edge identifications: for each triangle containing the edge, its other two edges
        parent = {}

        def find(a):
            while parent.get(a, a) != a:
                a = parent[a]
            return a

        def union(a, b):
            ra, rb = find(a), find(b)
            if ra == rb:
                return False
            parent[ra] = rb
            return True

        def ekey(t, x, y):
            return ecls[(t, x, y) if x < y else (t, y, x)]

        seen_tri = set()
        for (t, i, j) in star:
            for c in range(4):
                if c == i or c == j:
                    continue
                # triangle opposite the fourth vertex d contains i, j, c
                d = 6 - i - j - c
                key = min((t, d), (self.nbr[t][d], self.glu[t][d][d]))
                if key in seen_tri:
                    continue
                seen_tri.add(key)
                a1, a2 = ekey(t, i, c), ekey(t, j, c)
                if a1 == e or a2 == e:
                    return False
                if not union(("e", a1), ("e", a2)):
                    return False
        # triangle identifications: faces opposite i and opposite j of each star tetrahedron
        for (t, i, j) in star:
            fa = min((t, i), (self.nbr[t][i], self.glu[t][i][i]))
            fb = min((t, j), (self.nbr[t][j], self.glu[t][j][j]))
            if not union(("f",) + fa, ("f",) + fb):
                return False
        # flatten, one tetrahedron at a time
        removed = set()
        for (t, i, j) in star:
            n1, g1 = self.nbr[t][i], self.glu[t][i]
            n2, g2 = self.nbr[t][j], self.glu[t][j]
            # face opposite i of t (contains j) goes to face opposite j (contains i): swap i, j
            sw = list(_ID)
            sw[i], sw[j] = j, i
            sw = tuple(sw)
            # map from n1's vertices to n2's vertices
            h = _comp(g2, _comp(sw, _inv(g1)))
            f1 = g1[i]
            f2 = g2[j]
            self.nbr[n1][f1] = n2
            self.glu[n1][f1] = h
            self.nbr[n2][f2] = n1
            self.glu[n2][f2] = _inv(h)
            removed.add(t)
        self._compact(removed)
        return True

    def two_zero(self, star, ecls):
        """Cancel the two tetrahedra around an edge of degree 2: the outer faces of one are
        glued to the matching outer faces of the other."""
        if len(star) != 2:
            return False
        t1, a, b = star[0]
        t2 = star[1][0]
        if t1 == t2:
            return False
        c = next(x for x in range(4) if x != a and x != b)
        d = 6 - a - b - c
        if self.nbr[t1][c] != t2 or self.nbr[t1][d] != t2:
            return False
        g = self.glu[t1][d]
        if self.glu[t1][c] != g:
            return False
        # the two copies of edge cd must be different edges
        e1 = ecls[(t1, min(c, d), max(c, d))]
        gc, gd = g[c], g[d]
        e2 = ecls[(t2, min(gc, gd), max(gc, gd))]
        if e1 == e2:
            return False
        plan = []
        for f in (a, b):
            n1, p1 = self.nbr[t1][f], self.glu[t1][f]
            n2, p2 = self.nbr[t2][g[f]], self.glu[t2][g[f]]
            if n1 in (t1, t2) or n2 in (t1, t2):
                return False
            h = _comp(p2, _comp(g, _inv(p1)))
            plan.append((n1, p1[f], n2, p2[g[f]], h))
        for n1, f1, n2, f2, h in plan:
            self.nbr[n1][f1] = n2
            self.glu[n1][f1] = h
            self.nbr[n2][f2] = n1
            self.glu[n2][f2] = _inv(h)
        self._compact({t1, t2})
        return True

    def _compact(self, removed):
        keep = [t for t in range(len(self.nbr)) if t not in removed]
        idx = {t: k for k, t in enumerate(keep)}
        self.nbr = [[idx[b] for b in self.nbr[t]] for t in keep]
        self.glu = [list(self.glu[t]) for t in keep]

    def three_two(self, star):
        """3-2 move about an edge of degree 3 with three distinct tetrahedra."""
        tets = [m[0] for m in star]
        if len(star) != 3 or len(set(tets)) != 3:
            return False
        # walk around the edge to get a consistent cyclic labelling
        t, a, b = star[0]
        c = next(x for x in range(4) if x != a and x != b)
        d = 6 - a - b - c
        ring = []  # (tet, a, b, c, d): tet vertices, c -> d rotates around the edge
        for _ in range(3):
            ring.append((t, a, b, c, d))
            g = self.glu[t][c]
            t, a, b, c, d = self.nbr[t][c], g[a], g[b], g[d], g[c]
        if sorted(r[0] for r in ring) != sorted(tets) or ring[0][0] != t:
            return False
        tset = set(tets)
        for (t, a, b, c, d) in ring:
            for f in (a, b):
                nb = self.nbr[t][f]
                if nb in tset:
                    back = self.glu[t][f][f]
                    if not any(r[0] == nb and back in (r[1], r[2]) for r in ring):
                        return False
        # new tetrahedra: A = (a, x0, x1, x2), B = (b, x0, x1, x2) with x_k = vertex d of ring k
        # (equal to vertex c of ring k+1).  Outer faces: ring k's face opposite b (a, c, d) goes
        # to A, face opposite a (b, c, d) goes to B.
        base = len(self.nbr)
        A, Bt = base, base + 1
        self.nbr.append([None] * 4)
        self.glu.append([None] * 4)
        self.nbr.append([None] * 4)
        self.glu.append([None] * 4)
        # vertex 0 of A is 'a', vertices 1,2,3 are x0,x1,x2; B likewise with 'b'.
        # x_k: ring k's d = ring k+1's c; so ring k spans x_{k-1} (its c) and x_k (its d).
        # face of A opposite vertex (1 + (k+1) % 3) contains a, x_{k-1}, x_k: ring k's face opp b.
        # orientation: choose B with an odd swap so gluings stay odd
        outer = {}
        for k, (t, a, b, c, d) in enumerate(ring):
            xc = 1 + (k - 1) % 3
            xd = 1 + k % 3
            opp = 6 - xc - xd  # remaining label among 1..3
            # A: tet vertex a -> 0, c -> xc, d -> xd, b -> opp
            mapA = [0] * 4
            mapA[a], mapA[c], mapA[d], mapA[b] = 0, xc, xd, opp
            mapB = [0] * 4
            mapB[b], mapB[c], mapB[d], mapB[a] = 0, xc, xd, opp
            outer[(t, b)] = (A, tuple(mapA))
            outer[(t, a)] = (Bt, tuple(mapB))
        self._glue_outer(outer)
        # A and B share the face opposite vertex 0 (x0, x1, x2); vertex 0 <-> 0, x's fixed
        self.nbr[A][0] = Bt
        self.glu[A][0] = _ID
        self.nbr[Bt][0] = A
        self.glu[Bt][0] = _ID
        self._compact(set(tets))
        self._fix_orientation()
        return True

    def _glue_outer(self, outer):
        """Glue the faces of new tetrahedra that replace outer faces of removed ones.

        ``outer[(t, f)] = (new, mp)``: face f of the removed tetrahedron t becomes the face of
        ``new`` opposite mp[f], vertex v of t becoming vertex mp[v] of ``new``.
        """
        for (t, f), (new, mp) in outer.items():
            face_new = mp[f]
            nb = self.nbr[t][f]
            g = self.glu[t][f]
            if (nb, g[f]) in outer:
                new2, mp2 = outer[(nb, g[f])]
                h = [0] * 4
                for v in range(4):
                    h[mp[v]] = mp2[g[v]]
                self.nbr[new][face_new] = new2
                self.glu[new][face_new] = tuple(h)
            else:
                inv_mp = _inv(mp)
                h = tuple(g[inv_mp[v]] for v in range(4))
                self.nbr[new][face_new] = nb
                self.glu[new][face_new] = h
                self.nbr[nb][g[f]] = new
                self.glu[nb][g[f]] = _inv(h)

    def two_three(self, t, f):
        """2-3 move across face f of t (two distinct tetrahedra)."""
        u = self.nbr[t][f]
        if u == t:
            return False
        g = self.glu[t][f]
        p = f            # apex of t
        q = g[f]         # apex of u
        face = [v for v in range(4) if v != f]
        base = len(self.nbr)
        new = [base, base + 1, base + 2]
        for _ in range(3):
            self.nbr.append([None] * 4)
            self.glu.append([None] * 4)
        # new tet k: vertices 0 = p, 1 = q, 2 = face[k], 3 = face[k+1]
        outer = {}
        for k in range(3):
            x, y = face[k], face[(k + 1) % 3]
            z = face[(k + 2) % 3]
            # t's face opposite z: contains p, x, y
            mt = [0] * 4
            mt[p], mt[z], mt[x], mt[y] = 0, 1, 2, 3
            outer[(t, z)] = (new[k], tuple(mt))
            mu = [0] * 4
            mu[q], mu[g[z]], mu[g[x]], mu[g[y]] = 1, 0, 2, 3
            outer[(u, g[z])] = (new[k], tuple(mu))
        self._glue_outer(outer)
        # internal faces around the new edge p-q: tet k's face opposite 2 (p, q, face[k+1])
        # meets tet k+1's face opposite 3 (p, q, face[k+1])
        for k in range(3):
            a, b = new[k], new[(k + 1) % 3]
            h = (0, 1, 3, 2)
            self.nbr[a][2] = b
            self.glu[a][2] = h
            self.nbr[b][3] = a
            self.glu[b][3] = h
        self._compact({t, u})
        self._fix_orientation()
        return True

    def _fix_orientation(self):
        """Relabel tetrahedra (swap vertices 2 and 3) so that every gluing is odd."""
        n = len(self.nbr)
        flip = [None] * n
        for s in range(n):
            if flip[s] is not None:
                continue
            flip[s] = False
            stack = [s]
            while stack:
                a = stack.pop()
                for f in range(4):
                    b = self.nbr[a][f]
                    par = _parity(self.glu[a][f])
                    want = flip[a] if par == 1 else (not flip[a])
                    if flip[b] is None:
                        flip[b] = want
                        stack.append(b)
        sw = (0, 1, 3, 2)
        for a in range(n):
            for f in range(4):
                g = self.glu[a][f]
                if flip[a]:
                    g = _comp(g, sw)
                if flip[self.nbr[a][f]]:
                    g = _comp(sw, g)
                self.glu[a][f] = g
        newnbr = []
        newglu = []
        for a in range(n):
            if flip[a]:
                newnbr.append([self.nbr[a][sw[f]] for f in range(4)])
                newglu.append([self.glu[a][sw[f]] for f in range(4)])
            else:
                newnbr.append(self.nbr[a])
                newglu.append(self.glu[a])
        self.nbr, self.glu = newnbr, newglu


def octahedral(diagram: Diagram) -> Triangulation:
    """Four tetrahedra per crossing, one per corner; vertices S, U, O, N.

    Tetrahedron 4k + i sits at corner i of crossing k (between slots i and i + 1).  Its face
    opposite U carries the over-strand point and slides along the over-arc of the corner to the
    next crossing; its face opposite O slides along the under-arc.  The two faces opposite the
    poles are shared with the neighbouring corners of the same crossing.
    """
    n = diagram.crossings
    part = diagram.partner
    nbr = [[None] * 4 for _ in range(4 * n)]
    glu = [[None] * 4 for _ in range(4 * n)]

    def pole(p):
        return S if p % 2 else N

    def corner_across(i, p):
        k2, p2 = part[(k, p)]
        return k2, ((p2 - 1) % 4 if p == i else p2), p2

    for k in range(n):
        for i in range(4):
            t = 4 * k + i
            # faces shared inside the octahedron
            nbr[t][pole(i)] = 4 * k + (i + 1) % 4
            glu[t][pole(i)] = _ID
            nbr[t][pole(i + 1)] = 4 * k + (i - 1) % 4
            glu[t][pole(i + 1)] = _ID
            p_over = i if i % 2 else (i + 1) % 4
            p_under = (i + 1) % 4 if i % 2 else i
            for face, mine, p in ((U, O, p_over), (O, U, p_under)):
                k2, i2, p2 = corner_across(i, p)
                x = O if p2 % 2 else U
                other = U if x == O else O
                g = [0] * 4
                g[S], g[N], g[mine], g[face] = S, N, x, other
                nbr[t][face] = 4 * k2 + i2
                glu[t][face] = tuple(g)
    # orient: swap the poles in tetrahedra at odd corners
    sw = (N, U, O, S)
    flip = [(t % 4) % 2 == 1 for t in range(4 * n)]
    tri_nbr = []
    tri_glu = []
    for t in range(4 * n):
        rn = [None] * 4
        rg = [None] * 4
        for f in range(4):
            g = glu[t][f]
            b = nbr[t][f]
            if flip[t]:
                g = _comp(g, sw)
            if flip[b]:
                g = _comp(sw, g)
            ff = sw[f] if flip[t] else f
            rn[ff] = b
            rg[ff] = g
        tri_nbr.append(rn)
        tri_glu.append(rg)
    return Triangulation(tri_nbr, tri_glu)


def remove_finite_vertices(tri: Triangulation, rng: random.Random | None = None):
    """Collapse an edge from each pole to a cusp.  Returns False when no valid edge is found."""
    while True:
        ok = False
        vcls, _ = tri.vertex_classes()
        finite = _finite_classes(tri, vcls)
        if not finite:
            return True
        target = finite[0]
        ecls, members = tri.edge_classes()
        cands = []
        for e, mem in enumerate(members):
            t, i, j = mem[0]
            ci, cj = vcls[(t, i)], vcls[(t, j)]
            if (ci == target) != (cj == target) and ci not in finite[1:] and cj not in finite[1:]:
                cands.append(e)
        # long edges first: collapsing them removes the most tetrahedra
        if rng is not None:
            cands.sort(key=lambda e: -len(members[e]) - 3 * rng.random())
        else:
            cands.sort(key=lambda e: -len(members[e]))
        for e in cands:
            if tri.collapse_edge(members[e][0], ecls, members, vcls):
                ok = True
                break
        if not ok:
            return False


def _link_euler(tri, vcls, ncls):
    """Euler characteristic of the link of each vertex class."""
    tris = [0] * ncls
    for c in vcls.values():
        tris[c] += 1
    ecls, members = tri.edge_classes()
    verts = [0] * ncls
    for mem in members:
        t, i, j = mem[0]
        verts[vcls[(t, i)]] += 1
        verts[vcls[(t, j)]] += 1
    # each link triangle has three sides, each shared by two triangles
    return [verts[c] - 3 * tris[c] // 2 + tris[c] for c in range(ncls)]


def _finite_classes(tri, vcls):
    """Vertex classes whose link is a sphere."""
    ncls = max(vcls.values()) + 1 if vcls else 0
    return [c for c, chi in enumerate(_link_euler(tri, vcls, ncls)) if chi == 2]


def link_euler(tri):
    vcls, ncls = tri.vertex_classes()
    return _link_euler(tri, vcls, ncls)


def simplify(tri: Triangulation):
    """Greedy 3-2 moves and 2-0 moves (degree-2 edges collapsed) until none applies."""
    progress = True
    while progress:
        progress = False
        ecls, members = tri.edge_classes()
        order = sorted(range(len(members)), key=lambda e: len(members[e]))
        for e in order:
            d = len(members[e])
            if d > 3:
                break
            if d == 2:
                if tri.two_zero(members[e], ecls):
                    progress = True
                    break
            elif d == 3:
                if tri.three_two(members[e]):
                    progress = True
                    break
    return tri


def randomize(tri: Triangulation, rng: random.Random, moves: int):
    for _ in range(moves):
        t = rng.randrange(tri.size)
        f = rng.randrange(4)
        tri.two_three(t, f)


def repair_low_degree(tri: Triangulation, max_moves: int = 50):
    """Raise every edge of degree 1 or 2 to degree 3 with 2-3 moves (such an edge forces flat
    or negatively oriented tetrahedra).  The move goes across the face of a tetrahedron of the
    edge that is opposite one of its ends; faces whose edges are long are preferred so that no
    new short edge appears."""
    for _ in range(max_moves):
        ecls, members = tri.edge_classes()
        short = [e for e, m in enumerate(members) if len(m) <= 2]
        if not short:
            return True
        best = None
        for e in short:
            for (t, i, j) in members[e]:
                for apex in (i, j):
                    u = tri.nbr[t][apex]
                    if u == t:
                        continue
                    face = [v for v in range(4) if v != apex]
                    degs = []
                    for a in range(3):
                        x, y = face[a], face[(a + 1) % 3]
                        degs.append(len(members[ecls[(t, min(x, y), max(x, y))]]))
                    score = min(degs)
                    if best is None or score > best[0]:
                        best = (score, t, apex)
        if best is None or best[0] <= 3:
            return False
        tri.two_three(best[1], best[2])
    return False
