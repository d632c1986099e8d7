"""Vexmoor's analyses from Python: the same compiled library as the window and
vexmoor-batch, so every number is the batch front end's to the last digit.

Groups are what :func:`read_group` returns, numpy arrays of specimens x
landmarks x dimensions, or matrices of specimens x (x1, y1, x2, y2, ...)
with ``dim=``. Give two groups or more as separate arguments, as one list,
or as one dict that names them; or one array split by ``groups=`` labels.

Each analysis returns the JSON document of the same batch run (docs/json.md)
as a :class:`Result`, a dict whose ``print`` shows the result text.

>>> import vexmoor
>>> gorf = vexmoor.read_group(vexmoor.example_file("gorf.txt"))
>>> gorm = vexmoor.read_group(vexmoor.example_file("gorm.txt"))
>>> gorf  # doctest: +ELLIPSIS
Group of 30 specimens, 8 landmarks in 2 dimensions (plain file ".../gorf.txt")
>>> r = vexmoor.resample(gorf, gorm, test="range", k=2, seed=1)
>>> for p in r["p_values"][:3]:
...     print(f"{p['name']:<20} {p['p']:.3f}")
angle_above_group1   0.010
metric_below_group1  0.020
angle_above_group2   0.030
>>> r["replicates"]["angle_group1"].shape
(100,)
"""

import json
import math
import numbers
import os
import warnings

import numpy as np

from ._core import VexmoorError
from . import _core

__all__ = ["Group", "Result", "VexmoorError", "VexmoorWarning", "read_group", "angle_between",
           "resample", "cpc", "components", "example_file", "TESTS"]

#: The resampling tests of :func:`resample` and the batch actions they run.
TESTS = {
    "bootstrap": "BootMezeyAngle",
    "boot_range": "BootConMezeyAngle",
    "range": "RangeMezeyAngle",
    "shuffle": "PermuteMezeyAngle",
    "randomization": "RandMezeyAngle",
}


class VexmoorWarning(UserWarning):
    """What vexmoor-batch prints as a warning (a file's oddity, unequal inputs)."""


def _warn(messages):
    for message in messages:
        warnings.warn(message, VexmoorWarning, stacklevel=3)


class Group:
    """One group of specimens.

    ``coords`` is a float array of specimens x landmarks x dimensions;
    ``identifiers`` a list of one text per specimen (or None: running
    numbers); ``file`` and ``format`` say where it was read from (None for
    data made in memory).

    >>> import numpy as np
    >>> g = Group(np.zeros((5, 4, 3)), identifiers=list("abcde"))
    >>> g
    Group of 5 specimens, 4 landmarks in 3 dimensions (in memory)
    """

    def __init__(self, coords, identifiers=None, file=None, format=None):
        self.coords = coords
        self.identifiers = identifiers
        self.file = file
        self.format = format

    def __repr__(self):
        shape = np.shape(self.coords)
        source = "in memory" if self.file is None else f'{self.format} file "{self.file}"'
        if len(shape) != 3:
            return f"Group of coordinates {shape} ({source})"
        return (f"Group of {shape[0]} specimens, {shape[1]} landmarks in {shape[2]} dimensions"
                f" ({source})")


class Result(dict):
    """The JSON document of a run as Python objects (``text``, ``settings``
    with the seed the run used, ``groups``, ``observed``, ``intervals``,
    ``p_values``, ``models``; ``pairs`` and ``tables`` for three or more
    groups); resampling tests add ``replicates``, a dict of numpy arrays
    with the columns of ``vexmoor-batch --replicates``. ``str()`` and
    ``print()`` give the result text exactly as the batch prints it, with
    ``note`` below it where the batch prints one (replicates whose samples
    have fewer independent directions than k)."""

    def __str__(self):
        return self["text"] + ("\n" + self["note"] if "note" in self else "")


def example_file(name):
    """The path of a bundled example group: ``gorf.txt`` and ``gorm.txt``
    (female and male gorilla skulls, 8 landmarks in 2 dimensions),
    ``macf.txt`` and ``macm.txt`` (macaque skulls, 7 landmarks in 3
    dimensions)."""
    path = os.path.join(os.path.dirname(__file__), "data", name)
    if os.path.basename(name) != name or not os.path.isfile(path):
        found = sorted(os.listdir(os.path.dirname(path))) if os.path.isdir(os.path.dirname(path)) else []
        raise VexmoorError(f'no example file "{name}"; there are: {", ".join(found)}')
    return path


def _check_dim(dim):
    if dim is None:
        return None
    if isinstance(dim, bool) or not isinstance(dim, numbers.Integral) or int(dim) not in (2, 3):
        raise VexmoorError(f"dim must be 2 or 3, not {dim!r}")
    return int(dim)


def read_group(path, dim=None):
    """Reads a group from any landmark file the readers take (plain rows,
    TPS, NTS, CSV/TSV tables, Morphologika). ``dim`` (2 or 3) is the
    dimension of files that do not state it; the default is 2.

    >>> g = read_group(example_file("macf.txt"), dim=3)
    >>> g.coords.shape, g.format
    ((9, 7, 3), 'plain')
    """
    dim = _check_dim(dim)
    if not isinstance(path, (str, bytes, os.PathLike)):
        raise VexmoorError(f"path must be one file name, not {type(path).__name__}")
    r = _core.read_group(os.fsdecode(os.path.expanduser(path)), dim)
    _warn(r["warnings"])
    return Group(r["coords"], r["identifiers"], r["file"], r["format"])


def _coordinates(x, label):
    try:
        a = np.asarray(x)
    except Exception as e:  # ragged lists and the like
        raise VexmoorError(f"{label}: not an array of coordinates ({e})") from None
    if a.dtype.kind not in "iuf":
        raise VexmoorError(f"{label}: the coordinates must be real numbers, not {a.dtype}")
    return a.astype(np.float64)


def _rows(a):
    """Specimens x landmarks x dimensions as rows x1 y1 [z1] x2 ..."""
    return np.ascontiguousarray(a.reshape(a.shape[0], int(np.prod(a.shape[1:]))))


def _input_group(x, dim, label, name):
    """One group as the library interface takes it."""
    if isinstance(x, Group):
        a = _coordinates(x.coords, label if x.file is None else x.file)
        if a.ndim != 3:
            raise VexmoorError(f"{label}: a group's coords must be specimens x landmarks x dimensions")
        d = a.shape[2]
        return {"coords": _rows(a), "dim": d,
                "identifiers": None if x.identifiers is None else [str(i) for i in x.identifiers],
                "label": label if x.file is None else x.file, "file": x.file,
                "format": x.format if x.format is not None else "plain", "name": name}
    if isinstance(x, (dict, str, bytes)) or x is None:
        raise VexmoorError(f"{label}: a group is a Group, an array of specimens x landmarks x"
                           " dimensions, or a matrix of specimens x coordinates")
    a = _coordinates(x, label)
    if a.ndim == 3:
        d = a.shape[2]
    elif a.ndim == 2:
        d = 2 if dim is None else dim
    else:
        raise VexmoorError(f"{label}: a group is a Group, an array of specimens x landmarks x"
                           f" dimensions, or a matrix of specimens x coordinates, not an array of"
                           f" {a.ndim} dimensions")
    return {"coords": _rows(a), "dim": d,
            "identifiers": None, "label": label, "file": None, "format": None, "name": name}


def _input_groups(args, labels, dim):
    """The groups of a call: two or more arguments, one list or dict of
    groups, or one array split by ``labels``."""
    names = None
    if len(args) == 1 and isinstance(args[0], dict):
        names = [str(key) for key in args[0]]
        args = list(args[0].values())
    elif len(args) == 1 and isinstance(args[0], (list, tuple)):
        args = list(args[0])
    if labels is not None:
        if len(args) != 1:
            raise VexmoorError("groups= splits one array or group; give just one")
        if isinstance(labels, (str, bytes)):
            raise VexmoorError("groups= needs one label per specimen, not one text")
        labels = ["" if g is None else str(g) for g in labels]
        return [_input_group(args[0], dim, "the data", "")], True, labels
    if len(args) < 2:
        raise VexmoorError("give two groups or more (or one with groups=)")
    named = len(args) > 2 or (names is not None and all(names))
    files = [a.file if isinstance(a, Group) else None for a in args]
    stems = _core.file_group_names(files) if None not in files else None
    if stems is not None and named and names is None:
        # As on the batch's command line: more than two groups named by
        # their files would give two groups one name.
        for i, path in enumerate(files):
            if path in files[:i]:
                raise VexmoorError(f'file "{path}" is named twice; every group needs its own file')
    parts = []
    for i, a in enumerate(args):
        if names is not None and names[i]:
            name = names[i]
        elif stems is not None:
            name = stems[i]
        else:
            name = f"group {i + 1}"
        parts.append(_input_group(a, dim, name, name))
    return parts, named, None


def _whole(x):
    """x as an int when it is a whole number (int, numpy integer, integral
    float), else None."""
    if isinstance(x, bool):
        return None
    if isinstance(x, numbers.Integral):
        return int(x)
    if isinstance(x, numbers.Real) and math.isfinite(x) and float(x).is_integer():
        return int(x)
    return None


def _components_text(k):
    if k is None:
        return None
    if isinstance(k, str):
        return k
    whole = _whole(k)
    if whole is not None:
        return str(whole)
    if isinstance(k, numbers.Real):
        return repr(float(k))
    raise VexmoorError(f"k must be one number of components, not {k!r}")


def _seed_text(seed):
    if seed is None:
        return None
    if isinstance(seed, str):
        return seed
    whole = _whole(seed)
    return str(whole) if whole is not None else repr(seed)


def _replicate_value(v):
    whole = _whole(v)
    if whole is None or whole < 1 or whole > 2**31 - 1:
        raise VexmoorError(f"v needs a positive whole number; it is {v!r}")
    return whole


def _pooled_components(pcs):
    if pcs is None:
        return 0
    whole = _whole(pcs)
    if whole is None or whole < 1 or whole > 2**31 - 1:
        raise VexmoorError(f"pcs needs a positive whole number; it is {pcs!r}")
    return whole


def _run(args, action, groups, dim, k=None, partial_warps=True, v=1, seed=None, pcs=None):
    dim = _check_dim(dim)
    inputs, named, labels = _input_groups(args, groups, dim)
    settings = {"action": action, "three_d": dim == 3, "partial_warps": bool(partial_warps),
                "k": _components_text(k), "v": _replicate_value(v), "seed": _seed_text(seed),
                "pcs": _pooled_components(pcs)}
    r = _core.run(inputs, named, labels, settings)
    _warn(r["warnings"])
    result = Result(json.loads(r["json"]))
    if r["note"]:
        result["note"] = r["note"].decode("utf-8", "replace")
    if r["replicates"] is not None:
        result["replicates"] = r["replicates"]
    return result


def angle_between(*groups_, k=None, partial_warps=True, dim=None, groups=None):
    """The angle between the groups' k-dimensional principal-component
    subspaces, Krzanowski's metric and the largest principal angle
    (vexmoor-batch DoMezeyAngle).

    >>> gorf = read_group(example_file("gorf.txt"))
    >>> gorm = read_group(example_file("gorm.txt"))
    >>> print(angle_between(gorf, gorm, k=2))
    Results of the Angle between Planes Calculation
    The angle between the planes was 89.02, using 2 components
    Matlab angle 86.92
    Krzanowskis summed eigenvalue metric:   0.894
    >>> both = np.concatenate([gorf.coords, gorm.coords])
    >>> sex = ["female"] * 30 + ["male"] * 29
    >>> angle_between(both, groups=sex, k=2)["groups"][1]["name"]
    'male'
    """
    return _run(groups_, "DoMezeyAngle", groups, dim, k=k, partial_warps=partial_warps)


def resample(*groups_, test="bootstrap", k=None, v=1, seed=None, partial_warps=True, dim=None,
             groups=None):
    """A resampling test of the angle: ``test`` is "bootstrap"
    (BootMezeyAngle, 100·v² replicates), "boot_range" (BootConMezeyAngle,
    100·v), "range" (RangeMezeyAngle, with Flury's test), "shuffle"
    (PermuteMezeyAngle) or "randomization" (RandMezeyAngle). The same
    ``seed`` (a whole number up to 2**64 - 1) gives the same numbers as
    ``vexmoor-batch --seed``; without one, ``result["settings"]["seed"]``
    is the seed drawn. Ctrl+C stops the run within a second.

    >>> gorf = read_group(example_file("gorf.txt"))
    >>> gorm = read_group(example_file("gorm.txt"))
    >>> r = resample(gorf, gorm, test="shuffle", k=2, seed=7)
    >>> r["settings"]["seed"], list(r["replicates"])
    (7, ['replicate', 'angle_shuffled', 'metric_shuffled'])
    """
    if test not in TESTS:
        raise VexmoorError(f'test must be one of {", ".join(TESTS)}; "{test}" is not one')
    return _run(groups_, TESTS[test], groups, dim, k=k, partial_warps=partial_warps, v=v, seed=seed)


def cpc(*groups_, pcs=None, partial_warps=True, dim=None, groups=None):
    """Flury's hierarchy of common-principal-components models with AIC
    weights (vexmoor-batch RunCPC). With ``pcs=M`` the models are fitted to
    the scores of the first M principal components of the pooled
    within-group covariance matrix (``--pcs M``), the usual way when
    landmarks outnumber specimens; M must be below every group's count.

    >>> gorf = read_group(example_file("gorf.txt"))
    >>> gorm = read_group(example_file("gorm.txt"))
    >>> best = max(cpc(gorf, gorm)["models"]["rows"], key=lambda row: row["weight"])
    >>> best["model"], round(best["weight"], 3)
    ('10 CPC', 0.287)
    """
    return _run(groups_, "RunCPC", groups, dim, partial_warps=partial_warps, pcs=pcs)


def components(*groups_, k, partial_warps=True, dim=None, groups=None):
    """Each group's k leading principal components in the frame the angle
    is measured in (vexmoor-batch PrincipalComponents): ``components`` (per
    group: eigenvalues, shares, and per axis the loading and the landmark
    displacement at one standard deviation), ``consensus``, ``pooled``,
    ``scores``, and for two groups ``principal_angles`` and
    ``direction_pairs``.

    >>> gorf = read_group(example_file("gorf.txt"))
    >>> gorm = read_group(example_file("gorm.txt"))
    >>> pc = components(gorf, gorm, k=2)
    >>> len(pc["principal_angles"]), len(pc["components"][0]["axes"])
    (2, 2)
    """
    return _run(groups_, "PrincipalComponents", groups, dim, k=k, partial_warps=partial_warps)
