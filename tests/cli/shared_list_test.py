#!/usr/bin/env python3
"""A list shared by the users of a group, natively: whoever may write the
list may also lock and rewrite it, every rewrite keeps the list's group and
permissions, and a command that makes nothing beside a missing list leaves no
lock file there.

    shared_list_test.py --program PATH --faults PATH [TEST...]

Needs root and setpriv: the users are numeric ids that no account on the
machine holds, so nothing is added to the system. Every command runs with
umask 022, so a file made with the default permissions would not be
group-writable.
"""
import argparse
import grp
import os
import pwd
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
LISTS = os.path.join(HERE, 'lists')
LIST = 'ChannelList.ini'
LOCK = 'ChannelList.lck'
PROGRAM = None
FAULTS = None


def free_ids(count):
    """Ids that are neither a user's nor a group's on this machine."""
    taken = {entry.pw_uid for entry in pwd.getpwall()} | {entry.gr_gid for entry in grp.getgrall()}
    ids = []
    candidate = 61000
    while len(ids) < count:
        if candidate not in taken:
            ids.append(candidate)
        candidate += 1
    return ids


def run(arguments, cwd, user=None, program=None):
    """Runs a program as `user` (uid, gid, groups; None for root); returns
    (exit code, stdout, stderr)."""
    prefix = []
    if user:
        uid, gid, groups = user
        prefix = ['setpriv', '--reuid=%d' % uid, '--regid=%d' % gid,
                  '--groups=' + ','.join(str(group) for group in groups)]
    done = subprocess.run(prefix + [program or PROGRAM] + list(arguments), cwd=cwd, capture_output=True,
                          preexec_fn=lambda: os.umask(0o022), timeout=60)
    return done.returncode, done.stdout.decode('utf-8'), done.stderr.decode('utf-8')


def owners(path):
    """(owner, group, permission bits) of a file."""
    status = os.stat(path)
    return status.st_uid, status.st_gid, stat.S_IMODE(status.st_mode)


@unittest.skipUnless(os.geteuid() == 0 and shutil.which('setpriv'), 'needs root and setpriv')
class SharedListTest(unittest.TestCase):
    maxDiff = None

    def setUp(self):
        self.a, self.b, self.group = free_ids(3)
        self.user_a = (self.a, self.a, [self.group])
        self.user_b = (self.b, self.b, [self.group])
        self.top = tempfile.mkdtemp(prefix='zelq-shared-')
        os.chmod(self.top, 0o755)
        self.folder = os.path.join(self.top, 'lists')
        os.mkdir(self.folder)
        # A folder of the group's, where its members may make files.
        os.chown(self.folder, self.a, self.group)
        os.chmod(self.folder, 0o775)

    def tearDown(self):
        shutil.rmtree(self.top, ignore_errors=True)

    def path(self, name=LIST):
        return os.path.join(self.folder, name)

    def make_list(self, mode):
        shutil.copyfile(os.path.join(LISTS, 'clean.ini'), self.path())
        os.chown(self.path(), self.a, self.group)
        os.chmod(self.path(), mode)

    def test_every_member_of_the_group_edits_the_list(self):
        a, b, g = self.a, self.b, self.group
        for mode in (0o664, 0o660):
            with self.subTest(mode=oct(mode)):
                self.make_list(mode)
                if os.path.exists(self.path(LOCK)):
                    os.remove(self.path(LOCK))
                # who, row renamed, the list's owner afterwards (root keeps it)
                steps = [
                    (self.user_a, '1', a),
                    (self.user_b, '2', b),
                    (self.user_a, '3', a),
                    (None, '4', a),
                ]
                for user, row, owner in steps:
                    result = run(['rename', row, 'By ' + (str(user[0]) if user else 'root')], self.folder, user)
                    self.assertEqual(result[0], 0, (user, result))
                    self.assertEqual(owners(self.path()), (owner, g, mode), user)
                    # The lock file: made by the first writer, with the list's
                    # group and permissions, so every member may lock it.
                    self.assertEqual(owners(self.path(LOCK)), (a, g, mode), user)
                with open(self.path(), 'rb') as file:
                    names = [line.split(b'] [')[1][:-3] for line in file.read().splitlines(keepends=True)]
                self.assertEqual(names, [b'By %d' % a, b'By %d' % b, b'By %d' % a, b'By root'])
                self.assertEqual(sorted(os.listdir(self.folder)), [LIST, LOCK])

    def test_a_lock_file_made_before_is_shared_at_its_owners_next_edit(self):
        self.make_list(0o664)
        with open(self.path(LOCK), 'wb'):
            pass
        os.chown(self.path(LOCK), self.a, self.a)
        os.chmod(self.path(LOCK), 0o644)
        refused = (2, '', 'zelq-list: cannot make or open the lock file ChannelList.lck: permission denied (a '
                          'read-only file, or one this user may not change); nothing was changed\n')
        self.assertEqual(run(['rename', '2', 'By B'], self.folder, self.user_b), refused)
        self.assertEqual(run(['rename', '1', 'By A'], self.folder, self.user_a)[0], 0)
        self.assertEqual(owners(self.path(LOCK)), (self.a, self.group, 0o664))
        self.assertEqual(run(['rename', '2', 'By B'], self.folder, self.user_b)[0], 0)

    def test_no_lock_file_stays_beside_a_list_that_was_not_made(self):
        folder = self.folder
        shutil.copyfile(os.path.join(LISTS, 'clean.ini'), os.path.join(folder, 'other.ini'))
        open(os.path.join(folder, 'empty.ini'), 'wb').close()
        merge = ['--list', 'new.ini', 'merge']
        cases = [
            # a lock file there before, arguments, exit code, files afterwards
            (False, merge + ['gone.ini'], 2, []),
            (False, merge + ['empty.ini'], 2, []),  # a file without list lines is refused
            (True, merge + ['gone.ini'], 2, ['new.lck']),
            (False, merge + ['other.ini'], 0, ['new.ini', 'new.lck']),
        ]
        for before, arguments, code, files in cases:
            with self.subTest(arguments=arguments, before=before):
                for name in ('new.ini', 'new.lck'):
                    if os.path.exists(os.path.join(folder, name)):
                        os.remove(os.path.join(folder, name))
                if before:
                    open(os.path.join(folder, 'new.lck'), 'wb').close()
                self.assertEqual(run(arguments, folder, self.user_b)[0], code)
                self.assertEqual(sorted(set(os.listdir(folder)) - {'other.ini', 'empty.ini'}), files)

    def test_a_lock_file_goes_only_while_its_maker_holds_it(self):
        folder = self.folder
        shutil.copyfile(os.path.join(LISTS, 'clean.ini'), os.path.join(folder, 'other.ini'))
        # hold seconds, arguments of the second writer, its exit code, its
        # message's start, files while the holder still holds the lock
        cases = [
            # Another writer's lock file is never removed while it is held.
            (3.0, ['--list', 'new.ini', 'merge', 'gone.ini'], 2, 'zelq-list: new.ini is being written by another program', ['new.lck']),
            # The holder removes its lock file beside no list while the
            # second writer waits; that writer takes the lock file made
            # after, so the list it makes has one beside it.
            (1.0, ['--list', 'new.ini', 'merge', 'other.ini'], 0, '', ['new.lck']),
        ]
        for seconds, arguments, code, message, held in cases:
            with self.subTest(arguments=arguments):
                uid, gid, groups = self.user_b
                holder = ['setpriv', '--reuid=%d' % uid, '--regid=%d' % gid, '--groups=%d' % groups[0], FAULTS,
                          'hold-lock', 'new.ini', str(seconds)]
                with subprocess.Popen(holder, cwd=folder, stdout=subprocess.PIPE,
                                      preexec_fn=lambda: os.umask(0o022)) as holding:
                    self.assertEqual(holding.stdout.readline(), b'locked\n')
                    self.assertEqual(sorted(set(os.listdir(folder)) - {'other.ini'}), held)
                    result = run(arguments, folder, self.user_b)
                    holding.wait(timeout=30)
                self.assertEqual(result[0], code, result)
                self.assertTrue(result[2].startswith(message), result)
                made = ['new.ini', 'new.lck'] if code == 0 else []
                self.assertEqual(sorted(set(os.listdir(folder)) - {'other.ini'}), made)

    def test_links_planted_in_a_shared_folder_are_not_followed(self):
        """In a sticky folder that anyone may write (as /tmp), another user's
        link is followed only as Linux's protected-symlinks rule allows,
        whatever the host's settings: the link's owner must be this user or
        the folder's. The lock and side files are never opened through a
        link."""
        shared = os.path.join(self.top, 'shared')
        os.mkdir(shared)
        os.chmod(shared, 0o1777)
        private = os.path.join(self.top, 'private')
        os.mkdir(private)
        os.chown(private, self.a, self.a)
        os.chmod(private, 0o700)
        victim = os.path.join(private, 'secret.ini')
        shutil.copyfile(os.path.join(LISTS, 'clean.ini'), victim)
        os.chown(victim, self.a, self.a)
        os.chmod(victim, 0o600)
        with open(victim, 'rb') as file:
            secret = file.read()
        add = ['add', '--ident', '5001', '--position', '7W', '--frequency', '11900', '--name', 'MBC 2']
        denied = 'permission denied (a read-only file, or one this user may not change)'

        def plant(name, target, owner):
            os.symlink(target, os.path.join(shared, name))
            os.lchown(os.path.join(shared, name), owner, owner)

        def own_list():
            shutil.copyfile(os.path.join(LISTS, 'clean.ini'), os.path.join(shared, LIST))
            os.chown(os.path.join(shared, LIST), self.a, self.a)

        left = ('cannot remove ~ChannelList.tm, which an earlier change of the list left: this user may not delete '
                'files in its folder (the permission to delete is missing, though making files is allowed); nothing '
                'was changed')
        cases = [
            # what is put in the shared folder, arguments, exit, error, files afterwards
            (lambda: plant(LIST, victim, self.b), add, 2,
             'cannot add to ChannelList.ini: ' + denied + '; nothing was changed', {LIST: 'link'}),
            (lambda: plant(LIST, victim, self.b), ['show'], 2, 'cannot read ChannelList.ini: ' + denied,
             {LIST: 'link'}),
            (lambda: (own_list(), plant(LOCK, os.path.join(private, 'made.lck'), self.b)), ['rename', '1', 'X'], 2,
             'cannot make or open the lock file ChannelList.lck: ' + denied + '; nothing was changed',
             {LIST: 'file', LOCK: 'link'}),
            # Another user's file of that name in a sticky folder is not this
            # user's to remove: nothing is written beside it.
            (lambda: (own_list(), plant('~ChannelList.tm', os.path.join(private, 'made.tm'), self.b)),
             ['rename', '1', 'X'], 2, left, {LIST: 'file', LOCK: 'file', '~ChannelList.tm': 'link'}),
            # A link of this user's own, or the folder's owner's, is followed.
            (lambda: plant(LIST, victim, self.a), add, 0, '', {LIST: 'link', 'secret.lck': 'file'}),
        ]
        for make, arguments, code, message, files in cases:
            with self.subTest(arguments=arguments[:2], files=sorted(files)):
                for name in os.listdir(shared):
                    os.remove(os.path.join(shared, name))
                for name in set(os.listdir(private)) - {'secret.ini'}:
                    os.remove(os.path.join(private, name))
                shutil.copyfile(os.path.join(LISTS, 'clean.ini'), victim)
                make()
                result = run(arguments, shared, self.user_a)
                self.assertEqual(result[0], code, result)
                self.assertEqual(result[2], message and 'zelq-list: ' + message + '\n')
                found = {name: 'link' if os.path.islink(os.path.join(shared, name)) else 'file'
                         for name in os.listdir(shared)}
                found.update({name: 'file' for name in os.listdir(private) if name != 'secret.ini'})
                self.assertEqual(found, files)
                with open(victim, 'rb') as file:
                    self.assertEqual(file.read() == secret, code != 0 or files.get(LIST) != 'link')

    def test_a_lock_file_another_user_made_is_used_as_it_is(self):
        """A lock file another member of the group made, in a sticky shared
        folder, is opened as it is, without O_CREAT (which Linux's
        protected-regular-files rule refuses there)."""
        shared = os.path.join(self.top, 'shared')
        os.mkdir(shared)
        os.chmod(shared, 0o1777)
        shutil.copyfile(os.path.join(LISTS, 'clean.ini'), os.path.join(shared, LIST))
        os.chown(os.path.join(shared, LIST), self.a, self.group)
        os.chmod(os.path.join(shared, LIST), 0o664)
        self.assertEqual(run(['rename', '1', 'By A'], shared, self.user_a)[0], 0)
        self.assertEqual(owners(os.path.join(shared, LOCK)), (self.a, self.group, 0o664))
        # B may append to A's list (a sticky folder lets no one but A replace it).
        add = ['add', '--ident', '5001', '--position', '7W', '--frequency', '11900', '--name', 'MBC 2']
        self.assertEqual(run(add, shared, self.user_b),
                         (0, 'ChannelList.ini: added [ 1 1F3864473B16 ] [MBC 2] (Nile Sat)\n', ''))
        self.assertEqual(owners(os.path.join(shared, LOCK)), (self.a, self.group, 0o664))
        self.assertEqual(sorted(os.listdir(shared)), [LIST, LOCK])


if __name__ == '__main__':
    parser = argparse.ArgumentParser()
    parser.add_argument('--program', required=True)
    parser.add_argument('--faults', required=True)
    options, rest = parser.parse_known_args()
    PROGRAM = os.path.abspath(options.program)
    FAULTS = os.path.abspath(options.faults)
    unittest.main(argv=[sys.argv[0]] + rest)
