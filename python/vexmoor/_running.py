"""Runs an analysis through the library: the settings every analysis
shares, checked and converted, then the result as a :class:`Result`."""

from __future__ import annotations

import warnings
from typing import Any, Iterable, Optional, Sequence

from . import _core
from ._core import VexmoorError
from ._inputs import dimension, flag, input_groups, number, with_within
from .result import Result


class VexmoorWarning(UserWarning):
    """What vexmoor-batch prints as a warning (a file's oddity, unequal inputs)."""


def _warn(messages: Iterable[str]) -> None:
    for message in messages:
        warnings.warn(message, VexmoorWarning, stacklevel=3)


def _run(args: Sequence[object], action: str, groups: Optional[Sequence[object]], dim: object,
         k: object = None, partial_warps: object = True, v: object = 1, seed: object = None,
         pcs: object = None, thread_count: object = None, needs_k: Optional[str] = None,
         covariance: Optional[dict[str, Any]] = None, within: object = None) -> Result:
    if needs_k and k is None:
        raise VexmoorError(f"{needs_k} needs k, the number of principal components to compare")
    d = dimension(dim)
    settings = {"action": action, "three_d": d == 3,
                "partial_warps": flag("partial_warps", partial_warps),
                "k": number("k", k), "v": number("v", v), "seed": number("seed", seed, text=True),
                "pcs": number("pcs", pcs), "threads": number("threads", thread_count)}
    if covariance is not None:
        settings["covariance"] = covariance
    inputs, named, labels = input_groups(args, groups, d)
    with_within(inputs, within, labels is not None)
    r = _core.run(inputs, named, labels, settings)
    _warn(r["warnings"])
    result = Result(r["document"])
    if r["note"]:
        result["note"] = r["note"]
    if r["replicates"] is not None:
        result["replicates"] = r["replicates"]
    return result
