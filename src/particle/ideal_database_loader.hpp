#pragma once
// Reading "ideal_database.txt" for the identifier constructor of ParticleEvaluator: where the
// text comes from, and a lenient plain-substring reader of one AB entry's components.
#include <string>
#include <utility>
#include <vector>

#include "common/vec3.hpp"

namespace kvor {

// The database text, or "" when no source gave one (the first source that opens wins).
std::string read_ideal_database();

// Point lists of the components of the AB entry with exactly this Id, in file order, and
// whether at least one was produced.
std::pair<std::vector<PointList>, bool> load_ab_filaments(const std::string& text, const std::string& knot_id,
                                                          long long resolution);

// The closed curve of one component's Coeff elements, sampled at `resolution` angles.
PointList sample_component(const std::string& component, long long resolution);

}  // namespace kvor
