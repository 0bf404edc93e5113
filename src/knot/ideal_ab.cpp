#include "knot/ideal_ab.hpp"

#include <cstdio>
#include <map>
#include <optional>
#include <sstream>
#include <stdexcept>
#include <string_view>
#include <utility>

#include "common/checked.hpp"
#include "common/text_io.hpp"

// The entry format is matched by a hand-written scanner that accepts exactly what these
// case-insensitive ECMAScript expressions accept (leftmost match, non-overlapping repeats):
//   header:    Id="([^"]+)"   Conway="([^"]*)"   L="([^"]+)"   \sD="([^"]+)"   n="([^"]+)"
//   component: <Component\b([^>]*)>([\s\S]*?)</Component>
//   index:     I="\s*([0-9]+)"
//   coeff:     <Coeff\s+I="\s*([0-9]+)"\s+A="([^"]+)"\s+B="([^"]+)"\s*/?>
// A backtracking regex engine recurses per character on the lazy component body and overflows
// the stack on multi-megabyte entries; this scanner is linear and needs no compiled state.

namespace kvor {
namespace {

using Pos = std::size_t;
constexpr Pos npos = std::string_view::npos;

char lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// \s of the expressions above.
bool is_space(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

bool is_word(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Case-insensitive literal match of `lit` (lower case) at position p.
bool imatch_at(std::string_view text, Pos p, std::string_view lit) {
    if (p > text.size() || text.size() - p < lit.size()) return false;
    for (Pos k = 0; k < lit.size(); ++k) {
        if (lower(text[p + k]) != lit[k]) return false;
    }
    return true;
}

// First case-insensitive occurrence of `lit` (lower case) at or after `from`.
Pos ifind(std::string_view text, std::string_view lit, Pos from) {
    if (lit.empty()) return from <= text.size() ? from : npos;
    const char first_lo = lit[0];
    const char first_up = (first_lo >= 'a' && first_lo <= 'z') ? static_cast<char>(first_lo - 'a' + 'A') : first_lo;
    for (Pos p = from; p + lit.size() <= text.size(); ++p) {
        const char c = text[p];
        if ((c == first_lo || c == first_up) && imatch_at(text, p, lit)) return p;
    }
    return npos;
}

// Leftmost match of  name="([^"]+)"  (or [^"]* when allow_empty); with need_space the match
// must begin with a white-space character right before the name.
std::optional<std::string_view> find_attr(std::string_view text, std::string_view name_eq_quote,
                                          bool allow_empty, bool need_space) {
    Pos from = 0;
    while (true) {
        const Pos p = ifind(text, name_eq_quote, from);
        if (p == npos) return std::nullopt;
        from = p + 1;
        if (need_space && (p == 0 || !is_space(text[p - 1]))) continue;
        const Pos v = p + name_eq_quote.size();
        const Pos q = text.find('"', v);
        if (q == npos) continue;
        if (q == v && !allow_empty) continue;
        return text.substr(v, q - v);
    }
}

std::string trim_ws(std::string_view s) {
    auto ws = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    Pos b = 0, e = s.size();
    while (b < e && ws(s[b])) ++b;
    while (e > b && ws(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}

// Matches  \s*([0-9]+)"  at p; returns the digits and sets `end` past the quote.
std::optional<std::string_view> match_index_value(std::string_view text, Pos p, Pos& end) {
    while (p < text.size() && is_space(text[p])) ++p;
    const Pos d0 = p;
    while (p < text.size() && is_digit(text[p])) ++p;
    if (p == d0 || p >= text.size() || text[p] != '"') return std::nullopt;
    end = p + 1;
    return text.substr(d0, p - d0);
}

// Leftmost match of  I="\s*([0-9]+)"  in a tag.
std::optional<std::string_view> find_index_attr(std::string_view tag) {
    Pos from = 0;
    while (true) {
        const Pos p = ifind(tag, "i=\"", from);
        if (p == npos) return std::nullopt;
        from = p + 1;
        Pos end = 0;
        if (auto digits = match_index_value(tag, p + 3, end)) return digits;
    }
}

// Matches  name="([^"]+)"  at p (after skipping nothing); sets `end` past the closing quote.
std::optional<std::string_view> match_quoted_at(std::string_view text, Pos p, std::string_view name_eq_quote,
                                                Pos& end) {
    if (!imatch_at(text, p, name_eq_quote)) return std::nullopt;
    const Pos v = p + name_eq_quote.size();
    const Pos q = text.find('"', v);
    if (q == npos || q == v) return std::nullopt;
    end = q + 1;
    return text.substr(v, q - v);
}

// \s+ at p; returns the position after it or npos when there is no white space.
Pos skip_space1(std::string_view text, Pos p) {
    if (p >= text.size() || !is_space(text[p])) return npos;
    while (p < text.size() && is_space(text[p])) ++p;
    return p;
}

struct CoeffMatch {
    std::string_view index, a, b;
    Pos end = 0;
};

// <Coeff\s+I="\s*([0-9]+)"\s+A="([^"]+)"\s+B="([^"]+)"\s*/?>  anchored at p.
std::optional<CoeffMatch> match_coeff_at(std::string_view text, Pos p) {
    CoeffMatch m;
    if (!imatch_at(text, p, "<coeff")) return std::nullopt;
    Pos q = skip_space1(text, p + 6);
    if (q == npos || !imatch_at(text, q, "i=\"")) return std::nullopt;
    Pos end = 0;
    auto idx = match_index_value(text, q + 3, end);
    if (!idx) return std::nullopt;
    m.index = *idx;
    q = skip_space1(text, end);
    if (q == npos) return std::nullopt;
    auto a = match_quoted_at(text, q, "a=\"", end);
    if (!a) return std::nullopt;
    m.a = *a;
    q = skip_space1(text, end);
    if (q == npos) return std::nullopt;
    auto b = match_quoted_at(text, q, "b=\"", end);
    if (!b) return std::nullopt;
    m.b = *b;
    q = end;
    while (q < text.size() && is_space(text[q])) ++q;
    if (q < text.size() && text[q] == '/') ++q;
    if (q >= text.size() || text[q] != '>') return std::nullopt;
    m.end = q + 1;
    return m;
}

// Commas become spaces, then three doubles by stream extraction; trailing text is ignored.
std::optional<Vec3> read_triple(std::string_view s) {
    std::string t(s);
    for (char& c : t) {
        if (c == ',') c = ' ';
    }
    std::istringstream in(t);
    Vec3 v{};
    if (in >> v[0] >> v[1] >> v[2]) return v;
    return std::nullopt;
}

IdealABComponent parse_component(std::string_view tag, std::string_view inner) {
    IdealABComponent comp;
    if (auto idx = find_index_attr(tag)) comp.component_index = checked_stoi(std::string(*idx));

    std::map<int, std::pair<Vec3, Vec3>> coeffs;
    Pos from = 0;
    while (true) {
        const Pos p = ifind(inner, "<coeff", from);
        if (p == npos) break;
        auto m = match_coeff_at(inner, p);
        if (!m) {
            from = p + 1;
            continue;
        }
        from = m->end;
        const int I = checked_stoi(std::string(m->index));
        auto A = read_triple(m->a);
        auto B = read_triple(m->b);
        if (A && B) coeffs[I] = {*A, *B};
    }

    if (auto it = coeffs.find(0); it != coeffs.end()) {
        comp.A0 = it->second.first;
        comp.B0 = it->second.second;
    }
    const int n = coeffs.empty() ? 0 : coeffs.rbegin()->first;
    FourierBlock& f = comp.fourier;
    const auto un = static_cast<std::size_t>(n);
    f.a_x.assign(un, 0.0);
    f.b_x.assign(un, 0.0);
    f.a_y.assign(un, 0.0);
    f.b_y.assign(un, 0.0);
    f.a_z.assign(un, 0.0);
    f.b_z.assign(un, 0.0);
    for (const auto& [I, ab] : coeffs) {
        if (I < 1) continue;
        const auto k = static_cast<std::size_t>(I - 1);
        const Vec3& A = ab.first;
        const Vec3& B = ab.second;
        f.a_x[k] = A[0];
        f.a_y[k] = A[1];
        f.a_z[k] = A[2];
        f.b_x[k] = B[0];
        f.b_y[k] = B[1];
        f.b_z[k] = B[2];
    }
    f.header = "% ideal component";
    return comp;
}

std::vector<IdealABComponent> parse_components(std::string_view body) {
    std::vector<IdealABComponent> comps;
    Pos from = 0;
    while (true) {
        const Pos p = ifind(body, "<component", from);
        if (p == npos) break;
        from = p + 1;
        const Pos after = p + 10;
        if (after < body.size() && is_word(body[after])) continue;  // \b
        const Pos gt = body.find('>', after);
        if (gt == npos) continue;
        const Pos close = ifind(body, "</component>", gt + 1);
        if (close == npos) continue;
        std::string tag = "<Component";
        tag.append(body.substr(after, gt - after));
        tag.push_back('>');
        comps.push_back(parse_component(tag, body.substr(gt + 1, close - gt - 1)));
        from = close + 12;
    }
    if (comps.empty()) comps.push_back(parse_component("<Component I=\"1\">", body));
    return comps;
}

IdealABBlock parse_entry(std::string_view header, std::string_view body) {
    IdealABBlock block;
    if (auto v = find_attr(header, "id=\"", false, false)) block.id = std::string(*v);
    if (auto v = find_attr(header, "conway=\"", true, false)) block.conway = std::string(*v);
    if (auto v = find_attr(header, "l=\"", false, false)) block.L = checked_stod(trim_ws(*v));
    if (auto v = find_attr(header, "d=\"", false, true)) block.D = checked_stod(trim_ws(*v));
    if (auto v = find_attr(header, "n=\"", false, false)) {
        int n = 1;
        try {
            n = checked_stoi(trim_ws(*v));
        } catch (const std::exception&) {
            n = 1;
        }
        block.n = n < 1 ? 1 : n;
    }
    block.components = parse_components(body);
    block.fourier = block.components.front().fourier;
    return block;
}

}  // namespace

std::vector<IdealABBlock> parse_ideal_txt_from_string(const std::string& content) {
    const std::string_view text(content);
    std::vector<IdealABBlock> blocks;
    Pos pos = 0;
    while (true) {
        const Pos h = text.find("<AB", pos);
        if (h == npos) break;
        const Pos gt = text.find('>', h + 3);
        if (gt == npos) break;
        const Pos close = text.find("</AB>", gt + 1);
        if (close == npos) break;
        blocks.push_back(parse_entry(text.substr(h, gt - h + 1), text.substr(gt + 1, close - gt - 1)));
        pos = close + 5;
    }
    return blocks;
}

std::vector<IdealABBlock> parse_ideal_txt_multi(const std::string& path) {
    const auto text = read_text_file(path);
    if (!text) throw std::runtime_error("parse_ideal_txt_multi: cannot open file: " + path);
    return parse_ideal_txt_from_string(*text);
}

int index_of_ideal_id(const std::vector<IdealABBlock>& blocks, const std::string& id) {
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        if (blocks[i].id == id) return static_cast<int>(i);
    }
    return -1;
}

IdealABBlock parse_ideal_ab_by_id_from_string(const std::string& content, const std::string& ab_id) {
    const std::string needle = "Id=\"" + ab_id + "\"";
    const std::string_view text(content);
    auto not_found = [&]() {
        return std::runtime_error("parse_ideal_ab_by_id_from_string: AB Id not found: " + ab_id);
    };
    Pos pos = 0;
    while (true) {
        const Pos h = text.find("<AB", pos);
        if (h == npos) break;
        const Pos gt = text.find('>', h + 3);
        if (gt == npos) break;
        if (text.substr(h, gt - h + 1).find(needle) == npos) {
            pos = gt + 1;
            continue;
        }
        const Pos close = text.find("</AB>", gt + 1);
        if (close == npos) throw not_found();
        auto blocks = parse_ideal_txt_from_string(std::string(text.substr(h, close + 5 - h)));
        if (blocks.empty()) throw not_found();
        return std::move(blocks.front());
    }
    throw not_found();
}

namespace {
std::string fixed6(double v) {
    const int len = std::snprintf(nullptr, 0, "%.6f", v);
    std::string s(static_cast<std::size_t>(len), '\0');
    std::snprintf(s.data(), s.size() + 1, "%.6f", v);
    return s;
}
}  // namespace

std::string format_ideal_ab_header(const IdealABBlock& ab) {
    return "AB Id=\"" + ab.id + "\" Conway=\"" + ab.conway + "\" L=\"" + fixed6(ab.L) + "\" D=\"" +
           fixed6(ab.D) + "\" n=\"" + std::to_string(ab.n) + "\"";
}

}  // namespace kvor
