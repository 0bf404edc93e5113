#pragma once
// Core and fluid mass of one closed vortex filament given in metres.
#include <utility>
#include <vector>

#include "common/vec3.hpp"

namespace kvor {

// (m_core_kg, m_fluid_kg): the core mass from the length, the fluid mass from the
// core-regularised Neumann double sum over the closed polyline's segments.
std::pair<double, double> compute_kvor_mass(const std::vector<Vec3>& points, double chi_spin);

}  // namespace kvor
