"""Failures are VexmoorError (a ValueError) with the batch's message; an
interrupt stops a run within a second; the interpreter stays responsive."""
import doctest
import os
import signal
import threading
import time

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
    for k in ["20", "0", "x"]:
        assert message_of(vexmoor.angle_between, f, m, k=k) == \
            batch(["DoMezeyAngle", gorf, gorm, "-k", k])[2]
    assert message_of(vexmoor.angle_between, f, m) == batch(["DoMezeyAngle", gorf, gorm])[2]
    assert message_of(vexmoor.resample, f, m, k=2, v=101, seed=1) == \
        batch(["BootMezeyAngle", gorf, gorm, "-k", "2", "-v", "101"])[2]
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
    assert "seed needs a whole number" in message_of(vexmoor.resample, f, m, k=2, seed=-1)
    assert "seed needs a whole number" in message_of(vexmoor.resample, f, m, k=2, seed=2**64)
    assert "v needs a positive whole number" in message_of(vexmoor.resample, f, m, k=2, v=0)
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
    failures, tried = doctest.testmod(vexmoor, optionflags=doctest.ELLIPSIS)
    assert tried > 0 and failures == 0
