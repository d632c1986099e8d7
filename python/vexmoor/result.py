"""The result of an analysis: its JSON document as Python objects, with
the replicates as numpy arrays, and the tables made from it."""

from __future__ import annotations

import importlib
import json
import math
import os
from typing import Any, Callable, Optional

import numpy as np

from ._core import VexmoorError

Row = dict[str, Any]


class Result(dict[str, Any]):
    """The JSON document of a run (docs/json.md) as Python objects.

    Keys: ``text``, ``settings`` (with the seed the run used), ``groups``,
    ``observed``, ``intervals``, ``p_values``, ``models``; ``pairs`` and
    ``tables`` for three or more groups; the principal components' members
    for :func:`vexmoor.components`. Resampling tests add ``replicates``, a
    dict of numpy arrays with the columns of ``vexmoor-batch --replicates``,
    and ``note`` where the batch prints a note below the text.

    ``str()`` and ``print()`` give the result text exactly as the batch
    prints it (with the note); ``repr()`` one line: the action, the groups
    and the main figure. :meth:`to_json` gives the document as JSON text and
    :meth:`to_frame` its tables as pandas DataFrames.
    """

    def __str__(self) -> str:
        return str(self["text"]) + ("\n" + str(self["note"]) if "note" in self else "")

    def __repr__(self) -> str:
        names = ", ".join(str(g.get("name") or os.path.basename(g["file"]))
                          for g in self.get("groups", []))
        figure = _main_figure(self)
        replicates = self.get("replicates")
        if replicates is not None:
            count = len(replicates["replicate"])
            figure += f"; {count} replicates, seed {self['settings']['seed']}"
        return f"<vexmoor.Result {self.get('action')} of {names}: {figure}>"

    def to_json(self, indent: Optional[int] = None) -> str:
        """The result as JSON text.

        Parameters
        ----------
        indent : int, optional
            Indents nested members by that many blanks; None gives one line.

        Returns
        -------
        str
            The document as ``vexmoor-batch --json`` prints it, plus
            ``replicates`` (the columns as arrays of numbers, undefined
            values as null) and ``note`` where the result has them.

        Examples
        --------
        >>> import json, vexmoor
        >>> gorf = vexmoor.read_group(vexmoor.example_file("gorf.txt"))
        >>> gorm = vexmoor.read_group(vexmoor.example_file("gorm.txt"))
        >>> r = vexmoor.resample(gorf, gorm, test="shuffle", k=2, seed=7)
        >>> json.loads(r.to_json())["replicates"]["replicate"][:3]
        [1, 2, 3]
        """
        return json.dumps(_plain(dict(self)), indent=indent, allow_nan=False, ensure_ascii=False)

    def tables(self) -> list[str]:
        """The names :meth:`to_frame` takes for this result."""
        return [name for name, (_, applies) in _TABLES.items() if applies(self)] + \
            [name for name in _MATRIX_NAMES if _any_value((self.get("tables") or {}).get(name))]

    def to_frame(self, name: str) -> Any:
        """One table of the result as a pandas DataFrame.

        Parameters
        ----------
        name : str
            ``"observed"``, ``"intervals"`` and ``"p_values"`` (one row per
            statistic; with three or more groups per pair and statistic,
            the pair's groups in ``group_a`` and ``group_b``),
            ``"replicates"`` (one row per replicate), ``"models"`` (the CPC
            hierarchy), ``"groups"``, ``"scores"`` (principal components: one
            row per specimen) or, for three or more groups, a pairwise table
            ``"angle"``, ``"runtime_angle"``, ``"metric"`` or ``"flury"``
            (groups as index and columns). :meth:`tables` lists those this
            result has.

        Returns
        -------
        pandas.DataFrame

        Raises
        ------
        VexmoorError
            When the result has no such table.
        ModuleNotFoundError
            When pandas is not installed (Debian: python3-pandas).

        Examples
        --------
        >>> import vexmoor
        >>> gorf = vexmoor.read_group(vexmoor.example_file("gorf.txt"))
        >>> gorm = vexmoor.read_group(vexmoor.example_file("gorm.txt"))
        >>> r = vexmoor.resample(gorf, gorm, test="range", k=2, seed=1)
        >>> r.to_frame("p_values")[["name", "p"]].head(2)
                          name         p
        0   angle_above_group1  0.009901
        1  metric_below_group1  0.019802
        """
        try:
            pd: Any = importlib.import_module("pandas")
        except ModuleNotFoundError:
            raise ModuleNotFoundError("Result.to_frame needs pandas (Debian: python3-pandas)",
                                      name="pandas") from None
        if name in _MATRIX_NAMES and name in self.tables():
            names = [str(g["name"]) for g in self["groups"]]
            return pd.DataFrame(self["tables"][name], index=names, columns=names, dtype=float)
        if name not in self.tables():
            raise VexmoorError(f"this result has no table {name!r}; it has"
                               f" {', '.join(repr(t) for t in self.tables())}")
        return pd.DataFrame(_TABLES[name][0](self))


def _main_figure(r: Result) -> str:
    models = r.get("models")
    if models and models.get("rows"):
        best = max(models["rows"], key=lambda row: -math.inf if row["weight"] is None else row["weight"])
        return f"best model {best['model']} (AIC weight {_number(best['weight'], 3)})"
    observed = r.get("observed")
    if observed and "angle" in observed:
        k = r["settings"]["components"]
        return f"angle {_number(observed['angle'], 2)} degrees on {k} components"
    if r.get("pairs"):
        return f"{len(r['pairs'])} pairs of groups"
    return "no figures"


def _any_value(matrix: Optional[list[list[Optional[float]]]]) -> bool:
    return matrix is not None and any(v is not None for row in matrix for v in row)


def _number(value: Optional[float], digits: int) -> str:
    return "undefined" if value is None else f"{value:.{digits}f}"


def _plain(value: Any) -> Any:
    """value with numpy arrays and scalars as lists and numbers, and every
    number that is not finite as None, as the document gives them."""
    if isinstance(value, dict):
        return {k: _plain(v) for k, v in value.items()}
    if isinstance(value, (list, tuple)):
        return [_plain(v) for v in value]
    if isinstance(value, np.ndarray):
        return _plain(value.tolist())
    if isinstance(value, np.generic):
        return _plain(value.item())
    if isinstance(value, float) and not math.isfinite(value):
        return None
    return value


def _per_pair(member: str) -> Callable[[Result], list[Row]]:
    """The rows of a per-statistic member: the two-group document's own, or
    every pair's with the pair's groups in front."""

    def rows(r: Result) -> list[Row]:
        if r.get("pairs"):
            return [{"group_a": p["groups"][0], "group_b": p["groups"][1], **row}
                    for p in r["pairs"] for row in _as_rows(p[member])]
        return _as_rows(r[member])

    return rows


def _as_rows(value: Any) -> list[Row]:
    if value is None:
        return []
    return [dict(value)] if isinstance(value, dict) else [dict(row) for row in value]


def _has(member: str) -> Callable[[Result], bool]:
    def applies(r: Result) -> bool:
        if r.get("pairs"):
            return any(p.get(member) for p in r["pairs"])
        return bool(r.get(member))

    return applies


def _groups(r: Result) -> list[Row]:
    return [{k: v for k, v in g.items() if k != "identifiers"} for g in r["groups"]]


def _scores(r: Result) -> list[Row]:
    rows = []
    for s in r["scores"]:
        row = {k: s[k] for k in ("group", "specimen", "identifier")}
        row.update({f"pooled_{i + 1}": v for i, v in enumerate(s["pooled"])})
        row.update({f"own_{i + 1}": v for i, v in enumerate(s["own"])})
        rows.append(row)
    return rows


# name: (rows, whether the result has the table)
_TABLES: dict[str, tuple[Callable[[Result], Any], Callable[[Result], bool]]] = {
    "observed": (_per_pair("observed"), _has("observed")),
    "intervals": (_per_pair("intervals"), _has("intervals")),
    "p_values": (_per_pair("p_values"), _has("p_values")),
    "replicates": (lambda r: r["replicates"], lambda r: r.get("replicates") is not None),
    "models": (lambda r: r["models"]["rows"], lambda r: bool(r.get("models"))),
    "groups": (_groups, lambda r: bool(r.get("groups"))),
    "scores": (_scores, lambda r: bool(r.get("scores"))),
}
_MATRIX_NAMES = ["angle", "runtime_angle", "metric", "flury"]
