#!/usr/bin/env python3
# SPDX-License-Identifier: ISC
"""Checks the base list reader against a plain model of it on generated lists.

The model reads the whole file as text mode would (stop at Ctrl-Z, CR LF
to LF), then takes one read at a time with the read limit, as fgets does.
The lists are long runs of free lines with a few charged ones and hard
bytes (CR, NUL, backslash, Ctrl-Z) set at random places, and they are
hundreds of KiB long, so every kind of line meets the reader's block ends.
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


def basename(s):
    cut = s.rfind(b"\\")
    if cut < 0:
        cut = s.rfind(b"/")
    return s[cut + 1:]


@functools.lru_cache(maxsize=None)
def repeats(piece):
    """Returns a pattern that matches any number of pieces in a row."""
    return re.compile(b"(?:%s)*" % re.escape(piece))


def consumed(data):
    """Returns the bytes that the base list data consumes."""
    stop = data.find(b"\x1a")
    text = (data if stop < 0 else data[:stop]).replace(b"\r\n", b"\n")
    budget, pos = BUDGET, 0
    while budget > 1 and pos < len(text):
        limit = budget - 1
        lf = text.find(b"\n", pos, pos + limit)
        end = lf + 1 if lf >= 0 else min(pos + limit, len(text))
        piece, pos = text[pos:end], end
        name = basename(piece.split(b"\0")[0]).split(b"\n")[0]
        if name:
            budget -= len(name) + 22
        elif lf >= 0:
            # The same whole line read again with the same limit is free
            # again: the lists repeat their free lines thousands of times.
            pos = repeats(piece).match(text, pos).end()
    return BUDGET - budget


FREE = [b"\n", b"\r\n", b"dir/\n", b"a\\b\\\r\n", b"some/dir/name/\n", b"\0x\n"]
HARD = [b"\r", b"\0", b"\\", b"/", b"\n", b"\r\n", b"x"]


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


def generate(rng):
    """Returns one list: free lines with charged lines and hard bytes in it."""
    size = rng.choice([1000, 70000, 140000, 300000])
    free = rng.sample(FREE, rng.randint(1, len(FREE)))
    out = bytearray()
    while len(out) < size:
        out += rng.choice(free) * rng.randint(1, 3000)
    for _ in range(rng.randint(0, 12)):
        at = rng.randrange(len(out))
        if rng.random() < 0.5:
            name = b"n" * rng.choice([0, 1, 2, 50, 97, 98, 99, 400, 913, 914])
            out[at:at] = rng.choice([b"", b"dir/"]) + name + rng.choice(
                [b"\n", b"\r\n", b"/\n", b"\r"])
        else:
            out[at:at] = rng.choice(HARD) * rng.randint(1, 3)
    if rng.random() < 0.1:
        out[rng.randrange(len(out)):0] = b"\x1a"
    return bytes(out)


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--program", required=True)
    parser.add_argument("--launcher",
                        default=os.environ.get("ROOMTALLY_LAUNCHER", ""))
    parser.add_argument("--platform", default="linux", help="not used")
    parser.add_argument("--lists", type=int, default=100)
    parser.add_argument("--seed", type=int, default=1)
    opts = parser.parse_args()
    rng = random.Random(opts.seed)
    program = shlex.split(opts.launcher) + [os.path.abspath(opts.program)]
    failed = 0
    with tempfile.TemporaryDirectory(prefix="roomtally-model-") as work:
        path = os.path.join(work, "base.txt")
        lists = list(aimed_lists())
        lists += [generate(rng) for _ in range(opts.lists)]
        # The limit is only for a program that hangs: a loaded machine under
        # an emulator may take many times a second for one list.
        for number, data in enumerate(lists):
            with open(path, "wb") as f:
                f.write(data)
            want = b"The base files consume %d bytes.\n" % consumed(data)
            done = subprocess.run(program + ["-base", "base.txt"], cwd=work,
                                  stdin=subprocess.DEVNULL,
                                  capture_output=True, timeout=600)
            got = done.stdout.replace(b"\r\n", b"\n").split(b"\n")[0] + b"\n"
            if got != want or done.returncode != 0:
                failed += 1
                keep = os.path.join(tempfile.gettempdir(),
                                    "roomtally-model-%d.txt" % number)
                with open(keep, "wb") as f:
                    f.write(data)
                print("FAIL list %d (kept as %s): %r, expected %r" %
                      (number, keep, got, want))
    print("%d passed, %d failed" % (len(lists) - failed, failed))
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
