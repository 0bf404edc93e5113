"""Planar diagram -> 3D polygon, and 3D polygon -> PD code."""
import numpy as np


def _seg_intersect(p, q, r, s):
    """Parameters (t, u) where p + t(q-p) meets r + u(s-r) in the plane, or None."""
    d1, d2 = q - p, s - r
    den = d1[0] * d2[1] - d1[1] * d2[0]
    if abs(den) < 1e-12:
        return None
    w = r - p
    t = (w[0] * d2[1] - w[1] * d2[0]) / den
    u = (w[0] * d1[1] - w[1] * d1[0]) / den
    if 0 <= t <= 1 and 0 <= u <= 1:
        return t, u
    return None


def curve_from_link(link, step=0.05, height=0.35, width=0.35, smooth=0.25):
    """3D polygons (grid step = 1) of a spherogram Link from its orthogonal planar layout:
    strands run in the plane z = 0 and rise/dip by `height` at their over/under passes."""
    from spherogram.links.orthogonal import OrthogonalLinkDiagram
    verts, arrows, crossings = OrthogonalLinkDiagram(link).plink_data()
    V = np.array(verts, dtype=float) / 10.0
    # chain arrows into components
    start = {a: i for i, (a, b) in enumerate(arrows)}
    used, comps_arrows = set(), []
    for i in range(len(arrows)):
        if i in used:
            continue
        chain, j = [], i
        while j not in used:
            used.add(j)
            chain.append(j)
            j = start[arrows[j][1]]
        comps_arrows.append(chain)
    # crossing points: for each arrow, list of (t along arrow, sign)
    marks = {i: [] for i in range(len(arrows))}
    for over, under, *_ in crossings:
        po, qo = V[arrows[over][0]], V[arrows[over][1]]
        pu, qu = V[arrows[under][0]], V[arrows[under][1]]
        tu = _seg_intersect(po, qo, pu, qu)
        if tu is None:
            raise RuntimeError("crossing arrows do not meet")
        marks[over].append((tu[0], +1.0))
        marks[under].append((tu[1], -1.0))
    comps = []
    for chain in comps_arrows:
        pts, zs = [], []
        for j in chain:
            a, b = V[arrows[j][0]], V[arrows[j][1]]
            ln = np.linalg.norm(b - a)
            n = max(2, int(np.ceil(ln / step)))
            t = np.arange(n) / n
            xy = a + np.outer(t, b - a)
            z = np.zeros(n)
            for tc, sg in marks[j]:
                z += sg * height * np.exp(-((t - tc) * ln / width) ** 2)
            pts.append(xy)
            zs.append(z)
        xy = np.vstack(pts)
        z = np.concatenate(zs)
        c = np.column_stack([xy, z])
        comps.append(c)
    # bumps near arrow ends belong to the neighbouring arrow too: recompute z along arclength
    out = []
    for chain, c in zip(comps_arrows, comps):
        out.append(c)
    if smooth > 0:
        out = [_gauss_smooth(c, smooth, step) for c in out]
    return out


def _gauss_smooth(c, sigma, step):
    n = len(c)
    k = int(np.ceil(3 * sigma / step))
    w = np.exp(-0.5 * (np.arange(-k, k + 1) * step / sigma) ** 2)
    w /= w.sum()
    out = np.zeros_like(c)
    for i, wi in zip(range(-k, k + 1), w):
        out += wi * np.roll(c, i, axis=0)
    return out


def closed_braid_curve(word, nstrands=None, radius=None, pts_per_crossing=40):
    """3D polygons of the closure of a braid word (signed generator indices, 1-based)."""
    word = list(word)
    if nstrands is None:
        nstrands = max(abs(g) for g in word) + 1
    m = len(word)
    if radius is None:
        radius = max(3.0, m * 1.6 / (2 * np.pi))
    # strand positions at each braid step
    perm = list(range(nstrands))  # perm[pos] = strand id at that position
    # track for every strand its (position, z) at each sample
    npts = m * pts_per_crossing
    pos = np.zeros((nstrands, npts))
    zz = np.zeros((nstrands, npts))
    where = list(range(nstrands))  # position of each strand
    for ci, g in enumerate(word):
        i = abs(g) - 1
        t = np.arange(pts_per_crossing) / pts_per_crossing
        blend = 0.5 - 0.5 * np.cos(np.pi * t)
        for sid in range(nstrands):
            p0 = where[sid]
            sl = slice(ci * pts_per_crossing, (ci + 1) * pts_per_crossing)
            if p0 == i:
                pos[sid, sl] = i + blend
                # positive generator: strand moving right passes over (convention)
                zz[sid, sl] = (0.5 if g > 0 else -0.5) * np.sin(np.pi * t)
            elif p0 == i + 1:
                pos[sid, sl] = i + 1 - blend
                zz[sid, sl] = (-0.5 if g > 0 else 0.5) * np.sin(np.pi * t)
            else:
                pos[sid, sl] = p0
        for sid in range(nstrands):
            if where[sid] == i:
                where[sid] = i + 1
            elif where[sid] == i + 1:
                where[sid] = i
    ang = np.arange(npts) / npts * 2 * np.pi
    # follow strands into closed components
    final = where[:]  # strand sid ends at position final[sid]; position p starts strand p
    seen, comps = set(), []
    for s0 in range(nstrands):
        if s0 in seen:
            continue
        cyc, s = [], s0
        while s not in seen:
            seen.add(s)
            cyc.append(s)
            s = final[s]
        pts = []
        for s in cyc:
            r = radius + 1.2 * pos[s]
            pts.append(np.column_stack([r * np.cos(ang), r * np.sin(ang), zz[s]]))
        comps.append(np.vstack(pts))
    return comps


def pd_from_curve(comps, rng=None, direction=None):
    """PD code (crossing tuples counter-clockwise from the incoming under-strand, edges
    labelled 1..2n along the components) of closed polygons seen along a direction."""
    if rng is None:
        rng = np.random.default_rng(0)
    if direction is None:
        direction = rng.normal(size=3)
    d = direction / np.linalg.norm(direction)
    e1 = np.cross(d, [1.0, 0.0, 0.0])
    if np.linalg.norm(e1) < 0.3:
        e1 = np.cross(d, [0.0, 1.0, 0.0])
    e1 /= np.linalg.norm(e1)
    e2 = np.cross(d, e1)
    P = [np.column_stack([c @ e1, c @ e2, c @ d]) for c in comps]
    segs = []  # (comp, idx, p, q)
    for ci, c in enumerate(P):
        q = np.roll(c, -1, axis=0)
        for i in range(len(c)):
            segs.append((ci, i, c[i], q[i]))
    A = np.array([s[2] for s in segs]); B = np.array([s[3] for s in segs])
    nseg = len(segs)
    comp_of = np.array([s[0] for s in segs]); idx_of = np.array([s[1] for s in segs])
    events = {ci: [] for ci in range(len(P))}  # comp -> list of (param, crossing id, is_over)
    cross = []
    # vectorised segment intersection test
    d1 = B[:, :2] - A[:, :2]
    for i in range(nseg):
        j0 = i + 1
        if j0 >= nseg:
            break
        p, r = A[i, :2], A[j0:, :2]
        dd1 = d1[i]
        dd2 = d1[j0:]
        den = dd1[0] * dd2[:, 1] - dd1[1] * dd2[:, 0]
        w = r - p
        with np.errstate(divide="ignore", invalid="ignore"):
            t = (w[:, 0] * dd2[:, 1] - w[:, 1] * dd2[:, 0]) / den
            u = (w[:, 0] * dd1[1] - w[:, 1] * dd1[0]) / den
        ok = (np.abs(den) > 1e-14) & (t >= 0) & (t < 1) & (u >= 0) & (u < 1)
        # skip adjacent segments
        jj = np.nonzero(ok)[0] + j0
        for j, tt, uu in zip(jj, t[ok], u[ok]):
            if comp_of[i] == comp_of[j]:
                n = len(P[comp_of[i]])
                if (idx_of[j] - idx_of[i]) % n in (1, n - 1):
                    continue
            zi = A[i, 2] + tt * (B[i, 2] - A[i, 2])
            zj = A[j, 2] + uu * (B[j, 2] - A[j, 2])
            if abs(zi - zj) < 1e-9:
                raise RuntimeError("degenerate crossing")
            k = len(cross)
            i_over = zi > zj  # larger coordinate along d is nearer the viewer at +d
            cross.append((i, j, i_over))
            events[comp_of[i]].append((idx_of[i] + tt, k, i_over))
            events[comp_of[j]].append((idx_of[j] + uu, k, not i_over))
    if not cross:
        return []
    # label edges: along each component, edge e starts after each event
    label = 1
    info = {}  # crossing -> dict
    for ci in range(len(P)):
        ev = sorted(events[ci])
        if not ev:
            raise RuntimeError("component without crossings")
        first = label
        for q, (par, k, over) in enumerate(ev):
            incoming = label - 1 if q > 0 else None
            outgoing = label
            info.setdefault(k, {})["over" if over else "under"] = [incoming, outgoing]
            label += 1
        last = label - 1
        # incoming edge of the first event is the last edge of the component
        for par, k, over in ev[:1]:
            info[k]["over" if over else "under"][0] = last
    pd = []
    for k, (i, j, i_over) in enumerate(cross):
        si, sj = (i, j) if not i_over else (j, i)  # si under, sj over
        u = (B[si, :2] - A[si, :2]); v = (B[sj, :2] - A[sj, :2])
        a, c = info[k]["under"]
        bo_in, bo_out = info[k]["over"]
        # counter-clockwise from incoming under: the next arm is at -u rotated +90 deg
        cr = (-u[0]) * v[1] - (-u[1]) * v[0]
        if cr > 0:
            b, dd = bo_out, bo_in
        else:
            b, dd = bo_in, bo_out
        pd.append((a, b, c, dd))
    return pd
