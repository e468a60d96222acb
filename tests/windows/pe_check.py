#!/usr/bin/python3
"""Static checks of the Windows build's files, one check a run.

  pe_check.py machine FILE i386|amd64
  pe_check.py exports FILE NAME...        exactly these exports, undecorated
  pe_check.py imports FILE DLL...         imports from these libraries only
  pe_check.py imports-from FILE DLL NAME...  exactly these names from DLL
  pe_check.py implib NM FILE NAME...      the archive defines exactly these
  pe_check.py stripped FILE               no debug sections, no symbols
  pe_check.py debuglink FILE DEBUGFILE    the debug link names DEBUGFILE, CRC too
  pe_check.py debugfile DEBUGFILE         .debug_info and .debug_line are there
  pe_check.py ret OBJDUMP NM FILE SYMBOLS NAME BYTES
      the export's code removes BYTES of arguments (ret $BYTES), or none

Prints "ok ..." or "FAIL ..." and exits 0 or 1.
"""
import re
import struct
import subprocess
import sys
import zlib

MACHINES = {0x14C: "i386", 0x8664: "amd64"}


class Pe:
    """The few parts of a PE image the checks read."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        d = self.data
        if d[:2] != b"MZ":
            raise ValueError(f"{path}: no MZ header")
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        if d[pe:pe + 4] != b"PE\0\0":
            raise ValueError(f"{path}: no PE signature")
        (self.machine, nsections, _, symtab, self.nsymbols, optsize,
         _) = struct.unpack_from("<HHIIIHH", d, pe + 4)
        opt = pe + 24
        magic = struct.unpack_from("<H", d, opt)[0]
        self.wide = magic == 0x20B
        if self.wide:
            self.image_base = struct.unpack_from("<Q", d, opt + 24)[0]
            ndirs, dirs = struct.unpack_from("<I", d, opt + 108)[0], opt + 112
        else:
            self.image_base = struct.unpack_from("<I", d, opt + 28)[0]
            ndirs, dirs = struct.unpack_from("<I", d, opt + 92)[0], opt + 96
        self.dirs = [struct.unpack_from("<II", d, dirs + 8 * i) for i in range(ndirs)]
        strings = symtab + 18 * self.nsymbols if symtab else 0
        self.sections = []
        for i in range(nsections):
            off = opt + optsize + 40 * i
            raw = d[off:off + 8].rstrip(b"\0").decode("latin-1")
            if raw.startswith("/") and strings:
                start = strings + int(raw[1:])
                raw = d[start:d.index(b"\0", start)].decode("latin-1")
            vsize, vaddr, rawsize, rawptr = struct.unpack_from("<IIII", d, off + 8)
            self.sections.append((raw, vaddr, max(vsize, rawsize), rawptr, rawsize))

    def offset(self, rva):
        for _, vaddr, size, rawptr, _ in self.sections:
            if vaddr <= rva < vaddr + size:
                return rawptr + rva - vaddr
        raise ValueError(f"RVA {rva:#x} in no section")

    def cstring(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("latin-1")

    def section(self, name):
        for sname, _, _, rawptr, rawsize in self.sections:
            if sname == name:
                return self.data[rawptr:rawptr + rawsize]
        return None

    def exports(self):
        """{name: RVA} of the export table."""
        rva, size = self.dirs[0] if self.dirs else (0, 0)
        if not size:
            return {}
        (_, _, _, _, _, _, nfuncs, nnames, funcs, names,
         ordinals) = struct.unpack_from("<IIHHIIIIIII", self.data, self.offset(rva))
        out = {}
        for i in range(nnames):
            name = self.cstring(struct.unpack_from("<I", self.data, self.offset(names) + 4 * i)[0])
            ordinal = struct.unpack_from("<H", self.data, self.offset(ordinals) + 2 * i)[0]
            if ordinal < nfuncs:
                out[name] = struct.unpack_from("<I", self.data, self.offset(funcs) + 4 * ordinal)[0]
        return out

    def imports(self):
        """{DLL name as written: [imported names]}."""
        rva, size = self.dirs[1] if len(self.dirs) > 1 else (0, 0)
        out = {}
        if not size:
            return out
        at = self.offset(rva)
        thunk_size, ordinal_bit = (8, 1 << 63) if self.wide else (4, 1 << 31)
        while True:
            lookup, _, _, name, first = struct.unpack_from("<IIIII", self.data, at)
            if not (lookup or name or first):
                return out
            names = []
            t = self.offset(lookup or first)
            while True:
                entry = int.from_bytes(self.data[t:t + thunk_size], "little")
                if not entry:
                    break
                names.append(f"#{entry & 0xFFFF}" if entry & ordinal_bit else self.cstring(entry + 2))
                t += thunk_size
            out[self.cstring(name)] = names
            at += 20


def words(seq):
    return " ".join(sorted(seq))


def check_machine(path, want):
    machine = Pe(path).machine
    got = MACHINES.get(machine, hex(machine))
    return got == want, f"{path} is built for {got}"


def check_exports(path, *names):
    got = words(Pe(path).exports())
    return got == words(names), f"{path} exports {got or 'nothing'}"


def check_imports(path, *allowed):
    got = {n.upper() for n in Pe(path).imports()}
    foreign = got - {a.upper() for a in allowed}
    return bool(got) and not foreign, f"{path} imports {words(got) or 'nothing'}" + (
        f" (not allowed: {words(foreign)})" if foreign else "")


def check_imports_from(path, dll, *names):
    got = {k.upper(): v for k, v in Pe(path).imports().items()}.get(dll.upper(), [])
    return words(got) == words(names), f"{path} imports {words(got) or 'nothing'} from {dll}"


def check_implib(nm, path, *names):
    out = subprocess.run([nm, path], capture_output=True, text=True, check=False).stdout
    got = {f[2] for f in (line.split() for line in out.splitlines())
           if len(f) == 3 and f[1] == "T" and not f[2].startswith("__imp_")}
    return words(got) == words(names), f"{path} defines {words(got) or 'nothing'}"


def check_stripped(path):
    pe = Pe(path)
    debug = [s[0] for s in pe.sections if s[0].startswith(".debug")]
    return not debug and pe.nsymbols == 0, (
        f"{path}: {pe.nsymbols} symbols, debug sections: {' '.join(debug) or 'none'}")


def check_debuglink(path, debug_path):
    link = Pe(path).section(".gnu_debuglink") or b""
    name = link.split(b"\0", 1)[0].decode("latin-1")
    # The CRC-32 sits in the last four bytes of the section, 4-aligned after the name.
    end = (len(name) + 1 + 3) & ~3
    crc = struct.unpack_from("<I", link, end)[0] if len(link) >= end + 4 else None
    with open(debug_path, "rb") as f:
        want = zlib.crc32(f.read())
    base = debug_path.rsplit("/", 1)[-1]
    return name == base and crc == want, (
        f"{path}: debug link {name or 'none'} crc {crc if crc is None else hex(crc)}, want {base} {want:#x}")


def check_debugfile(path):
    names = {s[0] for s in Pe(path).sections}
    ok = {".debug_info", ".debug_line"} <= names
    return ok, f"{path} has {words(n for n in names if n.startswith('.debug')) or 'no debug sections'}"


def check_ret(objdump, nm, path, symbols, name, nbytes):
    """The export's own code, from its address up to the next function symbol."""
    pe = Pe(path)
    rva = pe.exports().get(name)
    if rva is None:
        return False, f"{path} does not export {name}"
    start = pe.image_base + rva
    out = subprocess.run([nm, "-n", symbols], capture_output=True, text=True, check=False).stdout
    ends = [int(f[0], 16) for f in (line.split() for line in out.splitlines())
            if len(f) >= 3 and f[1] in "Tt" and int(f[0], 16) > start]
    if not ends:
        return False, f"{name}: no function after {start:#x} in {symbols}"
    dis = subprocess.run([objdump, "-d", "--no-show-raw-insn", f"--start-address={start:#x}",
                          f"--stop-address={min(ends):#x}", path],
                         capture_output=True, text=True, check=False).stdout
    body = dis.split(">:\n", 1)[1] if ">:\n" in dis else ""
    if not body.strip():
        return False, f"{name}: no code found at {start:#x}"
    rets = sorted({" ".join(m.groups()).strip() for m in re.finditer(r"\s(ret\S*)[ \t]*(\S*)", body)})
    shown = "; ".join(rets) or "tail call only"
    if int(nbytes) == 0:
        return not any("$" in r for r in rets), f"{name} removes no arguments (returns: {shown})"
    return rets == [f"ret ${int(nbytes):#x}"], f"{name} returns with {shown}"


CHECKS = {
    "machine": check_machine, "exports": check_exports, "imports": check_imports,
    "imports-from": check_imports_from, "implib": check_implib, "stripped": check_stripped,
    "debuglink": check_debuglink, "debugfile": check_debugfile, "ret": check_ret,
}


def main(argv):
    if len(argv) < 2 or argv[1] not in CHECKS:
        print(__doc__)
        return 2
    try:
        ok, what = CHECKS[argv[1]](*argv[2:])
    except (OSError, ValueError, struct.error) as e:
        ok, what = False, str(e)
    print(("ok   " if ok else "FAIL ") + what)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
