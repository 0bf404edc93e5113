#pragma once
// Planar-diagram codes of closed 3D polygons from random projections.
//
// A crossing is [a, b, c, d] = [incoming under arc, incoming over arc, outgoing under arc,
// outgoing over arc]; arcs are labelled 1..2K along the curve (increasing point index).
#include <array>
#include <vector>

#include "common/vec3.hpp"

namespace kvor {

using PdCrossing = std::array<int, 4>;
using PdCode = std::vector<PdCrossing>;

// PD code of the closed polygon projected to the plane points (qx[i], qy[i]) with depths z[i]
// (larger depth = over). The arrays hold n + 1 entries, the last repeating the first.
// Throws std::runtime_error when no crossing is found or the labelling fails validation.
PdCode pd_from_projection(const double* qx, const double* qy, const double* z, std::size_t n,
                          double min_angle_deg, double depth_tol);

// Best of `tries` random projections (MT19937 seeded with `seed`, a fresh normal generator per
// try): the code with the most crossings, the earliest on a tie.
PdCode pd_from_curve(const std::vector<Vec3>& points, int tries, int seed, double min_angle_deg,
                     double depth_tol);

}  // namespace kvor
