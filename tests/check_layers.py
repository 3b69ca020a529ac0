#!/usr/bin/env python3
"""The layering of the source folders, checked on every #include "...".

The rule, written here once: the folders are floors, and a file includes
only from its own folder and from the floors listed for it below, so every
include points down and the house reads top-down:

    app/      start-up, the frame, the platforms' desktop calls   (top)
    input/    commands, keyboard, mouse, menu
    overlay/  palette, text, panel, catalogue, font, labels
    image/    BMP files, texture, screen dump
    tools/    qarn-mksurface, a program of its own beside the viewer
    base/     what every other folder includes: the view state, the
              scene's constants, stop, clock, console, angles, CheckGL

No two folders include each other, not even through a third (a circle
between folders), and no two modules do: a module is a header, its source
and its platform variants (desktop.h, desktop.cpp, desktop_x11.cpp,
desktop_win32.cpp are one module, "app/desktop"), and a header named
X_parts.h is the private header of module X, shared by X's files
(tools/convert_parts.h). tests/ and bench/ stand on top of everything and
are not checked.

Prints every include going up and every circle, then the counts; exit
status 1 if there is any. Run by `make lint`; --root checks another tree.
"""

import argparse
import os
import re
import sys

# Each folder and the floors below it that it may include from.
FLOORS = {
    "base": (),
    "image": ("base",),
    "overlay": ("base",),
    "tools": ("base", "image"),
    "input": ("base", "image", "overlay"),
    "app": ("base", "image", "overlay", "input"),
}

# The endings of a module's platform variants.
PLATFORM_ENDINGS = ("_posix", "_win32", "_x11", "_web", "_emscripten")
SOURCE_ENDINGS = (".h", ".cpp", ".h.in")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def module_of(path):
    """folder/stem of a file, its platform ending taken off."""
    folder, name = path.split("/", 1)
    for ending in SOURCE_ENDINGS[::-1]:
        if name.endswith(ending):
            name = name[: -len(ending)]
            break
    for ending in PLATFORM_ENDINGS + ("_parts",):
        if name.endswith(ending):
            name = name[: -len(ending)]
    return folder + "/" + name


def includes(root):
    """(file, included path) for every quoted include of the checked folders,
    the paths relative to root."""
    found = []
    for folder in sorted(FLOORS):
        top = os.path.join(root, folder)
        for dirpath, _, names in os.walk(top):
            for name in sorted(names):
                if not name.endswith(SOURCE_ENDINGS):
                    continue
                path = os.path.join(dirpath, name)
                rel = os.path.relpath(path, root).replace(os.sep, "/")
                with open(path, encoding="utf-8", errors="replace") as f:
                    text = f.read()
                for target in INCLUDE.findall(text):
                    if target.split("/", 1)[0] in FLOORS and "/" in target:
                        found.append((rel, target))
    return found


def circles(edges):
    """The strongly connected components of more than one node (Tarjan's
    algorithm, iterative), each sorted, in sorted order."""
    nodes = sorted(set(edges) | {t for ts in edges.values() for t in ts})
    index, low, on_stack, stack, result = {}, {}, set(), [], []
    counter = [0]
    for start in nodes:
        if start in index:
            continue
        work = [(start, iter(sorted(edges.get(start, ()))))]
        index[start] = low[start] = counter[0]
        counter[0] += 1
        stack.append(start)
        on_stack.add(start)
        while work:
            node, children = work[-1]
            for child in children:
                if child not in index:
                    index[child] = low[child] = counter[0]
                    counter[0] += 1
                    stack.append(child)
                    on_stack.add(child)
                    work.append((child, iter(sorted(edges.get(child, ())))))
                    break
                if child in on_stack:
                    low[node] = min(low[node], index[child])
            else:
                work.pop()
                if work:
                    low[work[-1][0]] = min(low[work[-1][0]], low[node])
                if low[node] == index[node]:
                    component = []
                    while True:
                        top = stack.pop()
                        on_stack.discard(top)
                        component.append(top)
                        if top == node:
                            break
                    if len(component) > 1:
                        result.append(sorted(component))
    return sorted(result)


def check(root):
    """The report's lines and the three counts: includes going up, circles
    between folders, circles between modules."""
    lines = []
    up = []
    folder_edges, module_edges = {}, {}
    for rel, target in includes(root):
        src_folder, dst_folder = rel.split("/", 1)[0], target.split("/", 1)[0]
        if dst_folder != src_folder:
            folder_edges.setdefault(src_folder, set()).add(dst_folder)
            if dst_folder not in FLOORS[src_folder]:
                up.append((rel, target))
        src_module, dst_module = module_of(rel), module_of(target)
        if src_module != dst_module:
            module_edges.setdefault(src_module, set()).add(dst_module)
    for rel, target in up:
        lines.append("going up: %s includes %s" % (rel, target))
    folder_circles = circles(folder_edges)
    module_circles = circles(module_edges)
    for c in folder_circles:
        lines.append("circle between folders: " + " <-> ".join(c))
    for c in module_circles:
        lines.append("circle between modules: " + " <-> ".join(c))
    return lines, len(up), len(folder_circles), len(module_circles)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--root", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), ".."),
                        help="the source tree (default: this one)")
    args = parser.parse_args()
    lines, n_up, n_folder, n_module = check(args.root)
    for line in lines:
        print(line)
    print("layers: %d includes going up, %d circles between folders, %d between modules"
          % (n_up, n_folder, n_module))
    return 1 if n_up or n_folder or n_module else 0


if __name__ == "__main__":
    sys.exit(main())
