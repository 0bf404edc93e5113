"""In-place upgrade of legacy .fseries files, and the safety of the rewrite."""
import os
import shutil
import stat
import subprocess
import sys
import textwrap

import pytest

ZERO_ROW = "    0.000000" * 6
UPGRADED = "upgraded leading 3-col zeros row to 6-col j=0 row"
LEGACY = "file appears to be 3-column legacy throughout; not auto-converted"

SIX = "1.0 0.0 0.0 1.0 0.0 0.0\n"

# file text -> (found_numeric_rows, changed, reason, text afterwards; None = unchanged)
CASES = {
    "empty": ("", 0, False, "no numeric rows found", None),
    "comments and blanks": ("% a\n\n \t \r\n%b\n", 0, False, "no numeric rows found", None),
    "indented comment": ("   % 1 2 3\n\t%4 5 6 7 8 9\n", 0, False, "no numeric rows found", None),
    "six columns first": ("% h\n% cols\n" + SIX + "0 1 0 0 0 2\n", 2, False, "already has 6-column j=0 row", None),
    "six columns first, then three": ("9 9 9 9 9 9\n0 0 0\n", 2, False, "already has 6-column j=0 row", None),
    "lone three-zero row": ("% h\n0 0 0\n", 1, False, "no second numeric row", None),
    "three columns throughout": ("1 2 3\n4 5 6\n7 8 9\n", 3, False, LEGACY, None),
    "second row decides": ("0 0 0\n1 2 3\n" + SIX, 3, False, LEGACY, None),
    "upgrade": ("% h\n0 0 0\n" + SIX + "0 1 0 0 0 2\n", 3, True, UPGRADED,
                "% h\n" + ZERO_ROW + "\n" + SIX + "0 1 0 0 0 2\n"),
    "non-zero leading row and trailing remark": ("1.5 -2 3e1 % old origin\n" + SIX, 2, True, UPGRADED,
                                                 ZERO_ROW + "\n" + SIX),
    "ignored shapes keep their text": (
        "junk 0 0 0\n1 2 3 4\n\n0 0 0\n1 2 3 4 5\n1 2 3 4 5 6 7\n" + SIX, 2, True, UPGRADED,
        "junk 0 0 0\n1 2 3 4\n\n" + ZERO_ROW + "\n1 2 3 4 5\n1 2 3 4 5 6 7\n" + SIX),
    "only the first block": ("% a\n0 0 0\n" + SIX + "% b\n0 0 0\n" + SIX, 4, True, UPGRADED,
                             "% a\n" + ZERO_ROW + "\n" + SIX + "% b\n0 0 0\n" + SIX),
    "no final line break": ("0 0 0\n1 0 0 1 0 0", 2, True, UPGRADED, ZERO_ROW + "\n1 0 0 1 0 0\n"),
    "CR LF line ends": ("% h\r\n0 0 0\r\n1 0 0 1 0 0\r\n", 2, True, UPGRADED, "% h\n" + ZERO_ROW + "\n1 0 0 1 0 0\n"),
    "vertical tab is not blank": ("\v%\n0 0 0\n" + SIX, 2, True, UPGRADED, "\v%\n" + ZERO_ROW + "\n" + SIX),
}


@pytest.mark.parametrize("text,found,changed,reason,after", CASES.values(), ids=CASES.keys())
def test_canonicalize_cases(kb, write_text, text, found, changed, reason, after):
    path = write_text("k.fseries", text.encode())
    res = kb.canonicalize_fseries_file_inplace(path)
    assert (res.path, res.found_numeric_rows, res.changed, res.reason) == (path, found, changed, reason)
    with open(path, "rb") as f:
        assert f.read() == (text if after is None else after).encode()
    if changed:
        again = kb.canonicalize_fseries_file_inplace(path)
        assert (again.changed, again.reason) == (False, "already has 6-column j=0 row")
        assert os.listdir(os.path.dirname(path)) == ["k.fseries"]


def test_zero_row_shape():
    assert len(ZERO_ROW) == 72 and ZERO_ROW.startswith("    0") and not ZERO_ROW.endswith(" ")


def test_upgraded_file_reads_with_zero_first_harmonic(kb, write_text):
    path = write_text("k.fseries", "% h\n0 0 0\n1 0 0 1 0 0\n")
    kb.canonicalize_fseries_file_inplace(path)
    (block,) = kb.parse_fseries_multi(path)
    assert block.a_x == [0.0, 1.0] and block.b_y == [0.0, 1.0]


def test_cannot_open(kb, tmp_path):
    for p in (str(tmp_path / "missing.fseries"), str(tmp_path)):
        with pytest.raises(RuntimeError) as e:
            kb.canonicalize_fseries_file_inplace(p)
        assert str(e.value) == "cannot open file: " + p


def test_rewrite_keeps_permissions_and_links(kb, tmp_path):
    target = tmp_path / "real.fseries"
    target.write_text("0 0 0\n" + SIX)
    os.chmod(target, 0o640)
    link = tmp_path / "link.fseries"
    os.symlink(target.name, link)
    res = kb.canonicalize_fseries_file_inplace(str(link))
    assert res.changed
    assert os.path.islink(link)
    assert target.read_text() == ZERO_ROW + "\n" + SIX
    assert stat.S_IMODE(os.stat(target).st_mode) == 0o640


def run_isolated(code, unprivileged=False):
    """Runs code in a fresh interpreter (the module importable) and returns the process. With
    `unprivileged`, a root caller gives up the right to ignore file modes (via setpriv)."""
    cmd = [sys.executable, "-B", "-c", textwrap.dedent(code)]
    if unprivileged and os.geteuid() == 0:
        if shutil.which("setpriv") is None:
            pytest.skip("running as root without setpriv: file modes cannot be enforced")
        caps = "-dac_override,-dac_read_search,-fowner"
        cmd = ["setpriv", "--inh-caps=" + caps, "--bounding-set=" + caps, "--"] + cmd
    return subprocess.run(cmd, capture_output=True, text=True, timeout=120)


CANONICALIZE_AND_REPORT = """
    import _bindings
    try:
        r = _bindings.canonicalize_fseries_file_inplace({path!r})
    except RuntimeError as e:
        print("ERR", e)
    else:
        print("NO ERROR", r.changed)
"""


def test_write_failure_leaves_original_intact(tmp_path):
    # The rewrite hits the file-size limit part way: the temporary must go and the original stay.
    path = tmp_path / "big.fseries"
    original = ("% legacy\n0 0 0\n" + "0.125 0.25 0.5 1.0 2.0 4.0\n" * 200).encode()
    path.write_bytes(original)
    limit = textwrap.dedent("""
        import resource, signal
        signal.signal(signal.SIGXFSZ, signal.SIG_IGN)
        resource.setrlimit(resource.RLIMIT_FSIZE, (1024, 1024))
    """)
    proc = run_isolated(limit + textwrap.dedent(CANONICALIZE_AND_REPORT.format(path=str(path))))
    assert proc.returncode == 0, proc.stderr
    assert proc.stdout.strip() == "ERR cannot write file: " + str(path)
    assert path.read_bytes() == original
    assert os.listdir(tmp_path) == ["big.fseries"]


def test_read_only_directory(tmp_path):
    # Without write access to the directory no temporary can be made: the call fails cleanly.
    d = tmp_path / "ro"
    d.mkdir()
    path = d / "k.fseries"
    original = b"% h\n0 0 0\n" + SIX.encode()
    path.write_bytes(original)
    d.chmod(0o555)
    try:
        proc = run_isolated(CANONICALIZE_AND_REPORT.format(path=str(path)), unprivileged=True)
        assert proc.returncode == 0, proc.stderr
        assert proc.stdout.strip() == "ERR cannot write file: " + str(path)
        assert path.read_bytes() == original
        assert os.listdir(d) == ["k.fseries"]
    finally:
        d.chmod(0o755)


def test_read_only_file_is_not_replaced(tmp_path):
    # A writable directory would allow the replacement, but the file itself is read-only.
    path = tmp_path / "k.fseries"
    original = b"0 0 0\n" + SIX.encode()
    path.write_bytes(original)
    path.chmod(0o444)
    proc = run_isolated(CANONICALIZE_AND_REPORT.format(path=str(path)), unprivileged=True)
    assert proc.returncode == 0, proc.stderr
    assert proc.stdout.strip() == "ERR cannot write file: " + str(path)
    assert path.read_bytes() == original
    assert os.listdir(tmp_path) == ["k.fseries"]
