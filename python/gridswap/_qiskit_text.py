"""Qiskit circuits to OpenQASM 2.0 text for gridswap, and mapped circuits back: the circuit's
own instructions on the chip's qubits with gridswap's SWAPs between them."""

from __future__ import annotations

import math
from functools import lru_cache
from typing import Dict, List, Optional, Sequence, Tuple

from qiskit.circuit import CircuitInstruction, QuantumCircuit
from qiskit.circuit.library import SwapGate

from . import _core

# The gates gridswap's import knows (its native gates and the definitions of qelib1.inc).
KNOWN = {
    "u3", "u2", "u1", "cx", "id", "x", "y", "z", "h", "s", "sdg", "t", "tdg", "rx", "ry", "rz",
    "sx", "sxdg", "cz", "swap", "cu1", "p", "u", "cp", "u0", "ccx", "cswap", "crz", "cry", "crx",
    "cu3", "cu", "ch", "cy", "csx", "rzz", "rxx", "ryy",
}

HEAD = 'OPENQASM 2.0;\ninclude "qelib1.inc";\n'


@lru_cache(maxsize=None)
def import_gates(name: str, params: int, qubits: int) -> int:
    """The two-qubit gates gridswap's import makes of one gate."""
    angles = "(" + ",".join(["0.5"] * params) + ")" if params else ""
    operands = ",".join(f"q[{k}]" for k in range(qubits))
    return _core.two_qubit_gates(f"{HEAD}qreg q[{qubits}];\n{name}{angles} {operands};\n")


def _number(value) -> Optional[str]:
    try:
        x = float(value)
    except (TypeError, ValueError):
        return None
    return repr(x) if math.isfinite(x) else None


class _Writer:
    """Writes one circuit's statements; None from a method means OpenQASM 2 or gridswap's
    import cannot take it this way."""

    def __init__(self, circuit: QuantumCircuit) -> None:
        self.index = {q: i for i, q in enumerate(circuit.qubits)}
        self.bit: Dict[object, str] = {}
        for creg in circuit.cregs:
            for i, b in enumerate(creg):
                self.bit.setdefault(b, f"{creg.name}[{i}]")
        self.cregs = {creg.name: creg for creg in circuit.cregs}

    def gate(self, name: str, params: Sequence, qubits: Sequence,
             clbits: Sequence) -> Optional[str]:
        index = self.index
        q = ",".join(f"q[{index[b]}]" for b in qubits)
        if name in KNOWN and not clbits:
            if not params:
                return f"{name} {q};"
            angles = [_number(p) for p in params]
            if None in angles:
                return None
            return f"{name}({','.join(angles)}) {q};"
        if name == "measure":
            return f"measure {q} -> {self.bit[clbits[0]]};" if clbits[0] in self.bit else None
        if name == "reset":
            return f"reset {q};"
        if name == "barrier":
            return f"barrier {q};"
        return None

    def conditioned(self, inst) -> Optional[List[Tuple[str, object]]]:
        """The statements of an if_test, one per statement of its body."""
        op = inst.operation
        target, value = op.condition
        if getattr(target, "name", None) not in self.cregs or self.cregs[target.name] != target:
            return None
        if len(op.blocks) > 1 and op.blocks[1] is not None and len(op.blocks[1].data):
            return None
        body = op.blocks[0]
        qubits = dict(zip(body.qubits, inst.qubits))
        clbits = dict(zip(body.clbits, inst.clbits))
        tested = set(target)
        statements = []
        for inner in body.data:
            written = [clbits[c] for c in inner.clbits]
            if len(body.data) > 1 and tested & set(written):
                return None
            text = self.gate(inner.name, inner.params, [qubits[b] for b in inner.qubits], written)
            if text is None or inner.name == "barrier":
                return None
            statements.append((f"if({target.name}=={int(value)}) {text}", inner))
        return statements


def to_qasm(circuit: QuantumCircuit) -> Optional[Tuple[str, List[int]]]:
    """The program gridswap maps, with each instruction's two-qubit gates in the import; None
    when an instruction has no such simple form (a custom gate, a gate on three qubits or
    more, an else branch), for the caller to go the general way."""
    writer = _Writer(circuit)
    if "q" in writer.cregs or any(b not in writer.bit for b in circuit.clbits):
        return None
    lines = [HEAD, f"qreg q[{circuit.num_qubits}];\n"]
    lines += [f"creg {c.name}[{c.size}];\n" for c in circuit.cregs]
    gates: List[int] = []
    for inst in circuit.data:
        name = inst.name
        qubits = len(inst.qubits)
        if name == "if_else":
            statements = writer.conditioned(inst)
            if statements is None or len(statements) != 1:
                return None
            text, inner = statements[0]
            name, params, qubits = inner.name, inner.params, len(inner.qubits)
        else:
            params = inst.params
            text = writer.gate(name, params, inst.qubits, inst.clbits)
            if text is None:
                return None
        count = 0
        if qubits > 2 and name in KNOWN:
            return None
        if qubits == 2 and name in KNOWN:
            count = import_gates(name, len(params), 2)
            if count == 0:
                return None
        gates.append(count)
        lines.append(text + "\n")
    return "".join(lines), gates


def routed(circuit: QuantumCircuit, gates: List[int], out: QuantumCircuit, start: Dict[int, int],
           swaps: List[Tuple[int, int]], swap_gates: List[int]) -> bool:
    """Appends to `out` (on the chip's qubits, by device index) the circuit's instructions with
    gridswap's SWAPs before the gates they serve; `start` places logical qubit k (the circuit's
    k-th qubit) on a device. False when a SWAP would fall inside one instruction's gates."""
    place = [start[k] for k in range(circuit.num_qubits)]
    on: Dict[int, int] = {d: k for k, d in enumerate(place)}
    index = {q: i for i, q in enumerate(circuit.qubits)}
    physical = out.qubits
    swap = SwapGate()
    done = 0  # two-qubit gates of the import before the current instruction
    s = 0
    for inst, count in zip(circuit.data, gates):
        while s < len(swap_gates) and swap_gates[s] <= done and count:
            a, b = swaps[s]
            out._append(CircuitInstruction(swap, (physical[a], physical[b]), ()))
            ka, kb = on.pop(a, None), on.pop(b, None)
            if ka is not None:
                place[ka] = b
                on[b] = ka
            if kb is not None:
                place[kb] = a
                on[a] = kb
            s += 1
        if count and s < len(swap_gates) and swap_gates[s] < done + count:
            return False
        done += count
        out._append(inst.replace(qubits=tuple(physical[place[index[q]]] for q in inst.qubits)))
    return s == len(swap_gates)
