#include "common/text_io.hpp"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace kvor {

std::optional<std::string> read_text_file(const std::string& path) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return std::nullopt;
    std::ifstream in(path, std::ios::in | std::ios::binary);
    if (!in) return std::nullopt;
    std::string raw((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string out;
    out.reserve(raw.size());
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] == '\r' && i + 1 < raw.size() && raw[i + 1] == '\n') continue;
        out.push_back(raw[i]);
    }
    return out;
}

}  // namespace kvor
