#pragma once
// Location of on-disk knot files "knot.<id>.fseries".
#include <string>
#include <vector>

namespace kvor {

// "knot." + knot_id + ".fseries" (the identifier is used unchanged).
std::string knot_file_name(const std::string& knot_id);

// Candidate paths in search order: base_dir (if non-empty) and base_dir/knot_fseries,
// $KVOR_KNOT_DATA_DIR, $KVOR_RESOURCE_DIR/resources/knot_fseries and $KVOR_RESOURCE_DIR/knot_fseries
// (a variable set to the empty string still takes part), then ten directories relative to the
// working directory.
std::vector<std::string> knot_file_candidates(const std::string& knot_id, const std::string& base_dir);

// The first candidate that is a readable regular file, or "" when there is none.
std::string find_knot_fseries(const std::string& knot_id, const std::string& base_dir);

}  // namespace kvor
