#!/usr/bin/env python3
"""Two groups of synthetic 3D landmark configurations for the scaling benchmark.

One base shape (points spread evenly over an ellipsoid with a bump), six
smooth modes of variation (low-order polynomial displacement fields, the
second group varying more along some of them), small landmark noise, a
random rotation, translation and scale per specimen. Seeded: the same
arguments give the same files.

usage: make_landmarks.py LANDMARKS SPECIMENS OUT1 OUT2 [--seed N]
"""
import argparse

import numpy as np


def base_shape(p: int) -> np.ndarray:
    # Fibonacci sphere, stretched into an ellipsoid with a bump on one side.
    i = np.arange(p) + 0.5
    phi = np.arccos(1 - 2 * i / p)
    theta = np.pi * (1 + 5 ** 0.5) * i
    x = np.stack([np.cos(theta) * np.sin(phi), np.sin(theta) * np.sin(phi), np.cos(phi)], axis=1)
    x *= np.array([1.6, 1.0, 0.7])
    x[:, 0] += 0.3 * np.exp(-((x[:, 1] - 0.4) ** 2 + (x[:, 2] - 0.2) ** 2) * 4)
    return x


def modes(x: np.ndarray) -> list[np.ndarray]:
    u, v, w = x[:, 0], x[:, 1], x[:, 2]
    fields = [
        np.stack([u * v, 0 * u, 0 * u], axis=1),
        np.stack([0 * u, v * w, u ** 2], axis=1),
        np.stack([w ** 2, 0 * u, u * v], axis=1),
        np.stack([np.sin(2 * u), np.cos(2 * w), 0 * u], axis=1),
        np.stack([0 * u, u * w, -v * w], axis=1),
        np.stack([v ** 2 - w ** 2, u * w, 0 * u], axis=1),
    ]
    return [f / np.linalg.norm(f) * np.sqrt(len(x)) for f in fields]


def rotation(rng: np.random.Generator) -> np.ndarray:
    q, r = np.linalg.qr(rng.normal(size=(3, 3)))
    q *= np.sign(np.diag(r))
    if np.linalg.det(q) < 0:
        q[:, 0] = -q[:, 0]
    return q


def group(rng, base, fields, n, spread) -> np.ndarray:
    rows = []
    for _ in range(n):
        shape = base.copy()
        for f, s in zip(fields, spread):
            shape += rng.normal(scale=0.02 * s) * f
        shape += rng.normal(scale=0.002, size=shape.shape)
        shape = shape @ rotation(rng) * rng.uniform(0.8, 1.2) + rng.normal(size=3)
        rows.append(np.append(shape.reshape(-1), 1.0))
    return np.array(rows)


def main() -> None:
    parser = argparse.ArgumentParser()
    parser.add_argument("landmarks", type=int)
    parser.add_argument("specimens", type=int)
    parser.add_argument("out1")
    parser.add_argument("out2")
    parser.add_argument("--seed", type=int, default=1)
    a = parser.parse_args()
    rng = np.random.default_rng(a.seed)
    base = base_shape(a.landmarks)
    fields = modes(base)
    np.savetxt(a.out1, group(rng, base, fields, a.specimens, [6, 5, 4, 3, 2, 1]), fmt="%.10g")
    np.savetxt(a.out2, group(rng, base, fields, a.specimens, [4, 6, 2, 5, 1, 3]), fmt="%.10g")


if __name__ == "__main__":
    main()
