#include "formulas/magnetic.hpp"

#include <cmath>

#include "dynamics/simd_clones.hpp"

namespace kvor {

namespace {

// Grid points are processed in blocks that stay in cache while every source is added to them;
// each point still receives its sources in order.
constexpr std::size_t kBlock = 512;

// Segment midpoints and vectors of an open polyline, as separate coordinate arrays.
struct Segments {
    std::vector<double> mx, my, mz, lx, ly, lz;
    explicit Segments(const std::vector<Vec3>& p) {
        const std::size_t n = p.size() < 2 ? 0 : p.size() - 1;
        for (auto* v : {&mx, &my, &mz, &lx, &ly, &lz}) v->resize(n);
        for (std::size_t k = 0; k < n; ++k) {
            for (int c = 0; c < 3; ++c) {
                (c == 0 ? mx : c == 1 ? my : mz)[k] = (p[k][c] + p[k + 1][c]) / 2.0;
                (c == 0 ? lx : c == 1 ? ly : lz)[k] = p[k + 1][c] - p[k][c];
            }
        }
    }
    std::size_t size() const { return mx.size(); }
};

// One dipole (p, m) added to every grid point; the distance test is a select so the loop
// stays branch-free.
KVOR_SIMD_CLONES
void add_dipole(const double* __restrict x, const double* __restrict y, const double* __restrict z,
                std::size_t d, double px, double py, double pz, double mx, double my, double mz,
                double* __restrict bx, double* __restrict by, double* __restrict bz) {
    for (std::size_t j = 0; j < d; ++j) {
        const double rx = x[j] - px, ry = y[j] - py, rz = z[j] - pz;
        const double rho2 = rx * rx + ry * ry + rz * rz;
        const double rho = std::sqrt(rho2);
        const double f = 3.0 * (mx * rx + my * ry + mz * rz) / rho2;
        const double s = 1.0 / (kFourPi * rho2 * rho);
        const double gx = (f * rx - mx) * s, gy = (f * ry - my) * s, gz = (f * rz - mz) * s;
        bx[j] += rho >= kCoincident ? gx : 0.0;
        by[j] += rho >= kCoincident ? gy : 0.0;
        bz[j] += rho >= kCoincident ? gz : 0.0;
    }
}

// One current segment (midpoint M, vector dl, prefactor c = I/(4π)) added to every grid point.
KVOR_SIMD_CLONES
void add_segment(const double* __restrict x, const double* __restrict y, const double* __restrict z,
                 std::size_t d, double Mx, double My, double Mz, double lx, double ly, double lz, double c,
                 double* __restrict bx, double* __restrict by, double* __restrict bz) {
    for (std::size_t j = 0; j < d; ++j) {
        const double rx = x[j] - Mx, ry = y[j] - My, rz = z[j] - Mz;
        const double rho2 = rx * rx + ry * ry + rz * rz;
        const double rho = std::sqrt(rho2);
        const double s = c / (rho2 * rho);
        const double gx = (ly * rz - lz * ry) * s;
        const double gy = (lz * rx - lx * rz) * s;
        const double gz = (lx * ry - ly * rx) * s;
        bx[j] += rho >= kCoincident ? gx : 0.0;
        by[j] += rho >= kCoincident ? gy : 0.0;
        bz[j] += rho >= kCoincident ? gz : 0.0;
    }
}

}  // namespace

Vec3 dipole_field_at_point(const Vec3& r, const Vec3& m) {
    const double rho2 = dot(r, r);
    const double rho = std::sqrt(rho2);
    if (rho < kCoincident) return {0.0, 0.0, 0.0};
    const double f = 3.0 * dot(m, r) / rho2;
    const double s = 1.0 / (kFourPi * rho2 * rho);
    return {(f * r[0] - m[0]) * s, (f * r[1] - m[1]) * s, (f * r[2] - m[2]) * s};
}

void dipole_ring_field_grid(const double* x, const double* y, const double* z, std::size_t d,
                            const std::vector<Vec3>& positions, const std::vector<Vec3>& moments,
                            double* bx, double* by, double* bz) {
    const std::size_t n = positions.size() < moments.size() ? positions.size() : moments.size();
    for (std::size_t b = 0; b < d; b += kBlock) {
        const std::size_t len = d - b < kBlock ? d - b : kBlock;
        for (std::size_t i = 0; i < n; ++i) {
            const Vec3& p = positions[i];
            const Vec3& m = moments[i];
            add_dipole(x + b, y + b, z + b, len, p[0], p[1], p[2], m[0], m[1], m[2], bx + b, by + b, bz + b);
        }
    }
}

void biot_savart_wire_grid(const double* x, const double* y, const double* z, std::size_t d,
                           const std::vector<Vec3>& wire, double current,
                           double* bx, double* by, double* bz) {
    const Segments seg(wire);
    const double c = current * kInvFourPi;
    for (std::size_t b = 0; b < d; b += kBlock) {
        const std::size_t len = d - b < kBlock ? d - b : kBlock;
        for (std::size_t k = 0; k < seg.size(); ++k) {
            add_segment(x + b, y + b, z + b, len, seg.mx[k], seg.my[k], seg.mz[k], seg.lx[k], seg.ly[k],
                        seg.lz[k], c, bx + b, by + b, bz + b);
        }
    }
}

void biot_savart_vector_potential_grid(const std::vector<Vec3>& polyline, const std::vector<Vec3>& grid,
                                       double current, double* ax, double* ay, double* az) {
    const Segments seg(polyline);
    const double c = current * kInvFourPi;
    for (std::size_t j = 0; j < grid.size(); ++j) {
        double sx = 0.0, sy = 0.0, sz = 0.0;
        for (std::size_t k = 0; k < seg.size(); ++k) {
            const double rx = grid[j][0] - seg.mx[k], ry = grid[j][1] - seg.my[k], rz = grid[j][2] - seg.mz[k];
            const double rho = std::sqrt(rx * rx + ry * ry + rz * rz);
            if (rho < kCoincident) continue;
            sx += seg.lx[k] / rho;
            sy += seg.ly[k] / rho;
            sz += seg.lz[k] / rho;
        }
        ax[j] += c * sx;
        ay[j] += c * sy;
        az[j] += c * sz;
    }
}

void curl3d_central(const double* vel, std::size_t nx, std::size_t ny, std::size_t nz, double h, double* out) {
    const double h2 = h + h;
    auto at = [&](std::size_t i, std::size_t j, std::size_t k, int c) {
        return vel[((i * ny + j) * nz + k) * 3 + static_cast<std::size_t>(c)];
    };
    for (std::size_t i = 0; i < nx; ++i) {
        const std::size_t ip = (i + 1) % nx, im = (i + nx - 1) % nx;
        for (std::size_t j = 0; j < ny; ++j) {
            const std::size_t jp = (j + 1) % ny, jm = (j + ny - 1) % ny;
            for (std::size_t k = 0; k < nz; ++k) {
                const std::size_t kp = (k + 1) % nz, km = (k + nz - 1) % nz;
                double* o = out + ((i * ny + j) * nz + k) * 3;
                o[0] = (at(i, jp, k, 2) - at(i, jm, k, 2)) / h2 - (at(i, j, kp, 1) - at(i, j, km, 1)) / h2;
                o[1] = (at(i, j, kp, 0) - at(i, j, km, 0)) / h2 - (at(ip, j, k, 2) - at(im, j, k, 2)) / h2;
                o[2] = (at(ip, j, k, 1) - at(im, j, k, 1)) / h2 - (at(i, jp, k, 0) - at(i, jm, k, 0)) / h2;
            }
        }
    }
}

}  // namespace kvor
