"""Batches of independent mappings on a Dask cluster (``dask.distributed``).

A benchmark suite at the highest effort or a sweep over windows and chips is many independent
mappings: :func:`map_all` hands them to a ``Client``'s workers and returns the mappings in the
order of the jobs, the same as a serial loop over :func:`gridswap.map` gives.
"""

from __future__ import annotations

import os
from pathlib import Path
from typing import Any, Dict, Iterable, List, Optional, Sequence, Union

from . import Chip, Mapping, _unreadable, map as _map

__all__ = ["map_all", "map_folder"]

Circuit = Union[str, "os.PathLike[str]"]


def _one(circuit: str, name: Optional[str], chip: Any, options: Dict[str, Any]) -> Mapping:
    """One job on a worker: the program's text is shipped, so workers need no shared files."""
    return _map(circuit, chip, name=name, **options)


def _text(circuit: Circuit) -> tuple:
    """A program as (text, name): a path is read here, on the client."""
    if isinstance(circuit, os.PathLike) or ";" not in circuit and "\n" not in circuit:
        path = os.fspath(circuit)
        try:
            return Path(path).read_text(encoding="utf-8", errors="surrogateescape"), path
        except OSError as e:
            raise _unreadable(path, e) from None
    return circuit, None


def map_all(
    circuits: Iterable[Circuit],
    chip: Union[Chip, tuple, None] = None,
    *,
    client: Any = None,
    threads: int = 1,
    **options: Any,
) -> List[Mapping]:
    """Maps every program (text or path) onto ``chip`` with the options of
    :func:`gridswap.map`, on the workers of a ``dask.distributed.Client`` (serially in this
    process without one). Each mapping runs on ``threads`` threads of its worker. The first
    job that fails raises its exception here."""
    jobs = [_text(c) for c in circuits]
    options = dict(options, threads=threads)
    if client is None:
        return [_one(text, name, chip, options) for text, name in jobs]
    futures = client.map(_one, [t for t, _ in jobs], [n for _, n in jobs],
                         chip=chip, options=options, pure=False)
    return client.gather(futures)


def map_folder(
    folder: Union[str, "os.PathLike[str]"],
    chip: Union[Chip, tuple, None] = None,
    *,
    client: Any = None,
    pattern: str = "*.qasm",
    **options: Any,
) -> Dict[str, Mapping]:
    """Maps the programs of a folder that match ``pattern`` (sorted by name), as
    :func:`map_all` does: file name -> mapping."""
    paths: Sequence[Path] = sorted(Path(folder).glob(pattern))
    mappings = map_all(paths, chip, client=client, **options)
    return {p.name: m for p, m in zip(paths, mappings)}
