#!/usr/bin/env python3
"""Writes a copy of a program with the revision of its version resource
raised by one: the point release the demo publishes.

    raise-version.py PROGRAM OUT

Prints the new version (major.minor.revision).
"""
import struct
import sys

SIGNATURE = struct.pack('<I', 0xFEEF04BD)
KEY = 'VS_VERSION_INFO'.encode('utf-16-le') + b'\0\0'


def find_fixed_info(data):
    """Offset of the fixed version block, or -1. Found after the block's
    key: the signature alone also occurs in code that reads such blocks."""
    key = data.find(KEY)
    while key >= 0:
        at = (key + len(KEY) + 3) & ~3
        if data[at:at + 4] == SIGNATURE:
            return at
        key = data.find(KEY, key + 1)
    return -1


def main(program, out):
    data = bytearray(open(program, 'rb').read())
    at = find_fixed_info(data)
    if at < 0:
        sys.exit(f'raise-version: {program} has no version resource')
    # Signature, structure version, then file and product versions, each as
    # (major << 16 | minor, revision << 16 | build).
    fields = list(struct.unpack_from('<6I', data, at))
    for ms, ls in ((2, 3), (4, 5)):
        revision = (fields[ls] >> 16) + 1
        if revision > 0xFFFF:
            sys.exit('raise-version: the revision is at its highest')
        fields[ls] = (revision << 16) | (fields[ls] & 0xFFFF)
    struct.pack_into('<6I', data, at, *fields)
    with open(out, 'wb') as f:
        f.write(data)
    print(f'{fields[2] >> 16}.{fields[2] & 0xFFFF}.{fields[3] >> 16}')


if __name__ == '__main__':
    main(*sys.argv[1:])
