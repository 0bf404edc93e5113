#pragma once
// Sampling of a .fseries curve into a centred closed polygon, and the polygon measures shared
// by the file tools: length, discrete curvature statistics, non-neighbour distance, reach.
#include <cstdint>
#include <string>
#include <vector>

#include "common/vec3.hpp"

namespace kvor::kvorext {

struct HelicityResult {
    std::string path;
    double a_mu = 0.0;
    double Hc = 0.0;
    double Hm = 0.0;
    double L = 0.0;
    double kappa_max = 0.0;
    double kappa_mean = 0.0;
    double bend_energy = 0.0;
    double min_non_neighbor_dist = 0.0;
    double reach_proxy = 0.0;
    std::int32_t nsamples = 0;
};

// Length and discrete curvature statistics of a closed polygon.
struct CurveMetrics {
    double L = 0.0;
    double kappa_max = 0.0;
    double kappa_mean = 0.0;
    double bend_energy = 0.0;
};

// Copies the polygon measures into a result record (reach proxy = half the distance).
template <typename Result>
void set_polygon_measures(Result& r, const CurveMetrics& cm, double min_nn) {
    r.L = cm.L;
    r.kappa_max = cm.kappa_max;
    r.kappa_mean = cm.kappa_mean;
    r.bend_energy = cm.bend_energy;
    r.min_non_neighbor_dist = min_nn;
    r.reach_proxy = min_nn / 2.0;
}

// Largest block of the file (first block if the choice is out of range) sampled at
// t_i = i 2pi / nsamples, minus the mean point. Throws std::runtime_error
// "no blocks parsed from: " + path when the file yields no block, std::length_error
// "vector too long" for nsamples < 0.
std::vector<Vec3> sample_curve_centered(const std::string& path, int nsamples);

// Sum of |p_{k+1} - p_k| including the closing edge; 0 for fewer than 2 points.
double polygon_length(const std::vector<Vec3>& pts);

// One pass over the vertices: kappa_i = |e_next/|e_next| - e_prev/|e_prev|| / ds with
// ds = (|e_next| + |e_prev|) / 2; bend_energy = sum kappa_i^2 ds, kappa_mean = sum kappa_i / n.
// Vertices with a zero-length edge contribute nothing; all zero for n < 3 or L <= 0.
CurveMetrics curvature_metrics(const std::vector<Vec3>& pts);

// Smallest |p_i - p_j| over pairs more than `skip` steps apart along the closed polygon;
// 0 for fewer than 4 points, 1e300 when no pair is that far apart.
double min_non_neighbor_distance(const std::vector<Vec3>& pts, int skip);

// Half the minimum non-neighbour distance.
double reach_proxy(const std::vector<Vec3>& pts, int skip);

double curve_length_from_fseries(const std::string& path, int nsamples);
double min_non_neighbor_distance_from_fseries(const std::string& path, int nsamples, int skip);
double reach_proxy_from_fseries(const std::string& path, int nsamples, int skip);

// Polygon measures of sample_curve_centered(path, nsamples) (non-neighbour distance with skip 3)
// and the grid helicity invariants of the file's largest block.
HelicityResult compute_helicity_from_fseries(const std::string& path, int grid_size, double spacing,
                                             int interior_margin, int nsamples);

}  // namespace kvor::kvorext
