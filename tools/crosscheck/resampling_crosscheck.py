#!/usr/bin/python3
"""Cross-checks vexmoor-batch's five resampling tests against an independent
simulation of the same definitions, written here with numpy from the
definitions alone (eigenvectors reversed from ascending order, projectors
through explicit inverses, Krzanowski's eigenvalues, Flury's determinants).

Both sides run v = 10 on raw coordinates (--raw: the analysed variables are
the landmark data rows themselves, so no superimposition enters). Each
reported percentile must lie between the simulation's order statistics at
the same position plus and minus Z standard errors of a rank (for two
independent runs), widened by the printing precision. The observed values
must agree to the printed digits, and the randomization intervals must not
change when the data values do.

    /usr/bin/python3 resampling_crosscheck.py --batch build/bin/vexmoor-batch
"""
import argparse
import math
import os
import re
import subprocess
import sys
import tempfile

import numpy as np

Z = 4.0
NUMBER = r"(-?[0-9]+\.[0-9]+|NaN|-?Inf)"


def number(text):
    return {"NaN": math.nan, "Inf": math.inf, "-Inf": -math.inf}.get(text) or float(text)


# ---- the statistics, literally -------------------------------------------------------------

def cov(x):
    return np.cov(x, rowvar=False)


def axes(x):
    _, v = np.linalg.eigh(cov(x))  # ascending
    return v[:, ::-1]


def mezey(x1, x2, k):
    v1, v2 = axes(x1), axes(x2)
    p = v1.shape[0]
    proj = np.zeros((p, p))
    proj[:k, :k] = np.eye(k)
    j = v1 @ proj @ np.linalg.inv(v1) - v2 @ proj @ np.linalg.inv(v2)
    d = np.linalg.eigvals(j).real
    sq = sum(math.asin(min(e, 1.0)) ** 2 for e in d if e > 0)
    nshared = max(2 * k - p, 0)
    return math.sqrt(sq) * 180 / math.pi, math.sqrt(max(k - nshared, 0)) * 90


def krzanowski(x1, x2, k):
    lv, mv = axes(x1)[:, :k].T, axes(x2)[:, :k].T
    return float(np.linalg.eigvals(lv @ mv.T @ mv @ lv.T).real.sum())


def flury(a, b):
    with np.errstate(all="ignore"):
        s = np.linalg.det(cov(np.vstack([a, b])))
        return (len(a) * np.log(s / np.linalg.det(cov(a)))
                + len(b) * np.log(s / np.linalg.det(cov(b))))


def singular(x):
    return np.linalg.matrix_rank(x - x.mean(axis=0)) < x.shape[1]


# ---- the replicates ------------------------------------------------------------------------

def rows(rng, source, count, m):
    return source[np.ceil(m * rng.random(count)).astype(int) - 1]


def noise(rng, m, r):
    return 2 * rng.random((r, m)).T - 1  # column by column


def simulate(test, x1, x2, k, v, rng):
    m1, m2 = len(x1), len(x2)
    p = x1.shape[1]
    r = p + 1  # raw coordinates: the appended column of ones counts
    n = 100 * v if test == "BootConMezeyAngle" else 100 * v * v
    out = {}
    singular_groups = [0, 0]

    def add(name, value):
        out.setdefault(name, []).append(value)

    for _ in range(n):
        if test in ("BootMezeyAngle", "RangeMezeyAngle"):
            for g, (x, m, second) in enumerate([(x1, m1, m1), (x2, m2, min(m1, m2))], 1):
                a, b = rows(rng, x, m, m), rows(rng, x, second, m)
                add(f"angle{g}", mezey(a, b, k)[0])
                add(f"metric{g}", krzanowski(a, b, k))
                if test == "RangeMezeyAngle":
                    add(f"flury{g}", flury(a, b))
                    singular_groups[g - 1] += singular(a) or singular(b)
            if test == "RangeMezeyAngle":
                a, b = noise(rng, m1, r), noise(rng, m2, r)
                add("angle3", mezey(a, b, k)[0])
                add("metric3", krzanowski(a, b, k))
                add("flury3", flury(a, b))
        else:
            if test == "BootConMezeyAngle":
                a, b = rows(rng, x1, m1, m1), rows(rng, x2, m2, m2)
            elif test == "PermuteMezeyAngle":
                a = x1[np.ix_(np.ceil(m1 * rng.random(m1)).astype(int) - 1,
                              np.ceil(p * rng.random(p)).astype(int) - 1)]
                b = x2[np.ix_(np.ceil(m2 * rng.random(m2)).astype(int) - 1,
                              np.ceil(p * rng.random(p)).astype(int) - 1)]
            else:
                a, b = noise(rng, m1, r), noise(rng, m2, r)
            add("angle", mezey(a, b, k)[0])
            add("metric", krzanowski(a, b, k))
    sims = {name: np.sort(np.array(values)) for name, values in out.items()}
    return sims, n, [s / n for s in singular_groups]


# ---- what vexmoor-batch reports, by statistic, level and printed precision -----------------

def up(q, n):
    return math.ceil(q * n)


def low(q, n):
    return max(math.floor(q * n), 1)


REPORTS = {
    "BootMezeyAngle": [
        (r"upper 95th percentiles over \d+ bootstraps:\n group 1: {0} group 2: {0}",
         [("angle1", up, 0.975, 2), ("angle2", up, 0.975, 2)]),
        (r"lower 95th percentiles over \d+ bootstraps:\n group 1: {0} group 2: {0}",
         [("metric1", low, 0.025, 2), ("metric2", low, 0.025, 2)]),
    ],
    "BootConMezeyAngle": [
        (r"angle was [0-9.]+, the 95th range over \d+ bootstraps: {0} to {0}",
         [("angle", low, 0.025, 2), ("angle", up, 0.975, 2)]),
        (r"metric was [0-9.]+, the 95th range over \d+ bootstraps: {0} to {0}",
         [("metric", low, 0.025, 2), ("metric", up, 0.975, 2)]),
    ],
    "RangeMezeyAngle": [
        (r"97.5th percentiles over \d+ bootstraps: group 1: {0} group 2: {0}",
         [("angle1", up, 0.9875, 2), ("angle2", up, 0.9875, 2)]),
        (r"lower 97.5th percentiles over \d+ bootstraps: group 1: {0} group 2: {0}",
         [("metric1", low, 0.0125, 3), ("metric2", low, 0.0125, 3)]),
        (r"angle was [0-9.]+,\n the 97.5th percentiles over \d+ randomizations: {0} to {0}",
         [("angle3", low, 0.0125, 2), ("angle3", up, 0.9875, 2)]),
        (r"metric was [0-9.]+,\n the 97.5th percentiles over \d+ randomizations: {0} to {0}",
         [("metric3", low, 0.0125, 3), ("metric3", up, 0.9875, 3)]),
        (r"upper bound on Group1 Chi\^2= *{0}", [("flury1", up, 0.95, 4)]),
        (r"upper bound on Group2 Chi\^2= *{0}", [("flury2", up, 0.95, 4)]),
        (r"lower bound on Random Chi\^2= *{0}", [("flury3", low, 0.05, 4)]),
    ],
    "PermuteMezeyAngle": [
        (r"angle was [0-9.]+,\n the 95th percentiles over \d+ randomizations: {0} to {0}",
         [("angle", low, 0.025, 2), ("angle", up, 0.975, 2)]),
        (r"metric was [0-9.]+,\n the 95th percentiles over \d+ randomizations: {0} to {0}",
         [("metric", low, 0.025, 3), ("metric", up, 0.975, 3)]),
    ],
}
REPORTS["RandMezeyAngle"] = REPORTS["PermuteMezeyAngle"]


def batch(exe, test, f1, f2, k, v, seed):
    result = subprocess.run([exe, test, f1, f2, "--raw", "-k", str(k), "-v", str(v),
                             "--seed", str(seed)], capture_output=True, text=True, check=True)
    return result.stdout


def check_percentiles(test, text, sims, n, skip):
    failures = 0
    for pattern, picks in REPORTS[test]:
        match = re.search(pattern.format(NUMBER), text)
        if not match:
            print(f"  MISSING  {pattern!r}")
            failures += 1
            continue
        for value_text, (name, rule, q, digits) in zip(match.groups(), picks):
            value = number(value_text)
            sim = sims[name]
            pos = rule(q, n)
            spread = Z * math.sqrt(2 * n * q * (1 - q))
            lo, hi = max(int(pos - spread), 1), min(int(math.ceil(pos + spread)), n)
            slack = 0.5 * 10 ** -digits
            label = f"{name} at {pos}/{n} (q = {q})"
            if name in skip:
                print(f"  skipped  {label}: {value_text} (sim {sim[pos - 1]:.4f}); {skip[name]}")
                continue
            ok = sim[lo - 1] - slack <= value <= sim[hi - 1] + slack
            failures += not ok
            print(f"  {'ok  ' if ok else 'FAIL'}     {label}: vexmoor {value_text}, simulation "
                  f"{sim[pos - 1]:.{digits}f}, band [{sim[lo - 1]:.{digits}f}, "
                  f"{sim[hi - 1]:.{digits}f}]")
    return failures


def check_observed(test, text, x1, x2, k):
    angle, max_angle = mezey(x1, x2, k)
    metric = krzanowski(x1, x2, k)
    failures = 0
    got = [number(s) for s in re.findall(r"observed angle was " + NUMBER, text)]
    got_metric = [number(s) for s in re.findall(r"observed Krzanowski metric was " + NUMBER, text)]
    for g in got:
        failures += abs(g - angle) > 0.005 + 1e-9
    for g in got_metric:
        failures += abs(g - metric) > 0.005 + 1e-9
    m = re.search(r"maximal angle under these conditions is " + NUMBER, text)
    if m and test != "RangeMezeyAngle":
        failures += abs(number(m.group(1)) - max_angle) > 0.005 + 1e-9
    chi = re.search(r"Observed Chi\^2 = *" + NUMBER, text)
    if chi:
        expected = flury(x1, x2)
        value = number(chi.group(1))
        same = (math.isnan(value) and math.isnan(expected)) or abs(value - expected) <= 5e-5
        failures += not same
        print(f"  {'ok  ' if same else 'FAIL'}     observed Chi^2 {expected:.4f} "
              f"(vexmoor {chi.group(1)})")
    print(f"  {'ok  ' if not failures else 'FAIL'}     observed angle {angle:.4f}, metric "
          f"{metric:.4f} (vexmoor {got}, {got_metric})")
    return failures


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--batch", default=os.path.join(here, "../../build/bin/vexmoor-batch"))
    parser.add_argument("--data", help="folder of the exported groups (default: export afresh)")
    parser.add_argument("-v", type=int, default=10)
    parser.add_argument("-k", type=int, default=2)
    parser.add_argument("--seed", type=int, default=20250101)
    parser.add_argument("--tests", nargs="*", default=list(REPORTS))
    args = parser.parse_args()

    data = args.data or tempfile.mkdtemp(prefix="vexmoor_groups_")
    if not args.data:
        subprocess.run(["Rscript", os.path.join(here, "resampling_export_groups.R"), data],
                       check=True, capture_output=True)
    pairs = [("mice: control vs selected lines", "mice_control.txt", "mice_selected.txt"),
             ("apes: Pan females vs males", "pan_female.txt", "pan_male.txt")]
    rng = np.random.default_rng(args.seed)
    failures = 0
    for label, f1, f2 in pairs:
        f1, f2 = os.path.join(data, f1), os.path.join(data, f2)
        x1, x2 = np.loadtxt(f1, ndmin=2), np.loadtxt(f2, ndmin=2)
        for test in args.tests:
            print(f"{label}: {test} (v = {args.v}, k = {args.k})")
            text = batch(args.batch, test, f1, f2, args.k, args.v, args.seed)
            sims, n, singular_share = simulate(test, x1, x2, args.k, args.v, rng)
            skip = {}
            for g, share in enumerate(singular_share, 1):
                if share > 0.01:
                    skip[f"flury{g}"] = (f"{100 * share:.0f}% of the simulated pairs have a "
                                         "singular covariance, where the statistic is noise")
            failures += check_observed(test, text, x1, x2, args.k)
            failures += check_percentiles(test, text, sims, n, skip)

    # The randomization test sees only the sizes of the data.
    f1, f2 = os.path.join(data, pairs[0][1]), os.path.join(data, pairs[0][2])
    other = tempfile.mkdtemp(prefix="vexmoor_noise_")
    g1, g2 = os.path.join(other, "a.txt"), os.path.join(other, "b.txt")
    for src, dst in ((f1, g1), (f2, g2)):
        x = np.loadtxt(src, ndmin=2)
        np.savetxt(dst, x + rng.normal(scale=5.0, size=x.shape), fmt="%.10f")
    a = re.findall(r"randomizations: .*", batch(args.batch, "RandMezeyAngle", f1, f2, args.k, 2, 7))
    b = re.findall(r"randomizations: .*", batch(args.batch, "RandMezeyAngle", g1, g2, args.k, 2, 7))
    same = a == b and len(a) == 2
    failures += not same
    print(f"randomization intervals on other values of the same sizes: "
          f"{'identical' if same else 'DIFFERENT'} {a} {b}")

    print(f"{'all checks passed' if not failures else f'{failures} check(s) failed'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
