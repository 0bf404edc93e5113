#pragma once
// Biot–Savart velocities of closed vortex filaments and the grid operations that turn a sampled
// velocity field into helicity numbers.
//
// Grid layout: shape (nx, ny, nz), flat index (i*ny + j)*nz + k, k fastest; one spacing h.
#include <array>
#include <cstddef>
#include <vector>

#include "common/vec3.hpp"

namespace kvor {

// Helicity invariants of a grid field: a_mu = (H_charge / H_mass - 1) / 2.
struct HelicityInvariants {
    double a_mu = 0.0;
    double H_mass = 0.0;
    double H_charge = 0.0;
};

class BiotSavart {
public:
    BiotSavart() = delete;

    // Segment kernel: every edge p_i -> p_{i+1 mod n} contributes at its midpoint,
    //   u(r) = G/(4 pi) * sum_i dl_i x R / (|R|^3 + 1e-12),  R = r - m_i.
    // Curves of fewer than two points give zero velocities.
    static std::vector<Vec3> compute_velocity(const std::vector<Vec3>& curve, const std::vector<Vec3>& grid_points,
                                              double circulation);
    static std::vector<Vec3> compute_velocity(const std::vector<Vec3>& curve, const std::vector<Vec3>& grid_points);
    // The same for m points given as rows (x, y, z) of a C-contiguous buffer; the m velocity rows
    // go to out_rows (3 m doubles, not aliasing the grid).
    static void compute_velocity_rows(const std::vector<Vec3>& curve, const double* grid_rows, std::size_t m,
                                      double circulation, double* out_rows);

    // Periodic central differences; with (i, j, k) read as (x, y, z) this is -(curl v).
    static std::vector<Vec3> compute_vorticity(const std::vector<Vec3>& velocity, const std::array<int, 3>& shape,
                                               double spacing);

    // Entries with every index in [margin, extent - margin), in grid order.
    static std::vector<Vec3> extract_interior(const std::vector<Vec3>& field, const std::array<int, 3>& shape,
                                              int margin);

    // H_charge = sum v.w, H_mass = sum |w|^2 r^2, a_mu = (H_charge/H_mass - 1)/2.
    static HelicityInvariants compute_invariants(const std::vector<Vec3>& v_sub, const std::vector<Vec3>& w_sub,
                                                 const std::vector<double>& r_sq);
};

// Point kernel at one field point r: samples p_j with line elements T_j,
//   u(r) = sum_j (T_j x R) / (4 pi) * G / |R|^3,  R = r - p_j,
// skipping samples with |R| <= 1e-6 (a sample excludes itself).
Vec3 biot_savart_velocity(const Vec3& r, const std::vector<Vec3>& filament_points,
                          const std::vector<Vec3>& tangent_vectors, double circulation);

// The point kernel at every field point in turn (same sums as biot_savart_velocity per point).
std::vector<Vec3> biot_savart_velocities(const std::vector<Vec3>& field_points, const std::vector<Vec3>& filament_points,
                                         const std::vector<Vec3>& tangent_vectors, double circulation);

}  // namespace kvor
