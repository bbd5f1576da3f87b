"""Recognition of a grid in a coupling graph: grid coordinates for its qubits, so that every
coupler joins two horizontally or vertically neighbouring sites."""

from __future__ import annotations

from typing import Dict, Iterable, List, Optional, Sequence, Tuple

from . import Chip

Edge = Tuple[int, int]


class NotAGrid(ValueError):
    """A coupling graph that no placement on a grid explains; the message says why."""


def _simple(edges: Iterable[Edge]) -> List[Edge]:
    """The undirected couplers without repeats or loops, each as (smaller, larger)."""
    seen = set()
    for a, b in edges:
        a, b = int(a), int(b)
        if a != b:
            seen.add((min(a, b), max(a, b)))
    return sorted(seen)


def _row_major(nodes: Sequence[int], edges: List[Edge]) -> Optional[Dict[int, Tuple[int, int]]]:
    """Sites for a graph numbered row by row, as CouplingMap.from_grid numbers it: the first
    width for which every coupler joins i and i + 1 in one row, or i and i + width."""
    top = max(nodes) + 1
    for width in range(1, top + 1):
        if all((b - a == 1 and a // width == b // width) or b - a == width for a, b in edges):
            return {n: (n % width, n // width) for n in nodes}
    return None


def _search(nodes: Sequence[int], edges: List[Edge], budget: int = 200000) -> Optional[Dict[int, Tuple[int, int]]]:
    """Sites for any numbering: places the qubits one at a time, most constrained first, each
    beside a placed neighbour, backtracking where a coupler would not join neighbours."""
    adjacent: Dict[int, List[int]] = {n: [] for n in nodes}
    for a, b in edges:
        adjacent[a].append(b)
        adjacent[b].append(a)
    if any(len(v) > 4 for v in adjacent.values()):
        return None
    sites: Dict[int, Tuple[int, int]] = {}
    taken: Dict[Tuple[int, int], int] = {}
    steps = [0]

    def options(n: int) -> List[Tuple[int, int]]:
        placed = [sites[m] for m in adjacent[n] if m in sites]
        x, y = placed[0]
        found = []
        for s in ((x + 1, y), (x, y + 1), (x - 1, y), (x, y - 1)):
            if s in taken:
                continue
            if all(abs(s[0] - p[0]) + abs(s[1] - p[1]) == 1 for p in placed):
                found.append(s)
        return found

    def place(component: List[int]) -> bool:
        if len(sites) == len(component):
            return True
        steps[0] += 1
        if steps[0] > budget:
            return False
        frontier = [n for n in component if n not in sites and any(m in sites for m in adjacent[n])]
        best = None
        best_options: List[Tuple[int, int]] = []
        for n in frontier:
            o = options(n)
            if best is None or len(o) < len(best_options):
                best, best_options = n, o
                if not o:
                    return False
        for s in best_options:
            sites[best] = s
            taken[s] = best
            if place(component):
                return True
            del sites[best]
            del taken[s]
        return False

    # Components side by side, each from its qubit of most couplers.
    result: Dict[int, Tuple[int, int]] = {}
    left = 0
    remaining = set(nodes)
    while remaining:
        root = max(sorted(remaining), key=lambda n: len(adjacent[n]))
        component, stack = [], [root]
        seen = {root}
        while stack:
            n = stack.pop()
            component.append(n)
            for m in adjacent[n]:
                if m not in seen:
                    seen.add(m)
                    stack.append(m)
        sites.clear()
        taken.clear()
        sites[root] = (0, 0)
        taken[(0, 0)] = root
        if not place(component):
            return None
        xs = [s[0] for s in sites.values()]
        ys = [s[1] for s in sites.values()]
        for n, (x, y) in sites.items():
            result[n] = (x - min(xs) + left, y - min(ys))
        left += max(xs) - min(xs) + 2
        remaining -= set(component)
    return result


def recognise(nodes: Sequence[int], edges: Iterable[Edge]) -> Chip:
    """The chip of a coupling graph: its qubits keep their numbers as device indices, placed
    on grid sites so that every coupler joins neighbours; the neighbouring pairs without a
    coupler become unusable couplers, and qubits without couplers are left out. Raises
    NotAGrid when no placement exists."""
    nodes = sorted({int(n) for n in nodes})
    if not nodes:
        raise NotAGrid("the coupling map has no qubits")
    simple = _simple(edges)
    for a, b in simple:
        if a not in nodes or b not in nodes:
            raise NotAGrid(f"coupler ({a}, {b}) names a qubit the coupling map does not have")
    degree: Dict[int, int] = {}
    for a, b in simple:
        degree[a] = degree.get(a, 0) + 1
        degree[b] = degree.get(b, 0) + 1
    # A qubit without couplers takes part in no two-qubit gate: it is left off the chip.
    if simple:
        nodes = [n for n in nodes if n in degree]
    crowded = [n for n in nodes if degree.get(n, 0) > 4]
    if crowded:
        raise NotAGrid(
            f"qubit {crowded[0]} has {degree[crowded[0]]} couplers, and a grid site has at most 4"
        )
    sites = _row_major(nodes, simple) or _search(nodes, simple)
    if sites is None:
        raise NotAGrid("no placement of its qubits on a grid puts every coupler between neighbours")
    xs = min(x for x, _ in sites.values())
    ys = min(y for _, y in sites.values())
    sites = {n: (x - xs, y - ys) for n, (x, y) in sites.items()}
    at = {s: n for n, s in sites.items()}
    couplers = set(simple)
    broken = []
    for n, (x, y) in sites.items():
        for s in ((x + 1, y), (x, y + 1)):
            m = at.get(s)
            if m is not None and (min(n, m), max(n, m)) not in couplers:
                broken.append((n, m))
    return Chip(qubits=sites, no_couplers=sorted(broken))
