#pragma once
// Drivers over the file tools: the .fseries files of a directory tree, and the side-by-side
// comparison of two files.
#include <map>
#include <string>
#include <vector>

#include "fseries_tools/curve_metrics.hpp"

namespace kvor::kvorext {

// dir + name with one '/' between them, unless dir is empty or already ends with '/' or '\\'.
std::string join_path(const std::string& dir, const std::string& name);

// Paths join_path(dir, name) of the entries of `dir` whose full path ends with ".fseries"
// (case-sensitive), in listing order; with `recurse` each subdirectory is listed depth first
// where it occurs (a link back to a directory being listed is not followed). A directory that
// cannot be listed contributes nothing.
std::vector<std::string> list_fseries_files(const std::string& dir, bool recurse);

// compute_helicity_from_fseries of every .fseries file under root_dir (flat, or the whole tree
// with `recurse`), sorted by path byte-wise. Throws std::runtime_error
// "directory does not exist: " + root_dir when root_dir is not a directory; the first error of
// a file ends the batch.
std::vector<HelicityResult> batch_helicity_from_dir(const std::string& root_dir, int grid_size, double spacing,
                                                    int interior_margin, int nsamples, bool recurse);

// Curve metrics of both files (same sampling and skip), their differences b - a, and the
// root-mean-square distance between sample points of equal index of the two centred curves.
// Keys in byte order: L_a, L_b, bend_energy_a, bend_energy_b, dL, dbend_energy, dkappa_max,
// dkappa_mean, dreach_proxy, kappa_max_a, kappa_max_b, kappa_mean_a, kappa_mean_b,
// reach_proxy_a, reach_proxy_b, rms_point_delta.
std::map<std::string, double> compare_fseries_files(const std::string& path_a, const std::string& path_b,
                                                    int nsamples, int skip);

}  // namespace kvor::kvorext
