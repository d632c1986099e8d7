"""One group of specimens, held as a numpy array that the group owns."""

from __future__ import annotations

from typing import Any, Iterator, NamedTuple, Optional, Sequence, Union, overload

import numpy as np
import numpy.typing as npt

from ._core import VexmoorError

#: What indexes specimens: a number, a slice, or numbers or booleans.
SpecimenIndex = Union[slice, Sequence[int], Sequence[bool], npt.NDArray[Any]]


def real_coordinates(x: Any, label: str) -> npt.NDArray[np.float64]:
    """x as a new float64 array; VexmoorError naming ``label`` when it holds
    no real numbers or masks any."""
    if np.ma.isMaskedArray(x):  # type: ignore[no-untyped-call]
        masked = np.argwhere(np.ma.getmaskarray(x))  # type: ignore[no-untyped-call]
        if len(masked):
            at = ", ".join(str(int(i) + 1) for i in masked[0])
            raise VexmoorError(f"{label}: {len(masked)} masked values (the first at position"
                               f" {at}); give complete specimens, without a mask")
        x = np.ma.getdata(x)  # type: ignore[no-untyped-call]
    try:
        a = np.asarray(x)
    except Exception as e:  # ragged lists and the like
        raise VexmoorError(f"{label}: not an array of coordinates ({e})") from None
    if a.dtype.kind not in "iuf":
        raise VexmoorError(f"{label}: the coordinates must be real numbers, not {a.dtype}")
    return np.array(a, dtype=np.float64)


class DroppedSpecimen(NamedTuple):
    """A specimen :func:`vexmoor.read_group` left out for its missing values."""

    specimen: int  #: its number in the file, from 1
    identifier: str
    landmarks: tuple[int, ...]  #: the landmarks missing, from 1


class Group:
    """One group of specimens: their coordinates, identifiers and origin.

    A group behaves like its array where that makes sense: ``len(group)``
    is the number of specimens, ``np.asarray(group)`` the coordinates,
    ``group[i]`` specimen i (landmarks x dimensions) and ``group[2:5]`` or
    ``group[mask]`` a new group of those specimens (in memory, with their
    identifiers).

    Parameters
    ----------
    coords : array_like
        Specimens x landmarks x dimensions (2 or 3), real numbers. The group
        keeps a float64 copy: later changes to the caller's array do not
        reach it.
    identifiers : sequence of str, optional
        One text per specimen; None numbers them.
    file, format : str, optional
        The file the group was read from and its format, as
        :func:`vexmoor.read_group` sets them; None for data made in memory.
    dropped : sequence of DroppedSpecimen, optional
        The file's specimens left out for missing values
        (``read_group(..., drop_incomplete=True)``); the analyses name them.

    Raises
    ------
    VexmoorError
        When ``coords`` is no array of specimens x landmarks x dimensions of
        real numbers, or masks a value.

    Examples
    --------
    >>> import numpy as np
    >>> g = Group(np.zeros((5, 4, 3)), identifiers=list("abcde"))
    >>> g
    Group of 5 specimens, 4 landmarks in 3 dimensions (in memory)
    >>> len(g), np.asarray(g).shape, g[1].shape, g[1:3].identifiers
    (5, (5, 4, 3), (4, 3), ['b', 'c'])
    """

    coords: npt.NDArray[np.float64]
    identifiers: Optional[list[str]]
    file: Optional[str]
    format: Optional[str]
    dropped: tuple[DroppedSpecimen, ...]

    def __init__(self, coords: npt.ArrayLike, identifiers: Optional[Sequence[str]] = None,
                 file: Optional[str] = None, format: Optional[str] = None,
                 dropped: Sequence[DroppedSpecimen] = ()) -> None:
        label = "Group" if file is None else file
        a = real_coordinates(coords, label)
        if a.ndim != 3:
            raise VexmoorError(f"{label}: a group's coords must be specimens x landmarks x"
                               f" dimensions, not an array of shape {a.shape}")
        self.coords = a
        self.identifiers = None if identifiers is None else [str(i) for i in identifiers]
        self.file = file
        self.format = format
        self.dropped = tuple(DroppedSpecimen(*d) for d in dropped)

    @property
    def shape(self) -> tuple[int, int, int]:
        """(specimens, landmarks, dimensions)."""
        n, p, d = self.coords.shape
        return n, p, d

    def __len__(self) -> int:
        return int(self.coords.shape[0])

    def __array__(self, dtype: Optional[npt.DTypeLike] = None,
                  copy: Optional[bool] = None) -> npt.NDArray[Any]:
        if dtype is None and not copy:
            return self.coords
        return self.coords.astype(np.float64 if dtype is None else dtype)

    @overload
    def __getitem__(self, index: int) -> npt.NDArray[np.float64]: ...

    @overload
    def __getitem__(self, index: SpecimenIndex) -> Group: ...

    def __getitem__(self, index: Union[int, SpecimenIndex]) -> Union[npt.NDArray[np.float64], Group]:
        if isinstance(index, (int, np.integer)) and not isinstance(index, (bool, np.bool_)):
            specimen: npt.NDArray[np.float64] = self.coords[int(index)].copy()
            return specimen
        if isinstance(index, tuple):
            raise VexmoorError("a group is indexed by specimen only; index group.coords for"
                               " landmarks and dimensions")
        rows = np.arange(len(self))[index]
        ids = None if self.identifiers is None else [self.identifiers[i] for i in rows]
        return Group(self.coords[rows], identifiers=ids)

    def __iter__(self) -> Iterator[npt.NDArray[np.float64]]:
        for i in range(len(self)):
            yield self.coords[i].copy()

    def __repr__(self) -> str:
        n, p, d = self.shape
        source = "in memory" if self.file is None else f'{self.format} file "{self.file}"'
        left = (f"; {len(self.dropped)} left out for missing values: "
                + ", ".join(d.identifier for d in self.dropped)) if self.dropped else ""
        return f"Group of {n} specimens, {p} landmarks in {d} dimensions ({source}{left})"
