#include "knot/embedded_resources.hpp"

#include <stdexcept>

#include "knot/embedded_table.hpp"
#include "knot/fseries_reader.hpp"
#include "knot/ideal_ab.hpp"

namespace kvor {
namespace {

TextMap build_map(const embedded::ResourceTable& table) {
    TextMap map;
    for (std::size_t i = 0; i < table.count; ++i) {
        const auto& row = table.rows[i];
        map.emplace(row.key, std::string(row.begin, static_cast<std::size_t>(row.end - row.begin)));
    }
    return map;
}

const TextMap& cached_ideal_map() {
    static const TextMap map = build_map(embedded::ideal_table());
    return map;
}

std::string basename_of(const std::string& key) {
    const auto cut = key.find_last_of("/\\");
    return cut == std::string::npos ? key : key.substr(cut + 1);
}

}  // namespace

TextMap get_embedded_ideal_files() { return build_map(embedded::ideal_table()); }

TextMap get_embedded_knot_files() { return build_map(embedded::knot_table()); }

const TextMap& embedded_knot_map() {
    static const TextMap map = build_map(embedded::knot_table());
    return map;
}

std::string load_embedded_ideal_text(const std::string& name) {
    const TextMap& map = cached_ideal_map();
    if (auto it = map.find(name); it != map.end()) return it->second;
    for (const auto& [key, text] : map) {
        if (basename_of(key) == name) return text;
    }
    throw std::runtime_error("Embedded ideal text not found: " + name);
}

std::vector<IdealABBlock> parse_embedded_ideal_txt(const std::string& name) {
    return parse_ideal_txt_from_string(load_embedded_ideal_text(name));
}

IdealABBlock parse_embedded_ideal_ab_by_id(const std::string& ab_id, const std::string& name) {
    return parse_ideal_ab_by_id_from_string(load_embedded_ideal_text(name), ab_id);
}

FourierBlock load_embedded_knot_block(const std::string& knot_id) {
    const TextMap map = get_embedded_knot_files();
    const auto it = map.find(knot_id);
    if (it == map.end()) throw std::runtime_error("Embedded knot id not found: " + knot_id);
    const auto blocks = parse_fseries_from_string(it->second);
    const int best = index_of_largest_block(blocks);
    if (best < 0) throw std::runtime_error("No Fourier block found in embedded knot: " + knot_id);
    return blocks[static_cast<std::size_t>(best)];
}

}  // namespace kvor
