#!/usr/bin/python3
"""The Windows build's runs under Wine and their comparison with the native
library, one step a run (CTest orders them through fixtures), all in WORK.

  hosts-start WORK ZPOS_HOST SCENARIO   the zpos-hosts, each on a free port
  hosts-stop WORK
  native WORK NATIVE_BUILD       the native library's reference run
  winpos WORK EMULATOR VERSION FILE...   the files staged, the store filled, winpos run
  compare WORK WHAT [NAME]       response|log NAME, pad, requests, block-first,
                                 block-second, decoded
  linkpos-mingw WORK BUILD SOURCE TOOLCHAIN ARCH
  linkpos-msvc WORK BUILD SOURCE ARCH
  linkpos-run WORK EMULATOR mingw|msvc
  service WORK EMULATOR AGENT STEP   install|start|stop|uninstall
"""
import glob
import os
import re
import shutil
import signal
import subprocess
import sys
import time

DATA_KEY = r"SOFTWARE\VAN_POS_SECURITY\1100\DATA\12"
SERIAL_KEY = r"SOFTWARE\VAN_POS_SECURITY\1100"
COMPANY_KEY = r"SOFTWARE\VAN_POS_SECURITY\COMPANY"
CRYPT_DATA = "0102ff8041424344"
CRYPT_KEY = "4b4559ff00aa"
STORE = [(DATA_KEY, "CARD_NO", "str", "9410123456789012"), (DATA_KEY, "DATE_TIME", "str", "20261206120000"),
         (DATA_KEY, "CRYPT_DATA", "hex", CRYPT_DATA), (DATA_KEY, "CRYPT_KEY", "hex", CRYPT_KEY),
         (SERIAL_KEY, "GET_SERIAL", "str", "DONE"), (COMPANY_KEY, "COMPANY CODE", "str", "ZT"),
         (COMPANY_KEY, "SERIALNO", "str", "ZT20261206A1")]
TRANSACTIONS = [  # name, settings file, track, amount
    ("approval", "[VANCFG]\nVANID=1\nEOT_CNT=2\n", "9410123456789012=2812101", "30000"),
    ("signed", "[COM_PORT]\nSignSetting=YES\nGetComPort=7\n", "9410123456789012=2812101", "60000"),
    ("decline", None, "5410123456789012=2812101", "30000"),
]
# One host serves both the native run and winpos, so that their log lines name
# the same port; cards starting 5410 are declined.
HOSTS = {"main": [], "link": [], "download": ["--download"]}
KOREAN = {"LANG": "ko_KR.UTF-8", "LC_ALL": "ko_KR.UTF-8"}
WINE_TIMEOUT = 300


def read(path, mode="r"):
    try:
        with open(path, mode) as f:
            return f.read()
    except OSError:
        return b"" if "b" in mode else ""


def write(path, text):
    with open(path, "w") as f:
        f.write(text)


def port(work, name):
    return read(os.path.join(work, name + ".port")).strip()


def run(cmd, cwd=None, env=None, timeout=WINE_TIMEOUT):
    """Exit status and output (CR LF read as LF); a run past the bound fails."""
    full = dict(os.environ, **(env or {}))
    try:
        p = subprocess.run(cmd, cwd=cwd, env=full, capture_output=True, timeout=timeout, check=False)
        return p.returncode, (p.stdout + p.stderr).decode("utf-8", "replace").replace("\r\n", "\n")
    except subprocess.TimeoutExpired:
        return 124, f"{cmd[0]}: no end after {timeout} s\n"


def hosts_start(work, host, scenario):
    os.makedirs(work, exist_ok=True)
    for name, options in HOSTS.items():
        base = os.path.join(work, name)
        # The host adds to a record it finds: each run starts its own.
        for old in (base + ".rec", base + ".port"):
            if os.path.exists(old):
                os.remove(old)
        with open(base + ".out", "w") as f:
            proc = subprocess.Popen([host, "--port", "0", "--scenario", scenario, "--record", base + ".rec",
                                     *options], stdout=f, stderr=subprocess.STDOUT, start_new_session=True)
        write(base + ".pid", str(proc.pid))
    for name in HOSTS:
        base = os.path.join(work, name)
        for _ in range(50):
            m = re.search(r"^zpos-host listening on 127\.0\.0\.1:(\d+)", read(base + ".out"), re.M)
            if m:
                write(base + ".port", m.group(1))
                break
            time.sleep(0.1)
        else:
            return False, f"zpos-host {name} did not start:\n{read(base + '.out')}"
    return True, "zpos-host " + ", ".join(f"{name} on 127.0.0.1:{port(work, name)}" for name in HOSTS)


def hosts_stop(work):
    for name in HOSTS:
        pid = read(os.path.join(work, name + ".pid")).strip()
        if pid:
            try:
                os.kill(int(pid), signal.SIGTERM)
            except ProcessLookupError:
                pass
    return True, "hosts stopped"


def record_lines(work):
    return len(read(os.path.join(work, "main.rec")).splitlines())


def native(work, build):
    lin = os.path.join(work, "linux")
    shutil.rmtree(lin, ignore_errors=True)
    os.makedirs(lin)
    env = {"ZPOS_REGISTRY_FILE": os.path.join(lin, "registry")}
    regfill = os.path.join(build, "tests/doubles/testpad/regfill")
    for args in STORE:
        rc, out = run([regfill, *args], env=env, timeout=30)
        if rc:
            return False, f"regfill {' '.join(args)}: {out}"
    shutil.copy(os.path.join(build, "tools/zpos/zpos"), lin)
    for f in glob.glob(os.path.join(build, "libZPosApp.so*")):
        shutil.copy(f, lin, follow_symlinks=False)
    shutil.copy(os.path.join(build, "tests/doubles/testpad/SignPad_dll.so"), lin)
    logs = os.path.join(lin, "Logs")

    def log_text():
        return b"".join(read(f, "rb") for f in sorted(glob.glob(os.path.join(logs, "AppLog.*.txt"))))

    for name, settings, track, amount in TRANSACTIONS:
        ini = os.path.join(lin, "ZposSign.ini")
        if settings:
            write(ini, settings)
        elif os.path.exists(ini):
            os.remove(ini)
        if name == "signed":
            write(os.path.join(lin, "SignPad_dll.script"), "sign_result=5\nsign_bytes=ABCDE\n")
        before = len(log_text())
        _, out = run([os.path.join(lin, "zpos"), "send", "--host", "127.0.0.1", "--port", port(work, "main"),
                      "--kind", "10", "--track", track, "--amount", amount,
                      "--raw", os.path.join(lin, name + ".rec")], env=env, timeout=60)
        write(os.path.join(lin, name + ".out"), out)
        with open(os.path.join(lin, name + ".log"), "wb") as f:
            f.write(log_text()[before:])
    write(os.path.join(work, "native.lines"), str(record_lines(work)))
    missing = [n for n, *_ in TRANSACTIONS if not os.path.getsize(os.path.join(lin, n + ".rec"))]
    return not missing, "native reference run: " + (
        f"no response for {' '.join(missing)}" if missing else "three responses and their log lines")


def winpos(work, emulator, version, *files):
    stage = os.path.join(work, "stage")
    shutil.rmtree(stage, ignore_errors=True)
    os.makedirs(stage)
    for f in files:
        shutil.copy(f, stage)
    # On Windows: the card record with reg, the rest through the registry API.
    for key, value, kind, data in STORE:
        run([emulator, "reg", "add", "HKCU\\" + key, "/v", value, "/t", {"str": "REG_SZ", "hex": "REG_BINARY"}[kind],
             "/d", data, "/f"] if key == DATA_KEY else [emulator, os.path.join(stage, "regfill.exe"), key, value,
                                                       kind, data])
    write(os.path.join(work, "windows.from"), str(record_lines(work)))
    rc, out = run([emulator, os.path.join(stage, "winpos.exe"), "--host", port(work, "main"), "--version", version],
                  cwd=stage, env=KOREAN)
    write(os.path.join(work, "winpos.out"), out)
    print("".join(line + "\n" for line in out.splitlines() if not line.startswith("ok ")), end="")
    m = re.search(r"^winpos: (\d+ passed, \d+ failed)$", out, re.M)
    return rc == 0 and m is not None, f"winpos under Wine: exit {rc}, {m.group(1) if m else 'no summary'}"


def untimed(text, crlf=False):
    lines = []
    parts = text.decode("latin-1").split("\n")
    for line in parts[:-1] if parts[-1] == "" else parts:
        if crlf:
            # The Windows build ends every line CR LF, as a text-mode file
            # does: the one difference allowed.
            line = line[:-1] if line.endswith("\r") else "(no CR LF) " + line
        lines.append(re.sub(r"^\[\d{2}:\d{2}:\d{2}\] - ", "", line))
    return lines


def requests(work, first, last=None):
    """The REQ lines of the host's record in [first, last), each with the
    security block that followed the masked message in its frame."""
    out, frame = [], ""
    for line in read(os.path.join(work, "main.rec")).splitlines()[first:last]:
        if line.startswith("C> "):
            frame = line[3:].replace(" ", "")
        elif line.startswith("REQ "):
            length = int(frame[4:8], 16) if len(frame) >= 8 else 0
            out.append(f"{line} block={frame[8 + 2 * length:]}")
    return out


def compare(work, what, name=None):
    lin, stage = os.path.join(work, "linux"), os.path.join(work, "stage")
    if what in ("response", "pad"):
        file = name + ".rec" if what == "response" else "SignPad_dll.record"
        a, b = read(os.path.join(stage, file), "rb"), read(os.path.join(lin, file), "rb")
        same = "the same" if a == b else "differing"
        return bool(a) and a == b, f"{file}: {same}, {len(a)} bytes from Windows, {len(b)} native"
    if what == "log":
        a = untimed(read(os.path.join(stage, name + ".log"), "rb"), crlf=True)
        b = untimed(read(os.path.join(lin, name + ".log"), "rb"))
        diff = [f"- {x}\n+ {y}" for x, y in zip(a, b) if x != y][:10]
        if len(a) != len(b):
            diff.append(f"{len(a)} lines from Windows, {len(b)} native")
        if diff:
            print(*diff, sep="\n")
        same = "differing" if diff else "the same"
        return bool(b) and not diff, f"{name}: {same} {len(b)} log lines from both builds"
    native_end = int(read(os.path.join(work, "native.lines")) or 0)
    windows_from = int(read(os.path.join(work, "windows.from")) or 0)
    win = requests(work, windows_from)
    if what == "requests":
        nat = requests(work, 0, native_end)
        ok = len(win) == 3 and win == nat
        if not ok:
            print("windows:", *win, "native:", *nat, sep="\n")
        return ok, "host: the same three requests and security blocks from both builds"
    block = (b"0008".hex() + CRYPT_DATA + b"0006".hex() + CRYPT_KEY + b"2026120612".hex()
             + b"ZTZT20261206A1    ".hex())
    blocks = [r.split(" block=", 1)[1] for r in win]
    if what == "block-first":
        return blocks[:1] == [block], "host: the approval carried the card's security block with the company and serial"
    if what == "block-second":
        return blocks[1:2] == [block[:-36]], "host: the next approval carried the block without the serial"
    if what == "decoded":
        pattern = re.compile(r"code=10 tid=1200000001 card=9410123456789012=2812101 *amount=30000 check=ok "
                             r"length=ok answer=approve")
        return any(pattern.search(r) for r in win), "host: approval request decoded, check byte and length right"
    return False, f"no comparison {what}"


def linkpos_build(work, build, kind, steps):
    """Each linkpos in a directory of its own, with the DLL and an installation
    of this build; the first failing step's output, or None."""
    out = os.path.join(work, "linkpos-" + kind)
    shutil.rmtree(out, ignore_errors=True)
    os.makedirs(out)
    shutil.copy(os.path.join(build, "ZPosApp.dll"), out)
    for step in [["cmake", "--install", build, "--prefix", os.path.join(out, "prefix")], *steps(out)]:
        rc, text = run(step)
        if rc:
            return f"linkpos ({kind}): {' '.join(step)}:\n{text}"
    return None


def linkpos_mingw(work, build, source, toolchain, arch):
    out = os.path.join(work, "linkpos-mingw")
    error = linkpos_build(work, build, "mingw", lambda out: [
        ["cmake", "-S", source, "-B", os.path.join(out, "mingw"), f"-DCMAKE_TOOLCHAIN_FILE={toolchain}",
         f"-DZPOS_MINGW_ARCH={arch}", f"-DZPosApp_DIR={out}/prefix/lib/cmake/ZPosApp"],
        ["cmake", "--build", os.path.join(out, "mingw")]])
    if error:
        return False, error
    shutil.copy(os.path.join(out, "mingw", "linkpos.exe"), os.path.join(out, "linkpos-mingw.exe"))
    rules = read(os.path.join(out, "mingw/CMakeFiles/linkpos.dir/link.txt")) + \
        read(os.path.join(out, "mingw/CMakeFiles/linkpos.dir/linkLibs.rsp"))
    lib = "prefix/lib/libZPosApp.dll.a"
    return lib in rules, f"linkpos built with {arch}-w64-mingw32-gcc through find_package(ZPosApp), " + \
        ("linked with " + lib if lib in rules else "not linked with " + lib)


def linkpos_msvc(work, build, source, arch):
    x86 = arch == "i686"
    target, machine = f"{arch}-pc-windows-msvc", "i386" if x86 else "i386:x86-64"

    def steps(out):
        kernel32 = read(os.path.join(source, "kernel32.def"))
        write(os.path.join(out, "kernel32.def"), kernel32 if x86 else re.sub(r"@[0-9]*", "", kernel32))
        # The headers' own includes come from mingw-w64: only declarations, no C runtime.
        return [["clang-14", f"--target={target}", "-Wall", "-Wextra", "-Werror", f"-I{out}/prefix/include",
                 "-isystem", f"/usr/{arch}-w64-mingw32/include", "-c", os.path.join(source, "linkpos.c"),
                 "-o", f"{out}/linkpos.obj"],
                ["llvm-dlltool-14", "-m", machine, "-k", "-d", f"{out}/kernel32.def", "-l", f"{out}/kernel32.lib"],
                ["lld-link-14", "/nologo", "/entry:linkpos_start", "/subsystem:console", f"{out}/linkpos.obj",
                 os.path.join(build, "ZPosApp.lib"), f"{out}/kernel32.lib", f"/out:{out}/linkpos-msvc.exe"]]
    error = linkpos_build(work, build, "msvc", steps)
    return not error, error or f"linkpos built with clang-14 --target={target} and lld-link-14 against ZPosApp.lib"


def linkpos_run(work, emulator, kind):
    out = os.path.join(work, "linkpos-" + kind)
    rc, text = run([emulator, f"linkpos-{kind}.exe", port(work, "link"), port(work, "download")], cwd=out,
                   timeout=120)
    print("".join("     " + line + "\n" for line in text.splitlines()), end="")
    return rc == 0, f"linkpos ({kind}) under Wine: card approved and acknowledged, all four calls as expected"


def service(work, emulator, agent, step):
    """Each step of the Wine service's life, then what sc query shows after it."""
    state = os.path.join(work, "agent-service")
    if step == "install":
        shutil.rmtree(state, ignore_errors=True)
        rc, text = run([emulator, agent, "service", "install", "--state-dir", "Z:" + state.replace("/", "\\"),
                        "--port", "0", "--payment-host", "127.0.0.1:" + port(work, "main")])
        return rc == 0, "service install" + ("" if rc == 0 else f": {text}")
    rc, text = run([emulator, agent, "service", step])
    if rc:
        return False, f"service {step}: {text}"
    _, text = run([emulator, "sc", "query", "zpos-agent"], timeout=60)
    m = re.search(r"^\s*STATE\s+:\s+\S+\s+(\S+)", text, re.M)
    got = m.group(1) if m else "not found"
    if step == "start":
        token = os.path.join(state, "agent.token")
        # Wine keeps no access lists on disk but renders the one a folder is
        # made with as its mode: nothing for other users.
        mode = os.stat(state).st_mode & 0o777 if os.path.isdir(state) else None
        made = os.path.isfile(token) and os.path.getsize(token) > 0 and mode is not None and mode & 0o7 == 0
        return got == "RUNNING" and made, (
            f"service start waits until the agent listens: sc query shows zpos-agent {got}, its token made, "
            f"its state directory with its own access list (mode {mode and oct(mode)} under Wine)")
    want = {"stop": "STOPPED", "uninstall": "not found"}[step]
    return got == want, f"service {step}: sc query shows zpos-agent {got}, want {want}"


STEPS = {"hosts-start": hosts_start, "hosts-stop": hosts_stop, "native": native, "winpos": winpos,
         "compare": compare, "linkpos-mingw": linkpos_mingw, "linkpos-msvc": linkpos_msvc,
         "linkpos-run": linkpos_run, "service": service}


def main(argv):
    if len(argv) < 3 or argv[1] not in STEPS:
        print(__doc__)
        return 2
    try:
        ok, what = STEPS[argv[1]](*argv[2:])
    except (OSError, ValueError, IndexError) as e:
        ok, what = False, f"{argv[1]}: {e}"
    print(("ok   " if ok else "FAIL ") + what)
    return 0 if ok else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
