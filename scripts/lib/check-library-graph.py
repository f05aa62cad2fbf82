#!/usr/bin/env python3
"""Fails when a velmora_* library breaks the layer picture.

Usage: check-library-graph.py BUILD_DIR [--src DIR] [--architecture FILE]

Reads velmora-libraries.json, which CMake writes into the build tree (each
library's layer, its folder below src/ and the velmora_* libraries it links),
and fails when
  - a library links one on its own layer or above,
  - a source file includes a header from the folder of a library that its own
    library does not link directly,
  - docs/ARCHITECTURE.md does not name each library's folder and layer as the
    build does.
Prints each library with its layer and what it uses."""
import argparse
import json
import pathlib
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)
# A row of the table in docs/ARCHITECTURE.md: | `src/folder` | `velmora_x` | 3 | ...
DOC_ROW = re.compile(r"^\|\s*`src/([^`]+)`\s*\|\s*`(velmora_\w+)`[^|]*\|\s*(\d+)\s*\|", re.M)


def owner_of(header, folders):
    """The library whose folder holds `header` (the longest matching folder)."""
    best = None
    for folder, name in folders.items():
        if header.startswith(folder + "/") and (best is None or len(folder) > len(best[0])):
            best = (folder, name)
    return best[1] if best else None


def edge_problems(libraries):
    problems = []
    for name, lib in sorted(libraries.items()):
        for used in lib["uses"]:
            if used not in libraries:
                problems.append(f"{name} links {used}, which has no layer")
            elif libraries[used]["layer"] >= lib["layer"]:
                problems.append(f"{name} (layer {lib['layer']}) links {used} (layer "
                                f"{libraries[used]['layer']}): a library may use only lower layers")
    return problems


def include_problems(libraries, src):
    folders = {lib["folder"]: name for name, lib in libraries.items()}
    problems = []
    for name, lib in sorted(libraries.items()):
        allowed = {name, *lib["uses"]}
        root = src / lib["folder"]
        if not root.is_dir():
            problems.append(f"{name}: its folder src/{lib['folder']} does not exist")
            continue
        for path in sorted(root.iterdir()):
            if path.suffix not in (".h", ".cpp") or not path.is_file():
                continue
            for header in INCLUDE.findall(path.read_text(encoding="utf-8", errors="replace")):
                owner = owner_of(header, folders)
                if owner and owner not in allowed:
                    problems.append(f"{path.relative_to(src.parent)} includes \"{header}\", "
                                    f"but {name} does not link {owner}")
    return problems


def document_problems(libraries, architecture):
    documented = {name: (folder, int(layer)) for folder, name, layer in DOC_ROW.findall(architecture.read_text())}
    problems = []
    for name, lib in sorted(libraries.items()):
        if name not in documented:
            problems.append(f"{architecture.name} has no row for {name}")
        elif documented[name] != (lib["folder"], lib["layer"]):
            folder, layer = documented[name]
            problems.append(f"{architecture.name} puts {name} in src/{folder} on layer {layer}; "
                            f"the build has src/{lib['folder']} on layer {lib['layer']}")
    for name in sorted(set(documented) - set(libraries)):
        problems.append(f"{architecture.name} names {name}, which the build does not have")
    return problems


def main(argv):
    parser = argparse.ArgumentParser()
    parser.add_argument("build_dir", nargs="?", default="build")
    root = pathlib.Path(__file__).resolve().parents[2]
    parser.add_argument("--src", type=pathlib.Path, default=root / "src")
    parser.add_argument("--architecture", type=pathlib.Path, default=root / "docs" / "ARCHITECTURE.md")
    args = parser.parse_args(argv)
    libraries = json.loads((pathlib.Path(args.build_dir) / "velmora-libraries.json").read_text())
    for name, lib in sorted(libraries.items(), key=lambda item: (item[1]["layer"], item[0])):
        print(f"layer {lib['layer']}  {name} (src/{lib['folder']}) -> {', '.join(sorted(lib['uses'])) or '-'}")
    problems = (edge_problems(libraries) + include_problems(libraries, args.src)
                + document_problems(libraries, args.architecture))
    for problem in problems:
        print(problem, file=sys.stderr)
    if problems:
        return 1
    print(f"{len(libraries)} libraries keep their layers")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
