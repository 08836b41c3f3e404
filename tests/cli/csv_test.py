#!/usr/bin/env python3
"""zelq-list's CSV as list keepers use it with spreadsheets: export then import
changes nothing for every name the list's reader accepts, under code pages
1256 and 1252 and through LibreOffice Calc; a CSV of a view removes only rows
of that view; a CSV saved in the list's code page is read in it; what import
refuses.

    csv_test.py --program PATH [--emulator PROGRAM] [TEST...]

It runs on the helpers of cli_test.py (a folder of its own for every test,
the list as ChannelList.ini in it).
"""
import argparse
import csv
import glob
import io
import os
import re
import shutil
import subprocess
import sys
import unittest

import cli_test
from cli_test import LIST, LISTS, lines

# Names a spreadsheet reads as a number, date, time, percentage, amount or
# truth value in some language (LibreOffice or Excel), with detection of
# special numbers off or on, and names it leaves as text, for the lists of
# each code page: show guards the first with an apostrophe, and only them.
VALUES = ['007', '1/2', '3-4', '12:30', '50%', 'TRUE', 'false', '1e5', '1E+05', '-1', '+1', '.5', '0.10', '1.0',
          ' 7', '7 ', '1 000', '1,5', '(1)', '$5', 'Jan 5', '5 janv.', '12 PM', '24/7', '00:30', '=1+1', '@x', "''x",
          'WAHR', '2024-01-05', '2024-01-05T10:00', '10:00:00', '5.1.2024', '\tTab', "'x", "'quoted"]
TEXTS = ['MBC 1', '4 Music', 'SAT.1', '2M', '#1', 'Sky 1 HD', 'x', 'News;Live', 'A|B',
         'Sport\tHD', ' spaced ']
VALUES_BY_PAGE = {
    '1256': ['صح', 'خطأ', '5 ماي', 'جانفي 2', '5 أفريل', 'درست', 'نادرست', 'غلط', '5 آبان', '10:30 م'],
    '1252': ['5 mai', 'vrai', 'FAUX', '3 März', '5 août'],
    '1251': ['8 марта', '1 мая', 'истина', 'ЛОЖЬ', '5 січня', 'брехня', 'вярно', '5 януари', 'тачно', '5 мај'],
}
TEXTS_BY_PAGE = {
    '1256': ['الجزيرة 2', 'صحيفة', 'ماي TV', 'روتانا 5 سينما'],
    '1252': ['Café 2', 'Mai TV'],
    '1251': ['Первый канал', 'Россия 1', 'Май ТВ', 'НТВ'],
}
LANGUAGES = {'en-US': 1033, 'de-DE': 1031, 'fr-FR': 1036, 'ar-SA': 1025, 'ar-DZ': 5121, 'fa-IR': 1065,
             'ru-RU': 1049}
# LibreOffice's CSV filter: its options are separator, quote, character set
# (76 UTF-8, 1 Windows-1252, 38 Windows-1256), first line, column formats,
# language, quoted fields as text, detection of special numbers.
CALC_CSV = 'Text - txt - csv (StarCalc)'
CHARSETS = {'utf-8': 76, 'cp1252': 1, 'cp1256': 38}


def every_name():
    """Every name of the test lists, each control byte (alone and inside a
    name), blanks, each byte from 0x80 up (alone and after text), and the
    names above: the names the reader accepts that a round trip may spoil."""
    names = []
    for fixture in sorted(glob.glob(os.path.join(LISTS, '*.ini'))):
        with open(fixture, 'rb') as file:
            names += [m.group(1) for m in re.finditer(rb'\] *\[([^\]\r\n\x00]+)\]', file.read())]
    controls = [b for b in range(1, 0x20) if b not in (0x0A, 0x0D)] + [0x7F]
    names += [bytes([b]) for b in controls] + [b'TV' + bytes([b]) + b'X' for b in controls]
    names += [b' ', b'   ', b'\t', b'\xa0', b' \xa0 ']
    names += [bytes([b]) for b in range(0x80, 0x100)] + [b'TV ' + bytes([b]) for b in range(0x80, 0x100)]
    names += [name.encode('cp1256') for name in VALUES + TEXTS + VALUES_BY_PAGE['1256'] + TEXTS_BY_PAGE['1256']]
    return names


def names_of(codepage):
    """The names above that a list of the code page can hold."""
    return [name.encode('cp' + codepage) for name in VALUES + VALUES_BY_PAGE[codepage] + TEXTS +
            TEXTS_BY_PAGE[codepage]]


def list_of(names):
    """A list with a row for each name, each its own channel."""
    return b''.join(b'[ 1 %04X914BA85C ] [%s]\r\n' % (i, name) for i, name in enumerate(names))


def csv_names(text):
    """The name cells of a CSV as show writes it, in order."""
    return [row[9] for row in csv.reader(io.StringIO(text.lstrip('\ufeff'), newline=''))][1:]


def semicolons(rows):
    """The CSV lines as a spreadsheet saves them with semicolons."""
    out = io.StringIO()
    csv.writer(out, delimiter=';', lineterminator='\r\n').writerows(csv.reader(io.StringIO('\r\n'.join(rows))))
    return out.getvalue().split('\r\n')[:-1]


def view_note(csv_file, view):
    return '%s: the rows of %s; the list\'s other rows stay as they are\n' % (csv_file, view)


class CsvTest(cli_test.ListTest):
    def export(self, *arguments, name='rows.csv', encoding='utf-8'):
        code, text, err = self.zelq(*arguments)
        self.assertEqual((code, err), (0, ''), arguments)
        with open(self.path(name), 'w', encoding=encoding, newline='') as file:
            file.write(text)
        return text

    def test_export_then_import_changes_nothing(self):
        original = self.write(list_of(every_name()))
        for codepage in ('1256', '1252'):
            for view, note in (([], ''), (['--find', 'tv'], view_note('rows.csv', 'find "tv"'))):
                with self.subTest(codepage=codepage, view=view):
                    text = self.export('--codepage', codepage, 'show', '--format', 'csv', *view)
                    self.assertTrue(text.startswith('\ufeffrow,line,'))
                    self.assertRun(['--codepage', codepage, 'import', 'rows.csv'],
                                   note + 'ChannelList.ini: nothing to change\n')
                    self.assertEqual(self.read(), original)
        # Only names a spreadsheet would take for a value get the apostrophe;
        # a cell it could split or trim is quoted.
        for codepage in VALUES_BY_PAGE:
            with self.subTest(codepage=codepage):
                self.write(list_of(names_of(codepage)))
                text = self.export('--codepage', codepage, 'show', '--format', 'csv')
                guarded = ["'" + name for name in VALUES + VALUES_BY_PAGE[codepage]] + TEXTS + TEXTS_BY_PAGE[codepage]
                self.assertEqual(csv_names(text), guarded)
                for name in ('News;Live', 'A|B', 'Sport\tHD', ' spaced ', "'\tTab"):
                    self.assertIn(',"%s"\r\n' % name, text)
                self.assertRun(['--codepage', codepage, 'import', 'rows.csv'], 'ChannelList.ini: nothing to change\n')

    def soffice(self, name, infilter, target, files, outdir):
        """Converts the files with LibreOffice Calc, as a user's import
        dialog and Save As would; a profile of its own for each name."""
        soffice = shutil.which('soffice')
        self.assertTrue(soffice, 'LibreOffice Calc is needed (scripts/install-deps installs it)')
        done = subprocess.run([soffice, '-env:UserInstallation=file://' + self.path('profile-' + name), '--headless'] +
                              (['--infilter=' + infilter] if infilter else []) +
                              ['--convert-to', target, '--outdir', outdir] + files,
                              cwd=self.folder, env=dict(os.environ, HOME=self.folder), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=300)
        self.assertEqual(done.returncode, 0, (name, target))

    def test_round_trip_through_libreoffice(self):
        # Each test list, and the names above in lists of each code page,
        # exported, read by LibreOffice Calc as UTF-8 in each language with
        # the detection of special numbers off and on, kept as CSV, ODS or
        # XLSX, saved back as CSV UTF-8, and imported: nothing changes. Saved
        # as a Windows code page's "CSV" instead, a name that lost letters
        # to "?" is refused.
        fixtures = sorted(os.path.basename(fixture) for fixture in glob.glob(os.path.join(LISTS, '*.ini')))
        for fixture in fixtures:
            self.use(fixture, fixture)
        self.write(list_of(every_name()), 'names.ini')
        for codepage in VALUES_BY_PAGE:
            self.write(list_of(names_of(codepage)), 'names%s.ini' % codepage)
        # list, code page, view, what import says of the view
        cases = [(fixture, '1256', [], '') for fixture in fixtures] + [
            ('names.ini', '1256', [], ''), ('names.ini', '1252', [], ''),
            ('names.ini', '1256', ['--find', 'tv'], 'find "tv"')] + [
            ('names%s.ini' % codepage, codepage, [], '') for codepage in VALUES_BY_PAGE]
        exports = ['case%d.csv' % i for i in range(len(cases))]
        for (list_file, codepage, view, _), export in zip(cases, exports):
            self.export('--list', list_file, '--codepage', codepage, 'show', '--format', 'csv', *view, name=export)
        utf8 = 'csv:%s:44,34,76,1' % CALC_CSV
        # Under Wine, the languages whose words the guard holds most of, with
        # special numbers detected.
        languages = ['ar-DZ', 'ru-RU'] if cli_test.EMULATOR else list(LANGUAGES)
        for language in languages:
            for special in ('true',) if cli_test.EMULATOR else ('false', 'true'):
                infilter = '%s:44,34,76,1,,%d,false,%s' % (CALC_CSV, LANGUAGES[language], special)
                for kept in ('csv', 'ods', 'xlsx'):
                    name = '%s-%s-%s' % (language, special, kept)
                    if kept == 'csv':
                        self.soffice(name, infilter, utf8, exports, self.path(name))
                    else:
                        self.soffice(name, infilter, kept, exports, self.path(name + '-book'))
                        self.soffice(name, None, utf8, [os.path.join(name + '-book', export[:-3] + kept)
                                                        for export in exports], self.path(name))
                    for (list_file, codepage, view, note), export in zip(cases, exports):
                        with self.subTest(language=language, special=special, kept=kept, list=list_file,
                                          codepage=codepage, view=view):
                            before = self.read(list_file)
                            saved_csv = os.path.join(name, export)
                            self.assertRun(['--list', list_file, '--codepage', codepage, 'import', saved_csv],
                                           (view_note(saved_csv, note) if note else '') + list_file +
                                           ': nothing to change\n')
                            self.assertEqual(self.read(list_file), before)
        for charset in ('cp1252', 'cp1256'):
            infilter = '%s:44,34,76,1,,1025,false,false' % CALC_CSV
            self.soffice(charset, infilter, 'csv:%s:44,34,%d,1' % (CALC_CSV, CHARSETS[charset]), exports,
                         self.path(charset))
            for (list_file, codepage, view, note), export in zip(cases, exports):
                with self.subTest(charset=charset, list=list_file, codepage=codepage, view=view):
                    before = self.read(list_file)
                    names = [m.group(1).decode('cp' + codepage, errors='replace')
                             for m in re.finditer(rb'\] *\[([^\]\r\n\x00]+)\]', before)]
                    try:
                        ''.join(names).encode(charset)
                        kept = True
                    except UnicodeEncodeError:
                        kept = False
                    saved_csv = os.path.join(charset, export)
                    code, out, err = self.zelq('--list', list_file, '--codepage', codepage, 'import', saved_csv)
                    if kept:
                        self.assertEqual((code, err), (0, ''))
                        self.assertTrue(out.endswith(list_file + ': nothing to change\n'), out)
                    else:
                        self.assertEqual(code, 2, out)
                        self.assertIn('with letters turned into "?": the CSV was saved in a code page that lacks '
                                      'them; save it as "CSV UTF-8" and import that', err)
                    self.assertEqual(self.read(list_file), before)

    def test_views_and_csv_in_the_lists_code_page(self):
        # A CSV of a view removes only rows of that view; a row outside it
        # that the CSV names changes in its place; new rows go at the end. A
        # CSV saved as a spreadsheet's plain "CSV" is in the system's code
        # page, without a byte-order mark, perhaps with semicolons.
        listed = lines('[ 1 A271914BA85C ] [Al Jazeera]', '# my channels', '[ 1 7FE6CA5BB4C8 ] [الجزيرة]',
                       '[ 0 442C3F530502 ] [نايل دراما]', '[ 1 A7A65058678C ] [MBC 1]', '[ 1 A239D9463A17 ] [MBC 2]')
        cases = [
            # export arguments, edit of the CSV's lines, how it is saved, output, the list after
            (['--find', 'mbc'],
             lambda rows: [rows[0], rows[2].replace('MBC 2', 'MBC Two'), ',,1,77,,,11362,,192,MBC 3'], 'utf-8-sig',
             view_note('rows.csv', 'find "mbc"') +
             'ChannelList.ini:5: remove row 4: [ 1 A7A65058678C ] [MBC 1]\n'
             'rows.csv:2: row 5 becomes row 4: [ 1 A239D9463A17 ] [MBC 2] -> [ 1 A239D9463A17 ] [MBC Two]\n'
             'rows.csv:3: add as row 5: [ 1 DB21AA593B0D ] [MBC 3]\n'
             'ChannelList.ini: wrote 5 rows\n',
             lines('[ 1 A271914BA85C ] [Al Jazeera]', '# my channels', '[ 1 7FE6CA5BB4C8 ] [الجزيرة]',
                   '[ 0 442C3F530502 ] [نايل دراما]', '[ 1 A239D9463A17 ] [MBC Two]', '[ 1 DB21AA593B0D ] [MBC 3]')),
            (['--satellite', 'NILE SAT'],
             lambda rows: [rows[0], rows[2], '1,1,0,4660,13.0°E,HotBird,11747,A271914BA85C,130,Al Jazeera'],
             'utf-8-sig',
             view_note('rows.csv', 'satellite "NILE SAT"') +
             'ChannelList.ini:4: remove row 3: [ 0 442C3F530502 ] [نايل دراما]\n'
             'rows.csv:3: row 1: [ 1 A271914BA85C ] [Al Jazeera] -> [ 0 A271914BA85C ] [Al Jazeera]\n'
             'rows.csv:2: row 5 becomes row 4: [ 1 A239D9463A17 ] [MBC 2]\n'
             'ChannelList.ini: wrote 4 rows\n',
             lines('[ 0 A271914BA85C ] [Al Jazeera]', '# my channels', '[ 1 7FE6CA5BB4C8 ] [الجزيرة]',
                   '[ 1 A7A65058678C ] [MBC 1]', '[ 1 A239D9463A17 ] [MBC 2]')),
            # The same edit of a CSV of every row removes every row it left out.
            ([], lambda rows: [rows[0], rows[5]], 'utf-8-sig',
             ''.join('ChannelList.ini:%d: remove row %d: %s\n' % (line, row, text) for line, row, text in (
                 (1, 1, '[ 1 A271914BA85C ] [Al Jazeera]'), (3, 2, '[ 1 7FE6CA5BB4C8 ] [الجزيرة]'),
                 (4, 3, '[ 0 442C3F530502 ] [نايل دراما]'), (5, 4, '[ 1 A7A65058678C ] [MBC 1]'))) +
             'rows.csv:2: row 5 becomes row 1: [ 1 A239D9463A17 ] [MBC 2]\n'
             'ChannelList.ini: wrote 1 row\n',
             lines('[ 1 A239D9463A17 ] [MBC 2]', '# my channels')),
            # Without its view cell a CSV removes nothing, and says which rows
            # it does not hold.
            ([], lambda rows: [rows[0].rsplit(',"view', 1)[0], rows[5], rows[1]], 'utf-8-sig',
             'rows.csv:2: row 5 becomes row 1: [ 1 A239D9463A17 ] [MBC 2]\n'
             'rows.csv:3: row 1 becomes row 5: [ 1 A271914BA85C ] [Al Jazeera]\n'
             'rows.csv: its header records no view (show writes it in the last cell), so the import removes no row\n' +
             ''.join('ChannelList.ini:%d: row %d is not in rows.csv, and stays: %s\n' % (line, row, text)
                     for line, row, text in ((3, 2, '[ 1 7FE6CA5BB4C8 ] [الجزيرة]'),
                                             (4, 3, '[ 0 442C3F530502 ] [نايل دراما]'),
                                             (5, 4, '[ 1 A7A65058678C ] [MBC 1]'))) +
             'rows.csv: to remove the rows it does not hold, run remove 2-4 (or import a CSV whose header keeps the '
             'view cell show writes)\n'
             'ChannelList.ini: wrote 5 rows\n',
             lines('[ 1 A239D9463A17 ] [MBC 2]', '# my channels', '[ 1 7FE6CA5BB4C8 ] [الجزيرة]',
                   '[ 0 442C3F530502 ] [نايل دراما]', '[ 1 A7A65058678C ] [MBC 1]', '[ 1 A271914BA85C ] [Al Jazeera]')),
            # Positions as add reads them, the tenths left empty; a row moved
            # to another position with its code cleared is another channel.
            ([], lambda rows: [rows[0], rows[1].replace('13.0°E,HotBird,11747,A271914BA85C,130', '19.2E,,11747,,')] +
             rows[2:] + [',,1,78,7W,,11000,,,Nile One', ',,0,79,13.0°E,HotBird,11000,,,Hot One'], 'utf-8-sig',
             'ChannelList.ini:1: remove row 1: [ 1 A271914BA85C ] [Al Jazeera]\n'
             'rows.csv:2: add as row 1: [ 1 A233D34BA81E ] [Al Jazeera]\n'
             'rows.csv:7: add as row 6: [ 1 D82BA354AC01 ] [Nile One]\n'
             'rows.csv:8: add as row 7: [ 0 D963EA59A149 ] [Hot One]\n'
             'ChannelList.ini: wrote 7 rows\n',
             lines('[ 1 A233D34BA81E ] [Al Jazeera]', '# my channels', '[ 1 7FE6CA5BB4C8 ] [الجزيرة]',
                   '[ 0 442C3F530502 ] [نايل دراما]', '[ 1 A7A65058678C ] [MBC 1]', '[ 1 A239D9463A17 ] [MBC 2]',
                   '[ 1 D82BA354AC01 ] [Nile One]', '[ 0 D963EA59A149 ] [Hot One]')),
            # A code a spreadsheet turned into another number (122969565E03
            # read as 122969565000) beside the row's own cells: passed over.
            ([], lambda rows: [rows[0], rows[1].replace('A271914BA85C', '122969565000')] + rows[2:], 'utf-8-sig',
             'ChannelList.ini: nothing to change\n', listed),
            # Saved in code page 1256 with semicolons, a name renamed.
            ([], lambda rows: semicolons([row.replace('MBC 1', 'إم بي سي') for row in rows]), 'cp1256',
             'rows.csv: not UTF-8, so read in the list\'s code page, 1256\n'
             'rows.csv:5: row 4: [ 1 A7A65058678C ] [MBC 1] -> [ 1 A7A65058678C ] [إم بي سي]\n'
             'ChannelList.ini: wrote 5 rows\n',
             listed.replace(b'[MBC 1]', '[إم بي سي]'.encode('cp1256'))),
        ]
        for view, edit, encoding, out, after in cases:
            with self.subTest(view=view, encoding=encoding):
                self.write(listed)
                rows = self.export('show', '--format', 'csv', *view).lstrip('\ufeff').split('\r\n')[:-1]
                with open(self.path('rows.csv'), 'w', encoding=encoding, newline='') as file:
                    file.write('\r\n'.join(edit(rows)) + '\r\n')
                self.assertRun(['import', 'rows.csv'], out)
                self.assertEqual(self.read(), after)
        # A row of the view added to the list since the CSV was made: the CSV
        # cannot have held it, so the import refuses rather than remove it.
        self.write(listed)
        self.export('show', '--format', 'csv', '--find', 'mbc')
        self.assertEqual(self.zelq('add', '--ident', '9', '--position', '13E', '--frequency', '11000', '--name',
                                   'MBC 3')[0], 0)
        changed = self.read()
        self.assertRun(['import', 'rows.csv'], view_note('rows.csv', 'find "mbc"'),
                       'zelq-list: rows.csv: the list\'s rows of find "mbc" have changed since it was made (2 rows '
                       'then, 3 now); nothing was written: export them again\n', 2)
        self.assertEqual(self.read(), changed)
        # Names in code page 1252, saved in it as they were.
        self.write(lines(b'[ 1 A271914BA85C ] [Caf\xe9 \xa9]', b'[ 1 7FE6CA5BB4C8 ] [\x80 \xff]'))
        text = self.export('--codepage', '1252', 'show', '--format', 'csv')
        with open(self.path('rows.csv'), 'wb') as file:
            file.write(text.lstrip('\ufeff').encode('cp1252'))
        self.assertRun(['--codepage', '1252', 'import', 'rows.csv'],
                       'rows.csv: not UTF-8, so read in the list\'s code page, 1252\n'
                       'ChannelList.ini: nothing to change\n')

    def test_export_of_more_rows_than_a_spreadsheet_holds_warns(self):
        # Such a list is larger than the plug-in reads, too: both are said.
        self.write(b''.join(b'[ 1 %08X%04X ] [x]\r\n' % ((n * 2654435761) & 0xFFFFFFFF, n & 0xFFFF)
                            for n in range(1048576)))
        code, out, err = self.zelq('show', '--format', 'csv')
        self.assertEqual((code, out.count('\r\n')), (0, 1048577))
        self.assertEqual(err, 'zelq-list: warning: ChannelList.ini is 24.0 MiB, more than the 16 MiB the plug-in '
                              'reads: it leaves the list as it is and shows none of it; zelq-list works on it all the '
                              'same, so that it can be made smaller\n'
                              'zelq-list: warning: the CSV holds 1048576 rows, and a spreadsheet keeps 1048575 (below '
                              'the header): it would drop the rest; export fewer (--find, --satellite) to edit them in '
                              'a spreadsheet\n')

    def test_import_refuses_what_it_cannot_take(self):
        listed = lines('[ 1 A271914BA85C ] [a\tb]', '[ 1 7FE6CA5BB4C8 ] [   ]', '[ 0 442C3F530502 ] [نايل]')
        header = '\ufeffrow,line,flag,ident,position,satellite,mhz,code,tenths,name'
        plain = header.lstrip('\ufeff')
        row = '\r\n1,1,1,4660,13.0°E,HotBird,11747,A271914BA85C,130,One\r\n'
        utf8 = 'though the file begins with the mark of UTF-8; correct that cell, or save the file again as "CSV UTF-8"'
        clear = ' beside it: to change it, clear the code cell too'
        another = ' (a new ident or position makes it another channel)'
        save = '; save it as "CSV UTF-8" (or "CSV") to import it'
        limit, size = ('512 MiB', 513) if cli_test.EMULATOR else ('1 GiB', 1025)
        cases = [
            # the CSV, the error, whether the list was locked when it came
            # A name the CSV changes or adds must be one a user may type; one
            # it leaves as it was is kept whatever it holds.
            (header + '\r\n,,1,4660,,,11747,,130,a\tc\r\n',
             'rows.csv:2: the name "a\\x09c" holds a control character, which a name in the list cannot', True),
            (header + '\r\n,,1,4660,,,11747,,130,a\tb\r\n,,1,77,,,11362,,192,  \r\n',
             'rows.csv:3: the name "  " is blank, and a name in the list cannot be', True),
            # A channel new to the list, twice.
            (header + '\r\n,,1,77,,,11362,,192,One\r\n,,1,77,,,11000,,192,Two\r\n',
             'rows.csv:3: ident 77 at 19.2°E is on line 2 already; a channel can be in the list once', True),
            # The CSV itself is refused before the list is locked.
            (header + ',view: find\r\n', 'rows.csv: the header\'s "view: find" is not a view show --format csv '
                                         'writes (view: satellite "NAME", find "TEXT")', False),
            (header + ',"view: colour ""red"""\r\n', 'rows.csv: the header\'s "view: colour "red"" is not a view '
                                                     'show --format csv writes (view: satellite "NAME", find "TEXT")',
             False),
            ((header + '\r\n').encode('utf-16'),
             'rows.csv is UTF-16 text; save it as "CSV UTF-8" (or "CSV") to import it', False),
            # A CSV with the UTF-8 mark is UTF-8: a byte that is not is refused
            # where it stands, and no name is read in another code page.
            ((header + '\r\n,,1,77,13E,,11000,,,Caf').encode() + b'\xe9 TV\r\n',
             'rows.csv:2:24: the byte E9 is not UTF-8, ' + utf8, False),
            # Letters a code page lacks turned into "?".
            (plain + '\r\n,,0,2002,7.0°W,,11862,442C3F530502,3530,????\r\n',
             'rows.csv:2: the name "????" is the list\'s "نايل" with letters turned into "?": the CSV was saved in a '
             'code page that lacks them; save it as "CSV UTF-8" and import that', True),
            # What add refuses.
            (header + '\r\n,,1,0,13E,,11000,,,Zero\r\n', 'rows.csv:2: the ident "0" is not a whole number from 1 to '
                                                          '65535', True),
            (header + '\r\n,,1,77,,,11000,,65535,Far\r\n', 'rows.csv:2: the position 6553.5°E is no satellite '
                                                            'position from 1 to 3599 tenths, as add takes (13.0E, 7W)',
             True),
            (header + '\r\n,,1,77,200E,,11000,,,Far\r\n', 'rows.csv:2: the position "200E" is not a position such as '
                                                           '13.0E, 13E, 7W or 0.8W (at most 180 degrees)', True),
            (header + '\r\n,,1,77,7W,,0,,,None\r\n', 'rows.csv:2: the mhz "0" is not a whole number of MHz from 1 to '
                                                      '65535', True),
            # A code no row has, beside cells of no row either: the code cell
            # is blamed (beside the list's own row's cells it is passed over
            # as spoiled, test_views_and_csv_in_the_lists_code_page).
            (header + row.replace('11747,A271914BA85C', '11748,122969565000'),
             'rows.csv:2: the code "122969565000" is no code of the list\'s rows, nor the code of the cells beside it: '
             'a spreadsheet may have turned it into another number; clear the code cell, and the row\'s channel is '
             'taken from its ident, position and mhz', True),
            # A cell changed beside the old code; a satellite that is not the
            # position's.
            (header + row.replace('11747,', '11748,'),
             'rows.csv:2: the mhz "11748" is not the 11747 of the code A271914BA85C' + clear, True),
            (header + row.replace('13.0°E,HotBird', '7.0°W,Nile Sat'),
             'rows.csv:2: the position "7.0°W" is not the 13.0°E of the code A271914BA85C' + clear + another, True),
            (header + row.replace('HotBird', 'Nile Sat'),
             'rows.csv:2: the satellite "Nile Sat" is not the HotBird at 13.0°E of the code A271914BA85C' + clear +
             '; the satellite follows from the position (a new position makes it another channel)', True),
            (header + row.replace('HotBird,11747,A271914BA85C', 'Nile Sat,11747,'),
             'rows.csv:2: the satellite "Nile Sat" is not HotBird, the satellite at 13.0°E: the satellite follows '
             'from the position, so change the position to move the channel', True),
            # A cell is quoted in part; a quote never closed.
            (header + '\r\n,,1,77,13E,,11000,,,' + 'x' * (1 << 20) + '\r\n',
             'rows.csv:2: the name "' + 'x' * 60 + '…" is over 4096 bytes long, and a name in the list holds at most 30',
             True),
            (header + '\r\n,,1,77,13E,,11000,,,"One\r\n', 'rows.csv: a quote opened on line 2 is never closed (it would '
                                                           'take the rest of the file into one cell)', True),
            # Not a CSV import reads.
            ((plain + row).encode('utf-16-le'), 'rows.csv is UTF-16 text without a byte-order mark' + save, False),
            ((plain + row).encode('utf-32'), 'rows.csv is UTF-32 text' + save, False),
            ((plain + row).encode('utf-32-be'), 'rows.csv is UTF-32 text without a byte-order mark' + save, False),
            ((header + row).replace(',', '\t'), 'rows.csv is separated by tabs; import reads cells separated by commas '
                                                'or semicolons: save it as "CSV UTF-8"', False),
            ((header + row).replace(',', '|'), 'rows.csv is separated by "|"; import reads cells separated by commas '
                                              'or semicolons: save it as "CSV UTF-8"', False),
            (listed, 'rows.csv is a channel list, not a CSV; merge adds the channels of another list', False),
            # What a spreadsheet did, said as what it did: two columns of one
            # name; the header in one cell, split at no comma; the header
            # sorted among the rows; a Mac's CSV; another list's CSV; the
            # rows past a sheet's last dropped.
            (header + ',name' + row, 'rows.csv: two "name" columns, J and K: delete the one import should not read, '
                                     'or rename it', False),
            ('"%s,""view: every row (3 rows, 1234ABCD)"""' % plain + row,
             'rows.csv: the whole header is in one cell ("row,line,flag,ident,position,satellite,mhz,code,tenths,'
             'name,…"): the spreadsheet that saved it read each line into one cell, its list separator not being a '
             'comma; open the CSV again choosing the comma as the separator, then save it', False),
            (row.lstrip() + plain + '\r\n', 'rows.csv: the header is on line 2, not the first (a sort moved it among '
                                            'the rows?): move it back to the top, and sort the rows without it', False),
            ((plain + row).replace('\r\n', '\r').encode('mac_roman'),
             'rows.csv is not UTF-8, and its lines end in CR alone: a CSV saved on a Mac, in the Mac\'s own code page; '
             'save it as "CSV UTF-8" to import it', False),
            (header + ',"view: every row (2 rows, 1234ABCD)"' + row.replace('4660', '5').replace('A27', 'A21') +
             '2,2,1,6,13.0°E,HotBird,11747,A221914BA85C,130,Two\r\n',
             'rows.csv was made from another list: none of the 2 channels of its rows are in ChannelList.ini; nothing '
             'was written: import it into the list it was made from (--list), or export this one\'s rows', True),
            (header + ',"view: every row (1048577 rows, 1234ABCD)"' + '\r\nx' * 1048575 + '\r\n',
             'rows.csv holds 1048575 rows, all a spreadsheet keeps, of the 1048577 it was made with: the spreadsheet '
             'dropped the rows past its last; nothing was written: export fewer rows (show --find, --satellite) and '
             'edit them a part at a time', True),
            (None, 'rows.csv is %d MiB; zelq-list imports CSV files of at most %s' % (size, limit), False),
        ]
        for csv_text, message, locked in cases:
            with self.subTest(message=message):
                self.write(listed)
                with open(self.path('rows.csv'), 'wb') as file:
                    if csv_text is None:
                        file.truncate(size << 20)  # sparse: no disk used
                    else:
                        file.write(csv_text if isinstance(csv_text, bytes) else csv_text.encode('utf-8'))
                self.assertRun(['import', 'rows.csv'], err='zelq-list: ' + message + '\n', code=2)
                self.assertEqual(self.read(), listed)
                self.assertOnlyFiles(LIST, 'rows.csv', *(['ChannelList.lck'] if locked else []))
                for name in ('rows.csv', 'ChannelList.lck'):
                    if os.path.exists(self.path(name)):
                        os.remove(self.path(name))
        # What is not a CSV file, and the list itself, are refused before
        # the list is locked.
        refused = [(['--list', 'rows.csv', 'import', 'rows.csv'], 'rows.csv is the list itself (--list names it); '
                                                                 'import takes a CSV that show --format csv wrote')]
        if not cli_test.EMULATOR:
            os.mkfifo(self.path('pipe.csv'))
            refused += [(['import', '/dev/null'], 'cannot read /dev/null: it is a device, not a file; import reads a '
                                                  'CSV file'),
                        (['import', 'pipe.csv'], 'cannot read pipe.csv: it is a pipe, not a file; import reads a CSV '
                                                 'file')]
        with open(self.path('rows.csv'), 'w', encoding='utf-8', newline='') as file:
            file.write(header + row)
        for arguments, message in refused:
            with self.subTest(arguments=arguments):
                self.assertRun(arguments, err='zelq-list: ' + message + '\n', code=2)
        self.assertEqual(self.read(), listed)
        self.assertOnlyFiles(LIST, 'rows.csv', *(['pipe.csv'] if not cli_test.EMULATOR else []))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument('--program', required=True)
    parser.add_argument('--emulator')
    options, rest = parser.parse_known_args()
    cli_test.PROGRAM = os.path.abspath(options.program)
    if options.emulator:
        cli_test.EMULATOR = [options.emulator]
        # Start Wine's helpers with no output of ours to hold.
        subprocess.run(cli_test.EMULATOR + [cli_test.PROGRAM, '--version'], stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=300)
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == '__main__':
    main()
