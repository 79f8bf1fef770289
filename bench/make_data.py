#!/usr/bin/env python3
"""Writes a synthetic landmark data set and its group list for the scale benchmarks.

    bench/make_data.py SPECIMENS LANDMARKS GROUPS OUTDIR

Each group has its own mean shape (a regular polygon with a small group-specific bulge);
every specimen is that shape with independent normal noise on every coordinate, scaled by a
centroid size near 100. The files are data-SPECIMENSxLANDMARKS.txt (one configuration row per
line: x1 y1 ... xk yk cs) and groups-SPECIMENSxLANDMARKS.txt (one group code per line).
A fixed seed makes the files the same on every run.
"""
import math
import os
import random
import sys


def main():
    if len(sys.argv) != 5:
        sys.exit(__doc__)
    n, k, g = (int(a) for a in sys.argv[1:4])
    out = sys.argv[4]
    os.makedirs(out, exist_ok=True)
    rng = random.Random(20261209)
    means = []
    for group in range(g):
        shape = []
        for j in range(k):
            a = 2 * math.pi * j / k
            r = 1 + 0.05 * math.sin((group + 1) * a)
            shape += [r * math.cos(a), r * math.sin(a)]
        means.append(shape)
    stem = f"{n}x{k}"
    with open(os.path.join(out, f"data-{stem}.txt"), "w") as data, open(
        os.path.join(out, f"groups-{stem}.txt"), "w"
    ) as groups:
        for i in range(n):
            group = i % g
            size = 100 + rng.gauss(0, 5)
            coords = [size * (c + rng.gauss(0, 0.02)) for c in means[group]]
            data.write(" ".join(f"{c:.4f}" for c in coords) + f" {size:.4f}\n")
            groups.write(f"{group + 1}\n")


if __name__ == "__main__":
    main()
