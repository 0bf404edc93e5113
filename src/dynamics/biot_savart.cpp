#include "dynamics/biot_savart.hpp"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <stdexcept>
#include <string>

#include "common/parallel.hpp"
#include "dynamics/simd_clones.hpp"

#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__) && !defined(KVOR_NO_CLONES)
#include <immintrin.h>
#define KVOR_HAVE_AVX512_SEGMENT 1
#endif

namespace kvor {
namespace {

constexpr double kFourPi = 12.566370614359172;
constexpr double kInvFourPi = 0.07957747154594767;
// Below this many kernel evaluations a call stays on one thread (starting threads costs more).
constexpr double kParallelMinEvaluations = 1 << 19;

// Segment kernel over structure-of-arrays grids: edge loop outer (midpoint and dl formed once),
// grid points inner, so every point's sum runs over the edges in order while the lanes work on
// neighbouring points. |R|^3 is formed as |R|^2 * sqrt(|R|^2) (within an ulp of the power).
KVOR_SIMD_CLONES
void segment_kernel_generic(const double* __restrict edge, std::size_t n, const double* __restrict gx,
                            const double* __restrict gy, const double* __restrict gz, std::size_t m,
                            double* __restrict ux, double* __restrict uy, double* __restrict uz) {
    for (std::size_t i = 0; i < n; ++i) {
        const double* e = edge + 6 * i;
        const double dlx = e[0], dly = e[1], dlz = e[2], mx = e[3], my = e[4], mz = e[5];
        for (std::size_t q = 0; q < m; ++q) {
            const double rx = gx[q] - mx, ry = gy[q] - my, rz = gz[q] - mz;
            const double r2 = rx * rx + ry * ry + rz * rz;
            const double den = r2 * std::sqrt(r2) + 1e-12;
            ux[q] += (dly * rz - dlz * ry) / den;
            uy[q] += (dlz * rx - dlx * rz) / den;
            uz[q] += (dlx * ry - dly * rx) / den;
        }
    }
}

#ifdef KVOR_HAVE_AVX512_SEGMENT
// The same sums, 32 grid points at a time held in registers while every edge passes over them
// (each point still adds its edges in order). The divider is the bottleneck of the literal
// form, so for |R|^2 >= 1e-2 the factor 1/(|R|^3 + 1e-12) is built without it: from the
// hardware estimate y0 of |R|^-1 (relative error below 2^-14), e = 1 - |R|^2 y0^2 and
// |R|^-3 = y0^3 (1 - e)^(-3/2) = y0^3 (1 + 3/2 e + 15/8 e^2 + 35/16 e^3 + 315/128 e^4) (the
// next term is below 1e-19), then 1/(|R|^3 + r) = y^3 (1 - r y^3) (the dropped (r y^3)^2 is
// below 1e-18 there), a few ulps from the quotient. A vector with any |R|^2 below 1e-2 (a point
// near an edge midpoint, NaN) takes the literal divisions, as does any |R|^2 above 1e200
// unless every coordinate is known to be at most 1e99 in size (`bounded`).
//
// On a lattice block (32 points sharing x and y, as along a grid row) the x and y parts are
// formed once per edge instead of once per lane; they are the same operations on the same
// values, so both forms give the same bits.
struct SegmentConstants {
    __m512d one, reg, lo, hi, c1, c2, c3, c4;
};

__attribute__((target("avx512f"), always_inline)) inline void segment_term(const SegmentConstants& k, bool bounded,
                                                                            __m512d r2, __m512d cx, __m512d cy,
                                                                            __m512d cz, __m512d& ax, __m512d& ay,
                                                                            __m512d& az) {
    __mmask8 ok = _mm512_cmp_pd_mask(r2, k.lo, _CMP_GE_OQ);
    if (!bounded) ok &= _mm512_cmp_pd_mask(r2, k.hi, _CMP_LE_OQ);
    if (ok == 0xFF) {
        const __m512d y = _mm512_rsqrt14_pd(r2);
        const __m512d yy = _mm512_mul_pd(y, y);
        const __m512d e = _mm512_fnmadd_pd(r2, yy, k.one);
        __m512d p = _mm512_fmadd_pd(e, k.c4, k.c3);
        p = _mm512_fmadd_pd(p, e, k.c2);
        p = _mm512_fmadd_pd(p, e, k.c1);
        p = _mm512_fmadd_pd(p, e, k.one);
        const __m512d y3 = _mm512_mul_pd(_mm512_mul_pd(yy, y), p);
        const __m512d f = _mm512_mul_pd(y3, _mm512_fnmadd_pd(k.reg, y3, k.one));
        ax = _mm512_fmadd_pd(cx, f, ax);
        ay = _mm512_fmadd_pd(cy, f, ay);
        az = _mm512_fmadd_pd(cz, f, az);
    } else {
        const __m512d den = _mm512_add_pd(_mm512_mul_pd(r2, _mm512_sqrt_pd(r2)), k.reg);
        ax = _mm512_add_pd(ax, _mm512_div_pd(cx, den));
        ay = _mm512_add_pd(ay, _mm512_div_pd(cy, den));
        az = _mm512_add_pd(az, _mm512_div_pd(cz, den));
    }
}

constexpr std::size_t kBlock = 32;

bool same_bits(const double* v, std::size_t count) {
    for (std::size_t q = 1; q < count; ++q)
        if (std::memcmp(v + q, v, sizeof(double)) != 0) return false;
    return true;
}

__attribute__((target("avx512f"))) void segment_kernel_avx512(const double* __restrict edge, std::size_t n,
                                                              const double* __restrict gx, const double* __restrict gy,
                                                              const double* __restrict gz, std::size_t m, bool bounded,
                                                              double* __restrict ux, double* __restrict uy,
                                                              double* __restrict uz) {
    const SegmentConstants k{_mm512_set1_pd(1.0),          _mm512_set1_pd(1e-12),      _mm512_set1_pd(1e-2),
                             _mm512_set1_pd(1e200),        _mm512_set1_pd(1.5),        _mm512_set1_pd(15.0 / 8.0),
                             _mm512_set1_pd(35.0 / 16.0), _mm512_set1_pd(315.0 / 128.0)};
    constexpr int H = kBlock / 8;
    for (std::size_t q = 0; q < m; q += kBlock) {
        __m512d pz[H], ax[H], ay[H], az[H];
        for (int h = 0; h < H; ++h) {
            pz[h] = _mm512_loadu_pd(gz + q + 8 * h);
            ax[h] = _mm512_loadu_pd(ux + q + 8 * h);
            ay[h] = _mm512_loadu_pd(uy + q + 8 * h);
            az[h] = _mm512_loadu_pd(uz + q + 8 * h);
        }
        if (same_bits(gx + q, kBlock) && same_bits(gy + q, kBlock)) {
            const __m512d px = _mm512_set1_pd(gx[q]), py = _mm512_set1_pd(gy[q]);
            for (std::size_t i = 0; i < n; ++i) {
                const double* e = edge + 6 * i;
                const __m512d dlx = _mm512_set1_pd(e[0]), dly = _mm512_set1_pd(e[1]), dlz = _mm512_set1_pd(e[2]);
                const __m512d mz = _mm512_set1_pd(e[5]);
                const __m512d rx = _mm512_sub_pd(px, _mm512_set1_pd(e[3])), ry = _mm512_sub_pd(py, _mm512_set1_pd(e[4]));
                const __m512d sxy = _mm512_fmadd_pd(ry, ry, _mm512_mul_pd(rx, rx));
                const __m512d dlz_ry = _mm512_mul_pd(dlz, ry);
                const __m512d cz = _mm512_fmsub_pd(dlx, ry, _mm512_mul_pd(dly, rx));
                for (int h = 0; h < H; ++h) {
                    const __m512d rz = _mm512_sub_pd(pz[h], mz);
                    const __m512d r2 = _mm512_fmadd_pd(rz, rz, sxy);
                    const __m512d cx = _mm512_fmsub_pd(dly, rz, dlz_ry);
                    const __m512d cy = _mm512_fmsub_pd(dlz, rx, _mm512_mul_pd(dlx, rz));
                    segment_term(k, bounded, r2, cx, cy, cz, ax[h], ay[h], az[h]);
                }
            }
        } else {
            __m512d px[H], py[H];
            for (int h = 0; h < H; ++h) {
                px[h] = _mm512_loadu_pd(gx + q + 8 * h);
                py[h] = _mm512_loadu_pd(gy + q + 8 * h);
            }
            for (std::size_t i = 0; i < n; ++i) {
                const double* e = edge + 6 * i;
                const __m512d dlx = _mm512_set1_pd(e[0]), dly = _mm512_set1_pd(e[1]), dlz = _mm512_set1_pd(e[2]);
                const __m512d mx = _mm512_set1_pd(e[3]), my = _mm512_set1_pd(e[4]), mz = _mm512_set1_pd(e[5]);
                for (int h = 0; h < H; ++h) {
                    const __m512d rx = _mm512_sub_pd(px[h], mx), ry = _mm512_sub_pd(py[h], my),
                                  rz = _mm512_sub_pd(pz[h], mz);
                    const __m512d r2 = _mm512_fmadd_pd(rz, rz, _mm512_fmadd_pd(ry, ry, _mm512_mul_pd(rx, rx)));
                    const __m512d cx = _mm512_fmsub_pd(dly, rz, _mm512_mul_pd(dlz, ry));
                    const __m512d cy = _mm512_fmsub_pd(dlz, rx, _mm512_mul_pd(dlx, rz));
                    const __m512d cz = _mm512_fmsub_pd(dlx, ry, _mm512_mul_pd(dly, rx));
                    segment_term(k, bounded, r2, cx, cy, cz, ax[h], ay[h], az[h]);
                }
            }
        }
        for (int h = 0; h < H; ++h) {
            _mm512_storeu_pd(ux + q + 8 * h, ax[h]);
            _mm512_storeu_pd(uy + q + 8 * h, ay[h]);
            _mm512_storeu_pd(uz + q + 8 * h, az[h]);
        }
    }
}

// Every coordinate of the grid and the edge data at most 1e99 in size (so |R|^2 <= 1.2e199).
bool all_bounded(const double* v, std::size_t count) {
    bool ok = true;
    for (std::size_t q = 0; q < count; ++q) ok &= std::fabs(v[q]) <= 1e99;
    return ok;
}

// KVOR_NO_AVX512 (set to anything) selects the portable kernel, e.g. to check it on a machine
// that has the wide one.
bool have_avx512() {
    static const bool yes = __builtin_cpu_supports("avx512f") && std::getenv("KVOR_NO_AVX512") == nullptr;
    return yes;
}
#endif

// Grid points go through the kernels in blocks of this many (the last block padded with the
// origin, whose sums are dropped).
constexpr std::size_t kPad = 32;

// u_q = scale * sum over the edges of the curve, for the m points stored as rows (x, y, z) of
// `grid`, written as rows into `out`. Each thread gathers its blocks into local
// structure-of-arrays buffers, so no copy of the whole grid is made.
void segment_velocity_rows(const std::vector<Vec3>& curve, const double* grid, std::size_t m, double scale,
                           double* out) {
    const std::size_t n = curve.size();
    std::vector<double> edge(6 * n);
    for (std::size_t i = 0; i < n; ++i) {
        const Vec3& a = curve[i];
        const Vec3& b = curve[(i + 1) % n];
        double* e = edge.data() + 6 * i;
        e[0] = b[0] - a[0];
        e[1] = b[1] - a[1];
        e[2] = b[2] - a[2];
        e[3] = (a[0] + b[0]) * 0.5;
        e[4] = (a[1] + b[1]) * 0.5;
        e[5] = (a[2] + b[2]) * 0.5;
    }
    const double* ed = edge.data();
#ifdef KVOR_HAVE_AVX512_SEGMENT
    const bool avx512 = have_avx512();
    const bool bounded = avx512 && all_bounded(ed, edge.size()) && all_bounded(grid, 3 * m);
#endif
    // Blocks are independent: split them over threads, every point keeping its own edge order.
    parallel_ranges(m, kPad, static_cast<double>(n), kParallelMinEvaluations, [&](std::size_t begin, std::size_t end) {
        alignas(64) double buf[6 * kPad];
        double *gx = buf, *gy = buf + kPad, *gz = buf + 2 * kPad;
        double *ux = buf + 3 * kPad, *uy = buf + 4 * kPad, *uz = buf + 5 * kPad;
        for (std::size_t q0 = begin; q0 < end; q0 += kPad) {
            const std::size_t cnt = std::min(kPad, end - q0);
            for (std::size_t j = 0; j < kPad; ++j) {
                const double* r = grid + 3 * (q0 + j);
                gx[j] = j < cnt ? r[0] : 0.0;
                gy[j] = j < cnt ? r[1] : 0.0;
                gz[j] = j < cnt ? r[2] : 0.0;
                ux[j] = uy[j] = uz[j] = 0.0;
            }
#ifdef KVOR_HAVE_AVX512_SEGMENT
            if (avx512)
                segment_kernel_avx512(ed, n, gx, gy, gz, kPad, bounded, ux, uy, uz);
            else
#endif
                segment_kernel_generic(ed, n, gx, gy, gz, kPad, ux, uy, uz);
            for (std::size_t j = 0; j < cnt; ++j) {
                double* o = out + 3 * (q0 + j);
                o[0] = ux[j] * scale;
                o[1] = uy[j] * scale;
                o[2] = uz[j] * scale;
            }
        }
    });
}

// Point kernel over structure-of-arrays field points: sample loop outer, field points inner.
// A skipped sample adds +0.0, which leaves every running sum unchanged (a sum that starts at
// +0.0 never becomes -0.0), so each point's result is its sequential sum bit for bit.
KVOR_SIMD_CLONES
void point_kernel(const Vec3* pts, const Vec3* tans, std::size_t n, double gamma, const double* __restrict fx,
                  const double* __restrict fy, const double* __restrict fz, std::size_t m, double* __restrict ux,
                  double* __restrict uy, double* __restrict uz) {
    for (std::size_t j = 0; j < n; ++j) {
        const double px = pts[j][0], py = pts[j][1], pz = pts[j][2];
        const double tx = tans[j][0], ty = tans[j][1], tz = tans[j][2];
        for (std::size_t q = 0; q < m; ++q) {
            const double rx = fx[q] - px, ry = fy[q] - py, rz = fz[q] - pz;
            const double d = std::sqrt(rx * rx + ry * ry + rz * rz);
            const double f = gamma / (d * d * d);
            const bool near = !(d > 1e-6);
            const double cx = (ty * rz - tz * ry) * kInvFourPi * f;
            const double cy = (tz * rx - tx * rz) * kInvFourPi * f;
            const double cz = (tx * ry - ty * rx) * kInvFourPi * f;
            ux[q] += near ? 0.0 : cx;
            uy[q] += near ? 0.0 : cy;
            uz[q] += near ? 0.0 : cz;
        }
    }
}

// Coordinates of field points and the three velocity sums as six arrays of `size` entries
// (entries past the points stay zero).
struct FieldArrays {
    FieldArrays(const std::vector<Vec3>& pts, std::size_t size) : data(6 * size, 0.0) {
        x = data.data();
        y = x + size;
        z = y + size;
        ux = z + size;
        uy = ux + size;
        uz = uy + size;
        for (std::size_t q = 0; q < pts.size(); ++q) {
            x[q] = pts[q][0];
            y[q] = pts[q][1];
            z[q] = pts[q][2];
        }
    }
    std::vector<double> data;
    double *x, *y, *z, *ux, *uy, *uz;
};

// Number of grid entries, or -1 when an extent is negative; 0 when any extent is 0.
long long grid_count(const std::array<int, 3>& s) {
    if (s[0] < 0 || s[1] < 0 || s[2] < 0) return -1;
    if (s[0] == 0 || s[1] == 0 || s[2] == 0) return 0;
    const long double c = static_cast<long double>(s[0]) * s[1] * s[2];
    if (c > static_cast<long double>(std::numeric_limits<long long>::max())) return -1;
    return static_cast<long long>(s[0]) * s[1] * s[2];
}

void check_grid(const char* name, const char* what, std::size_t size, const std::array<int, 3>& shape) {
    const long long count = grid_count(shape);
    if (count < 0) throw std::invalid_argument(std::string(name) + ": shape extents must be non-negative");
    if (static_cast<unsigned long long>(count) != size)
        throw std::invalid_argument(std::string(name) + ": " + what + " must have shape[0]*shape[1]*shape[2] entries");
}

}  // namespace

static_assert(sizeof(Vec3) == 3 * sizeof(double), "point lists are read as rows of three doubles");

void BiotSavart::compute_velocity_rows(const std::vector<Vec3>& curve, const double* grid_rows, std::size_t m,
                                       double circulation, double* out_rows) {
    if (curve.size() <= 1) {
        std::fill(out_rows, out_rows + 3 * m, 0.0);
        return;
    }
    segment_velocity_rows(curve, grid_rows, m, circulation / kFourPi, out_rows);
}

std::vector<Vec3> BiotSavart::compute_velocity(const std::vector<Vec3>& curve, const std::vector<Vec3>& grid_points,
                                               double circulation) {
    std::vector<Vec3> u(grid_points.size(), Vec3{0.0, 0.0, 0.0});
    if (grid_points.empty()) return u;
    compute_velocity_rows(curve, grid_points[0].data(), grid_points.size(), circulation, u[0].data());
    return u;
}

std::vector<Vec3> BiotSavart::compute_velocity(const std::vector<Vec3>& curve, const std::vector<Vec3>& grid_points) {
    return compute_velocity(curve, grid_points, 1.0);
}

std::vector<Vec3> BiotSavart::compute_vorticity(const std::vector<Vec3>& v, const std::array<int, 3>& shape,
                                                double h) {
    check_grid("compute_vorticity", "velocity", v.size(), shape);
    std::vector<Vec3> w(v.size(), Vec3{0.0, 0.0, 0.0});
    const long long nx = shape[0], ny = shape[1], nz = shape[2];
    const double h2 = 2.0 * h;
    auto idx = [&](long long i, long long j, long long k) { return static_cast<std::size_t>((i * ny + j) * nz + k); };
    for (long long i = 0; i < nx; ++i) {
        const long long ip = (i + nx + 1) % nx, im = (i + nx - 1) % nx;
        for (long long j = 0; j < ny; ++j) {
            const long long jp = (j + ny + 1) % ny, jm = (j + ny - 1) % ny;
            for (long long k = 0; k < nz; ++k) {
                const long long kp = (k + nz + 1) % nz, km = (k + nz - 1) % nz;
                const Vec3& vkp = v[idx(i, j, kp)];
                const Vec3& vkm = v[idx(i, j, km)];
                const Vec3& vjp = v[idx(i, jp, k)];
                const Vec3& vjm = v[idx(i, jm, k)];
                const Vec3& vip = v[idx(ip, j, k)];
                const Vec3& vim = v[idx(im, j, k)];
                Vec3& out = w[idx(i, j, k)];
                out[0] = (vkp[1] - vkm[1]) / h2 - (vjp[2] - vjm[2]) / h2;
                out[1] = (vip[2] - vim[2]) / h2 - (vkp[0] - vkm[0]) / h2;
                out[2] = (vjp[0] - vjm[0]) / h2 - (vip[1] - vim[1]) / h2;
            }
        }
    }
    return w;
}

std::vector<Vec3> BiotSavart::extract_interior(const std::vector<Vec3>& f, const std::array<int, 3>& shape,
                                               int margin) {
    check_grid("extract_interior", "field", f.size(), shape);
    if (margin < 0) throw std::invalid_argument("extract_interior: margin must be non-negative");
    std::vector<Vec3> out;
    const long long nx = shape[0], ny = shape[1], nz = shape[2], mg = margin;
    if (nx - 2 * mg <= 0 || ny - 2 * mg <= 0 || nz - 2 * mg <= 0) return out;
    out.reserve(static_cast<std::size_t>((nx - 2 * mg) * (ny - 2 * mg) * (nz - 2 * mg)));
    for (long long i = mg; i < nx - mg; ++i)
        for (long long j = mg; j < ny - mg; ++j)
            for (long long k = mg; k < nz - mg; ++k) out.push_back(f[static_cast<std::size_t>((i * ny + j) * nz + k)]);
    return out;
}

HelicityInvariants BiotSavart::compute_invariants(const std::vector<Vec3>& v_sub, const std::vector<Vec3>& w_sub,
                                                  const std::vector<double>& r_sq) {
    if (w_sub.size() < v_sub.size())
        throw std::invalid_argument("compute_invariants: w_sub must have at least as many entries as v_sub");
    if (r_sq.size() < w_sub.size())
        throw std::invalid_argument("compute_invariants: r_sq must have at least as many entries as w_sub");
    double h_charge = 0.0;
    for (std::size_t k = 0; k < v_sub.size(); ++k) h_charge += dot(v_sub[k], w_sub[k]);
    double h_mass = 0.0;
    for (std::size_t k = 0; k < w_sub.size(); ++k) {
        const double wn = norm(w_sub[k]);
        h_mass += wn * wn * r_sq[k];
    }
    HelicityInvariants out;
    out.H_charge = h_charge;
    out.H_mass = h_mass;
    out.a_mu = (h_charge / h_mass - 1.0) * 0.5;
    return out;
}

Vec3 biot_savart_velocity(const Vec3& r, const std::vector<Vec3>& filament_points,
                          const std::vector<Vec3>& tangent_vectors, double circulation) {
    if (tangent_vectors.size() < filament_points.size())
        throw std::invalid_argument(
            "biot_savart_velocity: tangent_vectors must have at least as many entries as filament_points");
    double ux = 0.0, uy = 0.0, uz = 0.0;
    point_kernel(filament_points.data(), tangent_vectors.data(), filament_points.size(), circulation, &r[0], &r[1],
                 &r[2], 1, &ux, &uy, &uz);
    return {ux, uy, uz};
}

std::vector<Vec3> biot_savart_velocities(const std::vector<Vec3>& field_points, const std::vector<Vec3>& filament_points,
                                         const std::vector<Vec3>& tangent_vectors, double circulation) {
    if (tangent_vectors.size() < filament_points.size())
        throw std::invalid_argument(
            "biot_savart_velocity: tangent_vectors must have at least as many entries as filament_points");
    const std::size_t m = field_points.size();
    FieldArrays f(field_points, m);
    const std::size_t n = filament_points.size();
    parallel_ranges(m, 8, static_cast<double>(n), kParallelMinEvaluations, [&](std::size_t a, std::size_t b) {
        point_kernel(filament_points.data(), tangent_vectors.data(), n, circulation, f.x + a, f.y + a, f.z + a, b - a,
                     f.ux + a, f.uy + a, f.uz + a);
    });
    std::vector<Vec3> u(m);
    for (std::size_t q = 0; q < m; ++q) u[q] = {f.ux[q], f.uy[q], f.uz[q]};
    return u;
}

}  // namespace kvor
