#include "dynamics/vortex_knot_system.hpp"

#include <climits>
#include <cmath>
#include <stdexcept>
#include <utility>

#include "dynamics/biot_savart.hpp"
#include "dynamics/frenet.hpp"
#include "knot/embedded_resources.hpp"
#include "knot/fourier_eval.hpp"
#include "knot/fseries_reader.hpp"
#include "knot/knot_files.hpp"
#include "knot/knot_loading.hpp"

namespace kvor {
namespace {

constexpr double kTwoPi = 6.283185307179586;

std::vector<Vec3> central_differences(const std::vector<Vec3>& p) {
    const std::size_t n = p.size();
    std::vector<Vec3> t(n);
    for (std::size_t i = 0; i < n; ++i) t[i] = (p[(i + 1) % n] - p[(i + n - 1) % n]) * 0.5;
    return t;
}

// Torus-knot style curve rho = cos(c t) + 2, (rho cos(a t), rho sin(a t), sin(z t)).
std::vector<Vec3> torus_curve(unsigned n, double a, double c, double z) {
    std::vector<Vec3> p;
    p.reserve(n);
    for (unsigned i = 0; i < n; ++i) {
        const double t = i * kTwoPi / n;
        const double rho = std::cos(c * t) + 2.0;
        p.push_back({rho * std::cos(a * t), rho * std::sin(a * t), std::sin(z * t)});
    }
    return p;
}

}  // namespace

void VortexKnotSystem::update_tangents() { tangents = central_differences(positions); }

void VortexKnotSystem::initialize_trefoil_knot(unsigned resolution) {
    positions = torus_curve(resolution, 2.0, 3.0, 3.0);
    update_tangents();
}

void VortexKnotSystem::initialize_figure8_knot(unsigned resolution) {
    positions = torus_curve(resolution, 3.0, 2.0, 4.0);
    update_tangents();
}

// Resolution 1 would sample at 0/0 and counts beyond INT_MAX are not samplable: both are
// rejected before anything is looked up.
void VortexKnotSystem::initialize_knot_from_name(const std::string& knot_id, unsigned resolution) {
    if (resolution < 2) throw std::invalid_argument("initialize_knot_from_name: resolution must be at least 2");
    if (resolution > static_cast<unsigned>(INT_MAX))
        throw std::invalid_argument("initialize_knot_from_name: resolution must be at most 2147483647");
    std::vector<Vec3> pts;
    try {
        bool found = false;
        const TextMap& map = embedded_knot_map();
        const auto it = map.find(knot_id);
        if (it != map.end() && !it->second.empty()) {
            const std::vector<FourierBlock> blocks = parse_fseries_from_string(it->second);
            const int idx = index_of_largest_block(blocks);
            if (idx >= 0) {
                std::vector<double> s(resolution);
                const double last = static_cast<double>(resolution - 1);
                for (unsigned i = 0; i < resolution; ++i) s[i] = static_cast<double>(i) * kTwoPi / last;
                pts = center_points(evaluate_fourier_block(blocks[static_cast<std::size_t>(idx)], s));
                found = true;
            }
        }
        if (!found) {
            const std::string path = find_knot_fseries(knot_id, "");
            if (path.empty()) throw std::runtime_error("Could not find .fseries file for knot: " + knot_id);
            LoadedKnot knot = load_knot_file(path, static_cast<int>(resolution));
            if (knot.points.empty()) throw std::runtime_error("Failed to load knot " + knot_id + " from " + path);
            pts = std::move(knot.points);
        }
    } catch (const std::exception& e) {
        throw std::runtime_error("Could not initialize knot " + knot_id + ": " + e.what());
    }
    positions = std::move(pts);
    update_tangents();
}

void VortexKnotSystem::evolve(double dt, unsigned steps) {
    for (unsigned s = 0; s < steps && !positions.empty(); ++s) {
        const std::vector<Vec3> v = biot_savart_velocities(positions, positions, tangents, circulation);
        std::vector<Vec3> q = positions;
        for (std::size_t j = 0; j < q.size(); ++j) q[j] = dt * v[j] + positions[j];
        positions = std::move(q);
        update_tangents();
    }
}

void TimeEvolution::evolve(double dt, int steps) {
    std::vector<Vec3> N, B;
    for (int s = 0; s < steps; ++s) {
        const std::vector<Vec3> v = biot_savart_velocities(positions, positions, tangents, gamma);
        for (std::size_t j = 0; j < positions.size(); ++j) positions[j] = positions[j] + dt * v[j];
        if (positions.size() >= 2) {
            std::vector<Vec3> T;
            compute_frenet_frames(positions, T, N, B);
            tangents = std::move(T);
        }
    }
}

namespace KnotDynamics {

FourierResult evaluate_fourier_series(const std::vector<std::array<double, 6>>& rows, const std::vector<double>& t) {
    FourierResult out;
    out.positions.reserve(t.size());
    out.tangents.reserve(t.size());
    for (double ti : t) {
        Vec3 r{0.0, 0.0, 0.0}, d{0.0, 0.0, 0.0};
        for (std::size_t j = 0; j < rows.size(); ++j) {
            const double jd = static_cast<double>(j);
            const double c = std::cos(jd * ti), s = std::sin(jd * ti);
            const auto& row = rows[j];
            for (int k = 0; k < 3; ++k) r[k] += row[2 * k] * c + row[2 * k + 1] * s;
            if (j >= 1)
                for (int k = 0; k < 3; ++k) d[k] += -jd * row[2 * k] * s + jd * row[2 * k + 1] * c;
        }
        out.positions.push_back(r);
        out.tangents.push_back(d);
    }
    return out;
}

}  // namespace KnotDynamics
}  // namespace kvor
