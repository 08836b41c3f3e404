#!/usr/bin/env python3
"""zelq-list.exe writing to a real console under Wine: `script` gives Wine a
terminal, and a program started on a terminal gets a Wine console whose text
goes out to that terminal as UTF-8. Arabic names, "✓" and "°" must read back
whole, on standard output and on standard error, under the Arabic code pages
and under 1252; and the console's code pages must be what they were before
the program ran.

    console_test.py --program zelq-list.exe --pages console_code_pages.exe
                    --emulator scripts/wine-run
"""
import argparse
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
OPTIONS = None

# What a terminal is sent besides text: control sequences (cursor moves,
# erasing, showing and hiding the cursor) and window titles.
CONTROLS = re.compile(r'\x1b\[[0-9;?]*[ -/]*[@-~]|\x1b\][^\x07]*\x07')


class ConsoleTest(unittest.TestCase):
    maxDiff = None

    def console(self, locale, arguments):
        """Runs the code pages, zelq-list.exe with the arguments, and the code
        pages again, in one console; returns the text the terminal got."""
        folder = tempfile.mkdtemp(prefix='zelq-console-')
        self.addCleanup(shutil.rmtree, folder, True)
        shutil.copyfile(os.path.join(HERE, 'lists', 'clean.ini'), os.path.join(folder, 'ChannelList.ini'))
        for program in (OPTIONS.program, OPTIONS.pages):
            shutil.copy(program, folder)
        pages = os.path.basename(OPTIONS.pages)
        command = [OPTIONS.emulator, 'cmd', '/c', pages, '&', os.path.basename(OPTIONS.program)] + arguments + [
            '&', pages]
        environment = dict(os.environ, COLUMNS='200', ZELQ_WINE_LOCALE=locale)
        done = subprocess.run(['script', '-qec', shlex.join(command), '/dev/null'], cwd=folder, env=environment,
                              stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                              timeout=300)
        self.assertEqual(done.returncode, 0, done.stdout)
        with open(os.path.join(folder, 'ChannelList.ini'), 'rb') as file, \
                open(os.path.join(HERE, 'lists', 'clean.ini'), 'rb') as clean:
            self.assertEqual(file.read(), clean.read())
        return CONTROLS.sub('', done.stdout.decode('utf-8', errors='replace'))

    def test_text_reads_back_whole(self):
        table = ['✓', '13.0°E', '26.0°E', '7.0°W', 'الجزيرة', 'نايل', 'دراما', 'MBC']
        cases = [
            # locale (its code pages), arguments, what must read back
            ('ar_SA.UTF-8', ['show'], table),
            ('en_US.UTF-8', ['--codepage', '1256', 'show'], table),
            # An error on standard error, holding a typed name.
            ('ar_SA.UTF-8', ['rename', '2', 'الجزيرة]'], ['zelq-list:', '"الجزيرة]"', 'holds']),
            ('en_US.UTF-8', ['satellites'], ['13.0°E', '1.0°W', 'HotBird']),
        ]
        for locale, arguments, expected in cases:
            with self.subTest(locale=locale, arguments=arguments):
                text = self.console(locale, arguments)
                for item in expected:
                    self.assertIn(item, text)
                self.assertNotIn('\ufffd', text)
                pages = re.findall(r'code-pages:\d+/\d+', text)
                self.assertEqual(len(pages), 2, text)
                self.assertEqual(pages[0], pages[1], 'the console\'s code pages changed')


def main():
    global OPTIONS
    parser = argparse.ArgumentParser()
    parser.add_argument('--program', required=True)
    parser.add_argument('--pages', required=True)
    parser.add_argument('--emulator', required=True)
    OPTIONS, rest = parser.parse_known_args()
    OPTIONS.program = os.path.abspath(OPTIONS.program)
    OPTIONS.pages = os.path.abspath(OPTIONS.pages)
    if not shutil.which('script'):
        sys.exit('console_test.py needs script (util-linux)')
    unittest.main(argv=[sys.argv[0]] + rest, verbosity=2)


if __name__ == '__main__':
    main()
