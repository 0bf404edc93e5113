#include "particle/tail_energy.hpp"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include <immintrin.h>

namespace kvor {

namespace {

using namespace tail_detail;

Vec3 normalise(const Vec3& v) {
    const double len = norm(v);
    if (len < 1e-30) return {1.0, 0.0, 0.0};
    const double inv = 1.0 / len;
    return {v[0] * inv, v[1] * inv, v[2] * inv};
}

}  // namespace

namespace tail_detail {

ShellLayout shell_layout(const TailApproxConfig& cfg) {
    ShellLayout s;
    s.nr = std::max<int>(cfg.radial_samples, 1);
    s.na = std::max<int>(cfg.azimuth_samples, 1);
    const double r_in = std::max(cfg.r_min_factor, 1.01) * kCoreRadius;
    const double r_out = std::max(cfg.r_max_factor * kCoreRadius, 1.1 * r_in);
    s.edges.resize(static_cast<std::size_t>(s.nr) + 1);
    for (int t = 0; t <= s.nr; ++t) {
        s.edges[static_cast<std::size_t>(t)] =
            (static_cast<double>(t) / static_cast<double>(s.nr)) * (r_out - r_in) + r_in;
    }
    return s;
}

std::int32_t exclusion_window(double exclusion, double mean_segment) {
    const double q = std::ceil(exclusion / std::max(1e-30, mean_segment));
    // A quotient beyond the 32-bit range leaves out the whole source filament; a NaN window
    // (non-finite coordinates) falls back to the smallest one.
    if (q >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (!(q >= 1.0)) return 1;
    return static_cast<std::int32_t>(q);
}

double mean_segment_length(const PointList& p) {
    const std::size_t m = p.size();
    double len = 0.0;
    for (std::size_t k = 0; k < m; ++k) len += norm(p[(k + 1) % m] - p[k]);
    return len / static_cast<double>(m);
}

}  // namespace tail_detail

LocalFrame local_frame_at(const std::vector<PointList>& filaments, std::int64_t f, std::int64_t i) {
    if (f < 0 || static_cast<std::size_t>(f) >= filaments.size() || filaments[static_cast<std::size_t>(f)].size() <= 2)
        return {{1.0, 0.0, 0.0}, {0.0, 1.0, 0.0}, {0.0, 0.0, 1.0}};
    const PointList& p = filaments[static_cast<std::size_t>(f)];
    const std::int64_t n = static_cast<std::int64_t>(p.size());
    const std::int64_t ii = ((i % n) + n) % n;
    const Vec3 T = normalise(p[static_cast<std::size_t>((ii + 1) % n)] - p[static_cast<std::size_t>((ii + n - 1) % n)]);
    const Vec3 a = std::fabs(T[2]) < 0.9 ? Vec3{0.0, 0.0, 1.0} : Vec3{0.0, 1.0, 0.0};
    const Vec3 e1p = normalise(cross(a, T));
    const Vec3 e2 = normalise(cross(T, e1p));
    const Vec3 e1 = cross(e2, T);
    return {T, e1, e2};
}

Vec3 tail_velocity_at(const std::vector<PointList>& filaments, const Vec3& q, std::int64_t f, std::int64_t i,
                      double exclusion) {
    Vec3 u{0.0, 0.0, 0.0};
    for (std::size_t g = 0; g < filaments.size(); ++g) {
        const PointList& P = filaments[g];
        const std::int64_t m = static_cast<std::int64_t>(P.size());
        if (m < 2) continue;
        const std::int64_t w = exclusion_window(exclusion, mean_segment_length(P));
        const bool source = static_cast<std::int64_t>(g) == f;
        for (std::int64_t k = 0; k < m; ++k) {
            if (source) {
                const std::int64_t e = k > i ? k - i : i - k;
                const std::int64_t dist = std::min(e, m - e);
                if (!(dist > w)) continue;
            }
            const Vec3& a = P[static_cast<std::size_t>(k)];
            const Vec3& b = P[static_cast<std::size_t>((k + 1) % m)];
            const Vec3 mid = (a + b) * 0.5;
            const Vec3 r = q - mid;
            const Vec3 dl = b - a;
            const double s2 = dot(r, r) + kSoftening;
            const double factor = (1.0 / (std::sqrt(s2) * s2)) * kBiotSavartPrefactor;
            u += cross(dl, r) * factor;
        }
    }
    return u;
}

// ---------------------------------------------------------------------------------------------
// Fast integration. Segment midpoints and vectors are precomputed once per call (SoA); for each
// sample point the included segments form at most two contiguous index ranges per filament,
// summed eight at a time with 1/s^3 from a Newton-refined reciprocal square root (a few ulp per
// term; the order of the sum within a sample differs from the one-by-one loop by lanes only).

namespace {

struct SegmentTable {
    std::vector<double> mx, my, mz, dx, dy, dz;
    double h = 0.0;  // mean segment length
    std::int64_t m = 0;
};

SegmentTable make_segments(const PointList& P) {
    SegmentTable s;
    s.m = static_cast<std::int64_t>(P.size());
    const std::size_t m = P.size();
    s.mx.resize(m); s.my.resize(m); s.mz.resize(m);
    s.dx.resize(m); s.dy.resize(m); s.dz.resize(m);
    for (std::size_t k = 0; k < m; ++k) {
        const Vec3& a = P[k];
        const Vec3& b = P[(k + 1) % m];
        const Vec3 mid = (a + b) * 0.5;
        const Vec3 dl = b - a;
        s.mx[k] = mid[0]; s.my[k] = mid[1]; s.mz[k] = mid[2];
        s.dx[k] = dl[0]; s.dy[k] = dl[1]; s.dz[k] = dl[2];
    }
    s.h = mean_segment_length(P);
    return s;
}

constexpr int kLanes = 8;
typedef double v8d __attribute__((vector_size(64)));
typedef long long v8l __attribute__((vector_size(64)));

// Scalar terms k in [k0, k1), exact formula.
inline void add_scalar_terms(const SegmentTable& s, std::int64_t k, std::int64_t k1, const double* qv, double* acc) {
    for (; k < k1; ++k) {
        const std::size_t kk = static_cast<std::size_t>(k);
        const double rx = qv[0] - s.mx[kk], ry = qv[1] - s.my[kk], rz = qv[2] - s.mz[kk];
        const double s2 = rx * rx + ry * ry + rz * rz + kSoftening;
        const double factor = 1.0 / (std::sqrt(s2) * s2);
        acc[0] += (s.dy[kk] * rz - s.dz[kk] * ry) * factor;
        acc[1] += (s.dz[kk] * rx - s.dx[kk] * rz) * factor;
        acc[2] += (s.dx[kk] * ry - s.dy[kk] * rx) * factor;
    }
}

// Sum of the segment terms k in [k0, k1) at q (without the prefactor), added into acc.
// Returns false if some squared distance left the range where the reciprocal square root
// iteration is exact to a few ulp (the caller then redoes the sample one term at a time).
bool add_segment_range_generic(const SegmentTable& s, std::int64_t k0, std::int64_t k1, const double* qv, double* acc) {
    v8d ax{}, ay{}, az{};
    v8l bad{};
    const v8d vqx = qv[0] - v8d{}, vqy = qv[1] - v8d{}, vqz = qv[2] - v8d{};
    const v8d soft = kSoftening + v8d{}, lim = 1e300 + v8d{};
    const v8d half = 0.5 + v8d{}, three_halves = 1.5 + v8d{};
    const v8l magic = 0x5FE6EB50C7B537A9LL + v8l{};
    std::int64_t k = k0;
    for (; k + kLanes <= k1; k += kLanes) {
        v8d mx, my, mz, dx, dy, dz;
        std::memcpy(&mx, &s.mx[static_cast<std::size_t>(k)], sizeof mx);
        std::memcpy(&my, &s.my[static_cast<std::size_t>(k)], sizeof my);
        std::memcpy(&mz, &s.mz[static_cast<std::size_t>(k)], sizeof mz);
        std::memcpy(&dx, &s.dx[static_cast<std::size_t>(k)], sizeof dx);
        std::memcpy(&dy, &s.dy[static_cast<std::size_t>(k)], sizeof dy);
        std::memcpy(&dz, &s.dz[static_cast<std::size_t>(k)], sizeof dz);
        const v8d rx = vqx - mx, ry = vqy - my, rz = vqz - mz;
        const v8d s2 = rx * rx + ry * ry + rz * rz + soft;
        bad |= ~(s2 <= lim);
        // 1/sqrt(s2): bit-level first guess (3.5%), four Newton steps.
        v8l bits;
        std::memcpy(&bits, &s2, sizeof bits);
        bits = magic - (bits >> 1);
        v8d y;
        std::memcpy(&y, &bits, sizeof y);
        const v8d hs = half * s2;
        y = y * (three_halves - hs * y * y);
        y = y * (three_halves - hs * y * y);
        y = y * (three_halves - hs * y * y);
        y = y * (three_halves - hs * y * y);
        const v8d factor = y * y * y;
        ax += (dy * rz - dz * ry) * factor;
        ay += (dz * rx - dx * rz) * factor;
        az += (dx * ry - dy * rx) * factor;
    }
    bool ok = true;
    for (int l = 0; l < kLanes; ++l) {
        acc[0] += ax[l]; acc[1] += ay[l]; acc[2] += az[l];
        ok = ok && bad[l] == 0;
    }
    add_scalar_terms(s, k, k1, qv, acc);
    return ok;
}

// The same with AVX-512: a 14-bit hardware estimate and two Newton steps, fused multiply-adds.
__attribute__((target("avx512f,fma")))
bool add_segment_range_avx512(const SegmentTable& s, std::int64_t k0, std::int64_t k1, const double* qv, double* acc) {
    __m512d ax = _mm512_setzero_pd(), ay = _mm512_setzero_pd(), az = _mm512_setzero_pd();
    __mmask8 good = 0xFF;
    const __m512d vqx = _mm512_set1_pd(qv[0]), vqy = _mm512_set1_pd(qv[1]), vqz = _mm512_set1_pd(qv[2]);
    const __m512d soft = _mm512_set1_pd(kSoftening), lim = _mm512_set1_pd(1e300);
    const __m512d half = _mm512_set1_pd(0.5), three_halves = _mm512_set1_pd(1.5);
    std::int64_t k = k0;
    for (; k + kLanes <= k1; k += kLanes) {
        const std::size_t kk = static_cast<std::size_t>(k);
        const __m512d rx = _mm512_sub_pd(vqx, _mm512_loadu_pd(&s.mx[kk]));
        const __m512d ry = _mm512_sub_pd(vqy, _mm512_loadu_pd(&s.my[kk]));
        const __m512d rz = _mm512_sub_pd(vqz, _mm512_loadu_pd(&s.mz[kk]));
        const __m512d s2 = _mm512_fmadd_pd(rz, rz, _mm512_fmadd_pd(ry, ry, _mm512_fmadd_pd(rx, rx, soft)));
        good &= _mm512_cmp_pd_mask(s2, lim, _CMP_LE_OQ);
        __m512d y = _mm512_rsqrt14_pd(s2);
        const __m512d hs = _mm512_mul_pd(half, s2);
        y = _mm512_mul_pd(y, _mm512_fnmadd_pd(hs, _mm512_mul_pd(y, y), three_halves));
        y = _mm512_mul_pd(y, _mm512_fnmadd_pd(hs, _mm512_mul_pd(y, y), three_halves));
        const __m512d factor = _mm512_mul_pd(_mm512_mul_pd(y, y), y);
        const __m512d dx = _mm512_loadu_pd(&s.dx[kk]);
        const __m512d dy = _mm512_loadu_pd(&s.dy[kk]);
        const __m512d dz = _mm512_loadu_pd(&s.dz[kk]);
        ax = _mm512_fmadd_pd(_mm512_fmsub_pd(dy, rz, _mm512_mul_pd(dz, ry)), factor, ax);
        ay = _mm512_fmadd_pd(_mm512_fmsub_pd(dz, rx, _mm512_mul_pd(dx, rz)), factor, ay);
        az = _mm512_fmadd_pd(_mm512_fmsub_pd(dx, ry, _mm512_mul_pd(dy, rx)), factor, az);
    }
    alignas(64) double lx[kLanes], ly[kLanes], lz[kLanes];
    _mm512_store_pd(lx, ax);
    _mm512_store_pd(ly, ay);
    _mm512_store_pd(lz, az);
    for (int l = 0; l < kLanes; ++l) {
        acc[0] += lx[l]; acc[1] += ly[l]; acc[2] += lz[l];
    }
    add_scalar_terms(s, k, k1, qv, acc);
    return good == 0xFF;
}

// AVX2: a 12-bit single-precision estimate (squared distances up to 1e38, inside the float
// range) and three Newton steps, fused multiply-adds.
__attribute__((target("avx2,fma")))
bool add_segment_range_avx2(const SegmentTable& s, std::int64_t k0, std::int64_t k1, const double* qv, double* acc) {
    constexpr int kW = 4;
    __m256d ax = _mm256_setzero_pd(), ay = _mm256_setzero_pd(), az = _mm256_setzero_pd();
    __m256d bad = _mm256_setzero_pd();
    const __m256d vqx = _mm256_set1_pd(qv[0]), vqy = _mm256_set1_pd(qv[1]), vqz = _mm256_set1_pd(qv[2]);
    const __m256d soft = _mm256_set1_pd(kSoftening), lim = _mm256_set1_pd(1e38);
    const __m256d half = _mm256_set1_pd(0.5), three_halves = _mm256_set1_pd(1.5);
    std::int64_t k = k0;
    for (; k + kW <= k1; k += kW) {
        const std::size_t kk = static_cast<std::size_t>(k);
        const __m256d rx = _mm256_sub_pd(vqx, _mm256_loadu_pd(&s.mx[kk]));
        const __m256d ry = _mm256_sub_pd(vqy, _mm256_loadu_pd(&s.my[kk]));
        const __m256d rz = _mm256_sub_pd(vqz, _mm256_loadu_pd(&s.mz[kk]));
        const __m256d s2 = _mm256_fmadd_pd(rz, rz, _mm256_fmadd_pd(ry, ry, _mm256_fmadd_pd(rx, rx, soft)));
        bad = _mm256_or_pd(bad, _mm256_cmp_pd(s2, lim, _CMP_NLE_UQ));
        __m256d y = _mm256_cvtps_pd(_mm_rsqrt_ps(_mm256_cvtpd_ps(s2)));
        const __m256d hs = _mm256_mul_pd(half, s2);
        y = _mm256_mul_pd(y, _mm256_fnmadd_pd(hs, _mm256_mul_pd(y, y), three_halves));
        y = _mm256_mul_pd(y, _mm256_fnmadd_pd(hs, _mm256_mul_pd(y, y), three_halves));
        y = _mm256_mul_pd(y, _mm256_fnmadd_pd(hs, _mm256_mul_pd(y, y), three_halves));
        const __m256d factor = _mm256_mul_pd(_mm256_mul_pd(y, y), y);
        const __m256d dx = _mm256_loadu_pd(&s.dx[kk]);
        const __m256d dy = _mm256_loadu_pd(&s.dy[kk]);
        const __m256d dz = _mm256_loadu_pd(&s.dz[kk]);
        ax = _mm256_fmadd_pd(_mm256_fmsub_pd(dy, rz, _mm256_mul_pd(dz, ry)), factor, ax);
        ay = _mm256_fmadd_pd(_mm256_fmsub_pd(dz, rx, _mm256_mul_pd(dx, rz)), factor, ay);
        az = _mm256_fmadd_pd(_mm256_fmsub_pd(dx, ry, _mm256_mul_pd(dy, rx)), factor, az);
    }
    alignas(32) double lx[kW], ly[kW], lz[kW];
    _mm256_store_pd(lx, ax);
    _mm256_store_pd(ly, ay);
    _mm256_store_pd(lz, az);
    for (int l = 0; l < kW; ++l) {
        acc[0] += lx[l]; acc[1] += ly[l]; acc[2] += lz[l];
    }
    add_scalar_terms(s, k, k1, qv, acc);
    return _mm256_movemask_pd(bad) == 0;
}

enum class TailIsa { kGeneric, kAvx2, kAvx512 };

TailIsa tail_isa() {
    static const TailIsa isa = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("fma") ? TailIsa::kAvx512
                               : __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma")  ? TailIsa::kAvx2
                                                                                                   : TailIsa::kGeneric;
    return isa;
}

bool add_segment_range(const SegmentTable& s, std::int64_t k0, std::int64_t k1, const double* qv, double* acc) {
    switch (tail_isa()) {
        case TailIsa::kAvx512: return add_segment_range_avx512(s, k0, k1, qv, acc);
        case TailIsa::kAvx2: return add_segment_range_avx2(s, k0, k1, qv, acc);
        case TailIsa::kGeneric: break;
    }
    return add_segment_range_generic(s, k0, k1, qv, acc);
}

}  // namespace

double compute_tail_energy_surrogate_J(const std::vector<PointList>& filaments, const TailApproxConfig& cfg) {
    if (!cfg.enabled || filaments.empty()) return 0.0;
    const ShellLayout layout = shell_layout(cfg);
    const int nr = layout.nr, na = layout.na;

    std::vector<SegmentTable> segs;
    segs.reserve(filaments.size());
    for (const PointList& P : filaments) segs.push_back(P.size() >= 2 ? make_segments(P) : SegmentTable{});
    std::vector<std::int64_t> window(filaments.size(), 0);

    double E = 0.0;
    for (std::size_t f = 0; f < filaments.size(); ++f) {
        const PointList& p = filaments[f];
        const std::int64_t n = static_cast<std::int64_t>(p.size());
        if (n < 3) continue;
        std::vector<double> ds(static_cast<std::size_t>(n));
        double ds_sum = 0.0;
        for (std::int64_t i = 0; i < n; ++i) {
            ds[static_cast<std::size_t>(i)] = norm(p[static_cast<std::size_t>((i + 1) % n)] - p[static_cast<std::size_t>(i)]);
            ds_sum += ds[static_cast<std::size_t>(i)];
        }
        const double exclusion = (ds_sum / static_cast<double>(n)) * cfg.exclusion_ds_factor;
        for (std::size_t g = 0; g < filaments.size(); ++g) {
            if (segs[g].m >= 2) window[g] = exclusion_window(exclusion, segs[g].h);
        }

        for (std::int64_t i = 0; i < n; ++i) {
            const LocalFrame fr = local_frame_at(filaments, static_cast<std::int64_t>(f), i);
            const Vec3& pi = p[static_cast<std::size_t>(i)];
            for (int j = 0; j < nr; ++j) {
                const double r0 = layout.edges[static_cast<std::size_t>(j)];
                const double r1 = layout.edges[static_cast<std::size_t>(j) + 1];
                const double rm = (r0 + r1) * 0.5;
                const double area = (r1 * r1 - r0 * r0) * kPi;
                double S = 0.0;
                for (int a = 0; a < na; ++a) {
                    const double angle = (static_cast<double>(a) + 0.5) * kTwoPi / static_cast<double>(na);
                    const Vec3 q = ((rm * std::cos(angle)) * fr.e1 + (rm * std::sin(angle)) * fr.e2) + pi;
                    double u[3] = {0.0, 0.0, 0.0};
                    bool ok = true;
                    for (std::size_t g = 0; g < filaments.size(); ++g) {
                        const SegmentTable& s = segs[g];
                        if (s.m < 2) continue;
                        if (g != f) {
                            ok = add_segment_range(s, 0, s.m, q.data(), u) && ok;
                            continue;
                        }
                        // Included segments: circular offsets w+1 .. m-w-1 from the source point.
                        const std::int64_t w = window[g];
                        const std::int64_t count = s.m - 2 * std::min<std::int64_t>(w, s.m) - 1;
                        if (count <= 0) continue;
                        const std::int64_t k0 = (i + w + 1) % s.m;
                        const std::int64_t k1 = k0 + count;
                        if (k1 <= s.m) {
                            ok = add_segment_range(s, k0, k1, q.data(), u) && ok;
                        } else {
                            ok = add_segment_range(s, k0, s.m, q.data(), u) && ok;
                            ok = add_segment_range(s, 0, k1 - s.m, q.data(), u) && ok;
                        }
                    }
                    Vec3 uv{u[0] * kBiotSavartPrefactor, u[1] * kBiotSavartPrefactor, u[2] * kBiotSavartPrefactor};
                    if (!ok) uv = tail_velocity_at(filaments, q, static_cast<std::int64_t>(f), i, exclusion);
                    S += dot(uv, uv);
                }
                E += ((S / static_cast<double>(na)) * kEnergyFactor) * (area * ds[static_cast<std::size_t>(i)]);
            }
        }
    }
    return E;
}

}  // namespace kvor
