#!/usr/bin/env python3
"""Writes a synthetic staging tree at the scale of the real add-on.

make_tree.py OUT_DIR

9146 entries and 306,956,096 bytes in all: 8984 files (the largest
20,378,776 bytes) and 162 symbolic links under arm/, plus the six version
folders with their LINUX64 files and jar classes, and kestrokit.txt last.
The bytes are pseudo-random (a fixed seed), so the tree is the same on
every run.
"""
import os
import random
import sys

ENTRIES = 9146
LINKS = 162
TOTAL = 306_956_096
LARGEST = 20_378_776
VERSIONS = ["1.8.5", "1.8.9", "1.8.13", "1.8.15", "1.8.16", "1.8.19"]


def main():
    out = sys.argv[1]
    rng = random.Random(1157)
    pool = rng.randbytes(1 << 22)
    top = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    locations = open(os.path.join(top, "staging/1.8.19/LINUX64/locations.txt"), "rb").read()

    fixed = {}  # path -> bytes
    for v in VERSIONS:
        fixed[f"{v}/LINUX64/directory_criteria.txt"] = b"version:lib/version.txt\nfile:arduino\n"
        fixed[f"{v}/LINUX64/locations.txt"] = locations
    fixed["kestrokit.txt"] = b"1.57"

    files = ENTRIES - LINKS
    sized = []  # (path, size) of the generated files
    names = []
    groups = [("arm/bin", 40), ("arm/lib/gcc/arm-none-eabi/5.4.1", 900), ("arm/arm-none-eabi/include", 2200),
              ("arm/share/doc", 1800), ("avrkestro/lib", 700), ("cores/kestro3", 300), ("cores/kestro4", 300),
              ("examples/Kestro", 900), ("libraries/Lib", 1500), ("armlib", 20), ("otherlibs/LINUX64", 10)]
    for v in VERSIONS:
        groups.append((f"{v}/LINUX64/arduino-core.jar/cc/arduino", 4))
        groups.append((f"{v}/LINUX64/pde.jar/processing/app", 4))
        groups.append((f"{v}/examples/Demo", 50))
    want = files - len(fixed) - 3  # three tool programs at the top
    assert sum(c for _, c in groups) >= want
    i = 0
    made = {}
    while len(names) < want:
        folder, count = groups[i % len(groups)]
        k = made.get(folder, 0)
        if k < count:
            made[folder] = k + 1
            suffix = ".class" if ".jar/" in folder else ".h"
            names.append(f"{folder}/f{k:05d}{suffix}")
        i += 1
    names += ["kestro", "kestro_reboot", "kestro_helper"]

    rest = TOTAL - LARGEST - sum(len(b) for b in fixed.values())
    weights = [rng.paretovariate(1.2) for _ in names[1:]]
    scale = rest / sum(weights)
    sizes = [int(w * scale) for w in weights]
    sizes = [min(s, LARGEST - 1) for s in sizes]
    sizes[-1] += rest - sum(sizes)
    while sizes[-1] >= LARGEST or sizes[-1] < 0:  # spread any overflow back
        extra = sizes[-1] - (LARGEST - 1) if sizes[-1] >= LARGEST else sizes[-1]
        sizes[-1] -= extra
        for j in range(len(sizes) - 1):
            room = LARGEST - 1 - sizes[j]
            take = min(room, extra) if extra > 0 else max(-sizes[j], extra)
            sizes[j] += take
            extra -= take
            if extra == 0:
                break
    sized = [(names[0], LARGEST)] + list(zip(names[1:], sizes))

    def write(path, data_len=None, data=None):
        full = os.path.join(out, path)
        os.makedirs(os.path.dirname(full), exist_ok=True)
        with open(full, "wb") as f:
            if data is not None:
                f.write(data)
                return
            left, off = data_len, rng.randrange(len(pool))
            while left:
                chunk = pool[off:off + left]
                f.write(chunk)
                left -= len(chunk)
                off = 0

    for path, size in sized:
        write(path, size)
    for path, data in fixed.items():
        write(path, data=data)
    targets = [n for n, _ in sized if n.startswith("arm/bin/") or n.startswith("arm/lib/")][:LINKS]
    for j, target in enumerate(targets):
        link = f"arm/arm-none-eabi/bin/l{j:03d}"
        os.makedirs(os.path.join(out, os.path.dirname(link)), exist_ok=True)
        os.symlink(os.path.relpath(target, os.path.dirname(link)), os.path.join(out, link))

    count = sum(len(fs) for _, _, fs in os.walk(out))
    total = sum(os.lstat(os.path.join(d, f)).st_size for d, _, fs in os.walk(out) for f in fs
                if not os.path.islink(os.path.join(d, f)))
    print(f"tree {out}: {count} entries, {total} bytes")
    assert count == ENTRIES and total == TOTAL, (count, total)


main()
