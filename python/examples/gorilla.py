"""The gorilla comparison: female and male skulls, 8 landmarks in 2
dimensions. Do the sexes vary along the same directions of shape?

    python3 gorilla.py
"""
import vexmoor

gorf = vexmoor.read_group(vexmoor.example_file("gorf.txt"))
gorm = vexmoor.read_group(vexmoor.example_file("gorm.txt"))
print(gorf, gorm, sep="\n")
print(f"vexmoor {vexmoor.__version__}")

# The angle between the first two principal components of each sex.
angle = vexmoor.angle_between(gorf, gorm, k=2)
print(angle)

# Is it larger than resampling within one sex gives, and smaller than
# structureless data give? (the same seed repeats the numbers)
r = vexmoor.resample(gorf, gorm, test="range", k=2, seed=1)
print(repr(r))
for p in r["p_values"]:
    print(f"{p['name']:<22} {p['p']:.4f}")
angles = r["replicates"]["angle_group1"]
print(f"mean replicate angle within females {angles.mean():.2f}"
      f" (observed {r['observed']['angle']:.2f})")

# Flury's hierarchy: which model of the two covariance matrices fits best?
best = max(vexmoor.cpc(gorf, gorm)["models"]["rows"], key=lambda row: float(row["weight"]))
print(f"best CPC model: {best['model']} (AIC weight {best['weight']:.3f})")

# Each sex's leading components and the angles between the subspaces.
pc = vexmoor.components(gorf, gorm, k=2)
print("principal angles:", ", ".join(f"{a:.2f}" for a in pc["principal_angles"]))

try:
    print(r.to_frame("p_values")[["name", "p"]])
except ModuleNotFoundError:
    print("(pandas is not installed: no DataFrames)")
