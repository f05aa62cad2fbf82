#!/usr/bin/env python3
"""The layer check itself, run on small trees with the faults it must catch."""
import json
import pathlib
import subprocess
import sys
import tempfile
import unittest

CHECK = pathlib.Path(__file__).resolve().parents[2] / "scripts" / "lib" / "check-library-graph.py"


class LayerCheck(unittest.TestCase):
    def run_check(self, libraries, sources, documented=None):
        with tempfile.TemporaryDirectory() as scratch:
            root = pathlib.Path(scratch)
            (root / "build").mkdir()
            (root / "build" / "velmora-libraries.json").write_text(json.dumps(libraries))
            for path, text in sources.items():
                (root / "src" / path).parent.mkdir(parents=True, exist_ok=True)
                (root / "src" / path).write_text(text)
            rows = documented if documented is not None else {
                name: (lib["folder"], lib["layer"]) for name, lib in libraries.items()}
            table = "".join(f"| `src/{folder}` | `{name}` | {layer} | what | uses |\n"
                            for name, (folder, layer) in rows.items())
            (root / "ARCHITECTURE.md").write_text("| folder | library | layer | what | uses |\n|---|\n" + table)
            done = subprocess.run([sys.executable, str(CHECK), str(root / "build"), "--src", str(root / "src"),
                                   "--architecture", str(root / "ARCHITECTURE.md")],
                                  capture_output=True, text=True)
            return done.returncode, done.stderr

    LIBS = {
        "velmora_base": {"layer": 1, "folder": "base/core", "uses": []},
        "velmora_net": {"layer": 2, "folder": "net/mail", "uses": ["velmora_base"]},
        "velmora_form": {"layer": 3, "folder": "form", "uses": ["velmora_net", "velmora_base"]},
    }
    SOURCES = {
        "base/core/Core.h": "#pragma once\n",
        "net/mail/Mail.cpp": '#include "net/mail/Mail.h"\n#include "base/core/Core.h"\n#include <QString>\n',
        "form/Form.cpp": '#include "net/mail/Mail.h"\n#include "OrvVelmora/CMail.h"\n',
    }

    def test_a_tree_that_keeps_its_layers_passes(self):
        self.assertEqual(self.run_check(self.LIBS, self.SOURCES), (0, ""))

    def test_upward_and_same_layer_links_fail(self):
        libs = json.loads(json.dumps(self.LIBS))
        libs["velmora_base"]["uses"] = ["velmora_form"]
        libs["velmora_side"] = {"layer": 2, "folder": "net/side", "uses": ["velmora_net"]}
        code, errors = self.run_check(libs, self.SOURCES)
        self.assertEqual(code, 1)
        self.assertIn("velmora_base (layer 1) links velmora_form (layer 3)", errors)
        self.assertIn("velmora_side (layer 2) links velmora_net (layer 2)", errors)

    def test_an_include_of_a_library_not_linked_fails(self):
        sources = dict(self.SOURCES)
        sources["base/core/Core.cpp"] = '#include "net/mail/Mail.h"\n'
        sources["form/Other.h"] = '#  include "base/core/Core.h"\n'
        libs = json.loads(json.dumps(self.LIBS))
        libs["velmora_form"]["uses"] = ["velmora_net"]
        code, errors = self.run_check(libs, sources)
        self.assertEqual(code, 1)
        self.assertIn('src/base/core/Core.cpp includes "net/mail/Mail.h", but velmora_base does not link velmora_net',
                      errors)
        self.assertIn('src/form/Other.h includes "base/core/Core.h", but velmora_form does not link velmora_base',
                      errors)

    def test_a_nested_folder_belongs_to_its_own_library(self):
        libs = json.loads(json.dumps(self.LIBS))
        libs["velmora_inner"] = {"layer": 2, "folder": "form/inner", "uses": []}
        sources = dict(self.SOURCES)
        sources["base/core/Core.cpp"] = '#include "form/inner/Inner.h"\n'
        code, errors = self.run_check(libs, sources)
        self.assertIn("velmora_base does not link velmora_inner", errors)

    def test_a_table_that_disagrees_with_the_build_fails(self):
        documented = {"velmora_base": ("base/core", 1), "velmora_net": ("net/mail", 3), "velmora_gone": ("gone", 2)}
        code, errors = self.run_check(self.LIBS, self.SOURCES, documented)
        self.assertEqual(code, 1)
        self.assertIn("puts velmora_net in src/net/mail on layer 3; the build has src/net/mail on layer 2", errors)
        self.assertIn("no row for velmora_form", errors)
        self.assertIn("names velmora_gone", errors)


if __name__ == "__main__":
    unittest.main()
