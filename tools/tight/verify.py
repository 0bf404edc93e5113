"""Type check of a closed curve against a table knot or link.

1. PD code of the curve seen along a random direction (our own crossing finder).
2. snappy: identify the complement of that diagram in the census tables and compare with
   the identification of the table diagram's complement.
3. Where the complement cannot be identified (torus knots and links, composites, ...):
   compare HOMFLY-PT polynomials computed by regina, allowing the mirror image and, for
   links, any choice of component orientations.
"""
import functools

import numpy as np
import snappy  # noqa: F401  (spherogram needs it for exteriors)
import spherogram
import regina

from . import diagram


def _pd1(pd):
    return [[a + 1 for a in c] for c in pd] if min(min(c) for c in pd) == 0 else [list(c) for c in pd]


def homfly_of_pd(pd):
    return str(regina.Link.fromPD(_pd1(pd)).homfly())


def _identify(link, tries=4):
    E = link.exterior()
    for _ in range(tries):
        try:
            ids = E.identify()
        except Exception:
            ids = []
        if ids:
            return {str(M.name()) for M in ids}
        E.randomize()
    return set()


@functools.lru_cache(maxsize=None)
def table_data(name):
    L = table_link(name)
    ids = _identify(L.copy())
    pd = L.PD_code()
    hs = {homfly_of_pd(pd), homfly_of_pd(L.mirror().PD_code())}
    return ids, frozenset(hs), len(L.link_components)


def table_link(name):
    """spherogram Link of a table name; composites as 'A#B' (a leading '-' mirrors a factor)."""
    if "#" in name:
        parts = name.split("#")
        L = None
        for p in parts:
            K = spherogram.Link(p.lstrip("-"))
            if p.startswith("-"):
                K = K.mirror()
            L = K if L is None else L.connected_sum(K)
        return L
    return spherogram.Link(name)


def curve_pd(comps, seed=0):
    rng = np.random.default_rng(seed)
    last = None
    for _ in range(6):
        try:
            return diagram.pd_from_curve(comps, rng=rng)
        except RuntimeError as e:
            last = e
    raise last


def verify(comps, name, seed=0, want_mirror=None):
    """Return (ok, method, detail).  want_mirror (True/False) additionally checks the
    chirality against the table diagram where the HOMFLY polynomial tells it."""
    ids_t, hs_t, ncomp = table_data(name)
    if len(comps) != ncomp:
        return False, "components", f"{len(comps)} != {ncomp}"
    pd = curve_pd(comps, seed)
    if not pd:
        return False, "pd", "no crossings"
    K = spherogram.Link(pd)
    if ids_t:
        K2 = K.copy()
        K2.simplify("global")
        ids = _identify(K2)
        if ids & ids_t:
            return True, "snappy-identify", ",".join(sorted(ids & ids_t))
    # HOMFLY-PT, mirror- and orientation-aware
    hs = set()
    nc = len(comps)
    for mask in range(1 << max(0, nc - 1)):
        cc = [c[::-1].copy() if (mask >> i) & 1 else c for i, c in enumerate(comps)]
        hs.add(homfly_of_pd(curve_pd(cc, seed)))
    if hs & hs_t:
        return True, "homfly", ""
    return False, "failed", f"ids={sorted(ids_t)}"


def chirality_matches(comps, name, seed=0):
    """For knots: True if the curve's HOMFLY equals the table diagram's, False if it equals
    only the mirror's, None if the knot's polynomial cannot tell."""
    L = table_link(name)
    h0 = homfly_of_pd(L.PD_code())
    h1 = homfly_of_pd(L.mirror().PD_code())
    if h0 == h1:
        return None
    h = homfly_of_pd(curve_pd(comps, seed))
    if h == h0:
        return True
    if h == h1:
        return False
    return None
