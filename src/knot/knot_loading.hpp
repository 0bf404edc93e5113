#pragma once
// Loading .fseries files into sampled, centred point lists with their discrete curvature.
#include <string>
#include <vector>

#include "common/vec3.hpp"
#include "knot/fourier_knot.hpp"

namespace kvor {

// The points minus their mean (an empty list stays empty).
std::vector<Vec3> center_points(const std::vector<Vec3>& points);

// Reads `path` with the lenient reader, samples the block with the most harmonics at
// s_i = i 2pi / (nsamples - 1), i = 0..nsamples-1 (the first point repeated at the end),
// centres the points and computes their curvature (eps 1e-8). The name stays empty.
// A missing file or one without blocks gives empty points and curvature.
// Throws std::invalid_argument when nsamples < 2.
LoadedKnot load_knot_file(const std::string& path, int nsamples);

// Knot name of a path: the file name without its last extension, with the first occurrence of
// "knot" (any case) removed when the name is longer than 3 characters.
std::string knot_name_from_path(const std::string& path);

// load_knot_file of every path, in order, named by knot_name_from_path; paths that give no
// points are skipped.
std::vector<LoadedKnot> load_all_knots(const std::vector<std::string>& paths, int nsamples = 1000);

}  // namespace kvor
