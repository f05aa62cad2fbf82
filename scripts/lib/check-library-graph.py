#!/usr/bin/env python3
"""Fails when the velmora_* libraries depend on each other in a cycle.

Usage: check-library-graph.py BUILD_DIR. Reads the graph `cmake --graphviz` writes
for the configured build tree and prints each library with what it uses."""
import collections
import pathlib
import re
import subprocess
import sys
import tempfile


def library_graph(build_dir):
    with tempfile.TemporaryDirectory() as scratch:
        dot = pathlib.Path(scratch) / "deps.dot"
        subprocess.run(["cmake", f"--graphviz={dot}", build_dir], check=True, capture_output=True)
        names, edges = {}, collections.defaultdict(set)
        for line in dot.read_text().splitlines():
            if m := re.match(r'\s*"(node\d+)"\s*\[\s*label\s*=\s*"([^"]+)"', line):
                names[m[1]] = m[2]
            elif m := re.match(r'\s*"(node\d+)"\s*->\s*"(node\d+)"', line):
                edges[m[1]].add(m[2])
    ours = {node for node, name in names.items() if name.startswith("velmora_")}
    return {names[n]: sorted(names[t] for t in edges[n] if t in ours) for n in ours}


def find_cycle(graph):
    state, path = {}, []

    def visit(node):
        state[node] = "open"
        path.append(node)
        for used in graph.get(node, []):
            if state.get(used) == "open":
                return path[path.index(used):] + [used]
            if used not in state and (cycle := visit(used)):
                return cycle
        path.pop()
        state[node] = "done"
        return None

    for node in sorted(graph):
        if node not in state and (cycle := visit(node)):
            return cycle
    return None


def main():
    graph = library_graph(sys.argv[1] if len(sys.argv) > 1 else "build")
    for name in sorted(graph):
        print(f"{name} -> {', '.join(graph[name]) or '-'}")
    if cycle := find_cycle(graph):
        print("cycle: " + " -> ".join(cycle), file=sys.stderr)
        return 1
    print("no cycle among the velmora_* libraries")
    return 0


if __name__ == "__main__":
    sys.exit(main())
