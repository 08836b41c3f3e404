#!/usr/bin/env python3
"""scripts/check-shipped passes the shipped binaries and finds each fault it
is there for: the test tree's own build (POSIX threads, not stripped), and
shipped binaries with one thing changed. And the shipped plug-in's stack
guard, seen from a process that loads it: seeded at attach, differently in
each process, and a failed check ends the process as a stack overrun.

  check_shipped_test.py --shipped DIR --unshipped DIR --version 1.0.0 \
      --probe guard_probe.exe --emulator scripts/wine-run
"""

import argparse
import importlib.machinery
import importlib.util
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), '..', '..', 'scripts', 'check-shipped')
OPTIONS = None
BINARIES = ('ZelqEditor.dll', 'zelq-list.exe')


def replace_once(path, old, new):
    assert len(old) == len(new)
    with open(path, 'rb') as f:
        data = f.read()
    assert data.count(old) >= 1, (path, old)
    with open(path, 'wb') as f:
        f.write(data.replace(old, new, 1))


def clear_dll_characteristics(path, bits):
    with open(path, 'r+b') as f:
        data = bytearray(f.read())
        at = struct.unpack_from('<I', data, 0x3C)[0] + 24 + 70
        struct.pack_into('<H', data, at, struct.unpack_from('<H', data, at)[0] & ~bits)
        f.seek(0)
        f.write(data)


def wide(text):
    return text.encode('utf-16-le')


def load_checker():
    loader = importlib.machinery.SourceFileLoader('check_shipped', CHECK)
    spec = importlib.util.spec_from_loader('check_shipped', loader)
    module = importlib.util.module_from_spec(spec)
    loader.exec_module(module)
    return module


def retype_version_block_as_manifest(path):
    """Turns the version block's resource type into RT_MANIFEST (24), as if
    the program carried a manifest (and no version block)."""
    checker = load_checker()
    pe = checker.PeFile(path)
    rva, _ = pe.directories[checker.DIRECTORY_RESOURCE]
    base = pe.offset(rva)
    named, numbered = struct.unpack_from('<HH', pe.data, base + 12)
    data = bytearray(pe.data)
    for i in range(named + numbered):
        at = base + 16 + 8 * i
        if struct.unpack_from('<I', data, at)[0] == checker.RT_VERSION:
            struct.pack_into('<I', data, at, checker.RT_MANIFEST)
    with open(path, 'wb') as f:
        f.write(data)


def symbol_rvas(path, names):
    """The addresses (relative to the image's base) of the named symbols in
    a symbol file: each symbol's value within its section, plus where the
    section lies."""
    checker = load_checker()
    pe = checker.PeFile(path)
    found = {}
    strings = pe.symbol_table + 18 * pe.symbol_count
    index = 0
    while index < pe.symbol_count:
        at = pe.symbol_table + 18 * index
        raw = pe.data[at:at + 8]
        name = pe.c_string(strings + struct.unpack_from('<I', raw, 4)[0]) if raw[:4] == b'\0\0\0\0' else raw.rstrip(b'\0')
        value, section = struct.unpack_from('<Ih', pe.data, at + 8)
        if name.decode('latin-1') in names and section > 0:
            found[name.decode('latin-1')] = pe.sections[section - 1][1] + value
        index += 1 + pe.data[at + 17]
    return found


class CheckShippedTest(unittest.TestCase):
    def check(self, folder, version=None):
        result = subprocess.run([sys.executable, CHECK, '--version', version or OPTIONS.version, folder],
                                capture_output=True, text=True)
        return result.returncode, result.stdout + result.stderr

    def shipped_copy(self):
        folder = tempfile.mkdtemp(prefix='zelq-check-')
        self.addCleanup(shutil.rmtree, folder)
        for name in BINARIES:
            for suffix in ('', '.debug'):
                shutil.copyfile(os.path.join(OPTIONS.shipped, name + suffix), os.path.join(folder, name + suffix))
        return folder

    def test_the_shipped_binaries_pass(self):
        status, output = self.check(OPTIONS.shipped)
        self.assertEqual(status, 0, output)

    def test_a_build_with_posix_threads_not_stripped_fails(self):
        folder = tempfile.mkdtemp(prefix='zelq-check-')
        self.addCleanup(shutil.rmtree, folder)
        for name in BINARIES:
            # Not stripped: the binary is its own symbol file.
            shutil.copyfile(os.path.join(OPTIONS.unshipped, name), os.path.join(folder, name))
            shutil.copyfile(os.path.join(OPTIONS.unshipped, name), os.path.join(folder, name + '.debug'))
        status, output = self.check(folder)
        self.assertEqual(status, 1, output)
        for name in BINARIES:
            for finding in ('imports AddVectoredExceptionHandler from KERNEL32.dll', 'links winpthreads',
                            'has the debug section .debug_info', 'has a symbol table', 'has no debug link'):
                self.assertIn('%s: %s' % (name, finding), output)

    def test_each_change_to_a_shipped_binary_is_found(self):
        dll = 'ZelqEditor.dll'
        cases = [
            ('ASLR and DEP off', 'zelq-list.exe', lambda p: clear_dll_characteristics(p, 0x0140),
             ['zelq-list.exe: ASLR is off', 'zelq-list.exe: DEP is off']),
            ('a DLL not in the list', dll, lambda p: replace_once(p, b'SHELL32.dll', b'SHELLXX.dll'),
             [dll + ': imports SHELLXX.dll, which is not in the allowed list']),
            ('a symbol file that changed', dll + '.debug', lambda p: replace_once(p, b'.debug_info', b'.debug_inf0'),
             [dll + ": the debug link's CRC does not match ZelqEditor.dll.debug"]),
            ('a version text', dll, lambda p: replace_once(p, wide('1, 0, 0, 0'), wide('1, 0, 0, 9')),
             [dll + ": version block: FileVersion is '1, 0, 0, 9', not '1, 0, 0, 0'"]),
            ('a product name', dll, lambda p: replace_once(p, wide('Zelq Editor Dynamic'), wide('Zelq Editer Dynamic')),
             [dll + ": version block: ProductName is 'Zelq Editer Dynamic Link Library'"]),
            ('the language of the strings', dll, lambda p: replace_once(p, wide('040904b0'), wide('040904e4')),
             [dll + ": version block: string tables ['040904e4'], not only 040904b0"]),
            ('a file description', dll,
             lambda p: replace_once(p, wide('Zelq channel list'), wide('Zelq channel lisT')),
             [dll + ": version block: FileDescription is 'Zelq channel lisT editor plug-in'"]),
            ("zelq-list's file name", 'zelq-list.exe', lambda p: replace_once(p, wide('zelq-list.exe'), wide('zelq-lisz.exe')),
             ["zelq-list.exe: version block: OriginalFilename is 'zelq-lisz.exe', not 'zelq-list.exe'"]),
            ("zelq-list's version", 'zelq-list.exe', lambda p: replace_once(p, wide('1, 0, 0, 0'), wide('1, 0, 0, 9')),
             ["zelq-list.exe: version block: FileVersion is '1, 0, 0, 9', not '1, 0, 0, 0'"]),
            ('a manifest in zelq-list.exe', 'zelq-list.exe', retype_version_block_as_manifest,
             ['zelq-list.exe: has a manifest', 'zelq-list.exe: has no version block']),
            # The hardening: NO_SEH from the header, the stack protector from
            # the symbol file, the plug-in's guard not from the crypto API.
            ('NO_SEH off', dll, lambda p: clear_dll_characteristics(p, 0x0400),
             [dll + ': lacks NO_SEH (and has no SafeSEH table)']),
            ('no stack protector', 'zelq-list.exe.debug',
             lambda p: replace_once(p, b'___stack_chk_guard\0', b'___stack_chk_guarD\0'),
             ['zelq-list.exe: is built without the stack protector (no ___stack_chk_guard in its symbols)']),
            ('a unit without the stack protector', dll + '.debug',
             lambda p: replace_once(p, b' -fstack-protector-strong', b' -fno-stack-protector    '),
             [dll + ': has a unit built without -fstack-protector-strong (GNU C++17']),
            ("the plug-in's guard from the crypto API", dll, lambda p: replace_once(p, b'GetProcAddress', b'CryptGenRandom'),
             [dll + ': imports CryptGenRandom from KERNEL32.dll: its stack guard would be seeded through the crypto '
                    'API under the loader lock']),
        ]
        for what, name, change, findings in cases:
            with self.subTest(what):
                folder = self.shipped_copy()
                change(os.path.join(folder, name))
                status, output = self.check(folder)
                self.assertEqual(status, 1, output)
                for finding in findings:
                    self.assertIn(finding, output)

    def test_the_plugin_seeds_its_own_guard_at_attach(self):
        dll = os.path.join(OPTIONS.shipped, 'ZelqEditor.dll')
        rvas = symbol_rvas(dll + '.debug', ('___stack_chk_guard', '___stack_chk_fail'))
        self.assertEqual(len(rvas), 2, rvas)

        def probe(*rva):
            result = subprocess.run(OPTIONS.emulator + [OPTIONS.probe, dll] + ['%X' % a for a in rva],
                                    capture_output=True, text=True, timeout=300)
            self.assertEqual(result.returncode, 0, result.stderr)
            return int(result.stdout.strip(), 16)

        # Two processes: each guard seeded (not the value before the seed),
        # its lowest byte zero, and the two unlike.
        guards = [probe(rvas['___stack_chk_guard']) for _ in range(2)]
        for guard in guards:
            self.assertNotIn(guard, (0, 0x2F5A9C00))
            self.assertEqual(guard & 0xFF, 0)
        self.assertNotEqual(guards[0], guards[1])
        # A failed check ends the viewer's process as a stack buffer overrun.
        self.assertEqual(probe(rvas['___stack_chk_guard'], rvas['___stack_chk_fail']), 0xC0000409)

    def test_another_version_is_found_in_numbers_and_texts(self):
        status, output = self.check(OPTIONS.shipped, '1.2.3')
        self.assertEqual(status, 1, output)
        for name in BINARIES:
            for finding in ('file version is (65536, 0), not (65538, 196608)',
                            'product version is (65536, 0), not (65538, 196608)',
                            "FileVersion is '1, 0, 0, 0', not '1, 2, 3, 0'",
                            "ProductVersion is '1, 0, 0, 0', not '1, 2, 3, 0'"):
                self.assertIn('%s: version block: %s' % (name, finding), output)


if __name__ == '__main__':
    parser = argparse.ArgumentParser()
    parser.add_argument('--shipped', required=True)
    parser.add_argument('--unshipped', required=True)
    parser.add_argument('--version', required=True)
    parser.add_argument('--probe', required=True)
    parser.add_argument('--emulator', action='append', default=[])
    OPTIONS, rest = parser.parse_known_args()
    unittest.main(argv=[sys.argv[0]] + rest)
