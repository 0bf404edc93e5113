#include "fseries_tools/batch.hpp"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <stdexcept>
#include <system_error>

#include "common/vec3.hpp"
#include "fseries_tools/curve_metrics.hpp"
#include "fseries_tools/filament_energy_file.hpp"

namespace fs = std::filesystem;

namespace kvor::kvorext {
namespace {

bool has_fseries_suffix(const std::string& p) {
    static const std::string suffix = ".fseries";
    return p.size() >= suffix.size() && p.compare(p.size() - suffix.size(), suffix.size(), suffix) == 0;
}

void list_into(const std::string& dir, bool recurse, std::set<fs::path>& visited, std::vector<std::string>& out) {
    std::error_code ec;
    // A directory link back to one of its own ancestors would never end the walk: a directory
    // already open higher up is not entered again.
    fs::path key;
    if (recurse) {
        key = fs::canonical(dir, ec);
        if (ec) key.clear();
        if (!key.empty() && !visited.insert(key).second) return;
    }
    struct Leave {
        std::set<fs::path>& v;
        const fs::path& k;
        ~Leave() {
            if (!k.empty()) v.erase(k);
        }
    } leave{visited, key};
    ec.clear();
    fs::directory_iterator it(dir, ec);
    if (ec) return;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) break;
        const std::string name = it->path().filename().string();
        if (name == "." || name == "..") continue;
        const std::string full = join_path(dir, name);
        std::error_code dec;
        if (it->is_directory(dec)) {
            if (recurse) list_into(full, true, visited, out);
        } else if (has_fseries_suffix(full)) {
            out.push_back(full);
        }
    }
}

}  // namespace

std::string join_path(const std::string& dir, const std::string& name) {
    if (dir.empty()) return name;
    const char last = dir.back();
    if (last == '/' || last == '\\') return dir + name;
    return dir + "/" + name;
}

std::vector<std::string> list_fseries_files(const std::string& dir, bool recurse) {
    std::vector<std::string> out;
    std::set<fs::path> visited;
    list_into(dir, recurse, visited, out);
    return out;
}

std::vector<HelicityResult> batch_helicity_from_dir(const std::string& root_dir, int grid_size, double spacing,
                                                    int interior_margin, int nsamples, bool recurse) {
    std::error_code ec;
    if (!fs::is_directory(root_dir, ec)) throw std::runtime_error("directory does not exist: " + root_dir);

    std::vector<HelicityResult> results;
    for (const std::string& p : list_fseries_files(root_dir, recurse)) {
        results.push_back(compute_helicity_from_fseries(p, grid_size, spacing, interior_margin, nsamples));
    }
    std::sort(results.begin(), results.end(),
              [](const HelicityResult& a, const HelicityResult& b) { return a.path < b.path; });
    return results;
}

std::map<std::string, double> compare_fseries_files(const std::string& path_a, const std::string& path_b,
                                                    int nsamples, int skip) {
    const FilamentEnergyResult ma = compute_curve_metrics_from_fseries(path_a, nsamples, skip);
    const FilamentEnergyResult mb = compute_curve_metrics_from_fseries(path_b, nsamples, skip);
    const std::vector<Vec3> pa = sample_curve_centered(path_a, nsamples);
    const std::vector<Vec3> pb = sample_curve_centered(path_b, nsamples);

    const std::size_t m = std::min(pa.size(), pb.size());
    double rms = 0.0;
    if (m > 0) {
        double sum = 0.0;
        for (std::size_t i = 0; i < m; ++i) {
            const Vec3 d = pa[i] - pb[i];
            sum += dot(d, d);
        }
        rms = std::sqrt((1.0 / static_cast<double>(m)) * sum);
    }

    std::map<std::string, double> out;
    out["L_a"] = ma.L;
    out["L_b"] = mb.L;
    out["dL"] = mb.L - ma.L;
    out["kappa_max_a"] = ma.kappa_max;
    out["kappa_max_b"] = mb.kappa_max;
    out["dkappa_max"] = mb.kappa_max - ma.kappa_max;
    out["kappa_mean_a"] = ma.kappa_mean;
    out["kappa_mean_b"] = mb.kappa_mean;
    out["dkappa_mean"] = mb.kappa_mean - ma.kappa_mean;
    out["bend_energy_a"] = ma.bend_energy;
    out["bend_energy_b"] = mb.bend_energy;
    out["dbend_energy"] = mb.bend_energy - ma.bend_energy;
    out["reach_proxy_a"] = ma.reach_proxy;
    out["reach_proxy_b"] = mb.reach_proxy;
    out["dreach_proxy"] = mb.reach_proxy - ma.reach_proxy;
    out["rms_point_delta"] = rms;
    return out;
}

}  // namespace kvor::kvorext
