#!/usr/bin/env python3
"""Runs zelq-list on the small lists in lists/ and checks its exact output,
its exit codes and the bytes of the list afterwards.

    cli_test.py --program PATH [--faults PATH] [--emulator PROGRAM] [TEST...]

--program is zelq-list (or zelq-list.exe with --emulator scripts/wine-run),
--faults the zelq-list-faults program built beside it. TEST names select
tests as unittest does (for instance ShowTest.test_table).

Every test runs in a folder of its own, with the list as ChannelList.ini in
it, so the program's default list is the one under test. Output is captured
into files rather than pipes: a Windows program's helper processes under Wine
may keep a pipe open long after the program ended.
"""
import argparse
import csv
import io
import json
import os
import shlex
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
LISTS = os.path.join(HERE, 'lists')

PROGRAM = None
FAULTS = None
EMULATOR = []

LIST = 'ChannelList.ini'


def cp1256(text):
    return text.encode('cp1256')


def lines(*items):
    """A list's bytes from its lines, each given without its line break (CR LF)."""
    return b''.join((item if isinstance(item, bytes) else cp1256(item)) + b'\r\n' for item in items)


def run(arguments, cwd, program=None, env=None, timeout=120, prefix=()):
    """Runs a program (after the prefix, a command such as setpriv); returns
    (exit code, stdout, stderr), the outputs as text."""
    command = list(prefix) + EMULATOR + [program or PROGRAM] + list(arguments)
    environment = dict(os.environ)
    environment.pop('COLUMNS', None)
    environment.update(env or {})
    with tempfile.TemporaryFile() as out, tempfile.TemporaryFile() as err:
        done = subprocess.run(command, cwd=cwd, stdout=out, stderr=err, env=environment, timeout=timeout)
        out.seek(0)
        err.seek(0)
        return done.returncode, out.read().decode('utf-8'), err.read().decode('utf-8')


class ListTest(unittest.TestCase):
    maxDiff = None

    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix='zelq-cli-')

    def tearDown(self):
        shutil.rmtree(self.folder, ignore_errors=True)

    def path(self, name=LIST):
        return os.path.join(self.folder, name)

    def use(self, fixture, name=LIST):
        """Copies a list from lists/ into the test's folder; returns its bytes."""
        shutil.copyfile(os.path.join(LISTS, fixture), self.path(name))
        return self.read(name)

    def write(self, data, name=LIST):
        with open(self.path(name), 'wb') as file:
            file.write(data)
        return data

    def read(self, name=LIST):
        with open(self.path(name), 'rb') as file:
            return file.read()

    def zelq(self, *arguments, **options):
        return run(arguments, self.folder, **options)

    def assertRun(self, arguments, out='', err='', code=0, **options):
        result = self.zelq(*arguments, **options)
        self.assertEqual(result, (code, out, err), 'zelq-list ' + ' '.join(arguments))

    def assertErrors(self, errors):
        """Each (arguments, message) fails with exit status 2 and the message
        as its one line on standard error."""
        for arguments, message in errors:
            with self.subTest(arguments=arguments[:4]):
                self.assertRun(arguments, err='zelq-list: ' + message + '\n', code=2)

    def assertOnlyFiles(self, *names):
        """No temporary file is left beside the list."""
        self.assertEqual(sorted(os.listdir(self.folder)), sorted(names))


CLEAN_TABLE = (
    'Row  Line  ✓  Ident  Position  Satellite       MHz  Name\n'
    '  1     1  ✓   4660    13.0°E  HotBird       11747  Al Jazeera\n'
    '  2     2  ✓   1001    26.0°E  ArabSat 2A    12015  الجزيرة\n'
    '  3     3      2002     7.0°W  Nile Sat      11862  نايل دراما\n'
    '  4     4  ✓    305     7.0°E  EutelSat W3A  10815  MBC 1\n')


class ShowTest(ListTest):
    def test_table(self):
        self.use('clean.ini')
        self.assertRun(['show'], CLEAN_TABLE)
        self.assertRun(['show', '--format', 'table'], CLEAN_TABLE)

    def test_table_fits_the_terminal(self):
        # The satellite names give way first, then the channel names.
        self.use('clean.ini')
        self.assertRun(['show'], CLEAN_TABLE, env={'COLUMNS': '62'})
        self.assertRun(['show'], env={'COLUMNS': '59'}, out=(
            'Row  Line  ✓  Ident  Position  Satellite    MHz  Name\n'
            '  1     1  ✓   4660    13.0°E  HotBird    11747  Al Jazeera\n'
            '  2     2  ✓   1001    26.0°E  ArabSat …  12015  الجزيرة\n'
            '  3     3      2002     7.0°W  Nile Sat   11862  نايل دراما\n'
            '  4     4  ✓    305     7.0°E  EutelSat…  10815  MBC 1\n'))
        self.assertRun(['show'], env={'COLUMNS': '40'}, out=(
            'Row  Line  ✓  Ident  Position  Satellite    MHz  Name\n'
            '  1     1  ✓   4660    13.0°E  HotBird    11747  Al Jaze…\n'
            '  2     2  ✓   1001    26.0°E  ArabSat …  12015  الجزيرة\n'
            '  3     3      2002     7.0°W  Nile Sat   11862  نايل در…\n'
            '  4     4  ✓    305     7.0°E  EutelSat…  10815  MBC 1\n'))

    def test_csv(self):
        self.use('clean.ini')
        self.assertRun(['show', '--format', 'csv'], (
            '\ufeffrow,line,flag,ident,position,satellite,mhz,code,tenths,name,"view: every row (4 rows, 878F3E7F)"\r\n'
            '1,1,1,4660,13.0°E,HotBird,11747,A271914BA85C,130,Al Jazeera\r\n'
            '2,2,1,1001,26.0°E,ArabSat 2A,12015,7FE6CA5BB4C8,260,الجزيرة\r\n'
            '3,3,0,2002,7.0°W,Nile Sat,11862,442C3F530502,3530,نايل دراما\r\n'
            '4,4,1,305,7.0°E,EutelSat W3A,10815,A7A65058678C,70,MBC 1\r\n'))

    def test_csv_quotes_commas_and_quotes(self):
        self.write(lines('[ 1 A271914BA85C ] [Sport, "Live"]', '[ 1 7FE6CA5BB4C8 ] [ spaced ]'))
        self.assertRun(['show', '--format', 'csv'], (
            '\ufeffrow,line,flag,ident,position,satellite,mhz,code,tenths,name,"view: every row (2 rows, 1D1CEE1F)"\r\n'
            '1,1,1,4660,13.0°E,HotBird,11747,A271914BA85C,130,"Sport, ""Live"""\r\n'
            '2,2,1,1001,26.0°E,ArabSat 2A,12015,7FE6CA5BB4C8,260," spaced "\r\n'))

    def test_json(self):
        self.use('clean.ini')
        code, out, err = self.zelq('show', '--format', 'json')
        self.assertEqual((code, err), (0, ''))
        self.assertEqual(json.loads(out), [
            {'row': 1, 'line': 1, 'flag': 1, 'ident': 4660, 'position': '13.0°E', 'satellite': 'HotBird',
             'mhz': 11747, 'code': 'A271914BA85C', 'tenths': 130, 'name': 'Al Jazeera'},
            {'row': 2, 'line': 2, 'flag': 1, 'ident': 1001, 'position': '26.0°E', 'satellite': 'ArabSat 2A',
             'mhz': 12015, 'code': '7FE6CA5BB4C8', 'tenths': 260, 'name': 'الجزيرة'},
            {'row': 3, 'line': 3, 'flag': 0, 'ident': 2002, 'position': '7.0°W', 'satellite': 'Nile Sat',
             'mhz': 11862, 'code': '442C3F530502', 'tenths': 3530, 'name': 'نايل دراما'},
            {'row': 4, 'line': 4, 'flag': 1, 'ident': 305, 'position': '7.0°E', 'satellite': 'EutelSat W3A',
             'mhz': 10815, 'code': 'A7A65058678C', 'tenths': 70, 'name': 'MBC 1'}])
        self.assertEqual(out.splitlines()[1],
                         '  {"row":1,"line":1,"flag":1,"ident":4660,"position":"13.0°E","satellite":"HotBird",'
                         '"mhz":11747,"code":"A271914BA85C","tenths":130,"name":"Al Jazeera"},')
        # An output far larger than the program holds at once comes out
        # whole, every name in its place.
        names = ['قناة رقم %d' % row for row in range(3000)]
        self.write(lines(*['[ 1 %08X0000 ] [%s]' % (row + 1, name) for row, name in enumerate(names)]))
        code, out, err = self.zelq('show', '--format', 'json')
        self.assertEqual((code, err, [row['name'] for row in json.loads(out)]), (0, '', names))

    def test_rows_are_the_plugins(self):
        # Lines that do not read and later lines of a channel are no rows; a
        # name over 30 bytes shows cut; the flag FF of "1FF" is a check mark.
        self.use('findings.ini')
        self.assertRun(['show'], (
            'Row  Line  ✓  Ident  Position  Satellite       MHz  Name\n'
            '  1     1  ✓   4660    13.0°E  HotBird       11747  Al Jazeera\n'
            '  2     2  ✓   1001    26.0°E  ArabSat 2A    12015  الجزيرة\n'
            '  3     5  ✓    305     7.0°E  EutelSat W3A  10815  MBC 1\n'
            '  4     8  ✓     77    19.2°E  Astra 1B-1H   11362  A channel name of over thirty\n'
            '  5    10  ✓   2002     7.0°W  Nile Sat      11862  نايل دراما\n'
            '  6    11  ✓   5000    13.0°E  HotBird       12596  Last\n'))
        code, out, _ = self.zelq('show', '--format', 'json')
        self.assertEqual([(row['line'], row['flag'], row['name']) for row in json.loads(out)][3:],
                         [(8, 1, 'A channel name of over thirty '), (10, 1, 'نايل دراما'), (11, 255, 'Last')])

    def test_empty_missing_and_byte_order_mark(self):
        self.write(b'')
        self.assertRun(['show'], 'Row  Line  ✓  Ident  Position  Satellite  MHz  Name\n')
        self.assertRun(['show', '--format', 'json'], '[]\n')
        self.assertRun(['show', '--format', 'csv'], '\ufeffrow,line,flag,ident,position,satellite,mhz,code,tenths,name,"view: every row (0 rows, 00000000)"\r\n')
        self.write(b'\xef\xbb\xbf' + lines('[ 1 A271914BA85C ] [Al Jazeera]'))
        self.assertRun(['show', '--format', 'csv'], '\ufeffrow,line,flag,ident,position,satellite,mhz,code,tenths,name,"view: every row (1 row, 2C198D5D)"\r\n'
                                                    '1,1,1,4660,13.0°E,HotBird,11747,A271914BA85C,130,Al Jazeera\r\n')
        os.remove(self.path())
        self.assertRun(['show'], err='zelq-list: cannot read ChannelList.ini: no such file\n', code=2)
        self.assertRun(['--list', 'other.ini', 'check'], err='zelq-list: cannot read other.ini: no such file\n',
                       code=2)

    def test_code_pages_and_control_characters(self):
        self.write(lines(b'[ 1 A271914BA85C ] [Caf\xe9\x1b[2J]'))
        self.assertRun(['show', '--format', 'csv'], '\ufeffrow,line,flag,ident,position,satellite,mhz,code,tenths,name,"view: every row (1 row, 2C198D5D)"\r\n'
                                                    '1,1,1,4660,13.0°E,HotBird,11747,A271914BA85C,130,Café\x1b[2J\r\n')
        self.assertRun(['--codepage', '1252', 'show', '--format', 'csv'],
                       '\ufeffrow,line,flag,ident,position,satellite,mhz,code,tenths,name,"view: every row (1 row, 2C198D5D)"\r\n'
                       '1,1,1,4660,13.0°E,HotBird,11747,A271914BA85C,130,Café\x1b[2J\r\n')
        # A terminal gets control characters made visible.
        self.assertRun(['--codepage', '1252', 'show'],
                       'Row  Line  ✓  Ident  Position  Satellite    MHz  Name\n'
                       '  1     1  ✓   4660    13.0°E  HotBird    11747  Café\\x1B[2J\n')
        self.assertRun(['--codepage', '9999', 'show'], err='zelq-list: code page 9999 is not known here\n', code=2)
        self.assertRun(['--codepage', '936', 'show'],
                       err='zelq-list: code page 936 is not a single-byte code page\n', code=2)


FINDINGS_CHECK = (
    'ChannelList.ini:3: 2 blank lines, removed\n'
    'ChannelList.ini:5: not in canonical form (lower-case digits, ends in LF only), rewritten as '
    '[ 1 A7A65058678C ] [MBC 1]\n'
    'ChannelList.ini:6: does not read: the code has 8 digits, 9 to 12 are needed; ignored and kept as it is\n'
    'ChannelList.ini:7: a duplicate of line 1, ident 4660 at 13.0°E, dropped\n'
    'ChannelList.ini:8: a name over 30 bytes (35), shown cut as "A channel name of over thirty "; kept as it is\n'
    'ChannelList.ini:9: does not read: it does not begin with "["; ignored and kept as it is\n'
    'ChannelList.ini:10: not in canonical form (spacing or digits differ), rewritten as '
    '[ 1 442C3F530502 ] [نايل دراما]\n'
    'ChannelList.ini:11: not in canonical form (indented, spacing or digits differ, no line break at the end '
    'of the file), rewritten as [ FF 1E702D4A7E41 ] [Last]\n'
    'ChannelList.ini: 6 rows from 9 lines; 1 duplicate dropped, 3 lines rewritten, 2 blank lines removed, '
    '2 lines unreadable, 1 name cut; the plug-in\'s next start rewrites the list\n')

# What normalise says it does to findings.ini: the findings that change it.
FINDINGS_NORMALISE = ''.join(line + '\n' for line in FINDINGS_CHECK.splitlines()
                             if 'does not read' not in line and 'over 30 bytes' not in line and ' rows from ' not in line)

# What the plug-in's start makes of findings.ini.
FINDINGS_NORMALISED = lines(
    '[ 1 A271914BA85C ] [Al Jazeera]',
    '[ 1 7FE6CA5BB4C8 ] [الجزيرة]',
    '[ 1 A7A65058678C ] [MBC 1]',
    '[ 1 A271914B ] [Short code]',
    '[ 1 DB21AA593B0D ] [A channel name of over thirty bytes]',
    '# my channels',
    '[ 1 442C3F530502 ] [نايل دراما]',
    '[ FF 1E702D4A7E41 ] [Last]')


class CheckTest(ListTest):
    def test_every_finding(self):
        original = self.use('findings.ini')
        self.assertRun(['check'], FINDINGS_CHECK, code=1)
        self.assertEqual(self.read(), original)

    def test_every_reason_a_line_does_not_read(self):
        # Lines that do not read are reported, but the plug-in keeps them as
        # they are: nothing would change, so check exits 0.
        self.use('unreadable.ini')
        self.assertRun(['check'], (
            'ChannelList.ini:2: does not read: it does not begin with "["; ignored and kept as it is\n'
            'ChannelList.ini:3: does not read: no flag after the first "["; ignored and kept as it is\n'
            'ChannelList.ini:4: does not read: the code has 14 digits, 9 to 12 are needed; ignored and kept as it '
            'is\n'
            'ChannelList.ini:5: does not read: the code\'s 11 digits do not form three groups of up to four; '
            'ignored and kept as it is\n'
            'ChannelList.ini:6: does not read: no "]" after the code; ignored and kept as it is\n'
            'ChannelList.ini:7: does not read: no "[" before the name; ignored and kept as it is\n'
            'ChannelList.ini:8: does not read: the name is empty; ignored and kept as it is\n'
            'ChannelList.ini:9: does not read: the name has no closing "]"; ignored and kept as it is\n'
            'ChannelList.ini: 1 row from 9 lines; 8 lines unreadable; the plug-in\'s next start leaves the list as '
            'it is\n'))

    def test_clean_list(self):
        self.use('clean.ini')
        self.assertRun(['check'], 'ChannelList.ini: 4 rows from 4 lines; no findings; the plug-in\'s next start '
                                  'leaves the list as it is\n')
        self.write(b'')
        self.assertRun(['check'], 'ChannelList.ini: 0 rows from 0 lines; no findings; the plug-in\'s next start '
                                  'leaves the list as it is\n')

    def test_blank_lines_and_shared_lines(self):
        self.write(b'\r\n[ 1 A271914BA85C ] [Al Jazeera] [ 1 7FE6CA5BB4C8 ] [Two]\r\n  \t')
        self.assertRun(['check'], (
            'ChannelList.ini:1: a blank line, removed\n'
            'ChannelList.ini:2: not in canonical form (the next line follows on the same line of text), rewritten '
            'as [ 1 A271914BA85C ] [Al Jazeera]\n'
            'ChannelList.ini:3: a blank line, removed\n'
            'ChannelList.ini: 2 rows from 2 lines; 1 line rewritten, 2 blank lines removed; the plug-in\'s next '
            'start rewrites the list\n'), code=1)

    def test_check_agrees_with_the_plugins_rewrite(self):
        # check exits 1 exactly when normalise (the plug-in's own rewrite)
        # changes the file, and 0 after it.
        for fixture in ('clean.ini', 'findings.ini', 'unreadable.ini', 'other.ini', 'third.ini'):
            with self.subTest(fixture=fixture):
                before = self.use(fixture)
                code, _, _ = self.zelq('check')
                self.assertEqual(self.zelq('normalise')[0], 0)
                self.assertEqual(code, 1 if self.read() != before else 0)
                self.assertEqual(self.zelq('check')[0], 0)


class EditTest(ListTest):
    def test_remove(self):
        self.use('clean.ini')
        self.assertRun(['remove', '3', '1'], (
            'ChannelList.ini:1: remove row 1: [ 1 A271914BA85C ] [Al Jazeera]\n'
            'ChannelList.ini:3: remove row 3: [ 0 442C3F530502 ] [نايل دراما]\n'
            'ChannelList.ini: wrote 2 rows\n'))
        self.assertEqual(self.read(), lines('[ 1 7FE6CA5BB4C8 ] [الجزيرة]', '[ 1 A7A65058678C ] [MBC 1]'))

    def test_remove_takes_the_later_lines_of_the_channel(self):
        # Otherwise the plug-in would show the older line in the removed
        # row's place. Every other line stays byte for byte.
        original = self.use('findings.ini')
        self.assertRun(['remove', '1'], (
            'ChannelList.ini:1: remove row 1: [ 1 A271914BA85C ] [Al Jazeera]\n'
            'ChannelList.ini:7: remove a later line of row 1\'s channel, which would otherwise take its place: '
            '[ 1 A271914BA85D ] [Al Jazeera 2]\n'
            'ChannelList.ini: wrote 5 rows\n'))
        self.assertEqual(self.read(), original.replace(b'[ 1 A271914BA85C ] [Al Jazeera]\r\n', b'')
                                              .replace(b'[ 1 A271914BA85D ] [Al Jazeera 2]\r\n', b''))

    def test_move(self):
        self.use('clean.ini')
        self.assertRun(['move', '4', '1'], 'ChannelList.ini:4: move row 4 to row 1: [ 1 A7A65058678C ] [MBC 1]\n'
                                           'ChannelList.ini: wrote 4 rows\n')
        self.assertEqual(self.read(), lines('[ 1 A7A65058678C ] [MBC 1]', '[ 1 A271914BA85C ] [Al Jazeera]',
                                            '[ 1 7FE6CA5BB4C8 ] [الجزيرة]', '[ 0 442C3F530502 ] [نايل دراما]'))
        self.assertRun(['move', '2', '2'], 'ChannelList.ini: nothing to change\n')

    def test_move_keeps_unreadable_lines_in_their_places(self):
        original = self.use('findings.ini')
        # Row 1 moves to the end, past its channel's later line (line 7),
        # which goes; the line without a line break gets one.
        self.assertRun(['move', '1', '6'], (
            'ChannelList.ini:1: move row 1 to row 6: [ 1 A271914BA85C ] [Al Jazeera]\n'
            'ChannelList.ini:7: remove a later line of row 1\'s channel, which would otherwise take its place: '
            '[ 1 A271914BA85D ] [Al Jazeera 2]\n'
            'ChannelList.ini: wrote 6 rows\n'))
        self.assertEqual(self.read(), b''.join([
            lines('[ 1 7FE6CA5BB4C8 ] [الجزيرة]'),
            b'[ 1 a7a65058678c ] [MBC 1]\n',
            b'\r\n   \r\n',
            lines('[ 1 DB21AA593B0D ] [A channel name of over thirty bytes]', '[ 1 A271914B ] [Short code]',
                  '[  1  442C 3F53 0502 ] [نايل دراما]', '# my channels', '  [ 1FF 1E702D4A7E41 ] [Last]',
                  '[ 1 A271914BA85C ] [Al Jazeera]')]))
        code, out, _ = self.zelq('show', '--format', 'csv')
        self.assertEqual([row[9] for row in csv.reader(io.StringIO(out, newline=''))][1:],
                         ['الجزيرة', 'MBC 1', 'A channel name of over thirty ', 'نايل دراما', 'Last', 'Al Jazeera'])

    def test_rename_in_arabic(self):
        self.use('clean.ini')
        self.assertRun(['rename', '2', 'الجزيرة مباشر'], (
            'ChannelList.ini:2: rename row 2: [ 1 7FE6CA5BB4C8 ] [الجزيرة] -> [ 1 7FE6CA5BB4C8 ] [الجزيرة مباشر]\n'
            'ChannelList.ini: wrote 4 rows\n'))
        self.assertEqual(self.read(), lines('[ 1 A271914BA85C ] [Al Jazeera]', '[ 1 7FE6CA5BB4C8 ] [الجزيرة مباشر]',
                                            '[ 0 442C3F530502 ] [نايل دراما]', '[ 1 A7A65058678C ] [MBC 1]'))
        self.assertRun(['rename', '2', 'الجزيرة مباشر'], 'ChannelList.ini: nothing to change\n')

    def test_rename_refuses_names_that_would_not_read_back(self):
        original = self.use('clean.ini')
        refusals = [
            (['rename', '1', 'A]B'], 'the name "A]B" holds "]", which ends a name in the list'),
            (['rename', '1', ''], 'the name "" is empty, and a name in the list cannot be'),
            (['rename', '1', 'two\nlines'], 'the name "two\\x0Alines" holds a line break'),
            (['rename', '1', 'قناة الجزيرة الوثائقية الفضائية'],
             'the name "قناة الجزيرة الوثائقية الفضائية" takes 31 bytes in code page 1256, and a name in the list '
             'holds at most 30'),
            (['rename', '1', 'テレビ'], 'the name "テレビ" does not fit code page 1256: it has no "テ" (U+30C6)'),
            (['--codepage', '1252', 'rename', '1', 'قناة'],
             'the name "قناة" does not fit code page 1252: it has no "ق" (U+0642)'),
            (['rename', '0', 'X'], 'there is no row 0: the list has 4 rows'),
            (['rename', '5', 'X'], 'there is no row 5: the list has 4 rows'),
            (['rename', 'one', 'X'], '"one" is not a row number'),
        ]
        self.assertErrors(refusals)
        self.assertEqual(self.read(), original)
        self.assertOnlyFiles(LIST, 'ChannelList.lck')

    def test_rename_changes_only_its_line(self):
        original = self.use('findings.ini')
        self.assertRun(['rename', '4', 'Short now'], (
            'ChannelList.ini:8: rename row 4: [ 1 DB21AA593B0D ] [A channel name of over thirty bytes] -> '
            '[ 1 DB21AA593B0D ] [Short now]\n'
            'ChannelList.ini: wrote 6 rows\n'))
        self.assertEqual(self.read(), original.replace(b'A channel name of over thirty bytes', b'Short now'))

    def test_flag(self):
        self.use('clean.ini')
        self.assertRun(['flag', '3', 'on'], (
            'ChannelList.ini:3: flag row 3 on: [ 0 442C3F530502 ] [نايل دراما] -> [ 1 442C3F530502 ] [نايل دراما]\n'
            'ChannelList.ini: wrote 4 rows\n'))
        self.assertRun(['flag', '1', 'off'], (
            'ChannelList.ini:1: flag row 1 off: [ 1 A271914BA85C ] [Al Jazeera] -> [ 0 A271914BA85C ] [Al Jazeera]\n'
            'ChannelList.ini: wrote 4 rows\n'))
        self.assertEqual(self.read(), lines('[ 0 A271914BA85C ] [Al Jazeera]', '[ 1 7FE6CA5BB4C8 ] [الجزيرة]',
                                            '[ 1 442C3F530502 ] [نايل دراما]', '[ 1 A7A65058678C ] [MBC 1]'))
        self.assertRun(['flag', '2', 'on'], 'ChannelList.ini: nothing to change\n')

    def test_flag_keeps_a_long_name_whole(self):
        original = self.use('findings.ini')
        self.assertRun(['flag', '4', 'off'], (
            'ChannelList.ini:8: flag row 4 off: [ 1 DB21AA593B0D ] [A channel name of over thirty bytes] -> '
            '[ 0 DB21AA593B0D ] [A channel name of over thirty bytes]\n'
            'ChannelList.ini: wrote 6 rows\n'))
        self.assertEqual(self.read(), original.replace(b'[ 1 DB21AA593B0D ] [A channel name of over thirty bytes]',
                                                       b'[ 0 DB21AA593B0D ] [A channel name of over thirty bytes]'))

    def test_check_keeps_the_blank_lines_before_a_byte_order_mark_inside(self):
        self.write(b'\r\n\xef\xbb\xbf[ 1 A271914BA85C ] [x]\r\n[ 1 0000000000FF ] [First]\r\n')
        self.assertRun(['check'], (
            'ChannelList.ini:2: does not read: it does not begin with "["; ignored and kept as it is\n'
            'ChannelList.ini: 1 row from 2 lines; 1 line unreadable; the plug-in\'s next start leaves the list '
            'as it is\n'))

    def test_check_of_a_list_in_which_nothing_reads(self):
        # The plug-in never writes such a file, so its blank lines stay too.
        self.write(b'a note\r\n\r\n\r\n\x1a')
        self.assertRun(['check'], (
            'ChannelList.ini:1: does not read: it does not begin with "["; ignored and kept as it is\n'
            'ChannelList.ini:4: does not read: it does not begin with "["; ignored and kept as it is\n'
            'ChannelList.ini: 0 rows from 2 lines; 2 lines unreadable; the plug-in\'s next start leaves the list '
            'as it is\n'))

    def test_sort(self):
        self.write(lines(
            '[ 1 7FE6CA5BB4C8 ] [zeta]',       # 1001 at 26.0°E ArabSat 2A
            '[ 1 A271914BA85C ] [بي بي سي]',   # 4660 at 13.0°E HotBird
            '[ 1 442C3F530502 ] [Alpha]',      # 2002 at 7.0°W Nile Sat
            '[ 1 A7A65058678C ] [أبوظبي]',     # 305 at 7.0°E EutelSat W3A
            '[ 1 A239D9463A17 ] [beta]'))      # 4660 at 7.0°W Nile Sat
        def names():
            code, out, _ = self.zelq('show', '--format', 'csv')
            return [row.split(',')[-1] for row in out.splitlines()[1:]]
        self.assertEqual(self.zelq('sort', '--by', 'name')[0], 0)
        self.assertEqual(names(), ['Alpha', 'beta', 'zeta', 'أبوظبي', 'بي بي سي'])
        self.assertEqual(self.zelq('sort', '--by', 'ident')[0], 0)
        self.assertEqual(names(), ['أبوظبي', 'zeta', 'Alpha', 'beta', 'بي بي سي'])
        self.assertEqual(self.zelq('sort', '--by', 'position')[0], 0)
        self.assertEqual(names(), ['Alpha', 'beta', 'أبوظبي', 'بي بي سي', 'zeta'])
        self.assertRun(['sort', '--by', 'satellite'], (
            'ChannelList.ini:5: row 5 becomes row 1: [ 1 7FE6CA5BB4C8 ] [zeta]\n'
            'ChannelList.ini:3: row 3 becomes row 2: [ 1 A7A65058678C ] [أبوظبي]\n'
            'ChannelList.ini:4: row 4 becomes row 3: [ 1 A271914BA85C ] [بي بي سي]\n'
            'ChannelList.ini:1: row 1 becomes row 4: [ 1 442C3F530502 ] [Alpha]\n'
            'ChannelList.ini:2: row 2 becomes row 5: [ 1 A239D9463A17 ] [beta]\n'
            'ChannelList.ini: wrote 5 rows\n'))
        self.assertRun(['sort', '--by', 'satellite'], 'ChannelList.ini: nothing to change\n')

    def test_merge(self):
        self.use('clean.ini')
        self.use('other.ini', 'other.ini')
        self.use('third.ini', 'third.ini')
        # 4660 at 13.0°E is there already; other.ini's second line of 77 at
        # 19.2°E and third.ini's line of 5000 lose to the first line.
        self.assertRun(['merge', 'other.ini', 'third.ini'], (
            'other.ini:2: add as row 5: [ 0 DB21AA593B0D ] [روتانا سينما]\n'
            'other.ini:5: add as row 6: [ 1 1E702D4A7E41 ] [A channel name of over thirty bytes]\n'
            'third.ini:2: add as row 7: [ 1 A239D9463A17 ] [Third]\n'
            'ChannelList.ini: wrote 7 rows\n'))
        self.assertEqual(self.read(), lines(
            '[ 1 A271914BA85C ] [Al Jazeera]', '[ 1 7FE6CA5BB4C8 ] [الجزيرة]', '[ 0 442C3F530502 ] [نايل دراما]',
            '[ 1 A7A65058678C ] [MBC 1]', '[ 0 DB21AA593B0D ] [روتانا سينما]',
            '[ 1 1E702D4A7E41 ] [A channel name of over thirty bytes]', '[ 1 A239D9463A17 ] [Third]'))
        self.assertRun(['merge', 'other.ini', 'third.ini'], 'ChannelList.ini: nothing to change\n')

    def test_merge_refuses_a_file_without_list_lines(self):
        original = self.use('clean.ini')
        for content in (b'', b'row,line,flag\r\n1,1,1\r\n', b'not a list\n'):
            with self.subTest(content=content):
                with open(self.path('rows.csv'), 'wb') as file:
                    file.write(content)
                self.assertRun(['merge', 'rows.csv'], err='zelq-list: rows.csv holds no line of a channel list; '
                                                          'merge adds the channels of other lists (import reads a '
                                                          'CSV)\n', code=2)
        self.assertEqual(self.read(), original)

    def test_merge_after_a_last_line_without_line_break(self):
        self.write(b'[ 1 A271914BA85C ] [Al Jazeera]\r\nnot a line')
        self.use('third.ini', 'third.ini')
        self.assertEqual(self.zelq('merge', 'third.ini')[0], 0)
        self.assertEqual(self.read(), b'[ 1 A271914BA85C ] [Al Jazeera]\r\nnot a line\r\n' +
                         lines('[ 1 1E702D4A7E41 ] [Loses to other.ini]', '[ 1 A239D9463A17 ] [Third]'))

    def test_merge_of_a_missing_list_writes_nothing(self):
        original = self.use('clean.ini')
        self.use('third.ini', 'third.ini')
        self.assertRun(['merge', 'third.ini', 'gone.ini'], err='zelq-list: cannot read gone.ini: no such file\n',
                       code=2)
        self.assertEqual(self.read(), original)
        # Merged into a list that does not exist yet, the list is made.
        self.assertRun(['--list', 'fresh.ini', 'merge', 'third.ini'], (
            'third.ini:1: add as row 1: [ 1 1E702D4A7E41 ] [Loses to other.ini]\n'
            'third.ini:2: add as row 2: [ 1 A239D9463A17 ] [Third]\n'
            'fresh.ini: wrote 2 rows\n'))
        self.assertEqual(self.read('fresh.ini'), lines('[ 1 1E702D4A7E41 ] [Loses to other.ini]',
                                                       '[ 1 A239D9463A17 ] [Third]'))

    def test_normalise_is_the_plugins_start(self):
        self.use('findings.ini')
        self.assertRun(['normalise'], FINDINGS_NORMALISE + 'ChannelList.ini: wrote 6 rows\n')
        self.assertEqual(self.read(), FINDINGS_NORMALISED)
        self.assertRun(['normalize'], 'ChannelList.ini: nothing to change\n')
        self.assertOnlyFiles(LIST, 'ChannelList.lck')

    def test_list_in_a_folder_with_an_arabic_name(self):
        os.mkdir(self.path('قوائم القنوات'))
        self.use('clean.ini', os.path.join('قوائم القنوات', LIST))
        where = 'قوائم القنوات/' + LIST
        self.assertRun(['--list', where, 'flag', '3', 'on'], (
            where + ':3: flag row 3 on: [ 0 442C3F530502 ] [نايل دراما] -> [ 1 442C3F530502 ] [نايل دراما]\n' +
            where + ': wrote 4 rows\n'))
        self.assertEqual(self.read(os.path.join('قوائم القنوات', LIST)),
                         lines('[ 1 A271914BA85C ] [Al Jazeera]', '[ 1 7FE6CA5BB4C8 ] [الجزيرة]',
                               '[ 1 442C3F530502 ] [نايل دراما]', '[ 1 A7A65058678C ] [MBC 1]'))

    def test_byte_order_mark_stays(self):
        self.write(b'\xef\xbb\xbf' + lines('[ 1 A271914BA85C ] [Al Jazeera]', '[ 1 A7A65058678C ] [MBC 1]'))
        self.assertEqual(self.zelq('move', '2', '1')[0], 0)
        self.assertEqual(self.read(), b'\xef\xbb\xbf' + lines('[ 1 A7A65058678C ] [MBC 1]',
                                                              '[ 1 A271914BA85C ] [Al Jazeera]'))

    def test_dry_run_writes_nothing(self):
        original = self.use('findings.ini')
        self.use('third.ini', 'third.ini')
        runs = [
            (['remove', '2', '--dry-run'], 'ChannelList.ini:2: remove row 2: [ 1 7FE6CA5BB4C8 ] [الجزيرة]\n'
                                           'ChannelList.ini: would write 5 rows; dry run, nothing written\n'),
            (['move', '1', '2', '--dry-run'], 'ChannelList.ini:1: move row 1 to row 2: [ 1 A271914BA85C ] '
                                              '[Al Jazeera]\n'
                                              'ChannelList.ini: would write 6 rows; dry run, nothing written\n'),
            (['rename', '1', 'X', '--dry-run'], 'ChannelList.ini:1: rename row 1: [ 1 A271914BA85C ] [Al Jazeera] '
                                                '-> [ 1 A271914BA85C ] [X]\n'
                                                'ChannelList.ini: would write 6 rows; dry run, nothing written\n'),
            (['flag', '1', 'off', '--dry-run'], 'ChannelList.ini:1: flag row 1 off: [ 1 A271914BA85C ] [Al Jazeera] '
                                                '-> [ 0 A271914BA85C ] [Al Jazeera]\n'
                                                'ChannelList.ini: would write 6 rows; dry run, nothing written\n'),
            (['sort', '--by', 'ident', '--dry-run'], None),
            (['merge', 'third.ini', '--dry-run'], 'third.ini:2: add as row 7: [ 1 A239D9463A17 ] [Third]\n'
                                                  'ChannelList.ini: would write 7 rows; dry run, nothing written\n'),
            (['normalise', '--dry-run'], FINDINGS_NORMALISE +
             'ChannelList.ini: would write 6 rows; dry run, nothing written\n'),
        ]
        for arguments, out in runs:
            with self.subTest(arguments=arguments):
                code, printed, err = self.zelq(*arguments)
                self.assertEqual((code, err), (0, ''))
                self.assertTrue(printed.endswith('; dry run, nothing written\n'), printed)
                if out:
                    self.assertEqual(printed, out)
                self.assertEqual(self.read(), original)
        # A dry run takes no lock, so it leaves no lock file.
        self.assertOnlyFiles(LIST, 'third.ini')


def documented_session(path):
    """The example session of docs/zelq-list.md: each command with the lines
    it prints, as [(arguments, expected lines)]. "$ echo $?" expects the exit
    status of the command before it; a line "..." stands for any lines."""
    with open(path, encoding='utf-8') as file:
        text = file.read()
    block = text[text.index('An example session'):].split('\n')[2:]
    steps = []
    for line in block:
        if line and not line.startswith('    '):
            break
        line = line[4:]
        if line.startswith('$ '):
            steps.append((shlex.split(line[2:]), []))
        elif steps:
            steps[-1][1].append(line)
    for _, expected in steps:
        while expected and not expected[-1]:
            expected.pop()
    return steps


class KeeperTest(ListTest):
    def test_a_list_unlike_its_first_64_kib(self):
        # The index is sized from the first 64 KiB, here one line that does
        # not read; the rows and lines after it are counted and read all
        # the same.
        self.write(lines('x' * 70000) + b''.join(lines('[ 1 %04X914BA85C ] [Row %d]' % (i, i), 'y')
                                                  for i in range(1000)))
        code, out, err = self.zelq('check')
        self.assertEqual((code, err), (0, ''))
        self.assertTrue(out.endswith('ChannelList.ini: 1000 rows from 2001 lines; 1001 lines unreadable; the '
                                     'plug-in\'s next start leaves the list as it is\n'), out[-300:])
        last = self.zelq('show', '--format', 'csv')[1].splitlines()[-1].split(',')
        self.assertEqual([last[0], last[1], last[7], last[9]], ['1000', '2000', '03E7914BA85C', 'Row 999'])

    def test_a_list_larger_than_the_plugin_reads(self):
        # Over 16 MiB: every command that reads the list warns, and works on
        # it, so that it can be made smaller.
        self.write(lines('[ 1 A271914BA85C ] [' + 'x' * (16 << 20) + ']', '[ 1 7FE6CA5BB4C8 ] [Small]'))
        warning = ('zelq-list: warning: ChannelList.ini is 16.0 MiB, more than the 16 MiB the plug-in reads: it '
                   'leaves the list as it is and shows none of it; zelq-list works on it all the same, so that it can '
                   'be made smaller\n')
        code, out, err = self.zelq('show')
        self.assertEqual((code, err, out.count('\n')), (0, warning, 3))
        self.assertRun(['remove', '1'], 'ChannelList.ini:1: remove row 1: [ 1 A271914BA85C ] [' + 'x' * 100 +
                       '…\nChannelList.ini: wrote 1 row\n', warning)
        self.assertRun(['check'], 'ChannelList.ini: 1 row from 1 line; no findings; the plug-in\'s next start leaves '
                                  'the list as it is\n')

    def test_the_documented_example_session(self):
        # docs/zelq-list.md's example session, run as it stands there on the
        # list it shows (findings.ini) and another (other.ini): every line it
        # prints, and every exit status it shows.
        self.use('findings.ini')
        self.use('other.ini', 'other.ini')
        status = None
        for arguments, expected in documented_session(os.path.join(HERE, '..', '..', 'docs', 'zelq-list.md')):
            with self.subTest(command=' '.join(arguments)):
                if arguments == ['echo', '$?']:
                    self.assertEqual(expected, [str(status)])
                    continue
                self.assertEqual(arguments[0], 'zelq-list')
                status, out, err = self.zelq(*arguments[1:])
                # As a terminal shows it: no byte-order mark, no CR.
                printed = [line.rstrip('\r') for line in (out + err).replace('\ufeff', '').split('\n')[:-1]]
                if '...' in expected:
                    cut = expected.index('...')
                    printed = printed[:cut] + ['...'] + printed[len(printed) - (len(expected) - cut - 1):]
                self.assertEqual(printed, expected)

    """What a list keeper does by hand without the viewer: add, find, export
    and import, several rows at once, names saved as UTF-8."""

    def test_add(self):
        original = self.use('clean.ini')
        added = '[ 1 A239D9463A17 ] [Third]'
        runs = [
            # arguments, exit code, output, error
            (['add', '--ident', '4660', '--position', '7W', '--frequency', '11900', '--name', 'Third', '--dry-run'],
             0, 'ChannelList.ini: would add ' + added + ' (Nile Sat); dry run, nothing written\n', ''),
            (['add', '--ident', '4660', '--position', '13.0°E', '--frequency', '12000', '--name', 'Again'],
             1, '', 'ChannelList.ini already shows ident 4660 at 13.0°E; nothing added'),
            (['add', '--ident', '0', '--position', '7W', '--frequency', '1', '--name', 'X'],
             2, '', '--ident: "0" is not a whole number from 1 to 65535'),
            (['add', '--ident', '1', '--position', '0.0W', '--frequency', '1', '--name', 'X'],
             2, '', '--position: 0 is no satellite position, and the plug-in adds none at 0'),
            (['add', '--ident', '1', '--position', '13.05E', '--frequency', '1', '--name', 'X'],
             2, '', '--position: "13.05E" is not a position such as 13.0E, 13E, 7W or 0.8W (at most 180 degrees)'),
            (['add', '--ident', '1', '--position', '181E', '--frequency', '1', '--name', 'X'],
             2, '', '--position: "181E" is not a position such as 13.0E, 13E, 7W or 0.8W (at most 180 degrees)'),
            (['add', '--ident', '1', '--position', '13E', '--frequency', '65536', '--name', 'X'],
             2, '', '--frequency: "65536" is not a whole number of MHz from 1 to 65535'),
            (['add', '--ident', '1', '--position', '13E', '--frequency', '1', '--name', 'X', '--flag', '100'],
             2, '', '--flag: "100" is not a hexadecimal flag from 0 to FF'),
            (['add', '--ident', '1', '--position', '13E', '--frequency', '1', '--name', '\x1b[31mRed'],
             2, '', 'the name "\\x1B[31mRed" holds a control character, which a name in the list cannot'),
            (['add', '--ident', '1', '--position', '13E', '--frequency', '1', '--name', '\u00a0  '],
             2, '', 'the name "\u00a0  " is blank, and a name in the list cannot be'),
        ]
        for arguments, code, out, err in runs:
            with self.subTest(arguments=arguments):
                self.assertRun(arguments, out, err and 'zelq-list: ' + err + '\n', code)
        self.assertEqual(self.read(), original)
        self.assertRun(['add', '--ident', '4660', '--position', '7W', '--frequency', '11900', '--name', 'Third'],
                       'ChannelList.ini: added ' + added + ' (Nile Sat)\n')
        self.assertRun(['add', '--ident', '77', '--position', '0.8w', '--frequency', '10000', '--name', 'West',
                        '--flag', '0'], 'ChannelList.ini: added [ 0 DBE9625747CE ] [West] (UnKnown)\n')
        self.assertEqual(self.read(), original + lines(added, '[ 0 DBE9625747CE ] [West]'))
        # A list that does not exist is made, as the plug-in makes it.
        self.assertRun(['--list', 'new.ini', 'add', '--ident', '4660', '--position', '13E', '--frequency', '11747',
                        '--name', 'Al Jazeera'], 'new.ini: added [ 1 A271914BA85C ] [Al Jazeera] (HotBird)\n')
        self.assertEqual(self.read('new.ini'), lines('[ 1 A271914BA85C ] [Al Jazeera]'))

    def test_row_lists(self):
        original = self.use('clean.ini')
        errors = [
            (['remove', '3-2'], 'the range 3-2 runs backwards'),
            (['remove', '1,5'], 'there is no row 5: the list has 4 rows'),
            (['remove', '2-9'], 'there is no row 9: the list has 4 rows'),
            (['flag', '1,,2', 'on'], '"" is not a row number or a range of rows'),
            (['flag', 'x-2', 'on'], '"x-2" is not a row number or a range of rows'),
        ]
        self.assertErrors(errors)
        self.assertEqual(self.read(), original)
        self.assertRun(['flag', '1-2,3', 'off'], (
            'ChannelList.ini:1: flag row 1 off: [ 1 A271914BA85C ] [Al Jazeera] -> [ 0 A271914BA85C ] [Al Jazeera]\n'
            'ChannelList.ini:2: flag row 2 off: [ 1 7FE6CA5BB4C8 ] [الجزيرة] -> [ 0 7FE6CA5BB4C8 ] [الجزيرة]\n'
            'ChannelList.ini: wrote 4 rows\n'))
        self.assertRun(['remove', '1-2,2', '4'], (
            'ChannelList.ini:1: remove row 1: [ 0 A271914BA85C ] [Al Jazeera]\n'
            'ChannelList.ini:2: remove row 2: [ 0 7FE6CA5BB4C8 ] [الجزيرة]\n'
            'ChannelList.ini:4: remove row 4: [ 1 A7A65058678C ] [MBC 1]\n'
            'ChannelList.ini: wrote 1 row\n'))
        self.assertEqual(self.read(), lines('[ 0 442C3F530502 ] [نايل دراما]'))

    def test_find_satellite_and_sort_by_name(self):
        self.write(lines(
            '[ 1 A271914BA85C ] [MBC 10]', '[ 1 7FE6CA5BB4C8 ] [mbc 2]', '[ 1 442C3F530502 ] [أبوظبي الأولى]',
            '[ 1 A7A65058678C ] [ابوظبي]', '[ 1 A239D9463A17 ] [MBC 02]'))
        def names(*arguments):
            code, out, err = self.zelq('show', '--format', 'csv', *arguments)
            self.assertEqual((code, err), (0, ''))
            return [(row.split(',')[0], row.split(',')[-1]) for row in out.splitlines()[1:]]
        self.assertEqual(names('--find', 'Mbc'), [('1', 'MBC 10'), ('2', 'mbc 2'), ('5', 'MBC 02')])
        self.assertEqual(names('--find', 'إبوظ'), [('3', 'أبوظبي الأولى'), ('4', 'ابوظبي')])
        self.assertEqual(names('--satellite', 'nile sat'), [('3', 'أبوظبي الأولى'), ('5', 'MBC 02')])
        self.assertEqual(names('--find', 'mbc', '--satellite', 'HOTBIRD'), [('1', 'MBC 10')])
        self.assertEqual(names('--find', 'nothing like it'), [])
        self.assertEqual(self.zelq('sort', '--by', 'name')[0], 0)
        # Numbers by value, case and the forms of alif aside, then the bytes.
        self.assertEqual([name for _, name in names()],
                         ['MBC 02', 'mbc 2', 'MBC 10', 'ابوظبي', 'أبوظبي الأولى'])

    def test_csv_round_trip(self):
        # Lines that do not read stay in their places; the rows fill the rows'
        # places in the CSV's order, the rest go at the end.
        self.write(lines('[ 1 A271914BA85C ] [Al Jazeera]', '# my channels', '[ 1 7FE6CA5BB4C8 ] [الجزيرة]',
                         '[ 0 442C3F530502 ] [نايل دراما]', '[ 1 A271914B0000 ] [later line of row 1]',
                         '[ 1 A7A65058678C ] [MBC 1]'))
        code, exported, _ = self.zelq('show', '--format', 'csv')
        self.assertEqual(code, 0)
        with open(self.path('rows.csv'), 'w', encoding='utf-8', newline='') as file:
            file.write(exported)
        self.assertRun(['import', 'rows.csv'], 'ChannelList.ini: nothing to change\n')
        # A spreadsheet's edit: row 2 gone, rows reordered, a name and a flag
        # changed, two rows added (one with a spoiled code), names a
        # spreadsheet would run kept as text; saved with semicolons and a BOM.
        header, al_jazeera, jazeera, nile, mbc = exported.splitlines()
        edited = [header, mbc.replace(',MBC 1', ',MBC One'), al_jazeera.replace('1,1,1,', '1,1,0,', 1),
                  ',,1,77,19.2°E,,11362,1.02E+11,192,\'=cmd|calc',
                  nile, ',,1,5000,,,12596,,130,\'\'quoted']
        with open(self.path('rows.csv'), 'w', encoding='utf-8-sig', newline='') as file:
            csv.writer(file, delimiter=';').writerows(csv.reader(io.StringIO('\n'.join(edited).lstrip('\ufeff'))))
        self.assertRun(['import', 'rows.csv'], (
            'ChannelList.ini:3: remove row 2: [ 1 7FE6CA5BB4C8 ] [الجزيرة]\n'
            'rows.csv:2: row 4 becomes row 1: [ 1 A7A65058678C ] [MBC 1] -> [ 1 A7A65058678C ] [MBC One]\n'
            'rows.csv:3: row 1 becomes row 2: [ 1 A271914BA85C ] [Al Jazeera] -> [ 0 A271914BA85C ] [Al Jazeera]\n'
            'rows.csv:4: add as row 3: [ 1 DB21AA593B0D ] [=cmd|calc]\n'
            'rows.csv:5: row 3 becomes row 4: [ 0 442C3F530502 ] [نايل دراما]\n'
            'rows.csv:6: add as row 5: [ 1 1E702D4A7E41 ] [\'quoted]\n'
            'ChannelList.ini: wrote 5 rows\n'))
        # The later line of row 1's channel stays: the row still comes first.
        self.assertEqual(self.read(), lines(
            '[ 1 A7A65058678C ] [MBC One]', '# my channels', '[ 0 A271914BA85C ] [Al Jazeera]',
            '[ 1 DB21AA593B0D ] [=cmd|calc]', '[ 1 A271914B0000 ] [later line of row 1]',
            '[ 0 442C3F530502 ] [نايل دراما]', '[ 1 1E702D4A7E41 ] [\'quoted]'))
        code, again, _ = self.zelq('show', '--format', 'csv')
        self.assertEqual(again.splitlines()[3::2], ['3,4,1,77,19.2°E,Astra 1B-1H,11362,DB21AA593B0D,192,"\'=cmd|calc"',
                                                   '5,7,1,5000,13.0°E,HotBird,12596,1E702D4A7E41,130,\'\'quoted'])
        with open(self.path('again.csv'), 'w', encoding='utf-8', newline='') as file:
            file.write(again)
        before = self.read()
        self.assertRun(['import', 'again.csv'], 'ChannelList.ini: nothing to change\n')
        self.assertEqual(self.read(), before)

    def test_import_refuses_what_it_cannot_take(self):
        original = self.use('clean.ini')
        header = 'row,line,flag,ident,position,satellite,mhz,code,tenths,name\n'
        cases = [
            (header + ',,1,4660,,,11747,,130,One\n,,1,4660,,,12000,,130,Two\n',
             'rows.csv:3: ident 4660 at 13.0°E is on line 2 already; a channel can be in the list once'),
            (header + ',,1,4661,,,11747,A271914BA85C,130,One\n',
             'rows.csv:2: the ident "4661" is not the 4660 of the code A271914BA85C beside it: to change it, clear '
             'the code cell too (a new ident or position makes it another channel)'),
            (header + ',,yes,4660,,,11747,,130,One\n', 'rows.csv:2: the flag "yes" is not a number from 0 to 255'),
            (header + ',,1,4660,,,11747,,,One\n',
             'rows.csv:2: the position is empty; a channel needs one, such as 13.0E or 7W'),
            (header + ',,1,4660,,,11747,,130,A]B\n', 'rows.csv:2: the name "A]B" holds "]", which ends a name in '
                                                      'the list'),
            ('flag,ident,mhz,name\n1,4660,11747,One\n', 'rows.csv: no "position" column (zelq-list show --format '
                                                        'csv writes the columns import reads)'),
            (header + ',,1,4660,,,11747,,130,"One\n',
             'rows.csv: a quote opened on line 2 is never closed (it would take the rest of the file into one cell)'),
        ]
        for csv, message in cases:
            with self.subTest(csv=csv):
                with open(self.path('rows.csv'), 'w', encoding='utf-8', newline='') as file:
                    file.write(csv)
                self.assertRun(['import', 'rows.csv'], err='zelq-list: ' + message + '\n', code=2)
        self.assertEqual(self.read(), original)

    def test_names_saved_as_utf8(self):
        # Names of the tests' own Windows-1256 lists, and Persian and Urdu
        # letters and Arabic signs in that code page, never read as UTF-8.
        for fixture in ('clean.ini', 'findings.ini', 'other.ini', 'third.ini', 'unreadable.ini'):
            self.use(fixture)
            self.assertNotIn('UTF-8', self.zelq('check')[1], fixture)
        persian = ['پخش زنده', 'گلستان', 'چهارم ژ', 'کودک', 'قناة ؟', 'أخبار، رياضة؛ «مباشر»', 'عک', 'اپ',
                   'ام بي سي…', 'Café ×2']
        self.write(lines(*('[ 1 %02X271914BA85C ] [%s]' % (i, name) for i, name in enumerate(persian))))
        self.assertNotIn('UTF-8', self.zelq('check')[1])
        # The same names as a text editor saves them.
        self.write(lines('[ 1 A271914BA85C ] [Al Jazeera]') +
                   b'[ 1 7FE6CA5BB4C8 ] [' + 'الجزيرة'.encode('utf-8') + b']\r\n' +
                   b'[ 1 442C3F530502 ] [' + 'Télé'.encode('utf-8') + b']\r\n')
        code, out, _ = self.zelq('check')
        self.assertEqual(code, 1)
        self.assertEqual([line for line in out.splitlines() if 'UTF-8' in line], [
            'ChannelList.ini:2: the name reads as UTF-8 ("الجزيرة"), not as code page 1256; the plug-in shows it '
            'garbled (see zelq-list recode utf-8)',
            'ChannelList.ini:3: the name reads as UTF-8 ("Télé"), not as code page 1256; the plug-in shows it '
            'garbled (see zelq-list recode utf-8)',
            'ChannelList.ini: 3 rows from 3 lines; 2 names in UTF-8; the plug-in\'s next start leaves the list as it '
            'is'])
        self.assertEqual(self.zelq('recode', 'utf-8')[0], 0)
        self.assertEqual(self.read(), lines('[ 1 A271914BA85C ] [Al Jazeera]', '[ 1 7FE6CA5BB4C8 ] [الجزيرة]',
                                            '[ 1 442C3F530502 ] [Télé]'))
        self.assertEqual(self.zelq('check')[0], 0)
        # A name with a letter the code page lacks is listed, and nothing changes.
        self.write(lines('[ 1 A271914BA85C ] [Al Jazeera]') + b'[ 1 7FE6CA5BB4C8 ] [' +
                   'Łódź'.encode('utf-8') + b']\r\n')
        before = self.read()
        self.assertRun(['recode', 'utf-8'], code=2, err=(
            'zelq-list: ChannelList.ini:2: the name "Łódź" does not fit code page 1256: it has no "Ł" (U+0141); '
            '1 name cannot be stored in code page 1256, nothing was changed\n'))
        self.assertEqual(self.read(), before)


class SafetyTest(ListTest):
    def faults(self, *arguments):
        return run(arguments, self.folder, program=FAULTS)

    def test_list_changed_meanwhile(self):
        original = self.use('clean.ini')
        result = self.faults('list-changes', 'rename', '1', 'Renamed')
        self.assertEqual(result, (2, '', 'zelq-list: ChannelList.ini changed while it was being edited (or is '
                                         'gone); nothing was written, run the command again\n'))
        # The other program's line is there, and the edit is not.
        self.assertEqual(self.read(), original + b'[ 1 1E702D4A7E41 ] [Added meanwhile]\r\n')
        self.assertOnlyFiles(LIST, 'ChannelList.lck')
        self.assertEqual(self.faults('list-changes', 'normalise')[0], 0)  # nothing to write: nothing to refuse
        self.assertEqual(self.faults('list-changes', 'remove', '5'),
                         (2, '', 'zelq-list: ChannelList.ini changed while it was being edited (or is gone); '
                                 'nothing was written, run the command again\n'))

    def test_replace_fails(self):
        original = self.use('findings.ini')
        self.assertEqual(self.faults('replace-fails', 'normalise'),
                         (2, '', 'zelq-list: cannot write ChannelList.ini: another program has it open; it is left '
                                 'as it was\n'))
        self.assertEqual(self.read(), original)
        self.assertOnlyFiles(LIST, 'ChannelList.lck')

    def test_lock_held_by_another_writer(self):
        original = self.use('clean.ini')
        with open(self.path('holder.out'), 'wb') as holder_out:
            holder = subprocess.Popen(EMULATOR + [FAULTS, 'hold-lock', LIST, '8'], cwd=self.folder,
                                      stdout=holder_out, stderr=subprocess.DEVNULL)
        try:
            deadline = time.time() + 60
            while b'locked' not in self.read('holder.out'):
                self.assertLess(time.time(), deadline, 'the holder did not take the lock')
                self.assertIsNone(holder.poll())
                time.sleep(0.05)
            started = time.time()
            self.assertRun(['remove', '1'], code=2, err=(
                'zelq-list: ChannelList.ini is being written by another program (the viewer or another zelq-list), '
                'which held its lock for over 2 seconds; nothing was changed\n'))
            self.assertGreaterEqual(time.time() - started, 1.9)
            self.assertEqual(self.read(), original)
            # Reading takes no lock.
            self.assertEqual(self.zelq('show')[0], 0)
            self.assertEqual(self.zelq('remove', '1', '--dry-run')[0], 0)
        finally:
            holder.wait(timeout=60)
        self.assertEqual(self.zelq('remove', '1')[0], 0)


    def test_links_to_one_list_take_one_lock(self):
        """Every path to one file takes the lock beside that file: two links
        to it, and a folder link on the way, wait for each other."""
        if EMULATOR:
            self.skipTest('symbolic links of the Linux side')
        os.mkdir(self.path('real'))
        original = self.use('clean.ini', os.path.join('real', LIST))
        for name in ('a', 'c'):
            os.mkdir(self.path(name))
            os.symlink(os.path.join('..', 'real', LIST), self.path(os.path.join(name, LIST)))
        os.symlink('a', self.path('d'))
        with open(self.path('holder.out'), 'wb') as holder_out:
            holder = subprocess.Popen([FAULTS, 'hold-lock', os.path.join('a', LIST), '6'], cwd=self.folder,
                                      stdout=holder_out, stderr=subprocess.DEVNULL)
        try:
            deadline = time.time() + 60
            while b'locked' not in self.read('holder.out'):
                self.assertLess(time.time(), deadline, 'the holder did not take the lock')
                time.sleep(0.05)
            for path in (os.path.join('c', LIST), os.path.join('d', LIST)):
                self.assertRun(['--list', path, 'remove', '1'], code=2, err=(
                    'zelq-list: ' + path + ' is being written by another program (the viewer or another '
                    'zelq-list), which held its lock for over 2 seconds; nothing was changed\n'))
            self.assertEqual(self.read(os.path.join('real', LIST)), original)
        finally:
            holder.wait(timeout=60)
        self.assertEqual(self.zelq('--list', os.path.join('c', LIST), 'remove', '1')[0], 0)
        self.assertEqual(sorted(os.listdir(self.path('real'))), [LIST, 'ChannelList.lck'])


class ErrorTest(ListTest):
    """Every error names the file and the system's reason, and leaves no file
    behind."""

    def test_errors_say_why(self):
        os.mkdir(self.path('dir'))
        self.use('clean.ini')
        too_long = 'x' * 300 + '.ini'
        errors = [
            (['--list', 'missing/ChannelList.ini', 'show'],
             'cannot read missing/ChannelList.ini: the folder does not exist'),
            (['--list', 'missing/ChannelList.ini', 'remove', '1'],
             'cannot read missing/ChannelList.ini: the folder does not exist'),
            (['--list', 'missing/ChannelList.ini', 'add', '--ident', '1', '--position', '13E', '--frequency', '1',
              '--name', 'X'], 'cannot add to missing/ChannelList.ini: the folder does not exist; nothing was changed'),
            (['--list', 'dir', 'check'], 'cannot read dir: it is a folder'),
            (['--list', 'dir', 'flag', '1', 'on'], 'cannot read dir: it is a folder'),
            (['--list', 'dir', 'merge', 'ChannelList.ini'], 'cannot read dir: it is a folder'),
            (['--list', 'gone.ini', 'remove', '1'], 'cannot read gone.ini: no such file'),
            (['--list', too_long, 'rename', '1', 'X'], 'cannot read ' + too_long + ': the path is too long'),
            (['import', 'dir'], 'cannot read dir: it is a folder'),
        ]
        # A list larger than the program reads (a sparse file: no disk used),
        # refused by every command that reads a list.
        with open(self.path('huge.ini'), 'wb') as file:
            file.truncate((513 if EMULATOR else 1025) << 20)
        # import reads its CSV before the list.
        with open(self.path('rows.csv'), 'w') as file:
            file.write('flag,ident,tenths,mhz,name\n')
        too_large = 'huge.ini is %s; zelq-list reads lists of at most %s' % (
            ('513 MiB', '512 MiB') if EMULATOR else ('1025 MiB', '1 GiB'))
        for arguments in (['show'], ['show', '--format', 'csv'], ['check'], ['remove', '1'], ['move', '1', '2'],
                          ['rename', '1', 'X'], ['flag', '1', 'on'], ['sort', '--by', 'name'], ['recode', 'utf-8'],
                          ['normalise'], ['import', 'rows.csv'], ['merge', 'ChannelList.ini'], ['remove', '1', '--dry-run'],
                          ['add', '--ident', '1', '--position', '13E', '--frequency', '1', '--name', 'X']):
            errors.append((['--list', 'huge.ini'] + arguments, too_large))
        errors.append((['merge', 'huge.ini'], too_large))
        self.assertErrors(errors)
        # No lock file beside what is no list.
        self.assertOnlyFiles(LIST, 'dir', 'ChannelList.lck', 'huge.ini', 'huge.lck', 'rows.csv')

    def test_output_that_cannot_be_written(self):
        """Output to a full disk or to a pipe whose reader has left. Nothing
        changed: exit 2 (a closed pipe natively ends the program quietly, by
        SIGPIPE). The list changed: exit 3, saying so."""
        if not os.path.exists('/dev/full'):
            self.skipTest('needs /dev/full')
        with open(os.path.join(LISTS, 'clean.ini'), 'rb') as file:
            clean = file.read()
        rows = clean.splitlines(keepends=True)
        add = ['add', '--ident', '5001', '--position', '7W', '--frequency', '11900', '--name', 'MBC 2']
        cases = [
            # arguments, the list afterwards, the change the message tells of (none: exit 2)
            (['show'], clean, None),
            (['--version'], clean, None),
            (['--help'], clean, None),
            (['rename', '--help'], clean, None),
            (['remove', '1', '--dry-run'], clean, None),
            (['normalise'], clean, None),  # nothing to change
            (['remove', '1'], b''.join(rows[1:]), 'ChannelList.ini: wrote 3 rows'),
            (['rename', '1', 'X'], clean.replace(b'[Al Jazeera]', b'[X]'), 'ChannelList.ini: wrote 4 rows'),
            (['move', '4', '1'], b''.join(rows[3:] + rows[:3]), 'ChannelList.ini: wrote 4 rows'),
            (add, clean + b'[ 1 1F3864473B16 ] [MBC 2]\r\n', 'ChannelList.ini: added [ 1 1F3864473B16 ] [MBC 2] (Nile Sat)'),
        ]
        reasons = {'full': 'the disk is full',
                   'pipe': 'the pipe is closed (the program reading the output has ended)'}
        for target, reason in reasons.items():
            for arguments, after, change in cases:
                with self.subTest(target=target, arguments=arguments[:3]):
                    self.write(clean)
                    if target == 'full':
                        stdout = os.open('/dev/full', os.O_WRONLY)
                    else:
                        reader, stdout = os.pipe()
                        os.close(reader)
                    try:
                        with tempfile.TemporaryFile() as err:
                            done = subprocess.run(EMULATOR + [PROGRAM] + arguments, cwd=self.folder, stdout=stdout,
                                                  stderr=err, timeout=120)
                            err.seek(0)
                            result = (done.returncode, err.read().decode('utf-8'))
                    finally:
                        os.close(stdout)
                    message = 'zelq-list: cannot write the output: ' + reason
                    if change:
                        expected = (3, message + '; the change was made all the same (' + change + ')\n')
                    elif target == 'pipe' and not EMULATOR:
                        expected = (-signal.SIGPIPE, '')
                    else:
                        expected = (2, message + '\n')
                    self.assertEqual(result, expected)
                    self.assertEqual(self.read(), after)

    def test_as_a_user_who_may_not_write(self):
        # Windows-like permissions: a user who is not root, in folders of
        # their own.
        if EMULATOR or os.geteuid() != 0 or not shutil.which('setpriv'):
            self.skipTest('needs root and setpriv to run as another user')
        nobody = ['setpriv', '--reuid=65534', '--regid=65534', '--clear-groups']
        with open(os.path.join(LISTS, 'clean.ini'), 'rb') as file:
            clean = file.read()
        renamed = clean.replace(b'[Al Jazeera]', b'[Renamed]')

        def read_only_list(folder):
            os.chmod(os.path.join(folder, LIST), 0o444)

        def symlinked_list(folder):
            os.mkdir(os.path.join(folder, 'lists'))
            os.rename(os.path.join(folder, LIST), os.path.join(folder, 'lists', 'real.ini'))
            os.symlink('lists/real.ini', os.path.join(folder, LIST))
            os.chown(os.path.join(folder, 'lists'), 65534, 65534)

        def read_only_folder(folder):
            os.chmod(folder, 0o555)

        def lock_file_of_another_account(folder):
            with open(os.path.join(folder, 'ChannelList.lck'), 'wb'):
                pass
            os.chown(os.path.join(folder, 'ChannelList.lck'), 0, 0)

        permission = 'permission denied (a read-only file, or one this user may not change)'
        cases = [
            # how the folder is made, arguments, exit, error, the files afterwards
            (read_only_list, ['rename', '1', 'Renamed'], 2,
             'cannot write ChannelList.ini: ' + permission + '; it is left as it was', {LIST: clean, 'ChannelList.lck': b''}),
            (symlinked_list, ['rename', '1', 'Renamed'], 0, '',
             {LIST: 'link', 'lists': 'folder', 'lists/real.ini': renamed, 'lists/real.lck': b''}),
            (read_only_folder, ['rename', '1', 'Renamed'], 2,
             'cannot make or open the lock file ChannelList.lck: ' + permission + '; nothing was changed', {LIST: clean}),
            (lock_file_of_another_account, ['rename', '1', 'Renamed'], 2,
             'cannot make or open the lock file ChannelList.lck: ' + permission + '; nothing was changed',
             {LIST: clean, 'ChannelList.lck': b''}),
            (None, ['--list', 'missing/ChannelList.ini', 'rename', '1', 'Renamed'], 2,
             'cannot read missing/ChannelList.ini: the folder does not exist', {LIST: clean}),
            (None, ['--list', 'lists', 'rename', '1', 'Renamed'], 2, 'cannot read lists: it is a folder',
             {LIST: clean, 'lists': 'folder'}),
        ]
        for make, arguments, code, message, files in cases:
            with self.subTest(case=make.__name__ if make else arguments[1]):
                folder = tempfile.mkdtemp(prefix='zelq-user-', dir=self.folder)
                os.chmod(self.folder, 0o755)
                with open(os.path.join(folder, LIST), 'wb') as file:
                    file.write(clean)
                os.chown(folder, 65534, 65534)
                os.chown(os.path.join(folder, LIST), 65534, 65534)
                if arguments[1] == 'lists':
                    os.mkdir(os.path.join(folder, 'lists'))
                if make:
                    make(folder)
                result = run(arguments, folder, prefix=nobody)
                self.assertEqual(result, (code, '' if code else result[1], message and 'zelq-list: ' + message + '\n'))
                found = {}
                for top, folders, names in os.walk(folder):
                    for name in folders + names:
                        path = os.path.join(top, name)
                        relative = os.path.relpath(path, folder)
                        if os.path.islink(path) or os.path.isdir(path):
                            found[relative] = 'link' if os.path.islink(path) else 'folder'
                        else:
                            with open(path, 'rb') as file:
                                found[relative] = file.read()
                self.assertEqual(found, files)
                os.chmod(folder, 0o755)


class UsageTest(ListTest):
    def test_version_and_help(self):
        self.assertRun(['--version'], 'zelq-list 1.0.0\n')
        code, out, err = self.zelq('--help')
        self.assertEqual((code, err), (0, ''))
        self.assertTrue(out.startswith('Shows, checks and edits ChannelList.ini'), out)
        for command in ('show', 'check', 'add', 'remove', 'move', 'rename', 'flag', 'sort', 'merge', 'import',
                        'recode', 'normalise', 'satellites'):
            self.assertIn('\n  ' + command + (',' if command == 'normalise' else ' '), out)
            code, out_command, err = self.zelq(command, '--help')
            self.assertEqual((code, err), (0, ''))
            self.assertIn('Usage: zelq-list ' + command, out_command)
            # Every command's help lists the global options.
            for option in ('--list', '--codepage', '--dry-run'):
                self.assertIn(option, out_command, command)
        self.assertIn('--format', self.zelq('show', '--help')[1])
        # As Windows users ask for it: the same help.
        for arguments, command in (['/?'], ''), (['-?'], ''), (['help'], ''), (['HELP', 'import'], 'import'), (
                ['import', '/?'], 'import'), (['Import', '-?'], 'import'):
            self.assertRun(arguments, self.zelq(*([command] if command else []), '--help')[1])
        # The exit codes and "--", in the help's footer.
        self.assertIn('(rename 1 -- --dry-run)', out)
        self.assertIn('\n3 the list was changed, but the output could not be written (do not run the command again)',
                      out)

    def test_values_may_begin_with_a_dash(self):
        """After the options, an argument that is no option of the command is
        one of its values, whatever it begins with; after "--", every one is."""
        original = self.use('clean.ini')
        dry = 'ChannelList.ini: would write 4 rows; dry run, nothing written\n'

        def renamed(name):
            return ('ChannelList.ini:1: rename row 1: [ 1 A271914BA85C ] [Al Jazeera] -> [ 1 A271914BA85C ] [%s]\n'
                    % name)

        runs = [
            # arguments, exit code, output, error
            (['rename', '1', '-HD', '--dry-run'], 0, renamed('-HD') + dry, ''),
            (['--dry-run', 'rename', '1', '-'], 0, renamed('-') + dry, ''),
            (['rename', '--dry-run', '1', '--', '--dry-run'], 0, renamed('--dry-run') + dry, ''),
            (['rename', '1', 'show', '--dry-run'], 0, renamed('show') + dry, ''),
            (['add', '--ident', '1', '--position', '13E', '--frequency', '1', '--name', '-HD', '--dry-run'], 0,
             'ChannelList.ini: would add [ 1 9763A4595863 ] [-HD] (HotBird); dry run, nothing written\n', ''),
            (['remove', '1', '-3', '--dry-run'], 2, '', '"-3" is not a row number or a range of rows'),
            (['rename', '1', '-HD', 'x'], 2, '', 'The following argument was not expected: x (see zelq-list --help)'),
            (['rename', '1', '--', '-HD', '--dry-run'], 2, '',
             'The following argument was not expected: --dry-run (see zelq-list --help)'),
            (['show', '-x', 'y'], 2, '', 'The following arguments were not expected: -x y (see zelq-list --help)'),
            (['--list', '-odd.ini', 'show'], 2, '', 'cannot read -odd.ini: no such file'),
        ]
        for arguments, code, out, err in runs:
            with self.subTest(arguments=arguments):
                self.assertRun(arguments, out, err and 'zelq-list: ' + err + '\n', code)
        self.assertEqual(self.read(), original)
        self.assertRun(['rename', '1', '-HD'], renamed('-HD') + 'ChannelList.ini: wrote 4 rows\n')
        self.assertEqual(self.read(), original.replace(b'[Al Jazeera]', b'[-HD]'))

    def test_usage_errors_are_one_line_and_exit_2(self):
        self.use('clean.ini')
        errors = [
            ([], 'a command is needed: show, check, add, remove, move, rename, flag, sort, merge, import, recode, '
                 'normalise or satellites (see zelq-list --help)'),
            (['bogus'], 'The following argument was not expected: bogus (see zelq-list --help)'),
            (['show', '--format', 'xml'], '--format: xml not in {table,csv,json} (see zelq-list --help)'),
            (['flag', '1', 'maybe'], 'STATE: maybe not in {on,off} (see zelq-list --help)'),
            (['remove'], 'ROWS is required (see zelq-list --help)'),
            (['sort'], '--by is required (see zelq-list --help)'),
            (['move', '1', '9'], 'there is no row 9: the list has 4 rows'),
            (['--codepage', 'x', 'show'], 'Could not convert: --codepage = x (see zelq-list --help)'),
        ]
        self.assertErrors(errors)

    def test_satellites(self):
        code, out, err = self.zelq('satellites')
        self.assertEqual((code, err), (0, ''))
        table = out.splitlines()
        self.assertEqual(len(table), 1 + 172)
        self.assertEqual(table[:3], ['Position  Satellite', '   3.0°E  Telecom_2C', '   4.0°E  EuroBird 4'])
        self.assertIn('  13.0°E  HotBird', table)
        self.assertIn('  14.2°E  _1', table)
        self.assertEqual(table[-2:], ['   5.0°W  Atlantic Bird 3', '   1.0°W  Thor 2/3'])

    def test_windows_habits(self):
        # Commands and choices in any case; a path whose closing quote a
        # backslash kept (cmd's "Z:\\lists\\" show) is explained.
        self.use('clean.ini')
        for arguments, same in ((['SHOW', '--format', 'CSV'], ['show', '--format', 'csv']),
                                (['Sort', '--by', 'Name', '--dry-run'], ['sort', '--by', 'name', '--dry-run']),
                                (['flag', '1', 'OFF', '--dry-run'], ['flag', '1', 'off', '--dry-run'])):
            self.assertRun(arguments, self.zelq(*same)[1])
        quote = (' holds a quote: on the Windows command line a backslash just before a closing quote keeps the quote '
                 '(and what follows joins the path); name the file itself, as "C:\\my lists\\')
        self.assertErrors([
            (['--list', 'Z:\\lists\\a b" show'], '--list: the path Z:\\lists\\a b" show' + quote + 'ChannelList.ini"'),
            (['import', 'Z:\\rows\\" --dry-run'], 'import: the path Z:\\rows\\" --dry-run' + quote + 'rows.csv"'),
            (['merge', 'Z:\\a b\\" x.ini'], 'merge: the path Z:\\a b\\" x.ini' + quote + 'other.ini"'),
        ])

    def test_global_options_before_or_after_the_command(self):
        original = self.use('clean.ini', 'mine.ini')
        self.assertRun(['show', '--list', 'mine.ini'], CLEAN_TABLE)
        self.assertRun(['--list', 'mine.ini', 'show'], CLEAN_TABLE)
        self.assertEqual(self.zelq('--dry-run', '--list', 'mine.ini', 'remove', '1')[0], 0)
        self.assertEqual(self.zelq('--list', 'mine.ini', 'rename', '1', 'X', '--dry-run', '--codepage', '1252')[0], 0)
        # A command that writes nothing takes --dry-run as well.
        self.assertRun(['--dry-run', '--list', 'mine.ini', 'show'], CLEAN_TABLE)
        self.assertEqual(self.read('mine.ini'), original)
        self.assertOnlyFiles('mine.ini')


def main():
    global PROGRAM, FAULTS, EMULATOR
    parser = argparse.ArgumentParser()
    parser.add_argument('--program', required=True)
    parser.add_argument('--faults')
    parser.add_argument('--emulator')
    options, rest = parser.parse_known_args()
    PROGRAM = os.path.abspath(options.program)
    FAULTS = os.path.abspath(options.faults) if options.faults else None
    if options.emulator:
        EMULATOR = [options.emulator]
        # Start Wine's helpers with no output of ours to hold.
        subprocess.run(EMULATOR + [PROGRAM, '--version'], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       timeout=300)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == '__main__':
    main()
