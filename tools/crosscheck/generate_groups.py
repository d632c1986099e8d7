#!/usr/bin/env python3
"""Writes a synthetic two-dimensional landmark group for timing and
text-identity checks: n specimens of k landmarks around an ellipse, each
moved by a few smooth deformations (their sizes scaled by `stretch`) plus
independent noise; the last value of a line is the centroid size.

    generate_groups.py N K STRETCH SEED > group.txt
"""
import math
import random
import sys


def main():
    n, k, stretch, seed = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3]), int(sys.argv[4])
    gen = random.Random(seed)
    for _ in range(n):
        a = 0.15 * stretch * gen.gauss(0, 1)
        b = 0.1 * gen.gauss(0, 1)
        c = 0.05 * gen.gauss(0, 1)
        coords = []
        for i in range(k):
            t = 2 * math.pi * i / k
            x = (2 + a) * math.cos(t) + c * math.cos(3 * t) + 0.02 * gen.gauss(0, 1)
            y = (1 + b) * math.sin(t) + c * stretch * math.sin(2 * t) + 0.02 * gen.gauss(0, 1)
            coords += [x, y]
        cx = sum(coords[0::2]) / k
        cy = sum(coords[1::2]) / k
        size = math.sqrt(sum((coords[2 * i] - cx) ** 2 + (coords[2 * i + 1] - cy) ** 2
                             for i in range(k)))
        print(" ".join(repr(v) for v in coords + [size]))


if __name__ == "__main__":
    main()
