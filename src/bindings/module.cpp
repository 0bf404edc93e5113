// Module entry: the docstring, the registration groups in their fixed order, then
// list_bindings. The version check and the multi-phase initialisation slots (create, exec,
// multiple interpreters not supported; no free-threading slot) come from the module macro.
#include "bindings/prelude.hpp"

#include <cctype>
#include <string>

namespace {

std::string fold_lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

constexpr const char* kListBindingsDoc = R"(
        Return a dictionary of exported names in this module.

        Args:
          pattern (str|None): optional case-insensitive substring filter.
          include_private (bool): include names beginning with '_' if True.

        Returns:
          dict with keys: 'functions', 'classes', 'attributes', and 'counts'.
        Also sets module __all__ = functions + classes (public names).
        )";

py::dict list_bindings(py::module_ m, const py::object& pattern, bool include_private) {
    py::list names(m.attr("__dir__")());

    bool have_needle = false;
    std::string needle;
    if (!pattern.is_none()) {
        needle = fold_lower(py::str(pattern).cast<std::string>());
        have_needle = true;
    }

    py::list functions, classes, attributes;
    for (const py::handle entry : names) {
        const std::string name = py::str(entry).cast<std::string>();
        if (!name.empty() && name[0] == '_' && !include_private) continue;
        if (name == "list_bindings") continue;
        if (have_needle && !needle.empty()) {
            const std::string lowered = fold_lower(name);
            if (needle.size() > lowered.size() || lowered.find(needle) == std::string::npos) continue;
        }
        const py::object value = m.attr(py::str(name));
        if (PyType_Check(value.ptr())) {
            classes.append(py::str(name));
        } else if (PyCallable_Check(value.ptr())) {
            functions.append(py::str(name));
        } else {
            attributes.append(py::str(name));
        }
    }

    py::list all;
    for (const py::handle h : functions) all.append(h);
    for (const py::handle h : classes) all.append(h);
    m.attr("__all__") = all;

    py::dict counts;
    counts["functions"] = py::len(functions);
    counts["classes"] = py::len(classes);
    counts["attributes"] = py::len(attributes);

    py::dict result;
    result["functions"] = functions;
    result["classes"] = classes;
    result["attributes"] = attributes;
    result["counts"] = counts;
    return result;
}

}  // namespace

PYBIND11_MODULE(_bindings, m) {
    using namespace kvor::bindings;
    m.attr("__doc__") = "KVOR Core Bindings (backwards compatibility alias)";

    bind_ab_initio(m);
    bind_biot_savart(m);
    bind_fluid_dynamics(m);
    bind_magnetic_fields(m);
    bind_field_operators(m);
    bind_knot_core(m);
    bind_frenet_helicity(m);
    bind_magnus_bernoulli(m);
    bind_gravity_potential(m);
    bind_hyperbolic_volume(m);
    bind_radiation_force(m);
    bind_swirl_field(m);
    bind_thermodynamics(m);
    bind_time_evolution(m);
    bind_golden_closure(m);
    bind_vorticity_2d(m);
    bind_kvor_gravity(m);
    bind_kvor_mass(m);
    bind_fseries_tools(m);

    m.def(
        "list_bindings",
        [m](const py::object& pattern, bool include_private) { return list_bindings(m, pattern, include_private); },
        kListBindingsDoc, py::arg("pattern") = py::none(), py::arg("include_private") = false);
}
