#pragma once
// Conversions between NumPy arrays / Python sequences and core types, and the array shape
// checks shared by the bindings. Every binding uses these; none re-implements a check.
#include "bindings/prelude.hpp"

#include <stdexcept>
#include <string>
#include <vector>

#include "common/vec3.hpp"

namespace kvor::bindings {

// C-contiguous float64 array, converting anything NumPy can turn into one.
using DArray = py::array_t<double, py::array::c_style | py::array::forcecast>;
// float64 array of any layout (strided arrays are read through their strides).
using DArrayAny = py::array_t<double, py::array::forcecast>;

// Messages of the (N,3) array to point-list conversion, one per family of callers.
inline constexpr const char* kShapeMsgBiotSavart = "Expected array with shape (N,3)";
inline constexpr const char* kShapeMsgGrid = "Expected shape [N,3]";
inline constexpr const char* kShapeMsgGravity = "Expected array with shape (N, 3)";
inline constexpr const char* kShapeMsgPdCurve = "pd_from_curve: expected array with shape (N,3)";

// Point-array check with name, on the extents of a two-dimensional view.
inline void check_point_array(const std::string& name, py::ssize_t rows, py::ssize_t cols) {
    if (cols != 3) throw std::runtime_error(name + ": points must have shape (N, 3)");
    if (rows < 0) throw std::runtime_error(name + ": invalid point count");
}

// (N,3) rows check with name; N = 0 is rejected.
template <typename Array>
void check_rows3(const Array& a, const std::string& name) {
    if (a.ndim() != 2 || a.shape(1) != 3) throw std::invalid_argument(name + " must have shape [N,3]");
    if (a.shape(0) <= 0) throw std::invalid_argument(name + " must have at least 1 row");
}

// Mesh-grid arrays X, Y, Z must agree in dimensionality and every extent.
template <typename Array>
void check_xyz_grids(const Array& X, const Array& Y, const Array& Z) {
    if (X.ndim() != Y.ndim() || X.ndim() != Z.ndim())
        throw std::invalid_argument("X, Y, Z must share the same number of dimensions");
    for (py::ssize_t d = 0; d < X.ndim(); ++d) {
        if (X.shape(d) != Y.shape(d) || X.shape(d) != Z.shape(d))
            throw std::invalid_argument("X, Y, Z must have identical shapes");
    }
}

// Row count of a C-contiguous (N,3) array, whose buffer is then read as N rows (x, y, z).
inline std::size_t rows3_count(const DArray& a, const char* msg) {
    if (a.ndim() != 2 || a.shape(1) != 3) throw std::invalid_argument(msg);
    return static_cast<std::size_t>(a.shape(0));
}

// (N,3) array to point list, honouring strides; `msg` names the caller family.
template <typename Array>
std::vector<Vec3> array_to_points(const Array& a, const char* msg) {
    if (a.ndim() != 2 || a.shape(1) != 3) throw std::invalid_argument(msg);
    auto v = a.template unchecked<2>();
    std::vector<Vec3> pts(static_cast<std::size_t>(v.shape(0)));
    for (py::ssize_t i = 0; i < v.shape(0); ++i) {
        pts[static_cast<std::size_t>(i)] = {v(i, 0), v(i, 1), v(i, 2)};
    }
    return pts;
}

// (N,) array to list of doubles, honouring the stride; `msg` is the message for other ndims.
template <typename Array>
std::vector<double> array_to_doubles(const Array& a, const char* msg) {
    if (a.ndim() != 1) throw std::invalid_argument(msg);
    auto v = a.template unchecked<1>();
    std::vector<double> out(static_cast<std::size_t>(v.shape(0)));
    for (py::ssize_t i = 0; i < v.shape(0); ++i) out[static_cast<std::size_t>(i)] = v(i);
    return out;
}

template <typename Array>
std::vector<double> array_to_doubles(const Array& a) {
    return array_to_doubles(a, "Expected 1D array with shape (N,)");
}

// The cast error of a failed conversion, with the same text in every build type (debug builds
// of the binding library would otherwise name the C++ type).
inline py::cast_error cast_error_for(py::handle obj) {
    return py::cast_error("Unable to cast Python instance of type " + py::str(py::type::handle_of(obj)).cast<std::string>() +
                          " to C++ type '?' (#define PYBIND11_DETAILED_ERROR_MESSAGES or compile in debug mode for "
                          "details)");
}

// Converts with pybind11's rules for T; a mismatch raises cast_error_for(obj).
template <typename T>
T cast_or_throw(py::handle obj) {
    py::detail::make_caster<T> caster;
    if (!caster.load(obj, true)) throw cast_error_for(obj);
    return py::detail::cast_op<T>(std::move(caster));
}

// Point list to a new C-contiguous (N,3) array.
inline py::array_t<double> points_to_array(const std::vector<Vec3>& pts) {
    py::array_t<double> out({static_cast<py::ssize_t>(pts.size()), static_cast<py::ssize_t>(3)});
    double* d = out.mutable_data();
    for (std::size_t i = 0; i < pts.size(); ++i) {
        d[3 * i + 0] = pts[i][0];
        d[3 * i + 1] = pts[i][1];
        d[3 * i + 2] = pts[i][2];
    }
    return out;
}

// List of doubles to a new (N,) array.
inline py::array_t<double> doubles_to_array(const std::vector<double>& v) {
    py::array_t<double> out(static_cast<py::ssize_t>(v.size()));
    double* d = out.mutable_data();
    for (std::size_t i = 0; i < v.size(); ++i) d[i] = v[i];
    return out;
}

}  // namespace kvor::bindings
