#!/usr/bin/env python3
"""Writes examples/apes/apes.tps and apes-groups-named.txt from apes.txt and apes-groups.txt.

The TPS file holds the same specimens as the numeric file, as a digitising program would
write them: coordinates in pixels with a SCALE (units per pixel) for each specimen, so that
the coordinates times SCALE are those of apes.txt; an ID and an IMAGE for each specimen;
one curve (skipped by the reader); Windows line ends. The centroid size column of apes.txt is
not written: a TPS reader computes it from the scaled landmarks.
"""
import os
import sys

NAMES = ["Gorilla female", "Gorilla male", "Chimpanzee female", "Chimpanzee male",
         "Orangutan female", "Orangutan male"]
SHORT = ["gorilla-f", "gorilla-m", "chimp-f", "chimp-m", "orang-f", "orang-m"]
SCALES = [0.0078125, 0.015625, 0.03125, 0.25, 1, 2, 0.5]


def main(folder):
    rows = [[float(v) for v in line.split()]
            for line in open(os.path.join(folder, "apes.txt")) if line.strip()]
    codes = [int(line) for line in open(os.path.join(folder, "apes-groups.txt")) if line.strip()]
    assert len(rows) == len(codes)
    lines, seen = [], {}
    for i, (row, code) in enumerate(zip(rows, codes)):
        scale = SCALES[i % len(SCALES)]
        k = (len(row) - 1) // 2
        lines.append("LM=%d" % k)
        for j in range(k):
            lines.append("%r %r" % (row[2 * j] / scale, row[2 * j + 1] / scale))
        if i == 0:
            # One curve along the first two landmarks, as outline digitising leaves them.
            lines += ["CURVES=1", "POINTS=3"]
            for t in (0.25, 0.5, 0.75):
                x = row[0] + t * (row[2] - row[0])
                y = row[1] + t * (row[3] - row[1])
                lines.append("%r %r" % (x / scale, y / scale))
        seen[code] = seen.get(code, 0) + 1
        lines.append("IMAGE=apes-%03d.jpg" % (i + 1))
        lines.append("ID=%s-%02d" % (SHORT[code - 1], seen[code]))
        if i == 0:
            lines.append("COMMENT=midline, left side")
        lines.append("SCALE=%r" % scale)
    with open(os.path.join(folder, "apes.tps"), "w", newline="") as out:
        out.write("\r\n".join(lines) + "\r\n")
    with open(os.path.join(folder, "apes-groups-named.txt"), "w", newline="") as out:
        out.write("".join(NAMES[c - 1] + "\n" for c in codes))


if __name__ == "__main__":
    here = os.path.dirname(os.path.abspath(__file__))
    main(sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "examples", "apes"))
