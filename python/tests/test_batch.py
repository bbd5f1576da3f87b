"""gridswap.batch on a Dask LocalCluster of two workers: the same mappings as a serial loop."""

import shutil

import pytest
from dask.distributed import Client, LocalCluster

import gridswap
import gridswap.batch
from conftest import program

NAMES = ["qasmbench-adder_n4.qasm", "qasmbench-qaoa_n6.qasm", "qasmbench-hhl_n7.qasm",
         "qasmbench-qft_n18.qasm", "qasmbench-shor_n5.qasm"]


@pytest.fixture(scope="module")
def client():
    with LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                      dashboard_address=None) as cluster, Client(cluster) as c:
        yield c


def test_folder_on_two_workers_matches_a_serial_loop(tmp_path, client):
    for name in NAMES:
        shutil.copy(program(name), tmp_path / name)
    chip = gridswap.Chip.grid(5, 4)
    remote = gridswap.batch.map_folder(tmp_path, chip, client=client, effort="more")
    serial = {p.name: gridswap.map(p, chip, effort="more")
              for p in sorted(tmp_path.glob("*.qasm"))}
    assert list(remote) == sorted(NAMES)
    assert remote == serial
    assert len(client.scheduler_info()["workers"]) == 2


def test_a_failing_job_raises_its_message(client):
    with pytest.raises(ValueError, match=r"^circuit.qasm: 5 qubits do not fit on a 2 x 2 grid"):
        gridswap.batch.map_all(['OPENQASM 2.0;\nqreg q[5];\n'], (2, 2), client=client)
