#!/usr/bin/env python3
"""Builds the deterministic benchmark corpus.

Usage: make_corpus.py DIR [MEGABYTES] [FILES]

About MEGABYTES of text in FILES files (default 320 MB in 30,000 files) over
3,000 nested directories: lines of words, one file in ten with CR LF line
ends, one in a hundred with a long line (50-200 KB), a few binary files, and
the token "QvToken42" seeded into about 5 % of the files. Writes DIR/MANIFEST
with the relative paths of the files that hold the token. The same arguments
always give the same bytes.
"""
import os
import random
import sys

TOKEN = b"QvToken42"


def main():
    root = sys.argv[1]
    megabytes = int(sys.argv[2]) if len(sys.argv) > 2 else 320
    files = int(sys.argv[3]) if len(sys.argv) > 3 else 30000
    rng = random.Random(20261207)
    vocabulary = [bytes(rng.choice(b"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ")
                        for _ in range(rng.randint(2, 11))) for _ in range(4000)]
    average = megabytes * 1024 * 1024 // files
    manifest = []
    for i in range(files):
        directory = os.path.join(root, "d%02d" % (i % 30), "e%03d" % ((i // 30) % 100))
        if i < 3000:
            os.makedirs(directory, exist_ok=True)
        name = "f%05d.txt" % i
        relative = os.path.relpath(os.path.join(directory, name), root)
        if i % 1000 == 999:
            data = bytes(rng.getrandbits(8) for _ in range(4096)) + b"\0" * 512
            with open(os.path.join(directory, name), "wb") as f:
                f.write(data)
            continue
        ending = b"\r\n" if i % 10 == 3 else b"\n"
        seeded = i % 20 == 7
        size = rng.randint(average // 2, average * 3 // 2)
        lines = []
        written = 0
        line_number = 0
        while written < size:
            words = [vocabulary[rng.randrange(4000)] for _ in range(rng.randint(6, 14))]
            line = b" ".join(words)
            if seeded and line_number % 97 == 5:
                position = rng.randrange(len(words))
                words.insert(position, TOKEN)
                line = b" ".join(words)
            lines.append(line)
            written += len(line) + len(ending)
            line_number += 1
        if i % 100 == 41:
            lines.insert(len(lines) // 2, b"x" * rng.randint(50000, 200000))
        with open(os.path.join(directory, name), "wb") as f:
            f.write(ending.join(lines) + ending)
        if seeded:
            manifest.append(relative)
    with open(os.path.join(root, "MANIFEST"), "w") as f:
        f.write("\n".join(sorted(manifest)) + "\n")


if __name__ == "__main__":
    main()
