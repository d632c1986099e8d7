#!/usr/bin/env python3
"""Writes the four gorilla groups of this folder from ../gorilla/gorf.txt and
../gorilla/gorm.txt: every specimen of both files, each sex split at its
median centroid size (the trailing value of each line) into a smaller and a
larger half. Coordinates are copied as they stand in the source files.

  gorillas.tps    all 59 specimens, ID=gorf01 ... gorf30, gorm01 ... gorm29
  classifier.csv  id, sex, size and group of each specimen
  gorillas.csv    the same specimens as a table with sex and group columns
"""
import os

here = os.path.dirname(os.path.abspath(__file__))
source = os.path.join(here, "..", "gorilla")
specimens = []  # (id, sex, tokens)
for sex, name in (("female", "gorf"), ("male", "gorm")):
    with open(os.path.join(source, name + ".txt")) as f:
        rows = [line.split() for line in f if line.strip()]
    for i, tokens in enumerate(rows, 1):
        specimens.append(("%s%02d" % (name, i), sex, tokens))

groups = {}
for sex in ("female", "male"):
    own = [s for s in specimens if s[1] == sex]
    sizes = sorted(float(s[2][-1]) for s in own)
    median = sizes[(len(sizes) - 1) // 2]
    for ident, _, tokens in own:
        size = "small" if float(tokens[-1]) <= median else "large"
        groups[ident] = (size, ("F" if sex == "female" else "M") + "-" + size)

with open(os.path.join(here, "gorillas.tps"), "w") as tps:
    for ident, _, tokens in specimens:
        coords = tokens[:-1]
        tps.write("LM=%d\n" % (len(coords) // 2))
        for j in range(0, len(coords), 2):
            tps.write("%s %s\n" % (coords[j], coords[j + 1]))
        tps.write("ID=%s\n" % ident)

with open(os.path.join(here, "classifier.csv"), "w") as c:
    c.write("id,sex,size,group\n")
    for ident, sex, _ in specimens:
        c.write("%s,%s,%s,%s\n" % (ident, sex, groups[ident][0], groups[ident][1]))

with open(os.path.join(here, "gorillas.csv"), "w") as t:
    landmarks = (len(specimens[0][2]) - 1) // 2
    head = ["id", "sex", "group"]
    for j in range(1, landmarks + 1):
        head += ["x%d" % j, "y%d" % j]
    t.write(",".join(head + ["cs"]) + "\n")
    for ident, sex, tokens in specimens:
        t.write(",".join([ident, sex, groups[ident][1]] + tokens) + "\n")
