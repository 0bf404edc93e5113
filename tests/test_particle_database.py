"""ParticleEvaluator built from an identifier: where the database text comes from and the
plain-substring reader of one AB entry."""
import math
import os

import pytest

from helpers import ideal_text

NOT_FOUND = "[!] VARIzudu: ideal_database.txt niet gevonden."

# An entry whose Id has the requested one as a prefix comes first; the two-component entry
# has a constant term (I=0, whose B is never used), a dropped index 25 and a Coeff without I.
PREFIX_DECOY = (
    '<AB Id="2:2:11" Conway="x" L="1.0" D="1.0">\n'
    '  <Coeff I="1" A="5.0, 5.0, 5.0" B="5.0, 5.0, 5.0" />\n'
    "</AB>\n"
)
TWO_COMPONENTS = (
    '<AB Id="2:2:1" Conway="2" L="12.6" D="1.0" n="2">\n'
    '  <Component n="1">\n'
    '    <Coeff I="0" A="0.5, 0.0, 0.0" B="9.0, 9.0, 9.0" />\n'
    '    <Coeff I="1" A="1.0, 0.0, 0.0" B="0.0, 1.0, 0.0" />\n'
    '    <Coeff I="25" A="7.0, 7.0, 7.0" B="7.0, 7.0, 7.0" />\n'
    "  </Component>\n"
    '  <Component n="2">\n'
    '    <Coeff A="0.0, 1.0, 0.0" B="0.0, 0.0, 1.0" />\n'
    "  </Component>\n"
    "</AB>\n"
)
# No Component elements: one filament from every Coeff; attributes in another order.
PLAIN = (
    '<AB Id="3:1:1" Conway="3" L="16.4" D="1.0">\n'
    '    <Coeff B=" 0.0, 2.0, 0.0" I="  2" A=" 2.0, 0.0, 0.0" />\n'
    '    <Coeff I="1" A="1.0, 0.0, 0.5" B="0.0, 1.0, 0.0" />\n'
    "</AB>\n"
)
# A Coeff closed by ">" alone runs on to the next "/>", swallowing the element after it.
RUN_ON = (
    '<AB Id="9:9:9">\n'
    '  <Coeff I="1" A="1.0, 0.0, 0.0" B="0.0, 1.0, 0.0">\n'
    '  <Coeff I="2" A="3.0, 0.0, 0.0" B="0.0, 3.0, 0.0" />\n'
    "</AB>\n"
)
EMPTY_COMPONENT = '<AB Id="0:0:1">\n  <Component n="1">\n  </Component>\n</AB>\n'
DATABASE = ideal_text(PREFIX_DECOY, TWO_COMPONENTS, PLAIN, RUN_ON, EMPTY_COMPONENT)


def angles(n):
    return [j * 6.283185307179586 / n for j in range(n)]


@pytest.fixture
def database(tmp_path, monkeypatch):
    """DATABASE named by KVOR_IDEAL_DATABASE, run from an empty working directory."""
    path = tmp_path / "db" / "fixture_database.txt"
    path.parent.mkdir()
    path.write_text(DATABASE)
    work = tmp_path / "work"
    work.mkdir()
    monkeypatch.chdir(work)
    monkeypatch.setenv("KVOR_IDEAL_DATABASE", str(path))
    return path


def test_two_components_in_file_order(kb, database):
    fil = kb.ParticleEvaluator("2:2:1", 16).get_filaments()
    assert len(fil) == 2
    first = [[0.5 + (math.sin(t) * 0.0 + math.cos(t) * 1.0), math.sin(t) * 1.0 + math.cos(t) * 0.0, 0.0]
             for t in angles(16)]
    second = [[0.0, math.sin(t) * 0.0 + math.cos(t) * 1.0, math.sin(t) * 1.0 + math.cos(t) * 0.0] for t in angles(16)]
    assert fil[0] == first
    assert fil[1] == second


def test_entry_without_components_is_one_filament(kb, database):
    (fil,) = kb.ParticleEvaluator("3:1:1", 10).get_filaments()
    expected = []
    for t in angles(10):
        p = [0.0, 0.0, 0.0]
        for k, A, B in [(1, (1.0, 0.0, 0.5), (0.0, 1.0, 0.0)), (2, (2.0, 0.0, 0.0), (0.0, 2.0, 0.0))]:
            for c in range(3):
                p[c] += math.sin(k * t) * B[c] + math.cos(k * t) * A[c]
        expected.append(p)
    assert fil == expected
    # resolution 1: a single point at angle 0, the sum of the cosine terms
    assert kb.ParticleEvaluator("3:1:1", 1).get_filaments() == [[[3.0, 0.0, 0.5]]]


def test_run_on_coeff_loses_the_next_element(kb, database):
    (fil,) = kb.ParticleEvaluator("9:9:9", 8).get_filaments()
    assert fil == [[math.sin(t) * 0.0 + math.cos(t) * 1.0, math.sin(t) * 1.0 + math.cos(t) * 0.0, 0.0]
                   for t in angles(8)]


def test_empty_component_and_zero_resolution(kb, database):
    assert kb.ParticleEvaluator("0:0:1", 5).get_filaments() == [[[0.0, 0.0, 0.0]] * 5]
    ev = kb.ParticleEvaluator("2:2:1", 0)
    assert ev.get_filaments() == [[], []]
    assert ev.get_dimless_ropelength() == 0.0
    assert ev.get_physical_length_m() == 0.0
    assert ev.get_mass_mev_ab_initio() == 0.0


def test_default_resolution(kb, database):
    fil = kb.ParticleEvaluator("2:2:1").get_filaments()
    assert [len(f) for f in fil] == [4000, 4000]


@pytest.mark.parametrize("ident", ["2:2", "2:2:", "2:2:1 ", "3:1:1x", "3:1", "nope", ""])
def test_identifier_must_match_whole_id(kb, database, ident):
    with pytest.raises(RuntimeError) as exc:
        kb.ParticleEvaluator(ident, 4)
    assert str(exc.value) == f"[!] VARIzudu: Knoop ID {ident} niet gevonden in database."


def test_prefix_of_earlier_id_selects_its_own_entry(kb, database):
    # "2:2:1" is a prefix of the earlier "2:2:11"; the quote in the needle keeps them apart.
    assert len(kb.ParticleEvaluator("2:2:1", 4).get_filaments()) == 2
    assert kb.ParticleEvaluator("2:2:11", 1).get_filaments() == [[[5.0, 5.0, 5.0]]]


@pytest.mark.parametrize("body, exc_type, msg", [
    ('<Coeff I="x" A="1,0,0" B="0,1,0" />', ValueError, "invalid stoi argument"),
    ('<Coeff I="99999999999" A="1,0,0" B="0,1,0" />', IndexError, "stoi argument out of range"),
    ('<Coeff I="x" />', ValueError, "invalid stoi argument"),  # read before the A/B check
])
def test_malformed_index(kb, tmp_path, monkeypatch, body, exc_type, msg):
    db = tmp_path / "bad.txt"
    db.write_text(ideal_text(f'<AB Id="1:1:1">\n  {body}\n</AB>\n'))
    monkeypatch.setenv("KVOR_IDEAL_DATABASE", str(db))
    with pytest.raises(exc_type) as exc:
        kb.ParticleEvaluator("1:1:1", 4)
    assert str(exc.value) == msg


def test_malformed_numbers_and_missing_closers(kb, tmp_path, monkeypatch):
    db = tmp_path / "odd.txt"
    db.write_text(ideal_text(
        '<AB Id="1:1:1">\n  <Coeff I="1" A="1.0, zz, 3.0" B="0.0, 1.0" />\n</AB>\n',
        '<AB Id="1:1:2">\n  <Component n="1">\n    <Coeff I="1" A="1,0,0" B="0,1,0" />\n</AB>\n',
        '<AB Id="1:1:3">\n  <Coeff I="1" A="1,0,0" B="0,1,0" />\n',
    ))
    monkeypatch.setenv("KVOR_IDEAL_DATABASE", str(db))
    # scanning stops at the first number that does not parse; the rest stay 0
    assert kb.ParticleEvaluator("1:1:1", 1).get_filaments() == [[[1.0, 0.0, 0.0]]]
    for ident in ("1:1:2", "1:1:3"):  # no </Component> / no </AB> after the entry
        with pytest.raises(RuntimeError, match="niet gevonden in database"):
            kb.ParticleEvaluator(ident, 4)
    with pytest.raises(ValueError, match="^vector too long$"):
        kb.ParticleEvaluator("1:1:1", -1)


def test_crlf_database(kb, tmp_path, monkeypatch):
    db = tmp_path / "crlf.txt"
    db.write_bytes(DATABASE.replace("\n", "\r\n").encode())
    monkeypatch.setenv("KVOR_IDEAL_DATABASE", str(db))
    assert len(kb.ParticleEvaluator("2:2:1", 4).get_filaments()) == 2


# --- where the text comes from ----------------------------------------------------------------

ONLY = '<AB Id="7:7:7">\n  <Coeff I="0" A="{v}, 0, 0" B="0, 0, 0" />\n</AB>\n'


def tagged_db(path, v):
    path.parent.mkdir(parents=True, exist_ok=True)
    path.write_text(ideal_text(ONLY.format(v=v)))


def source_tag(kb):
    return kb.ParticleEvaluator("7:7:7", 1).get_filaments()[0][0][0]


def test_search_list_order(kb, tmp_path, monkeypatch):
    monkeypatch.delenv("KVOR_IDEAL_DATABASE", raising=False)
    work = tmp_path / "a" / "b"
    work.mkdir(parents=True)
    monkeypatch.chdir(work)
    with pytest.raises(RuntimeError) as exc:
        source_tag(kb)
    assert str(exc.value) == NOT_FOUND
    tagged_db(tmp_path / "Front-End" / "knot_fseries" / "ideal_database.txt", 4)
    assert source_tag(kb) == 4.0
    tagged_db(tmp_path / "a" / "Front-End" / "knot_fseries" / "ideal_database.txt", 3)
    assert source_tag(kb) == 3.0
    tagged_db(work / "Front-End" / "knot_fseries" / "ideal_database.txt", 2)
    assert source_tag(kb) == 2.0
    tagged_db(work / "ideal_database.txt", 1)
    assert source_tag(kb) == 1.0
    # the file is read again by every construction
    tagged_db(work / "ideal_database.txt", 6)
    assert source_tag(kb) == 6.0


def test_environment_variable(kb, tmp_path, monkeypatch):
    work = tmp_path / "w"
    work.mkdir()
    monkeypatch.chdir(work)
    tagged_db(work / "ideal_database.txt", 1)
    tagged_db(tmp_path / "env.txt", 5)
    monkeypatch.setenv("KVOR_IDEAL_DATABASE", str(tmp_path / "env.txt"))
    assert source_tag(kb) == 5.0
    # a path that does not open falls back to the search list silently
    monkeypatch.setenv("KVOR_IDEAL_DATABASE", str(tmp_path / "missing.txt"))
    assert source_tag(kb) == 1.0
    monkeypatch.setenv("KVOR_IDEAL_DATABASE", "")
    assert source_tag(kb) == 1.0
    # an empty file that opens ends the search
    (tmp_path / "empty.txt").write_text("")
    monkeypatch.setenv("KVOR_IDEAL_DATABASE", str(tmp_path / "empty.txt"))
    with pytest.raises(RuntimeError) as exc:
        source_tag(kb)
    assert str(exc.value) == NOT_FOUND


def test_empty_file_in_search_list_ends_search(kb, tmp_path, monkeypatch):
    monkeypatch.delenv("KVOR_IDEAL_DATABASE", raising=False)
    monkeypatch.chdir(tmp_path)
    (tmp_path / "ideal_database.txt").write_text("")
    tagged_db(tmp_path / "Front-End" / "knot_fseries" / "ideal_database.txt", 2)
    with pytest.raises(RuntimeError) as exc:
        source_tag(kb)
    assert str(exc.value) == NOT_FOUND
    os.remove(tmp_path / "ideal_database.txt")
    assert source_tag(kb) == 2.0
