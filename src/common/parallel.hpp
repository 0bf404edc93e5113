#pragma once
// Splitting independent work items over the machine's cores. Each item is computed exactly as
// it would be by one thread (the split never changes an item's own order of operations), so a
// result does not depend on the number of threads.
#include <cstddef>
#include <functional>

namespace kvor {

// Threads a large loop may use: KVOR_NUM_THREADS if it is set to a positive integer, otherwise
// the hardware concurrency (at least 1).
unsigned worker_count();

// Calls body(begin, end) on disjoint ranges covering [0, items), ranges being multiples of
// `grain` items (except the last). Runs on one thread when cost = items * cost_per_item is below
// min_cost or only one worker is available; otherwise on up to worker_count() threads, the
// calling thread taking the first range. body must not throw.
void parallel_ranges(std::size_t items, std::size_t grain, double cost_per_item, double min_cost,
                     const std::function<void(std::size_t, std::size_t)>& body);

// Runs body(id, count) on `count` threads at once (ids 0 ... count-1, the caller being id 0),
// for work that synchronises its threads itself; if not all of them can be started, body(0, 1)
// runs on the caller alone. count = 0 is taken as 1. body must not throw.
void run_team(unsigned count, const std::function<void(unsigned, unsigned)>& body);

}  // namespace kvor
