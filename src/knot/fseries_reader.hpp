#pragma once
// Readers of the .fseries text format.
//
// Lines are comments ('%' in column 0), blank lines, rows of six numbers
// (a_x b_x a_y b_y a_z b_z of the next harmonic) or anything else (ignored).
// Consecutive rows form a block; a comment line, a blank line or the end of the text ends it.
#include <string>
#include <vector>

#include "knot/fourier_block.hpp"

namespace kvor {

// Lenient reader of a text: trailing white space trimmed, the last comment line before a
// block becomes its header, a row needs six readable numbers (extra ones are ignored).
std::vector<FourierBlock> parse_fseries_from_string(const std::string& content);

// Lenient reader of a file; a file that cannot be opened gives an empty list.
std::vector<FourierBlock> parse_fseries_multi(const std::string& path);

// Strict reader of a file: a row is a line of exactly six numbers, blocks carry no header;
// throws std::runtime_error "Cannot open file: " + path.
std::vector<FourierBlock> read_fseries_strict(const std::string& path);

// Index of the block with the longest a_x (first on a tie), -1 for an empty list.
int index_of_largest_block(const std::vector<FourierBlock>& blocks);

}  // namespace kvor
