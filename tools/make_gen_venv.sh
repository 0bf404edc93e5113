#!/usr/bin/env bash
# Create the generator's virtual environment at tools/.venv-gen.
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
py=""
for c in "${PYTHON:-}" ~/.pyenv/versions/3.13.*/bin/python3.13 python3.13 ~/.pyenv/versions/3.11.*/bin/python3.11 python3.11; do
  [ -n "$c" ] || continue
  if command -v "$c" >/dev/null 2>&1 && "$c" -c 'import sys' >/dev/null 2>&1; then py="$c"; break; fi
done
[ -n "$py" ] || { echo "no suitable python found" >&2; exit 1; }
"$py" -m venv "$here/.venv-gen"
"$here/.venv-gen/bin/pip" install -q --upgrade pip
"$here/.venv-gen/bin/pip" install -q -r "$here/requirements-gen.txt"
echo "generator venv ready: $here/.venv-gen"
