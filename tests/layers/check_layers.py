#!/usr/bin/env python3
"""Fails when a source file includes a header of a layer it may not use, or of server/ from
outside it. The layers and what each may use are those of docs/ARCHITECTURE.md.

Usage: check_layers.py SOURCE_ROOT
"""
import pathlib
import re
import sys

MAY_USE = {
    'com': {'com'},
    'automation': {'com', 'automation'},
    'support': {'com', 'support'},
    'registry': {'com', 'automation', 'support', 'registry'},
    'protect': {'com', 'automation', 'support', 'protect'},
    'settings': {'com', 'automation', 'support', 'registry', 'protect', 'settings'},
    'server': {'com', 'automation', 'support', 'registry', 'protect', 'settings', 'server'},
    'editor': {'com', 'automation', 'support', 'editor'},
    'packaging': {'com', 'automation', 'support', 'server', 'packaging'},
}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def main():
    root = pathlib.Path(sys.argv[1])
    faults = []
    for layer, allowed in MAY_USE.items():
        for path in sorted((root / layer).rglob('*')):
            if path.suffix not in ('.h', '.cpp', '.rc'):
                continue
            for included in INCLUDE.findall(path.read_text(encoding='utf-8', errors='replace')):
                target = included.split('/')[0]
                if '/' not in included:
                    faults.append('%s: "%s" does not name its layer' % (path.relative_to(root), included))
                elif target in MAY_USE and target not in allowed:
                    faults.append('%s: includes "%s"' % (path.relative_to(root), included))
    for fault in faults:
        print('layers: ' + fault)
    print('layers: %d faults' % len(faults))
    return 1 if faults else 0


if __name__ == '__main__':
    sys.exit(main())
