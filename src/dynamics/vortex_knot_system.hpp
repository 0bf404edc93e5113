#pragma once
// Stateful vortex filaments stepped with the point Biot–Savart kernel (forward Euler: all
// velocities from the positions at the start of a step), and a Fourier-series evaluator whose
// row 0 is the constant term.
#include <array>
#include <string>
#include <vector>

#include "common/vec3.hpp"

namespace kvor {

// A closed filament built from a formula or a knot file; tangents are the periodic central
// differences (P_{i+1} - P_{i-1}) / 2 of the positions.
class VortexKnotSystem {
public:
    explicit VortexKnotSystem(double circulation = 1.0) : circulation(circulation) {}

    // (2,3) torus knot: rho = cos 3t + 2, P = (rho cos 2t, rho sin 2t, sin 3t), t = 2 pi i / N.
    void initialize_trefoil_knot(unsigned resolution = 400);
    // rho = cos 2t + 2, P = (rho cos 3t, rho sin 3t, sin 4t).
    void initialize_figure8_knot(unsigned resolution = 400);
    // Largest block of the knot's .fseries text (compiled-in first, then the knot files on disk),
    // sampled at s_i = 2 pi i / (N - 1) and centred. On failure the state is left unchanged.
    void initialize_knot_from_name(const std::string& knot_id, unsigned resolution = 1000);

    void evolve(double dt, unsigned steps);

    std::vector<Vec3> get_positions() const { return positions; }
    std::vector<Vec3> get_tangents() const { return tangents; }

    std::vector<Vec3> positions;
    std::vector<Vec3> tangents;
    double circulation;

private:
    void update_tangents();
};

// A filament given by the caller; after every step its tangents are the unit Frenet tangents of
// the new positions (fewer than two points: tangents left as they are).
class TimeEvolution {
public:
    TimeEvolution(std::vector<Vec3> initial_positions, std::vector<Vec3> initial_tangents, double gamma = 1.0)
        : positions(std::move(initial_positions)), tangents(std::move(initial_tangents)), gamma(gamma) {}

    void evolve(double dt, int steps);

    std::vector<Vec3> get_positions() const { return positions; }
    std::vector<Vec3> get_tangents() const { return tangents; }

    std::vector<Vec3> positions;
    std::vector<Vec3> tangents;
    double gamma;
};

namespace KnotDynamics {

struct FourierResult {
    std::vector<Vec3> positions;
    std::vector<Vec3> tangents;
};

// Row j = (a_x, b_x, a_y, b_y, a_z, b_z) of harmonic j (row 0 the constant term):
//   r(t) = sum_j a_j cos jt + b_j sin jt,  r'(t) = sum_j j (b_j cos jt - a_j sin jt).
FourierResult evaluate_fourier_series(const std::vector<std::array<double, 6>>& rows, const std::vector<double>& t);

}  // namespace KnotDynamics
}  // namespace kvor
