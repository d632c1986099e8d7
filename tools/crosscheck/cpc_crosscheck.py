#!/usr/bin/python3
"""Independent computation of the covariance-model table of RunCPC.

Reads the shape variables written by export_shape_variables (standard input
or a file) and prints the table in the same layout. The models are fitted by
other means than the program uses:

- common principal components: coordinate ascent of the likelihood over
  pairs of axes, each pair's angle found by a grid search refined by
  bisection on the derivative (not the F-G fixed point), from four starts;
- proportional: the likelihood profiled over the constant rho, maximised by
  golden sections on log(rho), with the common matrix in closed form;
- partial models: log-determinants from the blocks of the common axes,
  without eigenvectors;
- equal and independent: their closed forms.
"""
import math
import sys

import numpy as np


def logdet(m):
    sign, value = np.linalg.slogdet(m)
    return value if sign > 0 else float("nan")


def golden(f, a, b, tol=1e-15, limit=400):
    """Minimum of a unimodal f on [a, b]."""
    g = (math.sqrt(5) - 1) / 2
    c, d = b - g * (b - a), a + g * (b - a)
    fc, fd = f(c), f(d)
    for _ in range(limit):
        if abs(b - a) < tol:
            break
        if fc < fd:
            b, d, fd = d, c, fc
            c = b - g * (b - a)
            fc = f(c)
        else:
            a, c, fc = c, d, fd
            d = a + g * (b - a)
            fd = f(d)
    return (a + b) / 2


def cpc_axes(s1, s2, n1, n2):
    """Axes maximising -sum n_g sum_i ln(b_i' S_g b_i) over orthogonal B.

    The likelihood may have several local maxima: the ascent starts from the
    identity, the pooled matrix's eigenvectors and each group's, and keeps
    the best end."""
    starts = [np.eye(s1.shape[0])] + [
        np.linalg.eigh(m)[1] for m in (n1 * s1 + n2 * s2, s1, s2)
    ]
    best = None
    for start in starts:
        b, lam1, lam2 = ascend(s1, s2, n1, n2, start.copy())
        ll = -n1 * np.log(lam1).sum() - n2 * np.log(lam2).sum()
        if best is None or ll > best[0]:
            best = (ll, b, lam1, lam2)
    return best[1:]


def ascend(s1, s2, n1, n2, b):
    p = s1.shape[0]
    # The criterion of a pair repeats every quarter turn (the two columns
    # swap), so one quarter turn holds every candidate.
    grid = np.linspace(-math.pi / 4, math.pi / 4, 361)
    cg, sg = np.cos(grid), np.sin(grid)
    step = grid[1] - grid[0]

    def quad(a, x, y):
        return a[0, 0] * x * x + 2 * a[0, 1] * x * y + a[1, 1] * y * y

    for _sweep in range(5000):
        largest = 0.0
        for j in range(1, p):
            for l in range(j):
                u, v = b[:, l].copy(), b[:, j].copy()
                h = np.column_stack([u, v])
                a1, a2 = h.T @ s1 @ h, h.T @ s2 @ h

                def slope(t):
                    # Derivative of the pair's criterion along the turn t.
                    c, s = math.cos(t), math.sin(t)
                    total = 0.0
                    for a, n in ((a1, n1), (a2, n2)):
                        xx, yy, xy = quad(a, c, s), quad(a, -s, c), (
                            (a[0, 1] * c + a[1, 1] * s) * c - (a[0, 0] * c + a[0, 1] * s) * s)
                        total += 2 * n * xy * (yy - xx) / (xx * yy)
                    return total

                values = n1 * np.log(quad(a1, cg, sg) * quad(a1, -sg, cg)) + n2 * np.log(
                    quad(a2, cg, sg) * quad(a2, -sg, cg))
                k = int(np.argmin(values))
                lo, hi = grid[k] - step, grid[k] + step
                if slope(lo) > 0 or slope(hi) < 0:
                    t = grid[k]
                else:
                    # Bisection on the slope to the last representable angle.
                    for _step in range(200):
                        mid = (lo + hi) / 2
                        if mid in (lo, hi):
                            break
                        if slope(mid) < 0:
                            lo = mid
                        else:
                            hi = mid
                    t = (lo + hi) / 2
                if t != 0.0:
                    c, s = math.cos(t), math.sin(t)
                    b[:, l], b[:, j] = c * u + s * v, -s * u + c * v
                    largest = max(largest, abs(t))
        if largest < 1e-13:
            break
    lam1 = np.einsum("ij,jk,ki->i", b.T, s1, b)
    lam2 = np.einsum("ij,jk,ki->i", b.T, s2, b)
    order = np.argsort(n1 * lam1 + n2 * lam2, kind="stable")
    return b[:, order], lam1[order], lam2[order]


def proportional_ll(s1, s2, n1, n2):
    def ll(log_rho):
        rho = math.exp(log_rho)
        sigma = (n1 * s1 + n2 * s2 / rho) / (n1 + n2)
        return -n1 * logdet(sigma) - n2 * logdet(rho * sigma)

    best = golden(lambda t: -ll(t), -10.0, 10.0, tol=1e-13)
    return ll(best), math.exp(best)


def table(s1, s2, n1, n2):
    p = s1.shape[0]
    k = 2
    b, lam1, lam2 = cpc_axes(s1, s2, n1, n2)
    ll_cpc = -n1 * np.log(lam1).sum() - n2 * np.log(lam2).sum()
    ll_ident = -(n1 + n2) * logdet((n1 * s1 + n2 * s2) / (n1 + n2))
    ll_prop, rho = proportional_ll(s1, s2, n1, n2)
    ll_indep = -n1 * logdet(s1) - n2 * logdet(s2)
    models = [
        (ll_ident, p * (p + 1) / 2),
        (ll_prop, p * (p + 1) / 2 + k - 1),
        (ll_cpc, p * (p - 1) / 2 + k * p),
        (ll_indep, k * p * (p + 1) / 2),
    ]
    for j in range(1, p - 1):
        b1, b2 = b[:, :j], b[:, j:]
        ll = 0.0
        for s, n in ((s1, n1), (s2, n2)):
            ll -= n * (np.log(np.diag(b1.T @ s @ b1)).sum() + logdet(b2.T @ s @ b2))
        models.append((ll, p * (p - 1) / 2 + k * p + (k - 1) * (p - j) * (p - j - 1) / 2))
    aic = np.array([-2 * ll + 2 * param for ll, param in models])
    w = np.exp(-0.5 * (aic - aic.min()))
    w /= w.sum()

    def row(label, i, gap="    "):
        ll, param = models[i]
        return "\n%s%.3f %d    %.3f%s%.6f" % (label, ll, param, aic[i], gap, w[i])

    text = "Results of CPC Analysis"
    text += "\n Model                            LL       Param   AIC      AIC Wt"
    text += row(" 1.) Equal Variance:              ", 0)
    text += row(" 2.) Proportional Variance:       ", 1)
    text += row(" 3.) Common Principal Components: ", 2)
    text += "\n 4.) Partial Common Principle Components"
    for j in range(1, p - 1):
        text += row("     %d CPC:                       " % j, 3 + j, "   ")
    text += row(" 5.) Independent Variance:        ", 3)
    return text, rho


def main():
    source = open(sys.argv[1]) if len(sys.argv) > 1 else sys.stdin
    m1, m2, p = (int(v) for v in source.readline().split())
    rows = np.loadtxt(source, ndmin=2)
    x1, x2 = rows[:m1, :p], rows[m1:m1 + m2, :p]
    s1, s2 = np.cov(x1, rowvar=False), np.cov(x2, rowvar=False)
    text, rho = table(s1, s2, float(m1), float(m2))
    print(text)
    print("rho = %.12g" % rho, file=sys.stderr)


if __name__ == "__main__":
    main()
