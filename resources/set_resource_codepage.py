#!/usr/bin/python3
"""Files every resource of a PE image under code page 1252, in place.

windres writes 0 into the code page of each resource data entry and has no way to set it;
the resources are filed under English (United States), whose code page is 1252.
"""
import struct
import sys

CODE_PAGE = 1252


def main(path):
    with open(path, 'r+b') as f:
        image = bytearray(f.read())
        pe = struct.unpack_from('<I', image, 0x3C)[0]
        if image[pe:pe + 4] != b'PE\0\0':
            sys.exit(f'{path}: not a PE image')
        sections = struct.unpack_from('<H', image, pe + 6)[0]
        optional_size = struct.unpack_from('<H', image, pe + 20)[0]
        optional = pe + 24
        magic = struct.unpack_from('<H', image, optional)[0]
        directories = optional + (96 if magic == 0x10B else 112)
        resource_rva, resource_size = struct.unpack_from('<II', image, directories + 2 * 8)
        if resource_size == 0:
            sys.exit(f'{path}: no resources')
        table = optional + optional_size
        for i in range(sections):
            entry = table + 40 * i
            virtual_size, virtual_address, raw_size, raw_pointer = struct.unpack_from('<IIII', image, entry + 8)
            if virtual_address <= resource_rva < virtual_address + max(virtual_size, raw_size):
                base = raw_pointer + resource_rva - virtual_address
                break
        else:
            sys.exit(f'{path}: resource directory lies in no section')

        changed = 0

        def walk(offset, depth):
            nonlocal changed
            named, ids = struct.unpack_from('<HH', image, base + offset + 12)
            for k in range(named + ids):
                target = struct.unpack_from('<I', image, base + offset + 16 + 8 * k + 4)[0]
                if target & 0x80000000:
                    walk(target & 0x7FFFFFFF, depth + 1)
                else:
                    struct.pack_into('<I', image, base + target + 8, CODE_PAGE)
                    changed += 1

        walk(0, 0)
        # The linker's image checksum no longer matches: compute it again.
        checksum_at = optional + 64
        struct.pack_into('<I', image, checksum_at, 0)
        checksum = 0
        padded = image + b'\0' * (len(image) % 2)
        for (word,) in struct.iter_unpack('<H', padded):
            checksum += word
            checksum = (checksum & 0xFFFF) + (checksum >> 16)
        checksum = (checksum & 0xFFFF) + (checksum >> 16)
        struct.pack_into('<I', image, checksum_at, (checksum & 0xFFFF) + len(image))
        f.seek(0)
        f.write(image)
    print(f'{path}: {changed} resources filed under code page {CODE_PAGE}')


if __name__ == '__main__':
    main(sys.argv[1])
