#include "bindings/prelude.hpp"

#include "bindings/conversions.hpp"
#include "formulas/gravity.hpp"

namespace kvor::bindings {

namespace {

std::vector<Vec3> field(const DArrayAny& a) { return array_to_points(a, kShapeMsgGravity); }

}  // namespace

void bind_kvor_gravity(py::module_& m) {
    using G = kvor::KvorGravity;
    // Docstrings: newline, 16 spaces, the text, newline, 12 spaces.
    py::class_<G>(m, "KvorGravity")
        .def_static(
            "compute_beltrami_shear",
            [](const DArrayAny& B_field, const DArrayAny& Curl_B) {
                const auto b = field(B_field);
                const auto c = field(Curl_B);
                return G::compute_beltrami_shear(b, c);
            },
            "\n                Compute the Beltrami shear metric S = || B x (curl B) ||.\n            ",
            py::arg("B_field"), py::arg("Curl_B"))
        .def_static(
            "compute_gravity_dilation",
            [](const DArrayAny& B_field, double omega_drive, double v_swirl, double B_saturation) {
                return G::compute_gravity_dilation(field(B_field), omega_drive, v_swirl, B_saturation);
            },
            "\n                Compute a phenomenological gravity reduction factor G_local\n"
            "                driven by EM excitation.\n            ",
            py::arg("B_field"), py::arg("omega_drive"), py::arg("v_swirl") = kSwirlSpeed,
            py::arg("B_saturation") = 100.0)
        .def_static(
            "compute_helicity_density",
            [](const DArrayAny& A_field, const DArrayAny& B_field) {
                const auto a = field(A_field);
                const auto b = field(B_field);
                return G::compute_helicity_density(a, b);
            },
            "\n                Compute magnetic helicity density h = A · B.\n            ", py::arg("A_field"),
            py::arg("B_field"))
        .def_static(
            "compute_swirl_clock",
            [](const DArrayAny& v_swirl_field, double c) { return G::compute_swirl_clock(field(v_swirl_field), c); },
            "\n                Compute the Swirl Clock factor S_t at each sample.\n            ",
            py::arg("v_swirl_field"), py::arg("c") = kSpeedOfLight)
        .def_static(
            "compute_swirl_coulomb_potential",
            [](const DArrayAny& radii, double Lambda, double r_c) {
                return G::compute_swirl_coulomb_potential(array_to_doubles(radii), Lambda, r_c);
            },
            "\n                Compute the Swirl Coulomb potential V(r) = -Lambda / sqrt(r^2 + r_c^2).\n            ",
            py::arg("radii"), py::arg("Lambda"), py::arg("r_c"))
        .def_static(
            "compute_swirl_coulomb_force",
            [](const DArrayAny& radii, double Lambda, double r_c) {
                return G::compute_swirl_coulomb_force(array_to_doubles(radii), Lambda, r_c);
            },
            "\n                Compute the radial Swirl Coulomb force F_r(r).\n            ", py::arg("radii"),
            py::arg("Lambda"), py::arg("r_c"))
        .def_static(
            "compute_swirl_energy_density",
            [](const DArrayAny& v_field, double rho_f) { return G::compute_swirl_energy_density(field(v_field), rho_f); },
            "\n                Compute swirl kinetic energy density rho_E = 0.5 * rho_f * ||v||^2.\n            ",
            py::arg("v_field"), py::arg("rho_f"))
        .def_static("compute_G_swirl", &G::compute_G_swirl,
                    "\n                Compute the effective Swirl gravitational coupling G_swirl.\n            ",
                    py::arg("v_swirl"), py::arg("t_p"), py::arg("F_max"), py::arg("r_c"),
                    py::arg("c") = kSpeedOfLight);
}

}  // namespace kvor::bindings
