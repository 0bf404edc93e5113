#pragma once
// Closed-form magnetostatics with mu0 = 1: point dipoles, the Biot–Savart field and vector
// potential of a current polyline (midpoint rule per segment), and a periodic curl.
#include <cstddef>
#include <vector>

#include "common/vec3.hpp"
#include "common/constants.hpp"

namespace kvor {

// Distances below this count as coincident: such pairs contribute nothing.
inline constexpr double kCoincident = 1e-12;

// B = (3 (m · r̂) r̂ − m) / (4π |r|³); zero at the dipole itself.
Vec3 dipole_field_at_point(const Vec3& r, const Vec3& m);

// Superposed dipole fields at d grid points (x[j], y[j], z[j]), accumulated into bx, by, bz
// (zero on entry). positions and moments have the same length.
void dipole_ring_field_grid(const double* x, const double* y, const double* z, std::size_t d,
                            const std::vector<Vec3>& positions, const std::vector<Vec3>& moments,
                            double* bx, double* by, double* bz);

// Biot–Savart field of the open polyline `wire` carrying `current`, accumulated into bx, by, bz
// (zero on entry). Fewer than two points leave the outputs untouched.
void biot_savart_wire_grid(const double* x, const double* y, const double* z, std::size_t d,
                           const std::vector<Vec3>& wire, double current,
                           double* bx, double* by, double* bz);

// Vector potential A = current/(4π) Σ dl_k / |g − M_k| of the open polyline at each grid
// point, accumulated into ax, ay, az (zero on entry, grid.size() entries each).
void biot_savart_vector_potential_grid(const std::vector<Vec3>& polyline, const std::vector<Vec3>& grid,
                                       double current, double* ax, double* ay, double* az);

// Periodic central-difference curl of vel (nx, ny, nz, 3), C order, node spacing h; writes
// the same layout into out.
void curl3d_central(const double* vel, std::size_t nx, std::size_t ny, std::size_t nz, double h, double* out);

}  // namespace kvor
