#include "dynamics/filament_energy.hpp"

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <stdexcept>
#include <thread>
#include <cmath>
#include <limits>
#include <numeric>

#include "common/parallel.hpp"
#include "dynamics/simd_clones.hpp"

namespace kvor {
namespace {

struct P3 {
    double x, y, z;
};

inline P3 at(const double* p, std::size_t i) { return {p[3 * i], p[3 * i + 1], p[3 * i + 2]}; }

std::vector<P3> edges(const double* p, std::size_t n) {
    std::vector<P3> d(n);
    for (std::size_t k = 0; k < n; ++k) {
        const P3 a = at(p, k), b = at(p, (k + 1) % n);
        d[k] = {b.x - a.x, b.y - a.y, b.z - a.z};
    }
    return d;
}

// Distances and weights of the pairs (i, j), j = 0 ... n-1, for one i: t_j = |P_j - P_i| and
// w_j = (T_i . T_j) / t_j * ds_i * ds_j. Independent per j, so the lanes take neighbouring j.
KVOR_SIMD_CLONES
void pair_row(const double* __restrict px, const double* __restrict py, const double* __restrict pz,
              const double* __restrict tx, const double* __restrict ty, const double* __restrict tz,
              const double* __restrict ds, std::size_t n, std::size_t i, double* __restrict d2_out,
              double* __restrict t_out, double* __restrict w_out) {
    const double xi = px[i], yi = py[i], zi = pz[i];
    const double txi = tx[i], tyi = ty[i], tzi = tz[i], dsi = ds[i];
    for (std::size_t j = 0; j < n; ++j) {
        const double dx = px[j] - xi, dy = py[j] - yi, dz = pz[j] - zi;
        const double d2 = dx * dx + dy * dy + dz * dz;
        const double t = std::sqrt(d2);
        d2_out[j] = d2;
        t_out[j] = t;
        w_out[j] = (txi * tx[j] + tyi * ty[j] + tzi * tz[j]) / t * dsi * ds[j];
    }
}

// Lower bound on an ascending list of cut-offs: the first index k with a[k] >= t (m when none;
// 0 for NaN, as bisection gives). A table over 4m equal buckets of [a_0, a_{m-1}] narrows the
// search to the entries of one bucket; the final steps check a[k-1] < t <= a[k] directly, so
// the rounding of the bucket arithmetic never changes the index.
class CutoffIndex {
public:
    explicit CutoffIndex(const std::vector<double>& a) : a_(a.data()), m_(a.size()) {
        if (m_ == 0) return;
        const double width = a[m_ - 1] - a[0];
        if (!(width > 0.0) || !std::isfinite(width)) return;  // bisection over the whole list
        buckets_ = 4 * m_;
        scale_ = static_cast<double>(buckets_) / width;
        table_.resize(buckets_ + 1);
        for (std::size_t k = 0; k <= buckets_; ++k)
            table_[k] = bisect(a[0] + static_cast<double>(k) * (width / static_cast<double>(buckets_)), 0, m_);
        table_[buckets_] = m_;
    }

    std::size_t operator()(double t) const {
        if (m_ == 0 || !(t > a_[0])) return 0;
        std::size_t lo = 0, hi = m_;
        if (buckets_ > 0) {
            const double f = (t - a_[0]) * scale_;
            const std::size_t b = f < static_cast<double>(buckets_) ? static_cast<std::size_t>(f) : buckets_ - 1;
            lo = table_[b];
            hi = table_[b + 1];
        }
        std::size_t k = bisect(t, lo, hi);
        while (k > 0 && a_[k - 1] >= t) --k;
        while (k < m_ && a_[k] < t) ++k;
        return k;
    }

private:
    std::size_t bisect(double t, std::size_t lo, std::size_t hi) const {
        while (lo < hi) {
            const std::size_t mid = lo + (hi - lo) / 2;
            if (a_[mid] < t)
                lo = mid + 1;
            else
                hi = mid;
        }
        return lo;
    }

    const double* a_;
    std::size_t m_;
    std::size_t buckets_ = 0;
    double scale_ = 0.0;
    std::vector<std::size_t> table_;
};

// The scan over an ascending list of cut-offs: b_0 += w and b_k -= w for every pair whose
// lower-bound index k is positive (pairs in order, i outer, j inner), then running sums.
// The distances, weights and indices of a chunk of rows are computed on all threads; the
// difference array then takes the pairs of the chunk in order on one thread.
std::vector<double> scan_sorted(const double* p, const double* tg, const double* ds, std::size_t n,
                                const std::vector<double>& a) {
    const std::size_t m = a.size();
    std::vector<double> b(m + 1, 0.0);
    std::vector<double> soa(6 * n);
    double *px = soa.data(), *py = px + n, *pz = py + n, *tx = pz + n, *ty = tx + n, *tz = ty + n;
    for (std::size_t i = 0; i < n; ++i) {
        px[i] = p[3 * i];
        py[i] = p[3 * i + 1];
        pz[i] = p[3 * i + 2];
        tx[i] = tg[3 * i];
        ty[i] = tg[3 * i + 1];
        tz[i] = tg[3 * i + 2];
    }
    // (indices are held in 32 bits; a list of 2^32 cut-offs would not fit in memory anyway)
    if (m >= 0xFFFFFFFFu) throw std::length_error("cut-off scan: too many cut-offs");
    const CutoffIndex index(a);
    // Rows go in chunks of about 2^16 pairs through a ring of buffers: any thread computes the
    // distances, weights and indices of the next chunk while thread 0 takes the finished
    // chunks in order into the difference array, so every sum keeps the pair order.
    const std::size_t rows = std::max<std::size_t>(1, std::min<std::size_t>(n, (std::size_t{1} << 16) / std::max<std::size_t>(n, 1)));
    const std::size_t chunks = (n + rows - 1) / rows;
    constexpr std::size_t kSlots = 4;
    std::vector<double> wbuf(kSlots * rows * n);
    std::vector<std::uint32_t> kbuf(kSlots * rows * n);  // 0: the pair adds nothing
    std::array<std::atomic<std::size_t>, kSlots> ready{};  // chunk + 1 held by the slot
    for (auto& r : ready) r.store(0);
    std::atomic<std::size_t> next{0}, taken{0};
    // b[0] and the entry of the last index k are kept in registers: the same subtractions in
    // the same order as on the list itself, without a store/load round trip per pair.
    double b0 = 0.0;
    std::size_t ck = 0;  // index whose running value is `cv` (0: none)
    double cv = 0.0;
    auto compute = [&](std::size_t c, double* d2, double* t) {
        const std::size_t i0 = c * rows, cnt = std::min(rows, n - i0), slot = c % kSlots;
        for (std::size_t r = 0; r < cnt; ++r) {
            const std::size_t i = i0 + r;
            double* w = wbuf.data() + (slot * rows + r) * n;
            std::uint32_t* kk = kbuf.data() + (slot * rows + r) * n;
            pair_row(px, py, pz, tx, ty, tz, ds, n, i, d2, t, w);
            for (std::size_t j = 0; j < n; ++j)
                kk[j] = (j == i || d2[j] <= 0.0) ? 0u : static_cast<std::uint32_t>(index(t[j]));
        }
        ready[slot].store(c + 1, std::memory_order_release);
    };
    auto take = [&](std::size_t c) {
        const std::size_t slot = c % kSlots, pairs = std::min(rows, n - c * rows) * n;
        const double* w = wbuf.data() + slot * rows * n;
        const std::uint32_t* kk = kbuf.data() + slot * rows * n;
        double s0 = b0, v = cv;
        std::size_t cur = ck;
        double* bk = b.data();
        for (std::size_t q = 0; q < pairs; ++q) {
            const std::size_t k = kk[q];
            if (k == 0) continue;
            s0 += w[q];
            if (k != cur) {
                if (cur != 0) bk[cur] = v;
                cur = k;
                v = bk[k];
            }
            v -= w[q];
        }
        b0 = s0;
        cv = v;
        ck = cur;
        taken.store(c + 1, std::memory_order_release);
    };
    const double pairs_total = static_cast<double>(n) * static_cast<double>(n);
    const unsigned team = pairs_total < double(1 << 19) ? 1u : std::min<unsigned>(worker_count(), 8);
    run_team(team, [&](unsigned id, unsigned) {
        std::vector<double> scratch(2 * n);
        unsigned idle = 0;
        for (;;) {
            if (id == 0) {
                const std::size_t c = taken.load(std::memory_order_relaxed);
                if (c == chunks) return;
                if (ready[c % kSlots].load(std::memory_order_acquire) == c + 1) {
                    take(c);
                    idle = 0;
                    continue;
                }
            }
            std::size_t c = next.load(std::memory_order_relaxed);
            if (c >= chunks) {
                if (id != 0) return;
            } else if (c < taken.load(std::memory_order_acquire) + kSlots &&
                       next.compare_exchange_weak(c, c + 1, std::memory_order_relaxed)) {
                compute(c, scratch.data(), scratch.data() + n);
                idle = 0;
                continue;
            }
            if (++idle > 64) std::this_thread::yield();
        }
    });
    if (ck != 0) b[ck] = cv;
    b[0] += b0;
    std::vector<double> r(m);
    double run = 0.0;
    for (std::size_t k = 0; k < m; ++k) {
        run += b[k];
        r[k] = run / 25.132741228718345;
    }
    return r;
}

// sum over edge pairs k < j of term(D_k, D_j, P_j - P_k), k outer, j inner.
template <typename Term>
double edge_pair_sum(const double* p, std::size_t n, Term term) {
    const std::vector<P3> d = edges(p, n);
    double sum = 0.0;
    for (std::size_t k = 0; k < n; ++k) {
        const P3 pk = at(p, k);
        for (std::size_t j = k + 1; j < n; ++j) {
            const P3 pj = at(p, j);
            sum += term(d[k], d[j], P3{pj.x - pk.x, pj.y - pk.y, pj.z - pk.z});
        }
    }
    return sum;
}

}  // namespace

double neumann_self_energy(const double* p, std::size_t n, double rc) {
    if (n < 2) return 0.0;
    const double rc2 = rc * rc;
    return edge_pair_sum(p, n, [rc2](const P3& dk, const P3& dj, const P3& r) {
        const double dd = dk.x * dj.x + dk.y * dj.y + dk.z * dj.z;
        return 2.0 * dd / std::sqrt(r.x * r.x + r.y * r.y + r.z * r.z + rc2);
    });
}

double core_repulsion(const double* p, std::size_t n, double rc) {
    if (n < 3) return 0.0;
    double sum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const P3 pi = at(p, i);
        for (std::size_t j = i + 2; j < n; ++j) {
            if (i == 0 && j == n - 1) continue;
            const P3 pj = at(p, j);
            const double rx = pj.x - pi.x, ry = pj.y - pi.y, rz = pj.z - pi.z;
            const double x = 2.0 * rc / std::max(1e-30, std::sqrt(rx * rx + ry * ry + rz * rz));
            sum += x > 0.1 ? std::pow(x, 12.0) : 0.0;
        }
    }
    return sum;
}

double polyline_length(const double* p, std::size_t n) {
    if (n < 2) return 0.0;
    double sum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const P3 a = at(p, i), b = at(p, (i + 1) % n);
        const double dx = b.x - a.x, dy = b.y - a.y, dz = b.z - a.z;
        sum += std::sqrt(dx * dx + dy * dy + dz * dz);
    }
    return sum;
}

double regularized_writhe(const double* p, std::size_t n, double rc) {
    if (n < 2) return 0.0;
    const double rc2 = rc * rc;
    const double sum = edge_pair_sum(p, n, [rc2](const P3& dk, const P3& dj, const P3& r) {
        const double cx = dk.y * dj.z - dk.z * dj.y;
        const double cy = dk.z * dj.x - dk.x * dj.z;
        const double cz = dk.x * dj.y - dk.y * dj.x;
        const double u = std::sqrt(r.x * r.x + r.y * r.y + r.z * r.z + rc2);
        return 2.0 * (cx * r.x + cy * r.y + cz * r.z) / (u * u * u);
    });
    return (1.0 / 12.566370614359172) * sum;
}

double curvature_penalty(const double* p, std::size_t n) {
    if (n < 2) return 0.0;
    double sum = 0.0;
    for (std::size_t i = 0; i < n; ++i) {
        const P3 prev = at(p, (i + n - 1) % n), cur = at(p, i), next = at(p, (i + 1) % n);
        const P3 a{cur.x - prev.x, cur.y - prev.y, cur.z - prev.z};     // cur - prev
        const P3 b{next.x - cur.x, next.y - cur.y, next.z - cur.z};     // next - cur
        const P3 c{next.x - prev.x, next.y - prev.y, next.z - prev.z};  // next - prev
        const double r = std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
        const double u = std::sqrt(b.x * b.x + b.y * b.y + b.z * b.z);
        const double v = std::sqrt(c.x * c.x + c.y * c.y + c.z * c.z);
        double kappa = 0.0;
        if (r > 1e-20 && u > 1e-20 && v > 1e-20) {
            const double cx = b.y * a.z - b.z * a.y, cy = b.z * a.x - b.x * a.z, cz = b.x * a.y - b.y * a.x;
            kappa = 2.0 * std::sqrt(cx * cx + cy * cy + cz * cz) / (u * r * v);
        }
        sum += (u + r) * 0.5 * (kappa * kappa);
    }
    return sum;
}

// Cut-offs in any order: the pairs are scanned once against an ascending copy and each result
// goes back to the position of its cut-off, so every entry is the energy for that cut-off
// (an ascending list is scanned as given). A NaN cut-off has no energy and gives NaN.
std::vector<double> bs_cutoff_energy_scan(const double* p, const double* tg, const double* ds, std::size_t n,
                                          const std::vector<double>& a_values) {
    const std::size_t m = a_values.size();
    std::vector<std::size_t> order(m);
    std::iota(order.begin(), order.end(), std::size_t{0});
    // NaNs last, the rest ascending; stable so an ascending list keeps its order exactly.
    std::stable_sort(order.begin(), order.end(), [&](std::size_t x, std::size_t y) {
        const double ax = a_values[x], ay = a_values[y];
        if (std::isnan(ax)) return false;
        if (std::isnan(ay)) return true;
        return ax < ay;
    });
    std::vector<double> sorted;
    sorted.reserve(m);
    for (std::size_t k : order)
        if (!std::isnan(a_values[k])) sorted.push_back(a_values[k]);

    const std::vector<double> r_sorted = scan_sorted(p, tg, ds, n, sorted);
    std::vector<double> r(m, std::numeric_limits<double>::quiet_NaN());
    for (std::size_t k = 0; k < sorted.size(); ++k) r[order[k]] = r_sorted[k];
    return r;
}

}  // namespace kvor
