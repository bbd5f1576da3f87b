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


def median(values):
    values = sorted(values)
    return values[len(values) // 2]


def main():
    path, width, height = sys.argv[1], int(sys.argv[2]), int(sys.argv[3])
    runs = int(sys.argv[4]) if len(sys.argv) > 4 else 7
    program = str(ROOT / "build" / "gridswap-qasm")
    out = "/tmp/gridswap-bench-plugin.qasm"
    cli = []
    for _ in range(runs):
        start = time.perf_counter()
        subprocess.run([program, "map", "--grid", f"{width}x{height}", path, out], check=True,
                       capture_output=True)
        cli.append(time.perf_counter() - start)
    qc = QuantumCircuit.from_qasm_file(path)
    coupling = CouplingMap.from_grid(height, width)
    spent = {}

    def timed(key, fn):
        def wrapper(*args, **kwargs):
            start = time.perf_counter()
            try:
                return fn(*args, **kwargs)
            finally:
                spent[key] = spent.get(key, 0.0) + time.perf_counter() - start
        return wrapper

    plugin._map = timed("map", gridswap.map)
    plugin.to_qasm = timed("out", plugin.to_qasm)
    plugin.routed = timed("in", plugin.routed)
    plugin.qasm2.dumps = timed("out", qasm2.dumps)
    plugin.qasm2.loads = timed("in", qasm2.loads)

    def callback(pass_, time, **_):
        name = type(pass_).__name__
        if name in ("GridswapLayout", "GridswapRouting"):
            spent["passes"] = spent.get("passes", 0.0) + time

    for level in (0, 1):
        rows = []
        for _ in range(runs):
            spent.clear()
            start = time.perf_counter()
            transpile(qc, coupling_map=coupling, layout_method="gridswap",
                      routing_method="gridswap", optimization_level=level, callback=callback)
            spent["whole"] = time.perf_counter() - start
            rows.append(dict(spent))
        m = {k: median([r.get(k, 0.0) for r in rows]) for k in ("whole", "passes", "map", "out", "in")}
        c = median(cli)
        print(f"{Path(path).name} on {width} x {height}, optimization_level={level}, medians of "
              f"{runs}: gridswap-qasm map {c:.3f} s; the plugin's two passes {m['passes']:.3f} s "
              f"({m['passes'] / c:.2f} x): gridswap.map {m['map']:.3f} s, circuit to OpenQASM "
              f"{m['out']:.3f} s, mapping back to a circuit {m['in']:.3f} s, the rest "
              f"{m['passes'] - m['map'] - m['out'] - m['in']:.3f} s; whole transpile "
              f"{m['whole']:.3f} s")


if __name__ == "__main__":
    main()
