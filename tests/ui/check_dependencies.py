#!/usr/bin/env python3
"""Fails when the toolkit's units depend on each other in a circle.

Three views, each of which must be free of cycles:
- headers: which ui/ header includes which;
- units: a unit is a header with its source file (WindowInternals.h belongs to
  WindowObject); unit A depends on unit B when A's files include B's header;
- object files: A needs B when A uses a symbol that B defines (strong
  definitions only: inline functions and template instances are everyone's).

Usage: check_dependencies.py UI_SOURCE_DIR LIBRARY NM
"""
import collections
import pathlib
import re
import subprocess
import sys

# Headers that belong to another unit than their name says.
UNIT_OF = {"WindowInternals": "WindowObject"}


def cycles(graph):
    """Strongly connected components with more than one node (Tarjan)."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(v):
        index[v] = low[v] = len(index)
        stack.append(v)
        on_stack.add(v)
        for w in graph.get(v, ()):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            component = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                component.append(w)
                if w == v:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    for v in sorted(graph):
        if v not in index:
            visit(v)
    return found


def include_graphs(ui_dir):
    headers, units = collections.defaultdict(set), collections.defaultdict(set)
    for path in sorted(ui_dir.glob("*.h")) + sorted(ui_dir.glob("*.cpp")):
        included = re.findall(r'#include "ui/([^"]+)"', path.read_text(encoding="utf-8"))
        unit = UNIT_OF.get(path.stem, path.stem)
        for name in included:
            if path.suffix == ".h":
                headers[path.name].add(name)
            other = pathlib.Path(name).stem
            other = UNIT_OF.get(other, other)
            if other != unit:
                units[unit].add(other)
    return headers, units


def object_graph(library, nm):
    def symbols(*flags):
        out = subprocess.run([nm, "-A", *flags, library], capture_output=True, text=True, check=True).stdout
        for line in out.splitlines():
            match = re.match(r"[^:]+:([^:]+):\s*[0-9a-fA-F]*\s+([A-Za-z])\s+(\S+)$", line)
            if match:
                yield match.groups()

    defined_by = collections.defaultdict(set)
    for obj, kind, name in symbols("--defined-only"):
        if kind in "TDBR":
            defined_by[name].add(obj)
    graph = collections.defaultdict(set)
    for obj, kind, name in symbols("--undefined-only"):
        graph[obj] |= defined_by.get(name, set()) - {obj}
    return graph


def main():
    ui_dir, library, nm = pathlib.Path(sys.argv[1]), sys.argv[2], sys.argv[3]
    headers, units = include_graphs(ui_dir)
    objects = object_graph(library, nm)
    if not objects:
        print(f"no object files read from {library}")
        return 1
    failed = False
    for title, graph in (("headers", headers), ("units", units), ("object files", objects)):
        found = cycles(graph)
        for component in found:
            print(f"{title} depend on each other in a circle: {' '.join(component)}")
        failed = failed or bool(found)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
