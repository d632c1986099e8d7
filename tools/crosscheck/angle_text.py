#!/usr/bin/python3
"""Independent computation of the 'DoMezeyAngle' result text.

Written from the definitions, step by step, with numpy only, so that the
C++ core can be checked against it on data that is not in the repository:

  consensus of the pooled groups by iterated superimposition, turned to its
  principal axes and rounded to four decimals; each group fitted onto it;
  partial-warp and uniform scores from the thin-plate spline of the
  consensus; the leading k principal axes of each group's covariance; the
  angle from the eigenvalues of the difference of the two projectors, the
  largest principal angle, and Krzanowski's summed eigenvalues.

  angle_text.py GROUP1 GROUP2 K [--raw] [--numbers] [--projection-basis]

Prints the result text (and with --numbers the unrounded statistics on
standard error). --projection-basis replaces the principal warps by another
orthonormal basis of the same span, found without the spline: the statistics
must not change, which checks the warps themselves.
"""
import math
import sys

import numpy as np

TOLERANCE = 7.450580596923829e-10
HALF_PI = 1.5707963267948966
PI = 3.141592653589793


def read_group(path):
    rows = []
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, start=1):
            if number > 1 and line.strip() == "":
                break
            rows.append([float(t) for t in line.replace(",", " ").split()])
    widths = {len(r) for r in rows}
    if len(widths) != 1:
        raise SystemExit(f"{path}: lines of different lengths")
    return np.array(rows, dtype=float)


def round_half_away(v):
    a = np.abs(v)
    r = np.floor(a)
    r = np.where(a - r >= 0.5, r + 1.0, r)
    return np.sign(v) * r


# --- superimposition -------------------------------------------------------

def normalise(row):
    """Centre a specimen row on its centroid and scale it to unit size."""
    m = len(row)
    out = row.copy()
    xs = list(range(0, m - 1, 2))
    ys = list(range(1, m - 1, 2))
    k = len(ys)
    cx = sum(out[i] for i in xs[:k]) / k
    cy = sum(out[i] for i in ys) / k
    for i in xs:
        out[i] -= cx
    for i in ys:
        out[i] -= cy
    size = math.sqrt(sum(out[i] ** 2 for i in range(m - 1)))
    if size == 0:
        raise SystemExit("a specimen has centroid size 0")
    for i in range(m - 1):
        out[i] /= size
    return out


def rotate_onto(row, ref):
    m = len(row)
    ct = st = 0.0
    for j in range(0, m - 1, 2):
        x, y = row[j], row[j + 1]
        xr, yr = ref[j], ref[j + 1]
        ct += xr * x + yr * y
        st += x * yr - y * xr
    theta = math.atan2(st, ct)
    return turn(row, theta)


def turn(row, theta):
    c, s = math.cos(theta), math.sin(theta)
    out = row.copy()
    for j in range(0, len(row) - 1, 2):
        x, y = row[j], row[j + 1]
        out[j] = x * c - y * s
        out[j + 1] = x * s + y * c
    return out


def consensus(pooled):
    x = [normalise(r) for r in pooled]
    m = pooled.shape[1]
    xref = x[0].copy()
    xd = 1.0
    passes = 0
    while xd > TOLERANCE:
        passes += 1
        if passes > 100000:
            raise SystemExit("consensus did not settle")
        x = [rotate_onto(r, xref) for r in x]
        old = xref
        xref = np.mean(np.array(x), axis=0)
        xref = xref / math.sqrt(np.sum(xref[: m - 1] ** 2))
        xd = math.sqrt(np.sum((xref[: m - 1] - old[: m - 1]) ** 2))
    xref[m - 1] = 999.0
    X = xref[0 : m - 1 : 2]
    Y = xref[1 : m - 1 : 2]
    sxx, syy, sxy = np.sum(X * X), np.sum(Y * Y), np.sum(X * Y)
    with np.errstate(divide="ignore", invalid="ignore"):
        q = -2.0 * sxy / (sxx - syy)
    if math.isnan(q):
        q = 0.0
    theta = 0.5 * math.atan(q) - HALF_PI
    return turn(xref, theta)


def superimpose(data, ref):
    return np.array([rotate_onto(normalise(r), ref) for r in data])


# --- partial warps and uniform components ----------------------------------

def kernel(p, q):
    r2 = float((q[0] - p[0]) ** 2 + (q[1] - p[1]) ** 2)
    return 0.0 if r2 == 0 else r2 * math.log(r2)


def principal_warps(ref):
    k = (len(ref) - 1) // 2
    pts = [(ref[2 * j], ref[2 * j + 1]) for j in range(k)]
    L = np.zeros((k + 3, k + 3))
    for i in range(k):
        for j in range(k):
            L[i, j] = kernel(pts[i], pts[j]) if i != j else 0.0
        L[i, k] = L[k, i] = 1.0
        L[i, k + 1] = L[k + 1, i] = pts[i][0]
        L[i, k + 2] = L[k + 2, i] = pts[i][1]
    bending = np.linalg.inv(L)[:k, :k]
    values, vectors = np.linalg.eigh(bending)
    values = values.copy()
    vectors = vectors.copy()
    for i in range(k):
        if values[i] < 0:
            values[i] = -values[i]
            vectors[:, i] = -vectors[:, i]
    for i in range(k - 1):
        for j in range(i + 1, k):
            if values[j] > values[i]:
                values[[i, j]] = values[[j, i]]
                vectors[:, [i, j]] = vectors[:, [j, i]]
    return vectors


def complement_basis(ref):
    """An orthonormal basis of what is left of R^k after the constant and the
    reference's own x and y coordinates: the same span as the non-affine
    principal warps, found without the spline."""
    k = (len(ref) - 1) // 2
    affine = np.column_stack([np.ones(k), ref[0 : 2 * k : 2], ref[1 : 2 * k : 2]])
    u, _, _ = np.linalg.svd(affine, full_matrices=True)
    return u[:, 3:]


def scores(ref, fitted, projection_basis=False):
    k = (len(ref) - 1) // 2
    warps = complement_basis(ref) if projection_basis else principal_warps(ref)
    alpha = sum(ref[p] ** 2 for p in range(0, 2 * k, 2))
    gamma = sum(ref[p] ** 2 for p in range(1, 2 * k, 2))
    a, g = math.sqrt(alpha / gamma), math.sqrt(gamma / alpha)
    unim = np.zeros((2, 2 * k))
    for i in range(k):
        xr, yr = ref[2 * i], ref[2 * i + 1]
        unim[0, 2 * i], unim[0, 2 * i + 1] = yr * a, xr * g
        unim[1, 2 * i], unim[1, 2 * i + 1] = -xr * g, yr * a
    out = np.zeros((fitted.shape[0], 2 * k - 3))
    for n, row in enumerate(fitted):
        xs, ys = row[0 : 2 * k : 2], row[1 : 2 * k : 2]
        for j in range(k - 3):
            out[n, 2 * j] = warps[:, j] @ xs
            out[n, 2 * j + 1] = warps[:, j] @ ys
        u = unim @ row[: 2 * k]
        out[n, 2 * k - 6], out[n, 2 * k - 5] = u[0], u[1]
        out[n, 2 * k - 4] = row[2 * k]
    return out


def shape_variables(d1, d2, partial_warps, projection_basis=False):
    if not partial_warps:
        return d1.copy(), d2.copy()
    ref = round_half_away(10000.0 * consensus(np.vstack([d1, d2]))) / 10000.0
    s1 = scores(ref, superimpose(d1, ref), projection_basis)
    s2 = scores(ref, superimpose(d2, ref), projection_basis)
    return s1[:, :-1], s2[:, :-1]


# --- the statistics --------------------------------------------------------

def leading_axes(x):
    s = np.cov(x, rowvar=False)
    _, v = np.linalg.eigh(s)
    return v[:, ::-1]


def mezey(v1, v2, k):
    p = v1.shape[0]
    P = np.zeros((p, p))
    for i in range(k):
        P[i, i] = 1.0
    q1 = v1 @ P @ np.linalg.inv(v1)
    q2 = v2 @ P @ np.linalg.inv(v2)
    d = np.linalg.eigvals(q1 - q2).real
    sqsum = sum(math.asin(min(v, 1.0)) ** 2 for v in d if v > 0)
    return math.sqrt(sqsum) * 180.0 / PI


def largest_angle(a, b):
    """Largest principal angle from the sine side, in degrees."""
    qa, _ = np.linalg.qr(a)
    qb, _ = np.linalg.qr(b)
    if qa.shape[1] < qb.shape[1]:
        qa, qb = qb, qa
    s = np.linalg.norm(qb - qa @ (qa.T @ qb), 2)
    return math.asin(min(1.0, s)) * 180.0 / PI


def krzanowski(v1, v2, k):
    lv = v1[:, :k].T
    mv = v2[:, :k].T
    c = lv @ mv.T @ mv @ lv.T
    return float(np.sum(np.linalg.eigvalsh(c)))


def text(x1, x2, k):
    v1, v2 = leading_axes(x1), leading_axes(x2)
    y = mezey(v1, v2, k)
    y3 = largest_angle(v1[:, :k], v2[:, :k])
    zy2 = krzanowski(v1, v2, k)
    pieces = [
        "Results of the Angle between Planes Calculation",
        "\nThe angle between the planes was %3.2f, using %i components" % (y, k),
        "\nMatlab angle %3.2f" % y3,
        "\nKrzanowskis summed eigenvalue metric:   %3.3f" % zy2,
    ]
    return "".join(p.rstrip() for p in pieces), (y, y3, zy2)


def main(argv):
    args = [a for a in argv if not a.startswith("--")]
    if len(args) != 3:
        raise SystemExit(__doc__)
    d1, d2 = read_group(args[0]), read_group(args[1])
    k = int(args[2])
    x1, x2 = shape_variables(d1, d2, "--raw" not in argv, "--projection-basis" in argv)
    result, numbers = text(x1, x2, k)
    print(result)
    if "--numbers" in argv:
        print("%.15g %.15g %.15g" % numbers, file=sys.stderr)


if __name__ == "__main__":
    main(sys.argv[1:])
