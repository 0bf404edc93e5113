#include "topology/pd_code.hpp"

#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "common/constants.hpp"
#include "topology/random_projection.hpp"

namespace kvor {
namespace {

struct Crossing {
    std::size_t i, j;
    double t, s;
    bool over;  // edge i is over
};

struct Passage {
    double p;
    std::size_t crossing;
    bool over;
    int in_label = 0, out_label = 0;
};

// Crossing parameters of edges A->B and C->D; shared by the vectorised filter and the
// recording step so that both see the same numbers.
struct Params {
    double den, t, s;
};

inline Params edge_params(double ax, double ay, double bx, double by, double cx, double cy, double dx,
                          double dy) {
    const double den = (cy - dy) * (ax - bx) - (ay - by) * (cx - dx);
    const double t = ((cy - dy) * (ax - cx) - (cx - dx) * (ay - cy)) / den;
    const double s = ((ay - by) * (ax - cx) - (ax - bx) * (ay - cy)) / den;
    return {den, t, s};
}

constexpr double kLo = 1e-12;
constexpr double kHi = 0.999999999999;

}  // namespace

PdCode pd_from_projection(const double* qx, const double* qy, const double* z, std::size_t n,
                          double min_angle_deg, double depth_tol) {
    std::vector<Crossing> crossings;
    std::vector<double> hit(n + 1);
    for (std::size_t i = 0; i < n; ++i) {
        const double ax = qx[i], ay = qy[i], bx = qx[i + 1], by = qy[i + 1];
        const std::size_t end = (i == 0) ? n - 1 : n;  // edge n-1 shares point 0 with edge 0
        if (i + 2 >= end) continue;
        // Transverse intersection in the open parameter ranges: a filter written with selects
        // so that it vectorises; the few hits are examined below.
        double* __restrict h = hit.data();
        for (std::size_t j = i + 2; j < end; ++j) {
            const Params q = edge_params(ax, ay, bx, by, qx[j], qy[j], qx[j + 1], qy[j + 1]);
            double g = std::fabs(q.den) >= 1e-12 ? 1.0 : 0.0;
            g = q.t > kLo ? g : 0.0;
            g = q.t < kHi ? g : 0.0;
            g = q.s > kLo ? g : 0.0;
            g = q.s < kHi ? g : 0.0;
            h[j] = g;
        }
        for (std::size_t j = i + 2; j < end; ++j) {
            if (h[j] == 0.0) continue;
            const double cx = qx[j], cy = qy[j], dx = qx[j + 1], dy = qy[j + 1];
            const Params q = edge_params(ax, ay, bx, by, cx, cy, dx, dy);
            const double zA = z[i] + (z[i + 1] - z[i]) * q.t;
            const double zC = z[j] + (z[j + 1] - z[j]) * q.s;
            if (std::fabs(zA - zC) < depth_tol) continue;
            const double ux = dx - cx, uy = dy - cy;  // D - C
            const double wx = bx - ax, wy = by - ay;  // B - A
            double c = (ux * wx + uy * wy) / ((std::hypot(ux, uy) + 1e-18) * (std::hypot(wx, wy) + 1e-18));
            c = std::max(-1.0, std::min(1.0, c));
            const double theta = std::acos(std::fabs(c)) * 180.0 / kPi;
            if (theta < min_angle_deg) continue;
            crossings.push_back({i, j, q.t, q.s, zA > zC});
        }
    }
    if (crossings.empty()) throw std::runtime_error("No crossings detected (projection not generic).");

    const double nd = static_cast<double>(n);
    std::vector<Passage> events;
    events.reserve(2 * crossings.size());
    for (std::size_t k = 0; k < crossings.size(); ++k) {
        const Crossing& c = crossings[k];
        events.push_back({(static_cast<double>(c.i) + c.t) / nd, k, c.over});
        events.push_back({(static_cast<double>(c.j) + c.s) / nd, k, !c.over});
    }
    std::sort(events.begin(), events.end(), [](const Passage& a, const Passage& b) { return a.p < b.p; });

    const int m = static_cast<int>(events.size());
    // over_at[k] / under_at[k]: the event of crossing k on its over / under strand.
    std::vector<std::size_t> over_at(crossings.size()), under_at(crossings.size());
    for (int e = 0; e < m; ++e) {
        Passage& ev = events[static_cast<std::size_t>(e)];
        ev.in_label = e >= 1 ? e : m;
        ev.out_label = e + 1;
        (ev.over ? over_at : under_at)[ev.crossing] = static_cast<std::size_t>(e);
    }

    PdCode code;
    code.reserve(crossings.size());
    for (std::size_t k = 0; k < crossings.size(); ++k) {
        const Passage& o = events[over_at[k]];
        const Passage& u = events[under_at[k]];
        code.push_back({u.in_label, o.in_label, u.out_label, o.out_label});
    }

    std::vector<int> uses(static_cast<std::size_t>(m) + 1, 0);
    for (const PdCrossing& x : code)
        for (int label : x)
            if (label >= 1 && label <= m) ++uses[static_cast<std::size_t>(label)];
    for (int label = 1; label <= m; ++label) {
        if (uses[static_cast<std::size_t>(label)] != 2)
            throw std::runtime_error("PD validation failed (labels must appear exactly twice).");
    }
    return code;
}

PdCode pd_from_curve(const std::vector<Vec3>& points, int tries, int seed, double min_angle_deg,
                     double depth_tol) {
    const std::size_t n = points.size();
    if (n < 4) throw std::invalid_argument("pd_from_curve: need at least 4 points");
    Mt19937 engine = make_engine(seed);
    std::vector<double> qx(n + 1), qy(n + 1), z(n + 1);
    PdCode best_code;
    long long best = -1;
    for (int t = 0; t < tries; ++t) {
        StandardNormal normal;  // fresh cache each try; the engine carries on
        const Vec3 d = random_direction(normal, engine, 1e-18);
        const Vec3 a = std::fabs(d[0]) < 0.9 ? Vec3{1.0, 0.0, 0.0} : Vec3{0.0, 1.0, 0.0};
        const auto [u, v] = projection_plane(d, a, 1e-18);
        for (std::size_t i = 0; i < n; ++i) {
            qx[i] = dot(points[i], u);
            qy[i] = dot(points[i], v);
            z[i] = dot(points[i], d);
        }
        qx[n] = qx[0];
        qy[n] = qy[0];
        z[n] = z[0];
        try {
            PdCode code = pd_from_projection(qx.data(), qy.data(), z.data(), n, min_angle_deg, depth_tol);
            const long long k = static_cast<long long>(code.size());
            if (k > best) {
                best = k;
                best_code = std::move(code);
            }
        } catch (...) {
            // a failed projection only ends this try
        }
    }
    if (best < 0) throw std::runtime_error("Failed to extract PD from any projection.");
    return best_code;
}

}  // namespace kvor
