#!/usr/bin/env python3
"""Lines of the tracked files by kind (what the closing notes report)."""
import subprocess, sys, collections
TEXT = ('.c','.cpp','.h','.hpp','.cs','.py','.sh','.cmake','.txt','.lua','.js','.mjs','.html','.css','.in','.def','.rc','.tsv','.json','.yaml','.scenario','.session','.service','.socket','.csproj','.toml','.map','')
HARNESS_SCRIPTS = {'scripts/test.sh','scripts/windows-tests.sh','scripts/package-tests.sh','scripts/valgrind.sh','scripts/fuzz.sh','.ci/run'}
DOUBLE_DIRS = ('tools/winpos/','tools/linkpos/','tools/testpad/','tools/testbackup/','tests/common/','tests/doubles/','tests/windows/')
LIB = ('entry/','request/','link/','reply/','backup/','security/','support/','platform/','include/','tables/','cmake/')
def kind(p):
    if p.startswith('third_party/') or p.startswith('docs/') or p.endswith('.md') or p.startswith('fuzz/corpus') or p.endswith('.png'): return None
    if p.startswith(DOUBLE_DIRS): return 'test doubles'
    if p in HARNESS_SCRIPTS: return 'tests'
    if p.startswith(('tests/','fuzz/')) or '/tests/' in p: return 'tests'
    if p.startswith(LIB) or p == 'CMakeLists.txt' or p=='CMakePresets.json': return 'library'
    if p.startswith('tools/'): return 'tools'
    if p.startswith('agent/'): return 'agent'
    if p.startswith('bindings/'): return 'bindings'
    if p.startswith(('scripts/','.ci/')): return 'scripts'
    if p.startswith('bench/'): return 'bench'
    return 'other'
rev = sys.argv[1] if len(sys.argv) > 1 else 'HEAD'
files = subprocess.run(['git','ls-tree','-r','--name-only',rev],capture_output=True,text=True,check=True).stdout.split()
c = collections.Counter(); other=[]
for p in files:
    k = kind(p)
    if k is None: continue
    data = subprocess.run(['git','show',f'{rev}:{p}'],capture_output=True).stdout
    if b'\0' in data: continue
    n = data.count(b'\n'); c[k]+=n
    if k=='other': other.append(p)
total = sum(c.values())
for k in ['library','tools','agent','bindings','scripts','bench','tests','test doubles','other']:
    print(f'{k:13} {c[k]:6}')
t = c['tests']+c['test doubles']
print(f'{"total":13} {total:6}\ntests+doubles {t} = {100*t/total:.1f}%')
if other: print('other:', ' '.join(other), file=sys.stderr)
