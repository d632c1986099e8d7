"""The arguments of the package's functions checked and turned into what
the compiled module takes: every argument exactly its documented type,
groups as rows of coordinates with their names."""

from __future__ import annotations

import math
import numbers
import os
from typing import Any, Iterable, Optional, Sequence, Union, cast

import numpy as np
import numpy.typing as npt

from . import _core
from ._core import VexmoorError
from .group import Group, real_coordinates

#: A whole number: Python's or numpy's (a float with no fraction is taken too).
Whole = Union[int, np.integer[Any]]


def shown(value: object) -> str:
    """A value as a message shows it: text quoted and called text, so that
    "3" and 3 read differently."""
    if isinstance(value, (str, bytes)):
        return f"the text {value!r}"
    if isinstance(value, np.ndarray):
        return f"an array of shape {value.shape}"
    return repr(value)


def number(name: str, value: object, text: bool = False) -> Union[int, float, str, None]:
    """value for the library, whose rule for the setting decides its range
    and wholeness: an int (Python's or numpy's), a float, or with ``text``
    also a str of digits; None stays None. Booleans are no numbers here."""
    if value is None:
        return None
    if isinstance(value, (bool, np.bool_)) or not (
            isinstance(value, numbers.Real) or (text and isinstance(value, str))):
        kind = "a whole number or its digits as text" if text else "a whole number"
        raise VexmoorError(f"{name} must be {kind}; it is {shown(value)}")
    if isinstance(value, numbers.Integral):
        return int(value)
    return value if isinstance(value, str) else float(value)


def flag(name: str, value: object) -> bool:
    """True or False (Python's or numpy's), nothing that merely converts."""
    if isinstance(value, (bool, np.bool_)):
        return bool(value)
    raise VexmoorError(f"{name} must be True or False; it is {shown(value)}")


def dimension(dim: object) -> Optional[int]:
    if dim is None:
        return None
    if isinstance(dim, (bool, np.bool_)) or not isinstance(dim, numbers.Real) or dim not in (2, 3):
        raise VexmoorError(f"dim must be 2 or 3; it is {shown(dim)}")
    return int(dim)


def file_path(path: object) -> str:
    if isinstance(path, os.PathLike):
        path = os.fspath(path)
    if not isinstance(path, (str, bytes)):
        raise VexmoorError(f"path must be one file name; it is {type(path).__name__}")
    if (isinstance(path, bytes) and b"\0" in path) or (isinstance(path, str) and "\0" in path):
        # As open() refuses it: the system would read up to the NUL only.
        raise VexmoorError(f"path {path!r} holds a NUL character, which no file name can")
    return os.fsdecode(os.path.expanduser(path))


def _rows(a: npt.NDArray[np.float64]) -> npt.NDArray[np.float64]:
    """Specimens x landmarks x dimensions as rows x1 y1 [z1] x2 ..."""
    return np.ascontiguousarray(a.reshape(a.shape[0], int(np.prod(a.shape[1:]))))


def _fit_coords(x: object) -> Any:
    """The ``coords`` of a Procrustes fit kept as a dict or an object (as
    geomorph's gpagen keeps them beside ``Csize``), or None."""
    if isinstance(x, dict):
        return x.get("coords")
    if not isinstance(x, (Group, np.ndarray, list, tuple, str, bytes)) and x is not None:
        return getattr(x, "coords", None)
    return None


def _is_fit(x: object) -> bool:
    return _fit_coords(x) is not None


def _shape_text(shape: tuple[int, ...]) -> str:
    return f"{shape[1]} landmarks x {shape[2]} dimensions"


def _input_group(x: object, dim: Optional[int], label: str, name: str) -> dict[str, Any]:
    """One group as the library interface takes it."""
    if isinstance(x, Group):
        a = real_coordinates(x.coords, label if x.file is None else x.file)
        if a.ndim != 3:
            raise VexmoorError(f"{label}: a group's coords must be specimens x landmarks x dimensions")
        if dim is not None and dim != a.shape[2]:
            raise VexmoorError(f"dim={dim} contradicts {label}, whose coords are"
                               f" {_shape_text(a.shape)}")
        return {"coords": _rows(a), "dim": a.shape[2],
                "identifiers": None if x.identifiers is None else [str(i) for i in x.identifiers],
                "label": label if x.file is None else x.file, "file": x.file,
                "format": x.format if x.format is not None else "plain", "name": name,
                "dropped": [tuple(d) for d in x.dropped] if x.file is not None else []}
    if _is_fit(x):
        x = _fit_coords(x)
    elif isinstance(x, dict):
        raise VexmoorError(f"{label}: a dict is a group when it holds the array \"coords\"; this"
                           f" one holds {', '.join(repr(k) for k in x) or 'nothing'}")
    if isinstance(x, (str, bytes)) or x is None:
        raise VexmoorError(f"{label}: a group is a Group, an array of specimens x landmarks x"
                           " dimensions, or a matrix of specimens x coordinates")
    a = real_coordinates(x, label)
    if a.ndim == 3:
        if dim is not None and dim != a.shape[2]:
            raise VexmoorError(f"dim={dim} contradicts {label}, an array of"
                               f" {_shape_text(a.shape)}")
        d = a.shape[2]
    elif a.ndim == 2:
        d = 2 if dim is None else dim
    else:
        raise VexmoorError(f"{label}: a group is a Group, an array of specimens x landmarks x"
                           f" dimensions, or a matrix of specimens x coordinates, not an array of"
                           f" {a.ndim} dimensions")
    return {"coords": _rows(a), "dim": d,
            "identifiers": None, "label": label, "file": None, "format": None, "name": name,
            "dropped": []}


def _labels(labels: object) -> list[str]:
    """One text per specimen; NaN and None name no group."""
    if isinstance(labels, (str, bytes)):
        raise VexmoorError("groups= needs one label per specimen, not one text")
    out = []
    for i, g in enumerate(cast(Iterable[object], labels)):
        missing = g is None or (isinstance(g, numbers.Real) and not isinstance(g, numbers.Integral)
                                and math.isnan(g))
        if missing:
            raise VexmoorError(f"groups=: the label of specimen {i + 1} is {g!r}; every specimen"
                               " needs a group")
        out.append(str(g))
    return out


def _sub_groups(labels: object, what: str) -> list[str]:
    """One sub-group per specimen of ``what``; NaN and None name none."""
    if isinstance(labels, (str, bytes)) or not isinstance(labels, Iterable):
        raise VexmoorError(f"within= needs one sub-group per specimen of {what}; it is"
                           f" {shown(labels)}")
    out = []
    for i, g in enumerate(labels):
        missing = g is None or (isinstance(g, numbers.Real) and not isinstance(g, numbers.Integral)
                                and math.isnan(g))
        if missing:
            raise VexmoorError(f"within= gives specimen {i + 1} of {what} no sub-group ({g!r})")
        out.append(str(g))
    return out


def with_within(inputs: list[dict[str, Any]], within: object, split: bool) -> None:
    """``within=``: each specimen's sub-group (sex, say). With ``groups=``
    one label per specimen of the data; otherwise one sequence per group."""
    if within is None:
        return
    if split:
        inputs[0]["within"] = _sub_groups(within, "the data")
        return
    parts = list(cast(Iterable[object], within)) if isinstance(within, (list, tuple)) else None
    if parts is None or len(parts) != len(inputs):
        raise VexmoorError(f"within= needs a list of {len(inputs)} sequences, one sub-group per"
                           " specimen of each group (or one sequence with groups=)")
    for g, labels in zip(inputs, parts):
        g["within"] = _sub_groups(labels, g["label"])


def input_groups(args: Sequence[object], labels: object,
                 dim: Optional[int]) -> tuple[list[dict[str, Any]], bool, Optional[list[str]]]:
    """The groups of a call: two or more arguments, one list or dict of
    groups, or one array split by ``labels``."""
    names = None
    if len(args) == 1 and isinstance(args[0], dict) and not _is_fit(args[0]):
        names = [str(key) for key in args[0]]
        args = list(args[0].values())
    elif len(args) == 1 and isinstance(args[0], (list, tuple)):
        args = list(args[0])
    if labels is not None:
        if len(args) != 1:
            raise VexmoorError("groups= splits one array or group; give just one")
        return [_input_group(args[0], dim, "the data", "")], True, _labels(labels)
    if len(args) < 2:
        raise VexmoorError("give two groups or more (or one with groups=)")
    named = len(args) > 2 or (names is not None and all(names))
    files = [a.file if isinstance(a, Group) else None for a in args]
    # Groups named by their files come from distinct files, as on the
    # batch's command line.
    once = named and names is None
    stems = _core.file_group_names(files, once) if None not in files else None  # type: ignore[arg-type]
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
