"""Failures are VexmoorError (a ValueError) with the batch's message; an
interrupt stops a run within a second; the interpreter stays responsive."""
import ctypes
import doctest
import importlib.util
import inspect
import os
import signal
import threading
import time
import types

import numpy as np
import pytest

import vexmoor


def message_of(call, *args, **kwargs):
    with pytest.raises(vexmoor.VexmoorError) as e:
        call(*args, **kwargs)
    assert isinstance(e.value, ValueError)
    return str(e.value)


def test_errors_carry_the_batch_front_ends_message(batch, files, tmp_path):
    gorf, gorm = files["gorf"], files["gorm"]
    bad = tmp_path / "bad.txt"
    bad.write_text("1 2 3 4 5 6 7\n1 2 x 4 5 6 7\n")
    assert message_of(vexmoor.read_group, bad) == batch(["DoMezeyAngle", str(bad), gorm, "-k", "1"])[2]
    f = vexmoor.read_group(gorf)
    m = vexmoor.read_group(gorm)
    assert message_of(vexmoor.angle_between, f, m, k=20) == \
        batch(["DoMezeyAngle", gorf, gorm, "-k", "20"])[2]
    # The batch names its option where the package names its argument.
    assert message_of(vexmoor.resample, f, m, k=2, v=101, seed=1) == \
        batch(["BootMezeyAngle", gorf, gorm, "-k", "2", "-v", "101"])[2].replace(
            "option -v: ", "argument v: ")
    assert message_of(vexmoor.angle_between, f, m, f, k=2) == \
        batch(["DoMezeyAngle", gorf, gorm, gorf, "-k", "2"])[2]


def test_bad_input_is_an_error_never_a_crash(files):
    f = vexmoor.read_group(files["gorf"])
    m = vexmoor.read_group(files["gorm"])
    nan = f.coords.copy()
    nan[1, 0, 0] = np.nan
    assert "group 1, specimen 2, coordinate 1: NaN is not a finite number" in \
        message_of(vexmoor.angle_between, nan, m, k=2)
    assert "7 group labels for 30 specimens" in \
        message_of(vexmoor.angle_between, f, groups=list("abcdefg"), k=2)
    assert "holds a line break" in message_of(vexmoor.angle_between, {"a\nb": f, "c": m}, k=2)
    assert "dim must be 2 or 3" in message_of(vexmoor.angle_between, f, m, k=2, dim=4)
    assert "test must be one of" in message_of(vexmoor.resample, f, m, test="jackknife", k=2)
    assert "seed must be a whole number" in message_of(vexmoor.resample, f, m, k=2, seed=-1)
    assert "seed must be a whole number" in message_of(vexmoor.resample, f, m, k=2, seed=2**64)
    assert "argument v: the resampling size v must be a whole number from 1 to 100; 0 is out" \
        " of range" == message_of(vexmoor.resample, f, m, k=2, v=0)
    message_of(vexmoor.read_group, "/nonexistent/x.txt")
    message_of(vexmoor.read_group, 42)
    for args in [(f,), (f, "gorm.txt"), (f, np.array([["a", "b"]])), (f, np.ones((5, 5))),
                 (f, np.ones(5)), (f, np.ones((0, 8, 2))), (f, np.ones((4, 8, 4))),
                 (f, [[1, 2], [3]]), (f, np.ones((30, 8, 2), dtype=complex))]:
        message_of(vexmoor.angle_between, *args, k=2)
    message_of(vexmoor.angle_between, f, m, k=2, dim=3)


def test_an_interrupt_stops_a_run_and_the_gil_is_free_meanwhile(files):
    f = vexmoor.read_group(files["gorf"])
    m = vexmoor.read_group(files["gorm"])
    counted = [0]
    done = threading.Event()

    def count():
        while not done.is_set():
            counted[0] += 1
            time.sleep(0.001)

    counter = threading.Thread(target=count)
    counter.start()
    sent = []

    def interrupt():
        sent.append(time.monotonic())
        os.kill(os.getpid(), signal.SIGINT)

    timer = threading.Timer(1.0, interrupt)
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            vexmoor.resample(f, m, test="range", k=2, v=50, seed=1)
        stopped = time.monotonic()
    finally:
        done.set()
        counter.join()
        timer.cancel()
    # The Python thread ran while the analysis went on.
    assert counted[0] > 100
    assert stopped - sent[0] < 1.0
    assert vexmoor.angle_between(f, m, k=2)["observed"]["angle"] > 0


def test_docstring_examples_run():
    # The tables' examples need pandas, which the package does not.
    modules = [vexmoor, vexmoor.group, vexmoor.covariance] + [vexmoor.result] * bool(importlib.util.find_spec("pandas"))
    for module in modules:
        failures, tried = doctest.testmod(module, optionflags=doctest.ELLIPSIS)
        assert tried > 0 and failures == 0, module.__name__
    # help() shows every section of every public function.
    for name in vexmoor.__all__:
        if inspect.isfunction(getattr(vexmoor, name)):
            doc = getattr(vexmoor, name).__doc__
            assert all(s in doc for s in ("Parameters", "Returns", "Raises", "Examples")), name
            assert "%s" not in doc, name


def test_arguments_take_exactly_their_documented_type(files):
    f = vexmoor.read_group(files["gorf"])
    m = vexmoor.read_group(files["gorm"])
    for bad in ["False", 0, 1, None]:
        assert "partial_warps must be True or False" in \
            message_of(vexmoor.angle_between, f, m, k=2, partial_warps=bad)
    for bad, shown in [(True, "True"), ("3", "the text '3'")]:
        assert message_of(vexmoor.angle_between, f, m, k=bad) == \
            f"k must be a whole number; it is {shown}"
    assert message_of(vexmoor.angle_between, f, m, k=2.5) == "argument k: the number of" \
        " components must be a whole number from 1 to the number of shape variables; 2.5 is not" \
        " a whole number"
    assert message_of(vexmoor.resample, f, m, k=2, v="3").endswith("it is the text '3'")
    assert "argument threads: the number of threads must be a whole number from 1 to 1024" in \
        message_of(vexmoor.resample, f, m, k=2, threads=0)
    # numpy's integers and whole floats are whole numbers.
    assert vexmoor.angle_between(f, m, k=np.int64(2))["observed"] == \
        vexmoor.angle_between(f, m, k=2.0)["observed"]
    three = np.random.default_rng(1).random((10, 5, 3))
    assert "dim=2 contradicts group 1" in message_of(vexmoor.angle_between, three, three, k=1, dim=2)
    # Messages speak of arguments and arrays.
    assert message_of(vexmoor.angle_between, f, m) == \
        "angle_between needs k, the number of principal components to compare"
    assert "holds 7 landmarks" in message_of(vexmoor.angle_between, f, m.coords[:, :7], k=1)
    assert "argument pcs" in message_of(vexmoor.cpc, f.coords[:5], m)


def test_inputs_are_taken_as_given_or_refused(files):
    f = vexmoor.read_group(files["gorf"])
    m = vexmoor.read_group(files["gorm"])
    assert "NUL" in message_of(vexmoor.read_group, files["gorf"] + "\0.bak")
    assert "dim must be 2 or 3" in message_of(vexmoor.read_group, files["gorf"], dim=7)
    assert "both named \"1\"" in message_of(vexmoor.angle_between, {1: f, "1": m}, k=2)
    both = np.concatenate([f.coords, m.coords])
    assert "specimen 1 is nan" in \
        message_of(vexmoor.angle_between, both, groups=[np.nan] * 30 + ["m"] * 29, k=2)
    expected = vexmoor.angle_between(f, m, k=2)["observed"]
    masked = np.ma.masked_array(f.coords, mask=False)
    assert vexmoor.angle_between(masked, m, k=2)["observed"] == expected
    masked[3, 2, 1] = np.ma.masked
    assert "1 masked values (the first at position 4, 3, 2)" in \
        message_of(vexmoor.angle_between, masked, m, k=2)
    # A Procrustes fit's coords, as a dict or an object, is the group.
    fit = {"coords": f.coords, "Csize": np.ones(30)}
    other = types.SimpleNamespace(coords=m.coords, Csize=np.ones(29))
    assert vexmoor.angle_between(fit, other, k=2)["observed"] == expected
    assert "holds the array \"coords\"" in \
        message_of(vexmoor.angle_between, f, {"Csize": np.ones(29)}, k=2)


def test_an_interrupted_blocked_read_raises_keyboard_interrupt(tmp_path):
    fifo = str(tmp_path / "fifo")
    os.mkfifo(fifo)
    stop, closed = threading.Event(), threading.Event()

    def writer():  # opens the FIFO and writes nothing: the read waits
        fd = os.open(fifo, os.O_WRONLY)
        stop.wait(10)
        os.close(fd)
        closed.set()

    holding = threading.Thread(target=writer)
    holding.start()
    timer = threading.Timer(0.3, os.kill, (os.getpid(), signal.SIGINT))
    timer.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            try:
                vexmoor.read_group(fifo)
            except ValueError as e:
                pytest.fail(f"an interrupt taken for a data error: {e}")
        assert not closed.is_set(), "the read ended only when its file did"
    finally:
        timer.cancel()
        stop.set()  # the abandoned read then ends
        holding.join(10)


def test_the_hosts_blas_threads_are_left_as_they_were(files):
    try:
        blas = ctypes.CDLL("libopenblas.so.0")
    except OSError:
        pytest.skip("the BLAS in use is not OpenBLAS")
    f = vexmoor.read_group(files["gorf"])
    m = vexmoor.read_group(files["gorm"])
    before = blas.openblas_get_num_threads()
    blas.openblas_set_num_threads(3)
    try:
        vexmoor.resample(f, m, test="range", k=2, seed=1)
        vexmoor.cpc(f, m)
        assert blas.openblas_get_num_threads() == 3
    finally:
        blas.openblas_set_num_threads(before)
