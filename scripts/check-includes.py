#!/usr/bin/env python3
"""Holds every #include "folder/..." of the program to the layer table.

A file belongs to the layer of the longest folder in cmake/layers.txt that
holds it; it may include the headers of its own layer and of the layers that
its layer uses, directly or through them. Prints each offending include as
file:line and exits 1 when there is one.
"""
import pathlib
import re
import sys

root = pathlib.Path(__file__).resolve().parent.parent
table = root / "cmake" / "layers.txt"

folders = {}  # layer -> folder
uses = {}  # layer -> layers it names
for line in table.read_text().splitlines():
    line = line.strip()
    if not line or line.startswith("#"):
        continue
    name, folder, _qt, *named = line.split()
    folders[name] = folder
    uses[name] = [n for n in named if n != "-"]

unknown = sorted({n for named in uses.values() for n in named} - folders.keys())
if unknown:
    sys.exit(f"{table}: unknown layers named: {', '.join(unknown)}")


def reachable(name, seen=None):
    seen = set() if seen is None else seen
    if name not in seen:
        seen.add(name)
        for used in uses[name]:
            reachable(used, seen)
    return seen


allowed = {name: reachable(name) for name in folders}
by_depth = sorted(folders.items(), key=lambda item: -len(item[1]))


def layer_of(path):
    for name, folder in by_depth:
        if path == folder or path.startswith(folder + "/"):
            return name
    return None


include = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
faults = 0
sources = {path for folder in folders.values() for path in (root / folder).rglob("*")}
for source in sorted(sources):
    if source.suffix not in (".h", ".cpp") or not source.is_file():
        continue
    relative = source.relative_to(root).as_posix()
    layer = layer_of(relative)
    if layer is None:
        continue
    for number, text in enumerate(source.read_text(errors="replace").splitlines(), 1):
        match = include.match(text)
        if not match:
            continue
        target = layer_of(match.group(1))
        if target is not None and target not in allowed[layer]:
            print(f"{relative}:{number}: layer {layer} may not include {match.group(1)} (layer {target})")
            faults += 1

if faults:
    print(f"{faults} include(s) break the layers of {table.relative_to(root)}")
    sys.exit(1)
print("includes follow the layers")
