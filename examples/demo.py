"""A short tour of the library on its compiled-in knot data.

Run from the repository root (the particle evaluator reads Front-End/knot_fseries/ideal_database.txt
relative to the working directory): bash scripts/dev.sh demo
"""
import math

import numpy as np

import _bindings as kb


def section(title):
    print(f"\n-- {title} --")


print(kb.__doc__)
names = kb.list_bindings()
print(f"{names['counts']['functions']} functions and {names['counts']['classes']} classes registered")

section("compiled-in knot data")
knots = kb.get_embedded_knot_files()
print(f"{len(knots)} .fseries knots compiled in, e.g. {', '.join(list(knots)[:6])}, ...")
trefoil_fs = kb.load_embedded_knot_block("3_1")
print(f"3_1: header {trefoil_fs.header!r}, {len(trefoil_fs.a_x)} harmonics")
entry = kb.parse_embedded_ideal_ab_by_id("3:1:1")
print(kb.format_ideal_ab_header(entry))

section("geometry of the tight trefoil (ideal.txt 3:1:1)")
geo = kb.describe_fourier_block(entry.fourier)
print(f"length {geo.L:.6f}  (L/D = {geo.L / entry.D:.4f}; best known 16.3715)")
print(f"bending energy {geo.bending_energy:.4f}, min self-distance {geo.min_self_distance:.4f}, writhe {geo.writhe:.4f}")

section("topology from random projections")
s = np.linspace(0.0, 2.0 * math.pi, 400, endpoint=False)
points = kb.evaluate_fourier_block(entry.fourier, list(s))
print(f"crossing-number estimate (24 directions, seed 12345): {kb.estimate_crossing_number(points)}")
pd = kb.pd_from_curve(np.array(points))
print(f"PD code with {len(pd)} crossings: {pd[:3]} ...")

fig8 = kb.parse_embedded_ideal_ab_by_id("4:1:1").fourier
fig8_points = np.array(kb.evaluate_fourier_block(fig8, list(s)))
print(f"hyperbolic volume of 4_1 from its PD code: {kb.hyperbolic_volume_from_pd(kb.pd_from_curve(fig8_points)):.12f}"
      " (2.029883212819...)")

section("vortex dynamics")
system = kb.VortexKnotSystem()
system.initialize_knot_from_name("4_1", 400)
before = np.array(system.get_positions())
system.evolve(1e-3, 10)
after = np.array(system.get_positions())
print(f"figure-eight filament, 400 points, 10 Biot–Savart steps: mean displacement {np.linalg.norm(after - before, axis=1).mean():.3e}")
h_charge, h_mass, a_mu = kb.compute_helicity_from_fourier_block(trefoil_fs, 16, 0.25, 4, 400)
print(f"grid helicity invariants of 3_1 (16^3 grid): H_charge {h_charge:.4e}, H_mass {h_mass:.4e}, a_mu {a_mu:.4e}")

section("KVOR particle masses")
for row in kb.ZooEvaluator.evaluate_all_golden_nls()[:5]:
    print(f"{row.identifier:<28} b = {row.bridge_b:.0f}  g = {row.genus_g}  M = {row.mass_mev:.6e} MeV")
particle = kb.ParticleEvaluator("3:1:1", 1000)
particle.relax(50)
print(f"trefoil ab initio (1000 points, 50 relax steps): ropelength {particle.get_dimless_ropelength():.4f}, "
      f"mass {particle.get_mass_mev_ab_initio():.4f} MeV")
