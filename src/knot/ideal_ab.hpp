#pragma once
// Reader of the ideal knot/link database text (AB entries with Coeff lines, optionally grouped
// into Component elements). Attribute matching is case-insensitive; HT and TL entries are not
// read by this reader.
#include <string>
#include <vector>

#include "knot/fourier_knot.hpp"

namespace kvor {

// All AB entries of a text, in order of appearance.
std::vector<IdealABBlock> parse_ideal_txt_from_string(const std::string& content);

// All AB entries of a file; throws std::runtime_error
// "parse_ideal_txt_multi: cannot open file: " + path.
std::vector<IdealABBlock> parse_ideal_txt_multi(const std::string& path);

// Index of the first block whose id equals `id` exactly, -1 if none.
int index_of_ideal_id(const std::vector<IdealABBlock>& blocks, const std::string& id);

// One entry found by plain substring search for Id="<ab_id>" in the AB headers; only that
// entry is parsed. Throws std::runtime_error
// "parse_ideal_ab_by_id_from_string: AB Id not found: " + ab_id.
IdealABBlock parse_ideal_ab_by_id_from_string(const std::string& content, const std::string& ab_id);

// AB Id="..." Conway="..." L="%.6f" D="%.6f" n="..."
std::string format_ideal_ab_header(const IdealABBlock& ab);

}  // namespace kvor
