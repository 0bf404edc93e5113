"""Compiled-in knot data: the two maps, their keys and the lookups."""
import pathlib

import pytest

from helpers import docstring

ROOT = pathlib.Path(__file__).resolve().parents[1]

KNOT_KEYS = (
    "10_1 10_1n 12a_1202 12a_1202z6 15331 1_1 3_1 3_1p 3_1u 4_1 4_1d 4_1p 4_1z 5_1 5_1p 5_1u 5_2 5_2d "
    "5_2r 6_1 6_2 6_2d 6_2p 6_3d 6_3z 7_1 7_1p 7_2 7_2d 7_2r 7_3 7_3d 7_4 7_5 7_5d 7_6d 7_6s 7_7d 8_1 "
    "8_10s 8_11 8_11d 8_12d 8_12z 8_13d 8_13p 8_14d 8_14r 8_15 8_15d 8_15p 8_16 8_17 8_18 8_18z 8_19t "
    "8_19u 8_1d 8_2 8_20r 8_21d 8_21p 8_21r 8_2d 8_3 8_3d 8_3z 8_4 8_4d 8_5 8_6 8_6p 8_7d 8_7s 8_8d "
    "8_9d 9_2 9_2n"
).split()

DATABASE_KEYS = [
    "ideal.txt", "ideal_database.txt", "idealLinks.txt", "idealLinks_10a.txt", "idealLinks_10n.txt",
    "ideal_11a.txt", "ideal_11n.txt",
]
POINT_LIST_KEYS = [f"ideal_12_data/12a{k}.txt" for k in range(1, 1289)] + [
    f"ideal_12_data/12n{k}.txt" for k in range(1, 889)
]
IDEAL_KEYS = sorted(DATABASE_KEYS + POINT_LIST_KEYS)


def byte_order(keys):
    return sorted(keys, key=lambda k: k.encode())


@pytest.fixture(scope="module")
def knot_files(kb):
    return kb.get_embedded_knot_files()


@pytest.fixture(scope="module")
def ideal_files(kb):
    return kb.get_embedded_ideal_files()


def test_docstrings(kb):
    assert docstring(kb.get_embedded_ideal_files) == "Return embedded ideal*.txt resources as {relative_name: content}."
    assert docstring(kb.load_embedded_ideal_text) == (
        "Load embedded ideal text resource from library (basename fallback supported)."
    )
    assert docstring(kb.parse_embedded_ideal_txt) == "Parse embedded ideal*.txt resource into AB blocks."
    assert docstring(kb.parse_embedded_ideal_ab_by_id) == "Parse a single AB block by Id from an embedded ideal*.txt resource."
    assert docstring(kb.get_embedded_knot_files) == "Return embedded .fseries resources as {knot_id: file_content}."
    assert docstring(kb.load_embedded_knot_block) == "Load embedded knot by id and return its largest Fourier block."


def test_keys_are_known_and_in_byte_order(knot_files, ideal_files):
    assert set(knot_files) <= set(KNOT_KEYS)
    assert list(knot_files) == byte_order(knot_files)
    assert set(ideal_files) <= set(IDEAL_KEYS)
    assert list(ideal_files) == byte_order(ideal_files)
    assert KNOT_KEYS == byte_order(KNOT_KEYS)  # the listed order is the byte order (8_1d after 8_19u)


def require_complete(present, expected, what):
    missing = [k for k in expected if k not in present]
    if missing:
        pytest.skip(f"{what}: {len(missing)} of {len(expected)} keys not generated yet (first: {missing[0]})")


def test_knot_map_complete(knot_files):
    require_complete(knot_files, KNOT_KEYS, ".fseries map")
    assert list(knot_files) == KNOT_KEYS


def test_ideal_map_complete(ideal_files):
    require_complete(ideal_files, IDEAL_KEYS, "ideal map")
    assert list(ideal_files) == byte_order(IDEAL_KEYS)
    assert len(ideal_files) == 2183


def test_ideal_database_alias(ideal_files):
    if "ideal.txt" not in ideal_files:
        pytest.skip("no ideal data compiled in")
    assert ideal_files["ideal_database.txt"] == ideal_files["ideal.txt"]


def test_knot_texts_are_single_blocks(kb, knot_files):
    if not knot_files:
        pytest.skip("no .fseries data compiled in")
    for key, text in knot_files.items():
        assert text.isascii(), key
        assert 140 <= len(text) <= 6275, (key, len(text))
        blocks = kb.parse_fseries_from_string(text)
        assert len(blocks) == 1, key
        assert 1 <= len(blocks[0].a_x) <= 100, key


def test_database_texts_framing(ideal_files):
    present = [k for k in DATABASE_KEYS if k in ideal_files]
    if not present:
        pytest.skip("no ideal data compiled in")
    for key in present:
        text = ideal_files[key]
        assert text.isascii(), key
        assert text.startswith("<DATA"), key
        assert text.rstrip().endswith("</DATA>"), key


def test_embedded_knot_lookups(kb, knot_files):
    if "3_1" not in knot_files or "1_1" not in knot_files:
        pytest.skip("no .fseries data compiled in")
    trefoil = kb.load_embedded_knot_block("3_1")
    assert len(trefoil.a_x) == 5 and trefoil.header == "Knot 3_1 (trefoil knot)"
    assert len(kb.load_embedded_knot_block("1_1").a_x) == 1


@pytest.mark.parametrize("knot_id", ["3_2", "3_1 ", "", "3_1.fseries", "ideal.txt"])
def test_embedded_knot_not_found(kb, knot_id):
    with pytest.raises(RuntimeError) as info:
        kb.load_embedded_knot_block(knot_id)
    assert str(info.value) == "Embedded knot id not found: " + knot_id


def test_embedded_ideal_lookups(kb, ideal_files):
    if "ideal.txt" not in ideal_files:
        pytest.skip("no ideal data compiled in")
    text = kb.load_embedded_ideal_text()
    assert text == ideal_files["ideal.txt"] and text.startswith("<DATA")
    trefoil = kb.parse_embedded_ideal_ab_by_id("3:1:1")
    assert trefoil.id == "3:1:1" and len(trefoil.components) == 1
    blocks = kb.parse_embedded_ideal_txt()
    assert blocks[kb.index_of_ideal_id(blocks, "3:1:1")].fourier.a_x == trefoil.fourier.a_x
    if "ideal_11a.txt" in ideal_files:
        assert kb.parse_embedded_ideal_txt("ideal_11a.txt") == []


def test_embedded_point_list_basename_fallback(kb, ideal_files):
    if "ideal_12_data/12a1.txt" not in ideal_files:
        pytest.skip("no point lists compiled in")
    assert kb.load_embedded_ideal_text("12a1.txt") == ideal_files["ideal_12_data/12a1.txt"]
    assert kb.load_embedded_ideal_text("ideal_12_data/12a1.txt") == ideal_files["ideal_12_data/12a1.txt"]


@pytest.mark.parametrize("name", ["12A1.txt", "IDEAL.TXT", "nothing.txt", "", "12_data/12a1.txt"])
def test_embedded_ideal_not_found(kb, name):
    with pytest.raises(RuntimeError) as info:
        kb.load_embedded_ideal_text(name)
    assert str(info.value) == "Embedded ideal text not found: " + name
    with pytest.raises(RuntimeError, match="^Embedded ideal text not found: "):
        kb.parse_embedded_ideal_txt(name)


def test_getters_return_fresh_maps(kb, knot_files):
    again = kb.get_embedded_knot_files()
    assert again == knot_files and again is not knot_files
    again["extra"] = "x"
    assert "extra" not in kb.get_embedded_knot_files()


def test_disk_copies_match_the_embedded_texts(knot_files, ideal_files):
    # One source of truth: the on-disk knot files and the front-end database are the same texts.
    if not knot_files and not ideal_files:
        pytest.skip("no data compiled in")
    for key, text in knot_files.items():
        assert (ROOT / "src" / "knot_fseries" / f"knot.{key}.fseries").read_text() == text, key
    if "ideal.txt" in ideal_files:
        assert (ROOT / "Front-End" / "knot_fseries" / "ideal_database.txt").read_text() == ideal_files["ideal.txt"]
