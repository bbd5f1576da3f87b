"""Shared fixtures: the repository's circuits and the programs of the build folder."""

import os
import pathlib

import pytest

ROOT = pathlib.Path(__file__).resolve().parents[2]
PROGRAMS = ROOT / "tests" / "data" / "qasmbench"
BUILD = pathlib.Path(os.environ.get("GRIDSWAP_BUILD", ROOT / "build")).resolve()

# Sources that measure registers they never declare; mapped with ignore_measure.
IGNORE_MEASURE = {"qasmbench-vqe_uccsd_n8.qasm"}


def program(name: str) -> pathlib.Path:
    return PROGRAMS / name


@pytest.fixture
def gridswap_qasm() -> pathlib.Path:
    path = BUILD / "gridswap-qasm"
    if not path.exists():
        pytest.fail(f"{path} is missing: build the programs first")
    return path
