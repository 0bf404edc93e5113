#pragma once
// Text-mode file input: CR LF line ends read as LF.
#include <optional>
#include <string>

namespace kvor {

// Whole file as text with every CR that precedes an LF removed; nullopt if it cannot be opened.
std::optional<std::string> read_text_file(const std::string& path);

// Removes one trailing CR (the text-mode line break is CR LF or LF).
inline void strip_cr(std::string& line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
}

}  // namespace kvor
