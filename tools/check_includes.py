#!/usr/bin/env python3
"""Checks the floors of the product code over its `#include "..."` lines.

Each folder (or, where a folder stands on two floors, a part of it) is a unit on one
floor. A file may include files of its own unit and of units on lower floors; never a
unit above it, nor one beside it on the same floor. A module (x.h with x.cpp) may not
reach itself again through the modules it includes: no circles, inside a unit either.
The set-up program stands apart: it includes only its own folder, and nothing includes
it. docs/architecture.md tells what each floor owns.

    tools/check_includes.py [ROOT]

Prints one line when all is well; otherwise every include that breaks a rule, and
exits with 1.
"""
import os
import re
import sys

# From the bottom up. A unit is a folder or, more specific, a path without extension
# inside one; the longest that matches a file is its unit.
FLOORS = [
    ["base", "resources"],
    ["tree", "settings", "about"],
    ["listing"],
    ["output", "settings/options_dialog"],
    ["shell"],
]
APART = ["setup"]

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"')


def unit_of(path):
    """The unit (and its floor) that a repository path belongs to, or None."""
    best = None
    for floor, units in enumerate(FLOORS):
        for unit in units:
            if (path == unit or path.startswith(unit + "/") or
                    os.path.splitext(path)[0] == unit):
                if best is None or len(unit) > len(best[0]):
                    best = (unit, floor)
    for unit in APART:
        if path.startswith(unit + "/"):
            best = (unit, None)
    return best


def product_files(root):
    folders = {u.split("/")[0] for units in FLOORS for u in units} | set(APART)
    for folder in sorted(folders):
        for dirpath, _, names in os.walk(os.path.join(root, folder)):
            for name in sorted(names):
                if name.endswith((".cpp", ".h")):
                    full = os.path.join(dirpath, name)
                    yield os.path.relpath(full, root).replace(os.sep, "/")


def resolve(root, source, target):
    """The repository path an include names: beside the file first, then from the root."""
    for base in (os.path.dirname(source), ""):
        candidate = os.path.normpath(os.path.join(base, target)).replace(os.sep, "/")
        if os.path.isfile(os.path.join(root, candidate)):
            return candidate
    return None


def circles(edges):
    """The strongly connected groups of more than one module (Tarjan)."""
    index, low, on_stack, stack, found = {}, {}, set(), [], []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on_stack.add(v)
        for w in sorted(edges.get(v, ())):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            group = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                group.append(w)
                if w == v:
                    break
            if len(group) > 1:
                found.append(sorted(group))

    for v in sorted(edges):
        if v not in index:
            visit(v)
    return found


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else
                           os.path.join(os.path.dirname(__file__), ".."))
    problems = []
    edges = {}
    files = includes = 0
    for source in product_files(root):
        files += 1
        home = unit_of(source)
        if home is None:
            problems.append(f"{source}: in no unit of tools/check_includes.py")
            continue
        module = os.path.splitext(source)[0]
        with open(os.path.join(root, source), encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                match = INCLUDE.match(line)
                if not match:
                    continue
                includes += 1
                where = f"{source}:{number}: {match.group(1)}"
                target = resolve(root, source, match.group(1))
                if target is None:
                    problems.append(f"{where}: no such file")
                    continue
                there = unit_of(target)
                if there is None:
                    problems.append(f"{where}: includes a file outside the product")
                    continue
                other = os.path.splitext(target)[0]
                if other != module:
                    edges.setdefault(module, set()).add(other)
                if there[0] == home[0]:
                    continue
                if home[1] is None or there[1] is None:
                    problems.append(f"{where}: the set-up program shares no code")
                elif there[1] > home[1]:
                    problems.append(f"{where}: runs up from {home[0]} (floor {home[1]}) "
                                    f"to {there[0]} (floor {there[1]})")
                elif there[1] == home[1]:
                    problems.append(f"{where}: {home[0]} and {there[0]} stand side by "
                                    f"side on floor {home[1]}")
    for group in circles(edges):
        problems.append("circle among the modules " + ", ".join(group))
    if problems:
        print("\n".join(problems))
        print(f"includes: {len(problems)} broken rule(s) in {files} product files")
        return 1
    print(f"includes: {files} product files, {includes} includes; none runs up a floor "
          f"or sideways, no circle")
    return 0


if __name__ == "__main__":
    sys.exit(main())
