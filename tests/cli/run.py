#!/usr/bin/env python3
"""Runs CASE.sh (after common.sh) in a fresh folder, shown as <tmp>: its output must be
CASE.sh.stdout.exp, its exit status CASE.sh.exit (else 0); 77 skips. --update writes both."""
import argparse
import difflib
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("case")
    ap.add_argument("--path", action="append", default=[], help="a folder of programs, put first on PATH")
    ap.add_argument("--update", action="store_true")
    args = ap.parse_args()
    case = os.path.abspath(args.case)
    with tempfile.TemporaryDirectory(prefix="cli-") as tmp:
        tmp = os.path.realpath(tmp)
        env = {k: v for k, v in os.environ.items() if not k.startswith(("ZPOS_", "XDG_"))}
        path = [os.path.abspath(p) for p in args.path] + [env.get("PATH", "/usr/bin:/bin")]
        env.update(PATH=os.pathsep.join(path), HOME=tmp,
                   ZPOS_APP_DIR=tmp, ZPOS_REGISTRY_FILE=os.path.join(tmp, "registry.dat"),
                   CASES=os.path.dirname(case), SOURCE=os.path.dirname(os.path.dirname(HERE)), LC_ALL="C.UTF-8")
        script = 'set -uo pipefail; . "%s"; . "%s"' % (os.path.join(HERE, "common.sh"), case)
        try:
            done = subprocess.run(["bash", "-c", script], cwd=tmp, env=env, capture_output=True, timeout=120)
        except subprocess.TimeoutExpired:
            print("%s: no end after 120 s" % args.case)
            return 1
        if done.returncode == 77:
            print("skipped: %s" % done.stdout.decode(errors="replace"))
            return 77
        out = done.stdout.replace(tmp.encode(), b"<tmp>")
        err = done.stderr.replace(tmp.encode(), b"<tmp>").decode(errors="replace")
    exit_file = case + ".exit"
    if args.update:
        with open(case + ".stdout.exp", "wb") as f:
            f.write(out)
        if done.returncode:
            with open(exit_file, "w") as f:
                f.write("%d\n" % done.returncode)
        elif os.path.exists(exit_file):
            os.remove(exit_file)
        return 0
    with open(case + ".stdout.exp", "rb") as f:
        want = f.read()
    want_exit = int(open(exit_file).read()) if os.path.exists(exit_file) else 0
    failed = want != out or done.returncode != want_exit
    if want != out:
        lines = [t.decode(errors="replace").splitlines(True) for t in (want, out)]
        sys.stdout.writelines(difflib.unified_diff(*lines, "expected", "got"))
    if done.returncode != want_exit:
        print("exit status %d, not %d" % (done.returncode, want_exit))
    if failed:
        sys.stdout.write("--- standard error:\n" + err)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
