#!/usr/bin/env python3
"""Fails when a source file includes a header of a layer it may not use, or of server/ from
outside it. The layers and what each may use are those of docs/ARCHITECTURE.md. A layer is a
folder; the longest layer name that starts a path is the layer a file or an include belongs to.

Usage: check_layers.py SOURCE_ROOT
"""
import pathlib
import re
import sys

STELLWICK_BASE = {'com', 'automation', 'support', 'registry/trees'}
MAY_USE = {
    'com': {'com'},
    'automation': {'com', 'automation'},
    'support': {'com', 'support'},
    # Registry trees and .reg files: below the line, shared by the facade and Stellwick's core.
    'registry/trees': {'com', 'support', 'registry/trees'},
    'registry': {'com', 'automation', 'support', 'registry/trees', 'registry'},
    'protect': {'com', 'automation', 'support', 'protect'},
    'settings': {'com', 'automation', 'support', 'registry/trees', 'registry', 'protect', 'settings'},
    'server': {'com', 'automation', 'support', 'registry/trees', 'registry', 'protect', 'settings', 'server'},
    # Stellwick: the core knows no face; each face knows the core and itself only.
    'stellwick/core': STELLWICK_BASE | {'stellwick/core'},
    'stellwick/window': STELLWICK_BASE | {'stellwick/core', 'stellwick/window'},
    'stellwick/command_line': STELLWICK_BASE | {'stellwick/core', 'stellwick/command_line'},
    'stellwick': STELLWICK_BASE | {'stellwick', 'stellwick/core', 'stellwick/window', 'stellwick/command_line'},
    'packaging': {'com', 'automation', 'support', 'server', 'packaging'},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def layer_of(path):
    """The longest layer name that is a folder prefix of the path, or None."""
    parts = path.split('/')
    for n in range(len(parts) - 1, 0, -1):
        name = '/'.join(parts[:n])
        if name in MAY_USE:
            return name
    return None


def main():
    root = pathlib.Path(sys.argv[1])
    faults = []
    tops = sorted({name.split('/')[0] for name in MAY_USE})
    for path in sorted(p for top in tops for p in (root / top).rglob('*')):
        if path.suffix not in ('.h', '.cpp', '.rc'):
            continue
        relative = path.relative_to(root).as_posix()
        layer = layer_of(relative)
        if layer is None:
            continue
        allowed = MAY_USE[layer]
        for included in INCLUDE.findall(path.read_text(encoding='utf-8', errors='replace')):
            target = layer_of(included)
            if '/' not in included:
                faults.append('%s: "%s" does not name its layer' % (relative, included))
            elif target is not None and target not in allowed:
                faults.append('%s: includes "%s"' % (relative, included))
    for fault in faults:
        print('layers: ' + fault)
    print('layers: %d faults' % len(faults))
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
