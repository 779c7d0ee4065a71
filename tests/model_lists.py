#!/usr/bin/env python3
# SPDX-License-Identifier: ISC
"""Checks the base list reader against a plain model of it on generated lists.

The model reads the whole file as text mode would (stop at Ctrl-Z, CR LF
to LF), then takes one read at a time with the read limit, as fgets does.
The lists are long runs of free lines with a few charged ones and hard
bytes (CR, NUL, backslash, Ctrl-Z) set at random places, and they are
hundreds of KiB long, so every kind of line meets the reader's block ends.

Where the program counts names in a Windows code page (under Wine, in the
locale whose code page it is; as WebAssembly, by ROOMTALLY_CODEPAGE), the
lists are read again in 932, 936, 949 and 950, with lines whose last
separator may be the second byte of a character among them, and the model
walks a line that is not UTF-8 by the characters that the page's own lead
bytes (web/codepage.js) make, so the program's lead bytes are held to the
page's.
"""
import argparse
import functools
import os
import random
import re
import shlex
import subprocess
import sys
import tempfile

BUDGET = 915
CODEPAGE_JS = os.path.join(os.path.dirname(__file__), "..", "web",
                           "codepage.js")
LOCALES = {"932": "ja_JP.UTF-8", "936": "zh_CN.UTF-8", "949": "ko_KR.UTF-8",
           "950": "zh_TW.UTF-8"}


def page_leads():
    """Returns the page's lead bytes of each double-byte code page."""
    with open(CODEPAGE_JS, encoding="utf-8") as f:
        table = re.search(r"const DOUBLE = \{(.*?)\};", f.read(), re.S).group(1)
    leads = {}
    for page, ranges in re.findall(r"(\d+): \[((?:\[[^]]*\],? *)+)\]", table):
        pairs = re.findall(r"\[(0x[0-9a-f]+), (0x[0-9a-f]+)\]", ranges)
        leads[page] = {b for lo, hi in pairs
                       for b in range(int(lo, 16), int(hi, 16) + 1)}
    return leads


def basename(s, lead=frozenset()):
    """Returns the base name of s; with lead bytes, a name that is not
    UTF-8 is walked a character at a time, a lead byte taking the next."""
    try:
        s.decode("utf-8")
        lead = frozenset()
    except UnicodeDecodeError:
        pass
    cut, i = {}, 0
    while i < len(s):
        if s[i] in lead and i + 1 < len(s):
            i += 2
            continue
        cut[s[i]] = i
        i += 1
    return s[cut.get(0x5C, cut.get(0x2F, -1)) + 1:]


@functools.lru_cache(maxsize=None)
def repeats(piece):
    """Returns a pattern that matches any number of pieces in a row."""
    return re.compile(b"(?:%s)*" % re.escape(piece))


def consumed(data, lead=frozenset()):
    """Returns the bytes that the base list data consumes."""
    stop = data.find(b"\x1a")
    text = (data if stop < 0 else data[:stop]).replace(b"\r\n", b"\n")
    budget, pos = BUDGET, 0
    while budget > 1 and pos < len(text):
        limit = budget - 1
        lf = text.find(b"\n", pos, pos + limit)
        end = lf + 1 if lf >= 0 else min(pos + limit, len(text))
        piece, pos = text[pos:end], end
        name = basename(piece.split(b"\0")[0].split(b"\n")[0], lead)
        if name:
            budget -= len(name) + 22
        elif lf >= 0:
            # The same whole line read again with the same limit is free
            # again: the lists repeat their free lines thousands of times.
            pos = repeats(piece).match(text, pos).end()
    return BUDGET - budget


FREE = [b"\n", b"\r\n", b"dir/\n", b"a\\b\\\r\n", b"some/dir/name/\n", b"\0x\n"]
HARD = [b"\r", b"\0", b"\\", b"/", b"\n", b"\r\n", b"x"]
# Lines whose last byte before the line end is a separator's, after a byte
# above 127: free where that byte ends a character, or the line is UTF-8,
# and charged where a lead byte takes it; and Latin-1 and UTF-8 names.
DOUBT_FREE = [b"\x81\x81\\\n", b"\x82\xa0/\r\n", b"caf\xc3\xa9/\n",
              b"\xe6\x97\xa5\\\r\n", b"\x95\\\\\n"]
DOUBT_CHARGED = [b"caf\xe9/\n", b"\x81/\n", b"x\x81\\\r\n",
                 b"\xe9t\xe9/\x95\\\n", b"\xe9t\xe9.txt\n", b"\xe6\x97\xa5\n"]


def aimed(budget, edge, tail, d, r):
    """Returns a list that brings the budget to the given figure, then puts a
    line of about the read limit's length, ending in tail, across the offset
    edge where a block of the reader may end."""
    out = bytearray()
    if budget <= 893:
        out += b"p" * (BUDGET - budget - 22) + b"\n"
    line = b"x" * (budget - 2 + d) + tail
    at = edge - len(line) + len(tail) - 1 + r
    out += b"\n" * (at - len(out))
    return bytes(out + line + b"abc\r\n\r\n")


def aimed_lists():
    """Yields aimed lists over every combination that matters."""
    for budget in (2, 3, 100, 915):
        for edge in (65536, 131072):
            for tail in (b"\r\n", b"\r\r\n", b"\r"):
                for d in (0, 1):
                    for r in (-1, 0):
                        yield aimed(budget, edge, tail, d, r)


def generate(rng, doubtful=False):
    """Returns one list: free lines with charged lines and hard bytes in it,
    and doubtful lines among the free ones when asked."""
    size = rng.choice([1000, 70000, 140000, 300000])
    free = rng.sample(FREE, rng.randint(1, len(FREE)))
    if doubtful:
        free += rng.sample(DOUBT_FREE, rng.randint(1, 3))
    out = bytearray()
    while len(out) < size:
        out += rng.choice(free) * rng.randint(1, 3000)
    for _ in range(rng.randint(0, 12)):
        at = rng.randrange(len(out))
        if doubtful and rng.random() < 0.3:
            out[at:at] = rng.choice(DOUBT_CHARGED)
        elif rng.random() < 0.5:
            name = b"n" * rng.choice([0, 1, 2, 50, 97, 98, 99, 400, 913, 914])
            out[at:at] = rng.choice([b"", b"dir/"]) + name + rng.choice(
                [b"\n", b"\r\n", b"/\n", b"\r"])
        else:
            out[at:at] = rng.choice(HARD) * rng.randint(1, 3)
    if rng.random() < 0.1:
        out[rng.randrange(len(out)):0] = b"\x1a"
    return bytes(out)


def in_codepage(platform, page):
    """Returns the environment that counts names in code page page."""
    if page is None:
        return None
    key = "LC_ALL" if platform == "windows" else "ROOMTALLY_CODEPAGE"
    return dict(os.environ, **{key: LOCALES[page] if key == "LC_ALL" else page})


def lists(rng, count, leads):
    """Returns the lists to read, each with its code page or None: the aimed
    ones and count generated ones, then, given the lead bytes, 15 with
    doubtful lines in each code page."""
    jobs = [(data, None) for data in aimed_lists()]
    jobs += [(generate(rng), None) for _ in range(count)]
    if not leads:
        print("not run: lists in code pages %s, which a Linux program does "
              "not count names in" % ", ".join(sorted(page_leads())))
        return jobs
    return jobs + [(generate(rng, True), page) for page in sorted(leads)
                   for _ in range(15)]


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--launcher",
                        default=os.environ.get("ROOMTALLY_LAUNCHER", ""))
    parser.add_argument("--platform", default="linux",
                        choices=("linux", "windows", "wasi"))
    parser.add_argument("--lists", type=int, default=100)
    parser.add_argument("--seed", type=int, default=1)
    opts = parser.parse_args()
    rng = random.Random(opts.seed)
    program = shlex.split(opts.launcher) + [os.path.abspath(opts.program)]
    leads = page_leads()
    jobs = lists(rng, opts.lists, opts.platform != "linux" and leads)
    failed = 0
    with tempfile.TemporaryDirectory(prefix="roomtally-model-") as work:
        path = os.path.join(work, "base.txt")
        # The limit is only for a program that hangs: a loaded machine under
        # an emulator may take many times a second for one list.
        for number, (data, page) in enumerate(jobs):
            with open(path, "wb") as f:
                f.write(data)
            want = b"The base files consume %d bytes.\n" % consumed(
                data, leads.get(page, frozenset()))
            done = subprocess.run(program + ["-base", "base.txt"], cwd=work,
                                  env=in_codepage(opts.platform, page),
                                  stdin=subprocess.DEVNULL,
                                  capture_output=True, timeout=600)
            got = done.stdout.replace(b"\r\n", b"\n").split(b"\n")[0] + b"\n"
            if got != want or done.returncode != 0:
                failed += 1
                keep = os.path.join(tempfile.gettempdir(),
                                    "roomtally-model-%d.txt" % number)
                with open(keep, "wb") as f:
                    f.write(data)
                print("FAIL list %d in %s (kept as %s): %r, expected %r" %
                      (number, page or "bytes", keep, got, want))
    print("%d passed, %d failed" % (len(jobs) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
