"""gridswap: maps quantum circuits onto two-dimensional nearest-neighbour grids.

A thin layer over gridswap's C++ core: :func:`map` imports an OpenQASM 2.0 program, places
and routes it with gridswap's trials (or the effort search), verifies the mapping with the
checker and exports it, exactly as ``gridswap-qasm map`` does.
"""

from __future__ import annotations

import os
from dataclasses import dataclass, field
from typing import Dict, List, Mapping as MappingType, Optional, Sequence, Tuple, Union

from . import _core

__all__ = ["Chip", "Mapping", "map", "check", "EFFORTS"]

#: The effort levels, from gridswap's own trials to the widest search.
EFFORTS = ("default", "more", "max")

Circuit = Union[str, "os.PathLike[str]"]


class Chip:
    """A chip: the qubits of a width x height grid with their device indices and sites, and
    the couplers between neighbouring qubits that cannot be used.

    ``Chip(qubits={index: (x, y)}, no_couplers=[(a, b)])`` builds one from its qubits;
    :meth:`grid` gives the full rectangle, numbered row by row.
    """

    __slots__ = ("_width", "_height", "_full", "_qubits", "_no_couplers", "_at", "name")

    def __init__(
        self,
        qubits: MappingType[int, Tuple[int, int]],
        no_couplers: Sequence[Tuple[int, int]] = (),
        name: str = "in memory",
    ) -> None:
        self.name = name  #: what the mapped program's header and the checker call the chip
        triples = [(int(i), int(x), int(y)) for i, (x, y) in qubits.items()]
        pairs = [(int(a), int(b)) for a, b in no_couplers]
        self._set(_core.chip_fields(triples, pairs))

    def _set(self, fields: tuple) -> None:
        width, height, full, qubits, no_couplers = fields
        self._width = width
        self._height = height
        self._full = full
        self._qubits = {i: (x, y) for i, x, y in qubits}
        self._no_couplers = [tuple(p) for p in no_couplers]

    @classmethod
    def grid(cls, width: int, height: int) -> "Chip":
        """The full width x height grid: every site a qubit, numbered y * width + x."""
        if width < 1 or height < 1:
            raise ValueError(f"Grid {width} x {height} has no sites")
        chip = cls.__new__(cls)
        chip.name = f"{width} x {height}"
        chip._set(_core.grid_fields(int(width), int(height)))
        return chip

    @classmethod
    def from_file(cls, path: Union[str, "os.PathLike[str]"]) -> "Chip":
        """Reads a chip file ("qubit INDEX X Y" and "no-coupler A B" lines, docs/chips.md).
        Raises OSError ("Cannot open file: PATH") for a file that cannot be opened, ValueError
        with the reader's "FILE:LINE: what" message for a malformed one."""
        chip = cls.__new__(cls)
        chip.name = os.fspath(path)
        chip._set(_core.read_chip(chip.name))
        return chip

    @property
    def width(self) -> int:
        """Columns of the chip's grid."""
        return self._width

    @property
    def height(self) -> int:
        """Rows of the chip's grid."""
        return self._height

    @property
    def full(self) -> bool:
        """True when every site holds a qubit and every coupler is usable."""
        return self._full

    @property
    def qubits(self) -> Dict[int, Tuple[int, int]]:
        """Device index -> site (x, y) of every qubit."""
        return dict(self._qubits)

    @property
    def no_couplers(self) -> List[Tuple[int, int]]:
        """The unusable couplers between neighbouring qubits, as device index pairs."""
        return list(self._no_couplers)

    def _row_major(self) -> bool:
        """True for the full grid numbered row by row, which maps as a plain grid."""
        return self._full and all(i == y * self._width + x for i, (x, y) in self._qubits.items())

    def _core_args(self) -> Tuple[list, list, str]:
        """The chip as the core takes it: (index, x, y) triples, no-coupler pairs and its name,
        or empty lists for a plain grid."""
        if self._row_major():
            return [], [], ""
        triples = [(i, x, y) for i, (x, y) in self._qubits.items()]
        return triples, list(self._no_couplers), self.name

    def device_of_grid(self, index: int) -> int:
        """The device index of the qubit on grid index y * width + x."""
        site = (index % self._width, index // self._width)
        if not hasattr(self, "_at"):
            object.__setattr__(self, "_at", {s: i for i, s in self._qubits.items()})
        return self._at[site]  # type: ignore[attr-defined]

    def couplers(self) -> List[Tuple[int, int]]:
        """Every usable coupler as a (a, b) pair of device indices, a < b."""
        at = {site: i for i, site in self._qubits.items()}
        broken = {tuple(sorted(p)) for p in self._no_couplers}
        edges = []
        for i, (x, y) in self._qubits.items():
            for nx, ny in ((x + 1, y), (x, y + 1)):
                j = at.get((nx, ny))
                if j is not None:
                    pair = (min(i, j), max(i, j))
                    if pair not in broken:
                        edges.append(pair)
        return sorted(edges)

    def __getstate__(self) -> tuple:
        return (self._width, self._height, self._full, self._qubits, self._no_couplers,
                self.name)

    def __setstate__(self, state: tuple) -> None:
        (self._width, self._height, self._full, self._qubits, self._no_couplers,
         self.name) = state

    def __eq__(self, other: object) -> bool:
        """Chips are equal when their qubits and couplers are; their names do not count."""
        if not isinstance(other, Chip):
            return NotImplemented
        return self.__getstate__()[:5] == other.__getstate__()[:5]

    def __hash__(self) -> int:
        return hash((self._width, self._height, tuple(sorted(self._qubits.items()))))

    def __repr__(self) -> str:
        if self._full:
            return f"Chip.grid({self._width}, {self._height})"
        return f"Chip(qubits={self._qubits!r}, no_couplers={self._no_couplers!r})"


@dataclass(frozen=True)
class Mapping:
    """One mapping of a program onto a chip, as ``gridswap-qasm map`` makes it.

    Device indices are the chip's; logical indices number the program's qubits in the order
    its ``qreg`` declarations give them.
    """

    qasm: str  #: the mapped program, OpenQASM 2.0 on the chip's device indices
    mapped: str  #: gridswap's native mapped circuit
    layout: str  #: its layout file: where each qubit ends
    circuit: str  #: the imported program in gridswap's circuit format
    chip: Chip  #: the chip mapped onto
    window: Optional[int]  #: the look-ahead window of the kept routing; None: the beam's or exact router's
    effort: str  #: the effort level
    initial_placement: Dict[int, int]  #: logical qubit -> device index at the start
    final_placement: Dict[int, int]  #: logical qubit -> device index at the end
    swaps: List[Tuple[int, int]]  #: the inserted SWAPs in order, as device index pairs
    cost_b: Optional[int]  #: baseline cost of the kept placement (None after a search)
    cost_u: int  #: SWAPs inserted by routing
    cost_r: Optional[int]  #: those plus the SWAPs restoring the start (None after a search)
    two_qubit_gates: int  #: two-qubit gates of the program
    seed: Optional[int]  #: the placement seed kept, or None after the effort search
    trial_swaps: List[int] = field(default_factory=list)  #: every trial's SWAPs, by seed
    swap_gates: List[int] = field(default_factory=list)  #: per SWAP: program gates before it
    verification: str = ""  #: the checker's "OK: ..." line
    mapped_name: str = "circuit.mapped.circ"  #: the name of the mapped circuit in messages

    def svg(self) -> str:
        """The picture of the mapping, drawn by gridswap-draw's code, as SVG text."""
        title = self.mapped_name
        if title.endswith(".mapped.circ"):
            title = title[: -len(".mapped.circ")] + ".qasm"
        return _core.draw(
            self.mapped_name, self.mapped, self.layout, title, list(self.trial_swaps),
            -1 if self.seed is None else self.seed, *self.chip._core_args()[:2],
        )


def _unreadable(path: str, cause: OSError) -> OSError:
    """The program's error for a file that cannot be read, of the cause's kind of OSError."""
    return type(cause)(f"Cannot open file: {path}")


def _source(circuit: Circuit, name: Optional[str]) -> Tuple[str, str]:
    """The program's text and the name messages give it."""
    if isinstance(circuit, os.PathLike) or (
        isinstance(circuit, str) and ";" not in circuit and "\n" not in circuit
    ):
        path = os.fspath(circuit)
        try:
            with open(path, encoding="utf-8", errors="surrogateescape") as f:
                text = f.read()
        except OSError as e:
            raise _unreadable(path, e) from None
        return text, name or path
    if not isinstance(circuit, str):
        raise TypeError("circuit must be OpenQASM 2.0 text or a path")
    return circuit, name or "circuit.qasm"


def _mapped_name(source_name: str) -> str:
    base = os.path.basename(source_name)
    if base.endswith(".qasm"):
        base = base[: -len(".qasm")]
    return base + ".mapped.circ"


def map(  # noqa: A001 - the package's verb, as the programs name it
    circuit: Circuit,
    chip: Union[Chip, Tuple[int, int], None] = None,
    *,
    window: int = 3,
    effort: str = "default",
    threads: Optional[int] = None,
    ignore_measure: bool = False,
    name: Optional[str] = None,
) -> Mapping:
    """Maps an OpenQASM 2.0 program onto a chip, as ``gridswap-qasm map`` does.

    ``circuit`` is the program's text or the path of a file holding it; ``chip`` a
    :class:`Chip`, a ``(width, height)`` pair, or None for the smallest grid that holds the
    qubits. ``window`` is the router's look-ahead window, ``effort`` one of "default", "more",
    "max", ``threads`` the worker threads (None for every CPU); the result does not depend on
    them. ``name`` names the program in messages (the path, by default).

    Raises ValueError with gridswap-qasm's one-line message for a program that cannot be
    mapped, OSError for a file that cannot be read, KeyboardInterrupt when interrupted.
    """
    text, source_name = _source(circuit, name)
    if effort not in EFFORTS:
        raise ValueError(f"Unknown effort level {effort}: expected default, more or max")
    if isinstance(window, bool) or not isinstance(window, int) or window < 0:
        raise ValueError(f"Window must be a whole number of 0 or more, not {window!r}")
    if threads is not None and (not isinstance(threads, int) or threads < 1):
        raise ValueError(f"Threads must be 1 or more, not {threads!r}")
    qubits: list = []
    no_couplers: list = []
    chip_name = ""
    if chip is None:
        width = height = 0
    elif isinstance(chip, Chip):
        width, height = chip.width, chip.height
        qubits, no_couplers, chip_name = chip._core_args()
    else:
        width, height = chip
        Chip.grid(width, height)
    fields = _core.map_qasm(
        text, source_name, _mapped_name(source_name), int(width), int(height), window,
        effort, threads or 0, ignore_measure, qubits, no_couplers, chip_name,
    )
    trials = fields["trials"]
    seed = fields["seed"]
    used = chip if isinstance(chip, Chip) else Chip.grid(fields["width"], fields["height"])
    initial = dict(fields["initial_placement"])
    final = dict(fields["final_placement"])
    swaps = [tuple(p) for p in fields["swaps"]]
    kept = trials[seed] if not fields["searched"] and 0 <= seed < len(trials) else None
    return Mapping(
        qasm=fields["qasm"],
        mapped=fields["mapped"],
        layout=fields["layout"],
        circuit=fields["circuit"],
        chip=used,
        window=fields["window"],
        effort=effort,
        initial_placement=initial,
        final_placement=final,
        swaps=swaps,
        cost_b=kept[0] if kept else None,
        cost_u=fields["swap_count"],
        cost_r=kept[2] if kept else None,
        two_qubit_gates=fields["two_qubit_gates"],
        seed=None if fields["searched"] else seed,
        trial_swaps=[t[1] for t in trials],
        swap_gates=list(fields["swap_gates"]),
        verification=fields["verification"],
        mapped_name=fields["mapped_name"],
    )


class CheckError(ValueError):
    """A mapping that is not a correct nearest-neighbour version of its input: the checker's
    "FAIL ..." line."""


def check(
    input: Union[str, "os.PathLike[str]"],
    mapped: Union[str, "os.PathLike[str]", Mapping],
    layout: Union[str, "os.PathLike[str]", None] = None,
) -> str:
    """Checks a mapping as gridswap-check does and returns its "OK: ..." line.

    Either three files (the input circuit, the mapped circuit and its layout, by default the
    mapped circuit's path plus ".layout"), or a :class:`Mapping` as ``mapped`` with ``input``
    the circuit in gridswap's format it was mapped from (``mapping.circuit``). Raises
    :class:`CheckError` (a ValueError) with the "FAIL ..." line for a wrong mapping, OSError
    with "Cannot read file: PATH" for a file that cannot be read.
    """
    if isinstance(mapped, Mapping):
        name = mapped.mapped_name
        status, line = _core.check_text(
            name.replace(".mapped", ""), os.fspath(input), name, mapped.mapped,
            name + ".layout", mapped.layout,
        )
    else:
        mapped_path = os.fspath(mapped)
        layout_path = os.fspath(layout) if layout is not None else mapped_path + ".layout"
        status, line = _core.check_files(os.fspath(input), mapped_path, layout_path)
    if status == 2:
        raise OSError(line)
    if status != 0:
        raise CheckError(line)
    return line
