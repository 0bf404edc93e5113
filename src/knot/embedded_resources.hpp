#pragma once
// The compiled-in knot data as maps from a name to the full text, and lookups on them.
#include <map>
#include <string>
#include <vector>

#include "knot/fourier_knot.hpp"

namespace kvor {

using TextMap = std::map<std::string, std::string>;

// A new copy of the ideal map ("ideal.txt", ..., "ideal_12_data/12a1.txt", ...).
TextMap get_embedded_ideal_files();

// A new copy of the knot map (.fseries texts keyed by knot identifier).
TextMap get_embedded_knot_files();

// The process-wide knot map, built once on first use (thread-safe) and never changed.
const TextMap& embedded_knot_map();

// Text of `name` from the process-wide ideal map; a name that is not a key matches the first
// key whose basename (after the last '/' or '\\') equals it. Throws std::runtime_error
// "Embedded ideal text not found: " + name.
std::string load_embedded_ideal_text(const std::string& name = "ideal.txt");

std::vector<IdealABBlock> parse_embedded_ideal_txt(const std::string& name = "ideal.txt");

IdealABBlock parse_embedded_ideal_ab_by_id(const std::string& ab_id, const std::string& name = "ideal.txt");

// Largest block of the knot's compiled-in .fseries text. Throws std::runtime_error
// "Embedded knot id not found: " + knot_id or "No Fourier block found in embedded knot: " + knot_id.
FourierBlock load_embedded_knot_block(const std::string& knot_id);

}  // namespace kvor
