#!/usr/bin/env python3
"""Prints facts of a PE image that objdump does not show plainly:
   pe_facts.py sections <exe>  - one line per section: name and W, X flags
   pe_facts.py manifest <exe>  - the text of its application manifest"""
import struct
import sys

WRITE, EXECUTE = 0x80000000, 0x20000000
RT_MANIFEST = 24


def sections(image):
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    count = struct.unpack_from("<H", image, pe + 6)[0]
    optional_size = struct.unpack_from("<H", image, pe + 20)[0]
    table = pe + 24 + optional_size
    for i in range(count):
        entry = table + 40 * i
        name = image[entry:entry + 8].rstrip(b"\0").decode("ascii", "replace")
        virtual_size, virtual_address, raw_size, raw_offset = struct.unpack_from("<IIII", image, entry + 8)
        flags = struct.unpack_from("<I", image, entry + 36)[0]
        yield name, virtual_address, max(virtual_size, raw_size), raw_offset, flags


def manifest(image):
    rsrc = next(s for s in sections(image) if s[0] == ".rsrc")
    _, base, _, offset, _ = rsrc

    def entries(at):
        named, numbered = struct.unpack_from("<HH", image, offset + at + 12)
        for i in range(named + numbered):
            ident, target = struct.unpack_from("<II", image, offset + at + 16 + 8 * i)
            yield ident, target

    for ident, target in entries(0):
        if ident != RT_MANIFEST:
            continue
        # type -> name -> language -> data entry
        _, names = next(entries(target & 0x7FFFFFFF))
        _, data = next(entries(names & 0x7FFFFFFF))
        rva, size = struct.unpack_from("<II", image, offset + data)
        start = offset + rva - base
        return image[start:start + size].decode("utf-8")
    return ""


def main():
    what, path = sys.argv[1], sys.argv[2]
    image = open(path, "rb").read()
    if what == "sections":
        for name, _, _, _, flags in sections(image):
            print(name, "W" if flags & WRITE else "-", "X" if flags & EXECUTE else "-")
    else:
        print(manifest(image))


main()
