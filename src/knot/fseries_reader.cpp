#include "knot/fseries_reader.hpp"

#include <sstream>
#include <stdexcept>

#include "common/text_io.hpp"

namespace kvor {
namespace {

void append_row(FourierBlock& b, const double v[6]) {
    b.a_x.push_back(v[0]);
    b.b_x.push_back(v[1]);
    b.a_y.push_back(v[2]);
    b.b_y.push_back(v[3]);
    b.a_z.push_back(v[4]);
    b.b_z.push_back(v[5]);
}

bool is_trailing_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

std::vector<FourierBlock> parse_fseries_from_string(const std::string& content) {
    std::vector<FourierBlock> result;
    FourierBlock current;
    auto flush = [&]() {
        if (!current.a_x.empty()) {
            result.push_back(current);
            current = FourierBlock{};
        }
    };

    std::istringstream row;
    std::size_t pos = 0;
    const std::size_t size = content.size();
    while (pos < size) {
        std::size_t eol = content.find('\n', pos);
        if (eol == std::string::npos) eol = size;
        std::size_t end = eol;
        while (end > pos && is_trailing_space(content[end - 1])) --end;
        const std::size_t begin = pos;
        pos = eol + 1;

        if (end == begin) {
            flush();
            continue;
        }
        if (content[begin] == '%') {
            flush();
            std::size_t h = begin + 1;
            while (h < end && (content[h] == ' ' || content[h] == '\t')) ++h;
            current.header.assign(content, h, end - h);
            continue;
        }
        row.clear();
        row.str(content.substr(begin, end - begin));
        double v[6];
        bool ok = true;
        for (int k = 0; k < 6 && ok; ++k) ok = static_cast<bool>(row >> v[k]);
        if (ok) append_row(current, v);
    }
    flush();
    return result;
}

std::vector<FourierBlock> parse_fseries_multi(const std::string& path) {
    const auto text = read_text_file(path);
    if (!text) return {};
    return parse_fseries_from_string(*text);
}

std::vector<FourierBlock> read_fseries_strict(const std::string& path) {
    const auto text = read_text_file(path);
    if (!text) throw std::runtime_error("Cannot open file: " + path);

    std::vector<FourierBlock> result;
    FourierBlock current;
    std::istringstream lines(*text);
    std::istringstream row;
    std::string line;
    std::vector<double> values;
    while (std::getline(lines, line)) {
        if (line.empty() || line[0] == '%') {
            if (!current.a_x.empty()) {
                result.push_back(current);
                current = FourierBlock{};
            }
            continue;
        }
        row.clear();
        row.str(line);
        values.clear();
        double v;
        while (row >> v) values.push_back(v);
        if (values.size() == 6) append_row(current, values.data());
    }
    if (!current.a_x.empty()) result.push_back(current);
    return result;
}

int index_of_largest_block(const std::vector<FourierBlock>& blocks) {
    if (blocks.empty()) return -1;
    int best = 0;
    for (std::size_t i = 1; i < blocks.size(); ++i) {
        if (blocks[i].a_x.size() > blocks[best].a_x.size()) best = static_cast<int>(i);
    }
    return best;
}

}  // namespace kvor
