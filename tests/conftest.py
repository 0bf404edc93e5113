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


@pytest.fixture
def native_output(tmp_path):
    """Captures what native code writes to a file descriptor (1 = native stdout, 2 = native
    stderr), below Python's sys.stdout/sys.stderr. Use as `with native_output(2) as out: ...`;
    afterwards out.text holds the bytes written, decoded as UTF-8."""
    import contextlib
    import os
    import sys

    class _Captured:
        text = ""

    @contextlib.contextmanager
    def _capture(fd):
        sys.stdout.flush()
        sys.stderr.flush()
        path = tmp_path / f"native_fd{fd}.txt"
        result = _Captured()
        saved = os.dup(fd)
        try:
            with open(path, "wb") as sink:
                os.dup2(sink.fileno(), fd)
                try:
                    yield result
                finally:
                    os.dup2(saved, fd)
        finally:
            os.close(saved)
        result.text = path.read_bytes().decode()

    return _capture
