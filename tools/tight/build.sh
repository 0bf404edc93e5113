#!/usr/bin/env bash
# Build the tightening kernel as a shared library (one build at a time on this machine).
set -euo pipefail
here="$(cd "$(dirname "$0")" && pwd)"
out="$here/../work/libtight.so"
mkdir -p "$(dirname "$out")"
if [ ! -f "$out" ] || [ "$here/kernel.cpp" -nt "$out" ]; then
  flock /tmp/kvor-build.lock g++ -O3 -std=c++17 -shared -fPIC -o "$out.tmp" "$here/kernel.cpp"
  mv "$out.tmp" "$out"
fi
echo "$out"
