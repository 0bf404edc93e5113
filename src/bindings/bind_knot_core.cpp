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
#include "knot/discrete_curvature.hpp"
#include "knot/embedded_resources.hpp"
#include "knot/fourier_eval.hpp"
#include "knot/fourier_geometry.hpp"
#include "knot/fourier_knot.hpp"
#include "knot/fseries_reader.hpp"
#include "knot/ideal_ab.hpp"
#include "knot/knot_loading.hpp"
#include "topology/crossing_estimate.hpp"
#include "topology/pd_code.hpp"
#include "topology/writhe.hpp"
#include "dynamics/biot_savart.hpp"
#include "dynamics/grid_helicity.hpp"
#include "dynamics/vortex_knot_system.hpp"

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
    knot.def("loadBlocks", &FourierKnot::loadBlocks);
    knot.def("selectMaxHarmonics", &FourierKnot::selectMaxHarmonics);
    knot.def("reconstruct", &FourierKnot::reconstruct);
}

// GeometricDescriptors
void register_geometric_descriptors(py::module_& m) {
    py::class_<GeometricDescriptors> gd(m, "GeometricDescriptors");
    gd.def_readonly("L", &GeometricDescriptors::L);
    gd.def_readonly("bending_energy", &GeometricDescriptors::bending_energy);
    gd.def_readonly("min_self_distance", &GeometricDescriptors::min_self_distance);
    gd.def_readonly("writhe", &GeometricDescriptors::writhe);
    def_copy_ro(gd, "mode_energy", &GeometricDescriptors::mode_energy);
}

// FourierResult
void register_fourier_result(py::module_& m) {
    using KnotDynamics::FourierResult;
    py::class_<FourierResult> cls(m, "FourierResult");
    def_copy_ro(cls, "positions", &FourierResult::positions);
    def_copy_ro(cls, "tangents", &FourierResult::tangents);
}

// LoadedKnot
void register_loaded_knot(py::module_& m) {
    py::class_<LoadedKnot> lk(m, "LoadedKnot");
    lk.def_readonly("name", &LoadedKnot::name);
    def_copy_ro(lk, "points", &LoadedKnot::points);
    def_copy_ro(lk, "curvature", &LoadedKnot::curvature);
    lk.def("get_points_array", [](const LoadedKnot& k) { return points_to_array(k.points); },
           "Get points as NumPy array (N,3)");
    lk.def("get_curvature_array", [](const LoadedKnot& k) { return doubles_to_array(k.curvature); },
           "Get curvature as NumPy array (N,)");
}

// VortexKnotSystem
void register_vortex_knot_system(py::module_& m) {
    py::class_<VortexKnotSystem> cls(m, "VortexKnotSystem");
    cls.def(py::init<double>(), "Initialize a VortexKnotSystem with optional circulation parameter.",
            py::arg("circulation") = 1.0);
    cls.def("initialize_trefoil_knot", &VortexKnotSystem::initialize_trefoil_knot,
            "Initialize a trefoil knot with given resolution.", py::arg("resolution") = 400);
    cls.def("initialize_figure8_knot", &VortexKnotSystem::initialize_figure8_knot,
            "Initialize a figure-eight knot with given resolution.", py::arg("resolution") = 400);
    cls.def("initialize_knot_from_name", &VortexKnotSystem::initialize_knot_from_name,
            "Initialize any knot from bundled .fseries file by identifier.", py::arg("knot_id"),
            py::arg("resolution") = 1000);
    cls.def("evolve", &VortexKnotSystem::evolve, "Evolve vortex knot using Biot–Savart dynamics.", py::arg("dt"),
            py::arg("steps"));
    cls.def("get_positions", &VortexKnotSystem::get_positions, "Get current 3D positions of the knot.");
    cls.def("get_tangents", &VortexKnotSystem::get_tangents, "Get current tangent vectors of the knot.");
}

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

void register_embedded_resources(py::module_& m) {
    m.def("get_embedded_ideal_files", &get_embedded_ideal_files,
          "Return embedded ideal*.txt resources as {relative_name: content}.");
    m.def("load_embedded_ideal_text", &load_embedded_ideal_text,
          "Load embedded ideal text resource from library (basename fallback supported).",
          py::arg("name") = "ideal.txt");
    m.def("parse_embedded_ideal_txt", &parse_embedded_ideal_txt, "Parse embedded ideal*.txt resource into AB blocks.",
          py::arg("name") = "ideal.txt");
    m.def("parse_embedded_ideal_ab_by_id", &parse_embedded_ideal_ab_by_id,
          "Parse a single AB block by Id from an embedded ideal*.txt resource.", py::arg("ab_id"),
          py::arg("name") = "ideal.txt");
    m.def("get_embedded_knot_files", &get_embedded_knot_files,
          "Return embedded .fseries resources as {knot_id: file_content}.");
    m.def("load_embedded_knot_block", &load_embedded_knot_block,
          "Load embedded knot by id and return its largest Fourier block.", py::arg("knot_id"));
}

constexpr const char* kMsgS1D = "s must be 1D";

void check_pair(const DArray& a, const DArray& b, const char* pair) {
    if (a.ndim() != 1 || b.ndim() != 1 || a.shape(0) != b.shape(0))
        throw std::invalid_argument(std::string("fourier_knot_eval: ") + pair + " must be 1D and same length");
}

py::tuple fourier_knot_eval(const DArray& a_x, const DArray& b_x, const DArray& a_y, const DArray& b_y,
                            const DArray& a_z, const DArray& b_z, const DArray& s) {
    check_pair(a_x, b_x, "a_x/b_x");
    check_pair(a_y, b_y, "a_y/b_y");
    check_pair(a_z, b_z, "a_z/b_z");
    if (s.ndim() != 1) throw std::invalid_argument("fourier_knot_eval: s must be 1D");
    if (a_y.shape(0) != a_x.shape(0) || a_z.shape(0) != a_x.shape(0))
        throw std::invalid_argument("fourier_knot_eval: all coefficient arrays must have the same length");
    FourierBlock block;
    block.a_x = array_to_doubles(a_x);
    block.b_x = array_to_doubles(b_x);
    block.a_y = array_to_doubles(a_y);
    block.b_y = array_to_doubles(b_y);
    block.a_z = array_to_doubles(a_z);
    block.b_z = array_to_doubles(b_z);
    const std::vector<Vec3> pts = evaluate_fourier_block(block, array_to_doubles(s));
    const auto n = static_cast<py::ssize_t>(pts.size());
    py::array_t<double> x(n), y(n), z(n);
    double* px = x.mutable_data();
    double* py_ = y.mutable_data();
    double* pz = z.mutable_data();
    for (std::size_t i = 0; i < pts.size(); ++i) {
        px[i] = pts[i][0];
        py_[i] = pts[i][1];
        pz[i] = pts[i][2];
    }
    return py::make_tuple(x, y, z);
}

void register_fourier_geometry(py::module_& m) {
    m.def("evaluate_fourier_block", &evaluate_fourier_block, "Evaluate r(s) for the given Fourier block.",
          py::arg("block"), py::arg("s"));
    m.def(
        "evaluate_with_derivatives",
        [](const FourierBlock& block, double s) {
            const auto d = evaluate_with_derivatives(block, s);
            return std::make_tuple(d[0], d[1], d[2], d[3]);
        },
        "Evaluate Fourier block and its first three derivatives at parameter s.", py::arg("block"), py::arg("s"));
    m.def("curvature_exact", &curvature_exact, "Compute exact curvature from Fourier coefficients at sample parameters.",
          py::arg("block"), py::arg("s"), py::arg("eps") = 1e-12);
    m.def("length_exact", &length_exact, "Compute exact length of Fourier curve by sampling.", py::arg("block"),
          py::arg("nsamples") = 4096);
    m.def("bending_energy_exact", &bending_energy_exact, "Compute bending energy integral of Fourier curve.",
          py::arg("block"), py::arg("nsamples") = 4096, py::arg("eps") = 1e-12);
    m.def("mode_energies", &mode_energies, "Compute per-mode energy from Fourier coefficients.", py::arg("block"));
    m.def("min_self_distance_sampled", &min_self_distance_sampled,
          "Compute minimum self-distance of a closed polygonal curve.", py::arg("points"),
          py::arg("exclude_window") = 4);
    m.def("min_self_distance_exactish", &min_self_distance_exactish,
          "Estimate minimum self-distance of Fourier curve via sampling.", py::arg("block"),
          py::arg("nsamples") = 2048, py::arg("exclude_window") = 4);
    m.def("describe_fourier_block", &describe_fourier_block,
          "Compute geometric descriptors (length, bending energy, self-distance, writhe, mode energies) for a "
          "Fourier block.",
          py::arg("block"), py::arg("nsamples") = 2048, py::arg("exclude_window") = 4);
    m.def(
        "evaluate_ideal_component",
        [](const IdealABComponent& component, const DArray& s) {
            return points_to_array(evaluate_ideal_component(component, array_to_doubles(s, kMsgS1D)));
        },
        "Evaluate a single ideal AB component (includes I=0 offset).", py::arg("component"), py::arg("s"));
    m.def(
        "evaluate_ideal_ab_components",
        [](const IdealABBlock& ab, const DArray& s) {
            py::list out;
            for (const auto& pts : evaluate_ideal_ab_components(ab, array_to_doubles(s, kMsgS1D)))
                out.append(points_to_array(pts));
            return out;
        },
        "Evaluate all components of an ideal AB block.", py::arg("ab"), py::arg("s"));
    m.def("fourier_knot_eval", &fourier_knot_eval, "NumPy-friendly Fourier evaluation returning (x,y,z)",
          py::arg("a_x"), py::arg("b_x"), py::arg("a_y"), py::arg("b_y"), py::arg("a_z"), py::arg("b_z"),
          py::arg("s"));
}

// evaluate_fourier_series
void register_fourier_series(py::module_& m) {
    m.def("evaluate_fourier_series", &KnotDynamics::evaluate_fourier_series,
          "Evaluate a Fourier series for positions and tangents");
}

std::vector<Vec3> pd_points(const py::object& P3) {
    if (py::isinstance<py::array>(P3)) return array_to_points(py::cast<DArray>(P3), kShapeMsgPdCurve);
    return cast_or_throw<std::vector<Vec3>>(P3);
}

void register_topology(py::module_& m) {
    m.def("compute_writhe", &compute_writhe,
          "\n        Compute the writhe of a closed filament (topological self-linking).\n    ");
    m.def("compute_linking_number", &compute_linking_number,
          "\n        Compute the Gauss linking number between two closed loops.\n    ");
    m.def("compute_twist", &compute_twist, "\n        Compute twist from Frenet frames along a filament.\n    ");
    m.def("compute_centerline_helicity", &compute_centerline_helicity,
          "\n        Compute the centerline helicity as the sum of writhe and twist.\n    ");
    m.def("detect_reconnection_candidates", &detect_reconnection_candidates,
          "\n        Detect pairs of points on the filament that approach closely enough to be candidates for "
          "reconnection.\n    ");
    m.def("writhe_gauss_curve", &writhe_gauss_curve, "Compute writhe via Gauss integral");
    m.def("estimate_crossing_number", &estimate_crossing_number, "Estimate crossing number from projections",
          py::arg("r"), py::arg("directions") = 24, py::arg("seed") = 12345);
    m.def(
        "pd_from_curve",
        [](const py::object& P3, int tries, int seed, double min_angle_deg, double depth_tol) {
            return pd_from_curve(pd_points(P3), tries, seed, min_angle_deg, depth_tol);
        },
        "\nCompute a PD code from a closed 3D polygonal curve.\n", py::arg("P3"), py::arg("tries") = 40,
        py::arg("seed") = 12345, py::arg("min_angle_deg") = 1.0, py::arg("depth_tol") = 1e-6);
}

void register_grid_fields(py::module_& m) {
    m.def(
        "compute_biot_savart_velocity_grid",
        [](const py::object& curve, const py::object& grid_points) {
            const std::vector<Vec3> c = pd_points(curve);
            const std::vector<Vec3> g = pd_points(grid_points);
            return points_to_array(BiotSavart::compute_velocity(c, g, 1.0));
        },
        "Compute Biot-Savart velocity field from a closed curve at grid points.", py::arg("curve"),
        py::arg("grid_points"));
    m.def(
        "compute_vorticity_grid",
        [](const DArray& velocity, const std::array<int, 3>& shape, double spacing) {
            return points_to_array(
                BiotSavart::compute_vorticity(array_to_points(velocity, kShapeMsgPdCurve), shape, spacing));
        },
        "Compute vorticity from velocity field on a regular grid.", py::arg("velocity"), py::arg("shape"),
        py::arg("spacing"));
    m.def(
        "extract_interior_field",
        [](const DArray& field, const std::array<int, 3>& shape, int margin) {
            return points_to_array(BiotSavart::extract_interior(array_to_points(field, kShapeMsgPdCurve), shape, margin));
        },
        "Extract cubic interior field subset.", py::arg("field"), py::arg("shape"), py::arg("margin"));
    m.def(
        "compute_helicity_invariants",
        [](const DArray& v_sub, const DArray& w_sub, const DArray& r_sq) {
            const std::vector<Vec3> v = array_to_points(v_sub, kShapeMsgPdCurve);
            const std::vector<Vec3> w = array_to_points(w_sub, kShapeMsgPdCurve);
            if (r_sq.ndim() != 1 || static_cast<std::size_t>(r_sq.shape(0)) != v.size())
                throw std::invalid_argument("r_sq must be 1D with same length as v_sub/w_sub");
            const HelicityInvariants h = BiotSavart::compute_invariants(v, w, array_to_doubles(r_sq, "r_sq must be 1D with same length as v_sub/w_sub"));
            return py::make_tuple(h.H_charge, h.H_mass, h.a_mu);
        },
        "Compute helicity invariants (H_charge, H_mass, a_mu).", py::arg("v_sub"), py::arg("w_sub"),
        py::arg("r_sq"));
    m.def(
        "compute_helicity_from_fourier_block",
        [](const FourierBlock& block, int grid_size, double spacing, int interior_margin, int nsamples) {
            const HelicityInvariants h =
                compute_helicity_from_fourier_block(block, grid_size, spacing, interior_margin, nsamples);
            return py::make_tuple(h.H_charge, h.H_mass, h.a_mu);
        },
        "Compute helicity invariants from a Fourier block.", py::arg("block"), py::arg("grid_size") = 32,
        py::arg("spacing") = 0.1, py::arg("interior_margin") = 8, py::arg("nsamples") = 1000);
}

void register_curvature(py::module_& m) {
    m.def(
        "compute_curvature",
        [](const DArray& points, double eps) {
            return doubles_to_array(compute_curvature(array_to_points(points, kShapeMsgPdCurve), eps));
        },
        "Compute discrete curvature from points.", py::arg("points"), py::arg("eps") = 1e-8);
}

void register_knot_loading(py::module_& m) {
    m.def("load_all_knots", &load_all_knots, "Load all knots from a list of .fseries file paths.",
          py::arg("paths"), py::arg("nsamples") = 1000);
}

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
