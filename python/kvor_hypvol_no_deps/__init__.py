"""Hyperbolic volume of a knot or link complement from a PD code, in pure Python.

The diagram is turned into an ideal triangulation (four tetrahedra per crossing, around the
segment joining the over- and under-strand), the two finite vertices above and below the
projection plane are collapsed into the cusps, the triangulation is simplified, and the
gluing and completeness equations are solved by Newton's method.  The volume is the sum of
Bloch-Wigner dilogarithms of the shapes of a positively oriented solution.
"""

from __future__ import annotations

import random
import sys

from . import _classify, _diagram, _solver, _triangulation

__all__ = ["hyperbolic_volume_from_pd"]

_RETRIES = 30
# a last-resort volume must be clearly positive: complements of zero Gromov norm give ~1e-15
_LAST_RESORT_MIN = 1e-6


def _say(verbose, msg):
    if verbose:
        print(msg, file=sys.stdout)


def hyperbolic_volume_from_pd(pd, verbose=False, *, ccw=False):
    """Hyperbolic volume of the complement of the link with PD code ``pd``.

    ``pd`` lists crossings of four arc labels.  By default each crossing is
    [incoming under, incoming over, outgoing under, outgoing over] along the orientation
    (the codes the library's ``pd_from_curve`` produces); the handedness of each crossing is
    recovered from planarity.  With ``ccw=True`` each crossing lists its arcs
    counter-clockwise starting from the incoming under-arc (the knot-table convention).

    Returns 0.0 when the complement has no complete hyperbolic structure (the unknot, split
    diagrams, connected sums, torus knots, satellites); ``verbose`` says which was recognised.
    When no positively oriented solution is found and the diagram is recognised as none of
    these, the largest volume of a boundary-parabolic solution is returned as a last resort,
    with a warning in verbose mode.  Raises ValueError for codes that are not valid planar
    diagrams.  ``verbose`` prints the steps to standard output.
    """
    rows, where = _diagram.parse(pd, ccw)
    if not rows:
        _say(verbose, "no crossings: unknot, volume 0")
        return 0.0
    pieces = _diagram.connected_pieces(rows, where)
    stats = {}
    diagram = _diagram.embed(rows, where, ccw, stats, pieces)
    _say(verbose, f"diagram: {len(rows)} crossings, {diagram.components()} component(s), "
                  f"{pieces} connected piece(s), {diagram.crossings + 2 * pieces} faces")
    if pieces > 1:
        _say(verbose, "split diagram: the link is split, volume 0")
        return 0.0
    reduced = _diagram.remove_kinks(rows, ccw)
    if len(reduced) != len(rows):
        _say(verbose, f"removed {len(rows) - len(reduced)} kink(s)")
        if not reduced:
            _say(verbose, "no crossings left: unknot, volume 0")
            return 0.0
        rows = reduced
        where = _diagram._label_ends(rows)
        diagram = _diagram.embed(rows, where, ccw)
    return _volume_of_diagram(diagram, verbose)


def _solve(tri):
    eqs = _solver.edge_equations(tri)
    cusp_eqs = _solver.cusp_equations(tri)
    return _solver.newton(eqs + cusp_eqs, tri.size), len(cusp_eqs)


def _negative(res):
    return [t for t, z in enumerate(res.z) if z.imag <= 1e-11]


def _improve(tri, res, verbose, budget=40):
    """Local search: 2-3 moves across the faces of non-positive tetrahedra and 3-2 moves about
    their degree-3 edges, kept when they lower the number of non-positive tetrahedra."""
    tried = 0
    while tried < budget:
        neg = _negative(res)
        improved = False
        ecls, members = tri.edge_classes()
        moves = []
        for t in neg:
            for f in range(4):
                moves.append(("23", t, f))
            for (i, j) in ((0, 1), (0, 2), (0, 3), (1, 2), (1, 3), (2, 3)):
                e = ecls[(t, i, j)]
                if len(members[e]) == 3:
                    moves.append(("32", e, None))
        seen = set()
        for kind, a, b in moves:
            if (kind, a, b) in seen:
                continue
            seen.add((kind, a, b))
            if tried >= budget:
                break
            cand = tri.copy()
            ok = cand.two_three(a, b) if kind == "23" else cand.three_two(members[a])
            if not ok:
                continue
            _triangulation.repair_low_degree(cand)
            tried += 1
            try:
                res2, _ = _solve(cand)
            except RuntimeError:
                continue
            if res2.positive:
                _say(verbose, f"  local search: {cand.size} tetrahedra, all positively oriented "
                              f"after {tried} trial move(s)")
                return cand, res2
            if res2.converged and len(_negative(res2)) < len(neg):
                tri, res = cand, res2
                improved = True
                break
        if not improved:
            break
    return tri, res


def _volume_of_diagram(diagram, verbose):
    rng = random.Random(0x5eed)
    best = None
    for attempt in range(_RETRIES + 1):
        tri = _triangulation.octahedral(diagram)
        if attempt == 0:
            _say(verbose, f"octahedral triangulation: {tri.size} tetrahedra")
        ok = _triangulation.remove_finite_vertices(tri, rng if attempt else None)
        if not ok:
            _say(verbose, f"attempt {attempt}: could not collapse the finite vertices")
            continue
        _triangulation.simplify(tri)
        if attempt:
            # fresh collapse choices, then random 2-3 moves and simplification again
            _triangulation.randomize(tri, rng, 4 + 3 * min(attempt, 8))
            _triangulation.simplify(tri)
        _triangulation.repair_low_degree(tri)
        try:
            res, cusps = _solve(tri)
        except RuntimeError as exc:
            _say(verbose, f"attempt {attempt}: {exc}")
            continue
        neg = len(_negative(res))
        _say(verbose, f"attempt {attempt}: {tri.size} tetrahedra, {cusps} cusp(s), "
                      f"{res.iterations} Newton iterations, residual {res.residual:.3e}, "
                      f"{neg} non-positive tetrahedra")
        if res.converged and not res.positive and attempt >= _RETRIES - 2:
            tri, res = _improve(tri, res, verbose, budget=12)
        if res.positive:
            vol = res.volume
            _say(verbose, f"volume {vol:.15f}")
            return float(vol)
        if res.converged and _solver.parabolic_cusps(tri, res):
            # only boundary-parabolic solutions: their volumes are volumes of representations
            vol = res.volume
            if best is None or vol > best:
                best = vol
    return _no_positive_solution(diagram, best, verbose)


def _no_positive_solution(diagram, best, verbose):
    """Say why no positively oriented solution was found; 0.0 or the last-resort volume.

    Soundness of the last resort.  The volume of any solution of the edge and completeness
    equations, positive tetrahedra or not, is the volume of a representation of the fundamental
    group, at most v3 times the Gromov norm of the complement, with equality only for the
    complete structure when the complement is hyperbolic (volume rigidity).  So for a torus knot
    (Seifert fibred, Gromov norm 0) every solution has volume ~0 and the value is useless but
    harmless; for a composite knot or a satellite the largest value can be the sum of the volumes
    of the hyperbolic JSJ pieces (4_1 # 4_1: twice 2.0299), which is not a hyperbolic volume of
    the complement: where the diagram is recognised as composite or (by its Alexander
    polynomial) as a torus knot we return 0.0 as the contract says.  Otherwise the largest value
    is either the volume of a hyperbolic complement whose triangulations gave no positive
    solution, or that of the hyperbolic pieces of an unrecognised satellite; we cannot tell
    which, hence the warning.
    """
    kind, why = _classify.classify(diagram)
    if kind is None and best is not None and best > _LAST_RESORT_MIN:
        _say(verbose, f"warning: no positively oriented solution ({why}); returning the largest "
                      f"volume found, {best:.15f}, from a solution with non-positive tetrahedra: "
                      "it may be wrong, or the volume of the hyperbolic pieces of a satellite")
        return float(best)
    if best is not None:
        _say(verbose, f"largest volume among solutions with non-positive tetrahedra {best:.3e} "
                      "(not returned)")
    _say(verbose, f"no positively oriented solution: {why}, volume 0")
    return 0.0
