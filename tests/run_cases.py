#!/usr/bin/env python3
# SPDX-License-Identifier: ISC
"""Runs roomtally on the cases of one or more case files and compares its
standard output, standard error and exit status byte for byte.

A case file holds one group of cases: a '#' line saying what the group
shows, then cases, each begun by '== name'.  Within a case:

  args: a 'b c' %{x*78}     the arguments, split like a shell line; quotes
                            group, a backslash is an ordinary character
  env: NAME=VALUE           set a variable (BASELISTFILE is unset otherwise)
  locale: LOCALE CODEC      count names in a Windows code page: under Wine,
                            run with LC_ALL=LOCALE, whose ANSI code page Wine
                            takes; as WebAssembly, with ROOMTALLY_CODEPAGE
                            naming the page of Python's codec CODEC and the
                            arguments in its bytes.  Both expect the text of
                            the Windows output in CODEC; Linux ignores it
  file: PATH = TEXT         make a file; TEXT takes \\n \\r \\0 \\xNN escapes
  dir: PATH                 make a directory
  only: PLATFORM...         run the case on these platforms alone
  inject: FAULT PATH        run under strace, whose -e inject=FAULT fails a
                            system call on the case's file PATH
  stdout:                   the expected output, one '| ' line per line;
  stderr:                   a key may end in [PLATFORM] to hold that
                            platform's own expectation
  status: N                 the expected exit status (0 when not given)
  stdout-to: PATH           write standard output to PATH, not to the runner

The platforms are linux, windows (under Wine) and wasi (WebAssembly); a
platform named that is none of them is an error in the case file.

Anywhere, %{TEXT*N} stands for TEXT repeated N times, its escapes taken
even in an expectation (%{\\xE9*1} is one byte), and @ARGV0@ for the name
the program sees itself started by; in arguments, @DIR@ stands for the
absolute path of the case's directory.  In files, %{random:N:SEED} stands
for N pseudo-random bytes, and %{random:N:SEED:notB} for the same with every
byte of value B raised by one.  Each case runs in a new directory of its own.
"""
import argparse
import difflib
import locale
import os
import re
import shlex
import subprocess
import sys
import tempfile

EXPAND = re.compile(r"%\{random:(\d+):(\d+)(?::not(\d+))?\}|%\{(.*?)\*(\d+)\}",
                    re.S)
ESCAPE = re.compile(rb"\\(x[0-9a-fA-F]{2}|.)", re.S)
PLATFORMS = ("linux", "windows", "wasi")
ESCAPES = {b"n": b"\n", b"r": b"\r", b"t": b"\t", b"0": b"\0", b"\\": b"\\"}


def random_bytes(n, seed):
    """Returns n bytes from a xorshift generator: the same on every Python."""
    x = seed * 2654435761 + 1 & 0xFFFFFFFFFFFFFFFF
    out = bytearray(n)
    for i in range(n):
        x ^= x << 13 & 0xFFFFFFFFFFFFFFFF
        x ^= x >> 7
        x ^= x << 17 & 0xFFFFFFFFFFFFFFFF
        out[i] = x >> 32 & 0xFF
    return bytes(out)


def unescape(text):
    def one(m):
        code = m.group(1)
        if code[:1] == b"x" and len(code) == 3:
            return bytes([int(code[1:], 16)])
        if code not in ESCAPES:
            raise ValueError("unknown escape \\" + code.decode())
        return ESCAPES[code]
    return ESCAPE.sub(one, text)


def expand(text, escapes=False):
    """Expands %{...} in text and returns bytes."""
    out, pos = b"", 0
    for m in EXPAND.finditer(text):
        lit = text[pos:m.start()].encode("utf-8", "surrogateescape")
        out += unescape(lit) if escapes else lit
        if m.group(1) is not None:
            data = random_bytes(int(m.group(1)), int(m.group(2)))
            if m.group(3) is not None:
                byte = int(m.group(3))
                data = data.replace(bytes([byte]), bytes([byte + 1 & 255]))
            out += data
        else:
            piece = m.group(4).encode("utf-8", "surrogateescape")
            out += unescape(piece) * int(m.group(5))
        pos = m.end()
    lit = text[pos:].encode("utf-8", "surrogateescape")
    return out + (unescape(lit) if escapes else lit)


def known(platforms, where):
    """Returns platforms, or stops at the first one that is not known."""
    for name in platforms:
        if name not in PLATFORMS:
            raise SystemExit("%s: unknown platform %s" % (where, name))
    return platforms


def made(name, where):
    """Returns name, or stops where the system lacks the locale."""
    try:
        locale.setlocale(locale.LC_ALL, name)
    except locale.Error:
        raise SystemExit("%s: locale %s is not made here (localedef)"
                         % (where, name))
    locale.setlocale(locale.LC_ALL, "C")
    return name


def parse(path):
    """Returns the cases of a case file as dictionaries."""
    cases, case, block = [], None, None
    with open(path, encoding="utf-8", errors="surrogateescape") as f:
        for number, line in enumerate(f, 1):
            line = line.rstrip("\n")
            where = "%s:%d" % (path, number)
            if line.startswith("== "):
                case = {"name": line[3:].strip(), "where": where, "args": [],
                        "env": {}, "files": [], "dirs": [], "expect": {}}
                cases.append(case)
                block = None
            elif line.startswith("|") and block is not None:
                block.append(line[2:] if line.startswith("| ") else line[1:])
            elif not line.strip() or line.startswith("#"):
                block = None
            elif case is None:
                raise SystemExit(where + ": text before the first case")
            else:
                key, _, value = line.partition(":")
                value = value.strip()
                if key == "args":
                    lex = shlex.shlex(value, posix=True)
                    lex.whitespace_split, lex.escape = True, ""
                    case["args"] = [expand(a) for a in lex]
                elif key == "env":
                    name, _, val = value.partition("=")
                    case["env"][name] = expand(val)
                elif key == "file":
                    name, _, text = line[5:].lstrip().partition(" =")
                    text = text[1:] if text.startswith(" ") else text
                    case["files"].append((name, expand(text, escapes=True)))
                elif key == "locale":
                    case["locale"] = value.split()
                elif key == "dir":
                    case["dirs"].append(value)
                elif key == "only":
                    case["only"] = known(value.split(), where)
                elif key == "inject":
                    case["inject"] = value.split()
                elif key == "stdout-to":
                    case["stdout-to"] = value
                elif key == "status":
                    case["expect"]["status"] = int(value)
                elif re.fullmatch(r"(stdout|stderr)(\[\w+\])?", key):
                    known(re.findall(r"\[(\w+)\]", key), where)
                    block = case["expect"].setdefault(key, [])
                else:
                    raise SystemExit(where + ": unknown key " + key)
    return cases


def spelled(text, codec):
    """Returns text in a code page's bytes as Windows spells a name without
    best fit: a '?' for each UTF-16 unit of a character that it lacks."""
    out = b""
    for ch in text.decode("utf-8", "surrogateescape"):
        try:
            out += ch.encode(codec, "surrogateescape")
        except UnicodeEncodeError:
            out += b"?" * (2 if ord(ch) > 0xFFFF else 1)
    return out


def codepaged(case, platform):
    """Tells whether the case counts names in a code page there."""
    return platform in ("windows", "wasi") and "locale" in case


def expected(case, stream, platform, argv0):
    if codepaged(case, platform):
        platform = "windows"
    lines = case["expect"].get("%s[%s]" % (stream, platform),
                               case["expect"].get(stream, []))
    text = "".join(line + "\n" for line in lines)
    want = expand(text).replace(b"@ARGV0@", argv0)
    if codepaged(case, platform):
        want = want.decode("utf-8", "surrogateescape").encode(
            case["locale"][1], "surrogateescape")
    return want


def show(data):
    return data.decode("utf-8", "backslashreplace").splitlines(keepends=True)


def run(case, opts):
    """Runs one case; returns a list of the differences found."""
    with tempfile.TemporaryDirectory(prefix="roomtally-") as work:
        for name in case["dirs"]:
            os.makedirs(os.path.join(work, name), exist_ok=True)
        for name, data in case["files"]:
            full = os.path.join(work, name)
            os.makedirs(os.path.dirname(full), exist_ok=True)
            with open(full, "wb") as f:
                f.write(data)
        env = {k: v for k, v in os.environ.items() if k != "BASELISTFILE"}
        env = {k.encode(): v.encode() for k, v in env.items()}
        env.update({k.encode(): v for k, v in case["env"].items()})
        args = [a.replace(b"@DIR@", work.encode()) for a in case["args"]]
        if opts.platform == "windows" and "locale" in case:
            env[b"LC_ALL"] = made(case["locale"][0], case["where"]).encode()
        if opts.platform == "wasi" and "locale" in case:
            codec = case["locale"][1]
            env[b"ROOMTALLY_CODEPAGE"] = {"gbk": b"936"}.get(
                codec, codec[2:].encode())
            args = [spelled(a, codec) for a in args]
        launcher = opts.launcher
        if "inject" in case:
            fault, name = case["inject"]
            launcher = ["strace", "-f", "-qq", "-o", os.devnull, "-e",
                        "inject=" + fault, "-P", os.path.join(work, name)]
            launcher += opts.launcher
            # LeakSanitizer cannot run in a process that strace traces.
            env[b"ASAN_OPTIONS"] = env.get(b"ASAN_OPTIONS", b"") + \
                b":detect_leaks=0"
        command = launcher + [opts.program] + args
        argv0 = opts.argv0.encode()
        if not launcher:
            command[0] = argv0
        out = open(case["stdout-to"], "wb") if "stdout-to" in case else None
        try:
            done = subprocess.run(command, executable=opts.program if not
                                  launcher else None, cwd=work, env=env,
                                  stdin=subprocess.DEVNULL,
                                  stdout=out or subprocess.PIPE,
                                  stderr=subprocess.PIPE, timeout=opts.timeout)
        except subprocess.TimeoutExpired:
            return ["did not finish within %g s" % opts.timeout]
        finally:
            if out:
                out.close()
    faults = []
    for stream, got in (("stdout", done.stdout or b""), ("stderr", done.stderr)):
        if opts.platform == "windows":
            got = got.replace(b"\r\n", b"\n")
        want = expected(case, stream, opts.platform, argv0)
        if got != want:
            diff = difflib.unified_diff(show(want), show(got), "expected " +
                                        stream, "actual " + stream, n=2)
            faults.append("".join(list(diff)[:60]))
    status = case["expect"].get("status", 0)
    if done.returncode != status:
        faults.append("exit status %d, expected %d" % (done.returncode, status))
    return faults


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--launcher",
                        default=os.environ.get("ROOMTALLY_LAUNCHER", ""),
                        help="command that starts the program: wine, qemu..."
                        " (default: $ROOMTALLY_LAUNCHER)")
    parser.add_argument("--platform", default="linux",
                        choices=PLATFORMS,
                        help="whose console and C library to expect")
    # The limit is only for a program that hangs, so it allows for a loaded
    # machine and an emulator.
    parser.add_argument("--timeout", type=float, default=300)
    parser.add_argument("casefiles", nargs="+")
    opts = parser.parse_args()
    opts.launcher = shlex.split(opts.launcher)
    opts.program = os.path.abspath(opts.program)
    # Started directly, the program is given the name roomtally; a launcher
    # passes on the path it was given, which Wine shows as a Windows path on
    # the drive that maps the root.  A Windows console ends lines in CR LF.
    opts.argv0 = opts.program if opts.launcher else "roomtally"
    if opts.platform == "windows":
        opts.argv0 = "Z:" + opts.program.replace("/", "\\")
    passed = failed = skipped = 0
    for path in opts.casefiles:
        for case in parse(path):
            if opts.platform not in case.get("only", [opts.platform]):
                skipped += 1
                continue
            faults = run(case, opts)
            if faults:
                failed += 1
                print("FAIL %s (%s)" % (case["name"], case["where"]))
                for fault in faults:
                    print("  " + fault.replace("\n", "\n  ").rstrip())
            else:
                passed += 1
                print("ok   %s" % case["name"])
    print("%d passed, %d failed, %d skipped" % (passed, failed, skipped))
    return 1 if failed or not passed else 0


if __name__ == "__main__":
    sys.exit(main())
