"""Routes circuits in gridswap's format with Qiskit's SABRE at its strongest preset settings and
prints, for each, the fewest SWAPs over several seeds and the wall seconds of all seeds.

Usage: qiskit_sabre.py [--seeds N] [--in-order] CIRCUIT W H [CIRCUIT W H ...]  (W columns, H rows)

W H = 0 0 takes the grid gridswap picks for n qubits: H = ceil(sqrt(n)) rows, W = ceil(n / H).

Each circuit's two-qubit gates become a Qiskit circuit on its declared qubits (CNOT as cx, SWAP
as swap, CZ, CP, GEO and ZENO as cz: routing looks at the qubits a gate joins, not at its kind;
one-qubit gates play no part in routing and are left out). The pass manager is
generate_preset_pass_manager(optimization_level=3, coupling_map=CouplingMap.from_grid(H, W),
seed_transpiler=SEED), and only its layout and routing stages run, as one StagedPassManager: at
level 3 that is VF2Layout (a perfect layout when one exists), else SabreLayout with
max_iterations=4, layout_trials=20 and swap_trials=20, then SabreSwap with 20 trials where
needed. The inserted SWAPs are the swap gates of the routed circuit less those of the input.
Seeds 0 .. N-1 (default 5); the fewest SWAPs is kept. With --in-order a barrier on every qubit
follows each two-qubit gate, so the routing keeps the input's gate order, as a mapped circuit of
gridswap must: without it SABRE may run gates on disjoint qubits out of order. Output lines,
tab-separated: NAME W H SWAPS SECONDS, NAME being the file name without its folder and ".circ".
"""
import math
import os
import sys
import time

from qiskit import QuantumCircuit
from qiskit.transpiler import CouplingMap, StagedPassManager, generate_preset_pass_manager

TWO_QUBIT = {"CNOT", "CZ", "CP", "SWAP", "GEO", "ZENO"}


def read_circuit(path, in_order=False):
    """The circuit's two-qubit gates as a QuantumCircuit on its declared qubits; with in_order,
    a barrier on every qubit after each gate."""
    names = {}
    gates = []
    begun = False
    with open(path) as f:
        for line in f:
            words = line.replace("\t", " ").replace("\r", " ").split()
            if not words or words[0] == "#":
                continue
            if not begun:
                if words[0] == "qubit" and len(words) > 1:
                    names.setdefault(words[1], len(names))
                elif words[0] == ".begin":
                    begun = True
                continue
            if words[0] == ".end":
                break
            if words[0] in TWO_QUBIT and len(words) >= 3:
                for name in words[1:3]:
                    names.setdefault(name, len(names))
                gates.append((words[0], names[words[1]], names[words[2]]))
    circuit = QuantumCircuit(len(names))
    for kind, a, b in gates:
        if kind == "CNOT":
            circuit.cx(a, b)
        elif kind == "SWAP":
            circuit.swap(a, b)
        else:
            circuit.cz(a, b)
        if in_order:
            circuit.barrier()
    return circuit


def route(circuit, width, height, seed):
    """Qiskit's level-3 layout and routing stages on a W x H grid; the routed circuit."""
    preset = generate_preset_pass_manager(
        optimization_level=3,
        coupling_map=CouplingMap.from_grid(height, width),
        seed_transpiler=seed,
    )
    stages = StagedPassManager(
        stages=["layout", "routing"], layout=preset.layout, routing=preset.routing
    )
    return stages.run(circuit)


def main(args):
    seeds = 5
    in_order = False
    while args[:1] in (["--seeds"], ["--in-order"]):
        if args[0] == "--seeds":
            seeds = int(args[1])
            args = args[2:]
        else:
            in_order = True
            args = args[1:]
    if not args or len(args) % 3:
        sys.exit(__doc__.split("\n\n")[1])
    for i in range(0, len(args), 3):
        path, width, height = args[i], int(args[i + 1]), int(args[i + 2])
        circuit = read_circuit(path, in_order)
        if width == 0 or height == 0:
            height = math.isqrt(circuit.num_qubits - 1) + 1 if circuit.num_qubits > 1 else 1
            width = -(-circuit.num_qubits // height)
        given = circuit.count_ops().get("swap", 0)
        best = None
        start = time.perf_counter()
        for seed in range(seeds):
            routed = route(circuit, width, height, seed)
            swaps = routed.count_ops().get("swap", 0) - given
            best = swaps if best is None else min(best, swaps)
        seconds = time.perf_counter() - start
        name = os.path.basename(path)[: -len(".circ")]
        print(f"{name}\t{width}\t{height}\t{best}\t{seconds:.2f}", flush=True)


if __name__ == "__main__":
    main(sys.argv[1:])
