"""The package as Python users meet it: groups that act as arrays, results
that print short, serialise and give tables, the version it was built as."""
import importlib.metadata
import json
import os
import re
import sys

import numpy as np
import pytest

import vexmoor


@pytest.fixture(scope="module")
def gorillas(files):
    return vexmoor.read_group(files["gorf"]), vexmoor.read_group(files["gorm"])


def test_a_group_acts_as_its_array_and_owns_it(gorillas):
    f, m = gorillas
    assert len(f) == 30 and f.shape == (30, 8, 2)
    assert np.array_equal(np.asarray(f), f.coords) and np.asarray(f, dtype=np.float32).dtype == np.float32
    assert np.array_equal(f[3], f.coords[3]) and np.array_equal(list(f)[-1], f.coords[29])
    # Specimens chosen by slice, list or mask: a group in memory with their identifiers.
    part = f[[0, 2, 4]]
    assert isinstance(part, vexmoor.Group) and part.file is None
    assert part.identifiers == [f.identifiers[i] for i in (0, 2, 4)]
    assert len(f[np.arange(30) % 2 == 0]) == 15 and len(f[5:]) == 25
    assert vexmoor.angle_between(f[:20], m, k=2)["observed"] == \
        vexmoor.angle_between(f.coords[:20], m, k=2)["observed"]
    with pytest.raises(vexmoor.VexmoorError, match="indexed by specimen only"):
        f[0, 1]
    # The caller's array and the group go their own ways.
    mine = f.coords.copy()
    g = vexmoor.Group(mine)
    mine[0, 0, 0] = 1e9
    g[0][0, 0] = 1e9
    assert g.coords[0, 0, 0] == f.coords[0, 0, 0]
    for bad, says in [(np.ones((4, 8)), "specimens x landmarks x dimensions"),
                      (np.array([[["a"]]]), "real numbers"),
                      (np.ma.masked_array(np.ones((2, 2, 2)), mask=np.eye(2)[None].repeat(2, 0)),
                       "masked")]:
        with pytest.raises(vexmoor.VexmoorError, match=says):
            vexmoor.Group(bad)


def test_results_print_short_and_serialise_whole(gorillas):
    f, m = gorillas
    r = vexmoor.resample(f, m, test="range", k=2, v=3, seed=1)
    assert repr(r) == ("<vexmoor.Result RangeMezeyAngle of gorf.txt, gorm.txt: angle 89.02"
                       " degrees on 2 components; 900 replicates, seed 1>")
    assert "10 CPC (AIC weight 0.287)" in repr(vexmoor.cpc(f, m))
    back = json.loads(r.to_json(indent=1))
    assert {k: v for k, v in back.items() if k != "replicates"} == \
        {k: v for k, v in r.items() if k != "replicates"}
    for name, column in r["replicates"].items():
        assert back["replicates"][name] == column.tolist()
    # Values that are not numbers become null, as in the document, never NaN.
    r["replicates"]["angle_group1"][0] = np.nan
    assert json.loads(r.to_json())["replicates"]["angle_group1"][0] is None


def test_tables_are_data_frames_with_names(gorillas, tmp_path):
    pd = pytest.importorskip("pandas")
    f, m = gorillas
    r = vexmoor.resample(f, m, test="bootstrap", k=2, seed=2)
    replicates = r.to_frame("replicates")
    assert replicates.shape == (100, 5) and replicates["angle_group1"].equals(
        pd.Series(r["replicates"]["angle_group1"], name="angle_group1"))
    assert list(r.to_frame("p_values")["name"]) == [p["name"] for p in r["p_values"]]
    assert r.to_frame("observed").loc[0, "angle"] == r["observed"]["angle"]
    with pytest.raises(vexmoor.VexmoorError, match="no table 'models'; it has 'observed'"):
        r.to_frame("models")
    # Three groups: pairwise tables named by the groups, statistics per pair.
    three = vexmoor.resample({"f": f, "m": m, "g": f.coords[::2]}, test="shuffle", k=1, seed=3)
    angle = three.to_frame("angle")
    assert list(angle.index) == list(angle.columns) == ["f", "m", "g"]
    assert angle.loc["f", "m"] == angle.loc["m", "f"] and np.isnan(angle.loc["g", "g"])
    p = three.to_frame("p_values")
    assert len(p) == 3 * 2 and set(p["group_a"] + p["group_b"]) == {"fm", "fg", "mg"}
    scores = vexmoor.components(f, m, k=2).to_frame("scores")
    assert len(scores) == 59 and {"pooled_1", "own_2"} <= set(scores.columns)


def test_tables_without_pandas_say_what_is_missing(gorillas, monkeypatch):
    monkeypatch.setitem(sys.modules, "pandas", None)
    with pytest.raises(ModuleNotFoundError, match="python3-pandas"):
        vexmoor.cpc(*gorillas).to_frame("models")


def test_the_version_is_the_projects(gorillas):
    top = os.path.join(os.path.dirname(__file__), "..", "..", "CMakeLists.txt")
    if os.path.isfile(top):
        with open(top) as cmake:
            assert vexmoor.__version__ == re.search(r"project\(Vexmoor VERSION ([0-9.]+)",
                                                    cmake.read()).group(1)
    assert vexmoor.cpc(*gorillas)["program"]["version"] == vexmoor.__version__
    try:
        assert importlib.metadata.version("vexmoor") == vexmoor.__version__
    except importlib.metadata.PackageNotFoundError:
        pass  # installed by CMake, without a distribution's metadata
