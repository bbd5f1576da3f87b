"""gridswap as Qiskit transpiler passes and stage plugins.

``transpile(qc, coupling_map=CouplingMap.from_grid(rows, cols), layout_method="gridswap",
routing_method="gridswap")`` uses the plugins registered under the name ``gridswap``;
:class:`GridswapLayout` and :class:`GridswapRouting` are the passes for a ``PassManager`` of
one's own, with the effort level as an argument.
"""

from __future__ import annotations

from typing import List, Optional, Tuple, Union

from qiskit import qasm2
from qiskit.circuit import IfElseOp, QuantumCircuit
from qiskit.converters import circuit_to_dag, dag_to_circuit
from qiskit.dagcircuit import DAGCircuit
from qiskit.transpiler import CouplingMap, Layout, PassManager, Target, TranspilerError
from qiskit.transpiler.basepasses import AnalysisPass, TransformationPass
from qiskit.transpiler.passes import ApplyLayout, EnlargeWithAncilla, FullAncillaAllocation
from qiskit.transpiler.preset_passmanagers.plugin import PassManagerStagePlugin

from . import Chip, Mapping, map as _map
from ._grid import NotAGrid, recognise
from ._qiskit_text import routed, to_qasm

__all__ = ["GridswapLayout", "GridswapRouting", "GridswapLayoutPlugin", "GridswapRoutingPlugin",
           "chip_of"]

Device = Union[CouplingMap, Target]

# The property under which the layout pass leaves its mapping for the routing pass.
_KEPT = "gridswap_mapping"


def _coupling(device: Device) -> CouplingMap:
    return device.build_coupling_map() if isinstance(device, Target) else device


def chip_of(device: Device) -> Chip:
    """The chip of a coupling map or target: grid coordinates for its qubits. Raises
    TranspilerError, saying why, when the coupling map is no grid."""
    coupling = _coupling(device)
    if coupling is None:
        raise TranspilerError("gridswap needs a coupling map: the target couples every qubit")
    try:
        return recognise(coupling.physical_qubits, coupling.get_edges())
    except NotAGrid as e:
        raise TranspilerError(f"gridswap maps onto grids only: {e}") from None


def _flat_conditions(circuit: QuantumCircuit) -> QuantumCircuit:
    """The circuit with each if_test written as OpenQASM 2 can say it: one conditioned
    statement on the circuit's own bits per statement of its body. Transpiler passes leave
    bodies on bits of their own, which the OpenQASM 2 exporter cannot name."""
    if not any(inst.operation.name == "if_else" for inst in circuit.data):
        return circuit
    out = circuit.copy_empty_like()
    for inst in circuit.data:
        op = inst.operation
        if op.name != "if_else":
            out._append(inst)
            continue
        body = op.blocks[0]
        if len(op.blocks) > 1 and op.blocks[1] is not None and len(op.blocks[1].data):
            raise TranspilerError("gridswap: OpenQASM 2 has no else branch of a condition")
        qubits = dict(zip(body.qubits, inst.qubits))
        clbits = dict(zip(body.clbits, inst.clbits))
        tested = op.condition[0]
        tested = set(tested) if hasattr(tested, "__iter__") else {tested}
        for inner in body.data:
            written = [clbits[c] for c in inner.clbits]
            if len(body.data) > 1 and tested & set(written):
                raise TranspilerError("gridswap: a condition whose body writes the bits it tests "
                                      "cannot be written in OpenQASM 2")
            one = QuantumCircuit(list(inst.qubits), list(inst.clbits))
            one.append(inner.operation, [qubits[q] for q in inner.qubits], written)
            out.append(IfElseOp(op.condition, one), inst.qubits, inst.clbits)
    return out


def _map_dag(dag: DAGCircuit, chip: Chip, window: int, effort: str,
             threads: Optional[int]) -> Tuple[Mapping, QuantumCircuit, Optional[List[int]]]:
    """Maps the circuit of a DAG, its qubits in DAG order as logical qubits 0, 1, ...: the
    mapping, the circuit in the order mapped, and each instruction's two-qubit gates in
    gridswap's import (None when the circuit went through Qiskit's OpenQASM exporter)."""
    if dag.num_qubits() > len(chip.qubits):
        raise TranspilerError(
            f"gridswap: {dag.num_qubits()} qubits do not fit on a chip of {len(chip.qubits)}")
    circuit = dag_to_circuit(dag, copy_operations=False)
    converted = to_qasm(circuit)
    if converted is None:
        text, gates = qasm2.dumps(_flat_conditions(circuit)), None
    else:
        text, gates = converted
    try:
        mapping = _map(text, chip, window=window, effort=effort, threads=threads,
                       name="circuit.qasm")
    except ValueError as e:
        raise TranspilerError(f"gridswap: {e}") from None
    return mapping, circuit, gates


class GridswapLayout(AnalysisPass):
    """Chooses the initial layout by mapping the whole circuit with gridswap, and keeps the
    mapping for :class:`GridswapRouting`, which then routes without mapping again."""

    def __init__(self, coupling_map: Device, *, window: int = 3, effort: str = "default",
                 threads: Optional[int] = None) -> None:
        super().__init__()
        self.coupling_map = coupling_map
        self.window = window
        self.effort = effort
        self.threads = threads

    def run(self, dag: DAGCircuit) -> None:
        chip = chip_of(self.coupling_map)
        mapping, circuit, gates = _map_dag(dag, chip, self.window, self.effort, self.threads)
        layout = Layout({dag.qubits[k]: d for k, d in mapping.initial_placement.items()})
        for qreg in dag.qregs.values():
            layout.add_register(qreg)
        self.property_set["layout"] = layout
        placed = {q: p for q, p in layout.get_virtual_bits().items()}
        self.property_set[_KEPT] = (placed, len(dag.op_nodes()), mapping, chip, circuit, gates)


class GridswapRouting(TransformationPass):
    """Routes a laid-out circuit with gridswap: the circuit mapped by :class:`GridswapLayout`
    when it ran before, otherwise the circuit is mapped anew, which may move the initial layout
    (the property set's layout is updated to match)."""

    def __init__(self, coupling_map: Device, *, window: int = 3, effort: str = "default",
                 threads: Optional[int] = None) -> None:
        super().__init__()
        self.coupling_map = coupling_map
        self.window = window
        self.effort = effort
        self.threads = threads

    def run(self, dag: DAGCircuit) -> DAGCircuit:
        kept = self.property_set[_KEPT]
        layout = self.property_set["layout"]
        if kept is not None and layout is not None and kept[1] == len(dag.op_nodes()) and all(
                layout[q] == p for q, p in kept[0].items()):
            # The circuit the layout pass mapped, laid out as it chose: route as it mapped.
            _, _, mapping, chip, circuit, gates = kept
            start = dict(mapping.initial_placement)
        else:
            chip = chip_of(self.coupling_map)
            mapping, circuit, gates = _map_dag(dag, chip, self.window, self.effort, self.threads)
            start = dict(mapping.initial_placement)
            if layout is not None:
                moved = Layout()
                for virtual, physical in layout.get_virtual_bits().items():
                    moved[virtual] = start[physical]
                for qreg in layout.get_registers():
                    moved.add_register(qreg)
                self.property_set["layout"] = moved
        if dag.num_qubits() <= max(chip.qubits):
            raise TranspilerError("gridswap routes circuits laid out on every qubit of the chip")
        out = dag_to_circuit(dag.copy_empty_like(), copy_operations=False)
        if gates is None or not routed(circuit, gates, out, start, mapping.swaps,
                                       mapping.swap_gates):
            # The mapped program as gridswap exported it, on the chip's qubits.
            out = dag_to_circuit(dag.copy_empty_like(), copy_operations=False)
            program = qasm2.loads(mapping.qasm,
                                  custom_instructions=qasm2.LEGACY_CUSTOM_INSTRUCTIONS)
            qubits = [out.qubits[d] for d in range(len(program.qubits))]
            bits = {}
            for creg in out.cregs:
                for i, bit in enumerate(creg):
                    bits[(creg.name, i)] = bit
            clbits = [bits[(creg.name, i)] for creg in program.cregs for i in range(len(creg))]
            out.compose(program, qubits=qubits, clbits=clbits, inplace=True, copy=False)
        final = self.property_set["final_layout"]
        # Where the qubit on each physical qubit ends, fillers included: the SWAPs replayed.
        ends = list(range(len(out.qubits)))  # physical now -> physical it started on
        for a, b in mapping.swaps:
            ends[a], ends[b] = ends[b], ends[a]
        moves = Layout({out.qubits[begin]: now for now, begin in enumerate(ends)})
        self.property_set["final_layout"] = moves if final is None else final.compose(moves, dag.qubits)
        return circuit_to_dag(out, copy_operations=False)


def _device(config) -> Device:
    device = config.coupling_map if config.coupling_map is not None else config.target
    if device is None:
        raise TranspilerError("gridswap needs a coupling map or a target")
    return device


class GridswapLayoutPlugin(PassManagerStagePlugin):
    """The layout stage ``layout_method="gridswap"``: gridswap's layout, then the embedding
    of the circuit on the device's qubits."""

    def pass_manager(self, pass_manager_config, optimization_level=None) -> PassManager:
        device = _device(pass_manager_config)
        coupling = _coupling(device)
        return PassManager([GridswapLayout(device), FullAncillaAllocation(coupling),
                            EnlargeWithAncilla(), ApplyLayout()])


class GridswapRoutingPlugin(PassManagerStagePlugin):
    """The routing stage ``routing_method="gridswap"``."""

    def pass_manager(self, pass_manager_config, optimization_level=None) -> PassManager:
        return PassManager([GridswapRouting(_device(pass_manager_config))])
