#!/usr/bin/env python3
"""Prints the local target path a Windows shortcut (.lnk) file points at.

Usage: read_lnk.py FILE.lnk
"""
import struct
import sys

HAS_ID_LIST, HAS_LINK_INFO = 0x1, 0x2


def target(data):
    flags, = struct.unpack_from('<I', data, 0x14)
    pos = 0x4C  # after the header
    if flags & HAS_ID_LIST:
        size, = struct.unpack_from('<H', data, pos)
        pos += 2 + size
    if not flags & HAS_LINK_INFO:
        raise ValueError('the shortcut has no link information')
    base_offset, = struct.unpack_from('<I', data, pos + 0x10)
    start = pos + base_offset
    return data[start:data.index(b'\0', start)].decode('latin-1')


if __name__ == '__main__':
    with open(sys.argv[1], 'rb') as f:
        print(target(f.read()))
