#pragma once
// Helicity invariants of a Fourier knot from its Biot–Savart field on a cubic grid.
#include "dynamics/biot_savart.hpp"
#include "knot/fourier_block.hpp"

namespace kvor {

// Samples the block at s_i = 2 pi i / (ns - 1) (the last sample repeats the first), centres the
// curve on its sample mean, takes its velocity (circulation 1) on the G^3 nodes
// ((c0 + i) h, (c0 + j) h, (c0 + k) h) with c0 = G / -2 (truncated), the vorticity, and reduces
// the nodes at least `interior_margin` from every face to (a_mu, H_mass, H_charge) with
// r^2 = z^2 + (y^2 + x^2). Negative counts throw std::length_error "vector too long".
HelicityInvariants compute_helicity_from_fourier_block(const FourierBlock& block, int grid_size = 32,
                                                       double spacing = 0.1, int interior_margin = 8,
                                                       int nsamples = 1000);

}  // namespace kvor
