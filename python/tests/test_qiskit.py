"""The Qiskit plugins: transpile with layout_method and routing_method "gridswap" on grids,
relabelled grids and targets; Qiskit's own checks hold; other coupling maps are refused."""

import random

import pytest
from qiskit import QuantumCircuit, qasm2, transpile
from qiskit.circuit.library import QFTGate
from qiskit.converters import circuit_to_dag
from qiskit.quantum_info import Operator
from qiskit.transpiler import CouplingMap, PassManager, Target, TranspilerError
from qiskit.transpiler.passes import CheckMap

import gridswap
import gridswap.qiskit
from gridswap.qiskit import GridswapLayout, GridswapRouting, chip_of
from conftest import program


def _mapped(circuit, coupling):
    check = CheckMap(coupling)
    check.run(circuit_to_dag(circuit))
    return check.property_set["is_swap_mapped"]


def _equivalent(qc, out):
    """Operator equality given the layouts: the circuit padded with the chip's idle qubits."""
    padded = QuantumCircuit(out.num_qubits)
    padded.compose(qc.remove_final_measurements(inplace=False), range(qc.num_qubits),
                   inplace=True)
    return Operator(padded).equiv(Operator.from_circuit(out))


def _random_circuit(qubits, gates, seed):
    rng = random.Random(seed)
    qc = QuantumCircuit(qubits)
    for _ in range(gates):
        kind = rng.random()
        if kind < 0.5:
            a, b = rng.sample(range(qubits), 2)
            qc.cx(a, b)
        elif kind < 0.7:
            qc.rz(rng.uniform(-3, 3), rng.randrange(qubits))
        else:
            qc.h(rng.randrange(qubits))
    return qc


def _gridswap(qc, device, **options):
    where = {"target": device} if isinstance(device, Target) else {"coupling_map": device}
    return transpile(qc, layout_method="gridswap", routing_method="gridswap", seed_transpiler=1,
                     optimization_level=options.pop("optimization_level", 1), **where, **options)


def _relabelled_grid(rows, cols, seed):
    """A rows x cols grid whose qubits are numbered at random: only the search finds it."""
    order = list(range(rows * cols))
    random.Random(seed).shuffle(order)
    grid = CouplingMap.from_grid(rows, cols)
    return CouplingMap([[order[a], order[b]] for a, b in grid.get_edges()])


def _grid_with_holes(rows, cols, seed, gone=5):
    """A rows x cols grid without qubit `gone` and coupler (0, 1), its qubits numbered at
    random; the missing qubit stays, without couplers, so that the numbers stay contiguous."""
    grid = CouplingMap.from_grid(rows, cols)
    edges = [e for e in grid.get_edges() if gone not in e and tuple(sorted(e)) != (0, 1)]
    order = list(range(rows * cols))
    random.Random(seed).shuffle(order)
    coupling = CouplingMap([[order[a], order[b]] for a, b in edges])
    return coupling


SMALL = ["qasmbench-adder_n4.qasm", "qasmbench-qaoa_n6.qasm", "qasmbench-hhl_n7.qasm",
         "qasmbench-error_correctiond3_n5.qasm"]


@pytest.mark.parametrize(
    "circuit, device",
    [(name, (3, 3)) for name in SMALL]
    + [(f"random{seed}", (3, 3)) for seed in range(3)]
    + [("random9", "relabelled"), ("qft8", (2, 4)), ("random12", "holes"),
       ("qasmbench-qaoa_n6.qasm", "holes")],
)
def test_unitary_matches_given_the_layouts(circuit, device):
    if circuit.startswith("random"):
        qc = _random_circuit(8, 40, int(circuit[6:]))
    elif circuit == "qft8":
        qc = QuantumCircuit(8)
        qc.append(QFTGate(8), range(8))
    else:
        qc = QuantumCircuit.from_qasm_file(str(program(circuit)))
        qc.remove_final_measurements()
    if device == "relabelled":
        coupling = _relabelled_grid(3, 3, 5)
    elif device == "holes":
        coupling = _grid_with_holes(3, 3, 2, gone=8)
    else:
        coupling = CouplingMap.from_grid(*device)
    out = _gridswap(qc, coupling)
    assert _mapped(out, coupling)
    assert _equivalent(qc, out)


@pytest.mark.parametrize("name", ["qasmbench-qft_n18.qasm", "qasmbench-cc_n12.qasm",
                                  "qasmbench-ising_n26.qasm", "qasmbench-qec_sm_n5.qasm"])
def test_measurements_and_conditions_survive_on_the_corpus(name):
    qc = QuantumCircuit.from_qasm_file(str(program(name)))
    coupling = CouplingMap.from_grid(6, 5)
    out = _gridswap(qc, coupling, optimization_level=0)
    assert _mapped(out, coupling)
    ops, before = out.count_ops(), qc.count_ops()
    for kept in ("measure", "reset", "if_else", "barrier"):
        assert ops.get(kept, 0) == before.get(kept, 0), kept


def test_target_of_a_grid_device():
    coupling = CouplingMap.from_grid(3, 3)
    target = Target.from_configuration(["cx", "rz", "sx", "x", "measure"], num_qubits=9,
                                       coupling_map=coupling)
    qc = _random_circuit(8, 60, 4)
    out = _gridswap(qc, target)
    assert _mapped(out, coupling)
    assert _equivalent(qc, out)


def test_routing_writes_the_layout_stages_mapping_without_mapping_again(monkeypatch):
    calls = []
    real = gridswap.qiskit._map
    monkeypatch.setattr(gridswap.qiskit, "_map", lambda *a, **k: calls.append(1) or real(*a, **k))
    qc = QuantumCircuit.from_qasm_file(str(program("qasmbench-qft_n18.qasm")))
    coupling = CouplingMap.from_grid(4, 5)
    kept = {}
    out = transpile(qc, coupling_map=coupling, layout_method="gridswap",
                    routing_method="gridswap", optimization_level=0,
                    callback=lambda property_set, **_: kept.update(
                        mapping=property_set["gridswap_mapping"]))
    assert len(calls) == 1 and _mapped(out, coupling)
    # The circuit's own instructions, with gridswap's SWAPs between them.
    swaps = kept["mapping"][2].cost_u
    ops = out.count_ops()
    assert ops.pop("swap") == swaps + qc.count_ops().get("swap", 0)
    assert ops == {k: v for k, v in qc.count_ops().items() if k != "swap"}


def test_routing_alone_keeps_the_unitary_after_another_layout():
    qc = _random_circuit(7, 40, 11)
    coupling = CouplingMap.from_grid(3, 3)
    out = transpile(qc, coupling_map=coupling, layout_method="trivial",
                    routing_method="gridswap", optimization_level=1)
    assert _mapped(out, coupling)
    assert _equivalent(qc, out)


def test_effort_is_reachable_from_the_pass():
    qc = QuantumCircuit.from_qasm_file(str(program("qasmbench-qft_n18.qasm")))
    qc.remove_final_measurements()
    coupling = CouplingMap.from_grid(4, 5)
    swaps = {}
    for effort in ("default", "more"):
        pm = PassManager([GridswapLayout(coupling, effort=effort)])
        pm.run(qc)
        kept = pm.property_set["gridswap_mapping"][2]
        swaps[effort] = kept.cost_u
        assert kept.effort == effort
    assert swaps["more"] <= swaps["default"]


def test_wide_condition_survives_the_plugin():
    value = 1427247692705959881058285969449495136382746624
    source = ('OPENQASM 2.0;\ninclude "qelib1.inc";\nqreg q[4];\ncreg c0[151];\n'
              f"cx q[0],q[3];\nif(c0=={value}) h q[0];\n")
    qc = qasm2.loads(source)
    out = _gridswap(qc, CouplingMap.from_grid(2, 2), optimization_level=0)
    conditions = [op.operation.condition[1] for op in out.data if op.operation.name == "if_else"]
    assert conditions == [value]


@pytest.mark.parametrize(
    "coupling, reason",
    [
        (CouplingMap.from_full(5), "no placement of its qubits on a grid puts every coupler "
                                   "between neighbours"),
        (CouplingMap.from_ring(5), "no placement of its qubits on a grid puts every coupler "
                                   "between neighbours"),
        (CouplingMap([[0, k] for k in range(1, 6)]), "qubit 0 has 5 couplers, and a grid site "
                                                      "has at most 4"),
    ],
    ids=["CompleteGraph", "OddRing", "Star"],
)
def test_a_coupling_map_that_is_no_grid_is_refused(coupling, reason):
    with pytest.raises(TranspilerError) as caught:
        _gridswap(QuantumCircuit(2), coupling)
    assert caught.value.message == "gridswap maps onto grids only: " + reason


@pytest.mark.parametrize("seed", range(3))
def test_relabelled_grid_with_holes_is_recognised(seed):
    coupling = _grid_with_holes(3, 4, seed)
    chip = chip_of(coupling)
    assert not chip.full
    order = list(range(12))
    random.Random(seed).shuffle(order)
    assert sorted(chip.qubits) == sorted(set(order) - {order[5]})
    assert set(chip.couplers()) == {tuple(sorted(e)) for e in coupling.get_edges()}
