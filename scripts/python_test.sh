#!/usr/bin/env bash
# Runs the Python package's pytest suite in the virtual environment of a build folder
# (made by scripts/python_env.sh): scripts/python_test.sh DIR [pytest arguments...]
# A run that collects no test fails, as any other failure.
set -uo pipefail
cd "$(dirname "$0")/.."
dir=$1; shift
if [ ! -x "$dir/python-venv/bin/python" ]; then
  echo "No Python environment in $dir: run scripts/python_env.sh $dir" >&2
  exit 1
fi
PYTHONDONTWRITEBYTECODE=1 GRIDSWAP_BUILD="$dir" "$dir/python-venv/bin/python" -m pytest -q -p no:cacheprovider python/tests "$@"
status=$?
[ $status -eq 5 ] && echo "pytest collected no tests" >&2
exit $status
