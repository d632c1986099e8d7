"""The batch front end the module is compared with: VEXMOOR_BATCH names it
(./test.sh sets it); without it, the comparisons are skipped."""
import csv
import json
import os
import subprocess

import pytest

import vexmoor


@pytest.fixture(scope="session")
def batch():
    binary = os.environ.get("VEXMOOR_BATCH", "")
    if not binary or not os.path.isfile(binary):
        pytest.skip("VEXMOOR_BATCH names no vexmoor-batch")

    def run(args, json_out=False, replicates=None):
        """(status, stdout, error message without "error: "); with
        json_out the document, with replicates also the CSV's columns."""
        extra = (["--json"] if json_out else []) + (["--replicates", replicates] if replicates else [])
        p = subprocess.run([binary, *args, *extra], capture_output=True, text=True,
                           stdin=subprocess.DEVNULL)
        out = p.stdout.rstrip("\n")
        if p.returncode == 0 and json_out:
            out = json.loads(out)
        return p.returncode, out, p.stderr.rstrip("\n").removeprefix("error: ")

    return run


def read_csv(path):
    """The columns of a replicates CSV, numbers read with float() (correctly
    rounded, so the very doubles the batch wrote)."""
    with open(path, newline="") as f:
        rows = list(csv.reader(f))
    columns = {}
    for c, name in enumerate(rows[0]):
        values = [r[c] for r in rows[1:]]
        columns[name] = values if name in ("group_a", "group_b") else [float(v) for v in values]
    return columns


@pytest.fixture(scope="session")
def files():
    return {name: vexmoor.example_file(name + ".txt") for name in ("gorf", "gorm", "macf", "macm")}
