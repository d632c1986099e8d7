"""The analyses that compare the groups' covariance matrices as a whole:
relative eigenanalysis, Riemannian distances and their ordination, random
skewers, matrix correlation and the common subspace. Each equals the batch
front end's action of the same settings (docs/covariance.md)."""

from __future__ import annotations

from typing import Optional, Sequence, Union

from ._core import VexmoorError
from ._inputs import Whole, flag, number, shown
from ._running import _run
from .result import Result

_SHARED = """
    pcs : int, optional
        First reduce the variables to this many principal components of the
        pooled within-group covariance matrix.
    total_pcs : int, optional
        First reduce them to this many principal components of all specimens
        together (centred on the grand mean); not with ``pcs``. A covariance
        matrix of more variables than its group has specimens is singular
        and refused.
    seed : int or str, optional
        The resampling's seed, 0 to 2**64 - 1; None: a fresh one, reported
        in the result.
    partial_warps : bool
        As for :func:`vexmoor.angle_between`.
    dim : {2, 3}, optional
        The dimension of matrices of specimens x coordinates.
    groups : sequence, optional
        One label per specimen of the single group given.
    within : sequence, optional
        Each specimen's sub-group (sex, say): each group's covariance matrix
        is then the unweighted mean of its sub-groups' matrices (divisor
        n - 1 in each). With ``groups``, one label per specimen of the data;
        otherwise a list of one sequence per group. Every sub-group needs 2
        specimens at least.
    threads : int, optional
        1 to 1024 threads for the replicates (default: every core).

    Returns
    -------
    Result
        The batch run's JSON document: ``text``, ``settings``, ``groups``,
        ``variables`` and the analysis's own member; ``replicates`` when it
        drew any.

    Raises
    ------
    VexmoorError
        With the batch's message for bad arguments or data.
    KeyboardInterrupt
        On Ctrl+C; the run stops within a second."""


def _covariance(groups_: Sequence[object], action: str, groups: Optional[Sequence[object]],
                dim: object, pcs: object, total_pcs: object, v: object, seed: object,
                partial_warps: object, threads: object, k: object = None,
                reference: object = None, log_euclidean: object = False,
                diagonal: object = False, mean_angle: object = False,
                within: object = None) -> Result:
    if reference is not None and not isinstance(reference, str):
        raise VexmoorError(f"reference must be one group name; it is {shown(reference)}")
    settings = {"total_pcs": number("total_pcs", total_pcs),
                "reference": reference,
                "log_euclidean": flag("log_euclidean", log_euclidean),
                "diagonal": flag("diagonal", diagonal),
                "mean_angle": flag("mean_angle", mean_angle),
                "resample": v is not None}
    return _run(groups_, action, groups, dim, k=k, partial_warps=partial_warps,
                v=1 if v is None else v, seed=seed, pcs=pcs, thread_count=threads,
                covariance=settings, within=within)


def relative_eigen(*groups_: object, reference: Optional[str] = None,
                   pcs: Optional[Whole] = None, total_pcs: Optional[Whole] = None,
                   v: Optional[Whole] = None, seed: Union[Whole, str, None] = None,
                   partial_warps: bool = True, dim: Optional[int] = None,
                   groups: Optional[Sequence[object]] = None,
                   threads: Optional[Whole] = None,
                   within: Optional[Sequence[object]] = None) -> Result:
    """Relative eigenanalysis of each pair of groups (vexmoor-batch
    RelativeEigenanalysis): the directions of maximal and minimal variance
    ratio, the ratio of generalised variances and a test of proportionality.

    Parameters
    ----------
    *groups_ : GroupLike
        Two groups or more, as for :func:`vexmoor.angle_between`.
    reference : str, optional
        Every other group relative to the group of this name; None: every
        pair.
    v : int, optional
        Bootstrap the relative eigenvalues with 100 v**2 replicates.
    %s

    Examples
    --------
    >>> from vexmoor import example_file, read_group
    >>> gorf = read_group(example_file("gorf.txt"))
    >>> gorm = read_group(example_file("gorm.txt"))
    >>> r = relative_eigen(gorf, gorm, pcs=4)
    >>> len(r["relative_eigenanalysis"][0]["eigenvalues"])
    4
    """
    return _covariance(groups_, "RelativeEigenanalysis", groups, dim, pcs, total_pcs, v, seed,
                       partial_warps, threads, reference=reference, within=within)


def covariance_distances(*groups_: object, log_euclidean: bool = False,
                         pcs: Optional[Whole] = None, total_pcs: Optional[Whole] = None,
                         v: Optional[Whole] = None, seed: Union[Whole, str, None] = None,
                         partial_warps: bool = True, dim: Optional[int] = None,
                         groups: Optional[Sequence[object]] = None,
                         threads: Optional[Whole] = None,
                         within: Optional[Sequence[object]] = None) -> Result:
    """Riemannian distances between the groups' covariance matrices and
    their ordination (vexmoor-batch CovarianceDistances).

    Parameters
    ----------
    *groups_ : GroupLike
        Two groups or more.
    log_euclidean : bool
        The log-Euclidean distances as well.
    v : int, optional
        A permutation test of each distance with 100 v**2 replicates.
    %s

    Examples
    --------
    >>> from vexmoor import example_file, read_group
    >>> groups = [read_group(example_file(f)) for f in ("gorf.txt", "gorm.txt")]
    >>> d = covariance_distances(*groups, pcs=4)
    >>> len(d["distances"]["riemannian"])
    2
    """
    return _covariance(groups_, "CovarianceDistances", groups, dim, pcs, total_pcs, v, seed,
                       partial_warps, threads, log_euclidean=log_euclidean, within=within)


def random_skewers(*groups_: object, mean_angle: bool = False, v: Whole = 1,
                   pcs: Optional[Whole] = None, total_pcs: Optional[Whole] = None,
                   seed: Union[Whole, str, None] = None, partial_warps: bool = True,
                   dim: Optional[int] = None, groups: Optional[Sequence[object]] = None,
                   threads: Optional[Whole] = None,
                   within: Optional[Sequence[object]] = None) -> Result:
    """Random skewers of each pair of groups (vexmoor-batch RandomSkewers):
    the mean correlation of the responses to the same random selection
    vectors, and its p-value.

    Parameters
    ----------
    *groups_ : GroupLike
        Two groups or more.
    mean_angle : bool
        The mean angle between the responses as well.
    v : int
        100 v**2 skewers.
    %s

    Examples
    --------
    >>> from vexmoor import example_file, read_group
    >>> groups = [read_group(example_file(f)) for f in ("gorf.txt", "gorm.txt")]
    >>> s = random_skewers(*groups, seed=1, threads=1)
    >>> s["random_skewers"][0]["vectors"]
    100
    """
    return _covariance(groups_, "RandomSkewers", groups, dim, pcs, total_pcs, v, seed,
                       partial_warps, threads, mean_angle=mean_angle, within=within)


def matrix_correlation(*groups_: object, diagonal: bool = False, v: Optional[Whole] = None,
                       pcs: Optional[Whole] = None, total_pcs: Optional[Whole] = None,
                       seed: Union[Whole, str, None] = None, partial_warps: bool = True,
                       dim: Optional[int] = None, groups: Optional[Sequence[object]] = None,
                       threads: Optional[Whole] = None,
                       within: Optional[Sequence[object]] = None) -> Result:
    """The correlation of each pair's covariance matrices, element by
    element (vexmoor-batch MatrixCorrelation).

    Parameters
    ----------
    *groups_ : GroupLike
        Two groups or more.
    diagonal : bool
        Correlate the diagonal elements too.
    v : int, optional
        A Mantel-type permutation test with 100 v**2 permutations.
    %s

    Examples
    --------
    >>> from vexmoor import example_file, read_group
    >>> groups = [read_group(example_file(f)) for f in ("gorf.txt", "gorm.txt")]
    >>> -1 <= matrix_correlation(*groups)["matrix_correlation"][0]["correlation"] <= 1
    True
    """
    return _covariance(groups_, "MatrixCorrelation", groups, dim, pcs, total_pcs, v, seed,
                       partial_warps, threads, diagonal=diagonal, within=within)


def common_subspace(*groups_: object, k: Whole, v: Optional[Whole] = None,
                    pcs: Optional[Whole] = None, total_pcs: Optional[Whole] = None,
                    seed: Union[Whole, str, None] = None, partial_warps: bool = True,
                    dim: Optional[int] = None, groups: Optional[Sequence[object]] = None,
                    threads: Optional[Whole] = None,
                    within: Optional[Sequence[object]] = None) -> Result:
    """Krzanowski's common subspace of the groups' first k components
    (vexmoor-batch CommonSubspace): the eigenvalues and vectors of
    H = sum of A_i A_i^T, and each group's angles to H's leading vectors.

    Parameters
    ----------
    *groups_ : GroupLike
        Two groups or more.
    k : int
        Each group's number of leading components.
    v : int, optional
        A null of H's eigenvalues from 100 v**2 random reassignments of the
        specimens to groups.
    %s

    Examples
    --------
    >>> from vexmoor import example_file, read_group
    >>> groups = [read_group(example_file(f)) for f in ("gorf.txt", "gorm.txt")]
    >>> h = common_subspace(*groups, k=2)
    >>> h["common_subspace"]["k"]
    2
    """
    return _covariance(groups_, "CommonSubspace", groups, dim, pcs, total_pcs, v, seed,
                       partial_warps, threads, k=k, within=within)


for _analysis in (relative_eigen, covariance_distances, random_skewers, matrix_correlation,
                  common_subspace):
    if _analysis.__doc__:
        _analysis.__doc__ = _analysis.__doc__ % _SHARED
del _analysis
