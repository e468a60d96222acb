#!/usr/bin/env python3
"""Runs one command-line case: CASE.sh in a fresh folder, with the programs'
folders first on PATH and common.sh sourced first. Its standard output must
be CASE.sh.stdout.exp, its standard error CASE.sh.stderr.exp where that file
exists, and its exit status the number in CASE.sh.exit (0 when there is
none); a case that exits 77 is skipped. The fresh folder's path shows as
<tmp> in both. --update writes the
case's output as what it expects (read the diff before committing it)."""
import argparse
import difflib
import os
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
# A case that cannot run here (no namespaces, say) exits with this, as CTest's
# SKIP_RETURN_CODE says.
SKIPPED = 77


def expected(path, default=None):
    if not os.path.exists(path):
        return default
    with open(path, "rb") as f:
        return f.read()


def differs(what, want, got):
    if want is None or want == got:
        return False
    sys.stdout.write("%s differs:\n" % what)
    sys.stdout.writelines(difflib.unified_diff(want.decode(errors="replace").splitlines(True),
                                               got.decode(errors="replace").splitlines(True),
                                               "expected", "got"))
    return True


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("case")
    ap.add_argument("--path", action="append", default=[], help="a folder of programs, put first on PATH")
    ap.add_argument("--timeout", type=int, default=120)
    ap.add_argument("--update", action="store_true", help="write what the case printed as its expected output")
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
            done = subprocess.run(["bash", "-c", script], cwd=tmp, env=env, capture_output=True,
                                  timeout=args.timeout)
        except subprocess.TimeoutExpired:
            print("%s: no end after %d s" % (args.case, args.timeout))
            return 1
        if done.returncode == SKIPPED:
            print("skipped: %s" % done.stdout.decode(errors="replace"))
            return SKIPPED
        out = done.stdout.replace(tmp.encode(), b"<tmp>")
        err = done.stderr.replace(tmp.encode(), b"<tmp>")
        if args.update:
            with open(case + ".stdout.exp", "wb") as f:
                f.write(out)
            if done.returncode:
                with open(case + ".exit", "w") as f:
                    f.write("%d\n" % done.returncode)
            elif os.path.exists(case + ".exit"):
                os.remove(case + ".exit")
            return 0
        want_exit = int(expected(case + ".exit", b"0"))
        failed = differs("standard output", expected(case + ".stdout.exp"), out)
        failed |= differs("standard error", expected(case + ".stderr.exp"), err)
        if done.returncode != want_exit:
            print("exit status %d, not %d" % (done.returncode, want_exit))
            failed = True
        if failed:
            sys.stdout.write("--- standard error:\n" + err.decode(errors="replace"))
        return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
