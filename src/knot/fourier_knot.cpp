#include "knot/fourier_knot.hpp"

#include <stdexcept>

#include "common/constants.hpp"
#include "knot/fourier_eval.hpp"
#include "knot/fseries_reader.hpp"

namespace kvor {

void FourierKnot::loadBlocks(const std::string& path) {
    blocks.clear();
    blocks = read_fseries_strict(path);
}

void FourierKnot::selectMaxHarmonics() {
    if (blocks.empty()) throw std::runtime_error("No Fourier blocks loaded");
    activeBlock = blocks[static_cast<std::size_t>(index_of_largest_block(blocks))];
}

void FourierKnot::reconstruct(int N) {
    if (activeBlock.a_x.empty()) throw std::runtime_error("No active Fourier block selected");
    points.clear();
    if (N <= 0) return;
    const double step = kTwoPi / static_cast<double>(N);
    std::vector<double> s(static_cast<std::size_t>(N));
    for (std::size_t i = 0; i < s.size(); ++i) s[i] = static_cast<double>(i) * step;
    points = evaluate_fourier_block(activeBlock, s);
}

}  // namespace kvor
