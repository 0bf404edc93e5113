#include "particle/master_dictionary.hpp"

#include <cmath>
#include <utility>

namespace kvor {

const double golden_phi = (std::sqrt(5.0) + 1.0) * 0.5;

namespace {

std::vector<std::int32_t> repeated(std::int32_t gen, int times) {
    return std::vector<std::int32_t>(static_cast<std::size_t>(times), gen);
}

std::map<std::string, DictionaryEntry> build_master_dictionary() {
    using W = std::vector<std::int32_t>;
    const std::pair<const char*, DictionaryEntry> rows[] = {
        {"Unknot", {1.0, 0, 1, W{1}}},
        {"Unlink", {1.0, 0, 2, W{1, -1}}},
        {"Link 2^2_1 (Hopf Link)", {2.0, 0, 2, W{-1, -1}}},
        {"Knot 3_1 (Trefoil)", {2.0, 1, 1, W{-1, -1, -1}}},
        {"Knot 4_1 (Figure-Eight)", {3.0, 1, 1, W{1, -2, 1, -2}}},
        {"Link 4^2_1 (Solomon's)", {2.0, 1, 2, W{-1, -1, -1, -1}}},
        {"Knot 5_1 (Torus)", {2.0, 2, 1, W{-1, -1, -1, -1, -1}}},
        {"Knot 5_2 (Twist)", {3.0, 1, 1, W{-1, 2, -3, 2, 2, 1, 2, 3, 2}}},
        {"Link 5^2_1 (Whitehead)", {3.0, 1, 2, W{-1, -1, 2, -1, 2}}},
        {"Knot 6_1 (Twist)", {3.0, 1, 1, W{-1, 2, -3, 4, -3, 2, 1, -3, 2, -4, 3, 2}}},
        {"Knot 6_2", {3.0, 1, 1, W{1, -2, 1, 1, 1, -2}}},
        {"Knot 6_3", {3.0, 1, 1, W{1, -2, 1, -2, -2, 1}}},
        {"Link 6^2_1", {3.0, 1, 2, W{1, -2, 1, -2, 1, -2}}},
        {"Link 6^3_1", {3.0, 0, 3, W{-1, 2, 2, -1, 2, 2}}},
        {"Link 6^3_2 (Borromean)", {3.0, 1, 3, W{-1, 2, -1, 2, -1, 2}}},
        {"Link 6^3_3", {3.0, 1, 3, W{-1, 2, 2, -1, -2, -2}}},
        {"Knot 7_1 (Torus)", {2.0, 3, 1, repeated(-1, 7)}},
        {"Knot 7_2 (Twist)", {3.0, 1, 1, W{-1, -1, -1, -2, 1, -2, -3, 2, -3}}},
        {"Knot 8_1 (Twist)", {3.0, 1, 1, W{-1, -2, 3, -4, 3, 5, 2, -6, 1, 3, -4, 3, 5, -2, -4, 3, -4, -5, 4, 6, -5, 4, 3, 2}}},
        {"Knot 8_2", {3.0, 2, 1, W{-1, 2, -1, -1, -1, -1, -1, 2}}},
        {"Knot 8_9", {3.0, 1, 1, W{-1, 2, 2, 2, -1, -1, -1, 2}}},
        {"Knot 8_12", {3.0, 2, 1, W{-1, 2, -3, 2, 1, 2, -3, 4, -3, 2, -3, -4}}},
        {"Knot 8_17", {3.0, 1, 1, W{-1, 2, -1, -1, 2, 2, -1, 2}}},
        {"Knot 8_19 (T_3,4)", {3.0, 3, 1, W{1, 2, 1, 2, 1, 1, 2, 1}}},
        {"Knot 8_21", {3.0, 2, 1, W{1, 2, -1, -2, 1, 2, 1, 2}}},
        {"Link 8^2_1", {3.0, 2, 2, W{-1, 2, -3, 4, -5, 4, 6, 3, 7, -2, 1, 3, -2, 3, 4, 5, 4, -3, 2, 4, -5, -6, 5, 4, -3, 4, -5, 6, -7, -6, 5, 4}}},
        {"Knot 9_1 (Torus)", {2.0, 4, 1, repeated(-1, 9)}},
        {"Knot 9_2 (Twist)", {2.0, 1, 1, W{-1, -1, -1, -2, 1, -2, -3, 2, -3, -4, 3, -4}}},
        {"Knot 10_1 (Twist)", {3.0, 1, 1, W{-1, -2, 3, -4, 5, -4, -3, 2, -4, 1, -5, 6, -7, -6, 5, -4, -3, 2, -4, -5, 6, 7, -8, -7, -6, 5, -4, -3, -4, -5, 6, 5, 7, -4, 8, 3, 5, -2, -6, 3}}},
        {"Knot 11_1 (Torus)", {2.0, 5, 1, repeated(-1, 11)}},
        {"Knot 12a1202", {3.0, 3, 1, W{1, 2, 1, 2, 1, 1, 1, 2, 1, 1, 1, 2}}},
        {"Knot 15a331", {3.0, 4, 1, W{1, 2, 1, 2, 1, 2, 1, 1, 1, 2, 1, 1, 1, 2, 1}}},
    };
    std::map<std::string, DictionaryEntry> out;
    for (const auto& [name, entry] : rows) out.emplace(name, entry);
    return out;
}

}  // namespace

const std::map<std::string, DictionaryEntry> master_dictionary = build_master_dictionary();

double golden_mass_mev(double b, std::int32_t g) {
    // Gamma^2 rho_f r_c / c^2, then the golden screening, then back to an energy in MeV.
    const double K = (std::pow(9.68455e-9, 2) * 6.8398588e-7 * 1.40897017e-15) / std::pow(299792458.0, 2);
    const double M = std::pow(golden_phi, static_cast<double>(-2 * g)) * (K * b);
    return (M * 8.987551787368176e16) / 1.602176634e-13;
}

std::vector<ZooResult> ZooEvaluator::evaluate_all_golden_nls() {
    std::vector<ZooResult> out;
    out.reserve(master_dictionary.size());
    for (const auto& [name, e] : master_dictionary) {
        out.push_back(ZooResult{name, golden_mass_mev(e.bridge_b, e.genus_g), e.bridge_b, e.genus_g});
    }
    return out;
}

double ZooEvaluator::get_entry_mass(const std::string& identifier) {
    const auto it = master_dictionary.find(identifier);
    if (it == master_dictionary.end()) return -1.0;
    return golden_mass_mev(it->second.bridge_b, it->second.genus_g);
}

}  // namespace kvor
