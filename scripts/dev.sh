#!/usr/bin/env bash
# Sets up .venv (Python 3.13, build and test dependencies), builds and installs the module
# incrementally, then runs a job:
#   scripts/dev.sh demo     the demo on the compiled-in data
#   scripts/dev.sh test     the whole test suite (extra arguments go to pytest); under CI
#                           (CI=true) the suite then runs again under ASan + UBSan
#   scripts/dev.sh bench    the benchmarks
#   scripts/dev.sh asan     the test suite against an AddressSanitizer/UBSan build (.venv-asan)
#   scripts/dev.sh setup    set up and build only
set -euo pipefail
cd "$(dirname "$0")/.."

job="${1:-setup}"
[ $# -gt 0 ] && shift

find_python313() {
    local c
    for c in python3.13 /usr/bin/python3.13 /usr/local/bin/python3.13 \
             "$HOME"/.pyenv/versions/3.13.*/bin/python3.13; do
        if command -v "$c" >/dev/null 2>&1 && "$c" -c 'import sys, venv; assert sys.version_info[:2] == (3, 13)' >/dev/null 2>&1; then
            command -v "$c"
            return 0
        fi
    done
    return 1
}

ensure_python_venv_support() {
    # Debian splits venv support into its own package.
    if ! "$1" -c 'import ensurepip' >/dev/null 2>&1 && command -v apt-get >/dev/null 2>&1; then
        apt-get update -qq && apt-get install -y -qq python3.13-venv python3.13-dev >/dev/null
    fi
}

setup_venv() {  # $1 = venv dir
    local venv="$1"
    if [ ! -x "$venv/bin/python" ] || ! "$venv/bin/python" -c 'import sys; assert sys.version_info[:2] == (3, 13)' 2>/dev/null; then
        local py
        py="$(find_python313)" || { echo "error: no working python3.13 found" >&2; exit 1; }
        ensure_python_venv_support "$py"
        rm -rf "$venv"
        "$py" -m venv "$venv"
        "$venv/bin/python" -m pip install -q --upgrade pip
    fi
    if ! cmp -s requirements-dev.txt "$venv/.requirements-installed"; then
        "$venv/bin/python" -m pip install -q -r requirements-dev.txt
        cp requirements-dev.txt "$venv/.requirements-installed"
    fi
}

build_install() {  # $1 = venv dir, further args: pip config settings
    local venv="$1"; shift
    # Incremental: scikit-build-core keeps its build tree under build/ between runs.
    # The reference kernels module is for the tests and benchmarks only.
    CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-2}" \
        "$venv/bin/python" -m pip install -q --no-build-isolation --no-deps \
        -Ccmake.define.KVOR_REFERENCE_MODULE=ON "$@" .
}

case "$job" in
    setup)
        setup_venv .venv; build_install .venv ;;
    demo)
        setup_venv .venv; build_install .venv
        exec .venv/bin/python examples/demo.py "$@" ;;
    test)
        setup_venv .venv; build_install .venv
        .venv/bin/python -m pytest "$@"
        if [ "${CI:-}" = "true" ] && [ $# -eq 0 ]; then
            bash "$0" asan -q
        fi ;;
    bench)
        setup_venv .venv; build_install .venv
        exec .venv/bin/python bench/run_all.py "$@" ;;
    asan)
        setup_venv .venv-asan
        build_install .venv-asan -Ccmake.define.KVOR_SANITIZE=ON -Ccmake.build-type=RelWithDebInfo \
            -Cbuild-dir=build/asan
        libasan="$(g++ -print-file-name=libasan.so)"
        libubsan="$(g++ -print-file-name=libubsan.so)"
        LD_PRELOAD="$libasan:$libubsan" ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 \
            UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
            exec .venv-asan/bin/python -m pytest -p no:cacheprovider "$@" ;;
    *)
        echo "usage: scripts/dev.sh {setup|demo|test|bench|asan} [args...]" >&2; exit 2 ;;
esac
