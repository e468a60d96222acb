#!/usr/bin/python3
"""Static checks of the Windows build's files, read with LLVM's object tools,
one check a run.

  pe_check.py exports FILE NAME...        exactly these exports, undecorated
  pe_check.py imports FILE DLL...         imports from these libraries only
  pe_check.py implib FILE NAME...         the archive defines exactly these
  pe_check.py stripped FILE               no debug sections, no symbols
  pe_check.py debuglink FILE DEBUGFILE    the debug link names DEBUGFILE, CRC too
  pe_check.py debugfile DEBUGFILE         .debug_info and .debug_line are there
  pe_check.py ret FILE SYMBOLS NAME BYTES
      the export's code removes BYTES of arguments (ret $BYTES), or none

Prints "ok ..." or "FAIL ..." and exits 0 or 1.
"""
import re
import shutil
import subprocess
import sys
import zlib


def tool(name, *args):
    """The output of LLVM's NAME (the 14 the stage installs, else any)."""
    p = subprocess.run([shutil.which(name + "-14") or name, *args], capture_output=True, text=True, check=False)
    if p.returncode:
        raise ValueError(f"{name} {' '.join(args)}: {p.stderr.strip()}")
    return p.stdout


def values(text, key):
    return re.findall(rf"^\s*{key}: (.*)$", text, re.M)


def exports(path):
    """{name: RVA}; an export without a name as #ordinal."""
    text = tool("llvm-readobj", "--coff-exports", path)
    return {name or f"#{ordinal}": int(rva, 16) for ordinal, name, rva in
            re.findall(r"Ordinal: (\d+)\n(?:\s*Name: (.*)\n)?\s*RVA: (0x[0-9A-F]+)", text)}


def imports(path):
    """{DLL name in capitals: [imported names]}."""
    blocks = re.split(r"^Import \{", tool("llvm-readobj", "--coff-imports", path), flags=re.M)[1:]
    return {values(b, "Name")[0].upper(): [s.rsplit(" (", 1)[0] or s for s in values(b, "Symbol")]
            for b in blocks}


def sections(path):
    return [n.split(" (", 1)[0] for n in values(tool("llvm-readobj", "--sections", path), "Name")]


def words(seq):
    return " ".join(sorted(seq))


def check_exports(path, *names):
    got = words(exports(path))
    return got == words(names), f"{path} exports {got or 'nothing'}"


def check_imports(path, *allowed):
    got = set(imports(path))
    foreign = got - {a.upper() for a in allowed}
    return bool(got) and not foreign, f"{path} imports {words(got) or 'nothing'}" + (
        f" (not allowed: {words(foreign)})" if foreign else "")


def check_implib(path, *names):
    got = {f[2] for f in (line.split() for line in tool("llvm-nm", path).splitlines())
           if len(f) == 3 and f[1] == "T" and not f[2].startswith("__imp_")}
    return words(got) == words(names), f"{path} defines {words(got) or 'nothing'}"


def check_stripped(path):
    count = values(tool("llvm-readobj", "--file-headers", path), "SymbolCount")
    debug = [s for s in sections(path) if s.startswith(".debug")]
    return count == ["0"] and not debug, f"{path}: {words(count)} symbols, debug sections: {words(debug) or 'none'}"


def check_debuglink(path, debug_path):
    dump = tool("llvm-readobj", "--hex-dump=.gnu_debuglink", path)
    link = bytes.fromhex("".join("".join(m.split()) for m in re.findall(r"^0x\S+ ((?:[0-9a-f]{1,8} ){1,4})", dump,
                                                                         re.M)))
    name = link.split(b"\0", 1)[0].decode("latin-1")
    # The CRC-32 follows the name, 4-aligned, little-endian.
    end = (len(name) + 1 + 3) & ~3
    crc = int.from_bytes(link[end:end + 4], "little") if len(link) >= end + 4 else None
    with open(debug_path, "rb") as f:
        want = zlib.crc32(f.read())
    base = debug_path.rsplit("/", 1)[-1]
    return name == base and crc == want, (
        f"{path}: debug link {name or 'none'} crc {crc if crc is None else hex(crc)}, want {base} {want:#x}")


def check_debugfile(path):
    names = set(sections(path))
    ok = {".debug_info", ".debug_line"} <= names
    return ok, f"{path} has {words(n for n in names if n.startswith('.debug')) or 'no debug sections'}"


def check_ret(path, symbols, name, nbytes):
    """The export's own code, from its address up to the next function symbol."""
    rva = exports(path).get(name)
    if rva is None:
        return False, f"{path} does not export {name}"
    start = int(values(tool("llvm-readobj", "--file-headers", path), "ImageBase")[0], 16) + rva
    ends = [int(f[0], 16) for f in (line.split() for line in tool("llvm-nm", "-n", symbols).splitlines())
            if len(f) >= 3 and f[1] in "Tt" and int(f[0], 16) > start]
    if not ends:
        return False, f"{name}: no function after {start:#x} in {symbols}"
    body = tool("llvm-objdump", "-d", "--no-show-raw-insn", f"--start-address={start:#x}",
                f"--stop-address={min(ends):#x}", path).split(">:\n", 1)[-1]
    if not re.search(r"^\s*[0-9a-f]+:\s", body, re.M):
        return False, f"{name}: no code found at {start:#x}"
    rets = sorted({m.strip() for m in re.findall(r"\sret[lq]?\b([ \t]*\$\S*)?", body)})
    shown = "; ".join(f"ret {r}".strip() for r in rets) or "tail call only"
    if int(nbytes) == 0:
        return not any(rets), f"{name} removes no arguments (returns: {shown})"
    return rets == [f"${int(nbytes)}"], f"{name} returns with {shown}"


CHECKS = {
    "exports": check_exports, "imports": check_imports, "implib": check_implib, "stripped": check_stripped,
    "debuglink": check_debuglink, "debugfile": check_debugfile, "ret": check_ret,
}


def main(argv):
    if len(argv) < 2 or argv[1] not in CHECKS:
        print(__doc__)
        return 2
    try:
        ok, what = CHECKS[argv[1]](*argv[2:])
    except (OSError, ValueError, IndexError) as e:
        ok, what = False, str(e)
    print(("ok   " if ok else "FAIL ") + what)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
