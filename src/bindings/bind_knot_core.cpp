// bind_knot_core: knot records, readers, Fourier geometry, topology and grid fields.
//
// Registration order (observable through the module's attribute order):
//   classes:  FourierBlock, IdealABComponent, IdealABBlock, fourier_knot, GeometricDescriptors,
//             FourierResult, LoadedKnot, VortexKnotSystem
//   file and resource readers:
//     parse_fseries_multi, parse_fseries_from_string, index_of_largest_block,
//     parse_ideal_txt_multi, parse_ideal_txt_from_string, index_of_ideal_id,
//     parse_ideal_ab_by_id_from_string, format_ideal_ab_header,
//     get_embedded_ideal_files, load_embedded_ideal_text, parse_embedded_ideal_txt,
//     parse_embedded_ideal_ab_by_id, get_embedded_knot_files, load_embedded_knot_block
//   Fourier evaluation and geometry:
//     evaluate_fourier_block, evaluate_with_derivatives, curvature_exact, length_exact,
//     bending_energy_exact, mode_energies, min_self_distance_sampled,
//     min_self_distance_exactish, describe_fourier_block, evaluate_ideal_component,
//     evaluate_ideal_ab_components, fourier_knot_eval
//     evaluate_fourier_series
//   topology:
//     compute_writhe, compute_linking_number, compute_twist, compute_centerline_helicity,
//     detect_reconnection_candidates, writhe_gauss_curve, estimate_crossing_number,
//     pd_from_curve
//   grid fields:
//     compute_biot_savart_velocity_grid, compute_vorticity_grid, extract_interior_field,
//     compute_helicity_invariants, compute_helicity_from_fourier_block
//   curvature:
//     compute_curvature
//   knot loading:
//     load_all_knots
// Each section is registered by one function below, called in this order.
#include "bindings/prelude.hpp"

#include "bindings/conversions.hpp"
#include "knot/fourier_knot.hpp"
#include "knot/fseries_reader.hpp"
#include "knot/ideal_ab.hpp"

namespace kvor::bindings {
namespace {

void register_classes(py::module_& m) {
    py::class_<FourierBlock> block(m, "FourierBlock");
    block.def(py::init<>());
    block.def_readwrite("header", &FourierBlock::header);
    def_copy_rw(block, "a_x", &FourierBlock::a_x);
    def_copy_rw(block, "b_x", &FourierBlock::b_x);
    def_copy_rw(block, "a_y", &FourierBlock::a_y);
    def_copy_rw(block, "b_y", &FourierBlock::b_y);
    def_copy_rw(block, "a_z", &FourierBlock::a_z);
    def_copy_rw(block, "b_z", &FourierBlock::b_z);

    py::class_<IdealABComponent> comp(m, "IdealABComponent");
    comp.def(py::init<>());
    comp.def_readwrite("component_index", &IdealABComponent::component_index);
    def_copy_rw(comp, "A0", &IdealABComponent::A0);
    def_copy_rw(comp, "B0", &IdealABComponent::B0);
    def_copy_rw(comp, "fourier", &IdealABComponent::fourier);

    py::class_<IdealABBlock> ab(m, "IdealABBlock");
    ab.def(py::init<>());
    ab.def_readwrite("id", &IdealABBlock::id);
    ab.def_readwrite("conway", &IdealABBlock::conway);
    ab.def_readwrite("L", &IdealABBlock::L);
    ab.def_readwrite("D", &IdealABBlock::D);
    ab.def_readwrite("n", &IdealABBlock::n);
    def_copy_rw(ab, "components", &IdealABBlock::components);
    def_copy_rw(ab, "fourier", &IdealABBlock::fourier);

    py::class_<FourierKnot> knot(m, "fourier_knot");
    knot.def(py::init<>());
    def_copy_rw(knot, "blocks", &FourierKnot::blocks);
    def_copy_rw(knot, "activeBlock", &FourierKnot::activeBlock);
    def_copy_rw(knot, "points", &FourierKnot::points);
}

// GeometricDescriptors
void register_geometric_descriptors(py::module_& /*m*/) {}

// FourierResult
void register_fourier_result(py::module_& /*m*/) {}

// LoadedKnot
void register_loaded_knot(py::module_& /*m*/) {}

// VortexKnotSystem
void register_vortex_knot_system(py::module_& /*m*/) {}

void register_readers(py::module_& m) {
    m.def("parse_fseries_multi", &parse_fseries_multi, "Parse a .fseries file into Fourier blocks.",
          py::arg("path"));
    m.def("parse_fseries_from_string", &parse_fseries_from_string,
          "Parse .fseries content string into Fourier blocks.", py::arg("content"));
    m.def("index_of_largest_block", &index_of_largest_block, "Return index of block with most harmonics.",
          py::arg("blocks"));

    m.def("parse_ideal_txt_multi", &parse_ideal_txt_multi,
          "Parse an ideal.txt-style file into IdealABBlock entries.", py::arg("path"));
    m.def("parse_ideal_txt_from_string", &parse_ideal_txt_from_string,
          "Parse ideal.txt-style content string into IdealABBlock entries.", py::arg("content"));
    m.def("index_of_ideal_id", &index_of_ideal_id,
          "Return index of IdealABBlock with given id, or -1 if not found.", py::arg("blocks"), py::arg("id"));
    m.def("parse_ideal_ab_by_id_from_string", &parse_ideal_ab_by_id_from_string,
          "Parse a single AB block by Id from ideal.txt-style content string.", py::arg("content"),
          py::arg("ab_id"));
    m.def("format_ideal_ab_header", &format_ideal_ab_header,
          "Format AB metadata as: AB Id=\"...\" Conway=\"...\" L=\"...\" D=\"...\" n=\"...\"", py::arg("ab"));
}

void register_embedded_resources(py::module_& /*m*/) {}

void register_fourier_geometry(py::module_& /*m*/) {}

// evaluate_fourier_series
void register_fourier_series(py::module_& /*m*/) {}

void register_topology(py::module_& /*m*/) {}

void register_grid_fields(py::module_& /*m*/) {}

void register_curvature(py::module_& /*m*/) {}

void register_knot_loading(py::module_& /*m*/) {}

}  // namespace

void bind_knot_core(py::module_& m) {
    register_classes(m);
    register_geometric_descriptors(m);
    register_fourier_result(m);
    register_loaded_knot(m);
    register_vortex_knot_system(m);

    register_readers(m);
    register_embedded_resources(m);

    register_fourier_geometry(m);
    register_fourier_series(m);

    register_topology(m);

    register_grid_fields(m);

    register_curvature(m);

    register_knot_loading(m);
}

}  // namespace kvor::bindings
