#pragma once
// The raw compiled-in knot texts: one blob per file, generated at build time.
#include <cstddef>

namespace kvor::embedded {

struct ResourceBlob {
    const char* key;
    const char* begin;
    const char* end;
};

struct ResourceTable {
    const ResourceBlob* rows;
    std::size_t count;
};

// Ideal-database texts and point lists keyed by their relative name.
ResourceTable ideal_table();
// .fseries texts keyed by knot identifier.
ResourceTable knot_table();

}  // namespace kvor::embedded
