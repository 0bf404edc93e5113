"""The module frame: docstring, registration, list_bindings and the interpreter-version check."""
import glob
import os
import pathlib
import subprocess
import sys

import pytest

from helpers import docstring

LIST_BINDINGS_DOC = (
    "\n        Return a dictionary of exported names in this module.\n\n        Args:\n"
    "          pattern (str|None): optional case-insensitive substring filter.\n"
    "          include_private (bool): include names beginning with '_' if True.\n\n        Returns:\n"
    "          dict with keys: 'functions', 'classes', 'attributes', and 'counts'.\n"
    "        Also sets module __all__ = functions + classes (public names).\n        "
)


def test_module_doc(kb):
    assert kb.__doc__ == "KVOR Core Bindings (backwards compatibility alias)"


def test_list_bindings_doc_and_signature(kb):
    assert docstring(kb.list_bindings) == LIST_BINDINGS_DOC
    assert kb.list_bindings.__doc__.startswith(
        "list_bindings(pattern: object = None, include_private: bool = False) -> dict"
    )


def test_list_bindings_default_classification(kb):
    res = kb.list_bindings()
    assert list(res) == ["functions", "classes", "attributes", "counts"]
    assert list(res["counts"]) == ["functions", "classes", "attributes"]
    for key in ("functions", "classes", "attributes"):
        assert res["counts"][key] == len(res[key])
    assert {"FourierBlock", "fourier_knot", "IdealABBlock", "IdealABComponent"} <= set(res["classes"])
    assert "parse_fseries_from_string" in res["functions"]
    every = res["functions"] + res["classes"] + res["attributes"]
    assert "list_bindings" not in every
    assert not [n for n in every if n.startswith("_")]
    assert kb.__all__ == res["functions"] + res["classes"]


def test_list_bindings_follows_module_attribute_order(kb):
    res = kb.list_bindings()
    order = [n for n in kb.__dict__ if not n.startswith("_") and n != "list_bindings"]
    assert [n for n in order if n in res["functions"]] == res["functions"]
    assert [n for n in order if n in res["classes"]] == res["classes"]


def test_list_bindings_pattern_is_case_insensitive_and_sets_all(kb):
    try:
        upper = kb.list_bindings("FOURIER")
        lower = kb.list_bindings("fourier")
        assert upper == lower
        names = upper["functions"] + upper["classes"]
        assert names and all("fourier" in n.lower() for n in names)
        assert "FourierBlock" in upper["classes"]
        assert kb.__all__ == names
        # a non-str pattern goes through str()
        assert kb.list_bindings(12345)["counts"] == {"functions": 0, "classes": 0, "attributes": 0}
        assert kb.__all__ == []
    finally:
        kb.list_bindings()


def test_list_bindings_empty_pattern_and_private(kb):
    try:
        assert kb.list_bindings("") == kb.list_bindings()
        priv = kb.list_bindings(include_private=True)
        assert "__doc__" in priv["attributes"]
        assert "__name__" in priv["attributes"]
        assert "list_bindings" not in priv["functions"]
        assert "__doc__" not in kb.__all__  # attributes never go to __all__
        assert kb.list_bindings("__do", include_private=True)["attributes"] == ["__doc__"]
    finally:
        kb.list_bindings()


def test_list_bindings_holds_its_own_module(kb, monkeypatch):
    # A different module registered under the same name does not change what is listed.
    import types

    monkeypatch.setitem(sys.modules, "_bindings", types.ModuleType("_bindings"))
    assert "FourierBlock" in kb.list_bindings()["classes"]


def _other_pythons():
    found = []
    for pattern in ("/usr/bin/python3.12", os.path.expanduser("~/.pyenv/versions/3.12.*/bin/python3.12")):
        found += glob.glob(pattern)
    return found


@pytest.mark.skipif(not _other_pythons(), reason="no Python 3.12 on this machine")
def test_import_under_other_interpreter_fails_with_version_message(kb):
    py312 = _other_pythons()[0]
    code = (
        "import importlib.machinery, importlib.util, os, sys\n"
        "sys.setdlopenflags(os.RTLD_LAZY)\n"
        f"loader = importlib.machinery.ExtensionFileLoader('_bindings', {kb.__file__!r})\n"
        "spec = importlib.util.spec_from_file_location('_bindings', loader.path, loader=loader)\n"
        "try:\n"
        "    importlib.util.module_from_spec(spec)\n"
        "except ImportError as e:\n"
        "    print(e)\n"
    )
    out = subprocess.run([py312, "-c", code], capture_output=True, text=True, timeout=60)
    line = out.stdout.strip()
    assert line.startswith(
        "Python version mismatch: module was compiled for Python 3.13, "
        "but the interpreter version is incompatible: 3.12"
    ), out
    assert line.endswith(".")


def test_core_does_not_include_pybind11():
    src = pathlib.Path(__file__).resolve().parents[1] / "src"
    offenders = []
    for path in src.rglob("*.[ch]pp"):
        if "bindings" in path.parts:
            continue
        text = path.read_text()
        if "pybind11" in text or "Python.h" in text:
            offenders.append(str(path))
    assert offenders == []
