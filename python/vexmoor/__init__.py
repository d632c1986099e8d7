"""Vexmoor's analyses from Python: the same compiled library as the window and
vexmoor-batch, so every number is the batch front end's to the last digit.

Groups are what :func:`read_group` returns, numpy arrays of specimens x
landmarks x dimensions, a dict or object holding such an array as
``coords`` (a Procrustes fit), or matrices of specimens x (x1, y1, x2, y2,
...) with ``dim=``. Give two groups or more as separate arguments, as one
list, or as one dict that names them (no two names alike); or one array
split by ``groups=`` labels (none NaN or None).

Every argument takes exactly its type: ``partial_warps`` is True or False;
``k``, ``v``, ``pcs`` and ``threads`` are whole numbers (numpy integers
welcome, True and 2.5 refused: nothing is rounded); ``dim`` is 2 or 3 and
must agree with the arrays. Anything else is a :class:`VexmoorError` naming
the argument and the value.

Each analysis returns the JSON document of the same batch run (docs/json.md)
as a :class:`Result`, a dict whose ``print`` shows the result text.

>>> import vexmoor
>>> gorf = vexmoor.read_group(vexmoor.example_file("gorf.txt"))
>>> gorm = vexmoor.read_group(vexmoor.example_file("gorm.txt"))
>>> gorf  # doctest: +ELLIPSIS
Group of 30 specimens, 8 landmarks in 2 dimensions (plain file ".../gorf.txt")
>>> r = vexmoor.resample(gorf, gorm, test="range", k=2, seed=1)
>>> r
<vexmoor.Result RangeMezeyAngle of gorf.txt, gorm.txt: angle 89.02 degrees on 2 components; 100 replicates, seed 1>
>>> for p in r["p_values"][:3]:
...     print(f"{p['name']:<20} {p['p']:.3f}")
angle_above_group1   0.010
metric_below_group1  0.020
angle_above_group2   0.030
>>> r["replicates"]["angle_group1"].shape
(100,)
"""

from __future__ import annotations

import os
from typing import Any, Mapping, Optional, Sequence, Union

import numpy as np
import numpy.typing as npt

from . import _core
from ._core import VexmoorError
from ._inputs import Whole, dimension, file_path, flag, shown
from .group import DroppedSpecimen, Group
from .result import Result
from ._running import VexmoorWarning, _run, _warn

__version__: str = _core.__version__

__all__ = ["Group", "DroppedSpecimen", "Result", "VexmoorError", "VexmoorWarning", "read_group", "angle_between",
           "resample", "cpc", "components", "relative_eigen", "covariance_distances",
           "random_skewers", "matrix_correlation", "common_subspace", "example_file", "TESTS",
           "GroupLike", "__version__"]

#: What the analyses take as one group: a :class:`Group`, an array of
#: specimens x landmarks x dimensions or a matrix of specimens x
#: coordinates, or a dict or object holding such an array as ``coords``.
GroupLike = Union[Group, npt.ArrayLike, Mapping[str, Any], Any]


#: The resampling tests of :func:`resample` and the batch actions they run.
TESTS = {
    "bootstrap": "BootMezeyAngle",
    "boot_range": "BootConMezeyAngle",
    "range": "RangeMezeyAngle",
    "shuffle": "PermuteMezeyAngle",
    "randomization": "RandMezeyAngle",
}


def example_file(name: str) -> str:
    """The path of a bundled example group.

    Parameters
    ----------
    name : str
        ``"gorf.txt"`` and ``"gorm.txt"`` (female and male gorilla skulls,
        8 landmarks in 2 dimensions), ``"macf.txt"`` and ``"macm.txt"``
        (macaque skulls, 7 landmarks in 3 dimensions).

    Returns
    -------
    str
        The file's path, for :func:`read_group`.

    Raises
    ------
    VexmoorError
        When there is no such example; the message lists those there are.

    Examples
    --------
    >>> os.path.basename(example_file("gorf.txt"))
    'gorf.txt'
    """
    folder = os.path.join(os.path.dirname(__file__), "data")
    path = os.path.join(folder, name)
    if os.path.basename(name) != name or not os.path.isfile(path):
        found = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
        raise VexmoorError(f'no example file "{name}"; there are: {", ".join(found)}')
    return path


def read_group(path: Union[str, bytes, os.PathLike[str]], dim: Optional[int] = None,
               drop_incomplete: bool = False) -> Group:
    """Reads a group from a landmark file.

    Parameters
    ----------
    path : str, bytes or os.PathLike
        Any landmark file the readers take: plain rows, TPS, NTS, CSV/TSV
        tables, Morphologika.
    dim : {2, 3}, optional
        The dimension of files that do not state it; the default is 2.
    drop_incomplete : bool
        Specimens with missing values (a TPS landmark of -999 in every
        coordinate, NA or NaN; the code an NTS header declares; NA, NaN or
        an empty field in tables and Morphologika files) are refused by
        default, the error naming each specimen and landmark; True leaves
        them out instead, and the analyses of the group name them.

    Returns
    -------
    Group
        The specimens with their identifiers, the file and its format;
        ``dropped`` lists the specimens left out.

    Raises
    ------
    VexmoorError
        With the batch's message naming the file, line and value.
    KeyboardInterrupt
        On Ctrl+C, also while a read waits (a FIFO nobody writes).

    Warns
    -----
    VexmoorWarning
        For what the batch warns about in a file.

    Examples
    --------
    >>> g = read_group(example_file("macf.txt"), dim=3)
    >>> g.coords.shape, g.format
    ((9, 7, 3), 'plain')
    """
    d = dimension(dim)
    r = _core.read_group(file_path(path), d, flag("drop_incomplete", drop_incomplete))
    _warn(r["warnings"])
    return Group(r["coords"], r["identifiers"], r["file"], r["format"],
                 [DroppedSpecimen(*t) for t in r["dropped"]])


_GROUP_PARAMETERS = """
    *groups_ : GroupLike
        Two groups or more, or one list of groups, or one dict naming them
        (no two names alike), or one array or group split by ``groups``.
    groups : sequence, optional
        One label per specimen of the single group given; each label names
        a group (none NaN or None).
    dim : {2, 3}, optional
        The dimension of matrices of specimens x coordinates (default 2);
        arrays and groups say their own, which dim must then agree with."""

_PARTIAL_WARPS = """\
    partial_warps : bool
        True uses partial-warp and uniform scores. False, with
        two-dimensional landmarks, the raw coordinates: the coordinates as
        given, not superimposed (no Procrustes fit), with one more variable,
        each specimen's centroid size for arrays or the file's trailing value
        for a group read from a file (``--raw``). Three-dimensional landmarks
        are analysed and resampled as partial warps either way. The JSON's
        ``settings["shape_variables"]`` names the variables used."""

_ERRORS = """
    Raises
    ------
    VexmoorError
        With the batch's message for bad arguments or data (naming the
        argument, group, specimen and value) or an analysis that fails.
    KeyboardInterrupt
        On Ctrl+C; the run stops within a second.

    Warns
    -----
    VexmoorWarning
        Where the batch warns (unequal inputs and the like)."""


def angle_between(*groups_: GroupLike, k: Optional[Whole] = None, partial_warps: bool = True,
                  dim: Optional[int] = None, groups: Optional[Sequence[object]] = None) -> Result:
    """The angle between the groups' principal-component subspaces.

    Krzanowski's metric and the largest principal angle come with it
    (vexmoor-batch DoMezeyAngle); three groups or more give the pairwise
    tables.

    Parameters
    ----------%(groups)s
    k : int
        The number of principal components compared (required).
%(partial_warps)s

    Returns
    -------
    Result
        ``observed`` holds ``angle``, ``metric`` and ``runtime_angle``.
    %(errors)s

    Examples
    --------
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
    return _run(groups_, "DoMezeyAngle", groups, dim, k=k, partial_warps=partial_warps,
                needs_k="angle_between")


def resample(*groups_: GroupLike, test: str = "bootstrap", k: Optional[Whole] = None, v: Whole = 1,
             seed: Union[Whole, str, None] = None, partial_warps: bool = True,
             dim: Optional[int] = None, groups: Optional[Sequence[object]] = None,
             threads: Optional[Whole] = None) -> Result:
    """A resampling test of the angle between the groups' subspaces.

    Parameters
    ----------%(groups)s
    test : str
        "bootstrap" (BootMezeyAngle, 100·v² replicates), "boot_range"
        (BootConMezeyAngle, 100·v), "range" (RangeMezeyAngle, with Flury's
        test), "shuffle" (PermuteMezeyAngle) or "randomization"
        (RandMezeyAngle).
    k : int
        The number of principal components compared (required).
    v : int
        The resampling size (``-v``).
    seed : int or str, optional
        A whole number from 0 to 2**64 - 1 (or its digits): the same seed
        gives the same numbers as ``vexmoor-batch --seed``. Without one a
        seed is drawn; ``result["settings"]["seed"]`` tells it.
%(partial_warps)s
    threads : int, optional
        1 to 1024 threads for the replicates (default: every core the
        process may use); the numbers do not depend on it.

    Returns
    -------
    Result
        With ``intervals``, ``p_values`` and ``replicates``, a dict of
        numpy arrays (the columns of ``vexmoor-batch --replicates``).
    %(errors)s

    Examples
    --------
    >>> gorf = read_group(example_file("gorf.txt"))
    >>> gorm = read_group(example_file("gorm.txt"))
    >>> r = resample(gorf, gorm, test="shuffle", k=2, seed=7)
    >>> r["settings"]["seed"], list(r["replicates"])
    (7, ['replicate', 'angle_shuffled', 'metric_shuffled'])
    """
    if not isinstance(test, str) or test not in TESTS:
        raise VexmoorError(f'test must be one of {", ".join(TESTS)}; it is {shown(test)}')
    return _run(groups_, TESTS[test], groups, dim, k=k, partial_warps=partial_warps, v=v, seed=seed,
                thread_count=threads, needs_k="resample")


def cpc(*groups_: GroupLike, pcs: Optional[Whole] = None, partial_warps: bool = True,
        dim: Optional[int] = None, groups: Optional[Sequence[object]] = None) -> Result:
    """Flury's hierarchy of common-principal-components models with AIC
    weights (vexmoor-batch RunCPC).

    Parameters
    ----------%(groups)s
    pcs : int, optional
        Fits the models to the scores of the first ``pcs`` principal
        components of the pooled within-group covariance matrix (``--pcs``),
        the usual way when landmarks outnumber specimens; it must be below
        every group's count.
%(partial_warps)s

    Returns
    -------
    Result
        ``models["rows"]``: per model its log-likelihood, parameters, AIC
        and AIC weight.
    %(errors)s

    Examples
    --------
    >>> gorf = read_group(example_file("gorf.txt"))
    >>> gorm = read_group(example_file("gorm.txt"))
    >>> best = max(cpc(gorf, gorm)["models"]["rows"], key=lambda row: row["weight"])
    >>> best["model"], round(best["weight"], 3)
    ('10 CPC', 0.287)
    """
    return _run(groups_, "RunCPC", groups, dim, partial_warps=partial_warps, pcs=pcs)


def components(*groups_: GroupLike, k: Whole, partial_warps: bool = True,
               dim: Optional[int] = None, groups: Optional[Sequence[object]] = None) -> Result:
    """Each group's k leading principal components in the frame the angle
    is measured in (vexmoor-batch PrincipalComponents).

    Parameters
    ----------%(groups)s
    k : int
        The number of leading components per group.
%(partial_warps)s

    Returns
    -------
    Result
        ``components`` (per group: eigenvalues, shares, and per axis the
        loading and the landmark displacement at one standard deviation),
        ``consensus``, ``pooled``, ``scores``, and for two groups
        ``principal_angles`` and ``direction_pairs``.
    %(errors)s

    Examples
    --------
    >>> gorf = read_group(example_file("gorf.txt"))
    >>> gorm = read_group(example_file("gorm.txt"))
    >>> pc = components(gorf, gorm, k=2)
    >>> len(pc["principal_angles"]), len(pc["components"][0]["axes"])
    (2, 2)
    """
    return _run(groups_, "PrincipalComponents", groups, dim, k=k, partial_warps=partial_warps,
                needs_k="components")


# The parameters and failures every analysis shares, written once (no
# docstrings under python -OO).
for _analysis in (angle_between, resample, cpc, components):
    if _analysis.__doc__:
        _analysis.__doc__ = _analysis.__doc__ % {
            "groups": _GROUP_PARAMETERS, "errors": _ERRORS, "partial_warps": _PARTIAL_WARPS}
del _analysis

from .covariance import (common_subspace, covariance_distances,  # noqa: E402
                         matrix_correlation, random_skewers, relative_eigen)
