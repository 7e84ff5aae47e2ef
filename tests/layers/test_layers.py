#!/usr/bin/env python3
"""Fails, naming the file and the line, when product code includes a layer
above its own, or includes anything from tests/, bench/ or fuzz/.

Every library exports the whole source root, so the compiler accepts any
include; this is where the layering is enforced.

    test_layers.py SOURCE_ROOT
"""

import os
import re
import sys
import tempfile

# Folder prefix -> rank; the longest matching prefix decides. A file may
# include its own rank and every rank below it.
LAYERS = [
    ("platform/", 0),
    ("platform/layout/", 1),
    ("engine/", 2),
    ("store/", 3),
    ("ui/page/", 4),
    # The page's markup, style sheets and images: data that belongs with the
    # page, includes nothing of ours, and is included by the frame only.
    ("ui/res/", 4),
    ("ui/dialogs/", 5),
    ("ui/frame/", 5),
    ("app/", 6),
]
# Peers of one rank that still must not include each other: the frame's
# library links the dialogs' and not the other way round.
FORBIDDEN_PEERS = {("ui/dialogs/", "ui/frame/")}
NOT_PRODUCT = ("tests/", "bench/", "fuzz/")
SOURCE_EXTENSIONS = (".h", ".cpp")
INCLUDE = re.compile(r'^\s*#\s*include\s*[<"]([^">]+)[">]')


def layer_of(path):
    best = None
    for prefix, rank in LAYERS:
        if path.startswith(prefix) and (best is None or len(prefix) > len(best[0])):
            best = (prefix, rank)
    return best


def resolve(root, including, name):
    """The included file as a path under root, or None for a system header."""
    for base in (os.path.dirname(including), ""):
        candidate = os.path.normpath(os.path.join(base, name))
        if not candidate.startswith("..") and os.path.isfile(os.path.join(root, candidate)):
            return candidate.replace(os.sep, "/")
    return None


def product_files(root):
    for prefix, _ in LAYERS:
        top = os.path.join(root, prefix)
        for folder, _, files in os.walk(top):
            for f in files:
                if f.endswith(SOURCE_EXTENSIONS):
                    rel = os.path.relpath(os.path.join(folder, f), root).replace(os.sep, "/")
                    if layer_of(rel)[0] == prefix:  # each file once, under its own layer
                        yield rel


def violations(root):
    found = []
    for path in sorted(product_files(root)):
        own_prefix, own_rank = layer_of(path)
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
            for number, line in enumerate(f, 1):
                m = INCLUDE.match(line)
                if not m:
                    continue
                target = resolve(root, path, m.group(1))
                if target is None:
                    continue
                if target.startswith(NOT_PRODUCT):
                    found.append(f"{path}:{number}: product code includes {target}")
                    continue
                layer = layer_of(target)
                if layer is None:
                    continue
                prefix, rank = layer
                if rank > own_rank or (own_prefix, prefix) in FORBIDDEN_PEERS:
                    found.append(f"{path}:{number}: {own_prefix} may not include {target} (layer {prefix})")
    return found


def planted_upward_include_is_caught():
    """The check itself must see an upward include, or a pass means nothing."""
    with tempfile.TemporaryDirectory() as root:
        files = {
            "engine/job.h": '#pragma once\n#include "platform/lock.h"\n',
            "platform/lock.h": '#pragma once\n#include <mutex>\n\n#include "../engine/job.h"\n',
            "ui/dialogs/dlg.cpp": '#include "dlg.h"\n#include "ui/frame/frame.h"\n',
            "ui/dialogs/dlg.h": "#pragma once\n",
            "ui/frame/frame.h": '#pragma once\n#include "ui/dialogs/dlg.h"\n',
        }
        for name, text in files.items():
            os.makedirs(os.path.dirname(os.path.join(root, name)), exist_ok=True)
            with open(os.path.join(root, name), "w", encoding="utf-8") as f:
                f.write(text)
        got = violations(root)
        want = [
            "platform/lock.h:4: platform/ may not include engine/job.h (layer engine/)",
            "ui/dialogs/dlg.cpp:2: ui/dialogs/ may not include ui/frame/frame.h (layer ui/frame/)",
        ]
        if got != want:
            print("the layer check misreads a planted tree:", *got, sep="\n  ")
            return False
    return True


def main():
    if len(sys.argv) != 2:
        print(__doc__.strip())
        return 2
    if not planted_upward_include_is_caught():
        return 1
    root = sys.argv[1]
    count = sum(1 for _ in product_files(root))
    if count == 0:
        print(f"no product files under {root}")
        return 1
    found = violations(root)
    for v in found:
        print(v)
    if found:
        print(f"{len(found)} include(s) against the layers")
        return 1
    print(f"{count} product files, every include within its layer or below")
    return 0


if __name__ == "__main__":
    sys.exit(main())
