#pragma once
// Tail energy surrogate: kinetic energy of the fluid outside the vortex cores, integrated over
// thin annular shells in the normal plane around every filament point.
#include <cstdint>
#include <vector>

#include "common/constants.hpp"
#include "common/vec3.hpp"

namespace kvor {

struct TailApproxConfig {
    bool enabled = false;
    std::int32_t radial_samples = 8;    // shells; below 1 acts as 1
    std::int32_t azimuth_samples = 8;   // samples per shell; below 1 acts as 1
    double r_min_factor = 1.25;         // inner radius / r_c; below 1.01 acts as 1.01
    double r_max_factor = 8.0;          // outer radius / r_c; at least 1.1 times the inner radius
    double exclusion_ds_factor = 3.0;   // left-out stretch of the source filament, in mean segments
    bool use_log_shell_weight = false;  // carried along; not used by the integration
};

struct LocalFrame {
    Vec3 T;
    Vec3 e1;
    Vec3 e2;
};

// Unit tangent and two unit normals at point i of filament f; the identity frame for an
// invalid filament index or a filament of at most two points.
LocalFrame local_frame_at(const std::vector<PointList>& filaments, std::int64_t f, std::int64_t i);

// Biot-Savart velocity at q of all filaments' segments, leaving out the segments of source
// filament f that start within the exclusion window around point i.
Vec3 tail_velocity_at(const std::vector<PointList>& filaments, const Vec3& q, std::int64_t f, std::int64_t i,
                      double exclusion);

// The surrogate energy in joules (0.0 unless cfg.enabled).
double compute_tail_energy_surrogate_J(const std::vector<PointList>& filaments, const TailApproxConfig& cfg);

namespace tail_detail {

inline constexpr double kCoreRadius = 1.40897017e-15;
inline constexpr double kBiotSavartPrefactor = 7.705979316274285e-10;  // circulation / 4 pi, m^2/s
inline constexpr double kSoftening = 1e-24;                              // m^2
inline constexpr double kEnergyFactor = 3.435e-7;                        // kg/m^3

// Shell and sampling layout derived from a configuration.
struct ShellLayout {
    int nr = 1;
    int na = 1;
    std::vector<double> edges;  // nr + 1 radii
};
ShellLayout shell_layout(const TailApproxConfig& cfg);

// Number of segments left out on either side of the source point.
std::int32_t exclusion_window(double exclusion, double mean_segment);

// Closed length / point count (0 points: not used).
double mean_segment_length(const PointList& p);

}  // namespace tail_detail

}  // namespace kvor
