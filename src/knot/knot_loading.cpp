#include "knot/knot_loading.hpp"

#include <algorithm>
#include <cctype>
#include <stdexcept>

#include "common/constants.hpp"
#include "knot/discrete_curvature.hpp"
#include "knot/fourier_eval.hpp"
#include "knot/fseries_reader.hpp"

namespace kvor {

std::vector<Vec3> center_points(const std::vector<Vec3>& points) {
    if (points.empty()) return {};
    Vec3 mean{0.0, 0.0, 0.0};
    for (const Vec3& p : points) mean += p;
    mean = mean / static_cast<double>(points.size());
    std::vector<Vec3> out;
    out.reserve(points.size());
    for (const Vec3& p : points) out.push_back(p - mean);
    return out;
}

LoadedKnot load_knot_file(const std::string& path, int nsamples) {
    if (nsamples < 2) throw std::invalid_argument("nsamples must be at least 2");
    LoadedKnot knot;
    const std::vector<FourierBlock> blocks = parse_fseries_multi(path);
    if (blocks.empty()) return knot;
    const FourierBlock& block = blocks[static_cast<std::size_t>(index_of_largest_block(blocks))];
    std::vector<double> s(static_cast<std::size_t>(nsamples));
    const double last = static_cast<double>(nsamples - 1);
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<double>(i) * kTwoPi / last;
    knot.points = center_points(evaluate_fourier_block(block, s));
    knot.curvature = compute_curvature(knot.points, 1e-8);
    return knot;
}

std::string knot_name_from_path(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) name = name.substr(0, dot);
    if (name.size() > 3) {
        std::string lower = name;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
        const std::size_t at = lower.find("knot");
        if (at != std::string::npos) name.erase(at, 4);
    }
    return name;
}

std::vector<LoadedKnot> load_all_knots(const std::vector<std::string>& paths, int nsamples) {
    if (nsamples < 2) throw std::invalid_argument("nsamples must be at least 2");
    std::vector<LoadedKnot> out;
    for (const std::string& path : paths) {
        LoadedKnot knot = load_knot_file(path, nsamples);
        if (knot.points.empty()) continue;
        knot.name = knot_name_from_path(path);
        out.push_back(std::move(knot));
    }
    return out;
}

}  // namespace kvor
