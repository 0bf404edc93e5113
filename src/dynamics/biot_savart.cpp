#include "dynamics/biot_savart.hpp"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <string>

#include "dynamics/simd_clones.hpp"

namespace kvor {
namespace {

constexpr double kFourPi = 12.566370614359172;
constexpr double kInvFourPi = 0.07957747154594767;

// Segment kernel over structure-of-arrays grids: edge loop outer (midpoint and dl formed once),
// grid points inner, so every point's sum runs over the edges in order while the lanes work on
// neighbouring points. |R|^3 is formed as |R|^2 * sqrt(|R|^2) (within an ulp of the power).
KVOR_SIMD_CLONES
void segment_kernel(const Vec3* curve, std::size_t n, const double* __restrict gx, const double* __restrict gy,
                    const double* __restrict gz, std::size_t m, double* __restrict ux, double* __restrict uy,
                    double* __restrict uz) {
    for (std::size_t i = 0; i < n; ++i) {
        const Vec3& a = curve[i];
        const Vec3& b = curve[(i + 1) % n];
        const double dlx = b[0] - a[0], dly = b[1] - a[1], dlz = b[2] - a[2];
        const double mx = (a[0] + b[0]) * 0.5, my = (a[1] + b[1]) * 0.5, mz = (a[2] + b[2]) * 0.5;
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

std::vector<Vec3> BiotSavart::compute_velocity(const std::vector<Vec3>& curve, const std::vector<Vec3>& grid_points,
                                               double circulation) {
    const std::size_t n = curve.size();
    const std::size_t m = grid_points.size();
    std::vector<Vec3> u(m, Vec3{0.0, 0.0, 0.0});
    if (n <= 1 || m == 0) return u;

    std::vector<double> soa(6 * m, 0.0);
    double* gx = soa.data();
    double* gy = gx + m;
    double* gz = gy + m;
    double* ux = gz + m;
    double* uy = ux + m;
    double* uz = uy + m;
    for (std::size_t q = 0; q < m; ++q) {
        gx[q] = grid_points[q][0];
        gy[q] = grid_points[q][1];
        gz[q] = grid_points[q][2];
    }
    segment_kernel(curve.data(), n, gx, gy, gz, m, ux, uy, uz);

    const double s = circulation / kFourPi;
    for (std::size_t q = 0; q < m; ++q) u[q] = {ux[q] * s, uy[q] * s, uz[q] * s};
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
    std::vector<double> soa(6 * m, 0.0);
    double* fx = soa.data();
    double* fy = fx + m;
    double* fz = fy + m;
    double* ux = fz + m;
    double* uy = ux + m;
    double* uz = uy + m;
    for (std::size_t q = 0; q < m; ++q) {
        fx[q] = field_points[q][0];
        fy[q] = field_points[q][1];
        fz[q] = field_points[q][2];
    }
    point_kernel(filament_points.data(), tangent_vectors.data(), filament_points.size(), circulation, fx, fy, fz, m,
                 ux, uy, uz);
    std::vector<Vec3> u(m);
    for (std::size_t q = 0; q < m; ++q) u[q] = {ux[q], uy[q], uz[q]};
    return u;
}

}  // namespace kvor
