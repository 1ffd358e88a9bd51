#!/usr/bin/env python3
"""The imports and the version fields of a Windows program or DLL (PE32 or
PE32+), read from the file itself:

    pe_imports.py FILE...

prints, for each FILE, "FILE machine i386|x86-64", "FILE os MAJOR.MINOR",
"FILE subsystem MAJOR.MINOR" and one line "FILE import DLL NAME" per
imported function ("#N" for an import by ordinal N), delay-loaded ones
included."""
import struct
import sys


class PeFile:
    def __init__(self, path):
        with open(path, 'rb') as f:
            self.data = f.read()
        d = self.data
        if d[:2] != b'MZ':
            raise ValueError(f'{path}: not an MZ file')
        pe = struct.unpack_from('<I', d, 0x3c)[0]
        if d[pe:pe + 4] != b'PE\0\0':
            raise ValueError(f'{path}: no PE header')
        machine, sections, _, _, _, optional_size, _ = struct.unpack_from('<HHIIIHH', d, pe + 4)
        self.machine = {0x14c: 'i386', 0x8664: 'x86-64'}.get(machine, hex(machine))
        opt = pe + 24
        magic = struct.unpack_from('<H', d, opt)[0]
        if magic not in (0x10b, 0x20b):
            raise ValueError(f'{path}: unknown optional header {magic:#x}')
        self.wide = magic == 0x20b
        self.os_version = struct.unpack_from('<HH', d, opt + 40)
        self.subsystem_version = struct.unpack_from('<HH', d, opt + 48)
        directories = opt + (112 if self.wide else 96)
        self.directory = [struct.unpack_from('<II', d, directories + 8 * i)
                          for i in range(struct.unpack_from('<I', d, directories - 4)[0])]
        self.sections = []
        table = opt + optional_size
        for i in range(sections):
            _, vsize, vaddr, rsize, raw = struct.unpack_from('<8sIIII', d, table + 40 * i)
            self.sections.append((vaddr, max(vsize, rsize), raw))

    def offset(self, rva):
        for vaddr, size, raw in self.sections:
            if vaddr <= rva < vaddr + size:
                return raw + rva - vaddr
        raise ValueError(f'RVA {rva:#x} outside every section')

    def string(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b'\0', at)].decode('ascii')

    def thunks(self, rva):
        size, fmt, flag = (8, '<Q', 1 << 63) if self.wide else (4, '<I', 1 << 31)
        at = self.offset(rva)
        while True:
            value = struct.unpack_from(fmt, self.data, at)[0]
            if value == 0:
                return
            yield f'#{value & 0xffff}' if value & flag else self.string((value & 0x7fffffff) + 2)
            at += size

    def imports(self):
        found = []
        if len(self.directory) > 1 and self.directory[1][0]:
            at = self.offset(self.directory[1][0])
            while True:
                lookup, _, _, name, first = struct.unpack_from('<IIIII', self.data, at)
                if name == 0:
                    break
                found += [(self.string(name), f) for f in self.thunks(lookup or first)]
                at += 20
        if len(self.directory) > 13 and self.directory[13][0]:
            at = self.offset(self.directory[13][0])
            while True:
                _, name, _, _, names, _, _, _ = struct.unpack_from('<IIIIIIII', self.data, at)
                if name == 0:
                    break
                found += [(self.string(name), f) for f in self.thunks(names)]
                at += 32
        return found


def main(paths):
    for path in paths:
        pe = PeFile(path)
        print(f'{path} machine {pe.machine}')
        print(f'{path} os {pe.os_version[0]}.{pe.os_version[1]}')
        print(f'{path} subsystem {pe.subsystem_version[0]}.{pe.subsystem_version[1]}')
        for dll, function in pe.imports():
            print(f'{path} import {dll} {function}')


if __name__ == '__main__':
    main(sys.argv[1:])
