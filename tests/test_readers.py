"""The .fseries readers and the ideal AB database reader."""
import pytest

from helpers import CIRCLE_FSERIES, TREFOIL_AB, docstring, fourier_block, ideal_text

ROW1 = "1.0 0.0 0.0 1.0 0.0 0.0"
ROW2 = "0.5 0.25 -0.5 0.125 2e-1 -3.0E+0"


def shapes(blocks):
    return [(b.header, len(b.a_x)) for b in blocks]


# ---------------------------------------------------------------- .fseries lenient reader

LENIENT_CASES = {
    "circle with three comment lines": (CIRCLE_FSERIES, [("lines  a_x(j) b_x(j)  a_y(j)  b_y(j)  a_z(j)  b_z(j)", 1)]),
    "blank line splits": (f"{ROW1}\n{ROW2}\n\n{ROW1}\n", [("", 2), ("", 1)]),
    "space-only line splits": (f"{ROW1}\n   \t \n{ROW2}\n", [("", 1), ("", 1)]),
    "space before percent is not a comment": (f"% head\n{ROW1}\n  % not a comment\n{ROW2}\n", [("head", 2)]),
    "seven numbers give a row": (f"{ROW1} 9.0\n", [("", 1)]),
    "five numbers are ignored": ("1 2 3 4 5\n" + ROW1 + "\n", [("", 1)]),
    "header keeps inner spaces, loses outer ones": ("%   Knot 3_1   \t\n" + ROW1 + "\n", [("Knot 3_1", 1)]),
    "lone percent gives empty header": ("% first\n%\n" + ROW1 + "\n", [("", 1)]),
    "no final line feed": (f"{ROW1}\n{ROW2}", [("", 2)]),
    "CR LF line ends": (f"% h\r\n{ROW1}\r\n{ROW2}\r\n\r\n{ROW1}\r\n", [("h", 2), ("", 1)]),
    "comment between rows ends the block": (f"{ROW1}\n% second\n{ROW2}\n", [("", 1), ("second", 1)]),
    "garbage line keeps the block": (f"{ROW1}\nhello world\n{ROW2}\n", [("", 2)]),
    "empty text": ("", []),
    "comments only": ("% a\n% b\n", []),
}


@pytest.mark.parametrize("text,expected", LENIENT_CASES.values(), ids=LENIENT_CASES.keys())
def test_lenient_reader_cases(kb, write_text, text, expected):
    assert shapes(kb.parse_fseries_from_string(text)) == expected
    # the file reader is the same reader on the file's text
    assert shapes(kb.parse_fseries_multi(write_text("k.fseries", text.encode()))) == expected


def test_lenient_reader_values_and_column_order(kb):
    (b,) = kb.parse_fseries_from_string(f"{ROW1}\n{ROW2} trailing text\n")
    assert (b.a_x, b.b_x, b.a_y, b.b_y, b.a_z, b.b_z) == (
        [1.0, 0.5], [0.0, 0.25], [0.0, -0.5], [1.0, 0.125], [0.0, 0.2], [0.0, -3.0]
    )


def test_lenient_file_reader_missing_file_and_directory(kb, tmp_path):
    assert kb.parse_fseries_multi(str(tmp_path / "missing.fseries")) == []
    assert kb.parse_fseries_multi(str(tmp_path)) == []


@pytest.mark.parametrize(
    "harmonics,expected", [([], -1), ([3, 5, 5], 1), ([7], 0), ([2, 1, 3], 2), ([4, 4, 4], 0)]
)
def test_index_of_largest_block(kb, harmonics, expected):
    blocks = [fourier_block(kb, *([[1.0] * n] * 6)) for n in harmonics]
    assert kb.index_of_largest_block(blocks) == expected


def test_fourier_block_attributes_are_copies(kb):
    b = kb.FourierBlock()
    assert (b.header, b.a_x, b.b_z) == ("", [], [])
    b.a_x = [1, 2]
    got = b.a_x
    got.append(3.0)
    assert b.a_x == [1.0, 2.0]


def test_reader_docstrings(kb):
    assert docstring(kb.parse_fseries_multi) == "Parse a .fseries file into Fourier blocks."
    assert docstring(kb.parse_fseries_from_string) == "Parse .fseries content string into Fourier blocks."
    assert docstring(kb.index_of_largest_block) == "Return index of block with most harmonics."
    assert docstring(kb.parse_ideal_txt_multi) == "Parse an ideal.txt-style file into IdealABBlock entries."
    assert docstring(kb.parse_ideal_txt_from_string) == "Parse ideal.txt-style content string into IdealABBlock entries."
    assert docstring(kb.index_of_ideal_id) == "Return index of IdealABBlock with given id, or -1 if not found."
    assert docstring(kb.parse_ideal_ab_by_id_from_string) == "Parse a single AB block by Id from ideal.txt-style content string."
    assert docstring(kb.format_ideal_ab_header) == (
        'Format AB metadata as: AB Id="..." Conway="..." L="..." D="..." n="..."'
    )


# ---------------------------------------------------------------- ideal AB reader

def coeff(i, a, b, end=" />"):
    return f'    <Coeff I="{i:>3}" A="{a}" B="{b}"{end}\n'


def component(i, *coeffs, extra=""):
    return f'  <Component I="{i}"{extra}>\n' + "".join(coeffs) + "  </Component>\n"


def ab(header_attrs, *body):
    return f"<AB {header_attrs}>\n" + "".join(body) + "</AB>\n"


def test_trefoil_example_entry(kb):
    (blk,) = kb.parse_ideal_txt_from_string(ideal_text(TREFOIL_AB))
    assert (blk.id, blk.conway, blk.L, blk.D, blk.n) == ("3:1:1", "3", 16.371637, 1.0, 1)
    (comp,) = blk.components
    assert comp.component_index == 1
    assert comp.A0 == [0.0, 0.0, 0.0] and comp.B0 == [0.0, 0.0, 0.0]
    f = comp.fourier
    assert f.header == "% ideal component"
    assert f.a_x == [0.374139, 0.824246]
    assert f.b_y == [0.373928, -0.823952]
    assert f.a_z == [0.0, 0.000352] and f.b_z == [0.0, -0.001991]
    assert blk.fourier.a_x == f.a_x and blk.fourier.header == "% ideal component"
    assert kb.format_ideal_ab_header(blk) == 'AB Id="3:1:1" Conway="3" L="16.371637" D="1.000000" n="1"'


def test_two_component_link(kb):
    text = ab(
        'Id="2:2:1" Conway="2" L="12.6" D="1.0" n="2"',
        component(1, coeff(0, "1, 2, 3", "0.5, 0, 0"), coeff(1, "1, 0, 0", "0, 1, 0")),
        component(2, coeff(0, "-1, -2, -3", "0, 0, 0"), coeff(1, "0, 0, 1", "0, 1, 0"), coeff(2, "0, 0, 0.5", "0, 0, 0")),
    )
    (blk,) = kb.parse_ideal_txt_from_string(text)
    assert blk.n == 2
    c1, c2 = blk.components
    assert (c1.component_index, c2.component_index) == (1, 2)
    assert c1.A0 == [1.0, 2.0, 3.0] and c1.B0 == [0.5, 0.0, 0.0]
    assert c2.A0 == [-1.0, -2.0, -3.0]
    assert len(c2.fourier.a_x) == 2 and c2.fourier.a_z == [1.0, 0.5]
    assert blk.fourier.a_x == c1.fourier.a_x == [1.0]


def parse_one(kb, *body, attrs='Id="9:1:1" Conway="x" L="1" D="1"'):
    (blk,) = kb.parse_ideal_txt_from_string(ab(attrs, *body))
    return blk


def test_missing_harmonics_are_zero_and_later_coeff_wins(kb):
    blk = parse_one(kb, coeff(1, "1, 0, 0", "0, 1, 0"), coeff(3, "3, 0, 0", "0, 3, 0"), coeff(1, "5, 0, 0", "0, 5, 0"))
    assert blk.fourier.a_x == [5.0, 0.0, 3.0]
    assert blk.fourier.b_y == [5.0, 0.0, 3.0]


@pytest.mark.parametrize(
    "line,kept",
    [
        (coeff(2, "1, 2", "0, 1, 0"), False),  # A triple with two numbers
        (coeff(2, "1, 2, x", "0, 1, 0"), False),
        (coeff(2, "1, 2, 3, 4", "4, 5, 6 7"), True),  # text after the third number is ignored
        (coeff(2, "1,2,3", "4,5,6", end=">"), True),  # '>' ending
        (coeff(2, "1,2,3", "4,5,6", end="/ >"), False),
        ('    <coeff i="2" a="1,2,3" b="4,5,6"/>\n', True),  # case-insensitive element and names
        ('    <Coeff I="2" B="4,5,6" A="1,2,3"/>\n', False),  # attribute order is fixed
        ('    <Coeff\n      I=" 2"\tA="1,2,3"  B="4,5,6"  />\n', True),  # white space of any kind
        ('    <Coeff I="2"A="1,2,3" B="4,5,6"/>\n', False),  # white space is required
        ('    <Coeff I="-2" A="1,2,3" B="4,5,6"/>\n', False),  # index must be digits
    ],
)
def test_coeff_line_forms(kb, line, kept):
    blk = parse_one(kb, coeff(1, "1, 0, 0", "0, 1, 0"), line)
    assert len(blk.fourier.a_x) == (2 if kept else 1)
    if kept:
        assert blk.fourier.a_x[1] == 1.0 and blk.fourier.b_z[1] == 6.0


@pytest.mark.parametrize(
    "attrs,n", [('n="0"', 1), ('n="x"', 1), ("", 1), ('n=" 3 "', 3), ('n="-2"', 1), ('n="99999999999999"', 1)]
)
def test_n_attribute(kb, attrs, n):
    assert parse_one(kb, coeff(1, "1,0,0", "0,1,0"), attrs=f'Id="1:1:1" Conway="" L="1" D="1" {attrs}').n == n


def test_attribute_rules(kb):
    # D must start an attribute name: the "d" ending Id is not it; L may be absent.
    blk = parse_one(kb, coeff(1, "1,0,0", "0,1,0"), attrs='Id="5:1:1" Conway="" D="\t2.5\r\n"')
    assert (blk.id, blk.conway, blk.L, blk.D) == ("5:1:1", "", 0.0, 2.5)
    # an empty Id value is not a match; the next Id= would be
    blk = parse_one(kb, coeff(1, "1,0,0", "0,1,0"), attrs='Id="" L=" 3.5 " D="1"')
    assert (blk.id, blk.L) == ("", 3.5)


@pytest.mark.parametrize(
    "attrs,exc,msg",
    [
        ('Id="a" L="abc" D="1"', ValueError, "invalid stod argument"),
        ('Id="a" L="  " D="1"', ValueError, "invalid stod argument"),
        ('Id="a" L="1" D="1e999"', IndexError, "stod argument out of range"),
    ],
)
def test_attribute_conversion_errors(kb, attrs, exc, msg):
    with pytest.raises(exc) as info:
        kb.parse_ideal_txt_from_string(ab(attrs, coeff(1, "1,0,0", "0,1,0")))
    assert str(info.value) == msg


@pytest.mark.parametrize(
    "body",
    [coeff(99999999999, "1,0,0", "0,1,0"), component(99999999999, coeff(1, "1,0,0", "0,1,0"))],
    ids=["coeff index", "component index"],
)
def test_index_too_large_for_int(kb, body):
    with pytest.raises(IndexError, match="^stoi argument out of range$"):
        kb.parse_ideal_txt_from_string(ab('Id="a" L="1" D="1"', body))


def test_component_element_forms(kb):
    # no I attribute gives index 0; a Component without a closing tag is not a component
    blk = parse_one(kb, "  <Component>\n", coeff(1, "1,0,0", "0,1,0"), "  </component>\n")
    assert [c.component_index for c in blk.components] == [0]
    blk = parse_one(kb, '  <ComponentX I="4">\n', coeff(1, "1,0,0", "0,1,0"))
    assert [c.component_index for c in blk.components] == [1]  # whole body as component 1
    blk = parse_one(kb, component(3, coeff(2, "1,0,0", "0,1,0"), extra=' L="7.5"'))
    assert [c.component_index for c in blk.components] == [3]
    assert blk.components[0].fourier.a_x == [0.0, 1.0]


def test_entry_scan_stops_and_skips(kb):
    other = '<HT Id="11:1:1" Conway="x" L="1" D="1">\n' + coeff(1, "1,0,0", "0,1,0") + "</HT>\n"
    tl = '<TL Id="2:2:9">\n <STRING I="1" L="2">\n' + coeff(1, "1,0,0", "0,1,0") + " </STRING>\n</TL>\n"
    assert kb.parse_ideal_txt_from_string(ideal_text(other, tl)) == []
    assert kb.parse_ideal_txt_from_string("") == []
    # an entry without its closing tag ends the scan
    text = TREFOIL_AB + '<AB Id="4:1:1" Conway="22" L="1" D="1">\n' + coeff(1, "1,0,0", "0,1,0")
    assert [b.id for b in kb.parse_ideal_txt_from_string(text)] == ["3:1:1"]


def test_index_of_ideal_id(kb):
    blocks = kb.parse_ideal_txt_from_string(TREFOIL_AB + TREFOIL_AB.replace("3:1:1", "4:1:1"))
    assert kb.index_of_ideal_id(blocks, "4:1:1") == 1
    assert kb.index_of_ideal_id(blocks, "3:1:1") == 0
    assert kb.index_of_ideal_id(blocks, "3:1:1 ") == -1
    upper = kb.parse_ideal_txt_from_string(TREFOIL_AB.replace("3:1:1", "K3:1:1"))
    assert kb.index_of_ideal_id(upper, "k3:1:1") == -1
    assert kb.index_of_ideal_id([], "3:1:1") == -1


def test_parse_ideal_txt_multi(kb, write_text, tmp_path):
    path = write_text("ideal.txt", ideal_text(TREFOIL_AB).replace("\n", "\r\n").encode())
    (blk,) = kb.parse_ideal_txt_multi(path)
    assert blk.fourier.b_y == [0.373928, -0.823952]
    missing = str(tmp_path / "nope.txt")
    with pytest.raises(RuntimeError) as info:
        kb.parse_ideal_txt_multi(missing)
    assert str(info.value) == "parse_ideal_txt_multi: cannot open file: " + missing


def test_by_id_lookup(kb):
    text = ideal_text(TREFOIL_AB.replace("3:1:1", "3:1:10"), TREFOIL_AB.replace('L="16.371637"', 'L="bad"').replace("3:1:1", "3:1:2"), TREFOIL_AB)
    blk = kb.parse_ideal_ab_by_id_from_string(text, "3:1:1")
    assert blk.id == "3:1:1" and blk.fourier.a_x == [0.374139, 0.824246]
    # only the entry found is parsed: the broken entry before it is never read
    with pytest.raises(ValueError, match="invalid stod argument"):
        kb.parse_ideal_ab_by_id_from_string(text, "3:1:2")
    for missing in ("3:1", "3:1:3", "3:1:1 "):
        with pytest.raises(RuntimeError) as info:
            kb.parse_ideal_ab_by_id_from_string(text, missing)
        assert str(info.value) == "parse_ideal_ab_by_id_from_string: AB Id not found: " + missing
    # a matching header without a closing tag
    with pytest.raises(RuntimeError, match="AB Id not found: 7:1:1$"):
        kb.parse_ideal_ab_by_id_from_string('<AB Id="7:1:1" D="1">\n' + coeff(1, "1,0,0", "0,1,0"), "7:1:1")


def test_ideal_records_defaults_and_copies(kb):
    blk = kb.IdealABBlock()
    assert (blk.id, blk.conway, blk.L, blk.D, blk.n, blk.components) == ("", "", 0.0, 0.0, 1, [])
    assert kb.format_ideal_ab_header(blk) == 'AB Id="" Conway="" L="0.000000" D="0.000000" n="1"'
    comp = kb.IdealABComponent()
    assert (comp.component_index, comp.A0, comp.B0, comp.fourier.a_x) == (0, [0.0] * 3, [0.0] * 3, [])
    comp.A0 = (1, 2, 3)
    blk.components = [comp]
    blk.components[0].component_index = 5  # a copy: the block is unchanged
    assert blk.components[0].component_index == 0
    assert blk.components[0].A0 == [1.0, 2.0, 3.0]
    with pytest.raises(TypeError):
        comp.A0 = [1.0, 2.0]


def test_large_entry_and_large_database(kb):
    # One entry whose body is several MB (a backtracking regex would exhaust the stack here).
    filler = "    <!-- padding line that is neither a Coeff nor a Component -->\n" * 60000
    big = ab('Id="1:1:1" Conway="0" L="1" D="1"', component(1, coeff(1, "1,0,0", "0,1,0"), filler, coeff(2, "0,0,1", "0,0,0")))
    assert len(big) > 3_000_000
    (blk,) = kb.parse_ideal_txt_from_string(big)
    assert blk.fourier.a_z == [0.0, 1.0]
    # Thousands of entries.
    entries = [TREFOIL_AB.replace("3:1:1", f"3:1:{k}") for k in range(1, 4001)]
    blocks = kb.parse_ideal_txt_from_string(ideal_text(*entries))
    assert len(blocks) == 4000 and blocks[-1].id == "3:1:4000"
    assert kb.parse_ideal_ab_by_id_from_string("".join(entries), "3:1:3999").id == "3:1:3999"
