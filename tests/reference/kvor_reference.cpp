// Reference kernels for the tests and benchmarks, built only with KVOR_REFERENCE_MODULE=ON:
// the relaxation with its repulsion summed by the literal double loop over all point pairs,
// and the tail surrogate as a straightforward scalar loop over samples and segments.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <vector>

#include "particle/relax.hpp"
#include "particle/tail_energy.hpp"

namespace py = pybind11;
using namespace pybind11::literals;

namespace {

using namespace kvor;  // Vec3 operators

struct LiteralRepulsion {
    void prepare(const std::vector<Vec3>&) {}
    void add(const std::vector<Vec3>& x, std::size_t gi, std::size_t gprev, std::size_t gnext, Vec3& F) {
        for (std::size_t q = 0; q < x.size(); ++q) {
            if (q == gi || q == gprev || q == gnext) continue;
            const Vec3 d = x[gi] - x[q];
            const double Q = kvor::dot(d, d);
            if (kvor::relax_detail::in_window(Q)) F += kvor::relax_detail::repulsion_term(d, Q);
        }
    }
};

std::vector<PointList> relax_literal(std::vector<PointList> filaments, int iterations, double timestep) {
    LiteralRepulsion rep;
    kvor::relax_detail::relax_with(filaments, iterations, timestep, rep);
    return filaments;
}

std::vector<PointList> relax_fast(std::vector<PointList> filaments, int iterations, double timestep) {
    kvor::relax_filaments(filaments, iterations, timestep);
    return filaments;
}

double tail_energy_scalar(const std::vector<PointList>& filaments, int radial_samples, int azimuth_samples,
                          double r_min_factor, double r_max_factor, double exclusion_ds_factor) {
    using namespace kvor::tail_detail;
    kvor::TailApproxConfig cfg;
    cfg.enabled = true;
    cfg.radial_samples = radial_samples;
    cfg.azimuth_samples = azimuth_samples;
    cfg.r_min_factor = r_min_factor;
    cfg.r_max_factor = r_max_factor;
    cfg.exclusion_ds_factor = exclusion_ds_factor;
    const ShellLayout layout = shell_layout(cfg);
    double E = 0.0;
    for (std::size_t f = 0; f < filaments.size(); ++f) {
        const PointList& p = filaments[f];
        const std::size_t n = p.size();
        if (n < 3) continue;
        std::vector<double> ds(n);
        double sum = 0.0;
        for (std::size_t i = 0; i < n; ++i) {
            ds[i] = kvor::norm(p[(i + 1) % n] - p[i]);
            sum += ds[i];
        }
        const double exclusion = (sum / static_cast<double>(n)) * exclusion_ds_factor;
        for (std::size_t i = 0; i < n; ++i) {
            const kvor::LocalFrame fr = kvor::local_frame_at(filaments, static_cast<std::int64_t>(f), static_cast<std::int64_t>(i));
            for (int j = 0; j < layout.nr; ++j) {
                const double r0 = layout.edges[static_cast<std::size_t>(j)], r1 = layout.edges[static_cast<std::size_t>(j) + 1];
                const double rm = (r0 + r1) * 0.5;
                const double area = (r1 * r1 - r0 * r0) * kPi;
                double S = 0.0;
                for (int a = 0; a < layout.na; ++a) {
                    const double angle = (a + 0.5) * kTwoPi / layout.na;
                    const Vec3 q = ((rm * std::cos(angle)) * fr.e1 + (rm * std::sin(angle)) * fr.e2) + p[i];
                    const Vec3 u = kvor::tail_velocity_at(filaments, q, static_cast<std::int64_t>(f), static_cast<std::int64_t>(i), exclusion);
                    S += kvor::dot(u, u);
                }
                E += ((S / layout.na) * kEnergyFactor) * (area * ds[i]);
            }
        }
    }
    return E;
}

}  // namespace

PYBIND11_MODULE(_kvor_reference, m) {
    m.doc() = "Reference kernels for tests and benchmarks.";
    m.def("relax_literal", &relax_literal, "filaments"_a, "iterations"_a, "timestep"_a);
    m.def("relax_fast", &relax_fast, "filaments"_a, "iterations"_a, "timestep"_a);
    m.def("tail_energy_scalar", &tail_energy_scalar, "filaments"_a, "radial_samples"_a = 8, "azimuth_samples"_a = 8,
          "r_min_factor"_a = 1.25, "r_max_factor"_a = 8.0, "exclusion_ds_factor"_a = 3.0);
}
