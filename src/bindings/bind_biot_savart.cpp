// bind_biot_savart: the Biot–Savart class and kernels, then the filament energy functionals.
#include "bindings/prelude.hpp"

#include <stdexcept>
#include <string>

#include "bindings/conversions.hpp"
#include "dynamics/biot_savart.hpp"
#include "dynamics/filament_energy.hpp"

namespace kvor::bindings {
namespace {

using Points = std::vector<Vec3>;

// (N,3) points of a single-array functional: read as a 2-D view, then the named shape check.
std::size_t checked_points(const DArray& points, const char* name) {
    auto v = points.unchecked<2>();
    check_point_array(name, v.shape(0), v.shape(1));
    return static_cast<std::size_t>(v.shape(0));
}

// Points, tangents and weights of the cut-off energies, checked in their fixed order.
// The cut-off list (if any) is read after the weights, before the extents are compared.
std::size_t checked_cutoff_inputs(const DArray& points, const DArray& tangents, const DArray& ds_arr,
                                  const DArray* a_values, const std::string& name) {
    auto p = points.unchecked<2>();
    auto t = tangents.unchecked<2>();
    auto d = ds_arr.unchecked<1>();
    if (a_values) (void)a_values->unchecked<1>();
    if (p.shape(0) != t.shape(0) || p.shape(0) != d.shape(0))
        throw std::runtime_error(name + ": inconsistent N dimensions");
    if (p.shape(1) != 3 || t.shape(1) != 3) throw std::runtime_error(name + ": points/tangents must have shape (N, 3)");
    return static_cast<std::size_t>(p.shape(0));
}

void register_biot_savart(py::module_& m) {
    py::class_<BiotSavart> cls(m, "BiotSavart");
    cls.def_static("compute_velocity",
                   py::overload_cast<const Points&, const Points&, double>(&BiotSavart::compute_velocity),
                   "Compute the Biot–Savart velocity field from a closed curve at given grid points.\n"
                   "Backward compatible with the historical 2-argument call; circulation defaults to 1.0.",
                   py::arg("curve"), py::arg("grid_points"), py::arg("circulation") = 1.0);
    cls.def_static("compute_vorticity", &BiotSavart::compute_vorticity);
    cls.def_static("extract_interior", &BiotSavart::extract_interior);
    cls.def_static("compute_invariants", [](const Points& v_sub, const Points& w_sub, const std::vector<double>& r_sq) {
        const HelicityInvariants h = BiotSavart::compute_invariants(v_sub, w_sub, r_sq);
        return py::make_tuple(h.H_charge, h.H_mass, h.a_mu);
    });

    m.def("biot_savart_velocity", &biot_savart_velocity, "Velocity at a single point r due to a filament.",
          py::arg("r"), py::arg("filament_points"), py::arg("tangent_vectors"), py::arg("circulation") = 1.0);
    m.def(
        "biot_savart_velocity_grid",
        [](const DArray& polyline, const DArray& grid, double circulation) {
            const Points curve = array_to_points(polyline, kShapeMsgBiotSavart);
            const std::size_t rows = rows3_count(grid, kShapeMsgBiotSavart);
            py::array_t<double> out({static_cast<py::ssize_t>(rows), static_cast<py::ssize_t>(3)});
            double* o = out.mutable_data();
            {
                py::gil_scoped_release nogil;
                BiotSavart::compute_velocity_rows(curve, grid.data(), rows, circulation, o);
            }
            return out;
        },
        "Biot–Savart velocity at arbitrary grid points for a polyline.\n"
        "Backward compatible with the historical 2-argument call; circulation defaults to 1.0.",
        py::arg("polyline"), py::arg("grid"), py::arg("circulation") = 1.0);
}

void register_filament_energy(py::module_& m) {
    m.def(
        "calculate_neumann_self_energy",
        [](const DArray& points, double rc) {
            const std::size_t n = checked_points(points, "calculate_neumann_self_energy");
            return neumann_self_energy(points.data(), n, rc);
        },
        "Calculate Neumann integral C_N(K) (pelrin/kvor_core compatibility).", py::arg("points"), py::arg("rc"));
    m.def(
        "calculate_core_repulsion",
        [](const DArray& points, double rc) {
            const std::size_t n = checked_points(points, "calculate_core_repulsion");
            return core_repulsion(points.data(), n, rc);
        },
        "Hard-core volume repulsion (pelrin/kvor_core compatibility).", py::arg("points"), py::arg("rc"));
    m.def(
        "calculate_length",
        [](const DArray& points) {
            const std::size_t n = checked_points(points, "calculate_length");
            return polyline_length(points.data(), n);
        },
        "Closed polyline length L(K) (pelrin/kvor_core compatibility).", py::arg("points"));
    m.def(
        "calculate_writhe",
        [](const DArray& points, double rc) {
            const std::size_t n = checked_points(points, "calculate_writhe");
            return regularized_writhe(points.data(), n, rc);
        },
        "Topological writhe H(K) with distance regularization rc (pelrin/kvor_core compatibility).",
        py::arg("points"), py::arg("rc"));
    m.def(
        "calculate_curvature_penalty",
        [](const DArray& points) {
            const std::size_t n = checked_points(points, "calculate_curvature_penalty");
            return curvature_penalty(points.data(), n);
        },
        "Menger curvature penalty integral (pelrin/kvor_core compatibility).", py::arg("points"));
    m.def(
        "calculate_bs_cutoff_energy_scan",
        [](const DArray& points, const DArray& tangents, const DArray& ds_arr, const DArray& a_values) {
            const std::size_t n =
                checked_cutoff_inputs(points, tangents, ds_arr, &a_values, "calculate_bs_cutoff_energy_scan");
            const std::vector<double> cutoffs(a_values.data(), a_values.data() + a_values.size());
            return doubles_to_array(bs_cutoff_energy_scan(points.data(), tangents.data(), ds_arr.data(), n, cutoffs));
        },
        "Accumulate a whole cutoff scan in one C++ pass (same kernel as pelrin/kvor_core).", py::arg("points"),
        py::arg("tangents"), py::arg("ds_arr"), py::arg("a_values"));
    m.def(
        "calculate_bs_cutoff_energy",
        [](const DArray& points, const DArray& tangents, const DArray& ds_arr, double a_cutoff) {
            const std::size_t n = checked_cutoff_inputs(points, tangents, ds_arr, nullptr, "calculate_bs_cutoff_energy");
            return bs_cutoff_energy_scan(points.data(), tangents.data(), ds_arr.data(), n, {a_cutoff})[0];
        },
        "Single-cutoff Biot–Savart energy for closure scans.", py::arg("points"), py::arg("tangents"),
        py::arg("ds_arr"), py::arg("a_cutoff"));
}

}  // namespace

void bind_biot_savart(py::module_& m) {
    register_biot_savart(m);
    register_filament_energy(m);
}

}  // namespace kvor::bindings
