"""Particle model kernels against their literal references, in one run:
- relax at its defaults (1000 iterations) on a 4000-point trefoil: cell-list repulsion vs the
  double loop over all ordered point pairs (same compiler flags, identical bits);
- the tail surrogate at its defaults on 4000 points: the vectorised integration vs a
  straightforward scalar loop (results within 1e-12 relative).
Needs the reference module built by scripts/dev.sh. `--quick` runs smaller sizes."""
import math
import os
import sys
import tempfile

import _bindings as kb
import _kvor_reference as ref

from harness import Table, add_measured, time_once

QUICK = "--quick" in sys.argv
N = 1000 if QUICK else 4000
ITERATIONS = 100 if QUICK else 1000

TREFOIL = (
    '<DATA Title="bench">\n'
    '<AB Id="3:1:1" Conway="3" L="16.371637" D=" 1.000000">\n'
    '    <Coeff I="  1" A=" 0.374139, 0.000000, 0.000000" B=" 0.000000, 0.373928, 0.000000" />\n'
    '    <Coeff I="  2" A=" 0.824246, 0.750260, 0.000352" B=" 0.750450,-0.823952,-0.001991" />\n'
    "</AB>\n</DATA>\n"
)


def trefoil_filaments(n):
    with tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False) as f:
        f.write(TREFOIL)
    os.environ["KVOR_IDEAL_DATABASE"] = f.name
    try:
        return kb.ParticleEvaluator("3:1:1", n).get_filaments()
    finally:
        os.remove(f.name)


def main():
    table = Table(f"particle ({N} points)")
    fils = trefoil_filaments(N)

    out = {}
    t_fast = time_once(lambda: out.setdefault("fast", ref.relax_fast(fils, ITERATIONS, 0.01)))
    t_lit = time_once(lambda: out.setdefault("literal", ref.relax_literal(fils, ITERATIONS, 0.01)))
    same = out["fast"] == out["literal"]
    add_measured(table, f"relax {ITERATIONS} it (cell list vs double loop)", t_fast, t_lit,
                 "bit-identical" if same else "MISMATCH")

    sampled = fils  # the surrogate on the sampled curve at unit scale
    scaled = [[[c * 1e-15 for c in p] for p in f] for f in fils]  # and at the KVOR scale
    for label, data in (("unit", sampled), ("metres", scaled)):
        ev = kb.ParticleEvaluator(data)
        cfg = kb.TailApproxConfig()
        cfg.enabled = True
        ev.set_tail_approx_config(cfg)
        res = {}
        t_k = time_once(lambda: res.setdefault("k", ev.compute_tail_energy_surrogate_J()))
        t_r = time_once(lambda: res.setdefault("r", ref.tail_energy_scalar(data)))
        rel = abs(res["k"] - res["r"]) / abs(res["r"])
        add_measured(table, f"tail surrogate defaults, {label} scale", t_k, t_r, f"rel diff {rel:.1e}")
    table.print()
    if not same:
        raise SystemExit("relax: fast and literal results differ")


if __name__ == "__main__":
    main()
