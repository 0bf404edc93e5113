#pragma once
// The stateful knot object and the records nested in it.
#include <string>
#include <vector>

#include "common/vec3.hpp"
#include "knot/fourier_block.hpp"

namespace kvor {

class FourierKnot {
public:
    // One curve of an ideal-database entry: constant offsets (harmonic I = 0) and harmonics I >= 1.
    struct IdealABComponent {
        int component_index = 0;
        Vec3 A0{0.0, 0.0, 0.0};
        Vec3 B0{0.0, 0.0, 0.0};
        FourierBlock fourier;
    };

    // One AB entry of an ideal database (a knot, or a link with several components).
    struct IdealABBlock {
        std::string id;
        std::string conway;
        double L = 0.0;
        double D = 0.0;
        int n = 1;
        std::vector<IdealABComponent> components;
        FourierBlock fourier;  // copy of the first component's harmonics
    };

    // Geometry of a Fourier curve.
    struct GeometricDescriptors {
        double L = 0.0;
        double bending_energy = 0.0;
        double min_self_distance = 0.0;
        double writhe = 0.0;
        std::vector<double> mode_energy;
    };

    // A .fseries file sampled into centred points with their discrete curvature.
    struct LoadedKnot {
        std::string name;
        std::vector<Vec3> points;
        std::vector<double> curvature;
    };

    std::vector<FourierBlock> blocks;
    FourierBlock activeBlock;
    std::vector<Vec3> points;

    // Replaces `blocks` by the blocks of a .fseries file (strict reader; throws
    // std::runtime_error "Cannot open file: " + path).
    void loadBlocks(const std::string& path);

    // activeBlock = copy of the block with the longest a_x (first on a tie); throws
    // std::runtime_error "No Fourier blocks loaded" when there are none.
    void selectMaxHarmonics();

    // points = activeBlock at s_i = i (2pi / N), i = 0..N-1; throws std::runtime_error
    // "No active Fourier block selected" when activeBlock has no harmonics.
    void reconstruct(int N);
};

using IdealABComponent = FourierKnot::IdealABComponent;
using IdealABBlock = FourierKnot::IdealABBlock;
using GeometricDescriptors = FourierKnot::GeometricDescriptors;
using LoadedKnot = FourierKnot::LoadedKnot;

}  // namespace kvor
