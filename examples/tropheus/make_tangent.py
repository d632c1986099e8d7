#!/usr/bin/env python3
"""Writes tropheus_tangent.csv from tropheus.csv: the 511 fish of the six
'Kaiser' populations (IKA1, IKA2, IKA3, IKS3, IKS4, IKS5) without the five
outliers (data rows 18, 56, 155, 351 and 624), superimposed by a generalised
Procrustes analysis (centred, unit centroid size, each fish rotated onto the
mean shape until the mean stops moving) and projected orthogonally into the
tangent space at the mean shape.

    python3 examples/tropheus/make_tangent.py

Plain Python, no packages: the result does not depend on a library's version.
"""
import csv
import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))
KAISER = {"IKA1", "IKA2", "IKA3", "IKS3", "IKS4", "IKS5"}
OUTLIERS = {18, 56, 155, 351, 624}
LANDMARKS = 19
MAX_PASSES = 100
SETTLED = 1e-15


def read_fish(path):
    with open(path, newline="") as f:
        rows = list(csv.reader(f))
    header, data = rows[0], rows[1:]
    first = header.index("X1")
    fish = []
    for number, row in enumerate(data, start=1):
        if number in OUTLIERS or row[1] not in KAISER:
            continue
        fish.append((row[0], row[1], row[2], [float(v) for v in row[first:first + 2 * LANDMARKS]]))
    return fish


def normalised(shape):
    """Centred on the centroid, scaled to unit centroid size."""
    cx = sum(shape[0::2]) / LANDMARKS
    cy = sum(shape[1::2]) / LANDMARKS
    centred = [v - (cx if i % 2 == 0 else cy) for i, v in enumerate(shape)]
    size = math.sqrt(sum(v * v for v in centred))
    return [v / size for v in centred]


def rotated_onto(shape, reference):
    """The rotation of the shape about the origin that fits the reference best."""
    c = s = 0.0
    for j in range(LANDMARKS):
        x, y = shape[2 * j], shape[2 * j + 1]
        u, v = reference[2 * j], reference[2 * j + 1]
        c += x * u + y * v
        s += x * v - y * u
    angle = math.atan2(s, c)
    cos, sin = math.cos(angle), math.sin(angle)
    out = []
    for j in range(LANDMARKS):
        x, y = shape[2 * j], shape[2 * j + 1]
        out += [cos * x - sin * y, sin * x + cos * y]
    return out


def unit(v):
    n = math.sqrt(sum(a * a for a in v))
    return [a / n for a in v]


def superimposed(shapes):
    shapes = [normalised(s) for s in shapes]
    mean = shapes[0]
    for _ in range(MAX_PASSES):
        shapes = [rotated_onto(s, mean) for s in shapes]
        following = unit([sum(col) / len(shapes) for col in zip(*shapes)])
        moved = math.sqrt(sum((a - b) ** 2 for a, b in zip(following, mean)))
        mean = following
        if moved < SETTLED:
            break
    return [rotated_onto(s, mean) for s in shapes], mean


def tangent(shape, mean):
    """The orthogonal projection onto the plane that touches the sphere at the mean."""
    along = sum(a * b for a, b in zip(shape, mean))
    return [a - (along - 1) * m for a, m in zip(shape, mean)]


def main():
    fish = read_fish(os.path.join(HERE, "tropheus.csv"))
    shapes, mean = superimposed([f[3] for f in fish])
    names = [f"{axis}{j}" for j in range(1, LANDMARKS + 1) for axis in "XY"]
    with open(os.path.join(HERE, "tropheus_tangent.csv"), "w", newline="") as out:
        writer = csv.writer(out, lineterminator="\n")
        writer.writerow(["id", "POP.ID", "Sex"] + names)
        for (ident, population, sex, _), shape in zip(fish, shapes):
            writer.writerow([ident, population, sex] + [repr(v) for v in tangent(shape, mean)])


if __name__ == "__main__":
    main()
