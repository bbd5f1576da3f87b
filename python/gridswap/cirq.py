"""gridswap as a router for Cirq circuits on devices of ``cirq.GridQubit``s.

:func:`route` takes and returns what ``cirq.RouteCQC(device_graph).route_circuit`` does: the
routed circuit, the initial mapping (logical to physical qubits) and the mapping of physical
qubits before the inserted SWAPs to physical qubits after them.
"""

from __future__ import annotations

from typing import Dict, List, Optional, Tuple

import cirq
import networkx as nx

from . import Chip, Mapping, map as _map

__all__ = ["route", "chip_of"]


def chip_of(device_graph: nx.Graph) -> Tuple[Chip, List[cirq.GridQubit]]:
    """The chip of a device graph of GridQubits (which carry their coordinates: column x,
    row y) and the GridQubit of each device index. Raises ValueError for another graph."""
    nodes = list(device_graph.nodes)
    if not nodes or not all(isinstance(q, cirq.GridQubit) for q in nodes):
        raise ValueError("gridswap routes onto device graphs of cirq.GridQubit")
    top = min(q.row for q in nodes)
    left = min(q.col for q in nodes)
    ordered = sorted(nodes)
    index = {q: i for i, q in enumerate(ordered)}
    for a, b in device_graph.edges:
        if abs(a.row - b.row) + abs(a.col - b.col) != 1:
            raise ValueError(f"device graph couples {a} and {b}, which are no grid neighbours")
    couplers = {frozenset(e) for e in device_graph.edges}
    broken = []
    for q in ordered:
        for n in (cirq.GridQubit(q.row, q.col + 1), cirq.GridQubit(q.row + 1, q.col)):
            if n in index and frozenset((q, n)) not in couplers:
                broken.append((index[q], index[n]))
    chip = Chip(qubits={index[q]: (q.col - left, q.row - top) for q in ordered},
                no_couplers=broken)
    return chip, ordered


def _program(circuit: cirq.AbstractCircuit, logical: Dict[cirq.Qid, int]) -> str:
    """The two-qubit structure of a circuit as OpenQASM, which is all that routing reads: one
    cx per two-qubit operation, in the circuit's order."""
    lines = ["OPENQASM 2.0;", 'include "qelib1.inc";', f"qreg q[{len(logical)}];"]
    for op in circuit.all_operations():
        if len(op.qubits) > 2:
            raise ValueError(f"gridswap routes one- and two-qubit operations only, not {op}")
        if len(op.qubits) == 2:
            a, b = (logical[q] for q in op.qubits)
            lines.append(f"cx q[{a}],q[{b}];")
    return "\n".join(lines) + "\n"


def route(
    circuit: cirq.AbstractCircuit,
    device_graph: nx.Graph,
    *,
    effort: str = "default",
    window: int = 3,
    threads: Optional[int] = None,
    tag_inserted_swaps: bool = False,
) -> Tuple[cirq.Circuit, Dict[cirq.Qid, cirq.Qid], Dict[cirq.Qid, cirq.Qid]]:
    """Routes a circuit of one- and two-qubit operations onto a device graph of GridQubits
    with gridswap's placement and routing (``effort`` "default", "more" or "max").

    Returns the routed circuit (the circuit's operations on physical qubits, with the
    inserted ``cirq.SWAP``s, tagged ``cirq.RoutingSwapTag`` when asked), the initial mapping
    from logical to physical qubits, and the mapping from each physical qubit before the SWAPs
    to where its occupant ends: the shapes ``cirq.RouteCQC.route_circuit`` returns.
    """
    chip, device = chip_of(device_graph)
    qubits = sorted(circuit.all_qubits())
    if len(qubits) > len(device):
        raise ValueError(f"{len(qubits)} qubits do not fit on a device of {len(device)}")
    logical = {q: k for k, q in enumerate(qubits)}
    mapping: Mapping = _map(_program(circuit, logical), chip, window=window, effort=effort,
                            threads=threads, name="circuit.qasm")
    place = {q: device[mapping.initial_placement[k]] for q, k in logical.items()}
    initial = dict(place)
    swaps = list(zip(mapping.swap_gates, mapping.swaps))
    occupant = {p: p for p in device}  # physical qubit now -> the one it started on
    ops: List[cirq.Operation] = []
    gates = 0
    at = {p: q for q, p in place.items()}  # physical -> logical, for moving
    for op in circuit.all_operations():
        if len(op.qubits) == 2:
            while swaps and swaps[0][0] == gates:
                _, (a, b) = swaps.pop(0)
                pa, pb = device[a], device[b]
                swap = cirq.SWAP(pa, pb)
                ops.append(swap.with_tags(cirq.RoutingSwapTag()) if tag_inserted_swaps else swap)
                occupant[pa], occupant[pb] = occupant[pb], occupant[pa]
                qa, qb = at.pop(pa, None), at.pop(pb, None)
                if qa is not None:
                    place[qa] = pb
                    at[pb] = qa
                if qb is not None:
                    place[qb] = pa
                    at[pa] = qb
            gates += 1
        ops.append(op.transform_qubits(lambda q: place[q]))
    routed = cirq.Circuit(ops)
    used = routed.all_qubits()
    final = {start: now for now, start in occupant.items() if now in used}
    return routed, initial, final
