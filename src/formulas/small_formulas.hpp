#pragma once
// Small formula sets: ideal-gas thermodynamics, a synthetic 2-D swirl force field (single
// precision), a radiation-force expression, the van der Pol right-hand side, and the
// Lamb–Oseen and Hill vortices.
#include <array>
#include <vector>

namespace kvor {

// θ = T (p0/p)^(R/cp).
double potential_temperature(double T, double p0, double p, double R, double cp);
// cp dθ / θ.
double entropy_from_theta(double cp, double theta, double dtheta);
// (ln p + ln V) · N R / (γ − 1).
double entropy_from_pv(double N, double R, double p, double V, double gamma);
// E + pV.
double enthalpy(double internal_energy, double p, double V);

// Counter-clockwise swirl with an inward pull, modulated by an outward radial wave, sampled at
// res × res points of the unit square centred on 0; entry i·res + j is (F_x, F_y) at
// x = i/res − 0.5, y = j/res − 0.5. Single precision throughout.
std::vector<std::array<float, 2>> compute_swirl_field(int res, float time);

// q = a2/a4; (a3/a4) q (2 a0 / 3e8 · a1) / (1 − q²).
double radiation_force(double a0, double a1, double a2, double a3, double a4);
double van_der_pol_dx(double x, double y);
double van_der_pol_dy(double x, double y, double mu);

// Lamb–Oseen vortex: azimuthal velocity and vorticity.
double lamb_oseen_velocity(double Gamma, double r, double nu, double t);
double lamb_oseen_vorticity(double Gamma, double r, double nu, double t);
// Hill's spherical vortex (arguments in the order of the Python functions).
double hill_streamfunction(double a0, double a1, double a2, double a3);
double hill_vorticity(double a0, double a1, double a2, double a3);
double hill_circulation(double a0, double a1);
double hill_velocity(double a0, double a1);

}  // namespace kvor
