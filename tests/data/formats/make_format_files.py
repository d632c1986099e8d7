#!/usr/bin/env python3
"""Writes the bundled example groups in every landmark file format.

Usage: make_format_files.py EXAMPLES_DIR OUT_DIR

Each group of examples/gorilla (2D) and examples/macaque (3D) is written as
TPS, NTS, CSV and Morphologika, holding the same coordinates as the plain
file (the trailing centroid size is left out: the readers compute it). The
numbers are written so that they read back to the identical doubles; the TPS
files give each specimen a SCALE= that is a power of two and coordinates
divided by it, which multiplies back exactly.
"""
import os
import sys

GROUPS = [("gorilla", "gorf", 2), ("gorilla", "gorm", 2), ("macaque", "macf", 3),
          ("macaque", "macm", 3)]
AXES = "xyz"


def number(v):
    if v == int(v) and abs(v) < 1e15:
        return str(int(v))
    return repr(v)


def read_plain(path, d):
    rows = []
    with open(path) as f:
        for line in f:
            values = [float(t) for t in line.split()]
            coords = values[:-1]
            rows.append([coords[i:i + d] for i in range(0, len(coords), d)])
    return rows


def specimen_id(name, i):
    return "%s%02d" % (name, i + 1)


def write_tps(path, name, rows, d):
    out = []
    for i, landmarks in enumerate(rows):
        scale = 2.0 ** -(i % 4)  # 1, 0.5, 0.25, 0.125
        out.append("%s=%d" % ("LM3" if d == 3 else "LM", len(landmarks)))
        for lm in landmarks:
            out.append(" ".join(number(c / scale) for c in lm))
        if i == 1:
            # A tpsDig curve: semilandmarks that are no landmarks.
            out.append("CURVES=1")
            out.append("POINTS=3")
            out += ["%d %d" % (10 + j, 20 + j) if d == 2 else "%d %d 1" % (10 + j, 20 + j)
                    for j in range(3)]
        out.append("IMAGE=%s.jpg" % specimen_id(name, i))
        if i % 3 != 2:
            out.append("ID=%s" % specimen_id(name, i))  # else the image name serves
        if i % 5 == 0:
            out.append("COMMENT=digitised twice, mean taken")
        out.append("SCALE=%s" % repr(scale))
        out.append("")
    with open(path, "w", newline="") as f:
        f.write("\r\n".join(out) + "\r\n")


def write_nts(path, name, rows, d):
    k = len(rows[0])
    out = ['" %s landmarks, derived from the bundled plain file' % name,
           "1 %dL %d 0 DIM=%d" % (len(rows), k * d, d)]
    out.append(" ".join(specimen_id(name, i) for i in range(len(rows))))
    for landmarks in rows:
        values = [number(c) for lm in landmarks for c in lm]
        # Wrapped as the writer liked: five numbers a line.
        for j in range(0, len(values), 5):
            out.append(" ".join(values[j:j + 5]))
    with open(path, "w") as f:
        f.write("\n".join(out) + "\n")


def write_csv(path, name, rows, d):
    k = len(rows[0])
    header = ["specimen"] + ["%s%d" % (AXES[a], j + 1) for j in range(k) for a in range(d)]
    out = [",".join(header)]
    for i, landmarks in enumerate(rows):
        out.append(",".join(['"%s"' % specimen_id(name, i)] +
                            [number(c) for lm in landmarks for c in lm]))
    with open(path, "w") as f:
        f.write("\ufeff" + "\n".join(out) + "\n")


def write_morphologika(path, name, rows, d):
    out = ["' %s, derived from the bundled plain file" % name,
           "[individuals]", str(len(rows)), "[landmarks]", str(len(rows[0])),
           "[dimensions]", str(d), "[names]"]
    out += [specimen_id(name, i) for i in range(len(rows))]
    out.append("[rawpoints]")
    for i, landmarks in enumerate(rows):
        out.append("'#%s" % specimen_id(name, i))
        out += [" ".join(number(c) for c in lm) for lm in landmarks]
    out += ["[wireframe]", "1 2", "2 3"]
    with open(path, "w") as f:
        f.write("\n".join(out) + "\n")


def main():
    examples, outdir = sys.argv[1], sys.argv[2]
    for folder, name, d in GROUPS:
        rows = read_plain(os.path.join(examples, folder, name + ".txt"), d)
        write_tps(os.path.join(outdir, name + ".tps"), name, rows, d)
        write_nts(os.path.join(outdir, name + ".nts"), name, rows, d)
        write_csv(os.path.join(outdir, name + ".csv"), name, rows, d)
        write_morphologika(os.path.join(outdir, name + "_morphologika.txt"), name, rows, d)


if __name__ == "__main__":
    main()
