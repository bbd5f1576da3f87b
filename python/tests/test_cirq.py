"""gridswap.cirq.route against Cirq's own checks of routed circuits, in RouteCQC's shapes."""

import cirq
import networkx as nx
import pytest

import gridswap.cirq


def _device(rows, cols, missing=()):
    qubits = [q for q in cirq.GridQubit.rect(rows, cols) if q not in missing]
    graph = nx.Graph()
    graph.add_nodes_from(qubits)
    for q in qubits:
        for n in (q + (0, 1), q + (1, 0)):
            if n in graph:
                graph.add_edge(q, n)
    return graph


def _random(qubits, moments, seed):
    return cirq.testing.random_circuit(
        cirq.LineQubit.range(qubits), n_moments=moments, op_density=0.8,
        gate_domain={cirq.CNOT: 2, cirq.CZ: 2, cirq.H: 1, cirq.T: 1, cirq.ISWAP: 2},
        random_state=seed)


HOLES = [cirq.GridQubit(1, 1), cirq.GridQubit(0, 3)]


@pytest.mark.parametrize(
    "qubits, rows, cols, seed, effort, missing",
    [(6, 2, 3, 1, "default", []), (8, 3, 3, 2, "default", []), (9, 3, 3, 3, "more", []),
     (7, 3, 3, 4, "max", []), (5, 2, 4, 5, "default", []), (8, 3, 4, 6, "default", HOLES),
     (9, 3, 4, 7, "more", HOLES)],
)
def test_routed_circuit_is_the_circuit_given_the_final_permutation(qubits, rows, cols, seed,
                                                                  effort, missing):
    device = _device(rows, cols, missing)
    if missing:
        device.remove_edge(cirq.GridQubit(2, 0), cirq.GridQubit(2, 1))
    circuit = _random(qubits, 25, seed)
    routed, initial, swaps = gridswap.cirq.route(circuit, device, effort=effort)
    for op in routed.all_operations():
        if len(op.qubits) == 2:
            assert device.has_edge(*op.qubits), op
    expected = circuit.transform_qubits(initial)
    # Device qubits that only inserted SWAPs touch are idle in the circuit routed.
    idle = routed.all_qubits() - expected.all_qubits()
    expected += cirq.Moment(cirq.I(q) for q in sorted(idle))
    cirq.testing.assert_circuits_have_same_unitary_given_final_permutation(
        routed, expected, swaps)


def test_same_shapes_as_route_cqc():
    device = _device(3, 3)
    circuit = _random(7, 20, 8)
    ours = gridswap.cirq.route(circuit, device, tag_inserted_swaps=True)
    theirs = cirq.RouteCQC(device).route_circuit(circuit, tag_inserted_swaps=True)
    for mine, cirqs in zip(ours, theirs):
        assert isinstance(mine, type(cirqs)) or isinstance(cirqs, type(mine))
    assert set(ours[1]) == set(theirs[1]) == set(circuit.all_qubits())
    assert set(ours[2]) <= set(device.nodes) and set(ours[2].values()) == set(ours[2])
    tagged = [op for op in ours[0].all_operations() if cirq.RoutingSwapTag() in op.tags]
    assert len(tagged) == sum(1 for op in ours[0].all_operations() if op.gate == cirq.SWAP) - \
        sum(1 for op in circuit.all_operations() if op.gate == cirq.SWAP)


@pytest.mark.parametrize(
    "device, circuit, message",
    [
        (_device(2, 2), cirq.Circuit(cirq.CCX(*cirq.LineQubit.range(3))),
         "gridswap routes one- and two-qubit operations only, not TOFFOLI(q(0), q(1), q(2))"),
        (nx.path_graph(cirq.LineQubit.range(3)), cirq.Circuit(),
         "gridswap routes onto device graphs of cirq.GridQubit"),
        (_device(2, 2), cirq.Circuit(cirq.H.on_each(*cirq.LineQubit.range(5))),
         "5 qubits do not fit on a device of 4"),
    ],
    ids=["ThreeQubitGate", "NotGridQubits", "TooManyQubits"],
)
def test_refusals(device, circuit, message):
    with pytest.raises(ValueError) as caught:
        gridswap.cirq.route(circuit, device)
    assert str(caught.value) == message
