#include "bindings/prelude.hpp"

#include <stdexcept>
#include <vector>

#include "bindings/conversions.hpp"
#include "formulas/magnetic.hpp"

namespace kvor::bindings {

namespace {

// float64, C order (element j of every grid array is the same grid point).
DArray to_float64(const py::array& a) {
    DArray r = DArray::ensure(a);
    if (!r) throw std::invalid_argument("Inputs must be convertible to float64 arrays");
    return r;
}

py::array_t<double> zeros_like(const DArray& a) {
    py::array_t<double> out(std::vector<py::ssize_t>(a.shape(), a.shape() + a.ndim()));
    std::fill(out.mutable_data(), out.mutable_data() + out.size(), 0.0);
    return out;
}

struct GridOut {
    py::array_t<double> bx, by, bz;
    explicit GridOut(const DArray& X) : bx(zeros_like(X)), by(zeros_like(X)), bz(zeros_like(X)) {}
    py::tuple tuple() const { return py::make_tuple(bx, by, bz); }
};

py::tuple wire_grid(const py::array& X, const py::array& Y, const py::array& Z, const py::array& wire_points,
                    double current) {
    check_xyz_grids(X, Y, Z);
    check_rows3(wire_points, "wire_points");
    const DArray x = to_float64(X), y = to_float64(Y), z = to_float64(Z), w = to_float64(wire_points);
    GridOut out(x);
    biot_savart_wire_grid(x.data(), y.data(), z.data(), static_cast<std::size_t>(x.size()),
                          array_to_points(w, kShapeMsgGrid), current, out.bx.mutable_data(),
                          out.by.mutable_data(), out.bz.mutable_data());
    return out.tuple();
}

py::tuple dipole_grid(const py::array& X, const py::array& Y, const py::array& Z, const py::array& positions,
                      const py::array& moments) {
    check_xyz_grids(X, Y, Z);
    check_rows3(positions, "positions");
    check_rows3(moments, "moments");
    if (positions.shape(0) != moments.shape(0))
        throw std::invalid_argument("positions and moments must have the same number of rows");
    const DArray x = to_float64(X), y = to_float64(Y), z = to_float64(Z);
    const DArray p = to_float64(positions), q = to_float64(moments);
    GridOut out(x);
    dipole_ring_field_grid(x.data(), y.data(), z.data(), static_cast<std::size_t>(x.size()),
                           array_to_points(p, kShapeMsgGrid), array_to_points(q, kShapeMsgGrid),
                           out.bx.mutable_data(), out.by.mutable_data(), out.bz.mutable_data());
    return out.tuple();
}

py::tuple vector_potential(const DArrayAny& polyline, const DArrayAny& grid, double current) {
    const std::vector<Vec3> line = array_to_points(polyline, "polyline must have shape [N,3]");
    const std::vector<Vec3> pts = array_to_points(grid, "grid must have shape [M,3]");
    const auto m = static_cast<py::ssize_t>(pts.size());
    py::array_t<double> ax(m), ay(m), az(m);
    for (auto* a : {&ax, &ay, &az}) std::fill(a->mutable_data(), a->mutable_data() + m, 0.0);
    biot_savart_vector_potential_grid(line, pts, current, ax.mutable_data(), ay.mutable_data(), az.mutable_data());
    return py::make_tuple(ax, ay, az);
}

}  // namespace

void bind_magnetic_fields(py::module_& m) {
    m.def("dipole_field_at_point", &kvor::dipole_field_at_point, "Analytical point dipole field (mu0=1).",
          py::arg("r"), py::arg("m"));
    m.def("biot_savart_wire_grid", &wire_grid, "Biot–Savart of polyline on a 3D grid (midpoint per segment).",
          py::arg("X"), py::arg("Y"), py::arg("Z"), py::arg("wire_points"), py::arg("current") = 1.0);
    m.def("dipole_ring_field_grid", &dipole_grid, "Superposition of point dipoles on a 3D grid.", py::arg("X"),
          py::arg("Y"), py::arg("Z"), py::arg("positions"), py::arg("moments"));
    m.def("biot_savart_vector_potential_grid", &vector_potential, "Computes Magnetic Vector Potential A on a grid.",
          py::arg("polyline"), py::arg("grid"), py::arg("current") = 1.0);
}

}  // namespace kvor::bindings
