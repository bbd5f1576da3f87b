"""Times the Qiskit plugin against gridswap-qasm map on one program and grid, and splits the
plugin's time into the mapping itself, the conversions and the rest of transpile.

Usage: build/python-venv/bin/python bench/python_plugin.py PROGRAM.qasm WIDTH HEIGHT [RUNS]
"""

import subprocess
import sys
import time
from pathlib import Path

import gridswap
import gridswap.qiskit as plugin
from qiskit import QuantumCircuit, qasm2, transpile
from qiskit.transpiler import CouplingMap

ROOT = Path(__file__).resolve().parents[1]


def best(runs, fn):
    times = []
    for _ in range(runs):
        start = time.perf_counter()
        fn()
        times.append(time.perf_counter() - start)
    return min(times)


def main():
    path, width, height = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    runs = int(sys.argv[4]) if len(sys.argv) > 4 else 3
    program = str(ROOT / "build" / "gridswap-qasm")
    out = "/tmp/gridswap-bench-plugin.qasm"
    cli = best(runs, lambda: subprocess.run(
        [program, "map", "--grid", f"{width}x{height}", path, out], check=True,
        capture_output=True))
    qc = QuantumCircuit.from_qasm_file(path)
    coupling = CouplingMap.from_grid(height, width)
    spent = {"map": 0.0, "dumps": 0.0, "loads": 0.0}

    def timed(key, fn):
        def wrapper(*args, **kwargs):
            start = time.perf_counter()
            try:
                return fn(*args, **kwargs)
            finally:
                spent[key] += time.perf_counter() - start
        return wrapper

    plugin._map = timed("map", gridswap.map)
    plugin.qasm2.dumps = timed("dumps", qasm2.dumps)
    plugin.qasm2.loads = timed("loads", qasm2.loads)

    passes = {}

    def callback(pass_, time, **_):
        name = type(pass_).__name__
        if name in ("GridswapLayout", "GridswapRouting"):
            passes[name] = passes.get(name, 0.0) + time

    def run(level):
        return transpile(qc, coupling_map=coupling, layout_method="gridswap",
                         routing_method="gridswap", optimization_level=level, callback=callback)

    for level in (0, 1):
        for key in spent:
            spent[key] = 0.0
        passes.clear()
        whole = best(runs, lambda: run(level))
        plugin_time = sum(passes.values()) / runs
        mapping, dumps, loads = (spent[k] / runs for k in ("map", "dumps", "loads"))
        print(f"{Path(path).name} on {width} x {height}, optimization_level={level}: "
              f"gridswap-qasm map {cli:.3f} s; the plugin's passes {plugin_time:.3f} s "
              f"({plugin_time / cli:.2f} x) = gridswap.map {mapping:.3f} s + OpenQASM out "
              f"{dumps:.3f} s + OpenQASM in {loads:.3f} s + the rest of the passes "
              f"{plugin_time - mapping - dumps - loads:.3f} s; whole transpile {whole:.3f} s")


if __name__ == "__main__":
    main()
