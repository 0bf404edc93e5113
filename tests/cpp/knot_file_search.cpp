// Driver for the knot-file search (which has no Python binding):
//   knot_file_search find ID BASE         prints the path found (empty line if none)
//   knot_file_search candidates ID BASE   prints every candidate path, one per line
#include <cstring>
#include <iostream>

#include "knot/knot_files.hpp"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::cerr << "usage: knot_file_search find|candidates ID BASE\n";
        return 2;
    }
    if (std::strcmp(argv[1], "find") == 0) {
        std::cout << kvor::find_knot_fseries(argv[2], argv[3]) << "\n";
    } else {
        for (const auto& c : kvor::knot_file_candidates(argv[2], argv[3])) std::cout << c << "\n";
    }
    return 0;
}
