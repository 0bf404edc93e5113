"""Knot objects, .fseries loading into sampled knots, and the search for knot files on disk."""
import os
import subprocess

import numpy as np
import pytest

from helpers import CIRCLE_FSERIES, TWO_PI, build_cpp_driver, fourier_block


def fseries_rows(rows, comment="% block"):
    return comment + "\n" + "".join(" ".join(f"{v:.17g}" for v in r) + "\n" for r in rows)


def random_rows(rng, n):
    return [list(rng.normal(size=6) / (j + 1)) for j in range(n)]


# ---------------------------------------------------------------- fourier_knot


def test_fourier_knot_errors_before_loading(kb):
    k = kb.fourier_knot()
    assert k.blocks == [] and k.points == [] and k.activeBlock.a_x == []
    with pytest.raises(RuntimeError, match=r"^No Fourier blocks loaded$"):
        k.selectMaxHarmonics()
    with pytest.raises(RuntimeError, match=r"^No active Fourier block selected$"):
        k.reconstruct(10)


def test_fourier_knot_load_select_reconstruct(kb, write_text):
    rng = np.random.default_rng(3)
    rows5, rows7 = random_rows(rng, 5), random_rows(rng, 7)
    path = write_text("two.fseries", fseries_rows(rows5, "% five") + "\n" + fseries_rows(rows7, "% seven"))
    k = kb.fourier_knot()
    k.loadBlocks(path)
    assert [len(b.a_x) for b in k.blocks] == [5, 7]
    assert k.activeBlock.a_x == [] and k.points == []  # untouched by loading
    k.selectMaxHarmonics()
    assert len(k.activeBlock.a_x) == 7
    assert k.activeBlock.header == ""
    assert k.activeBlock.b_z == [r[5] for r in rows7]
    k.reconstruct(12)
    s = np.arange(12) * (TWO_PI / 12)
    expect = kb.evaluate_fourier_block(k.activeBlock, list(s))
    assert k.points == expect


def test_fourier_knot_select_first_on_tie(kb, write_text):
    rng = np.random.default_rng(4)
    a, b = random_rows(rng, 3), random_rows(rng, 3)
    k = kb.fourier_knot()
    k.loadBlocks(write_text("tie.fseries", fseries_rows(a) + fseries_rows(b)))
    k.selectMaxHarmonics()
    assert k.activeBlock.a_x == [r[0] for r in a]


def test_fourier_knot_reconstruct_unit_circle(kb, unit_circle):
    k = kb.fourier_knot()
    k.activeBlock = unit_circle  # assigning the block makes reconstruct usable directly
    k.reconstruct(4)
    np.testing.assert_allclose(k.points, [[1, 0, 0], [0, 1, 0], [-1, 0, 0], [0, -1, 0]], atol=1e-15)
    k.reconstruct(0)
    assert k.points == []


def test_fourier_knot_load_missing_file_clears_blocks(kb, write_text, tmp_path):
    k = kb.fourier_knot()
    k.loadBlocks(write_text("c.fseries", CIRCLE_FSERIES))
    assert len(k.blocks) == 1
    missing = str(tmp_path / "nope.fseries")
    with pytest.raises(RuntimeError, match=r"^Cannot open file: " + missing + "$"):
        k.loadBlocks(missing)
    assert k.blocks == []


def test_fourier_knot_methods_are_positional_only(kb, write_text):
    k = kb.fourier_knot()
    with pytest.raises(TypeError):
        k.loadBlocks(path=write_text("c.fseries", CIRCLE_FSERIES))
    k.activeBlock = fourier_block(kb, [1], [0], [0], [1], [0], [0])
    with pytest.raises(TypeError):
        k.reconstruct(N=4)


def test_fourier_knot_attributes_are_copies(kb, unit_circle):
    k = kb.fourier_knot()
    k.blocks = [unit_circle]
    k.blocks[0].a_x = [5.0]
    k.blocks.append(unit_circle)
    assert len(k.blocks) == 1 and k.blocks[0].a_x == [1.0]
    k.activeBlock = unit_circle
    k.activeBlock.a_x = [7.0]
    assert k.activeBlock.a_x == [1.0]
    unit_circle.a_x = [9.0]  # the object keeps its own copy
    assert k.activeBlock.a_x == [1.0]
    k.points = [[1, 2, 3]]
    k.points.append([4, 5, 6])
    assert k.points == [[1.0, 2.0, 3.0]]


# ---------------------------------------------------------------- load_all_knots


@pytest.mark.parametrize(
    "relpath, name",
    [
        ("knot.3_1.fseries", ".3_1"),
        ("Knot_4_1.fseries", "_4_1"),
        ("sub/dir/KNOT.5_2.fseries", ".5_2"),
        ("win\\knot.6_1.fseries", ".6_1"),  # a backslash also separates directories
        ("my_knotknot.x.fseries", "my_knot.x"),  # only the first occurrence goes
        ("knot.fseries", ""),
        ("abc.fseries", "abc"),
        ("kno.fseries", "kno"),
        ("trefoil", "trefoil"),  # no extension
        ("a.b.c", "a.b"),
    ],
)
def test_load_all_knots_names(kb, write_text, relpath, name):
    path = write_text(relpath, CIRCLE_FSERIES)
    (k,) = kb.load_all_knots([path], 16)
    assert k.name == name


def test_load_all_knots_skips_missing_and_empty(kb, write_text, tmp_path):
    good = write_text("knot.3_1.fseries", CIRCLE_FSERIES)
    empty = write_text("knot.0.fseries", "% only a comment\n")
    res = kb.load_all_knots([str(tmp_path / "missing.fseries"), good, empty, str(tmp_path)], 50)
    assert [k.name for k in res] == [".3_1"]
    assert kb.load_all_knots([]) == []


def test_loaded_knot_sampling_centring_and_curvature(kb, write_text):
    rng = np.random.default_rng(11)
    rows3, rows6 = random_rows(rng, 3), random_rows(rng, 6)
    offset = [[3.0, 0, -2.0, 0, 1.0, 0]]  # a large first harmonic: the repeated end point biases the mean
    path = write_text("knot.t.fseries", fseries_rows(rows3) + fseries_rows(offset + rows6[1:]))
    (k,) = kb.load_all_knots([path])
    pts = k.get_points_array()
    assert pts.shape == (1000, 3) and pts.dtype == np.float64
    assert k.points == pts.tolist()
    # the block with the most harmonics, sampled on [0, 2pi] with the end point repeated
    A = np.array(offset + rows6[1:])
    s = np.arange(1000) * TWO_PI / 999
    j = np.arange(1, 7)
    cs, sn = np.cos(np.outer(s, j)), np.sin(np.outer(s, j))
    raw = np.stack([cs @ A[:, 0] + sn @ A[:, 1], cs @ A[:, 2] + sn @ A[:, 3], cs @ A[:, 4] + sn @ A[:, 5]], 1)
    np.testing.assert_allclose(pts, raw - raw.mean(axis=0), rtol=0, atol=1e-12)
    np.testing.assert_allclose(pts[0], pts[-1], rtol=0, atol=1e-12)
    np.testing.assert_allclose(pts.mean(axis=0), 0.0, atol=1e-13)
    curv = k.get_curvature_array()
    assert curv.shape == (1000,)
    assert list(curv) == k.curvature
    np.testing.assert_array_equal(curv, kb.compute_curvature(pts, 1e-8))


def test_loaded_knot_is_read_only_and_not_constructible(kb, write_text):
    (k,) = kb.load_all_knots([write_text("knot.c.fseries", CIRCLE_FSERIES)], 8)
    for attr in ("name", "points", "curvature"):
        with pytest.raises(AttributeError):
            setattr(k, attr, getattr(k, attr))
    k.points.append([1.0, 1.0, 1.0])
    assert len(k.points) == 8
    with pytest.raises(TypeError):
        kb.LoadedKnot()
    assert kb.LoadedKnot.get_points_array.__doc__.endswith("Get points as NumPy array (N,3)\n")
    assert kb.LoadedKnot.get_curvature_array.__doc__.endswith("Get curvature as NumPy array (N,)\n")


@pytest.mark.parametrize("nsamples", [1, 0, -5])
def test_load_all_knots_rejects_too_few_samples(kb, write_text, nsamples):
    path = write_text("knot.c.fseries", CIRCLE_FSERIES)
    with pytest.raises(ValueError, match=r"^nsamples must be at least 2$"):
        kb.load_all_knots([path], nsamples)


def test_load_all_knots_two_samples(kb, write_text):
    (k,) = kb.load_all_knots([write_text("knot.c.fseries", CIRCLE_FSERIES)], 2)
    # s = 0 and 2pi: the same point twice, centred to the origin
    np.testing.assert_allclose(k.points, [[0, 0, 0], [0, 0, 0]], atol=1e-15)
    assert k.curvature == [0.0, 0.0]


# ---------------------------------------------------------------- knot-file search

DIRS = [
    "src/knot_fseries",
    "src/Knots_FourierSeries",
    "../src/knot_fseries",
    "../src/Knots_FourierSeries",
    "../../src/knot_fseries",
    "../../src/Knots_FourierSeries",
    "knot_fseries",
    "../knot_fseries",
    "share/kvor_core/knot_fseries",
    "../../share/kvor_core/knot_fseries",
]
NAME = "knot.8_5.fseries"


@pytest.fixture(scope="session")
def search_driver(tmp_path_factory):
    """The knot-file search compiled into a small driver program (the search has no Python name)."""
    exe = build_cpp_driver(tmp_path_factory.mktemp("driver"), "knot_file_search.cpp", "knot/knot_files.cpp")
    if exe is None:
        pytest.skip("no C++ compiler to build the search driver")
    return exe


@pytest.fixture
def search(search_driver, tmp_path, monkeypatch):
    """Runs the search in tmp_path/x/y/cwd (so that ../.. stays inside tmp_path)."""
    cwd = tmp_path / "x" / "y" / "cwd"
    cwd.mkdir(parents=True)
    monkeypatch.chdir(cwd)
    monkeypatch.delenv("KVOR_KNOT_DATA_DIR", raising=False)
    monkeypatch.delenv("KVOR_RESOURCE_DIR", raising=False)

    def run(mode, knot_id, base=""):
        out = subprocess.run([str(search_driver), mode, knot_id, base], capture_output=True, text=True,
                             check=True)
        lines = out.stdout.split("\n")
        assert lines[-1] == ""
        return lines[:-1] if mode == "candidates" else lines[0]

    run.cwd = cwd
    return run


def place(path):
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text(CIRCLE_FSERIES)
    return path


def test_search_candidates_in_order(search, monkeypatch):
    monkeypatch.setenv("KVOR_KNOT_DATA_DIR", "/data")
    monkeypatch.setenv("KVOR_RESOURCE_DIR", "/res")
    assert search("candidates", "8_5", "/base") == [
        "/base/" + NAME,
        "/base/knot_fseries/" + NAME,
        "/data/" + NAME,
        "/res/resources/knot_fseries/" + NAME,
        "/res/knot_fseries/" + NAME,
    ] + [d + "/" + NAME for d in DIRS]
    monkeypatch.delenv("KVOR_KNOT_DATA_DIR")
    monkeypatch.delenv("KVOR_RESOURCE_DIR")
    assert search("candidates", "8_5", "") == [d + "/" + NAME for d in DIRS]


def test_search_set_but_empty_variables_take_part(search, monkeypatch):
    monkeypatch.setenv("KVOR_KNOT_DATA_DIR", "")
    monkeypatch.setenv("KVOR_RESOURCE_DIR", "")
    cands = search("candidates", "8_5", "")
    assert cands[:3] == ["/" + NAME, "/resources/knot_fseries/" + NAME, "/knot_fseries/" + NAME]
    assert len(cands) == 13


def test_search_returns_first_existing_in_order(search, tmp_path, monkeypatch):
    cwd = search.cwd
    base, data, res = tmp_path / "base", tmp_path / "data", tmp_path / "res"
    monkeypatch.setenv("KVOR_KNOT_DATA_DIR", str(data))
    monkeypatch.setenv("KVOR_RESOURCE_DIR", str(res))
    ordered = [
        (str(base / NAME), base / NAME),
        (str(base) + "/knot_fseries/" + NAME, base / "knot_fseries" / NAME),
        (str(data) + "/" + NAME, data / NAME),
        (str(res) + "/resources/knot_fseries/" + NAME, res / "resources/knot_fseries" / NAME),
        (str(res) + "/knot_fseries/" + NAME, res / "knot_fseries" / NAME),
    ] + [(d + "/" + NAME, cwd / d / NAME) for d in DIRS]
    for _, path in ordered:
        place(path)
    # Remove the winner each time: the next candidate in the order must win.
    for expected, path in ordered:
        assert search("find", "8_5", str(base)) == expected
        path.unlink()
    assert search("find", "8_5", str(base)) == ""


def test_search_knot_data_dir_wins_over_src(search, tmp_path, monkeypatch):
    data = tmp_path / "D"
    place(data / NAME)
    place(search.cwd / "src/knot_fseries" / NAME)
    monkeypatch.setenv("KVOR_KNOT_DATA_DIR", str(data))
    assert search("find", "8_5") == str(data) + "/" + NAME


def test_search_resource_dir_second_form_and_parent_dir(search, tmp_path, monkeypatch):
    res = tmp_path / "R"
    place(res / "knot_fseries" / NAME)
    monkeypatch.setenv("KVOR_RESOURCE_DIR", str(res))
    assert search("find", "8_5") == str(res) + "/knot_fseries/" + NAME
    monkeypatch.delenv("KVOR_RESOURCE_DIR")
    place(search.cwd / "../knot_fseries" / NAME)
    assert search("find", "8_5") == "../knot_fseries/" + NAME


def test_search_not_found_and_identifier_unchanged(search):
    place(search.cwd / "knot_fseries" / NAME)
    assert search("find", "9_9") == ""
    assert search("find", "8_5 ") == ""  # no trimming
    assert search("find", "8_5") == "knot_fseries/" + NAME


def test_search_ignores_directories_and_unreadable_files(search, tmp_path, monkeypatch):
    (search.cwd / "src/knot_fseries" / NAME).mkdir(parents=True)  # a directory of that name
    assert search("find", "8_5") == ""
    place(search.cwd / "knot_fseries" / NAME)
    assert search("find", "8_5") == "knot_fseries/" + NAME
    if os.geteuid() != 0:  # root reads everything
        locked = place(tmp_path / "L" / NAME)
        locked.chmod(0)
        monkeypatch.setenv("KVOR_KNOT_DATA_DIR", str(tmp_path / "L"))
        assert search("find", "8_5") == "knot_fseries/" + NAME
