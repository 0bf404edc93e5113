#include "particle/relax.hpp"

#include <cstdint>
#include <limits>

namespace kvor {

namespace relax_detail {

Flat flatten(const std::vector<PointList>& filaments) {
    Flat flat;
    flat.offset.reserve(filaments.size() + 1);
    std::size_t total = 0;
    for (const PointList& p : filaments) {
        flat.offset.push_back(total);
        total += p.size();
    }
    flat.offset.push_back(total);
    flat.x.reserve(total);
    for (const PointList& p : filaments) flat.x.insert(flat.x.end(), p.begin(), p.end());
    return flat;
}

void unflatten(const Flat& flat, std::vector<PointList>& filaments) {
    for (std::size_t f = 0; f < filaments.size(); ++f) {
        std::copy(flat.x.begin() + static_cast<std::ptrdiff_t>(flat.offset[f]),
                  flat.x.begin() + static_cast<std::ptrdiff_t>(flat.offset[f + 1]), filaments[f].begin());
    }
}

Vec3 centroid(const std::vector<Vec3>& x) {
    Vec3 s{0.0, 0.0, 0.0};
    for (const Vec3& p : x) s += p;
    return s / static_cast<double>(x.size());
}

void rescale_to_target(std::vector<Vec3>& x) {
    const Vec3 c = centroid(x);
    double R = 0.0;
    for (const Vec3& p : x) R = std::max(R, norm(p - c));
    const double s = R < 1e-12 ? kTargetRadius / 1e-6 : kTargetRadius / R;
    for (Vec3& p : x) p = (p - c) * s + c;
}

namespace {

// Uniform cell list over the finite points. Cells are at least 0.25 wide, so every pair inside
// the repulsion window (distance below 0.2 + 1 ulp) lies in the same or adjacent cells; the grid
// coarsens when the bounding box would need too many cells. Points with non-finite coordinates
// are left out: their squared distances are never inside the window.
class CellListRepulsion {
public:
    void prepare(const std::vector<Vec3>& x) {
        const std::size_t N = x.size();
        cell_of_.assign(N, kNoCell);
        contrib_.resize(N);
        bits_.assign((N + 63) / 64, 0);
        touched_.clear();
        touched_.reserve(bits_.size());

        Vec3 lo{0.0, 0.0, 0.0}, hi{0.0, 0.0, 0.0};
        bool any = false;
        for (const Vec3& p : x) {
            if (!(std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]))) continue;
            if (!any) {
                lo = hi = p;
                any = true;
            }
            for (int a = 0; a < 3; ++a) {
                lo[a] = std::min(lo[a], p[a]);
                hi[a] = std::max(hi[a], p[a]);
            }
        }
        const double cap = static_cast<double>(std::max<std::size_t>(4096, 8 * N));
        double h = 0.25;
        double ext[3];
        for (int a = 0; a < 3; ++a) ext[a] = hi[a] - lo[a];
        auto cells_along = [&](int a, double hh) -> double {
            if (!std::isfinite(ext[a])) return 1.0;
            return std::floor(ext[a] / hh) + 1.0;
        };
        while (cells_along(0, h) * cells_along(1, h) * cells_along(2, h) > cap) h *= 2.0;
        for (int a = 0; a < 3; ++a) {
            dims_[a] = static_cast<std::int64_t>(cells_along(a, h));
            finite_axis_[a] = std::isfinite(ext[a]);
        }
        lo_ = lo;
        h_ = h;

        const std::size_t ncell = static_cast<std::size_t>(dims_[0] * dims_[1] * dims_[2]);
        start_.assign(ncell + 1, 0);
        for (std::size_t k = 0; k < N; ++k) {
            const Vec3& p = x[k];
            if (!(std::isfinite(p[0]) && std::isfinite(p[1]) && std::isfinite(p[2]))) continue;
            std::int64_t idx[3];
            for (int a = 0; a < 3; ++a) idx[a] = axis_index(a, p[a]);
            cell_of_[k] = static_cast<std::size_t>((idx[0] * dims_[1] + idx[1]) * dims_[2] + idx[2]);
            ++start_[cell_of_[k] + 1];
        }
        for (std::size_t c = 0; c < ncell; ++c) start_[c + 1] += start_[c];
        items_.resize(start_[ncell]);
        fill_ = start_;
        // Ascending point order within every cell.
        for (std::size_t k = 0; k < N; ++k) {
            if (cell_of_[k] != kNoCell) items_[fill_[cell_of_[k]]++] = static_cast<std::uint32_t>(k);
        }
    }

    void add(const std::vector<Vec3>& x, std::size_t gi, std::size_t gprev, std::size_t gnext, Vec3& F) {
        if (cell_of_[gi] == kNoCell) return;
        const Vec3& xi = x[gi];
        std::int64_t idx[3];
        for (int a = 0; a < 3; ++a) idx[a] = axis_index(a, xi[a]);
        const std::int64_t i0 = std::max<std::int64_t>(idx[0] - 1, 0), i1 = std::min(idx[0] + 1, dims_[0] - 1);
        const std::int64_t j0 = std::max<std::int64_t>(idx[1] - 1, 0), j1 = std::min(idx[1] + 1, dims_[1] - 1);
        const std::int64_t k0 = std::max<std::int64_t>(idx[2] - 1, 0), k1 = std::min(idx[2] + 1, dims_[2] - 1);
        for (std::int64_t a = i0; a <= i1; ++a) {
            for (std::int64_t b = j0; b <= j1; ++b) {
                const std::size_t base = static_cast<std::size_t>((a * dims_[1] + b) * dims_[2]);
                const std::size_t lo = start_[base + static_cast<std::size_t>(k0)];
                const std::size_t hi = start_[base + static_cast<std::size_t>(k1) + 1];
                for (std::size_t t = lo; t < hi; ++t) {
                    const std::size_t q = items_[t];
                    if (q == gi || q == gprev || q == gnext) continue;
                    const Vec3 d = xi - x[q];
                    const double Q = dot(d, d);
                    if (!in_window(Q)) continue;
                    contrib_[q] = repulsion_term(d, Q);
                    std::uint64_t& word = bits_[q >> 6];
                    if (word == 0) touched_.push_back(static_cast<std::uint32_t>(q >> 6));
                    word |= std::uint64_t{1} << (q & 63);
                }
            }
        }
        // Add the contributions in ascending point order, as the double loop does.
        std::sort(touched_.begin(), touched_.end());
        for (const std::uint32_t w : touched_) {
            std::uint64_t word = bits_[w];
            while (word != 0) {
                const int bit = __builtin_ctzll(word);
                F += contrib_[(static_cast<std::size_t>(w) << 6) + static_cast<std::size_t>(bit)];
                word &= word - 1;
            }
            bits_[w] = 0;
        }
        touched_.clear();
    }

private:
    static constexpr std::size_t kNoCell = std::numeric_limits<std::size_t>::max();

    std::int64_t axis_index(int a, double v) const {
        if (!finite_axis_[a] || dims_[a] == 1) return 0;
        const double t = std::floor((v - lo_[a]) / h_);
        if (!(t > 0.0)) return 0;
        return std::min(static_cast<std::int64_t>(t), dims_[a] - 1);
    }

    Vec3 lo_{};
    double h_ = 0.25;
    std::int64_t dims_[3] = {1, 1, 1};
    bool finite_axis_[3] = {true, true, true};
    std::vector<std::size_t> cell_of_;
    std::vector<std::size_t> start_, fill_;
    std::vector<std::uint32_t> items_;
    std::vector<Vec3> contrib_;
    std::vector<std::uint64_t> bits_;
    std::vector<std::uint32_t> touched_;
};

}  // namespace

}  // namespace relax_detail

void relax_filaments(std::vector<PointList>& filaments, int iterations, double timestep) {
    relax_detail::CellListRepulsion rep;
    relax_detail::relax_with(filaments, iterations, timestep, rep);
}

}  // namespace kvor
