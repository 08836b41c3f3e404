#!/usr/bin/env python3
"""A round trip between the plug-in and zelq-list.exe under Wine: the plug-in's
own add writes the list, zelq-list.exe shows and edits it, and the plug-in,
started again, shows exactly the rows zelq-list.exe said.

    roundtrip_test.py --host VistroxRoundTrip.exe --plugin ZelqEditor.dll
                      --program zelq-list.exe --emulator scripts/wine-run
"""
import argparse
import csv
import io
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

OPTIONS = None

ADDED = 'تم أضافة القناة لقائمة القنوات'
EXISTS = 'القناة موجودة مسبقا في قائمة القنوات'


class RoundTripTest(unittest.TestCase):
    maxDiff = None

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix='zelq-round-trip-')
        for path in (OPTIONS.host, OPTIONS.plugin, OPTIONS.program):
            shutil.copy(path, self.folder)
        self.list = os.path.join(self.folder, 'ChannelList.ini')

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def run_program(self, name, *arguments):
        with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
            done = subprocess.run([OPTIONS.emulator, os.path.join(self.folder, name)] + list(arguments),
                                  cwd=self.folder, stdout=out, stderr=err, timeout=300)
            out.seek(0)
            err.seek(0)
            return done.returncode, out.read().decode('utf-8'), err.read().decode('utf-8')

    def host(self, *arguments):
        code, out, err = self.run_program(os.path.basename(OPTIONS.host), *arguments)
        self.assertEqual((code, err), (0, ''), out)
        return out.splitlines()

    def zelq(self, *arguments):
        code, out, err = self.run_program(os.path.basename(OPTIONS.program), *arguments)
        self.assertEqual((code, err), (0, ''), ' '.join(arguments) + '\n' + out)
        return out

    def plugin_rows(self):
        """The rows the plug-in shows at its start: (name, satellite, checked)."""
        return [tuple(line.split('\t')) for line in self.host('rows')]

    def zelq_rows(self):
        """The rows zelq-list says the plug-in shows, in the plug-in's terms."""
        records = csv.DictReader(io.StringIO(self.zelq('show', '--format', 'csv')))
        return [(record['name'], record['satellite'], '1' if record['flag'] != '0' else '0') for record in records]

    def read(self):
        with open(self.list, 'rb') as file:
            return file.read()

    def test_round_trip(self):
        statuses = self.host('add',
                             'الجزيرة', '1001', '260', '12015000',
                             'MBC 1', '305', '70', '10815000',
                             'نايل دراما', '2002', '3530', '11862000',
                             'Al Jazeera', '4660', '130', '11747000',
                             'الجزيرة 2', '1001', '260', '12100000')
        self.assertEqual(statuses, [ADDED, ADDED, ADDED, ADDED, EXISTS])
        self.assertEqual(self.zelq('show'), (
            'Row  Line  ✓  Ident  Position  Satellite       MHz  Name\n'
            '  1     1  ✓   1001    26.0°E  ArabSat 2A    12015  الجزيرة\n'
            '  2     2  ✓    305     7.0°E  EutelSat W3A  10815  MBC 1\n'
            '  3     3  ✓   2002     7.0°W  Nile Sat      11862  نايل دراما\n'
            '  4     4  ✓   4660    13.0°E  HotBird       11747  Al Jazeera\n'))
        self.assertEqual(self.zelq('check'), 'ChannelList.ini: 4 rows from 4 lines; no findings; the plug-in\'s '
                                             'next start leaves the list as it is\n')
        self.assertEqual(self.plugin_rows(), self.zelq_rows())

        self.zelq('rename', '1', 'الجزيرة مباشر')
        self.zelq('flag', '2', 'off')
        self.zelq('move', '4', '1')
        self.zelq('remove', '4')
        expected = [('Al Jazeera', 'HotBird', '1'), ('الجزيرة مباشر', 'ArabSat 2A', '1'),
                    ('MBC 1', 'EutelSat W3A', '0')]
        self.assertEqual(self.zelq_rows(), expected)
        edited = self.read()
        self.assertEqual(self.plugin_rows(), expected)
        # The edits left the list as the plug-in writes it: its start changed nothing.
        self.assertEqual(self.read(), edited)

        # The removed channel can be added again, after the edited rows.
        self.assertEqual(self.host('add', 'نايل دراما', '2002', '3530', '11862000'), [ADDED])
        expected.append(('نايل دراما', 'Nile Sat', '1'))
        self.assertEqual(self.zelq_rows(), expected)
        self.assertEqual(self.plugin_rows(), expected)


def main():
    global OPTIONS
    parser = argparse.ArgumentParser()
    for name in ('--host', '--plugin', '--program', '--emulator'):
        parser.add_argument(name, required=True)
    OPTIONS, rest = parser.parse_known_args()
    # Start Wine's helpers with no output of ours to hold.
    subprocess.run([OPTIONS.emulator, OPTIONS.program, '--version'], stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL, timeout=300)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == '__main__':
    main()
