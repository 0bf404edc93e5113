"""Shared fixtures: the built module and small knot texts written to temporary files."""
import pytest

import _bindings
from helpers import fourier_block


@pytest.fixture(scope="session")
def kb():
    """The extension module."""
    return _bindings


@pytest.fixture
def write_text(tmp_path):
    """Writes a text (str, or bytes for exact line ends) to a file in tmp_path; returns its path as str."""

    def _write(name, content):
        p = tmp_path / name
        p.parent.mkdir(parents=True, exist_ok=True)
        p.write_bytes(content if isinstance(content, bytes) else content.encode())
        return str(p)

    return _write


@pytest.fixture
def unit_circle(kb):
    """x = cos s, y = sin s, z = 0."""
    return fourier_block(kb, [1], [0], [0], [1], [0], [0])
