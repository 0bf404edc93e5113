#include "dynamics/frenet.hpp"

#include <cmath>
#include <stdexcept>

namespace kvor {

void compute_frenet_frames(const std::vector<Vec3>& P, std::vector<Vec3>& T, std::vector<Vec3>& N,
                           std::vector<Vec3>& B) {
    const std::size_t n = P.size();
    if (n < 2) {
        T.clear();
        N.clear();
        B.clear();
        return;
    }
    T.assign(n, Vec3{0.0, 0.0, 0.0});
    N.assign(n, Vec3{0.0, 0.0, 0.0});
    B.assign(n, Vec3{0.0, 0.0, 0.0});
    for (std::size_t i = 1; i + 1 < n; ++i) {
        const Vec3 d1 = P[i + 1] - P[i - 1];
        T[i] = d1 / norm(d1);
        const Vec3 d2 = (P[i + 1] - P[i]) - (P[i] - P[i - 1]);
        N[i] = d2 / norm(d2);
        B[i] = cross(T[i], N[i]);
    }
    T[0] = T[1];
    T[n - 1] = T[n - 2];
    N[0] = N[1];
    N[n - 1] = N[n - 2];
    B[0] = B[1];
    B[n - 1] = B[n - 2];
}

std::tuple<std::vector<Vec3>, std::vector<Vec3>, std::vector<Vec3>> compute_frenet_frames(
    const std::vector<Vec3>& points) {
    std::vector<Vec3> T, N, B;
    compute_frenet_frames(points, T, N, B);
    return {std::move(T), std::move(N), std::move(B)};
}

std::pair<std::vector<double>, std::vector<double>> compute_curvature_torsion(const std::vector<Vec3>& T,
                                                                              const std::vector<Vec3>& N) {
    const std::size_t n = T.size();
    if (N.size() < n) throw std::invalid_argument("compute_curvature_torsion: N must have at least as many entries as T");
    std::vector<double> kappa, tau;
    if (n < 2) return {kappa, tau};
    kappa.assign(n, 0.0);
    tau.assign(n, 0.0);
    for (std::size_t i = 1; i + 1 < n; ++i) {
        kappa[i] = 0.5 * norm(T[i + 1] - T[i - 1]);
        tau[i] = 0.5 * dot(cross(T[i], N[i]), N[i + 1] - N[i - 1]);
    }
    kappa[0] = kappa[1];
    kappa[n - 1] = kappa[n - 2];
    tau[0] = tau[1];
    tau[n - 1] = tau[n - 2];
    return {std::move(kappa), std::move(tau)};
}

float compute_helicity(const std::vector<Vec3>& v, const std::vector<Vec3>& w) {
    if (w.size() < v.size()) throw std::invalid_argument("compute_helicity: omega must have at least as many entries as v");
    float h = 0.0f;
    for (std::size_t i = 0; i < v.size(); ++i) {
        const double d = v[i][0] * w[i][0] + v[i][1] * w[i][1] + v[i][2] * w[i][2];
        h += static_cast<float>(d);
    }
    return h / static_cast<float>(v.size());
}

std::vector<Vec3> rk4_integrate(const std::vector<Vec3>& positions, const std::vector<Vec3>& velocities, double dt,
                                double factor) {
    if (velocities.size() < positions.size())
        throw std::invalid_argument("rk4_integrate: velocities must have at least as many entries as positions");
    const double c = dt * factor;
    std::vector<Vec3> q = positions;
    for (std::size_t i = 0; i < q.size(); ++i) {
        q[i][0] = positions[i][0] + c * velocities[i][0];
        q[i][1] = positions[i][1] + c * velocities[i][1];
        q[i][2] = positions[i][2] + c * velocities[i][2];
    }
    return q;
}

std::vector<Vec3> evolve_vortex_knot(const std::vector<Vec3>& positions, const std::vector<Vec3>& velocities,
                                     double dt, double factor) {
    return rk4_integrate(positions, velocities, dt, factor);
}

}  // namespace kvor
