// Driver for the reproducible random machinery (which has no Python binding):
//   normal_draws SEED COUNT   prints COUNT standard normals of one generator on MT19937(SEED)
//   normal_draws raw SEED COUNT   prints COUNT raw 32-bit engine outputs
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "topology/random_projection.hpp"

int main(int argc, char** argv) {
    const bool raw = argc == 4 && std::strcmp(argv[1], "raw") == 0;
    if (argc != 3 && !raw) {
        std::fprintf(stderr, "usage: normal_draws [raw] SEED COUNT\n");
        return 2;
    }
    const int seed = static_cast<int>(std::strtol(argv[raw ? 2 : 1], nullptr, 10));
    const long count = std::strtol(argv[raw ? 3 : 2], nullptr, 10);
    kvor::Mt19937 engine = kvor::make_engine(seed);
    kvor::StandardNormal normal;
    for (long i = 0; i < count; ++i) {
        if (raw)
            std::printf("%lu\n", static_cast<unsigned long>(engine()));
        else
            std::printf("%a\n", normal(engine));
    }
    return 0;
}
