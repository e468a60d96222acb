#!/usr/bin/env python3
"""Lines of the tracked files by kind, and the share of tests and test doubles.

Usage: scripts/line-counts.py [REVISION]   (default HEAD)

Documents, third-party code, images and test data (the fuzz corpus, the
mutants, which are patches read by scripts/mutation.sh) are not counted. The
stage scripts that run tests count as tests."""
import collections
import subprocess
import sys

HARNESS_SCRIPTS = {'scripts/test.sh', 'scripts/windows-tests.sh', 'scripts/package-tests.sh',
                   'scripts/valgrind.sh', 'scripts/fuzz.sh', '.ci/run'}
DOUBLES = ('tests/common/', 'tests/doubles/', 'tests/windows/',
           'tools/winpos/', 'tools/linkpos/', 'tools/testpad/', 'tools/testbackup/')  # the last four: where they were
LIBRARY = ('entry/', 'request/', 'link/', 'reply/', 'backup/', 'security/', 'support/', 'platform/', 'include/',
           'tables/', 'cmake/', 'CMakeLists.txt', 'CMakePresets.json')
NOT_COUNTED = ('third_party/', 'docs/', 'fuzz/corpus/', 'tests/mutants/')
KINDS = ['library', 'tools', 'agent', 'bindings', 'scripts', 'bench', 'tests', 'test doubles', 'other']


def kind(path):
    if path.startswith(NOT_COUNTED) or path.endswith(('.md', '.png')):
        return None
    if path.startswith(DOUBLES):
        return 'test doubles'
    if path in HARNESS_SCRIPTS or path.startswith(('tests/', 'fuzz/')) or '/tests/' in path:
        return 'tests'
    if path.startswith(LIBRARY):
        return 'library'
    for folder, name in (('tools/', 'tools'), ('agent/', 'agent'), ('bindings/', 'bindings'),
                         ('scripts/', 'scripts'), ('.ci/', 'scripts'), ('bench/', 'bench')):
        if path.startswith(folder):
            return name
    return 'other'


def main():
    revision = sys.argv[1] if len(sys.argv) > 1 else 'HEAD'
    paths = subprocess.run(['git', 'ls-tree', '-r', '--name-only', revision], capture_output=True, text=True,
                           check=True).stdout.split('\n')
    lines = collections.Counter()
    for path in filter(None, paths):
        k = kind(path)
        if k is None:
            continue
        data = subprocess.run(['git', 'show', '%s:%s' % (revision, path)], capture_output=True, check=True).stdout
        if b'\0' not in data:
            lines[k] += data.count(b'\n')
    total = sum(lines.values())
    for k in KINDS:
        print('%-13s %6d' % (k, lines[k]))
    tests = lines['tests'] + lines['test doubles']
    print('%-13s %6d\ntests+doubles %6d = %.1f%%' % ('total', total, tests, 100.0 * tests / total))


if __name__ == '__main__':
    main()
