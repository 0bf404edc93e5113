#include "particle/ideal_database_loader.hpp"

#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/checked.hpp"
#include "common/text_io.hpp"
#include "knot/embedded_resources.hpp"

namespace kvor {

namespace {

constexpr int kMaxHarmonics = 20;

// Three comma-separated numbers after a marker; scanning stops at the first that fails.
Vec3 scan_triple(const std::string& tag, std::size_t value_pos) {
    Vec3 v{0.0, 0.0, 0.0};
    std::sscanf(tag.c_str() + value_pos, "%lf,%lf,%lf", &v[0], &v[1], &v[2]);
    return v;
}

}  // namespace

std::string read_ideal_database() {
    // The compiled-in knot map: the first key that names the database file. Its keys are knot
    // identifiers, so in practice the text comes from the environment or the search list.
    for (const auto& [key, text] : embedded_knot_map()) {
        if (key.find("ideal_database.txt") != std::string::npos) {
            if (!text.empty()) return text;
            break;
        }
    }
    if (const char* env = std::getenv("KVOR_IDEAL_DATABASE"); env != nullptr && env[0] != '\0') {
        if (auto text = read_text_file(env)) return *text;
    }
    static const char* const kSearch[] = {
        "ideal_database.txt",
        "Front-End/knot_fseries/ideal_database.txt",
        "../Front-End/knot_fseries/ideal_database.txt",
        "../../Front-End/knot_fseries/ideal_database.txt",
    };
    for (const char* path : kSearch) {
        if (auto text = read_text_file(path)) return *text;
    }
    return {};
}

PointList sample_component(const std::string& component, long long resolution) {
    std::array<Vec3, kMaxHarmonics> A{}, B{};
    int K = 0;
    std::size_t pos = 0;
    while (true) {
        const std::size_t s = component.find("<Coeff", pos);
        if (s == std::string::npos) break;
        const std::size_t e = component.find("/>", s);
        if (e == std::string::npos) break;
        const std::string tag = component.substr(s, e - s);
        pos = e + 2;

        int index = 1;
        if (const std::size_t im = tag.find("I=\""); im != std::string::npos) index = checked_stoi(tag.substr(im + 3));
        const std::size_t am = tag.find("A=\"");
        const std::size_t bm = tag.find("B=\"");
        if (am == std::string::npos || bm == std::string::npos) continue;
        const Vec3 a = scan_triple(tag, am + 3);
        const Vec3 b = scan_triple(tag, bm + 3);
        if (index >= 0 && index < kMaxHarmonics) {
            A[static_cast<std::size_t>(index)] = a;
            B[static_cast<std::size_t>(index)] = b;
            if (index > K) K = index;
        }
    }

    PointList pts(checked_count(resolution));
    const double N = static_cast<double>(resolution);
    for (std::size_t j = 0; j < pts.size(); ++j) {
        const double angle = static_cast<double>(j) * 6.283185307179586 / N;
        Vec3 p = A[0];
        for (int k = 1; k <= K; ++k) {
            const double sk = std::sin(k * angle), ck = std::cos(k * angle);
            for (int c = 0; c < 3; ++c) p[c] += sk * B[static_cast<std::size_t>(k)][c] + ck * A[static_cast<std::size_t>(k)][c];
        }
        pts[j] = p;
    }
    return pts;
}

std::pair<std::vector<PointList>, bool> load_ab_filaments(const std::string& text, const std::string& knot_id,
                                                          long long resolution) {
    std::pair<std::vector<PointList>, bool> out{{}, false};
    const std::string needle = "<AB Id=\"" + knot_id + "\"";
    const std::size_t start = text.find(needle);
    if (start == std::string::npos) return out;
    const std::size_t end = text.find("</AB>", start);
    if (end == std::string::npos) return out;
    const std::string block = text.substr(start, end - start);

    std::vector<std::string> components;
    if (block.size() < 10 || block.find("<Component") == std::string::npos) {
        components.push_back(block);
    } else {
        std::size_t m = block.find("<Component");
        while (m != std::string::npos) {
            const std::size_t close = block.find("</Component>", m);
            if (close == std::string::npos) break;
            components.push_back(block.substr(m, close - m));
            m = block.find("<Component", close);
        }
    }
    for (const std::string& c : components) out.first.push_back(sample_component(c, resolution));
    out.second = !out.first.empty();
    return out;
}

}  // namespace kvor
