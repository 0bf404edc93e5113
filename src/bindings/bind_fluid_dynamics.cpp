#include "bindings/prelude.hpp"

#include "formulas/fluid.hpp"

namespace kvor::bindings {

void bind_fluid_dynamics(py::module_& m) {
    // Docstrings of the first thirteen: newline, 8 spaces, text, newline, 4 spaces.
    m.def("compute_pressure_field", &kvor::bernoulli_pressure_field,
          "\n        Compute Bernoulli pressure field from velocity magnitude:\n"
          "            P = P_infinity - 0.5 * rho_ae * |v|^2\n    ",
          py::arg("velocity_magnitude"), py::arg("rho_ae"), py::arg("P_infinity"));
    m.def("compute_velocity_magnitude", &kvor::compute_velocity_magnitude,
          "\n        Compute magnitude |v| from vector velocity field.\n    ", py::arg("velocity"));
    // The position list is a converted copy: the caller's list is not modified.
    m.def(
        "evolve_positions_euler",
        [](std::vector<Vec3> positions, const std::vector<Vec3>& velocity, double dt) {
            kvor::evolve_positions_euler(positions, velocity, dt);
        },
        "\n        Euler-step update of particle positions from velocity vectors.\n    ", py::arg("positions"),
        py::arg("velocity"), py::arg("dt"));
    m.def("compute_vorticity", py::overload_cast<const Tensor3&>(&kvor::compute_vorticity),
          "\n        Compute vorticity vector ω = ∇ × v from the velocity gradient tensor.\n    ", py::arg("grad"));
    m.def("swirl_clock_rate", &kvor::swirl_clock_rate, "\n        Swirl clock rate 0.5 * (dv/dx - du/dy).\n    ",
          py::arg("dv_dx"), py::arg("du_dy"));
    m.def("vorticity_from_curvature", &kvor::vorticity_from_curvature,
          "\n        Vorticity magnitude for curved flow V/R.\n    ", py::arg("V"), py::arg("R"));
    m.def("vortex_pressure_drop", &kvor::half_a_b_squared,
          "\n        Pressure drop 0.5 * ρ * c^2 in a vortex core.\n    ", py::arg("rho"), py::arg("c"));
    m.def("vortex_transverse_pressure_diff", &kvor::vortex_transverse_pressure_diff,
          "\n        Transverse pressure difference 0.25 * ρ * c^2.\n    ", py::arg("rho"), py::arg("c"));
    m.def("swirl_energy", &kvor::half_a_b_squared,
          "\n        Rotational kinetic energy density (1/2) * ρ * ω^2.\n    ", py::arg("rho"), py::arg("omega"));
    m.def("kairos_energy_trigger", &kvor::kairos_energy_trigger,
          "\n        Trigger when swirl energy exceeds 0.5 * ρ * Ce^2.\n    ", py::arg("rho"), py::arg("omega"),
          py::arg("Ce"));
    m.def("compute_helicity", &kvor::compute_helicity,
          "\n        Compute helicity ∑ (v · ω) dV over a discretized field.\n    ", py::arg("velocity"),
          py::arg("vorticity"), py::arg("dV"));
    m.def("potential_vorticity", &kvor::potential_vorticity, "\n        Potential vorticity (fa + ζ_r) / h.\n    ",
          py::arg("fa"), py::arg("zeta_r"), py::arg("h"));
    m.def("is_incompressible", &kvor::is_incompressible,
          "\n        Determine if flow is incompressible by checking that the\n"
          "        divergence of the velocity field is approximately zero.\n    ",
          py::arg("dudx"), py::arg("dvdy"), py::arg("dwdz"));

    // The remaining thirteen: text, newline, tab.
    m.def("circulation_surface_integral", &kvor::circulation_surface_integral,
          "Circulation as surface integral of vorticity dot area vector.\n\t", py::arg("omega_field"),
          py::arg("dA_field"));
    m.def("enstrophy", &kvor::enstrophy, "Enstrophy as sum of squared vorticity weighted by area.\n\t",
          py::arg("omega_squared"), py::arg("ds_area"));
    m.def("compute_bernoulli_pressure", &kvor::bernoulli_pressure_field,
          "Compute Bernoulli pressure field from velocity magnitude.\n\t", py::arg("velocity_magnitude"),
          py::arg("rho") = 7e-7, py::arg("p_inf") = 0.0);
    m.def("pressure_gradient", &kvor::pressure_gradient, "Compute spatial pressure gradient vector field.\n\t",
          py::arg("pressure_field"), py::arg("dx") = 1.0, py::arg("dy") = 1.0);
    m.def("laplacian_phi", &kvor::laplacian_phi, "Compute Laplacian of potential function.\n\t",
          py::arg("d2phidx2"), py::arg("d2phidy2"), py::arg("d2phidz2"));
    m.def("grad_phi", &kvor::grad_phi, "Compute gradient of potential function.\n\t", py::arg("phi_grad"));
    m.def("bernoulli_pressure_potential", &kvor::bernoulli_pressure_potential,
          "Compute Bernoulli pressure from potential flow.\n\t", py::arg("velocity_squared"), py::arg("V"));
    m.def("compute_kinetic_energy", &kvor::compute_kinetic_energy,
          "Compute kinetic energy E = (1/2) * ρ * ∑ |v|^2.\n\t", py::arg("velocity"), py::arg("rho_ae"));
    m.def("rossby_number", &kvor::rossby_number, "Rossby number: Ro = U / (2Ωd).\n\t", py::arg("U"),
          py::arg("omega"), py::arg("d"));
    m.def("ekman_number", &kvor::ekman_number, "Ekman number: Ek = ν / (Ω H²).\n\t", py::arg("nu"),
          py::arg("omega"), py::arg("H"));
    m.def("cylinder_mass", &kvor::cylinder_mass, "Cylinder mass: m = ρ π R² H.\n\t", py::arg("rho"), py::arg("R"),
          py::arg("H"));
    m.def("cylinder_inertia", &kvor::half_a_b_squared, "Moment of inertia: I = (1/2) m R².\n\t", py::arg("mass"),
          py::arg("R"));
    m.def("torque", &kvor::torque, "Torque: τ = I α.\n\t", py::arg("inertia"), py::arg("alpha"));
}

}  // namespace kvor::bindings
