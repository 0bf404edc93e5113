// Ropelength tightening of closed polygons (knots and links) and thickness
// measurement of finely sampled smooth curves.  Plain C ABI for ctypes.
//
// Units: the tube diameter is 1 after every accepted step (the polygon is
// rescaled by its own thickness), so the ropelength is the total length.
//
// Polygon thickness used while tightening:
//   Delta = min( min |p_i - p_j| over non-local pairs,  2 * min circumradius(p_{i-1}, p_i, p_{i+1}) )
// where a pair is local when it lies on one component within `m` beads along
// the curve (m beads span about pi/2 of arc, the shortest arc between the two
// ends of a doubly-critical chord of a curve of thickness 1).
#include <cmath>
#include <cstring>
#include <vector>
#include <algorithm>

namespace {

struct Poly {
    double* p;          // 3n coordinates
    const int* off;     // ncomp+1 offsets
    int ncomp;
    int n;
    std::vector<int> comp;  // component of each bead
    std::vector<int> prev, next;
};

void build_topology(Poly& P) {
    P.comp.assign(P.n, 0);
    P.prev.assign(P.n, 0);
    P.next.assign(P.n, 0);
    for (int c = 0; c < P.ncomp; ++c) {
        int a = P.off[c], b = P.off[c + 1];
        for (int i = a; i < b; ++i) {
            P.comp[i] = c;
            P.prev[i] = (i == a) ? b - 1 : i - 1;
            P.next[i] = (i == b - 1) ? a : i + 1;
        }
    }
}

inline double d2(const double* a, const double* b) {
    double x = a[0] - b[0], y = a[1] - b[1], z = a[2] - b[2];
    return x * x + y * y + z * z;
}

// cyclic index distance on one component; large for different components
inline int idx_sep(const Poly& P, int i, int j) {
    if (P.comp[i] != P.comp[j]) return 1 << 29;
    int len = P.off[P.comp[i] + 1] - P.off[P.comp[i]];
    int d = std::abs(i - j);
    return std::min(d, len - d);
}

double circumradius(const double* a, const double* b, const double* c) {
    double u[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
    double v[3] = {c[0] - b[0], c[1] - b[1], c[2] - b[2]};
    double w[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
    double cx = u[1] * v[2] - u[2] * v[1], cy = u[2] * v[0] - u[0] * v[2], cz = u[0] * v[1] - u[1] * v[0];
    double area2 = std::sqrt(cx * cx + cy * cy + cz * cz);  // twice the triangle area
    if (area2 < 1e-300) return 1e300;
    double lu = std::sqrt(u[0] * u[0] + u[1] * u[1] + u[2] * u[2]);
    double lv = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    double lw = std::sqrt(w[0] * w[0] + w[1] * w[1] + w[2] * w[2]);
    return lu * lv * lw / (2.0 * area2);
}

double total_length(const Poly& P) {
    double L = 0;
    for (int i = 0; i < P.n; ++i) L += std::sqrt(d2(P.p + 3 * i, P.p + 3 * P.next[i]));
    return L;
}

// min non-local distance (exact, O(n^2)) and min circumradius
void measure(const Poly& P, int m, double& dmin, double& rmin) {
    double best = 1e300;
    for (int i = 0; i < P.n; ++i) {
        const double* a = P.p + 3 * i;
        for (int j = i + 1; j < P.n; ++j) {
            double q = d2(a, P.p + 3 * j);
            if (q < best && idx_sep(P, i, j) > m) best = q;
        }
    }
    dmin = std::sqrt(best);
    double r = 1e300;
    for (int i = 0; i < P.n; ++i)
        r = std::min(r, circumradius(P.p + 3 * P.prev[i], P.p + 3 * i, P.p + 3 * P.next[i]));
    rmin = r;
}

void scale_about_centroid(Poly& P, double s) {
    double c[3] = {0, 0, 0};
    for (int i = 0; i < P.n; ++i)
        for (int k = 0; k < 3; ++k) c[k] += P.p[3 * i + k];
    for (int k = 0; k < 3; ++k) c[k] /= P.n;
    for (int i = 0; i < P.n; ++i)
        for (int k = 0; k < 3; ++k) P.p[3 * i + k] = c[k] + s * (P.p[3 * i + k] - c[k]);
}


// Calls f(i, j, |p_i - p_j|^2) for every pair i < j closer than r (and possibly some
// farther ones), using a sorted cell grid of cell size r.
template <class F>
void near_pairs(const Poly& P, double r, F&& f) {
    const int n = P.n;
    double lo[3] = {1e300, 1e300, 1e300};
    for (int i = 0; i < n; ++i)
        for (int k = 0; k < 3; ++k) lo[k] = std::min(lo[k], P.p[3 * i + k]);
    std::vector<std::pair<long long, int>> cells(n);
    const long long B = 1 << 20;
    auto key = [&](long long x, long long y, long long z) { return (x * B + y) * B + z; };
    std::vector<long long> cx(n), cy(n), cz(n);
    for (int i = 0; i < n; ++i) {
        cx[i] = (long long)((P.p[3 * i] - lo[0]) / r);
        cy[i] = (long long)((P.p[3 * i + 1] - lo[1]) / r);
        cz[i] = (long long)((P.p[3 * i + 2] - lo[2]) / r);
        cells[i] = {key(cx[i], cy[i], cz[i]), i};
    }
    std::sort(cells.begin(), cells.end());
    for (int i = 0; i < n; ++i) {
        for (long long dx = -1; dx <= 1; ++dx)
            for (long long dy = -1; dy <= 1; ++dy)
                for (long long dz = -1; dz <= 1; ++dz) {
                    long long X = cx[i] + dx, Y = cy[i] + dy, Z = cz[i] + dz;
                    if (X < 0 || Y < 0 || Z < 0) continue;
                    long long kk = key(X, Y, Z);
                    auto it = std::lower_bound(cells.begin(), cells.end(), std::make_pair(kk, -1));
                    for (; it != cells.end() && it->first == kk; ++it) {
                        int j = it->second;
                        if (j <= i) continue;
                        f(i, j, d2(P.p + 3 * i, P.p + 3 * j));
                    }
                }
    }
}

}  // namespace

extern "C" {

// Thickness of a polygon with the rule above; returns Delta, writes length,
// min non-local distance and min circumradius into out[0..2].
double poly_thickness(double* p, const int* off, int ncomp, int m, double* out) {
    Poly P{p, off, ncomp, off[ncomp]};
    build_topology(P);
    double dmin, rmin;
    measure(P, m, dmin, rmin);
    out[0] = total_length(P);
    out[1] = dmin;
    out[2] = rmin;
    return std::min(dmin, 2 * rmin);
}

// Run `iters` tightening steps in place.  Each step: move every bead down the
// length gradient by tau, even out the bead spacing along the tangent, push
// apart every non-local pair closer than 1 and every (i, i+2) pair that bends
// tighter than radius 1/2, then rescale so the thickness is 1.  A step that
// raises the ropelength, or lets any non-local pair come closer than `safe`
// before the push (a strand could then slip through another), is undone and
// tau halves; accepted steps let tau grow up to tau_max.  `slack` lets a step
// raise the ropelength by that relative amount (to leave jammed states).
// `rlim` is the least radius of curvature allowed (1/2 for the true tube; a little
// more leaves room for the smooth fit).
// stats: [0] ropelength, [1] tau, [2] accepted steps, [3] rejected steps
double tighten(double* p, const int* off, int ncomp, int m, int iters, double tau,
               double tau_max, int sweeps, double safe, double slack, double rlim, double* stats) {
    Poly P{p, off, ncomp, off[ncomp]};
    build_topology(P);
    const int n = P.n;
    std::vector<double> old(3 * n), g(3 * n);
    std::vector<int> ci, cj;
    double dmin, rmin;
    measure(P, m, dmin, rmin);
    double delta = std::min(dmin, rmin / rlim);
    scale_about_centroid(P, 1.0 / delta);
    double R = total_length(P);
    int acc = 0, rej = 0;
    for (int it = 0; it < iters; ++it) {
        std::memcpy(old.data(), p, sizeof(double) * 3 * n);
        // mean spacing per bead
        // length gradient and tangential spacing correction
        for (int i = 0; i < n; ++i) {
            const double* a = p + 3 * P.prev[i];
            const double* b = p + 3 * i;
            const double* c = p + 3 * P.next[i];
            double e1[3], e2[3];
            for (int k = 0; k < 3; ++k) { e1[k] = b[k] - a[k]; e2[k] = c[k] - b[k]; }
            double l1 = std::sqrt(e1[0] * e1[0] + e1[1] * e1[1] + e1[2] * e1[2]);
            double l2 = std::sqrt(e2[0] * e2[0] + e2[1] * e2[1] + e2[2] * e2[2]);
            double t[3], lt = 0;
            for (int k = 0; k < 3; ++k) { t[k] = c[k] - a[k]; lt += t[k] * t[k]; }
            lt = std::sqrt(lt);
            double mid = 0;
            for (int k = 0; k < 3; ++k) mid += (0.5 * (a[k] + c[k]) - b[k]) * t[k] / lt;
            for (int k = 0; k < 3; ++k)
                g[3 * i + k] = -tau * (e1[k] / l1 - e2[k] / l2) + 0.5 * mid * t[k] / lt;
        }
        for (int i = 0; i < 3 * n; ++i) p[i] += g[i];
        // candidate non-local pairs
        ci.clear(); cj.clear();
        double lim = 1.0 + 0.25 + 4 * tau;
        double lim2 = lim * lim, safe2 = safe * safe;
        bool unsafe = false;
        near_pairs(P, lim, [&](int i, int j, double q) {
            if (q < lim2 && idx_sep(P, i, j) > m) {
                if (q < safe2) unsafe = true;
                ci.push_back(i); cj.push_back(j);
            }
        });
        if (unsafe) {
            std::memcpy(p, old.data(), sizeof(double) * 3 * n);
            tau *= 0.5; ++rej;
            continue;
        }
        // projection sweeps
        const double target = 1.0005;
        for (int s = 0; s < sweeps; ++s) {
            bool any = false;
            for (size_t q = 0; q < ci.size(); ++q) {
                double* a = p + 3 * ci[q];
                double* b = p + 3 * cj[q];
                double dv[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
                double d = std::sqrt(dv[0] * dv[0] + dv[1] * dv[1] + dv[2] * dv[2]);
                if (d < target) {
                    double f = 0.5 * (target - d) / d;
                    for (int k = 0; k < 3; ++k) { a[k] += f * dv[k]; b[k] -= f * dv[k]; }
                    any = true;
                }
            }
            // bending limit: radius through (i-1, i, i+1) at least 1/2
            for (int i = 0; i < n; ++i) {
                double* a = p + 3 * P.prev[i];
                double* b = p + 3 * i;
                double* c = p + 3 * P.next[i];
                double r = circumradius(a, b, c);
                if (r < rlim * target) {
                    // move the middle bead toward the chord midpoint
                    double w = std::min(1.0, 1.0 - r / (rlim * target) + 0.05);
                    for (int k = 0; k < 3; ++k) b[k] += 0.5 * w * (0.5 * (a[k] + c[k]) - b[k]);
                    any = true;
                }
            }
            if (!any) break;
        }
        // thickness after the push
        double dm = 1e300;
        for (size_t q = 0; q < ci.size(); ++q) dm = std::min(dm, d2(p + 3 * ci[q], p + 3 * cj[q]));
        dm = std::sqrt(dm);
        if (ci.empty() || dm > lim - 1e-9) { measure(P, m, dmin, rmin); dm = dmin; }
        double rr = 1e300;
        for (int i = 0; i < n; ++i)
            rr = std::min(rr, circumradius(p + 3 * P.prev[i], p + 3 * i, p + 3 * P.next[i]));
        double d_new = std::min(dm, rr / rlim);
        double L = total_length(P);
        double Rn = L / d_new;
        if (Rn <= R * (1 + slack)) {
            scale_about_centroid(P, 1.0 / d_new);
            R = Rn; ++acc;
            tau = std::min(tau * 1.1, tau_max);
        } else {
            std::memcpy(p, old.data(), sizeof(double) * 3 * n);
            tau *= 0.5; ++rej;
            if (tau < 1e-7) break;
        }
    }
    stats[0] = R; stats[1] = tau; stats[2] = acc; stats[3] = rej;
    return R;
}

// Doubly-critical self-distance of a closed sampled curve (points x, unit
// tangents t, per component offsets).  Returns the smallest distance among
// grid pairs (i, j) that are local minima of |x_i - x_j| over their eight
// neighbours, on one component or between two.  out: [0] distance, [1] i, [2] j.
double dcsd(const double* x, const int* off, int ncomp, double* out) {
    int n = off[ncomp];
    std::vector<int> comp(n), prv(n), nxt(n);
    for (int c = 0; c < ncomp; ++c)
        for (int i = off[c]; i < off[c + 1]; ++i) {
            comp[i] = c;
            prv[i] = (i == off[c]) ? off[c + 1] - 1 : i - 1;
            nxt[i] = (i == off[c + 1] - 1) ? off[c] : i + 1;
        }
    double best = 1e300; int bi = -1, bj = -1;
    for (int i = 0; i < n; ++i) {
        const double* a = x + 3 * i;
        for (int j = i + 1; j < n; ++j) {
            if (j == nxt[i] || j == prv[i]) continue;
            double q = d2(a, x + 3 * j);
            if (q >= best) continue;
            // local minimum test over the 8 neighbours
            int is[3] = {prv[i], i, nxt[i]}, js[3] = {prv[j], j, nxt[j]};
            bool ok = true;
            for (int u = 0; u < 3 && ok; ++u)
                for (int v = 0; v < 3; ++v) {
                    if (u == 1 && v == 1) continue;
                    if (is[u] == js[v]) { ok = false; break; }
                    if (d2(x + 3 * is[u], x + 3 * js[v]) < q) { ok = false; break; }
                }
            if (ok) { best = q; bi = i; bj = j; }
        }
    }
    out[0] = std::sqrt(best); out[1] = bi; out[2] = bj;
    return out[0];
}

}  // extern "C"

extern "C" {

// Spread a polygon with a repulsive energy: every pair more than `skip` beads apart along
// one curve (or on two curves) repels with force r/|r|^4 (energy 1/(2 r^2)); neighbouring
// beads are held by a bending-smoothing term.  Each step moves no bead further than
// `frac` times the current least pair distance, so no strand can pass through another.
// The polygon is rescaled after each step to keep its total length.
// Returns the final least pair distance divided by the mean bead spacing.
double spread(double* p, const int* off, int ncomp, int iters, int skip, double frac,
              double smooth) {
    Poly P{p, off, ncomp, off[ncomp]};
    build_topology(P);
    const int n = P.n;
    std::vector<double> F(3 * n);
    double L0 = total_length(P);
    double dmin = 0;
    for (int it = 0; it < iters; ++it) {
        std::fill(F.begin(), F.end(), 0.0);
        double best = 1e300;
        for (int i = 0; i < n; ++i) {
            const double* a = p + 3 * i;
            for (int j = i + 1; j < n; ++j) {
                if (idx_sep(P, i, j) <= skip) continue;
                const double* b = p + 3 * j;
                double r[3] = {a[0] - b[0], a[1] - b[1], a[2] - b[2]};
                double q = r[0] * r[0] + r[1] * r[1] + r[2] * r[2];
                best = std::min(best, q);
                double f = 1.0 / (q * q);
                for (int k = 0; k < 3; ++k) { F[3 * i + k] += f * r[k]; F[3 * j + k] -= f * r[k]; }
            }
        }
        dmin = std::sqrt(best);
        double h = L0 / n;
        double fmax = 0;
        for (int i = 0; i < n; ++i) {
            const double* a = p + 3 * P.prev[i];
            const double* b = p + 3 * i;
            const double* c = p + 3 * P.next[i];
            // keep the force normal-ish and the curve smooth
            for (int k = 0; k < 3; ++k) F[3 * i + k] = F[3 * i + k] * h + smooth * (0.5 * (a[k] + c[k]) - b[k]) / (h * h) * h;
            double m = std::sqrt(F[3 * i] * F[3 * i] + F[3 * i + 1] * F[3 * i + 1] + F[3 * i + 2] * F[3 * i + 2]);
            fmax = std::max(fmax, m);
        }
        double s = frac * std::min(dmin, h) / (fmax + 1e-300);
        for (int i = 0; i < 3 * n; ++i) p[i] += s * F[i];
        double L = total_length(P);
        scale_about_centroid(P, L0 / L);
    }
    return dmin / (L0 / n);
}

}  // extern "C"
