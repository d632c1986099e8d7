"""Every analysis gives the batch front end's text, JSON document and
replicates to the last bit; arrays give the files' numbers; seeds repeat."""
import csv
import os
import shutil

import numpy as np
import pytest

import vexmoor
from conftest import read_csv

RUNS = [
    (lambda *g, **o: vexmoor.angle_between(*g, k=2, **o), ["DoMezeyAngle", "-k", "2"]),
    (lambda *g, **o: vexmoor.cpc(*g, **o), ["RunCPC"]),
    (lambda *g, **o: vexmoor.cpc(*g, pcs=3, **o), ["RunCPC", "--pcs", "3"]),
    (lambda *g, **o: vexmoor.components(*g, k=2, **o), ["PrincipalComponents", "-k", "2"]),
    (lambda *g, **o: vexmoor.resample(*g, test="bootstrap", k=2, seed=7, **o),
     ["BootMezeyAngle", "-k", "2", "--seed", "7"]),
    (lambda *g, **o: vexmoor.resample(*g, test="boot_range", k=2, seed=7, **o),
     ["BootConMezeyAngle", "-k", "2", "--seed", "7"]),
    (lambda *g, **o: vexmoor.resample(*g, test="range", k=2, seed=7, **o),
     ["RangeMezeyAngle", "-k", "2", "--seed", "7"]),
    (lambda *g, **o: vexmoor.resample(*g, test="shuffle", k=1, seed=7, **o),
     ["PermuteMezeyAngle", "-k", "1", "--seed", "7"]),
    (lambda *g, **o: vexmoor.resample(*g, test="randomization", k=1, seed=7, **o),
     ["RandMezeyAngle", "-k", "1", "--seed", "7"]),
]


def bits(values):
    return np.asarray(values, dtype=np.float64).view(np.int64)


@pytest.mark.parametrize("case", ["two_d", "raw", "three_d", "three_groups"])
def test_results_equal_the_batch_front_end(case, batch, files, tmp_path):
    names, options, extra = {
        "two_d": (["gorf", "gorm"], {}, []),
        "raw": (["gorf", "gorm"], {"partial_warps": False}, ["--raw"]),
        "three_d": (["macf", "macm"], {}, ["--3d"]),
        "three_groups": (["gorf", "gorm", "gorf"], {}, []),
    }[case]
    paths = [files[n] for n in names]
    if case == "three_groups":
        # Three groups need three files: the third is a copy under another name.
        paths[2] = str(tmp_path / "third.txt")
        shutil.copy(files["gorf"], paths[2])
    groups = [vexmoor.read_group(p, dim=3 if case == "three_d" else None) for p in paths]
    for run, args in RUNS:
        args = [args[0], *paths, *args[1:], *extra]
        status, text, message = batch(args)
        if status != 0:
            # What the batch refuses, Python refuses with the same message,
            # in arguments' words.
            with pytest.raises(vexmoor.VexmoorError) as e:
                run(*groups, **options)
            assert str(e.value) == message.replace("(--pcs)", "(argument pcs)"), args
            continue
        result = run(*groups, **options)
        assert str(result) == text, args
        csv_path = str(tmp_path / "replicates.csv")
        _, document, _ = batch(args, json_out=True,
                               replicates=csv_path if "replicates" in result else None)
        kept = {k: v for k, v in result.items() if k not in ("replicates", "note")}
        assert kept == document, args
        if "replicates" in result:
            expected = read_csv(csv_path)
            assert list(result["replicates"]) == list(expected), args
            for name, column in expected.items():
                got = result["replicates"][name]
                if name in ("group_a", "group_b"):
                    assert got.tolist() == column
                else:
                    assert np.array_equal(bits(got), bits(column)), (args, name)


def test_arrays_and_matrices_give_the_files_numbers(files):
    f = vexmoor.read_group(files["gorf"])
    m = vexmoor.read_group(files["gorm"])
    assert f.coords.shape == (30, 8, 2) and f.identifiers[0] == "1"
    from_files = vexmoor.angle_between(f, m, k=2)
    assert vexmoor.angle_between(f.coords, m.coords, k=2)["text"] == from_files["text"]
    assert vexmoor.angle_between([f.coords.reshape(30, 16), m.coords.reshape(29, 16)],
                                 k=2)["observed"] == from_files["observed"]
    both = np.concatenate([f.coords, m.coords])
    split = vexmoor.angle_between(both, groups=["female"] * 30 + ["male"] * 29, k=2)
    assert split["observed"] == from_files["observed"]
    assert [(g["name"], g["file"], g["format"]) for g in split["groups"]] == [
        ("female", "female", "array"), ("male", "male", "array")]
    named = vexmoor.angle_between({"a": f, "b": m, "c": f.coords}, k=2)
    assert [g["name"] for g in named["groups"]] == ["a", "b", "c"]
    assert np.shape(named["tables"]["angle"]) == (3, 3)
    # Identifiers given in memory reach the document.
    ids = vexmoor.Group(f.coords, identifiers=[f"f{i}" for i in range(30)])
    assert vexmoor.cpc(ids, m)["groups"][0]["identifiers"][29] == "f29"
    # Three dimensions: the array says so, a matrix needs dim=3.
    mf = vexmoor.read_group(files["macf"], dim=3)
    mm = vexmoor.read_group(files["macm"], dim=3)
    three = vexmoor.angle_between(mf, mm, k=2)
    assert three["settings"]["dimension"] == 3
    rows = [g.coords.reshape(g.coords.shape[0], -1) for g in (mf, mm)]
    assert vexmoor.angle_between(*rows, k=2, dim=3)["observed"] == three["observed"]
    assert vexmoor.angle_between(mf.coords, mm.coords, k=2)["observed"] == three["observed"]


def test_seeds_repeat_runs(files):
    f = vexmoor.read_group(files["gorf"])
    m = vexmoor.read_group(files["gorm"])
    top = 2**64 - 1
    a = vexmoor.resample(f, m, test="shuffle", k=2, seed=top)
    assert a["settings"]["seed"] == top
    b = vexmoor.resample(f, m, test="shuffle", k=2, seed=str(top))
    assert np.array_equal(a["replicates"]["angle_shuffled"], b["replicates"]["angle_shuffled"])
    fresh = vexmoor.resample(f, m, test="bootstrap", k=2)
    again = vexmoor.resample(f, m, test="bootstrap", k=2, seed=fresh["settings"]["seed"])
    for name, column in fresh["replicates"].items():
        assert np.array_equal(column, again["replicates"][name])


def test_the_number_of_threads_changes_no_number(files):
    f = vexmoor.read_group(files["gorf"])
    m = vexmoor.read_group(files["gorm"])
    one = vexmoor.resample(f, m, test="range", k=2, seed=3, threads=1)
    two = vexmoor.resample(f, m, test="range", k=2, seed=3, threads=2)
    for name, column in one["replicates"].items():
        assert np.array_equal(bits(column), bits(two["replicates"][name])), name


def test_specimens_with_missing_values_are_refused_or_left_out_as_the_batch_does(batch, files,
                                                                                  tmp_path):
    f = vexmoor.read_group(files["gorf"])
    lines = []
    for i, specimen in enumerate(f.coords, start=1):
        rows = [" ".join(repr(v) for v in lm) for lm in specimen]
        if i == 2:
            rows[2] = "-999 -999"
        lines += ["LM=8", *rows, f"ID=s{i}"]
    tps = tmp_path / "holes.tps"
    tps.write_text("\n".join(lines) + "\n")
    args = ["DoMezeyAngle", str(tps), files["gorm"], "-k", "2"]
    with pytest.raises(vexmoor.VexmoorError) as refused:
        vexmoor.read_group(tps)
    assert str(refused.value) == batch(args)[2]
    g = vexmoor.read_group(tps, drop_incomplete=True)
    assert len(g) == 29 and g.dropped == (vexmoor.DroppedSpecimen(2, "s2", (3,)),)
    result = vexmoor.angle_between(g, vexmoor.read_group(files["gorm"]), k=2)
    status, text, _ = batch(args + ["--drop-incomplete"])
    assert status == 0 and str(result) == text
    _, document, _ = batch(args + ["--drop-incomplete"], json_out=True)
    assert {k: v for k, v in result.items() if k != "note"} == document
    with pytest.raises(vexmoor.VexmoorError, match="drop_incomplete must be True or False"):
        vexmoor.read_group(tps, drop_incomplete=1)


def test_the_covariance_analyses_equal_the_batch_front_ends(batch, files):
    gorf, gorm = files["gorf"], files["gorm"]
    f, m = vexmoor.read_group(gorf), vexmoor.read_group(gorm)
    runs = [
        (vexmoor.relative_eigen(f, m, pcs=4, v=1, seed=3),
         ["RelativeEigenanalysis", "--pcs", "4", "-v", "1", "--seed", "3"]),
        (vexmoor.covariance_distances(f, m, log_euclidean=True, total_pcs=5),
         ["CovarianceDistances", "--log-euclidean", "--total-pcs", "5"]),
        (vexmoor.random_skewers(f, m, mean_angle=True, seed=3, threads=1),
         ["RandomSkewers", "--mean-angle", "--seed", "3"]),
        (vexmoor.matrix_correlation(f, m, diagonal=True, v=1, seed=3),
         ["MatrixCorrelation", "--diagonal", "-v", "1", "--seed", "3"]),
        (vexmoor.common_subspace(f, m, k=2), ["CommonSubspace", "-k", "2"]),
    ]
    for result, args in runs:
        args = [args[0], gorf, gorm, *args[1:]]
        assert str(result) == batch(args)[1], args[0]
        _, document, _ = batch(args, json_out=True)
        assert {k: v for k, v in result.items() if k not in ("replicates", "note")} == document
    with pytest.raises(vexmoor.VexmoorError, match="total"):
        vexmoor.relative_eigen(f, m, pcs=4, total_pcs=4)


def test_within_pools_the_sub_groups_as_the_published_example_does():
    """The published Tropheus example (VEXMOOR_EXAMPLES names the
    repository's examples folder): each population's covariance the mean of
    its females' and males'."""
    path = os.path.join(os.environ.get("VEXMOOR_EXAMPLES", ""), "tropheus", "tropheus_tangent.csv")
    if not os.environ.get("VEXMOOR_EXAMPLES") or not os.path.isfile(path):
        pytest.skip("VEXMOOR_EXAMPLES names no examples folder")
    with open(path, newline="") as f:
        rows = list(csv.DictReader(f))
    columns = [c for c in rows[0] if c[0] in "XY" and c[1:].isdigit()]
    coords = np.array([[float(r[c]) for c in columns] for r in rows])
    populations = [r["POP.ID"] for r in rows]
    sexes = [r["Sex"] for r in rows]

    def run(within):
        return vexmoor.relative_eigen(coords, groups=populations, within=within,
                                      partial_warps=False, total_pcs=5, reference="IKS5")

    pair = run(sexes)["relative_eigenanalysis"][0]
    assert pair["groups"] == ["IKA1", "IKS5"]
    assert pair["eigenvalues"] == pytest.approx(
        [2.2960882, 1.2136310, 0.9969975, 0.6280469, 0.4872470], abs=1e-7)
    assert pair["proportionality"]["p"] == pytest.approx(0.01982876, abs=1e-8)
    with pytest.raises(vexmoor.VexmoorError, match="510 sub-group labels for 511"):
        run(sexes[1:])
    with pytest.raises(vexmoor.VexmoorError, match="specimen 3 of the data"):
        run(sexes[:2] + [None] + sexes[3:])
