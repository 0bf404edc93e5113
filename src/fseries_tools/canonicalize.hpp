#pragma once
// In-place upgrade of legacy .fseries files whose first numeric row has three columns.
#include <cstdint>
#include <string>

namespace kvor::kvorext {

struct CanonicalizeResult {
    std::string path;
    std::int32_t found_numeric_rows = 0;
    bool changed = false;
    std::string reason;
};

// Classifies every line of the file by shape (blank, '%' comment, numeric row of exactly 3 or 6
// numbers, ignored). When the first numeric row has 3 numbers and the second has 6, the first
// is replaced by a six-column row of zeros and the file is rewritten: the new text goes to a
// temporary file in the same directory which then replaces the original atomically, keeping its
// permissions. Throws std::runtime_error "cannot open file: " + path when the file cannot be
// read and "cannot write file: " + path when the rewrite fails (the original is then intact).
CanonicalizeResult canonicalize_fseries_file_inplace(const std::string& path);

}  // namespace kvor::kvorext
