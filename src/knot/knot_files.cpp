#include "knot/knot_files.hpp"

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace kvor {
namespace {

constexpr const char* kRelativeDirs[] = {
    "src/knot_fseries",
    "src/Knots_FourierSeries",
    "../src/knot_fseries",
    "../src/Knots_FourierSeries",
    "../../src/knot_fseries",
    "../../src/Knots_FourierSeries",
    "knot_fseries",
    "../knot_fseries",
    "share/kvor_core/knot_fseries",
    "../../share/kvor_core/knot_fseries",
};

// A regular file that opens for reading (a directory opens as a stream too, so test the type).
bool readable_file(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    std::ifstream in(path);
    return in.good();
}

}  // namespace

std::string knot_file_name(const std::string& knot_id) { return "knot." + knot_id + ".fseries"; }

std::vector<std::string> knot_file_candidates(const std::string& knot_id, const std::string& base_dir) {
    const std::string file = knot_file_name(knot_id);
    std::vector<std::string> out;
    if (!base_dir.empty()) {
        out.push_back(base_dir + "/" + file);
        out.push_back(base_dir + "/knot_fseries/" + file);
    }
    if (const char* dir = std::getenv("KVOR_KNOT_DATA_DIR")) out.push_back(std::string(dir) + "/" + file);
    if (const char* root = std::getenv("KVOR_RESOURCE_DIR")) {
        out.push_back(std::string(root) + "/resources/knot_fseries/" + file);
        out.push_back(std::string(root) + "/knot_fseries/" + file);
    }
    for (const char* dir : kRelativeDirs) out.push_back(std::string(dir) + "/" + file);
    return out;
}

std::string find_knot_fseries(const std::string& knot_id, const std::string& base_dir) {
    for (const std::string& path : knot_file_candidates(knot_id, base_dir)) {
        if (readable_file(path)) return path;
    }
    return "";
}

}  // namespace kvor
