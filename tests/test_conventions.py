"""Conventions shared by every binding: sequence and array conversions, shape checks and the
translation of core exceptions."""
import numpy as np
import pytest

SQUARE = [[1.0, 0.0, 0.0], [0.0, 1.0, 0.0], [-1.0, 0.0, 0.0], [0.0, -1.0, 0.0]]


def test_vec3_accepts_any_three_number_sequence(kb):
    as_lists = kb.compute_writhe(SQUARE)
    assert kb.compute_writhe([tuple(p) for p in SQUARE]) == as_lists
    assert kb.compute_writhe([[1, 0, 0], [0, 1, 0], [-1, 0, 0], [0, -1, 0]]) == as_lists


@pytest.mark.parametrize("bad_point", [[1.0, 2.0], [1.0, 2.0, 3.0, 4.0], "abc"])
def test_vec3_of_wrong_length_is_a_type_mismatch(kb, bad_point):
    with pytest.raises(TypeError):
        kb.compute_writhe(SQUARE + [bad_point])


def test_integer_and_strided_arrays_are_converted(kb):
    ints = np.array(SQUARE, dtype=np.int64)
    expected = kb.compute_curvature(np.array(SQUARE))
    assert np.array_equal(kb.compute_curvature(ints), expected)
    wide = np.zeros((4, 6))
    wide[:, ::2] = SQUARE
    assert np.array_equal(kb.compute_curvature(wide[:, ::2]), expected)
    assert np.array_equal(kb.compute_curvature(SQUARE), expected)  # plain lists too


def test_transposed_view_fails_the_shape_check(kb):
    with pytest.raises(ValueError) as info:
        kb.compute_curvature(np.array(SQUARE).T)
    assert str(info.value) == "pd_from_curve: expected array with shape (N,3)"


def test_empty_point_array_converts_to_empty_list(kb):
    out = kb.compute_curvature(np.zeros((0, 3)))
    assert out.shape == (0,) and out.dtype == np.float64


def test_one_dimensional_array_where_two_are_read(kb):
    with pytest.raises(ValueError) as info:
        kb.calculate_length(np.zeros(3))
    assert str(info.value) == "array has incorrect number of dimensions: 1; expected 2"


def test_named_point_array_check(kb):
    with pytest.raises(RuntimeError) as info:
        kb.calculate_length(np.zeros((4, 2)))
    assert str(info.value) == "calculate_length: points must have shape (N, 3)"


def test_array_results_are_new_arrays(kb):
    pts = np.array(SQUARE)
    a = kb.compute_curvature(pts)
    b = kb.compute_curvature(pts)
    assert a.flags.c_contiguous and a.flags.owndata and not np.shares_memory(a, b)


@pytest.mark.parametrize(
    "call,exc,msg",
    [
        (lambda kb: kb.parse_ideal_txt_from_string('<AB Id="a" L="x">\n</AB>'), ValueError, "invalid stod argument"),
        (lambda kb: kb.parse_ideal_txt_from_string('<AB Id="a" L="1e400">\n</AB>'), IndexError, "stod argument out of range"),
        (lambda kb: kb.calculate_length(np.zeros(3)), ValueError, "array has incorrect number of dimensions: 1; expected 2"),
        (lambda kb: kb.load_embedded_knot_block("no such knot"), RuntimeError, "Embedded knot id not found: no such knot"),
    ],
    ids=["invalid_argument", "out_of_range", "domain_error", "runtime_error"],
)
def test_exception_translation(kb, call, exc, msg):
    with pytest.raises(exc) as info:
        call(kb)
    assert type(info.value) is exc and str(info.value) == msg
