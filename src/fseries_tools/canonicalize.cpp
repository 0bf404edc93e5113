#include "fseries_tools/canonicalize.hpp"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "common/text_io.hpp"

namespace kvor::kvorext {
namespace {

bool is_blank_char(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// Numbers a line yields when read as whitespace-separated doubles up to the first token that
// does not read as one.
std::vector<double> leading_numbers(const std::string& line) {
    std::istringstream in(line);
    std::vector<double> values;
    double v;
    while (in >> v) values.push_back(v);
    return values;
}

struct NumericRow {
    std::size_t line;
    std::size_t columns;
};

// Lines as std::getline with '\n' yields them: a last line without a break still counts, an
// empty text has no lines.
std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t eol = text.find('\n', pos);
        if (eol == std::string::npos) eol = text.size();
        lines.emplace_back(text, pos, eol - pos);
        pos = eol + 1;
    }
    return lines;
}

std::vector<NumericRow> numeric_rows(const std::vector<std::string>& lines) {
    std::vector<NumericRow> rows;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string& line = lines[i];
        std::size_t k = 0;
        while (k < line.size() && is_blank_char(line[k])) ++k;
        if (k == line.size() || line[k] == '%') continue;  // blank or comment/header
        const std::size_t count = leading_numbers(line).size();
        if (count == 3 || count == 6) rows.push_back({i, count});
    }
    return rows;
}

std::string zero_row() {
    std::ostringstream os;
    os << std::fixed << std::setprecision(6);
    for (int k = 0; k < 6; ++k) os << "    " << 0.0;
    return os.str();
}

bool write_all(int fd, const std::string& data) {
    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        if (n == 0) return false;
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

// Replaces the file at `target` by `content`: temporary file next to it, every write checked,
// flushed to disk, the original's mode applied, then renamed over the original. On failure the
// temporary is removed and false is returned; the original has not been touched.
bool replace_file_atomically(const std::string& target, const std::string& content) {
    struct stat st{};
    if (::stat(target.c_str(), &st) != 0) return false;
    // A file the caller may not write stays as it is, as it would if opened for writing.
    if (::access(target.c_str(), W_OK) != 0) return false;

    const std::filesystem::path tp(target);
    const std::string dir = tp.has_parent_path() ? tp.parent_path().string() : std::string(".");
    // A short fixed name: a temporary derived from a long file name could exceed the name limit.
    std::string tmpl = dir + "/.fseries-rewrite-XXXXXX";
    std::vector<char> name(tmpl.begin(), tmpl.end());
    name.push_back('\0');

    const int fd = ::mkstemp(name.data());
    if (fd < 0) return false;
    const std::string tmp(name.data());

    bool ok = ::fchmod(fd, st.st_mode & 07777) == 0;
    if (ok) ok = write_all(fd, content);
    if (ok) ok = ::fsync(fd) == 0;
    // Keep the owner where permitted (it is when the caller owns the file or is privileged).
    if (ok) {
        [[maybe_unused]] const int r = ::fchown(fd, st.st_uid, st.st_gid);
    }
    if (::close(fd) != 0) ok = false;
    if (ok) ok = std::rename(tmp.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(tmp.c_str());
        return false;
    }
    // Make the rename itself durable.
    const int dfd = ::open(dir.c_str(), O_RDONLY | O_DIRECTORY);
    if (dfd >= 0) {
        ::fsync(dfd);
        ::close(dfd);
    }
    return true;
}

}  // namespace

CanonicalizeResult canonicalize_fseries_file_inplace(const std::string& path) {
    const auto text = read_text_file(path);
    if (!text) throw std::runtime_error("cannot open file: " + path);

    std::vector<std::string> lines = split_lines(*text);
    const std::vector<NumericRow> rows = numeric_rows(lines);

    CanonicalizeResult res;
    res.path = path;
    res.found_numeric_rows = static_cast<std::int32_t>(rows.size());
    res.changed = false;

    if (rows.empty()) {
        res.reason = "no numeric rows found";
        return res;
    }
    if (rows[0].columns == 6) {
        res.reason = "already has 6-column j=0 row";
        return res;
    }
    if (rows.size() < 2) {
        res.reason = "no second numeric row";
        return res;
    }
    if (rows[1].columns == 3) {
        res.reason = "file appears to be 3-column legacy throughout; not auto-converted";
        return res;
    }

    lines[rows[0].line] = zero_row();
    std::string out;
    for (const auto& line : lines) {
        out += line;
        out += '\n';
    }

    // A symbolic link keeps pointing at the rewritten file: replace its target.
    std::error_code ec;
    std::filesystem::path target = std::filesystem::canonical(path, ec);
    if (ec || !replace_file_atomically(target.string(), out)) {
        throw std::runtime_error("cannot write file: " + path);
    }

    res.changed = true;
    res.reason = "upgraded leading 3-col zeros row to 6-col j=0 row";
    return res;
}

}  // namespace kvor::kvorext
