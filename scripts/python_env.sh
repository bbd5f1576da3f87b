#!/usr/bin/env bash
# Keeps the Python package's virtual environment in a build folder: scripts/python_env.sh DIR
# makes DIR/python-venv with Debian's Python (installing python3-venv and python3-dev when
# missing), installs the pinned packages of python/requirements.txt once (a stamp file keyed
# on the pins), then builds and installs gridswap itself, incrementally in DIR/python-build.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=$1
scripts/deps.sh python3-venv python3-dev
venv=$dir/python-venv
mkdir -p "$dir"
[ -x "$venv/bin/python" ] || /usr/bin/python3 -m venv "$venv"
stamp=$venv/pins.$(sha256sum python/requirements.txt | cut -c1-16)
if [ ! -f "$stamp" ]; then
  "$venv/bin/python" -m pip install -q --upgrade pip
  "$venv/bin/python" -m pip install -q -r python/requirements.txt
  rm -f "$venv"/pins.*
  touch "$stamp"
fi
CMAKE_BUILD_PARALLEL_LEVEL=${CMAKE_BUILD_PARALLEL_LEVEL:-2} "$venv/bin/python" -m pip install -q \
  --no-build-isolation --no-deps --config-settings=build-dir="$dir/python-build" .
