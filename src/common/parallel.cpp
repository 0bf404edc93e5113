#include "common/parallel.hpp"

#include <algorithm>
#include <condition_variable>
#include <mutex>
#include <cstdlib>
#include <thread>
#include <vector>

namespace kvor {

unsigned worker_count() {
    if (const char* s = std::getenv("KVOR_NUM_THREADS")) {
        char* end = nullptr;
        const long v = std::strtol(s, &end, 10);
        if (end != s && *end == '\0' && v > 0) return static_cast<unsigned>(std::min(v, 256L));
    }
    const unsigned hw = std::thread::hardware_concurrency();
    return hw == 0 ? 1u : hw;
}

void parallel_ranges(std::size_t items, std::size_t grain, double cost_per_item, double min_cost,
                     const std::function<void(std::size_t, std::size_t)>& body) {
    if (items == 0) return;
    if (grain == 0) grain = 1;
    const std::size_t chunks = (items + grain - 1) / grain;
    std::size_t workers = worker_count();
    if (static_cast<double>(items) * cost_per_item < min_cost) workers = 1;
    workers = std::min(workers, chunks);
    if (workers <= 1) {
        body(0, items);
        return;
    }
    // Contiguous ranges of whole chunks, as even as the chunk count allows.
    std::vector<std::size_t> bounds(workers + 1);
    for (std::size_t w = 0; w <= workers; ++w) bounds[w] = std::min(items, (chunks * w / workers) * grain);
    bounds[workers] = items;
    std::vector<std::thread> pool;
    pool.reserve(workers - 1);
    try {
        for (std::size_t w = 1; w < workers; ++w) pool.emplace_back(body, bounds[w], bounds[w + 1]);
    } catch (...) {
        // No thread could be started: the remaining ranges run here.
        for (std::size_t w = pool.size() + 1; w < workers; ++w) body(bounds[w], bounds[w + 1]);
    }
    body(bounds[0], bounds[1]);
    for (auto& t : pool) t.join();
}

void run_team(unsigned count, const std::function<void(unsigned, unsigned)>& body) {
    if (count <= 1) {
        body(0, 1);
        return;
    }
    // The threads start together once it is known that all of them exist; when the system
    // could not start them all, the caller runs the work alone.
    std::mutex mu;
    std::condition_variable cv;
    bool ready = false;
    unsigned team = count;
    auto member = [&](unsigned id) {
        {
            std::unique_lock<std::mutex> lock(mu);
            cv.wait(lock, [&] { return ready; });
        }
        if (id < team) body(id, team);
    };
    std::vector<std::thread> pool;
    pool.reserve(count - 1);
    try {
        for (unsigned id = 1; id < count; ++id) pool.emplace_back(member, id);
    } catch (...) {
    }
    {
        std::lock_guard<std::mutex> lock(mu);
        team = pool.size() + 1 == count ? count : 1;
        ready = true;
    }
    cv.notify_all();
    body(0, team);
    for (auto& t : pool) t.join();
}

}  // namespace kvor
