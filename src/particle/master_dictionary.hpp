#pragma once
// The KVOR master dictionary of knots and links and the Golden NLS mass formula
// M = phi^(-2g) * b * Gamma^2 * rho_f * r_c, evaluated as an energy in MeV.
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace kvor {

// The golden ratio, (sqrt(5) + 1) / 2, computed once at library load.
extern const double golden_phi;

struct DictionaryEntry {
    double bridge_b = 0.0;
    std::int32_t genus_g = 0;
    std::int32_t components = 1;
    std::vector<std::int32_t> braid_word;  // k: k-th generator, -k: its inverse
};

// Display name -> entry, in byte-wise order of the names; built at library load, never changed.
extern const std::map<std::string, DictionaryEntry> master_dictionary;

// Mass in MeV of a loop with bridge number b and genus g.
double golden_mass_mev(double b, std::int32_t g);

struct ZooResult {
    std::string identifier;
    double mass_mev = 0.0;
    double bridge_b = 0.0;
    std::int32_t genus_g = 0;
};

class ZooEvaluator {
public:
    // One row per dictionary entry, in dictionary order.
    static std::vector<ZooResult> evaluate_all_golden_nls();
    // Mass of the entry with exactly this name; -1.0 when there is none.
    static double get_entry_mass(const std::string& identifier);
};

}  // namespace kvor
