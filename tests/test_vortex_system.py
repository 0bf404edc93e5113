"""VortexKnotSystem, TimeEvolution and the Fourier-series evaluator."""
import math

import numpy as np
import pytest

from helpers import docstring

BS = "Biot\u2013Savart"


def point_velocities_ref(P, T, gamma):
    """The point kernel at every sample, each sample skipping itself (|R| <= 1e-6)."""
    R = P[:, None, :] - P[None, :, :]
    d = np.sqrt(np.sum(R * R, axis=2))
    with np.errstate(divide="ignore", invalid="ignore"):
        f = np.where(d > 1e-6, gamma / (d * d * d), 0.0)
    c = np.cross(np.broadcast_to(T[None], R.shape), R) * 0.07957747154594767
    return np.sum(c * f[..., None], axis=1)


def central(P):
    return (np.roll(P, -1, 0) - np.roll(P, 1, 0)) * 0.5


def test_docstrings(kb):
    cls = kb.VortexKnotSystem
    assert docstring(cls.initialize_trefoil_knot) == "Initialize a trefoil knot with given resolution."
    assert docstring(cls.initialize_figure8_knot) == "Initialize a figure-eight knot with given resolution."
    assert docstring(cls.evolve) == f"Evolve vortex knot using {BS} dynamics."
    assert docstring(cls.get_positions) == "Get current 3D positions of the knot."
    assert docstring(cls.get_tangents) == "Get current tangent vectors of the knot."
    assert docstring(cls.initialize_knot_from_name) == "Initialize any knot from bundled .fseries file by identifier."
    assert "initialize_knot_from_name(self: _bindings.VortexKnotSystem, knot_id: str, resolution:" in (
        cls.initialize_knot_from_name.__doc__
    )
    assert "Initialize a VortexKnotSystem with optional circulation parameter." in cls.__init__.__doc__
    assert docstring(kb.evaluate_fourier_series) == "Evaluate a Fourier series for positions and tangents"


def test_trefoil(kb):
    s = kb.VortexKnotSystem()
    assert s.get_positions() == [] and s.get_tangents() == []
    s.initialize_trefoil_knot()
    P, T = np.array(s.get_positions()), np.array(s.get_tangents())
    assert P.shape == (400, 3) and T.shape == (400, 3)
    assert P[0].tolist() == [3.0, 0.0, 0.0]
    assert T[0].tolist() == ((P[1] - P[399]) * 0.5).tolist()
    assert T.tolist() == central(P).tolist()
    t = np.arange(400) * 6.283185307179586 / 400
    rho = np.cos(3 * t) + 2
    np.testing.assert_allclose(P, np.stack([rho * np.cos(2 * t), rho * np.sin(2 * t), np.sin(3 * t)], 1),
                               rtol=0, atol=1e-15)


def test_figure_eight_and_reinitialisation(kb):
    s = kb.VortexKnotSystem(2.0)
    s.initialize_trefoil_knot(50)
    s.initialize_figure8_knot(4)
    P = s.get_positions()
    assert len(P) == 4 and P[0] == [3.0, 0.0, 0.0]
    np.testing.assert_allclose(P[1], [0.0, -1.0, 0.0], atol=1e-15)
    s.initialize_figure8_knot(resolution=1)
    assert s.get_tangents() == [[0.0, 0.0, 0.0]]


def test_counts_are_unsigned(kb):
    s = kb.VortexKnotSystem()
    s.initialize_trefoil_knot(10)
    before = s.get_positions()
    for call in (lambda: s.initialize_trefoil_knot(-1), lambda: s.initialize_figure8_knot(-3),
                 lambda: s.evolve(0.1, -1)):
        with pytest.raises(TypeError):
            call()
    assert s.get_positions() == before


def test_evolve(kb):
    s = kb.VortexKnotSystem(1.5)
    s.evolve(0.1, 5)  # empty system: nothing happens
    assert s.get_positions() == []
    s.initialize_trefoil_knot(40)
    P0 = np.array(s.get_positions())
    s.evolve(0.01, 0)
    assert s.get_positions() == P0.tolist()
    P, T = P0.copy(), central(P0)
    for _ in range(3):
        P = 0.01 * point_velocities_ref(P, T, 1.5) + P
        T = central(P)
    s.evolve(0.01, 3)
    np.testing.assert_allclose(s.get_positions(), P, rtol=1e-13, atol=1e-14)
    np.testing.assert_allclose(s.get_tangents(), T, rtol=1e-12, atol=1e-14)
    # the step is the point kernel itself, sample by sample
    s2 = kb.VortexKnotSystem(1.5)
    s2.initialize_trefoil_knot(40)
    s2.evolve(0.02, 1)
    Q = s2.get_positions()
    Tq = central(P0).tolist()
    for j in (0, 17):
        v = kb.biot_savart_velocity(P0[j].tolist(), P0.tolist(), Tq, 1.5)
        assert Q[j] == [0.02 * vc + pc for vc, pc in zip(v, P0[j])]


def test_time_evolution(kb):
    P = [[0.0, 0.0, 0.0], [1.0, 0.2, 0.0], [2.0, 0.0, 0.3]]
    T = [[1.0, 0.0, 0.0]] * 3
    te = kb.TimeEvolution(P, T, 0.5)
    assert te.get_positions() == P and te.get_tangents() == T
    te.evolve(0.1, 1)
    ref = np.array(P) + 0.1 * point_velocities_ref(np.array(P), np.array(T), 0.5)
    np.testing.assert_allclose(te.get_positions(), ref, rtol=1e-14)
    tans = te.get_tangents()
    assert tans[0] == tans[1] == tans[2]
    assert math.isclose(np.linalg.norm(tans[1]), 1.0, rel_tol=1e-15)
    np.testing.assert_allclose(tans[1], (ref[2] - ref[0]) / np.linalg.norm(ref[2] - ref[0]), rtol=1e-15)
    te.evolve(0.1, 0)
    te.evolve(0.1, -4)
    np.testing.assert_allclose(te.get_positions(), ref, rtol=1e-14)


def test_time_evolution_short_filaments(kb):
    one = kb.TimeEvolution([[1.0, 2.0, 3.0]], [[0.5, 0.0, 0.0]])
    one.evolve(0.1, 3)  # a single sample moves nowhere; its tangent is left as it is
    assert one.get_positions() == [[1.0, 2.0, 3.0]] and one.get_tangents() == [[0.5, 0.0, 0.0]]
    two = kb.TimeEvolution([[0.0, 0.0, 0.0], [1.0, 0.0, 0.0]], [[0.0, 1.0, 0.0], [0.0, 0.0, 1.0]], gamma=1.0)
    two.evolve(0.1, 1)
    assert two.get_tangents() == [[0.0, 0.0, 0.0]] * 2
    short = kb.TimeEvolution([[0.0, 0.0, 0.0], [1.0, 0.0, 0.0]], [[0.0, 1.0, 0.0]])
    with pytest.raises(ValueError, match="tangent_vectors must have at least as many entries"):
        short.evolve(0.1, 1)


def test_evaluate_fourier_series(kb):
    r = kb.evaluate_fourier_series([[0, 0, 0, 0, 0, 0], [1, 0, 0, 1, 0, 0]], [0.0])
    assert r.positions == [[1.0, 0.0, 0.0]] and r.tangents == [[0.0, 1.0, 0.0]]
    with pytest.raises(TypeError):
        kb.FourierResult()
    with pytest.raises(AttributeError):
        r.positions = []
    rows = np.random.default_rng(9).normal(size=(4, 6))
    t = np.linspace(0, 6, 7)
    res = kb.evaluate_fourier_series(rows.tolist(), t.tolist())
    j = np.arange(4)[:, None]
    C, S = np.cos(j * t), np.sin(j * t)
    pos = np.stack([rows[:, 2 * c] @ C + rows[:, 2 * c + 1] @ S for c in range(3)], 1)
    tan = np.stack([(-j[:, 0] * rows[:, 2 * c]) @ S + (j[:, 0] * rows[:, 2 * c + 1]) @ C for c in range(3)], 1)
    np.testing.assert_allclose(res.positions, pos, rtol=1e-13, atol=1e-14)
    np.testing.assert_allclose(res.tangents, tan, rtol=1e-13, atol=1e-14)
    empty = kb.evaluate_fourier_series([], [0.5, 1.0])
    assert empty.positions == [[0.0] * 3] * 2 and empty.tangents == [[0.0] * 3] * 2
    with pytest.raises(TypeError):
        kb.evaluate_fourier_series([[1, 2, 3]], [0.0])


def test_knot_from_compiled_in_map(kb):
    if "3_1" not in kb.get_embedded_knot_files():
        pytest.skip("no knot texts compiled in")
    s = kb.VortexKnotSystem()
    s.initialize_knot_from_name("3_1", 200)
    P, T = np.array(s.get_positions()), np.array(s.get_tangents())
    assert P.shape == (200, 3) and T.shape == (200, 3)
    np.testing.assert_allclose(P[0], P[-1], rtol=0, atol=1e-12)  # s runs to 2 pi inclusive
    np.testing.assert_allclose(P.mean(axis=0), 0.0, atol=1e-12)
    assert T.tolist() == central(P).tolist()
    # the same sampling as the knot-file loader on the compiled-in block
    blocks = kb.parse_fseries_from_string(kb.get_embedded_knot_files()["3_1"])
    block = blocks[kb.index_of_largest_block(blocks)]
    ref = np.array(kb.evaluate_fourier_block(block, (np.arange(200) * 6.283185307179586 / 199).tolist()))
    np.testing.assert_allclose(P, ref - ref.mean(axis=0), rtol=0, atol=1e-14)
    s.initialize_knot_from_name("4_1")
    assert len(s.get_positions()) == 1000


def test_knot_from_disk_and_failures(kb, tmp_path, monkeypatch):
    from helpers import CIRCLE_FSERIES

    (tmp_path / "knot.zz_circle.fseries").write_text(CIRCLE_FSERIES)
    (tmp_path / "knot.zz_empty.fseries").write_text("% nothing here\n")
    monkeypatch.setenv("KVOR_KNOT_DATA_DIR", str(tmp_path))
    s = kb.VortexKnotSystem()
    s.initialize_knot_from_name("zz_circle", 9)
    P = np.array(s.get_positions())
    assert P.shape == (9, 3)
    t = np.arange(9) * 6.283185307179586 / 8
    ref = np.stack([np.cos(t), np.sin(t), 0 * t], 1)
    np.testing.assert_allclose(P, ref - ref.mean(axis=0), rtol=0, atol=1e-15)
    before = (s.get_positions(), s.get_tangents())
    with pytest.raises(RuntimeError) as err:
        s.initialize_knot_from_name("zz_nowhere_42")
    assert str(err.value) == (
        "Could not initialize knot zz_nowhere_42: Could not find .fseries file for knot: zz_nowhere_42"
    )
    with pytest.raises(RuntimeError, match="^Could not initialize knot zz_empty: Failed to load knot zz_empty from "):
        s.initialize_knot_from_name("zz_empty")
    for bad in (0, 1):
        with pytest.raises(ValueError, match="resolution must be at least 2"):
            s.initialize_knot_from_name("3_1", bad)
    with pytest.raises(TypeError):
        s.initialize_knot_from_name("3_1", -5)
    assert (s.get_positions(), s.get_tangents()) == before
