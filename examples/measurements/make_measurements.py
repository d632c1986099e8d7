#!/usr/bin/env python3
"""Writes two tables of SYNTHETIC bone measurements (not real specimens).

Four linear measurements (mm) of 32 specimens per group, drawn with a fixed
seed from normal distributions whose covariance matrices share their
principal axes but not their variances (a CPC situation), rounded to 0.1 mm.
Usage: make_measurements.py OUT_DIR
"""
import math
import os
import random
import sys

NAMES = ["skull_length", "zygomatic_width", "humerus_length", "femur_length"]
MEANS = {"a": [82.0, 47.5, 61.0, 70.5], "b": [88.5, 51.0, 64.5, 74.0]}
SDS = {"a": [3.1, 1.9, 2.6, 2.9], "b": [3.6, 2.0, 3.3, 3.0]}
# Shared correlation structure: sizes go together.
CORR = [[1.0, 0.6, 0.5, 0.5], [0.6, 1.0, 0.4, 0.4], [0.5, 0.4, 1.0, 0.8],
        [0.5, 0.4, 0.8, 1.0]]


def cholesky(a):
    n = len(a)
    l = [[0.0] * n for _ in range(n)]
    for i in range(n):
        for j in range(i + 1):
            s = sum(l[i][k] * l[j][k] for k in range(j))
            l[i][j] = math.sqrt(a[i][i] - s) if i == j else (a[i][j] - s) / l[j][j]
    return l


def main():
    out = sys.argv[1]
    rng = random.Random(20261209)
    chol = cholesky(CORR)
    for group in ("a", "b"):
        rows = []
        for i in range(32):
            z = [rng.gauss(0, 1) for _ in NAMES]
            c = [sum(chol[r][k] * z[k] for k in range(4)) for r in range(4)]
            rows.append([MEANS[group][r] + SDS[group][r] * c[r] for r in range(4)])
        with open(os.path.join(out, "synthetic_%s.csv" % group), "w") as f:
            f.write("specimen," + ",".join(NAMES) + "\n")
            for i, r in enumerate(rows):
                f.write("%s%02d," % (group.upper(), i + 1) + ",".join("%.1f" % v for v in r) + "\n")


if __name__ == "__main__":
    main()
