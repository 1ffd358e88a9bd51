#!/usr/bin/env python3
"""The import floor of the Windows deliverables:

    check.py LIST TREE32 TREE64

reads the six deliverables of the two build trees (bin/Vorlax.exe,
bin/shVorlax.dll, bin/UnInst_Vorlax.exe) and fails when

  - a file imports a function that LIST (tests/imports/floor.txt) lacks,
  - a line's minimum lies above the floor of a file that imports it,
  - a function LIST reaches only at run time ("lookup") is imported,
  - a line of LIST is imported by no file any more,
  - a file's machine, or its OS or subsystem version in the PE header, is
    not its architecture's (i386 4.0, x86-64 5.2);
  - the i686 Vorlax.exe uses an SSE register (Windows 95 and NT 4.0 never
    enable SSE: the instruction faults there);

then compiles a reference to every function LIST says the headers declare
("hdr") with the floor's WINVER, _WIN32_WINNT and _WIN32_IE, with each
tree's own C++ compiler. Prints one line per failure
and a summary."""
import os
import re
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pe_imports import PeFile  # noqa: E402

DELIVERABLES = ['Vorlax.exe', 'shVorlax.dll', 'UnInst_Vorlax.exe']
ORDER = ['95', 'vc6', 'nt4', '98', '2000', 'xp', '2003', 'x64', 'vista', '7', '8', '10']
FLOORS = {
    'i386': {'name': 'i686', 'allowed': {'95', 'vc6'}, 'pe': (4, 0),
             'macros': {'WINVER': '0x0400', '_WIN32_WINNT': '0x0400', '_WIN32_IE': '0x0200'}},
    'x86-64': {'name': 'x86-64', 'allowed': {'95', 'vc6', 'nt4', '98', '2000', 'xp', '2003', 'x64'},
               'pe': (5, 2),
               'macros': {'WINVER': '0x0502', '_WIN32_WINNT': '0x0502', '_WIN32_IE': '0x0600'}},
}
HEADERS = ['windows.h', 'commctrl.h', 'commdlg.h', 'shellapi.h', 'shlobj.h', 'ole2.h', 'excpt.h']


def read_list(path):
    entries = {}
    failures = []
    with open(path, encoding='utf-8') as f:
        for number, line in enumerate(f, 1):
            line = line.split('#', 1)[0] if line.lstrip().startswith('#') else line
            fields = line.split()
            if not fields:
                continue
            if len(fields) != 5:
                failures.append(f'{path}:{number}: five columns expected: {line.strip()}')
                continue
            dll, function, minimum, how, sources = fields
            if minimum not in ORDER:
                failures.append(f'{path}:{number}: unknown minimum {minimum}')
            if how not in ('import', 'lookup'):
                failures.append(f'{path}:{number}: HOW is import or lookup, not {how}')
            key = (dll.lower(), function)
            if key in entries:
                failures.append(f'{path}:{number}: {dll} {function} listed twice')
            entries[key] = {'minimum': minimum, 'how': how, 'sources': sources.split(','), 'line': number}
    return entries, failures


def compiler_of(tree):
    """The C++ compiler the tree was configured with."""
    import glob
    for path in glob.glob(os.path.join(tree, 'CMakeFiles', '*', 'CMakeCXXCompiler.cmake')):
        with open(path, encoding='utf-8') as f:
            m = re.search(r'set\(CMAKE_CXX_COMPILER "([^"]+)"\)', f.read())
            if m:
                return m.group(1)
    raise ValueError(f'{tree}: no configured C++ compiler')


def start_probe(compiler, macros, functions, folder):
    """Starts compiling a reference to each function with the floor's
    macros; the running compiler."""
    source = ''.join(f'#define {k} {v}\n' for k, v in macros.items())
    source += ''.join(f'#include <{h}>\n' for h in HEADERS)
    source += 'void* const probes[] = {\n'
    source += ''.join(f'    reinterpret_cast<void*>(&{f}),\n' for f in sorted(functions))
    source += '};\n'
    path = os.path.join(folder, f'probe-{len(os.listdir(folder))}.cpp')
    with open(path, 'w') as f:
        f.write(source)
    return subprocess.Popen([compiler, '-std=c++20', '-fsyntax-only', '-w', path],
                            stdout=subprocess.DEVNULL, stderr=subprocess.PIPE, text=True)


def main(list_path, tree32, tree64):
    entries, failures = read_list(list_path)
    used = set()
    counts = {}
    probes = {}
    for tree in (tree32, tree64):
        for name in DELIVERABLES:
            path = os.path.join(tree, 'bin', name)
            pe = PeFile(path)
            floor = FLOORS.get(pe.machine)
            if floor is None:
                failures.append(f'{path}: machine {pe.machine}')
                continue
            if tree == tree32 and pe.machine != 'i386' or tree == tree64 and pe.machine != 'x86-64':
                failures.append(f'{path}: machine {pe.machine} in the wrong tree')
            for what, version in (('OS', pe.os_version), ('subsystem', pe.subsystem_version)):
                if tuple(version) != floor['pe']:
                    failures.append(f'{path}: {what} version {version[0]}.{version[1]}, '
                                    f'not {floor["pe"][0]}.{floor["pe"][1]}')
            imports = pe.imports()
            counts[path] = len(imports)
            for dll, function in imports:
                key = (dll.lower(), function)
                entry = entries.get(key)
                if entry is None:
                    failures.append(f'{path}: new import {dll} {function}: add it to {list_path} '
                                    f'with the oldest Windows that has it')
                    continue
                used.add(key)
                if entry['how'] == 'lookup':
                    failures.append(f'{path}: imports {dll} {function}, which it may only look up '
                                    f'at run time (line {entry["line"]})')
                elif entry['minimum'] not in floor['allowed']:
                    failures.append(f'{path}: imports {dll} {function}, minimum {entry["minimum"]}, '
                                    f'above the {floor["name"]} floor')
                if 'hdr' in entry['sources'] and entry['minimum'] in floor['allowed']:
                    probes.setdefault(pe.machine, set()).add(function)
    for key, entry in sorted(entries.items()):
        if entry['how'] == 'import' and key not in used:
            failures.append(f'{list_path}:{entry["line"]}: {key[0]} {key[1]} is imported by no file: remove it')
    probed = {}
    with tempfile.TemporaryDirectory() as folder:
        running = []
        for machine, tree in (('i386', tree32), ('x86-64', tree64)):
            functions = probes.get(machine, set())
            running.append((machine, start_probe(compiler_of(tree), FLOORS[machine]['macros'], functions, folder)))
            probed[machine] = len(functions)
        for machine, compiler in running:
            complaints = compiler.communicate()[1]
            if compiler.returncode != 0:
                failures.append(f'the {FLOORS[machine]["name"]} headers at the floor do not declare every "hdr" '
                                f'function:\n{complaints}')
    # Vorlax.exe keeps its symbols (the other two are stripped), so its
    # functions can be told from the data the linker puts among them
    # (.gcc_except_table, the constructor lists); the three are compiled
    # alike.
    objdump = re.sub(r'-g\+\+(-\w+)?$', '-objdump', compiler_of(tree32))
    path = os.path.join(tree32, 'bin', 'Vorlax.exe')
    code = subprocess.run([objdump, '-d', path], capture_output=True, text=True, check=True).stdout
    sse, data = 0, False
    for line in code.splitlines():
        label = re.match(r'^[0-9a-f]+ <([^>]+)>:$', line)
        if label:
            data = label.group(1).startswith('.') or label.group(1) in ('__CTOR_LIST__', '__DTOR_LIST__')
        elif not data and '%xmm' in line:
            sse += 1
    if sse:
        failures.append(f'{path}: {sse} instructions use SSE registers')
    for failure in failures:
        print(f'FAIL: {failure}')
    imports = sum(1 for e in entries.values() if e['how'] == 'import')
    lookups = len(entries) - imports
    print(f'imports: {len(counts)} files, {sum(counts.values())} imports, {imports} functions listed '
          f'(+{lookups} looked up at run time); headers at the floor declare {probed.get("i386", 0)} (i686) '
          f'and {probed.get("x86-64", 0)} (x86-64); ' + ('i686 code without SSE' if sse == 0 else f'{sse} SSE instructions in i686 code')
          + (f'; {len(failures)} failures' if failures else ''))
    return 1 if failures else 0


if __name__ == '__main__':
    if len(sys.argv) != 4:
        print('usage: check.py LIST TREE32 TREE64', file=sys.stderr)
        sys.exit(2)
    sys.exit(main(*sys.argv[1:]))
