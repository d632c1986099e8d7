#!/usr/bin/python3
"""Independent computation of the three-dimensional analyses.

Recomputes, with numpy only and written from the definitions, the pooled
three-dimensional Procrustes fit, the turn to principal axes, the partial-warp
and uniform scores, and the result texts of DoMezeyAngle and RunCPC, so that
they can be compared with vexmoor-batch --3d.

    /usr/bin/python3 threed_crosscheck.py DoMezeyAngle GROUP1 GROUP2 K
    /usr/bin/python3 threed_crosscheck.py RunCPC GROUP1 GROUP2
    /usr/bin/python3 threed_crosscheck.py scores GROUP1 GROUP2

Deliberately different in method where it can be: the principal angles come
from the eigenvalues of the difference of the two projectors (and the largest
from the classic sine formula), the covariance models from plain numpy
determinants.
"""

import math
import sys

import numpy as np


def read_group(path):
    rows = [list(map(float, line.replace(",", " ").split()))
            for line in open(path) if line.strip()]
    data = np.array(rows)
    k = (data.shape[1] - 1) // 3
    if data.shape[1] != 3 * k + 1:
        raise SystemExit(f"{path}: {data.shape[1]} values a line is not 3k + 1")
    # specimens × landmarks × axes
    return data[:, :3 * k].reshape(len(rows), k, 3)


def centre_scale(page):
    c = page - page.mean(axis=0)
    return c / math.sqrt((c * c).sum())


def pooled_fit(pages):
    """Consensus and fitted specimens: start from the sum, three passes."""
    ref = centre_scale(pages.sum(axis=0))
    fitted = pages.copy()
    for _ in range(3):
        for i in range(len(fitted)):
            s = centre_scale(fitted[i])
            u, _, vt = np.linalg.svd(s.T @ ref)
            fitted[i] = s @ (u @ vt)
        mean = fitted.mean(axis=0)
        ref = mean / math.sqrt((mean * mean).sum())
    return ref, fitted


def principal_axes(ref, pages):
    _, u = np.linalg.eigh(np.cov(ref, rowvar=False))
    return ref @ u, pages @ u


def score_basis(ref):
    k = len(ref)
    dist = np.sqrt(((ref[:, None, :] - ref[None, :, :]) ** 2).sum(axis=2))
    q = np.hstack([np.ones((k, 1)), ref])
    z = np.block([[dist, q], [q.T, np.zeros((4, 4))]])
    bending = np.linalg.inv(z)[:k, :k]
    values, vectors = np.linalg.eigh((bending + bending.T) / 2)
    affine = set(np.argsort(np.abs(values))[:4])
    warps = [vectors[:, i] for i in range(k) if i not in affine]
    columns = []
    zero = np.zeros(k)
    for w in warps:
        columns += [np.concatenate([w, zero, zero]), np.concatenate([zero, w, zero]),
                    np.concatenate([zero, zero, w])]
    x, y, zc = ref[:, 0], ref[:, 1], ref[:, 2]
    a, b, g = (x * x).sum(), (y * y).sum(), (zc * zc).sum()
    shears = [np.concatenate(c) for c in ([a * y, b * x, zero], [zero, b * zc, g * y],
                                          [a * zc, zero, g * x])]
    shears = [s / np.linalg.norm(s) for s in shears]
    v = np.concatenate([-b * x, (1 - b) * y, -b * zc])
    w = np.concatenate([-g * x, -g * y, (1 - g) * zc])
    t1 = v - sum((s @ v) * s for s in shears)
    t1 /= np.linalg.norm(t1)
    t2 = w - sum((s @ w) * s for s in shears) - (t1 @ w) * t1
    t2 /= np.linalg.norm(t2)
    return np.column_stack(columns + shears + [t1, t2])


def shape_variables(path1, path2):
    g1, g2 = read_group(path1), read_group(path2)
    ref, fitted = pooled_fit(np.concatenate([g1, g2]))
    ref, fitted = principal_axes(ref, fitted)
    af = score_basis(ref)
    # Differences stacked as all x, then all y, then all z.
    diffs = np.stack([(p - ref).T.reshape(-1) for p in fitted])
    scores = diffs @ af
    return scores[:len(g1), :-1], scores[len(g1):, :-1]


def leading_axes(x, k):
    values, vectors = np.linalg.eigh(np.cov(x, rowvar=False))
    return vectors[:, np.argsort(values)[::-1][:k]]


def angle_text(x1, x2, k):
    v1, v2 = leading_axes(x1, k), leading_axes(x2, k)
    j = v1 @ v1.T - v2 @ v2.T
    sines = np.linalg.eigvalsh((j + j.T) / 2)
    angle = math.degrees(math.sqrt(sum(math.asin(min(s, 1.0)) ** 2 for s in sines if s > 0)))
    rest = v2 - v1 @ (v1.T @ v2)
    largest = math.degrees(math.asin(min(1.0, np.linalg.norm(rest, 2))))
    krz = np.trace(v1.T @ v2 @ v2.T @ v1)
    return ("Results of the Angle between Planes Calculation"
            f"\nThe angle between the planes was {angle:3.2f}, using {k} components"
            f"\nMatlab angle {largest:3.2f}"
            f"\nKrzanowskis summed eigenvalue metric:   {krz:3.3f}")


# ---- covariance models ---------------------------------------------------

# The iterations have no bound of their own; these caps only keep the script
# from running on forever, and a warning says when one was reached.
MAX_ITERATIONS = 1000


def capped(name):
    print(f"warning: {name} stopped after {MAX_ITERATIONS} iterations without settling",
          file=sys.stderr)

def rotation_for_pair(t1, t2, n1, n2):
    """The 2 × 2 rotation of one pair of common axes (G step)."""
    q = np.eye(2)
    qp = q.copy()
    change = 1e6
    for _ in range(MAX_ITERATIONS):
        if not change > 1e-8:
            break
        d1 = [q[:, 0] @ t1 @ q[:, 0], q[:, 1] @ t1 @ q[:, 1]]
        d2 = [q[:, 0] @ t2 @ q[:, 0], q[:, 1] @ t2 @ q[:, 1]]
        t = (n1 * (d1[0] - d1[1]) / (d1[0] * d1[1]) * t1 +
             n2 * (d2[0] - d2[1]) / (d2[0] * d2[1]) * t2)
        _, v = np.linalg.eigh(t)
        theta = math.atan2(v[1, 0], v[0, 0])
        theta2 = math.atan2(v[1, 1], v[0, 1])
        if abs(theta2) < abs(theta):
            theta, theta2 = theta2, theta

        def rot(a):
            if a > math.pi / 2:
                a -= math.pi
            elif a < -math.pi / 2:
                a += math.pi
            return np.array([[math.cos(a), -math.sin(a)], [math.sin(a), math.cos(a)]])

        q = rot(theta)
        prior, change = change, np.linalg.norm(q - qp, 2)
        if change > prior:
            q = rot(theta2)
            change = np.linalg.norm(q - qp, 2)
        qp = q
    else:
        if change > 1e-8:
            capped("the rotation of a pair of common axes")
    return q


def log(v):
    """Natural logarithm that passes non-finite outcomes on, as the runtime does."""
    if v > 0:
        return math.log(v)
    return -math.inf if v == 0 else math.nan


def phi(b, a1, a2, n1, n2):
    total = 0.0
    for a, n in ((a1, n1), (a2, n2)):
        m = b.T @ a @ b
        total += n * log(np.prod(np.diag(m)) / np.linalg.det(m))
    return total


def common_axes(a1, a2, n1, n2):
    p = len(a1)
    b = np.eye(p)
    last, now = 35.0, 34.0
    for _ in range(MAX_ITERATIONS):
        if not abs(last - now) > 1e-16:
            break
        for j in range(1, p):
            for l in range(j):
                h = b[:, [l, j]]
                b[:, [l, j]] = h @ rotation_for_pair(h.T @ a1 @ h, h.T @ a2 @ h, n1, n2)
        last, now = now, phi(b, a1, a2, n1, n2)
    else:
        if abs(last - now) > 1e-16:
            capped("the common-axes sweeps")
    weighted = n1 * np.diag(b.T @ a1 @ b) + n2 * np.diag(b.T @ a2 @ b)
    b = b[:, np.argsort(weighted, kind="stable")]
    return (b, b @ np.diag(np.diag(b.T @ a1 @ b)) @ b.T,
            b @ np.diag(np.diag(b.T @ a2 @ b)) @ b.T)


def proportional(s1, s2, n1, n2):
    r1, r2 = n1 / (n1 + n2), n2 / (n1 + n2)
    p1, p2 = 1.0, 0.5
    p = len(s1)
    change = 1.0
    for _ in range(MAX_ITERATIONS):
        if not change > 1e-12:
            break
        _, b = np.linalg.eigh(r1 * s1 / p1 + r2 * s2 / p2)
        a1 = np.array([b[:, i] @ s1 @ b[:, i] for i in range(p)])
        a2 = np.array([b[:, i] @ s2 @ b[:, i] for i in range(p)])
        lam = r1 * a1 / p1 + r2 * a2 / p2
        old = (p1, p2)
        p1, p2 = (a1 / lam).sum() / p, (a2 / lam).sum() / p
        p2, p1 = p2 / p1, 1.0
        change = (p1 - old[0]) ** 2 + (p2 - old[1]) ** 2
    else:
        if change > 1e-12:
            capped("the proportional model")
    s1est = p1 * b @ np.diag(lam) @ b.T
    return s1est, p2 * s1est / p1


def partial(s1, s2, b, q):
    b1, b2 = b[:, :q], b[:, q:]
    out = []
    for s in (s1, s2):
        _, e = np.linalg.eigh(b2.T @ s @ b2)
        g = np.hstack([b1, b2 @ e])
        out.append(g @ np.diag(np.diag(g.T @ s @ g)) @ g.T)
    return out


def log_det(m):
    return log(np.linalg.det(m))


def number(fmt, v):
    if math.isfinite(v):
        return fmt % v
    text = "NaN" if math.isnan(v) else ("Inf" if v > 0 else "-Inf")
    width = int(fmt[1:].split(".")[0] or 0)
    return text.rjust(width)


def cpc_text(x1, x2):
    return flury_aic_text(np.cov(x1, rowvar=False), np.cov(x2, rowvar=False), len(x1), len(x2))


def flury_aic_text(s1, s2, n1, n2):
    p, k = len(s1), 2
    b, s1c, s2c = common_axes(s1, s2, n1, n2)
    ll = {}
    param = {}
    ll["cpc"] = -n1 * log_det(s1c) - n2 * log_det(s2c)
    param["cpc"] = p * (p - 1) // 2 + k * p
    ll["equal"] = -(n1 + n2) * log_det((n1 * s1 + n2 * s2) / (n1 + n2))
    param["equal"] = p * (p + 1) // 2
    s1p, s2p = proportional(s1, s2, n1, n2)
    ll["prop"] = -n1 * log_det(s1p) - n2 * log_det(s2p)
    param["prop"] = p * (p + 1) // 2 + k - 1
    ll["indep"] = -n1 * log_det(s1) - n2 * log_det(s2)
    param["indep"] = k * p * (p + 1) // 2
    order = ["equal", "prop", "cpc", "indep"]
    for j in range(1, p - 1):
        a, c = partial(s1, s2, b, j)
        ll[j] = -n1 * log_det(a) - n2 * log_det(c)
        param[j] = p * (p - 1) // 2 + k * p + (k - 1) * (p - j) * (p - j - 1) // 2
        order.append(j)
    aic = {m: -2 * ll[m] + 2 * param[m] for m in order}
    with np.errstate(invalid="ignore", over="ignore"):
        values = np.array([aic[m] for m in order])
        weights = np.exp(-0.5 * (values - values.min()))
        weights = weights / weights.sum()
    weight = dict(zip(order, weights))

    def row(label, m, spacing="    "):
        return (f"\n{label}{number('%4.3f', ll[m])} {param[m]}    {number('%4.3f', aic[m])}"
                f"{spacing}{number('%1.6f', weight[m])}")

    text = ("Results of CPC Analysis"
            "\n Model                            LL       Param   AIC      AIC Wt")
    text += row(" 1.) Equal Variance:              ", "equal")
    text += row(" 2.) Proportional Variance:       ", "prop")
    text += row(" 3.) Common Principal Components: ", "cpc")
    text += "\n 4.) Partial Common Principle Components"
    for j in range(1, p - 1):
        text += row(f"     {j} CPC:                       ", j, "   ")
    text += row(" 5.) Independent Variance:        ", "indep")
    return text


def main(argv):
    if len(argv) < 4:
        raise SystemExit(__doc__)
    action, path1, path2 = argv[1], argv[2], argv[3]
    x1, x2 = shape_variables(path1, path2)
    if action == "DoMezeyAngle":
        print(angle_text(x1, x2, int(argv[4])))
    elif action == "RunCPC":
        print(cpc_text(x1, x2))
    elif action == "scores":
        np.savetxt(sys.stdout, np.vstack([x1, x2]), fmt="%.10g")
    else:
        raise SystemExit(f"unknown action {action}")


if __name__ == "__main__":
    main(sys.argv)
