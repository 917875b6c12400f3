#!/usr/bin/env python3
"""Builds the realistic benchmark corpus from real text files of this machine.

Usage: make_real_corpus.py DIR

Copies the regular text files of the system headers, the Python and Perl
libraries and the package documentation (SOURCES below) whose names match one
of PATTERNS into DIR, keeping their paths below their tree, in four parts
DIR/p0 .. DIR/p3: the files, sorted by path, are dealt to the parts in turn,
so each part has the same mix and the parts together are the whole corpus.

A text file here: valid UTF-8, no control byte other than tab, line feed,
form feed and carriage return, no hidden name. Every file is kept as it is,
except: the token "QvToken42" is put into one line of every twentieth file
(about 5 %), every tenth file gets CR LF line ends, and four files get one
very long line (2 to 5 MB of words) in their middle; each part gets the same
share of these.

Writes DIR/VERSION (the layout, LAYOUT below), DIR/MANIFEST (the relative paths of the files holding the token) and
DIR/SOURCES (how many files came from each tree). The same files on the
machine always give the same bytes.
"""
import fnmatch
import os
import random
import sys

TOKEN = b"QvToken42"
SOURCES = ["/usr/include", "/usr/lib/python3", "/usr/lib/python3.11", "/usr/share/perl",
           "/usr/share/perl5", "/usr/lib/x86_64-linux-gnu/perl", "/usr/lib/x86_64-linux-gnu/perl5",
           "/usr/lib/x86_64-linux-gnu/perl-base", "/usr/share/doc"]
# The file groups of the run, eleven as in a real job.
PATTERNS = ["*.h", "*.hpp", "*.c", "*.py", "*.pm", "*.pl", "*.txt", "*.html", "*.md", "*.rst",
            "copyright"]
PARTS = 4
# Raised whenever the same machine would give a different corpus.
LAYOUT = 2
BAD_BYTES = bytes(b for b in range(32) if b not in (9, 10, 12, 13)) + b"\x7f"


def is_text(data):
    if data.translate(None, BAD_BYTES) != data:
        return False
    try:
        data.decode("utf-8")
    except UnicodeDecodeError:
        return False
    return TOKEN.lower() not in data.lower()


def candidates():
    """(source tree, relative path) of every text file, sorted."""
    found = []
    for top in SOURCES:
        if not os.path.isdir(top) or os.path.islink(top):
            continue
        for directory, subdirs, names in os.walk(top):
            subdirs[:] = sorted(d for d in subdirs if not d.startswith("."))
            for name in sorted(names):
                if name.startswith(".") or name[-1] <= " " or "\n" in name:
                    continue
                if not any(fnmatch.fnmatchcase(name, p) for p in PATTERNS):
                    continue
                path = os.path.join(directory, name)
                if os.path.islink(path) or not os.path.isfile(path):
                    continue
                found.append((top, os.path.relpath(path, top)))
    return sorted(found)


def seed(data, rng):
    """The token in a line near the middle of the file (a short line, so it
    can be replaced)."""
    lines = data.split(b"\n")
    order = sorted(range(len(lines)), key=lambda i: abs(i - len(lines) // 2))
    for i in order:
        if len(lines[i]) < 20000 and not lines[i].endswith(b"\r"):
            words = lines[i].split(b" ")
            words.insert(rng.randrange(len(words) + 1), TOKEN)
            lines[i] = b" ".join(words)
            return b"\n".join(lines)
    return data + TOKEN + b"\n"


def long_line(data, rng):
    words = [w for w in data.split() if w][:5000] or [b"word"]
    size = rng.randint(2 << 20, 5 << 20)
    parts = []
    total = 0
    while total < size:
        word = words[rng.randrange(len(words))]
        parts.append(word)
        total += len(word) + 1
    lines = data.split(b"\n")
    lines.insert(len(lines) // 2, b" ".join(parts))
    return b"\n".join(lines)


def main():
    root = sys.argv[1]
    rng = random.Random(20261208)
    manifest = []
    counts = {}
    index = 0
    for top, relative in candidates():
        try:
            with open(os.path.join(top, relative), "rb") as f:
                data = f.read()
        except OSError:
            continue
        if not is_text(data):
            continue
        tree = top.strip("/").replace("/", "-")
        target = os.path.join("p%d" % (index % PARTS), tree, relative)
        # Counted in rounds of the deal, so that every part gets its share
        # of seeded, CR LF and long-line files.
        round_ = index // PARTS
        if round_ % 20 == 7:
            data = seed(data, rng)
            manifest.append(target)
        if round_ % 10 == 3 and b"\r" not in data:
            data = data.replace(b"\n", b"\r\n")
        if index < 4 * 4000 and index % 4000 == 1996 + index // 4000:
            data = long_line(data, rng)
        path = os.path.join(root, target)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        counts[top] = counts.get(top, 0) + 1
        index += 1
    with open(os.path.join(root, "SOURCES"), "w") as f:
        for top in SOURCES:
            if top in counts:
                f.write("%s %d\n" % (top, counts[top]))
    with open(os.path.join(root, "MANIFEST"), "w") as f:
        f.write("\n".join(sorted(manifest)) + "\n")
    with open(os.path.join(root, "VERSION"), "w") as f:
        f.write("%d\n" % LAYOUT)


if __name__ == "__main__":
    main()
